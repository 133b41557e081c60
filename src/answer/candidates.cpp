// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/candidates.h"

#include "lookup/measure.h"
#include "lookup/search.h"

#include <limits>

namespace answer {

namespace col = catalogue::columns;

std::string CandidateCell(const Answer& answer, std::size_t row, CandidateColumn column)
{
    const lookup::Match& match = answer.matches.at(row);
    const catalogue::View& view = answer.catalogue;
    const auto entry = static_cast<std::size_t>(match.entry);
    switch (column) {
    case CandidateColumn::Sv:
        return view.text(col::SV, entry);
    case CandidateColumn::Denomination:
        return view.text(col::Den, entry);
    case CandidateColumn::Diameter:
        return view.text(col::Dia, entry);
    case CandidateColumn::Weight: {
        const std::string& low = view.text(col::WMin, entry);
        const std::string& high = view.text(col::WMax, entry);
        return low == high ? low : low + " \u2013 " + high;
    }
    case CandidateColumn::CenterMonogram:
        return view.text(col::LegMgm, entry);
    case CandidateColumn::LeftMonogram:
        return view.text(col::LFMgm, entry);
    case CandidateColumn::RightMonogram:
        return view.text(col::RFMgm, entry);
    case CandidateColumn::Differs: {
        std::string parts;
        for (int clue = 0; clue < lookup::clueCount; ++clue) {
            if (match.differs.test(static_cast<std::size_t>(clue))) {
                parts += parts.empty() ? "" : "; ";
                parts += clueLabels[static_cast<std::size_t>(clue)];
                parts += ": " + lookup::DescribeHeld(view, clue, match.entry);
            }
        }
        return parts;
    }
    case CandidateColumn::Fit: {
        std::string words =
            lookup::FitWords(answer.query.measured, lookup::MeasuresOf(view, match.entry));
        constexpr std::string_view lead = "Fit: ";
        if (words.starts_with(lead)) {
            words.erase(0, lead.size());
        }
        return words;
    }
    }
    return {};
}

std::optional<double> CandidateNumber(const Answer& answer, std::size_t row, CandidateColumn column)
{
    constexpr double unknown = std::numeric_limits<double>::infinity();
    const lookup::Match& match = answer.matches.at(row);
    switch (column) {
    case CandidateColumn::Diameter:
        return lookup::MeasuresOf(answer.catalogue, match.entry).diameter.value_or(unknown);
    case CandidateColumn::Weight:
        return lookup::MeasuresOf(answer.catalogue, match.entry).weightMin.value_or(unknown);
    case CandidateColumn::Differs:
        return match.distance;
    case CandidateColumn::Fit:
        return match.misfit.value_or(unknown);
    default:
        return std::nullopt;
    }
}

} // namespace answer
