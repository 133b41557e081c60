// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/answer.h"

#include <functional>
#include <string>
#include <string_view>

/// rovadod-find's batch files: read from a file descriptor line by line, as
/// they come, each coin answered and written at once.
namespace finder {

/// How a batch went, besides its output.
struct BatchResult {
    bool read = true;     ///< false when the file failed part way
    int badLines = 0;     ///< lines reported as bad
    bool printed = false; ///< an entry was written
};

/// Answers every coin of the batch file open at `fd` from `catalogue` as it
/// is read (a pipe as it comes), each with `shared`'s near and tolerance.
/// Writes the output through `write` as it comes, closed as a whole document
/// also after a read error, and each problem as "PATH:LINE: what" through
/// `complain`. Each answer also goes to `each` when given (for tickets), in
/// batch order. Answers carry `pictures` (the catalogue's) when given.
BatchResult AnswerBatch(const catalogue::View& catalogue, int fd, std::string_view path,
                        const lookup::Query& shared, bool counts, answer::Format format,
                        const std::function<void(std::string_view)>& write,
                        const std::function<void(const std::string&)>& complain,
                        const std::function<void(const answer::Answer&)>& each = {},
                        const answer::Pictures* pictures = nullptr);

} // namespace finder
