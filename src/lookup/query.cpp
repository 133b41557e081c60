// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup/query.h"

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "vocab/values.h"

#include <algorithm>
#include <atomic>

namespace lookup {

namespace {

using catalogue::Catalogue;

const std::optional<std::string>& codeOf(std::size_t attribute, int entry)
{
    return catalogue::codeColumns[attribute].at(static_cast<std::size_t>(entry));
}

bool fits(const std::optional<std::string>& value, const std::vector<std::string>& allowed)
{
    return std::any_of(allowed.begin(), allowed.end(),
                       [&value](const std::string& code) { return CodeMatches(value, code); });
}

/// The given attributes entry `entry` does not fit, stopping once more than
/// `limit` are found.
AttributeSet misfits(const Query& query, int entry, int limit)
{
    AttributeSet differs;
    int count = 0;
    for (std::size_t a = 0; a < query.allowed.size(); ++a) {
        if (!query.allowed[a].empty() && !fits(codeOf(a, entry), query.allowed[a])) {
            differs.set(a);
            if (++count > limit) {
                break;
            }
        }
    }
    return differs;
}

/// Calls `visit` with every list position of attribute `a` that selects the
/// code entry `entry` has there.
template <typename Visit> void forHeldPositions(std::size_t a, int entry, Visit visit)
{
    ForPositionsSelecting(static_cast<int>(a), codeOf(a, entry), visit);
}

std::int32_t loadedEntries()
{
    // Read once: entries below this count are complete and never change.
    return Catalogue::numentries.load(std::memory_order_acquire);
}

} // namespace

void Query::allowPosition(int attribute, int pos)
{
    const std::string_view code =
        vocab::attributes.at(static_cast<std::size_t>(attribute)).code(pos);
    auto& codes = allowed.at(static_cast<std::size_t>(attribute));
    // A position outside the list gives the empty code, which matches no
    // entry: the attribute is given, and nothing fits it, as in the window.
    if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
        codes.emplace_back(code);
    }
}

Query SelectionQuery(const Positions& positions, int near)
{
    Query query;
    for (int a = 0; a < vocab::attributeCount; ++a) {
        query.allowPosition(a, positions[static_cast<std::size_t>(a)]);
    }
    query.near = near;
    return query;
}

std::vector<Match> RankMatches(const Query& query)
{
    const int limit = std::clamp(query.near, 0, vocab::attributeCount);
    const std::int32_t n = loadedEntries();
    // One pass, a bucket per distance: catalogue order holds within each.
    std::array<std::vector<Match>, vocab::attributeCount + 1> byDistance;
    for (std::int32_t i = 0; i < n; ++i) {
        const AttributeSet differs = misfits(query, i, limit);
        const auto distance = static_cast<int>(differs.count());
        if (distance <= limit) {
            byDistance[static_cast<std::size_t>(distance)].push_back({i, distance, differs});
        }
    }
    std::vector<Match> ranked = std::move(byDistance[0]);
    for (std::size_t d = 1; d < byDistance.size(); ++d) {
        ranked.insert(ranked.end(), byDistance[d].begin(), byDistance[d].end());
    }
    return ranked;
}

FacetCounts CountFacets(const Query& query)
{
    FacetCounts counts;
    for (std::size_t a = 0; a < counts.size(); ++a) {
        counts[a].assign(static_cast<std::size_t>(vocab::attributes[a].count()), 0);
    }
    const std::int32_t n = loadedEntries();
    for (std::int32_t i = 0; i < n; ++i) {
        // An entry counts for list `a` when it fits every given attribute
        // but `a`: when it fits all, it counts for every list.
        const AttributeSet differs = misfits(query, i, 1);
        if (differs.count() > 1) {
            continue;
        }
        for (std::size_t a = 0; a < counts.size(); ++a) {
            if (differs.none() || differs.test(a)) {
                forHeldPositions(a, i,
                                 [&](int pos) { ++counts[a][static_cast<std::size_t>(pos)]; });
            }
        }
    }
    return counts;
}

std::vector<int> HeldPositions(int attribute, int entry)
{
    return PositionsSelecting(attribute, codeOf(static_cast<std::size_t>(attribute), entry));
}

std::string DescribeHeld(int attribute, int entry)
{
    const auto a = static_cast<std::size_t>(attribute);
    std::string text;
    forHeldPositions(a, entry, [&](int pos) {
        text += text.empty() ? "" : " / ";
        text += vocab::attributes[a].texts[static_cast<std::size_t>(pos)];
    });
    if (text.empty()) {
        const auto& value = codeOf(a, entry);
        text = vocab::Quoted(value ? *value : std::string());
    }
    return text;
}

} // namespace lookup
