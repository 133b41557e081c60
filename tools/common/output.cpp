// SPDX-License-Identifier: GPL-3.0-or-later
#include "output.h"

#include <cstdio>

namespace cli {

void Output::write(std::string_view text)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        failed_ = true;
    }
}

bool Output::finish()
{
    // ferror as well: a failed write the buffer hid may have set it.
    const bool flushed = std::fflush(stdout) == 0;
    return flushed && !failed_ && !std::ferror(stdout);
}

} // namespace cli
