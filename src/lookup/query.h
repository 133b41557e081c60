// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"
#include "lookup/measure.h"
#include "lookup/search.h"
#include "vocab/vocabulary.h"

#include <algorithm>
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

/// The three field monograms, compared with `LegMgm`, `LFMgm` and `RFMgm`.
inline constexpr int monogramCount = 3;
inline constexpr std::array<std::string_view, monogramCount> monogramOptions{
    "center-monogram", "left-monogram", "right-monogram"};

/// What a coin can differ in: the six attributes (`vocab::attributes`
/// order), then the three monograms.
inline constexpr int clueCount = vocab::attributeCount + monogramCount;
using ClueSet = std::bitset<clueCount>;

/// The option name of clue `clue`: "left-field", "center-monogram".
std::string_view ClueOption(int clue);

/// True when a monogram field as loaded fits `wanted`, ignoring case and
/// the spaces around both: "none" stands for "-NONE-", what the loader makes
/// of an empty field.
bool MonogramMatches(const std::optional<std::string>& field, std::string_view wanted);

/// What was seen on a coin.
struct Query {
    /// Per attribute, the codes an entry may have there (any one of them);
    /// none leaves the attribute open, so any value fits, even one no list
    /// position selects.
    std::array<std::vector<std::string>, vocab::attributeCount> allowed{};
    /// Per monogram, the values an entry may have there (any one of them, as
    /// `MonogramMatches` takes them); none leaves the monogram open.
    std::array<std::vector<std::string>, monogramCount> monograms{};
    /// The coin's diameter and weight; unset when not measured.
    Measured measured{};
    /// Largest misfit an entry may have, as a fraction (5% is 0.05); unset
    /// lets measurements order the matches without leaving any out.
    std::optional<double> tolerance;
    /// How many of the given (not open) clues an entry may differ in.
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
    [[nodiscard]] bool measuring() const
    {
        return std::any_of(measured.begin(), measured.end(),
                           [](const auto& m) { return m.has_value(); });
    }
};

/// The query of a window's six lists: every attribute given, at its
/// selected position (`SelectionQuery(positions)` finds what `FindMatches`
/// finds for the same positions).
Query SelectionQuery(const Positions& positions, int near = 0);

/// One catalogue entry that fits a query.
struct Match {
    int entry = 0;                ///< index into the catalogue; its file line is entry + 1
    int distance = 0;             ///< number of given clues it differs in
    ClueSet differs;              ///< those clues
    std::optional<double> misfit; ///< unset when nothing was measured
    MeasureSet unknown;           ///< measurements given that the entry does not know
};

/// Entries of `catalogue` that differ from `query` in at most `query.near`
/// given clues and, with a tolerance, lie within it: by distance, then by how
/// many given measurements the entry does not know, then by misfit, then in
/// catalogue order. Exact matches come first.
std::vector<Match> RankMatches(const catalogue::View& catalogue, const Query& query);

/// The size and weight that entry `entry` of `catalogue` gives.
EntryMeasures MeasuresOf(const catalogue::View& catalogue, int entry);

/// `counts[a][p]`: how many entries of `catalogue` match exactly when
/// attribute `a` is set to list position `p` alone and every other clue stays
/// as `query` gives it, within its tolerance when it has one. `query.near`
/// plays no part.
using FacetCounts = std::array<std::vector<int>, vocab::attributeCount>;
FacetCounts CountFacets(const catalogue::View& catalogue, const Query& query);

/// List positions of `attribute` whose code entry `entry` of `catalogue` has
/// there: one, two for a shared code ("1 Eagle R>"), none for a code no
/// position selects.
std::vector<int> HeldPositions(const catalogue::View& catalogue, int attribute, int entry);

/// Whether some selection of the lists finds entry `entry` of `catalogue`:
/// each of its six codes is the code of a list position.
bool Findable(const catalogue::View& catalogue, int entry);

/// How many entries of `catalogue` are `Findable`.
int FindableEntries(const catalogue::View& catalogue);

/// What entry `entry` of `catalogue` has for clue `attribute`, for a person:
/// its list text, both texts for a shared code ("1 Eagle R> Closed Wing /
/// 1 Eagle R> Open Wing"), or the raw code in quotes when no list entry has
/// it; a monogram in quotes.
std::string DescribeHeld(const catalogue::View& catalogue, int attribute, int entry);

} // namespace lookup
