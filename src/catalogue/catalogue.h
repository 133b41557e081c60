// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vocab/vocabulary.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

/// The catalogue's columns in the order of the file's fields, one row each:
/// X(field, name, fill rule, matched attribute). The fill rule is what the
/// loader makes of the field's value; the attribute is the position in
/// `vocab::attributes` whose selection code a search compares the column
/// with, or -1 for a column that only the report shows.
#define ROVADOD_CATALOGUE_COLUMNS(X)                                                               \
    X(1, SV, Verbatim, -1)                                                                         \
    X(2, Den, Keep, -1)                                                                            \
    X(3, Dia, NaOrMm, -1)                                                                          \
    X(4, PLT, NaOrDot, -1)                                                                         \
    X(5, PNum, Keep, -1)                                                                           \
    X(6, GAE, Keep, -1)                                                                            \
    X(7, COP, NaOnBlank, -1)                                                                       \
    X(8, WSR, NaOnBlank, -1)                                                                       \
    X(9, SVCt, Keep, -1)                                                                           \
    X(10, WMin, NaOnBlank, -1)                                                                     \
    X(11, WMax, NaOnBlank, -1)                                                                     \
    X(12, LM, Keep, -1)                                                                            \
    X(13, OFig, Keep, 0)                                                                           \
    X(14, OIns, Keep, 1)                                                                           \
    X(15, RFig, Keep, 2)                                                                           \
    X(16, RLF, Keep, 3)                                                                            \
    X(17, RFigE, Keep, 4)                                                                          \
    X(18, CMK, Keep, 5)                                                                            \
    X(19, LegMgm, NoneOnEmpty, -1)                                                                 \
    X(20, LFMgm, NoneOnEmpty, -1)                                                                  \
    X(21, RFMgm, NoneOnEmpty, -1)

/// The catalogue file's format, the one catalogue of the process and its
/// loader, and a read-only view that searches take of any catalogue (the
/// process's or a `Table` value, table.h).
namespace catalogue {

/// A catalogue slot: unset until the loader fills it, and an unset slot is
/// different from the empty text.
using Text = std::optional<std::string>;
inline constexpr int maxlines = 699;
using Column = std::array<Text, maxlines>;

/// What the loader makes of a field's value.
enum class Fill {
    Verbatim,   ///< field 1: everything up to the first comma, quotes kept
    Keep,       ///< quotes removed, nothing replaced
    NaOnBlank,  ///< "" or " " becomes "n/a"
    NaOrMm,     ///< "" or " " becomes "n/a", anything else gets "mm"
    NaOrDot,    ///< "" or " " becomes "n/a", anything else gets "."
    NoneOnEmpty ///< "" becomes "-NONE-"
};

/// Applies `fill` to a field's value as the loader stores it.
void ApplyFill(std::string& value, Fill fill);

class View;

/// How a load ended, besides the messages it wrote.
struct LoadOutcome {
    enum class Kind { NotFound, ReadProblem, Loaded };
    Kind kind = Kind::NotFound;
    std::int32_t entries = 0; ///< entries searchable afterwards
    /// The catalogue opened was a regular file. Nothing is read from any
    /// other kind: a pipe or a device loads as 0 entries.
    bool regular = false;
    /// Why it was not found or could not be opened: the errno of the look-up
    /// or open that failed, EISDIR for a folder; 0 otherwise, also for a
    /// fault while reading.
    int error = 0;

    [[nodiscard]] bool loaded() const { return kind == Kind::Loaded; }
};

/// The system's words for errno `error` ("Permission denied"), on any thread.
std::string ErrorText(int error);

/// Why `outcome`'s catalogue was not read, for a person: "no such file", "is
/// a directory", "Permission denied", "read error"; empty once loaded.
std::string WhyNotLoaded(const LoadOutcome& outcome);

/// The process's one catalogue. Used only through its class-level members;
/// everything is constant-initialised, so it exists before any code runs.
class Catalogue {
public:
    using Text = catalogue::Text;
    using Column = catalogue::Column;
    static constexpr int maxlines = catalogue::maxlines;

    /// Receives every message of the loader; each call replaces the whole
    /// text of the output area.
    using Output = std::function<void(const std::string&)>;
    /// Pauses the calling thread for a number of milliseconds.
    using Pause = void (*)(int);

    static constexpr std::string_view filename = "ptolemy.csv";
    static constexpr std::string_view prodtitle = "Rovadod - Ptolemaic Bronze Coin Attribution";

    static inline Column database;
    /// Published with a release store once every column of every entry is
    /// filled; readers take it once with an acquire load.
    static inline std::atomic<std::int32_t> numentries{0};

#define ROVADOD_DECLARE_COLUMN(field, name, fill, attribute) static inline Column name;
    ROVADOD_CATALOGUE_COLUMNS(ROVADOD_DECLARE_COLUMN)
#undef ROVADOD_DECLARE_COLUMN

    static constexpr const auto& OFigType = vocab::OFigCodes;
    static constexpr const auto& OInsType = vocab::OInsCodes;
    static constexpr const auto& RFigType = vocab::RFigCodes;
    static constexpr const auto& RLFType = vocab::RLFCodes;
    static constexpr const auto& RFigEType = vocab::RFigECodes;
    static constexpr const auto& CMKType = vocab::CMKCodes;

    /// Cursor into, and length of, the line being split. 64-bit, so that a
    /// line of any length a file can hold is split without overflow.
    static inline std::int64_t l = 0;
    static inline std::int64_t len = 0;

    /// Suspends the calling thread for `ms` milliseconds (none when 0 or
    /// negative).
    static void DelayT(int ms);

    /// Reads `filename` from the working directory into `database` and the
    /// 21 columns, writing its progress and result through `out` and pausing
    /// with `pause` for 3000 ms after an error.
    static LoadOutcome GetDatabase(const Output& out, Pause pause = &DelayT);

    /// `GetDatabase` for a catalogue at `path` instead of `filename`, for
    /// tools that read a catalogue kept elsewhere.
    static LoadOutcome GetDatabaseFrom(const std::string& path, const Output& out,
                                       Pause pause = &DelayT);

    /// Splits lines 0 .. `n` - 1 of `database` into the columns, with the
    /// load-time replacements ("n/a", "mm", ".", "-NONE-").
    static void MakeStringDatabase(std::int32_t n);

    /// Next field of `line` after the comma at `l`, double quotes removed.
    static std::string getnext(std::string_view line);

    /// Returns every slot to unset and `numentries` to 0, as before the first
    /// load. No search may run meanwhile.
    static void ClearCatalogue();

    /// The entries the last load published, for a search: `numentries` is
    /// taken once, with an acquire load, so the view holds whole entries only
    /// however far a load running meanwhile has come.
    static View Published();
};

/// One column of the catalogue, as the file and the search see it.
struct ColumnInfo {
    int field;             ///< 1-based field of the line, e.g. 13 for `OFig`
    std::string_view name; ///< the column's name, e.g. "OFig"
    Fill fill;
    int attribute; ///< index into `vocab::attributes`, or -1
    Column* column;

    [[nodiscard]] const Text& at(std::size_t entry) const { return (*column)[entry]; }
};

#define ROVADOD_COLUMN_INFO(field, name, fill, attribute)                                          \
    ColumnInfo{field, #name, Fill::fill, attribute, &Catalogue::name},
inline constexpr std::array schema{ROVADOD_CATALOGUE_COLUMNS(ROVADOD_COLUMN_INFO)};
#undef ROVADOD_COLUMN_INFO

inline constexpr int columnCount = static_cast<int>(schema.size());

/// The column each attribute is matched against, in attribute order.
inline constexpr std::array<ColumnInfo, vocab::attributeCount> codeColumns = [] {
    std::array<ColumnInfo, vocab::attributeCount> found{};
    for (const ColumnInfo& col : schema) {
        if (col.attribute >= 0) {
            found[static_cast<std::size_t>(col.attribute)] = col;
        }
    }
    return found;
}();

/// Each column's schema row by name, for code that reads one column:
/// `columns::Dia`.
namespace columns {
#define ROVADOD_COLUMN_ROW(field, name, fill, attribute)                                           \
    inline constexpr const ColumnInfo& name = schema[(field)-1];
ROVADOD_CATALOGUE_COLUMNS(ROVADOD_COLUMN_ROW)
#undef ROVADOD_COLUMN_ROW
} // namespace columns

static_assert(columnCount == 21, "a catalogue line has 21 fields");
static_assert(
    [] {
        for (std::size_t c = 0; c < schema.size(); ++c) {
            if (schema[c].field != static_cast<int>(c) + 1) {
                return false;
            }
        }
        return true;
    }(),
    "the schema lists the fields in file order");
static_assert(codeColumns.front().field == 13 && codeColumns.back().field == 18,
              "the six code fields are fields 13 to 18");

/// Where the 21 values of a split line go, in `schema` order.
using Slots = std::array<Text*, columnCount>;

/// Splits a catalogue line into `slots` as every loader does: field 1 up to
/// the first comma as written, every later field with its double quotes
/// removed and its fill rule applied; a field the line lacks is empty before
/// its fill. Quotes never group, and fields after the 21st are not read.
void SplitLine(std::string_view line, const Slots& slots);

/// `SplitLine` moving the caller's own cursor and length, which the last
/// field leaves as `NextField` does: the window splits with `Catalogue::l`
/// and `Catalogue::len`.
void SplitLine(std::string_view line, std::int64_t& cursor, std::int64_t& length,
               const Slots& slots);

/// The field of `line` after the comma at `cursor`, double quotes removed,
/// reading no further than `length` bytes. Moves `cursor` to the comma that
/// ends the field, or to `length` after the last one, so that the next call
/// returns the empty text.
std::string NextField(std::string_view line, std::int64_t& cursor, std::int64_t length);

/// Read-only access to the columns of a catalogue, owning nothing: made by
/// `Table::view()` for a catalogue value, or by `Catalogue::Published()` for
/// the window's. Valid while what it was made from lives and its first
/// `entries()` entries stay unchanged.
class View {
public:
    /// The first slot of each column, in `schema` order.
    using Columns = std::array<const Text*, columnCount>;

    /// A catalogue without entries.
    View() = default;
    View(const Columns& columns, std::int32_t entries) : columns_(columns), entries_(entries) {}

    [[nodiscard]] std::int32_t entries() const { return entries_; }

    /// The value of `column` for entry `entry`, which must be below
    /// `entries()` (or below `maxlines` for the window's catalogue).
    [[nodiscard]] const Text& at(const ColumnInfo& column, std::size_t entry) const
    {
        return columns_[static_cast<std::size_t>(column.field - 1)][entry];
    }

    /// `at`'s value, or the empty text when the slot is unset.
    [[nodiscard]] const std::string& text(const ColumnInfo& column, std::size_t entry) const
    {
        static const std::string unset;
        const Text& value = at(column, entry);
        return value ? *value : unset;
    }

private:
    Columns columns_{};
    std::int32_t entries_ = 0;
};

} // namespace catalogue
