// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup/query.h"

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "vocab/values.h"

#include <algorithm>

namespace lookup {

namespace {

using catalogue::View;

const std::optional<std::string>& codeOf(const View& catalogue, std::size_t attribute, int entry)
{
    return catalogue.at(catalogue::codeColumns[attribute], static_cast<std::size_t>(entry));
}

const std::array<const catalogue::ColumnInfo*, monogramCount> monogramColumns{
    &catalogue::columns::LegMgm, &catalogue::columns::LFMgm, &catalogue::columns::RFMgm};

const std::optional<std::string>& monogramOf(const View& catalogue, std::size_t monogram, int entry)
{
    return catalogue.at(*monogramColumns.at(monogram), static_cast<std::size_t>(entry));
}

template <typename Match>
bool fits(const std::optional<std::string>& value, const std::vector<std::string>& allowed,
          Match match)
{
    return std::any_of(allowed.begin(), allowed.end(),
                       [&](const std::string& wanted) { return match(value, wanted); });
}

/// The given clues entry `entry` does not fit, stopping once more than
/// `limit` are found.
ClueSet misfits(const View& catalogue, const Query& query, int entry, int limit)
{
    ClueSet differs;
    int count = 0;
    const auto differ = [&](std::size_t clue) {
        differs.set(clue);
        return ++count > limit;
    };
    for (std::size_t a = 0; a < query.allowed.size(); ++a) {
        if (!query.allowed[a].empty() &&
            !fits(codeOf(catalogue, a, entry), query.allowed[a], CodeMatches) && differ(a)) {
            return differs;
        }
    }
    for (std::size_t m = 0; m < query.monograms.size(); ++m) {
        if (!query.monograms[m].empty() &&
            !fits(monogramOf(catalogue, m, entry), query.monograms[m], MonogramMatches) &&
            differ(vocab::attributeCount + m)) {
            return differs;
        }
    }
    return differs;
}

/// The misfit of entry `entry`, and whether it passes the query's tolerance.
bool withinTolerance(const View& catalogue, const Query& query, int entry, Fit& fit)
{
    fit = FitOf(query.measured, MeasuresOf(catalogue, entry));
    return !query.tolerance || fit.misfit <= *query.tolerance;
}

/// Calls `visit` with every list position of attribute `a` that selects the
/// code entry `entry` has there.
template <typename Visit>
void forHeldPositions(const View& catalogue, std::size_t a, int entry, Visit visit)
{
    ForPositionsSelecting(static_cast<int>(a), codeOf(catalogue, a, entry), visit);
}

} // namespace

std::string_view ClueOption(int clue)
{
    return clue < vocab::attributeCount
               ? vocab::attributes.at(static_cast<std::size_t>(clue)).option
               : monogramOptions.at(static_cast<std::size_t>(clue - vocab::attributeCount));
}

bool MonogramMatches(const std::optional<std::string>& field, std::string_view wanted)
{
    if (!field) {
        return false;
    }
    wanted = vocab::Trimmed(wanted);
    if (vocab::EqualsIgnoringCase(wanted, "none")) {
        wanted = "-NONE-";
    }
    return vocab::EqualsIgnoringCase(vocab::Trimmed(*field), wanted);
}

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

std::vector<Match> RankMatches(const View& catalogue, const Query& query)
{
    const int limit = std::clamp(query.near, 0, clueCount);
    const bool measuring = query.measuring();
    const std::int32_t n = catalogue.entries();
    // One pass, a bucket per distance: catalogue order holds within each.
    std::array<std::vector<Match>, clueCount + 1> byDistance;
    for (std::int32_t i = 0; i < n; ++i) {
        const ClueSet differs = misfits(catalogue, query, i, limit);
        const auto distance = static_cast<int>(differs.count());
        Fit fit;
        if (distance > limit || (measuring && !withinTolerance(catalogue, query, i, fit))) {
            continue;
        }
        Match match{i, distance, differs, std::nullopt, fit.unknown};
        if (measuring) {
            match.misfit = fit.misfit;
        }
        byDistance[static_cast<std::size_t>(distance)].push_back(match);
    }
    std::vector<Match> ranked;
    for (auto& bucket : byDistance) {
        if (measuring) {
            std::stable_sort(bucket.begin(), bucket.end(), [](const Match& a, const Match& b) {
                const auto ua = a.unknown.count();
                const auto ub = b.unknown.count();
                return ua != ub ? ua < ub : *a.misfit < *b.misfit;
            });
        }
        ranked.insert(ranked.end(), bucket.begin(), bucket.end());
    }
    return ranked;
}

EntryMeasures MeasuresOf(const View& catalogue, int entry)
{
    namespace col = catalogue::columns;
    const auto k = static_cast<std::size_t>(entry);
    return MeasuresFrom(catalogue.at(col::Dia, k), catalogue.at(col::WMin, k),
                        catalogue.at(col::WMax, k));
}

FacetCounts CountFacets(const View& catalogue, const Query& query)
{
    FacetCounts counts;
    for (std::size_t a = 0; a < counts.size(); ++a) {
        counts[a].assign(static_cast<std::size_t>(vocab::attributes[a].count()), 0);
    }
    const std::int32_t n = catalogue.entries();
    for (std::int32_t i = 0; i < n; ++i) {
        // An entry counts for list `a` when it fits every given attribute
        // but `a`: when it fits all, it counts for every list.
        // A missed monogram counts for no list: only a list can change.
        const ClueSet differs = misfits(catalogue, query, i, 1);
        Fit fit;
        if (differs.count() > 1 ||
            (query.tolerance && !withinTolerance(catalogue, query, i, fit))) {
            continue;
        }
        for (std::size_t a = 0; a < counts.size(); ++a) {
            if (differs.none() || differs.test(a)) {
                forHeldPositions(catalogue, a, i,
                                 [&](int pos) { ++counts[a][static_cast<std::size_t>(pos)]; });
            }
        }
    }
    return counts;
}

std::vector<int> HeldPositions(const View& catalogue, int attribute, int entry)
{
    return PositionsSelecting(attribute,
                              codeOf(catalogue, static_cast<std::size_t>(attribute), entry));
}

bool Findable(const View& catalogue, int entry)
{
    for (std::size_t a = 0; a < static_cast<std::size_t>(vocab::attributeCount); ++a) {
        bool held = false;
        forHeldPositions(catalogue, a, entry, [&held](int) { held = true; });
        if (!held) {
            return false;
        }
    }
    return true;
}

int FindableEntries(const View& catalogue)
{
    int findable = 0;
    for (int i = 0; i < catalogue.entries(); ++i) {
        findable += Findable(catalogue, i) ? 1 : 0;
    }
    return findable;
}

std::string DescribeHeld(const View& catalogue, int attribute, int entry)
{
    if (attribute >= vocab::attributeCount) {
        const auto m = static_cast<std::size_t>(attribute - vocab::attributeCount);
        const auto& field = monogramOf(catalogue, m, entry);
        return vocab::Quoted(field ? *field : std::string());
    }
    const auto a = static_cast<std::size_t>(attribute);
    std::string text;
    forHeldPositions(catalogue, a, entry, [&](int pos) {
        text += text.empty() ? "" : " / ";
        text += vocab::attributes[a].texts[static_cast<std::size_t>(pos)];
    });
    if (text.empty()) {
        const auto& value = codeOf(catalogue, a, entry);
        text = vocab::Quoted(value ? *value : std::string());
    }
    return text;
}

} // namespace lookup
