// SPDX-License-Identifier: GPL-3.0-or-later
#include "sheet.h"

#include <cstdint>
#include <langinfo.h>
#include <locale.h>

namespace print {

QSizeF PaperSize(Paper paper)
{
    const answer::Size size = answer::PaperSize(paper);
    return {size.width, size.height};
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

std::vector<Page> TicketPages(QSizeF paper, double side, int count, double margin)
{
    std::vector<Page> pages;
    for (const answer::Page& placed :
         answer::TicketPages({paper.width(), paper.height()}, side, count, margin)) {
        Page& page = pages.emplace_back();
        page.reserve(placed.size());
        for (const answer::Rect& r : placed) {
            page.emplace_back(r.x, r.y, r.width, r.height);
        }
    }
    return pages;
}

} // namespace print
