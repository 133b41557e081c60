// SPDX-License-Identifier: GPL-3.0-or-later
#include "sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <langinfo.h>
#include <locale.h>

namespace print {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

/// A plain decimal number, "50" or "1.5"; nothing else.
std::optional<double> decimal(std::string_view text)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view part =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    // Long enough for any sane length, short enough never to overflow.
    if (whole.size() + part.size() == 0 || whole.size() > 6 || part.size() > 6 || !digits(whole) ||
        !digits(part) || (point != std::string_view::npos && part.empty())) {
        return std::nullopt;
    }
    double value = 0;
    for (const char c : whole) {
        value = value * 10 + (c - '0');
    }
    double scale = 1;
    for (const char c : part) {
        scale /= 10;
        value += (c - '0') * scale;
    }
    return value;
}

} // namespace

QSizeF PaperSize(Paper paper)
{
    return paper == Paper::Letter ? QSizeF(215.9, 279.4) : QSizeF(210, 297);
}

Paper LocalePaper()
{
#if defined(__GLIBC__)
    // The environment's LC_PAPER, read without touching the process's locale.
    const locale_t locale = ::newlocale(LC_PAPER_MASK, "", nullptr);
    if (locale == nullptr) {
        return Paper::A4;
    }
    // glibc hands these numbers back in the pointer itself.
    const auto number = [locale](nl_item item) {
        return static_cast<unsigned>(
            reinterpret_cast<std::uintptr_t>(::nl_langinfo_l(item, locale)));
    };
    const unsigned width = number(_NL_PAPER_WIDTH);
    const unsigned height = number(_NL_PAPER_HEIGHT);
    ::freelocale(locale);
    return width == 216 && height == 279 ? Paper::Letter : Paper::A4;
#else
    return Paper::A4;
#endif
}

std::optional<Paper> ParsePaper(std::string_view name)
{
    if (equalsIgnoringCase(name, "a4")) {
        return Paper::A4;
    }
    if (equalsIgnoringCase(name, "letter")) {
        return Paper::Letter;
    }
    return std::nullopt;
}

std::optional<double> ParseTicketSide(std::string_view text)
{
    double perUnit = 0;
    if (text.size() > 2 && equalsIgnoringCase(text.substr(text.size() - 2), "mm")) {
        perUnit = 1;
    } else if (text.size() > 2 && equalsIgnoringCase(text.substr(text.size() - 2), "in")) {
        perUnit = 25.4;
    } else {
        return std::nullopt;
    }
    std::string_view number = text.substr(0, text.size() - 2);
    if (number.ends_with(' ')) {
        number.remove_suffix(1); // "50 mm"
    }
    const std::optional<double> value = decimal(number);
    if (!value) {
        return std::nullopt;
    }
    const double side = *value * perUnit;
    if (side < minTicketSide || side > maxTicketSide) {
        return std::nullopt;
    }
    return side;
}

std::vector<Page> TicketPages(QSizeF paper, double side, int count, double margin)
{
    std::vector<Page> pages;
    if (count <= 0 || !(side > 0)) {
        return pages;
    }
    const QSizeF room(paper.width() - 2 * margin, paper.height() - 2 * margin);
    // The small allowance keeps a ticket that fits exactly (4 x 47.5 mm in
    // 190 mm) from being lost to rounding.
    const int columns = static_cast<int>(std::floor(room.width() / side + 1e-9));
    const int rows = static_cast<int>(std::floor(room.height() / side + 1e-9));
    if (columns <= 0 || rows <= 0) {
        return pages;
    }
    const double left = margin + (room.width() - columns * side) / 2;
    const double top = margin + (room.height() - rows * side) / 2;
    const int perPage = columns * rows;
    for (int k = 0; k < count; ++k) {
        const int onPage = k % perPage;
        if (onPage == 0) {
            pages.emplace_back();
            pages.back().reserve(static_cast<std::size_t>(std::min(perPage, count - k)));
        }
        pages.back().emplace_back(left + (onPage % columns) * side, top + (onPage / columns) * side,
                                  side, side);
    }
    return pages;
}

} // namespace print
