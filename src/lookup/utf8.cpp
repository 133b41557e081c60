// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup/utf8.h"

#include <cstddef>

namespace lookup {

namespace {

/// Length of the well-formed sequence starting at `i`, or 0 when it is not.
std::size_t sequenceLength(std::string_view s, std::size_t i)
{
    const auto byte = [&s](std::size_t at) { return static_cast<unsigned char>(s[at]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        return 1;
    }
    std::size_t n = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        if (b0 == 0xE0) {
            lo = 0xA0; // no overlongs
        } else if (b0 == 0xED) {
            hi = 0x9F; // no surrogates
        }
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        if (b0 == 0xF0) {
            lo = 0x90;
        } else if (b0 == 0xF4) {
            hi = 0x8F; // nothing above U+10FFFF
        }
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    const unsigned char b1 = byte(i + 1);
    if (b1 < lo || b1 > hi) {
        return 0;
    }
    for (std::size_t k = 2; k < n; ++k) {
        const unsigned char b = byte(i + k);
        if (b < 0x80 || b > 0xBF) {
            return 0;
        }
    }
    return n;
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = sequenceLength(text, i);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}

void MakeValidUtf8(std::string& text)
{
    if (IsValidUtf8(text)) {
        return;
    }
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = sequenceLength(text, i);
        if (n == 0) {
            out.append("\xEF\xBF\xBD");
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    text.swap(out);
}

} // namespace lookup
