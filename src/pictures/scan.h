// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/header.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictures {

/// One entry of the picture folder.
struct File {
    std::string name;         ///< the name in the folder, no path
    std::uint64_t bytes = 0;  ///< size of the file (of the link's target for a link)
    std::int64_t mtimeNs = 0; ///< modification time, ns since 1970
    bool pictureName = false; ///< `IsPictureName(name)`
    /// The pixel size, or why the file cannot be shown: a bad or refused
    /// header, a folder named like a picture, a named pipe, a link out of
    /// the folder or in a loop, a name that is not a picture's.
    Header header;

    /// A picture a face may show: a picture name and a good header.
    [[nodiscard]] bool usable() const { return pictureName && header.ok(); }
};

struct Scan {
    bool found = false;      ///< the folder exists and could be listed
    std::string problem;     ///< why not, when it exists but cannot be listed
    std::vector<File> files; ///< sorted by name (bytes)
};

/// The picture folder beside the catalogue at `cataloguePath`: "images" for
/// "ptolemy.csv", "/a/b/images" for "/a/b/ptolemy.csv".
std::string FolderBeside(const std::string& cataloguePath);

/// Lists `folder` (not its subfolders) without blocking or following
/// anything out of it. Names beginning with '.' are skipped, and so are
/// folders not named like a picture; every other entry is listed, with its
/// header read from at most `headerReadLimit` bytes. A symbolic link counts
/// as its target if that lies inside the folder. A folder that does not
/// exist is `found == false` with no problem.
Scan ScanFolder(const std::string& folder);

} // namespace pictures
