// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>
#include <vector>

/// Where coin tickets go on paper. Plain arithmetic in millimetres, no
/// painting, so a print dialog, a PDF writer and a web page place them alike.
namespace answer {

enum class Paper { A4, Letter };

struct Size {
    double width = 0;
    double height = 0;
};
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

/// Width and height of `paper` in mm, portrait.
Size PaperSize(Paper paper);

/// "a4" or "letter", ignoring case.
std::optional<Paper> ParsePaper(std::string_view name);

/// Bounds of a ticket's side, in mm: smaller is unreadable, larger no
/// longer fits A4 or Letter with its margins.
inline constexpr double minTicketSide = 20;
inline constexpr double maxTicketSide = 150;
inline constexpr double defaultTicketSide = 50;

/// A ticket side as a collector gives it, in mm: a number with "mm" or
/// "in" ("50mm", "2in", "1.5in"), within the bounds above; nothing for
/// anything else.
std::optional<double> ParseTicketSide(std::string_view text);

/// The blank edge of every page, in mm; cut marks are drawn in it.
inline constexpr double pageMargin = 10;

/// The ticket rectangles of one page, in mm from its top left corner.
using Page = std::vector<Rect>;

/// `count` square tickets of side `side` mm on `paper`: a grid of as many
/// columns and rows as fit inside the margins, centred, filled row by row,
/// then page by page. No pages for no tickets, or when not one fits.
std::vector<Page> TicketPages(Size paper, double side, int count, double margin = pageMargin);

} // namespace answer
