// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/answer.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace answer {

/// What one coin's ticket says: plain text (UTF-8) and numbers, so that any
/// face can fill it in and lay it out.
struct Ticket {
    std::string id;                       ///< the collector's number for the coin; may be empty
    bool found = false;                   ///< false: no catalogue entry fits the coin
    std::string sv;                       ///< the entry's catalogue number, shown large
    std::string denomination;             ///< `Den`
    std::string mint;                     ///< `LM`; not shown when empty
    std::string plate;                    ///< `PLT` and `PNum`, e.g. "I. 4"
    std::string sngCop;                   ///< `COP`
    std::string weiser;                   ///< `WSR`
    std::array<std::string, 3> monograms; ///< centre, left and right field; empty: none
    std::optional<double> weight;         ///< the coin's, in g, when weighed
    std::optional<double> diameter;       ///< the coin's, in mm, when measured
    std::string weightRange;              ///< the entry's, e.g. "17.55-23.69 g"
    std::string entryDiameter;            ///< the entry's, e.g. "27 mm"
    std::vector<std::string> differs;     ///< where the entry differs; none: an exact match
    std::vector<std::string> also;        ///< `SV`s of the entries that fit as well
    std::string seen;                     ///< with no entry: what was seen on the coin
    /// The file of the entry's first picture that can be shown, its small
    /// copy where there is one; empty: the ticket shows no picture.
    std::string picture;
};

/// The ticket of one coin for match `chosen` of its answer (the best, the
/// first, unless a person chose another): that entry, the attributes it
/// differs in, and every other match that fits exactly as well (same
/// distance, unknown measurements and misfit), wherever it stands. With no
/// match, what was seen. The entry's first picture when the answer carries
/// the catalogue's pictures.
Ticket TicketOf(const Answer& answer, std::size_t chosen = 0);

/// What a query gives, for a person: "obverse-figure Zeus Laureate;
/// left-monogram EY; weight 19.2 g", or "nothing given".
std::string SeenText(const lookup::Query& query);

} // namespace answer
