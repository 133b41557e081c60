// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/header.h"

#include "catalogue/catalogue.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pictures {

namespace {

using Bytes = std::span<const unsigned char>;

std::uint32_t be16(Bytes b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) << 8 | b[at + 1];
}

std::uint32_t be32(Bytes b, std::size_t at)
{
    return be16(b, at) << 16 | be16(b, at + 2);
}

std::uint32_t le16(Bytes b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at + 1]) << 8 | b[at];
}

std::uint32_t le24(Bytes b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at + 2]) << 16 | le16(b, at);
}

bool startsWith(Bytes b, std::string_view text, std::size_t at = 0)
{
    if (b.size() < at + text.size()) {
        return false;
    }
    return std::equal(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char c, unsigned char u) { return static_cast<unsigned char>(c) == u; });
}

/// True when `b` is shorter than `text` and could still grow into it.
bool couldStartWith(Bytes b, std::string_view text, std::size_t at = 0)
{
    if (b.size() >= at + text.size()) {
        return false;
    }
    if (b.size() <= at) {
        return true;
    }
    return startsWith(b, text.substr(0, b.size() - at), at);
}

Header sized(Format format, std::uint32_t width, std::uint32_t height)
{
    if (width == 0 || height == 0) {
        return Refused(Problem::ZeroSize);
    }
    if (static_cast<std::uint64_t>(width) * height > maxPixels) {
        Header h = Refused(Problem::TooLarge);
        h.problem += " (" + std::to_string(width) + " × " + std::to_string(height) + ")";
        h.format = format;
        h.width = width;
        h.height = height;
        return h;
    }
    Header h;
    h.format = format;
    h.width = width;
    h.height = height;
    return h;
}

Header cut(bool whole)
{
    return Refused(whole ? Problem::Truncated : Problem::NoSizeFound);
}

bool isSof(unsigned char marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

Header readJpeg(Bytes b, bool whole)
{
    std::size_t at = 2;
    while (true) {
        if (at >= b.size()) {
            return cut(whole);
        }
        if (b[at] != 0xFF) {
            return Refused(Problem::Damaged);
        }
        // Any number of 0xFF fill bytes may come before a marker.
        while (at < b.size() && b[at] == 0xFF) {
            ++at;
        }
        if (at >= b.size()) {
            return cut(whole);
        }
        const unsigned char marker = b[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue; // no length
        }
        if (marker == 0x00 || marker == 0xD8 || marker == 0xD9 || marker == 0xDA) {
            // Stuffing, a second start, the end or the scan before any frame.
            return Refused(Problem::Damaged);
        }
        if (at + 2 > b.size()) {
            return cut(whole);
        }
        const std::uint32_t length = be16(b, at);
        if (length < 2) {
            return Refused(Problem::Damaged);
        }
        if (isSof(marker)) {
            if (length < 7) {
                return Refused(Problem::Damaged);
            }
            if (at + 7 > b.size()) {
                return cut(whole);
            }
            return sized(Format::Jpeg, be16(b, at + 5), be16(b, at + 3));
        }
        at += length;
    }
}

Header readPng(Bytes b)
{
    if (b.size() < 24) {
        return Refused(Problem::Truncated);
    }
    if (!startsWith(b, "IHDR", 12) || be32(b, 8) != 13) {
        return Refused(Problem::Damaged);
    }
    const std::uint32_t width = be32(b, 16);
    const std::uint32_t height = be32(b, 20);
    // Sizes above 2^31 - 1 are not PNG; read as they are, they would be
    // refused as too large anyway.
    return sized(Format::Png, width, height);
}

Header readWebp(Bytes b)
{
    if (b.size() < 16) {
        return Refused(Problem::Truncated);
    }
    if (startsWith(b, "VP8 ", 12)) {
        if (b.size() < 30) {
            return Refused(Problem::Truncated);
        }
        if (b[23] != 0x9D || b[24] != 0x01 || b[25] != 0x2A) {
            return Refused(Problem::Damaged);
        }
        return sized(Format::Webp, le16(b, 26) & 0x3FFF, le16(b, 28) & 0x3FFF);
    }
    if (startsWith(b, "VP8L", 12)) {
        if (b.size() < 25) {
            return Refused(Problem::Truncated);
        }
        if (b[20] != 0x2F) {
            return Refused(Problem::Damaged);
        }
        const std::uint32_t bits =
            static_cast<std::uint32_t>(b[21]) | static_cast<std::uint32_t>(b[22]) << 8 |
            static_cast<std::uint32_t>(b[23]) << 16 | static_cast<std::uint32_t>(b[24]) << 24;
        return sized(Format::Webp, (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (startsWith(b, "VP8X", 12)) {
        if (b.size() < 30) {
            return Refused(Problem::Truncated);
        }
        return sized(Format::Webp, le24(b, 24) + 1, le24(b, 27) + 1);
    }
    return Refused(Problem::Damaged);
}

/// An ISO base media file whose brand is one of HEIF's, as phones save
/// photos: "ftyp" at 4 and the major brand at 8.
bool isHeif(Bytes b)
{
    if (!startsWith(b, "ftyp", 4) || b.size() < 12) {
        return false;
    }
    static constexpr std::array<std::string_view, 9> brands{"heic", "heix", "hevc", "hevx", "heim",
                                                            "heis", "hevm", "hevs", "mif1"};
    return std::any_of(brands.begin(), brands.end(),
                       [b](std::string_view brand) { return startsWith(b, brand, 8); });
}

constexpr std::string_view pngSignature = "\x89PNG\r\n\x1a\n";

} // namespace

std::string_view ProblemText(Problem problem)
{
    switch (problem) {
    case Problem::None:
        return {};
    case Problem::Empty:
        return "an empty file";
    case Problem::Truncated:
        return "the picture's header is cut short";
    case Problem::Damaged:
        return "a damaged picture header";
    case Problem::NotPicture:
        return "not a JPEG, PNG or WebP picture";
    case Problem::Heic:
        return "HEIC photos are not supported";
    case Problem::ZeroSize:
        return "a picture without width or height";
    case Problem::TooLarge:
        return "over 50 megapixels";
    case Problem::NoSizeFound:
        return "no picture size in the first 256 KB";
    case Problem::WrongName:
        return "a picture, but not named .jpg, .jpeg, .png or .webp";
    case Problem::Folder:
        return "a folder, not a picture";
    case Problem::NotRegular:
        return "not a regular file";
    case Problem::LinkOutside:
        return "a link to a file outside images/";
    case Problem::LinkLoop:
        return "a link loop";
    case Problem::LinkBroken:
        return "a link to nothing";
    case Problem::Unreadable:
        return "cannot be read";
    }
    return "cannot be read";
}

Header Refused(Problem kind, std::string_view detail)
{
    Header h;
    h.kind = kind;
    h.problem = std::string(ProblemText(kind));
    if (!detail.empty()) {
        h.problem += ": ";
        h.problem += detail;
    }
    return h;
}

Header ReadHeader(Bytes bytes, bool whole)
{
    if (bytes.empty()) {
        return Refused(whole ? Problem::Empty : Problem::Truncated);
    }
    if (startsWith(bytes, "\xFF\xD8")) {
        return readJpeg(bytes, whole);
    }
    if (startsWith(bytes, pngSignature)) {
        return readPng(bytes);
    }
    if (startsWith(bytes, "RIFF") && startsWith(bytes, "WEBP", 8)) {
        return readWebp(bytes);
    }
    if (isHeif(bytes)) {
        return Refused(Problem::Heic);
    }
    if (couldStartWith(bytes, "\xFF\xD8") || couldStartWith(bytes, pngSignature) ||
        (couldStartWith(bytes, "RIFF") ||
         (startsWith(bytes, "RIFF") && couldStartWith(bytes, "WEBP", 8)))) {
        return Refused(Problem::Truncated);
    }
    return Refused(Problem::NotPicture);
}

Header ReadHeaderFd(int fd, std::uint64_t size)
{
    // Most headers are in the first few KB; only a JPEG with large
    // segments before its frame needs more.
    constexpr std::size_t first = 4096;
    const std::size_t limit =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, headerReadLimit));
    std::vector<unsigned char> buffer(std::min(limit, first));
    std::size_t have = 0;
    auto fill = [&](std::size_t want) -> int {
        buffer.resize(want);
        while (have < want) {
            const ssize_t got =
                ::pread(fd, buffer.data() + have, want - have, static_cast<off_t>(have));
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            if (got == 0) {
                break; // shorter than when it was measured
            }
            have += static_cast<std::size_t>(got);
        }
        buffer.resize(have);
        return 0;
    };
    if (const int error = fill(buffer.size()); error != 0) {
        return Refused(Problem::Unreadable, catalogue::ErrorText(error));
    }
    Header h = ReadHeader(buffer, have >= size);
    if ((h.kind == Problem::NoSizeFound || h.kind == Problem::Truncated) && have < limit) {
        if (const int error = fill(limit); error != 0) {
            return Refused(Problem::Unreadable, catalogue::ErrorText(error));
        }
        h = ReadHeader(buffer, have >= size);
    }
    return h;
}

Header ReadHeaderFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP) {
            return Refused(Problem::NotRegular, "a symbolic link");
        }
        return Refused(Problem::Unreadable, catalogue::ErrorText(error));
    }
    struct stat info {};
    Header h;
    if (::fstat(fd, &info) != 0) {
        h = Refused(Problem::Unreadable, catalogue::ErrorText(errno));
    } else if (S_ISDIR(info.st_mode)) {
        h = Refused(Problem::Folder);
    } else if (!S_ISREG(info.st_mode)) {
        h = Refused(Problem::NotRegular);
    } else {
        h = ReadHeaderFd(fd, static_cast<std::uint64_t>(info.st_size));
    }
    ::close(fd);
    return h;
}

const char* FormatName(Format format)
{
    switch (format) {
    case Format::Jpeg:
        return "jpeg";
    case Format::Png:
        return "png";
    case Format::Webp:
        return "webp";
    case Format::None:
        break;
    }
    return "";
}

} // namespace pictures
