// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

/// True when all six code columns of loaded entry `i` match `codes`.
bool EntryMatches(int i, const Codes& codes);

/// Appends the seven-line block of catalogue entry `i`, first turning an
/// empty specimen count into "n/a" for good.
void AppendReportBlock(std::string& report, int i);

/// Scans the loaded entries in catalogue order and returns the text the
/// output area ends with: every matching entry's block, or `noMatch`.
/// Always valid UTF-8.
std::string FindMatches(const Codes& codes);

} // namespace lookup
