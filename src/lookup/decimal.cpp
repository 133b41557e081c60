// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup/decimal.h"

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <locale>
#include <sstream>

namespace lookup {

namespace {

constexpr double powers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

/// A stream in the classic locale, made once per thread: making one for
/// every number would cost more than the number.
std::ostringstream& classicStream()
{
    thread_local std::ostringstream stream = [] {
        std::ostringstream s;
        s.imbue(std::locale::classic());
        return s;
    }();
    stream.str(std::string());
    stream.clear();
    return stream;
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
        // decimal, without a stream's cost in a batch of millions.
        return static_cast<double>(mantissa) / powers[decimals];
    }
    // Rare: a long number, read by the classic locale's correctly rounding
    // reader.
    std::istringstream in(std::string(text.starts_with('.') ? "0" : "") + std::string(text));
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    if (in.fail() || in.peek() != std::char_traits<char>::eof() || !std::isfinite(value)) {
        return std::nullopt; // out of range: a thousand digits
    }
    return value;
}

namespace {

/// The exact product of `a` and `b` as `high` + `low` (Dekker's), without
/// fma, which WebAssembly has no instruction for and x86-64 calls out to.
void exactProduct(double a, double b, double& high, double& low)
{
    constexpr double split = 134217729.0; // 2^27 + 1
    high = a * b;
    const double ta = split * a;
    const double aHigh = ta - (ta - a);
    const double aLow = a - aHigh;
    const double tb = split * b;
    const double bHigh = tb - (tb - b);
    const double bLow = b - bHigh;
    const double first = aHigh * bHigh - high;
    const double second = first + aHigh * bLow;
    const double third = second + aLow * bHigh;
    low = third + aLow * bLow;
}

} // namespace

std::string FixedDecimals(double value, int decimals)
{
    decimals = decimals < 0 ? 0 : (decimals > 9 ? 9 : decimals);
    const double scale = powers[decimals];
    const double magnitude = std::fabs(value);
    // Below 2^51 the scaled value and its neighbours are exact integers in a
    // double. The scaled value is `high` + `low` exactly; near a rounding
    // point the difference from it is exact too, so the sign of that
    // difference plus `low` says on which side the binary value lies.
    if (std::isfinite(value) && magnitude * scale < 0x1p51) {
        double high = 0;
        double low = 0;
        exactProduct(magnitude, scale, high, low);
        auto n = static_cast<std::int64_t>(high);
        if ((high - static_cast<double>(n)) + low < 0) {
            --n;
        } else if ((high - static_cast<double>(n + 1)) + low >= 0) {
            ++n;
        }
        const double half = (high - (static_cast<double>(n) + 0.5)) + low;
        if (half > 0 || (half == 0 && n % 2 != 0)) {
            ++n;
        }
        // The digits, then the point put in: one string made, as a batch
        // writes millions of these.
        char digits[40];
        char* end = digits + sizeof digits;
        char* at = end;
        for (int k = 0; k <= decimals || n > 0; ++k) {
            if (k == decimals && decimals > 0) {
                *--at = '.';
            }
            *--at = static_cast<char>('0' + n % 10);
            n /= 10;
        }
        if (std::signbit(value)) {
            *--at = '-';
        }
        return {at, end};
    }
    std::ostringstream& out = classicStream();
    out << std::fixed << std::setprecision(decimals) << value;
    return out.str();
}

std::string Decimal(double value)
{
    std::string out = FixedDecimals(value, 2);
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') {
            out.pop_back();
        }
    }
    return out;
}

std::string General(double value, int precision)
{
    std::ostringstream& out = classicStream();
    out << std::defaultfloat << std::setprecision(precision) << value;
    return out.str();
}

} // namespace lookup
