// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"
#include "vocab/vocabulary.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The search a window runs on every selection change, and its report.
namespace lookup {

inline constexpr std::string_view searching = "Searching for matches...";
inline constexpr std::string_view noMatch = "No Matching Entry Found";

/// The six selection codes, in attribute order.
using Codes = std::array<std::string_view, vocab::attributeCount>;
/// The selected position of each of the six lists, in attribute order.
using Positions = std::array<int, vocab::attributeCount>;

/// Turns six list positions into their codes, e.g. all zeros into six "1".
Codes SelectionCodes(const Positions& positions);

/// True when `value` is set and equals `code` letter for letter ignoring
/// case: "a0" matches "A0", " A" and "A0" do not match "A". Case variants
/// outside ASCII count too (the Kelvin sign matches "K"). An empty code
/// matches nothing.
bool CodeMatches(const std::optional<std::string>& value, std::string_view code);

/// Calls `visit` with every list position of `attribute` whose code `value`
/// matches, without building a list: for loops over the whole catalogue.
template <typename Visit>
void ForPositionsSelecting(int attribute, const std::optional<std::string>& value, Visit visit)
{
    const vocab::Attribute& attr = vocab::attributes.at(static_cast<std::size_t>(attribute));
    for (int pos = 0; pos < attr.count(); ++pos) {
        if (CodeMatches(value, attr.code(pos))) {
            visit(pos);
        }
    }
}

/// List positions of `attribute` whose code `value` matches: one, two for
/// a shared code ("5", the two "1 Eagle R>" entries), none for a value no
/// position selects.
std::vector<int> PositionsSelecting(int attribute, const std::optional<std::string>& value);

/// True when all six code columns of entry `i` of `catalogue` match `codes`.
bool EntryMatches(const catalogue::View& catalogue, int i, const Codes& codes);

/// `EntryMatches` on the window's catalogue.
bool EntryMatches(int i, const Codes& codes);

/// Appends the seven-line block of entry `i` of `catalogue`. An empty
/// specimen count shows as "n/a"; the catalogue is left as it is.
void AppendReportBlock(std::string& report, const catalogue::View& catalogue, int i);

/// Appends the seven-line block of entry `i` of the window's catalogue,
/// first turning an empty specimen count into "n/a" there for good.
void AppendReportBlock(std::string& report, int i);

/// Scans the entries of `catalogue` in order and returns the text of the
/// output area: every matching entry's block, or `noMatch`. Always valid
/// UTF-8. Changes nothing in `catalogue`.
std::string FindMatches(const catalogue::View& catalogue, const Codes& codes);

/// `FindMatches` on the window's loaded entries, with the window's
/// specimen-count rule of `AppendReportBlock(report, i)`.
std::string FindMatches(const Codes& codes);

} // namespace lookup
