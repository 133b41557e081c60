// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pictures {

/// The index `rovadod-pictures` writes and a site's page reads, because a
/// web server cannot list a folder: `images/.rovadod/index.tsv`. UTF-8,
/// lines ended by LF, fields by a tab:
///
///   rovadod-pictures-index 1 (the header line, exactly)
///   NAME WIDTH HEIGHT BYTES MTIME SMALL SMALL_WIDTH SMALL_HEIGHT
///
/// NAME is the picture's file name in `images/`; WIDTH and HEIGHT its pixel
/// size as a browser shows it (turned upright by its EXIF orientation);
/// BYTES its byte size and MTIME its modification time in ns since 1970 (both to tell a changed
/// picture); SMALL the name of its small copy in `images/.rovadod/`, with its pixel size, or three
/// empty fields when it has none. Numbers are plain decimal digits (MTIME may start with '-').
inline constexpr std::string_view indexPath = ".rovadod/index.tsv"; ///< inside `images/`
inline constexpr std::string_view indexHeader = "rovadod-pictures-index 1";
/// The most of an index the reader takes.
inline constexpr std::size_t indexReadLimit = 64 * 1024 * 1024;

struct IndexEntry {
    std::string name;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t bytes = 0;
    std::int64_t mtimeNs = 0;
    std::string small; ///< empty: no small copy
    std::uint32_t smallWidth = 0;
    std::uint32_t smallHeight = 0;

    bool operator==(const IndexEntry&) const = default;
};

/// The index's text for `entries`, in their order. An entry that could not
/// be read back (a name with a tab or a control character, '/' or a leading
/// '.'; a size of zero or over `maxPixels`) is left out.
std::string WriteIndex(const std::vector<IndexEntry>& entries);

struct Index {
    bool ok = false; ///< the header line was there
    std::vector<IndexEntry> entries;
    std::int64_t skipped = 0; ///< lines that were not good entries
};

/// Reads an index's text (a CR before each LF is allowed). A line that is
/// not a good entry is skipped: wrong number of fields, a number that is
/// not plain digits or too large, a size of zero or over `maxPixels`, a
/// name that `WriteIndex` would not write, a name already read. A bad
/// small copy leaves the entry without one.
Index ReadIndex(std::string_view text);

/// `ReadIndex` of the file at `path`, reading at most `indexReadLimit`
/// bytes of a regular file and never waiting on a named pipe.
Index ReadIndexFile(const std::string& path);

} // namespace pictures
