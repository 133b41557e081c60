// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

/// Reads lines from an open file descriptor or from bytes in memory, alike.
/// A line ends at LF, CR or CR LF; the terminator is not part of the line,
/// and a last line without one is still a line. Bytes are passed through
/// untouched.
class LineReader {
public:
    enum class Result { Line, End, Error, TooLong };

    static constexpr std::size_t noLimit = std::numeric_limits<std::size_t>::max();

    /// Lines longer than `maxLine` bytes are read to their end but not kept.
    explicit LineReader(int fd, std::size_t maxLine = noLimit);
    /// Reads `bytes` where they are, as a file holding them is read; they
    /// must outlive the reader.
    explicit LineReader(std::string_view bytes, std::size_t maxLine = noLimit);

    /// Stores the next line in `line`. `Error` when the file cannot be read
    /// (a directory, an I/O fault); `End` when no line is left; `TooLong`,
    /// with `line` empty, for a line longer than the maximum, which is
    /// passed over up to its terminator.
    Result next(std::string& line);

private:
    /// Refills the buffer; false on a read error.
    bool fill();

    int fd_ = -1;
    std::size_t maxLine_;
    std::vector<char> buf_;
    // What `next` scans: the buffer of a file, or the bytes themselves.
    const char* data_ = nullptr;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    // A CR ended the last line; an LF right after it belongs to that CR.
    bool skipLF_ = false;
};

} // namespace catalogue
