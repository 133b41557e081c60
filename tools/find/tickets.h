// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "finder.h"
#include "print/ticket.h"

#include <string>

namespace finder {

/// The ticket of one coin: its best match (the first), the attributes that
/// match differs in, and the other matches that fit as well (same distance,
/// unknown measurements and misfit); with no match, what was seen.
print::Ticket TicketOf(const Answer& answer);

/// What a query gives, for a person: "obverse-figure Zeus Laureate;
/// left-monogram EY; weight 19.2 g", or "nothing given".
std::string SeenText(const lookup::Query& query);

} // namespace finder
