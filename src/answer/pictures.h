// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"
#include "pictures/header.h"
#include "pictures/index.h"
#include "pictures/scan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace answer {

/// One picture of an entry, as every face names and finds it.
struct Picture {
    std::string path;             ///< relative to the catalogue's folder: "images/412-obverse.jpg"
    std::string label;            ///< what a screen reader calls it: "412 obverse"
    std::string small;            ///< its current small copy, "images/.rovadod/…"; empty: none
    std::uint32_t smallWidth = 0; ///< the small copy's pixel size, when there is one
    std::uint32_t smallHeight = 0;
    std::uint64_t bytes = 0;
    std::int64_t mtimeNs = 0;
    pictures::Header header; ///< pixel size, or why it cannot be shown

    [[nodiscard]] bool usable() const { return header.ok(); }
};

/// The pictures of every entry of one catalogue.
struct Pictures {
    /// The catalogue's folder with its '/', which `Picture::path` is
    /// relative to; empty for the current folder.
    std::string base;
    std::vector<std::vector<Picture>> byEntry;

    /// Entry `entry`'s pictures in showing order, those that cannot be
    /// shown included; none for an entry out of range.
    [[nodiscard]] const std::vector<Picture>& of(int entry) const;
    /// `base` + `path`: where the file is.
    [[nodiscard]] std::string where(const std::string& path) const { return base + path; }
};

/// Assigns `scan` (of the folder beside the catalogue at `cataloguePath`)
/// to `catalogue`'s entries: every file named like a picture, also one that
/// cannot be shown, so that a face can say why. A small copy of `index`
/// (`images/.rovadod/index.tsv`) counts only while the index describes the
/// picture as it is now (same size and time).
Pictures AssignPictures(const pictures::Scan& scan, const std::string& cataloguePath,
                        const catalogue::View& catalogue, const pictures::Index& index = {});

/// The pictures a site publishes, for `catalogue`'s entries: a web page
/// cannot list a folder, so the index (`images/.rovadod/index.tsv`) is the
/// list of pictures. The same rule, order and labels as `AssignPictures`;
/// paths are relative to the site ("images/NAME", the small copy
/// "images/.rovadod/SMALL"), sizes the index's. An entry without a size or
/// over `pictures::maxPixels` is left out altogether, as `ReadIndex` leaves
/// out such a line: it is never shown and takes no label's number.
Pictures PicturesFromIndex(const pictures::Index& index, const catalogue::View& catalogue);

/// Scans the folder beside the catalogue at `cataloguePath` (and its index)
/// and assigns it to `catalogue`'s entries.
Pictures PicturesOf(const std::string& cataloguePath, const catalogue::View& catalogue);

/// The paths of entry `entry`'s pictures that can be shown, in order.
std::vector<std::string> ShownPaths(const Pictures& pictures, int entry);

} // namespace answer
