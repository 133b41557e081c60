// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

/// What both fuzzers need: a broken invariant that stops the run, and a
/// file in memory that the code under test opens or reads as any other,
/// without touching the disk once per input.
namespace fuzzsupport {

inline void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

class MemoryFile {
public:
    explicit MemoryFile(const char* name) : fd_(::memfd_create(name, MFD_CLOEXEC))
    {
        require(fd_ >= 0, "memfd_create");
    }

    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

    /// Makes `data` the whole file, read from its start.
    void replace(const std::uint8_t* data, std::size_t size) const
    {
        require(::ftruncate(fd_, 0) == 0, "ftruncate");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            require(n > 0, "pwrite");
            done += static_cast<std::size_t>(n);
        }
        require(::lseek(fd_, 0, SEEK_SET) == 0, "lseek");
    }

private:
    int fd_;
};

} // namespace fuzzsupport
