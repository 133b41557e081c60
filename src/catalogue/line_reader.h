#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace catalogue {

/// Reads lines from an open file descriptor. A line ends at LF, CR or CR LF;
/// the terminator is not part of the line, and a last line without one is
/// still a line. Bytes are passed through untouched.
class LineReader {
public:
    enum class Result { Line, End, Error };

    explicit LineReader(int fd);

    /// Stores the next line in `line`. `Error` when the file cannot be read
    /// (a directory, an I/O fault); `End` when no line is left.
    Result next(std::string& line);

private:
    /// Refills the buffer; false on a read error.
    bool fill();

    int fd_;
    std::vector<char> buf_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    // A CR ended the last line; an LF right after it belongs to that CR.
    bool skipLF_ = false;
};

} // namespace catalogue
