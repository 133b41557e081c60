// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/answer.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

/// The table of candidates that the explorer and the web page show: the same
/// columns, cells and sort keys on every screen.
namespace answer {

/// What a person calls each clue, in `lookup` clue order: the lists' and
/// fields' labels.
inline constexpr std::array<std::string_view, lookup::clueCount> clueLabels{
    "Obverse figure", "Inscription",     "Reverse figure",      "Left field",          "Right side",
    "Countermark",    "Center monogram", "Left field monogram", "Right field monogram"};

enum class CandidateColumn {
    Sv,
    Denomination,
    Diameter,
    Weight,
    CenterMonogram,
    LeftMonogram,
    RightMonogram,
    Differs,
    Fit
};
inline constexpr int candidateColumns = 9;
inline constexpr std::array<std::string_view, candidateColumns> candidateTitles{
    "Sv",       "Denomination", "Diameter", "Weight (g)", "Center Mgm",
    "Left Mgm", "Right Mgm",    "Differs",  "Fit"};

/// The whole text of `column` for match `row` of `answer`, e.g. "17.55 – 23.69"
/// for the weight or "Left field: Club" where it differs.
std::string CandidateCell(const Answer& answer, std::size_t row, CandidateColumn column);

/// What `column` sorts by for match `row` when it sorts as a number: the
/// diameter, the lower weight, the distance, the misfit; unknown sorts last
/// (infinity). Nothing for the columns sorted by their text.
std::optional<double> CandidateNumber(const Answer& answer, std::size_t row,
                                      CandidateColumn column);

} // namespace answer
