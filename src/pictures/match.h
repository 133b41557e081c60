// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/table.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// The keeper's pictures: which catalogue entry a file in `images/` belongs
/// to, in what order an entry's pictures show and what they are called,
/// their pixel sizes read from the file header, the folder's scan and the
/// index a site publishes. Plain C++, the same code on every face.
namespace pictures {

/// The folder beside the catalogue that holds the pictures, and the folder
/// inside it where `rovadod-pictures` writes (never a picture folder itself).
inline constexpr std::string_view folderName = "images";
inline constexpr std::string_view toolFolderName = ".rovadod";

/// True for a name a picture may have: not beginning with '.', ending in
/// .jpg, .jpeg, .png or .webp in any letter case, with something before it.
bool IsPictureName(std::string_view name);

/// `name` without its last extension ("412-obverse" for "412-obverse.jpg").
std::string_view Stem(std::string_view name);

/// A catalogue number as it is written in a file name: each character no
/// file system accepts (/ \ : * ? " < > | and control characters) becomes
/// '_'. "12/3" gives "12_3". Letter case is kept.
std::string SafeNumber(std::string_view number);

/// Which entries each picture name belongs to. A name belongs to the
/// catalogue number its stem starts with, followed by the end of the stem or
/// by '-' or '_' and more; letter case (ASCII) is ignored, and numbers are
/// compared in their `SafeNumber` form. Of two numbers that claim a name the
/// longer wins ("412-A" over "412" for "412-A.jpg"). An empty number claims
/// nothing. Entries with the same number all get its pictures. Numbers are
/// taken as written in field 1, spaces and quotes included.
class Matcher {
public:
    /// No entries: nothing belongs anywhere.
    Matcher() = default;
    /// The catalogue numbers (field SV) of `view`'s entries.
    explicit Matcher(const catalogue::View& view);
    /// Entry k has catalogue number `numbers[k]`.
    explicit Matcher(std::span<const std::string> numbers);

    /// The entries `name` belongs to, in entry order; empty when it belongs
    /// to none or is not a picture name (`IsPictureName`). Valid while the
    /// matcher lives.
    [[nodiscard]] std::span<const std::int32_t> entriesOf(std::string_view name) const;

    /// The number of entries the matcher was made for.
    [[nodiscard]] std::int32_t entries() const { return entries_; }

private:
    void add(std::string_view number, std::int32_t entry);

    std::unordered_map<std::string, std::vector<std::int32_t>> byNumber_;
    std::int32_t entries_ = 0;
};

/// Every entry's pictures among `names`, as indexes into `names`.
struct Assignment {
    /// For each entry of the matcher, its pictures in `Order`.
    std::vector<std::vector<std::uint32_t>> byEntry;
    /// Picture names that belong to no entry, in the order of `names`.
    /// Names that are not picture names are in neither list.
    std::vector<std::uint32_t> unclaimed;
};

/// Assigns each of `names` (file names, no folder) to its entries.
Assignment Assign(const Matcher& matcher, std::span<const std::string> names);

/// What side of the coin a picture shows, from its name: "obverse" anywhere
/// in the stem (any case) is the obverse, otherwise "reverse" the reverse.
enum class Side { Obverse, Reverse, Other };
Side SideOf(std::string_view name);

/// Compares names as a person reads them: letter case ignored, runs of
/// digits as numbers ("plate-2" before "plate-12"); the stems first, so
/// "a.jpg" comes before "a-2.jpg"; equal ones by their bytes. <0, 0 or >0.
int CompareNames(std::string_view a, std::string_view b);

/// True when `a` shows before `b` among one entry's pictures: obverse, then
/// reverse, then the rest, each by `CompareNames`.
bool ShowsBefore(std::string_view a, std::string_view b);

/// Sorts one entry's picture names into their showing order.
void Order(std::vector<std::string>& names);

/// The accessible names of one entry's pictures, given in showing order:
/// "412 obverse", "412 obverse 2", "412 reverse", "412 picture 1", ...
/// (N counts the pictures that are neither side, from 1). `number` is the
/// catalogue number as the catalogue writes it.
std::vector<std::string> AccessibleNames(std::string_view number,
                                         std::span<const std::string> ordered);

} // namespace pictures
