// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lookup/decimal.h"

#include <array>
#include <bitset>
#include <optional>
#include <string>
#include <string_view>

/// A coin's weight and diameter against the ranges the catalogue gives.
/// Denominations of one type differ mainly in these, and they survive wear.
namespace lookup {

enum class Measure { Diameter, Weight };
inline constexpr int measureCount = 2;
/// The option (and batch column) name of each measurement, in `Measure` order.
inline constexpr std::array<std::string_view, measureCount> measureOptions{"diameter", "weight"};

/// A coin's measurements: diameter in mm, weight in g; unset when not measured.
using Measured = std::array<std::optional<double>, measureCount>;
/// Given measurements, by `Measure`.
using MeasureSet = std::bitset<measureCount>;

/// What one catalogue entry says of size and weight; unset when its field
/// is not a plain number above 0.
struct EntryMeasures {
    std::optional<double> diameter; ///< `Dia` as written in the file, before "mm"
    std::optional<double> weightMin;
    std::optional<double> weightMax;
    [[nodiscard]] bool knows(Measure m) const
    {
        return m == Measure::Diameter ? diameter.has_value() : weightMin.has_value();
    }
};

/// The measures of an entry from its loaded `Dia`, `WMin` and `WMax` fields
/// (unset fields are unknown). A weight with one number is that number at both
/// ends; swapped ends are put in order.
EntryMeasures MeasuresFrom(const std::optional<std::string>& dia,
                           const std::optional<std::string>& wmin,
                           const std::optional<std::string>& wmax);

/// How far a coin lies outside an entry's ranges, as a fraction: 0 inside,
/// (WMin - w) / WMin below, (w - WMax) / WMax above, |d - Dia| / Dia for the
/// diameter, summed over the measurements both know.
struct Fit {
    double misfit = 0;
    MeasureSet unknown; ///< measured, but the entry does not say
};
Fit FitOf(const Measured& coin, const EntryMeasures& entry);

/// The fit in words a collector reads, e.g. "Fit: weight 19.2 g inside
/// 17.1-20.5 g; diameter 27 mm, 1 mm over 26 mm (misfit 3.8%)". Empty when
/// nothing was measured.
std::string FitWords(const Measured& coin, const EntryMeasures& entry);

} // namespace lookup
