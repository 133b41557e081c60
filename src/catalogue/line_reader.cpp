// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/line_reader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace catalogue {

namespace {
constexpr std::size_t bufferSize = 256 * 1024;
}

LineReader::LineReader(int fd, std::size_t maxLine)
    : fd_(fd), maxLine_(maxLine), buf_(bufferSize), data_(buf_.data())
{
}

// Bytes in memory are one buffer already filled, with nothing after it.
LineReader::LineReader(std::string_view bytes, std::size_t maxLine)
    : maxLine_(maxLine), data_(bytes.data()), end_(bytes.size()), eof_(true)
{
}

bool LineReader::fill()
{
    pos_ = 0;
    end_ = 0;
    for (;;) {
        const ssize_t got = ::read(fd_, buf_.data(), buf_.size());
        if (got > 0) {
            end_ = static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) {
            eof_ = true;
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

LineReader::Result LineReader::next(std::string& line)
{
    line.clear();
    bool any = false;  // a line exists once a byte or a terminator is seen
    bool over = false; // the line passed the maximum: the rest is skipped
    // Keeps what fits below the maximum; past it, nothing more.
    const auto keep = [&](const char* start, std::size_t n) {
        if (!over && n > maxLine_ - line.size()) {
            over = true;
            line.clear();
            line.shrink_to_fit();
        }
        if (!over) {
            line.append(start, n);
        }
    };
    for (;;) {
        if (pos_ == end_) {
            if (eof_) {
                if (!any) {
                    return Result::End;
                }
                return over ? Result::TooLong : Result::Line;
            }
            if (!fill()) {
                return Result::Error;
            }
            continue;
        }
        if (skipLF_) {
            skipLF_ = false;
            if (data_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        const char* start = data_ + pos_;
        const std::size_t avail = end_ - pos_;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', avail));
        const std::size_t scan = lf ? static_cast<std::size_t>(lf - start) : avail;
        const auto* cr = static_cast<const char*>(std::memchr(start, '\r', scan));
        const char* stop = cr ? cr : lf;
        if (!stop) {
            keep(start, avail);
            pos_ = end_;
            any = true;
            continue;
        }
        keep(start, static_cast<std::size_t>(stop - start));
        pos_ += static_cast<std::size_t>(stop - start) + 1;
        skipLF_ = (*stop == '\r');
        return over ? Result::TooLong : Result::Line;
    }
}

} // namespace catalogue
