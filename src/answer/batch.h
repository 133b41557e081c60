// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/read.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Batch files: a tray of coins, one a line, tab-separated values as a
/// spreadsheet exports them.
namespace answer {

/// The longest batch line read, in bytes. Eleven values are far shorter; a
/// longer line is passed over, not kept, and is a bad line.
inline constexpr std::size_t maxBatchLine = 64 * 1024;

/// One line of a batch file.
struct BatchLine {
    enum class Kind { Skip, Coin, Bad };
    Kind kind = Kind::Skip;
    lookup::Query query;           ///< for a coin
    std::optional<std::string> id; ///< for a coin, when the header names an id column
    std::string problem;           ///< for a bad line
};

/// A batch file's first line when it names its columns: what each value
/// of the later lines is.
struct BatchHeader {
    static constexpr int id = valueColumns; ///< the collector's own number
    static constexpr int ignored = -1;
    std::vector<int> columns;         ///< per value: a column, `id` or `ignored`
    std::vector<std::string> unknown; ///< names it does not understand, as written
    [[nodiscard]] bool hasIds() const;
};

/// The header that `line` is, when any of its values is a column name or
/// "id" (ignoring case and spaces around), as a spreadsheet exports it. No
/// list entry's text is such a word.
std::optional<BatchHeader> ParseBatchHeader(std::string_view line);

/// Reads a batch line: tab-separated values in the header's columns, or
/// without one up to `valueColumns` in option order, each as on the command
/// line, an empty or missing one meaning "any". Blank lines and comments
/// ("#" first and no number after it, "# tray 2") are skipped; "#3" or "# 3"
/// first is a position, good or bad.
BatchLine ParseBatchLine(std::string_view line, const BatchHeader* header = nullptr);

/// Reads a batch's lines one by one as they come, the first line that is
/// not skipped perhaps its header, so a file, a pipe or a page's text is
/// read alike.
class BatchReader {
public:
    struct Read {
        enum class Kind { Skip, Header, Coin, Bad };
        Kind kind = Kind::Skip;
        BatchLine line; ///< a coin or a bad line
    };
    /// The batch's next line, without its line end.
    Read next(std::string_view line);
    /// The header, once one was read.
    [[nodiscard]] const std::optional<BatchHeader>& header() const { return header_; }

private:
    std::optional<BatchHeader> header_;
    bool first_ = true;
    bool atStart_ = true;
};

/// What `ReadBatchFile` hands on as it reads.
struct BatchEvents {
    /// Each coin with its line in the file, in file order.
    std::function<void(BatchLine&& coin, std::int64_t line)> coin;
    /// The header, once read.
    std::function<void(const BatchHeader& header)> header;
    /// Each problem, as "PATH:LINE: what"; `bad` for a line that was not
    /// read (not for a header's unknown column or a read error).
    std::function<void(const std::string& problem, bool bad)> complain;
};

/// Reads the batch file open at `fd` line by line as it comes (a pipe too):
/// lines longer than `maxBatchLine` are passed over and reported, a header's
/// unknown columns reported once, bad lines reported, each coin handed on.
/// False when the file failed part way, which is reported too ("cannot read
/// PATH: read error after line N").
bool ReadBatchFile(int fd, std::string_view path, const BatchEvents& events);

/// `ReadBatchFile` of a file holding `bytes`, read where they are.
bool ReadBatchBytes(std::string_view bytes, std::string_view path, const BatchEvents& events);

} // namespace answer
