// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/sheet.h"

#include "lookup/decimal.h"
#include "vocab/values.h"

#include <algorithm>
#include <cmath>

namespace answer {

Size PaperSize(Paper paper)
{
    return paper == Paper::Letter ? Size{215.9, 279.4} : Size{210, 297};
}

std::optional<Paper> ParsePaper(std::string_view name)
{
    if (vocab::EqualsIgnoringCase(name, "a4")) {
        return Paper::A4;
    }
    if (vocab::EqualsIgnoringCase(name, "letter")) {
        return Paper::Letter;
    }
    return std::nullopt;
}

std::optional<double> ParseTicketSide(std::string_view text)
{
    double perUnit = 0;
    if (text.size() > 2 && vocab::EqualsIgnoringCase(text.substr(text.size() - 2), "mm")) {
        perUnit = 1;
    } else if (text.size() > 2 && vocab::EqualsIgnoringCase(text.substr(text.size() - 2), "in")) {
        perUnit = 25.4;
    } else {
        return std::nullopt;
    }
    std::string_view number = text.substr(0, text.size() - 2);
    if (number.ends_with(' ')) {
        number.remove_suffix(1); // "50 mm"
    }
    // Digits on both sides of a point, no other spaces: "50.mm" and " 50mm"
    // are slips, not lengths.
    if (number.empty() || number.front() == ' ' || number.back() == ' ' || number.back() == '.') {
        return std::nullopt;
    }
    const std::optional<double> value = lookup::ParseDecimal(number);
    if (!value) {
        return std::nullopt;
    }
    const double side = *value * perUnit;
    if (side < minTicketSide || side > maxTicketSide) {
        return std::nullopt;
    }
    return side;
}

std::vector<Page> TicketPages(Size paper, double side, int count, double margin)
{
    std::vector<Page> pages;
    if (count <= 0 || !(side > 0)) {
        return pages;
    }
    const Size room{paper.width - 2 * margin, paper.height - 2 * margin};
    // The small allowance keeps a ticket that fits exactly (4 x 47.5 mm in
    // 190 mm) from being lost to rounding.
    const int columns = static_cast<int>(std::floor(room.width / side + 1e-9));
    const int rows = static_cast<int>(std::floor(room.height / side + 1e-9));
    if (columns <= 0 || rows <= 0) {
        return pages;
    }
    const double left = margin + (room.width - columns * side) / 2;
    const double top = margin + (room.height - rows * side) / 2;
    const int perPage = columns * rows;
    for (int k = 0; k < count; ++k) {
        const int onPage = k % perPage;
        if (onPage == 0) {
            pages.emplace_back();
            pages.back().reserve(static_cast<std::size_t>(std::min(perPage, count - k)));
        }
        pages.back().push_back(
            {left + (onPage % columns) * side, top + (onPage / columns) * side, side, side});
    }
    return pages;
}

} // namespace answer
