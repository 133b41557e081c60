// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pictures {

/// The largest picture any face shows: width × height at most this. A
/// header may lie, and a browser has no allocation limit of its own.
inline constexpr std::uint64_t maxPixels = 50'000'000;

/// The most of a file `ReadHeaderFile` reads: a JPEG's size may come after
/// its EXIF and other segments.
inline constexpr std::size_t headerReadLimit = 256 * 1024;

enum class Format { None, Jpeg, Png, Webp };

/// The format's short name, as image readers know it ("jpeg"); empty for None.
const char* FormatName(Format format);

/// Why a file is not shown. `ProblemText` words each for a person.
enum class Problem {
    None,
    Empty,       ///< "an empty file"
    Truncated,   ///< "the picture's header is cut short"
    Damaged,     ///< "a damaged picture header"
    NotPicture,  ///< "not a JPEG, PNG or WebP picture" (SVG, text, GIF, ...)
    Heic,        ///< "HEIC photos are not supported"
    ZeroSize,    ///< "a picture without width or height"
    TooLarge,    ///< "over 50 megapixels"
    NoSizeFound, ///< "no picture size in the first 256 KB"
    WrongName,   ///< "a picture, but not named .jpg, .jpeg, .png or .webp"
    Folder,      ///< "a folder, not a picture"
    NotRegular,  ///< "not a regular file" (a named pipe, a device, a socket)
    LinkOutside, ///< "a link to a file outside images/"
    LinkLoop,    ///< "a link loop"
    LinkBroken,  ///< "a link to nothing"
    Unreadable   ///< "cannot be read" (the system's reason follows in `Header::problem`)
};

/// A person's words for `problem`; empty for `Problem::None`.
std::string_view ProblemText(Problem problem);

/// What a file's first bytes say.
struct Header {
    Format format = Format::None;
    std::uint32_t width = 0; ///< pixels, as stored (EXIF orientation not applied)
    std::uint32_t height = 0;
    Problem kind = Problem::None;
    /// `ProblemText(kind)`, with details where there are some ("cannot be
    /// read: Permission denied", "over 50 megapixels (30000 × 30000)");
    /// empty when the picture can be shown.
    std::string problem;

    [[nodiscard]] bool ok() const { return kind == Problem::None; }
};

/// A `Header` with `kind` and its text, plus `detail` after ": " if given.
Header Refused(Problem kind, std::string_view detail = {});

/// Reads the pixel size from the start of a JPEG (markers walked to the
/// first SOFn, APPn and other segments skipped), PNG (IHDR) or WebP (VP8,
/// VP8L, VP8X) without decoding anything. `bytes` is the file's start;
/// `whole` says it is the entire file (otherwise a size not found in it is
/// `NoSizeFound` rather than `Truncated`). Refuses HEIC/HEIF, anything else,
/// zero sizes and pictures over `maxPixels`.
Header ReadHeader(std::span<const unsigned char> bytes, bool whole = true);

/// `ReadHeader` on the file at `path`, reading at most `headerReadLimit`
/// bytes. Opens without following a final symbolic link and without
/// waiting (a named pipe is refused as `NotRegular`, never read).
Header ReadHeaderFile(const std::string& path);

/// `ReadHeader` on an open regular file `fd` of `size` bytes, from its
/// start, reading at most `headerReadLimit` bytes (a few KB for most).
Header ReadHeaderFd(int fd, std::uint64_t size);

} // namespace pictures
