// SPDX-License-Identifier: GPL-3.0-or-later
#include "tickets.h"

#include "catalogue/catalogue.h"
#include "vocab/values.h"

#include <algorithm>

namespace finder {

namespace {

using catalogue::Catalogue;

const std::string& at(const Catalogue::Column& column, int entry)
{
    static const std::string unset;
    const auto& value = column[static_cast<std::size_t>(entry)];
    return value ? *value : unset;
}

std::string monogram(const Catalogue::Column& column, int entry)
{
    const std::string& value = at(column, entry);
    return value == "-NONE-" ? std::string() : value;
}

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

print::Ticket TicketOf(const Answer& answer)
{
    print::Ticket ticket;
    ticket.id = answer.id.value_or(std::string());
    ticket.weight = answer.query.measured[static_cast<std::size_t>(lookup::Measure::Weight)];
    ticket.diameter = answer.query.measured[static_cast<std::size_t>(lookup::Measure::Diameter)];
    if (answer.matches.empty()) {
        ticket.seen = SeenText(answer.query);
        return ticket;
    }
    const lookup::Match& best = answer.matches.front();
    const int e = best.entry;
    ticket.found = true;
    ticket.sv = at(Catalogue::SV, e);
    ticket.denomination = at(Catalogue::Den, e);
    ticket.mint = at(Catalogue::LM, e);
    ticket.plate = at(Catalogue::PLT, e);
    if (!at(Catalogue::PNum, e).empty()) {
        ticket.plate += " " + at(Catalogue::PNum, e);
    }
    ticket.sngCop = at(Catalogue::COP, e);
    ticket.weiser = at(Catalogue::WSR, e);
    ticket.monograms = {monogram(Catalogue::LegMgm, e), monogram(Catalogue::LFMgm, e),
                        monogram(Catalogue::RFMgm, e)};

    const lookup::EntryMeasures measures = lookup::MeasuresOf(e);
    const std::string& wmin = at(Catalogue::WMin, e);
    const std::string& wmax = at(Catalogue::WMax, e);
    ticket.weightRange = wmin == wmax ? wmin : wmin + "\u2013" + wmax;
    if (measures.weightMin) {
        ticket.weightRange += " g";
    }
    ticket.entryDiameter =
        measures.diameter ? lookup::Decimal(*measures.diameter) + " mm" : at(Catalogue::Dia, e);

    for (int clue = 0; clue < lookup::clueCount; ++clue) {
        if (best.differs.test(static_cast<std::size_t>(clue))) {
            ticket.differs.push_back(std::string(lookup::ClueOption(clue)) + " is " +
                                     lookup::DescribeHeld(clue, e));
        }
    }
    for (auto m = answer.matches.begin() + 1; m != answer.matches.end() && fitsAsWell(*m, best);
         ++m) {
        ticket.also.push_back(at(Catalogue::SV, m->entry));
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

} // namespace finder
