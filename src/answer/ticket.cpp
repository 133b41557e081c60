// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/ticket.h"

#include "answer/pictures.h"
#include "lookup/decimal.h"
#include "lookup/query.h"
#include "vocab/values.h"

#include <algorithm>

namespace answer {

namespace {

namespace col = catalogue::columns;

/// Fits as well as `best`: the ranking could not tell them apart.
bool fitsAsWell(const lookup::Match& match, const lookup::Match& best)
{
    return match.distance == best.distance && match.unknown.count() == best.unknown.count() &&
           match.misfit == best.misfit;
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : std::string(separator)) + part;
    }
    return text;
}

} // namespace

Ticket TicketOf(const Answer& answer, std::size_t chosen)
{
    Ticket ticket;
    ticket.id = answer.id.value_or(std::string());
    ticket.weight = answer.query.measured[static_cast<std::size_t>(lookup::Measure::Weight)];
    ticket.diameter = answer.query.measured[static_cast<std::size_t>(lookup::Measure::Diameter)];
    if (chosen >= answer.matches.size()) {
        ticket.seen = SeenText(answer.query);
        return ticket;
    }
    const lookup::Match& best = answer.matches[chosen];
    const catalogue::View& cat = answer.catalogue;
    const auto entry = static_cast<std::size_t>(best.entry);
    const auto monogram = [&](const catalogue::ColumnInfo& column) {
        const std::string& value = cat.text(column, entry);
        return value == "-NONE-" ? std::string() : value;
    };
    ticket.found = true;
    ticket.sv = cat.text(col::SV, entry);
    ticket.denomination = cat.text(col::Den, entry);
    ticket.mint = cat.text(col::LM, entry);
    ticket.plate = cat.text(col::PLT, entry);
    if (!cat.text(col::PNum, entry).empty()) {
        ticket.plate += " " + cat.text(col::PNum, entry);
    }
    ticket.sngCop = cat.text(col::COP, entry);
    ticket.weiser = cat.text(col::WSR, entry);
    ticket.monograms = {monogram(col::LegMgm), monogram(col::LFMgm), monogram(col::RFMgm)};

    const lookup::EntryMeasures measures = lookup::MeasuresOf(cat, best.entry);
    const std::string& wmin = cat.text(col::WMin, entry);
    const std::string& wmax = cat.text(col::WMax, entry);
    ticket.weightRange = wmin == wmax ? wmin : wmin + "\u2013" + wmax;
    if (measures.weightMin) {
        ticket.weightRange += " g";
    }
    ticket.entryDiameter =
        measures.diameter ? lookup::Decimal(*measures.diameter) + " mm" : cat.text(col::Dia, entry);

    for (int clue = 0; clue < lookup::clueCount; ++clue) {
        if (best.differs.test(static_cast<std::size_t>(clue))) {
            ticket.differs.push_back(std::string(lookup::ClueOption(clue)) + " is " +
                                     lookup::DescribeHeld(cat, clue, best.entry));
        }
    }
    // The ranking sorts ties together, but a person may have chosen any row
    // of them: every other match that fits as well is named.
    for (std::size_t m = 0; m < answer.matches.size(); ++m) {
        if (m != chosen && fitsAsWell(answer.matches[m], best)) {
            ticket.also.push_back(
                cat.text(col::SV, static_cast<std::size_t>(answer.matches[m].entry)));
        }
    }
    if (answer.pictures != nullptr) {
        for (const Picture& picture : answer.pictures->of(best.entry)) {
            if (picture.usable()) {
                ticket.picture =
                    answer.pictures->where(picture.small.empty() ? picture.path : picture.small);
                break;
            }
        }
    }
    return ticket;
}

std::string SeenText(const lookup::Query& query)
{
    std::vector<std::string> seen;
    for (int a = 0; a < vocab::attributeCount; ++a) {
        if (query.open(a)) {
            continue;
        }
        const vocab::Attribute& attr = vocab::attributes[static_cast<std::size_t>(a)];
        const auto& allowed = query.allowed[static_cast<std::size_t>(a)];
        std::vector<std::string> texts;
        for (int pos = 0; pos < attr.count(); ++pos) {
            if (std::find(allowed.begin(), allowed.end(), attr.code(pos)) != allowed.end()) {
                texts.emplace_back(attr.texts[static_cast<std::size_t>(pos)]);
            }
        }
        seen.push_back(std::string(attr.option) + " " + joined(texts, " / "));
    }
    for (int m = 0; m < lookup::monogramCount; ++m) {
        const auto& values = query.monograms[static_cast<std::size_t>(m)];
        if (!values.empty()) {
            seen.push_back(std::string(lookup::monogramOptions[static_cast<std::size_t>(m)]) + " " +
                           joined(values, " / "));
        }
    }
    static constexpr std::array<std::string_view, lookup::measureCount> units{" mm", " g"};
    for (std::size_t m = 0; m < lookup::measureOptions.size(); ++m) {
        if (query.measured[m]) {
            seen.push_back(std::string(lookup::measureOptions[m]) + " " +
                           lookup::Decimal(*query.measured[m]) + std::string(units[m]));
        }
    }
    return seen.empty() ? "nothing given" : joined(seen, "; ");
}

} // namespace answer
