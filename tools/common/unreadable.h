// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"

#include <string>

namespace cli {

/// Why a catalogue did not load, for "cannot read PATH: ...":
/// the system's reason and what the window would show, e.g.
/// `Permission denied (the window would show "Problem Reading Quarvel
/// Database")`. Empty for a catalogue that loaded, unless it was not a
/// regular file (a pipe or a device), whose lines the loader never reads.
std::string CatalogueProblem(const catalogue::LoadOutcome& outcome);

} // namespace cli
