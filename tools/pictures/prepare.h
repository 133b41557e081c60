// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// What rovadod-pictures does: the index of `images/` and a small copy of
/// each picture for phones, written in `images/.rovadod/`. Only that
/// folder is ever written; the keeper's pictures are only read.
namespace picturetool {

/// The long side of a small copy, in pixels, and the most bytes it may take.
inline constexpr int smallSide = 480;
inline constexpr std::int64_t smallBytes = 60 * 1024;
/// The decoder's allocation limit (Qt's image readers), in MB.
inline constexpr int allocationLimitMb = 256;

/// A file in `images/` that has no small copy, and why.
struct NotPrepared {
    std::string name;
    std::string reason;
};

struct Report {
    /// False when nothing could be done: no folder, or nothing writable.
    bool worked = false;
    std::string problem;                  ///< why not, or a write that failed part way
    int made = 0;                         ///< small copies made (new or changed pictures)
    int kept = 0;                         ///< pictures unchanged since the last run
    int removed = 0;                      ///< copies of pictures that are gone
    std::vector<NotPrepared> notPrepared; ///< in name order
};

/// Prepares `dir`/images. Small copies are made on every core.
Report Prepare(const std::string& dir);

} // namespace picturetool
