// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup/measure.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
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

/// `value` with two decimals; to_chars, as a batch writes thousands.
std::string twoDecimals(double value)
{
    char text[512]; // the widest double, fixed with two decimals, fits
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    return error == std::errc() ? std::string(text, end) : std::string("?");
}

/// Weights as catalogues write them, with two decimals; sizes as they come.
std::string ends(double value, std::string_view unit)
{
    return unit == " g" ? twoDecimals(value) : Decimal(value);
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

std::optional<double> ParseDecimal(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    int digits = 0;
    int decimals = 0;
    bool point = false;
    std::uint64_t mantissa = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            ++digits;
            decimals += point ? 1 : 0;
            mantissa = digits <= 15 ? mantissa * 10 + static_cast<std::uint64_t>(c - '0') : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (digits <= 15) {
        // Both exact in a double, so the quotient is the correctly rounded
        // decimal, as from_chars gives it, without its cost in a batch.
        static constexpr double powers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        return static_cast<double>(mantissa) / powers[decimals];
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt; // out of range: a thousand digits
    }
    return value;
}

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

std::string Decimal(double value)
{
    std::string out = twoDecimals(value);
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') {
            out.pop_back();
        }
    }
    return out;
}

} // namespace lookup
