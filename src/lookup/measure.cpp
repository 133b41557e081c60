// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup/measure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace lookup {

namespace {

std::optional<double> positive(std::string_view field)
{
    const std::optional<double> value = ParseDecimal(field);
    // A zero would divide the misfit by zero: the entry does not say.
    return value && *value > 0 ? value : std::nullopt;
}

std::optional<double> positive(const std::optional<std::string>& field)
{
    return field ? positive(std::string_view(*field)) : std::nullopt;
}

/// Weights as catalogues write them, with two decimals; sizes as they come.
std::string ends(double value, std::string_view unit)
{
    return unit == " g" ? FixedDecimals(value, 2) : Decimal(value);
}

std::string range(double low, double high, std::string_view unit)
{
    const std::string u(unit);
    return low == high ? ends(low, unit) + u : ends(low, unit) + " to " + ends(high, unit) + u;
}

/// "weight 16 g, 1.1 g under 17.1 to 20.5 g" and the like.
std::string placed(std::string_view name, double value, double low, double high,
                   std::string_view unit)
{
    std::string text = std::string(name) + " " + Decimal(value) + std::string(unit);
    const std::string where = range(low, high, unit);
    if (value < low) {
        return text + ", " + Decimal(low - value) + std::string(unit) + " under " + where;
    }
    if (value > high) {
        return text + ", " + Decimal(value - high) + std::string(unit) + " over " + where;
    }
    return text + (low == high ? " as listed" : " inside " + where);
}

} // namespace

EntryMeasures MeasuresFrom(const std::optional<std::string>& dia,
                           const std::optional<std::string>& wmin,
                           const std::optional<std::string>& wmax)
{
    EntryMeasures m;
    if (dia && dia->ends_with("mm")) {
        // The loader appends "mm" to a written diameter; "n/a" has none.
        m.diameter = positive(std::string_view(*dia).substr(0, dia->size() - 2));
    }
    m.weightMin = positive(wmin);
    m.weightMax = positive(wmax);
    if (!m.weightMin) {
        m.weightMin = m.weightMax;
    } else if (!m.weightMax) {
        m.weightMax = m.weightMin;
    } else if (*m.weightMin > *m.weightMax) {
        std::swap(m.weightMin, m.weightMax);
    }
    return m;
}

Fit FitOf(const Measured& coin, const EntryMeasures& entry)
{
    Fit fit;
    if (const auto& d = coin[static_cast<std::size_t>(Measure::Diameter)]) {
        if (entry.diameter) {
            fit.misfit += std::abs(*d - *entry.diameter) / *entry.diameter;
        } else {
            fit.unknown.set(static_cast<std::size_t>(Measure::Diameter));
        }
    }
    if (const auto& w = coin[static_cast<std::size_t>(Measure::Weight)]) {
        if (!entry.weightMin) {
            fit.unknown.set(static_cast<std::size_t>(Measure::Weight));
        } else if (*w < *entry.weightMin) {
            fit.misfit += (*entry.weightMin - *w) / *entry.weightMin;
        } else if (*w > *entry.weightMax) {
            fit.misfit += (*w - *entry.weightMax) / *entry.weightMax;
        }
    }
    // A catalogue value near zero must not make the misfit infinite, which
    // would no longer order.
    fit.misfit = std::min(fit.misfit, std::numeric_limits<double>::max());
    return fit;
}

std::string FitWords(const Measured& coin, const EntryMeasures& entry)
{
    std::string text;
    bool known = false;
    const auto add = [&text](const std::string& part) {
        text += text.empty() ? "Fit: " : "; ";
        text += part;
    };
    if (const auto& w = coin[static_cast<std::size_t>(Measure::Weight)]) {
        known = known || entry.weightMin.has_value();
        add(entry.weightMin ? placed("weight", *w, *entry.weightMin, *entry.weightMax, " g")
                            : "weight " + Decimal(*w) + " g, not in the catalogue");
    }
    if (const auto& d = coin[static_cast<std::size_t>(Measure::Diameter)]) {
        known = known || entry.diameter.has_value();
        add(entry.diameter ? placed("diameter", *d, *entry.diameter, *entry.diameter, " mm")
                           : "diameter " + Decimal(*d) + " mm, not in the catalogue");
    }
    if (known) {
        text += " (misfit " + Decimal(100 * FitOf(coin, entry).misfit) + "%)";
    }
    return text;
}

} // namespace lookup
