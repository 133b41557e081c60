// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lookup/search.h"
#include "vocab/vocabulary.h"

#include <array>
#include <bitset>
#include <string>
#include <string_view>
#include <vector>

/// Searches for a coin that could only partly be read: open attributes,
/// several possible values, entries that differ in a few attributes, and how
/// many entries each list entry would leave. No input or output of its own,
/// so every face (a command, a window) shows the same results.
namespace lookup {

/// Attribute indices (`vocab::attributes` order) as a set.
using AttributeSet = std::bitset<vocab::attributeCount>;

/// What was seen on a coin.
struct Query {
    /// Per attribute, the codes an entry may have there (any one of them);
    /// none leaves the attribute open, so any value fits, even one no list
    /// position selects.
    std::array<std::vector<std::string>, vocab::attributeCount> allowed{};
    /// How many of the given (not open) attributes an entry may differ in.
    int near = 0;

    /// Allows the code of list position `pos` of attribute `attribute`; a
    /// code already allowed (the two "1 Eagle R>" entries) is not repeated.
    /// A position outside the list (-1: nothing selected) gives the
    /// attribute and lets nothing fit it, as the window's search does.
    void allowPosition(int attribute, int pos);

    [[nodiscard]] bool open(int attribute) const
    {
        return allowed[static_cast<std::size_t>(attribute)].empty();
    }
};

/// The query of a window's six lists: every attribute given, at its
/// selected position (`SelectionQuery(positions)` finds what `FindMatches`
/// finds for the same positions).
Query SelectionQuery(const Positions& positions, int near = 0);

/// One catalogue entry that fits a query.
struct Match {
    int entry = 0;        ///< index into the catalogue; its file line is entry + 1
    int distance = 0;     ///< number of given attributes it differs in
    AttributeSet differs; ///< those attributes
};

/// Entries of the loaded catalogue that differ from `query` in at most
/// `query.near` given attributes: closest first, catalogue order within a
/// distance. Exact matches come first with distance 0.
std::vector<Match> RankMatches(const Query& query);

/// `counts[a][p]`: how many loaded entries match exactly when attribute `a`
/// is set to list position `p` alone and every other attribute stays as
/// `query` gives it. `query.near` plays no part.
using FacetCounts = std::array<std::vector<int>, vocab::attributeCount>;
FacetCounts CountFacets(const Query& query);

/// List positions of `attribute` whose code loaded entry `entry` has there:
/// one, two for a shared code ("1 Eagle R>"), none for a code no position
/// selects.
std::vector<int> HeldPositions(int attribute, int entry);

/// What loaded entry `entry` has for `attribute`, for a person: its list
/// text, both texts for a shared code ("1 Eagle R> Closed Wing / 1 Eagle R>
/// Open Wing"), or the raw code in quotes when no list entry has it.
std::string DescribeHeld(int attribute, int entry);

} // namespace lookup
