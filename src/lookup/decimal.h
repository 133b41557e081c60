// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

/// Decimal numbers as catalogues, collectors and machine formats write them:
/// "." is the decimal point whatever the locale, and nothing here needs the
/// floating-point std::from_chars or std::to_chars, which not every standard
/// library has.
namespace lookup {

/// A plain decimal number as a catalogue or a collector writes it, spaces
/// around allowed: "27", " 19.20 ", ".5". Nothing else: no sign, exponent,
/// comma, unit or word ("n/a", "c. 20", "20mm").
std::optional<double> ParseDecimal(std::string_view text);

/// `value` rounded to `decimals` places (0 to 9), correctly from its exact
/// binary value with ties to even, as printf's "%.*f" in the C locale:
/// FixedDecimals(19.2, 2) is "19.20".
std::string FixedDecimals(double value, int decimals);

/// `value` with at most two decimals and no trailing zeros: "19.2", "27".
std::string Decimal(double value);

/// `value` as printf's "%.*g" in the C locale: General(0.0384615384, 6) is
/// "0.0384615".
std::string General(double value, int precision = 6);

} // namespace lookup
