// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/sheet.h"

#include <QRectF>
#include <QSizeF>

#include <vector>

/// Where coin tickets go on paper, in Qt's types for painting: the
/// arithmetic is the answer library's, so a web page places them alike.
namespace print {

using answer::defaultTicketSide;
using answer::maxTicketSide;
using answer::minTicketSide;
using answer::pageMargin;
using answer::Paper;
using answer::ParsePaper;
using answer::ParseTicketSide;

/// Width and height of `paper` in mm, portrait.
QSizeF PaperSize(Paper paper);

/// The paper the user's locale prints on (glibc's LC_PAPER): Letter for a
/// 216 x 279 mm locale, A4 otherwise, also when the locale says nothing.
Paper LocalePaper();

/// The ticket rectangles of one page, in mm from its top left corner.
using Page = std::vector<QRectF>;

/// `answer::TicketPages` in Qt's types.
std::vector<Page> TicketPages(QSizeF paper, double side, int count, double margin = pageMargin);

} // namespace print
