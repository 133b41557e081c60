// SPDX-License-Identifier: GPL-3.0-or-later
#include "tickets.h"

#include "catalogue/catalogue.h"
#include "lookup/query.h"
#include "vocab/values.h"

#include <algorithm>

namespace finder {

namespace {

namespace col = catalogue::columns;

/// The value of `column` for `entry` of the answer's catalogue, "" when unset.
class Entry {
public:
    Entry(const catalogue::View& catalogue, int entry) : catalogue_(catalogue), entry_(entry) {}

    [[nodiscard]] const std::string& operator[](const catalogue::ColumnInfo& column) const
    {
        static const std::string unset;
        const auto& value = catalogue_.at(column, static_cast<std::size_t>(entry_));
        return value ? *value : unset;
    }

    [[nodiscard]] std::string monogram(const catalogue::ColumnInfo& column) const
    {
        const std::string& value = (*this)[column];
        return value == "-NONE-" ? std::string() : value;
    }

private:
    const catalogue::View& catalogue_;
    int entry_;
};

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
    const catalogue::View& cat = answer.catalogue;
    const Entry e(cat, best.entry);
    ticket.found = true;
    ticket.sv = e[col::SV];
    ticket.denomination = e[col::Den];
    ticket.mint = e[col::LM];
    ticket.plate = e[col::PLT];
    if (!e[col::PNum].empty()) {
        ticket.plate += " " + e[col::PNum];
    }
    ticket.sngCop = e[col::COP];
    ticket.weiser = e[col::WSR];
    ticket.monograms = {e.monogram(col::LegMgm), e.monogram(col::LFMgm), e.monogram(col::RFMgm)};

    const lookup::EntryMeasures measures = lookup::MeasuresOf(cat, best.entry);
    const std::string& wmin = e[col::WMin];
    const std::string& wmax = e[col::WMax];
    ticket.weightRange = wmin == wmax ? wmin : wmin + "\u2013" + wmax;
    if (measures.weightMin) {
        ticket.weightRange += " g";
    }
    ticket.entryDiameter =
        measures.diameter ? lookup::Decimal(*measures.diameter) + " mm" : e[col::Dia];

    for (int clue = 0; clue < lookup::clueCount; ++clue) {
        if (best.differs.test(static_cast<std::size_t>(clue))) {
            ticket.differs.push_back(std::string(lookup::ClueOption(clue)) + " is " +
                                     lookup::DescribeHeld(cat, clue, best.entry));
        }
    }
    for (auto m = answer.matches.begin() + 1; m != answer.matches.end() && fitsAsWell(*m, best);
         ++m) {
        ticket.also.push_back(Entry(cat, m->entry)[col::SV]);
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
