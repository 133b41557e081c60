// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Finds what a catalogue file hides from its keeper: lines the window never
/// reads, fields that shift, and entries no selection can find.
namespace check {

/// How far the file could be read.
enum class Status { Read, NotFound, Unreadable };

struct Finding {
    enum class Kind {
        TooManyFields,
        QuotedComma,
        QuotedNumber,
        NeverSelected,
        NoCodes,
        IgnoredLines,
        UnclaimedPicture, ///< a picture in images/ that belongs to no entry
        BadPicture        ///< a file in images/ that cannot be shown
    };
    Kind kind;
    std::int64_t line; ///< 1-based line number in the file; 0 for a file in images/
    std::string text;  ///< the whole report line, e.g. `line 40: ...`
};

struct Result {
    Status status = Status::Read;
    std::string problem; ///< why the file could not be read
    std::int32_t entries = 0;
    std::vector<Finding> findings; ///< in line order
    std::int64_t ignoredLines = 0;
    std::int64_t longLines = 0;
    std::int64_t quotedCommaLines = 0;
    std::int64_t quotedNumberLines = 0;
    std::int64_t unselectableFields = 0;
    std::int64_t lostEntries = 0;
    /// An `images/` folder is beside the catalogue: the picture findings
    /// (after the line findings) and counts below are made, and the summary
    /// shows them. Without one, the report is as it was before pictures.
    bool images = false;
    std::int64_t unclaimedPictures = 0;
    std::int64_t badPictures = 0;
    std::int64_t entriesWithoutPicture = 0;
};

/// Loads `path` as the window's loader does and checks every entry.
Result CheckCatalogue(const std::string& path);

/// The counts that close every report.
std::string Summary(const Result& result, std::string_view path);

/// 0 nothing found, 1 findings reported, 2 the file could not be read.
int ExitStatus(const Result& result);

/// Number of comma-separated fields of a raw line, as the loader cuts it:
/// an empty line has one.
std::int64_t FieldCount(std::string_view line);

/// 1-based field whose quoted value holds a comma (`a,"b,c",d` gives 2), or
/// none. Quotes never group for the loader, so such a comma splits the value.
std::optional<std::int64_t> QuotedCommaField(std::string_view line);

} // namespace check
