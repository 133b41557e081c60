// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lookup/query.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace answer {

/// What a batch line, the command line or a window's fields can give: the
/// six attributes, the three monograms (`lookup::clueCount` clues), then the
/// diameter and the weight. Their names are the options' without "--".
inline constexpr int valueColumns = lookup::clueCount + lookup::measureCount;
std::string_view ColumnName(int column);

/// The largest diameter (mm) and weight (g) a coin may be given as: no coin
/// comes near them, and past them a misfit or a fit in words would be a
/// number hundreds of digits long.
inline constexpr std::array<double, lookup::measureCount> measureBounds{1000, 10000};

/// A measurement as typed: a number above 0 and within its bound, with "."
/// or one "," before the decimals ("19.2", "19,2", as a spreadsheet in a
/// comma locale writes it). Nothing when `text` is blank; the problem, in
/// words, when it is not such a number.
struct MeasureRead {
    std::optional<double> value;
    std::string problem;
};
MeasureRead ReadMeasure(lookup::Measure measure, std::string_view text);

/// "Differences allowed" as typed, on every face: a whole number from 0 to
/// `lookup::clueCount` (more clues than there are cannot differ), spaces
/// around it ignored. Nothing when `text` is blank and `blankAllowed` (a
/// field left empty); the problem, in words, for anything else, never capped.
struct NearRead {
    std::optional<int> value;
    std::string problem;
};
NearRead ReadNear(std::string_view text, bool blankAllowed = true);

/// Reads the values given for `column` into `query`, as on the command line,
/// in a batch file or a window's field. Several values allow any of them;
/// "any" among them leaves the column open; a measurement is read by
/// `ReadMeasure`. Returns what is wrong with a value, or nothing.
std::string ReadValues(int column, const std::vector<std::string_view>& values,
                       lookup::Query& query);

} // namespace answer
