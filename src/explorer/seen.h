// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lookup/measure.h"
#include "lookup/query.h"
#include "vocab/vocabulary.h"

#include <QString>

#include <array>
#include <string>
#include <string_view>

/// Rovadod Explorer: the worn-coin finder in a window.
namespace explorer {

/// What the coin can differ in, as the explorer's fields name it: the six
/// attributes, then the three monograms (`lookup::ClueSet` order). Shown
/// through QCoreApplication::translate("Clue", ...).
inline constexpr std::array<const char*, lookup::clueCount> clueNames{
    QT_TRANSLATE_NOOP("Clue", "Obverse figure"),
    QT_TRANSLATE_NOOP("Clue", "Inscription"),
    QT_TRANSLATE_NOOP("Clue", "Reverse figure"),
    QT_TRANSLATE_NOOP("Clue", "Left field"),
    QT_TRANSLATE_NOOP("Clue", "Right side"),
    QT_TRANSLATE_NOOP("Clue", "Countermark"),
    QT_TRANSLATE_NOOP("Clue", "Center monogram"),
    QT_TRANSLATE_NOOP("Clue", "Left field monogram"),
    QT_TRANSLATE_NOOP("Clue", "Right field monogram")};

/// Why the diameter or weight as typed is left out of the search, in
/// rovadod-find's words; empty when it is blank or a measurement.
std::string MeasureProblem(lookup::Measure measure, const QString& typed);

/// Everything the explorer's fields say about the coin.
struct Seen {
    /// List position per attribute; `any` leaves it open.
    static constexpr int any = -1;
    std::array<int, vocab::attributeCount> positions{any, any, any, any, any, any};
    /// The three monograms as typed: empty is any, "none" is none.
    std::array<QString, lookup::monogramCount> monograms;
    /// Diameter and weight as typed.
    std::array<QString, lookup::measureCount> measures;
    int near = 0;
};

/// The query rovadod-find makes of the same values.
lookup::Query QueryOf(const Seen& seen);

} // namespace explorer
