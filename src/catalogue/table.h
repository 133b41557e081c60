// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

/// A catalogue as a value: its lines as read and their 21 columns as
/// loaded, never changed once made. A program may hold several, each opened,
/// reloaded or dropped on its own; large, so they go around as
/// `std::shared_ptr<const Table>`, and searches read them through `view()`.
class Table {
public:
    /// The catalogue without entries.
    Table() = default;
    /// Splits the first `maxlines` of `lines` (each without its line end)
    /// as the loader does; later lines are dropped, as the loader never
    /// reads them.
    explicit Table(std::vector<std::string> lines);

    [[nodiscard]] std::int32_t entries() const { return static_cast<std::int32_t>(lines_.size()); }
    /// Each entry's line as read.
    [[nodiscard]] const std::vector<std::string>& lines() const { return lines_; }
    /// The value of `column` for entry `entry` (below `entries()`).
    [[nodiscard]] const Text& at(const ColumnInfo& column, std::size_t entry) const
    {
        return columns_[static_cast<std::size_t>(column.field - 1)][entry];
    }
    /// What the search reads; valid while this table lives.
    [[nodiscard]] View view() const;

private:
    std::vector<std::string> lines_;
    std::array<std::vector<Text>, columnCount> columns_;
};

/// What `LoadTable` made of a file.
struct LoadedTable {
    LoadOutcome outcome;
    std::shared_ptr<const Table> table; ///< never null; without entries unless loaded
};

/// Reads the catalogue at `path` as the window's loader does: at most
/// `maxlines` lines ended by LF, CR or CR LF, no further than the size the
/// file had when opened, with the same outcome kinds. But it reads into a
/// value of its own, writes no message and never pauses, so any thread may
/// call it, for any number of catalogues. Nothing is read from a file that is
/// not regular (a named pipe, a device), which loads with no entries, so the
/// call never waits for a writer.
LoadedTable LoadTable(const std::string& path);

/// `LoadTable` of a regular file holding `bytes`, read where they are: the
/// same lines, entries and outcome (a regular file's), for bytes that come
/// from no file (a web page's).
LoadedTable LoadTableFromBytes(std::string_view bytes);

} // namespace catalogue
