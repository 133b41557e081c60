// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/answer.h"

#include <string>
#include <string_view>

namespace answer {

/// The TSV header; a batch's rows start with the coin's batch line, and its
/// id when the batch has ids.
std::string TsvHeader(bool batch, bool ids = false);

/// One TSV row per match: [batch line, [id,]] file line, distance, differing
/// options, misfit, the 21 fields as loaded with tab and backslash escaped.
/// Numbers are written with "." in every locale.
std::string TsvRows(const Answer& answer, bool batch, bool ids = false);

/// A field for a TSV row: `\` becomes `\\` and a tab `\t`, so a row stays
/// one row with 24 columns.
std::string TsvField(std::string_view value);

} // namespace answer
