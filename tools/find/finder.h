// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"
#include "lookup/query.h"

#include <QJsonObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// rovadod-find's face over the lookup engine: batch lines in; report, TSV
/// and JSON text out. Everything but the JSON is plain C++.
namespace finder {

enum class Format { Report, Tsv, Json };

/// The answer for one coin.
struct Answer {
    /// The catalogue the matches come from, which must outlive the answer.
    catalogue::View catalogue;
    std::int64_t line = 0;         ///< its line in the batch file; 0 for the command line's coin
    std::optional<std::string> id; ///< the collector's own number for it, from a batch
    lookup::Query query;
    std::vector<lookup::Match> matches;
    std::optional<lookup::FacetCounts> counts;
};

/// Looks `query` up in `catalogue`, with the facet counts when `counts` is
/// set.
Answer Ask(const catalogue::View& catalogue, const lookup::Query& query, bool counts,
           std::int64_t line = 0);

/// The report of one coin: the exact matches of `catalogue` as the window
/// shows them (or "No Matching Entry Found"), then each near match's block
/// after the line naming its differences. With measurements, a line with the
/// fit in words comes before each block. Valid UTF-8. An empty specimen
/// count shows as "n/a", as in the window, but stays empty in `catalogue`.
std::string ReportText(const catalogue::View& catalogue, const std::vector<lookup::Match>& matches,
                       const lookup::Measured& measured = {});

/// The line before a near match's block, e.g.
/// `Near match, 2 differences: left-field is Club; countermark is "9"`.
std::string DifferenceLine(const catalogue::View& catalogue, const lookup::Match& match);

/// Every entry of every list with its facet count, a "*" marking the
/// entries the query gives.
std::string CountsText(const lookup::Query& query, const lookup::FacetCounts& counts);

/// The TSV header; a batch's rows start with the coin's batch line, and its
/// id when the batch has ids.
std::string TsvHeader(bool batch, bool ids = false);

/// One TSV row per match: [batch line, [id,]] file line, distance, differing
/// options, misfit, the 21 fields as loaded with tab and backslash escaped.
std::string TsvRows(const Answer& answer, bool batch, bool ids = false);

/// A field for a TSV row: `\` becomes `\\` and a tab `\t`, so a row stays
/// one row with 24 columns.
std::string TsvField(std::string_view value);

/// The JSON object for one coin: `matches`, and `counts` when counted.
/// Valid UTF-8 whatever the catalogue holds.
std::string JsonText(const Answer& answer);

/// The 21 fields of each entry as a JSON object, made once per entry: a
/// batch names the same entries again and again. One catalogue per
/// object, whose fields must not change while it is in use.
class JsonFields {
public:
    QJsonObject of(const catalogue::View& catalogue, int entry);

private:
    std::vector<std::optional<QJsonObject>> made_;
};

/// A batch's JSON object, `{"coins": [...]}`, written coin by coin (one a
/// line) so that a large batch never sits whole in memory.
class JsonBatch {
public:
    /// The coin's object with its batch line, after what comes before it.
    std::string coin(const Answer& answer);
    /// What closes the object, all of it when no coin came.
    [[nodiscard]] std::string end() const;

private:
    bool started_ = false;
    JsonFields fields_;
};

/// Every coin's output in one format, for one coin or a whole batch, so
/// that both are written alike.
class Writer {
public:
    Writer(Format format, bool batch) : format_(format), batch_(batch) {}
    /// Whether the batch's coins carry ids (a TSV column); set before the
    /// first coin.
    void setIds(bool ids) { ids_ = ids; }
    /// The coin's output, after what comes before the first one.
    std::string coin(const Answer& answer);
    /// What closes the output, also when no coin came.
    std::string end();

private:
    std::string start();

    Format format_;
    bool batch_;
    bool ids_ = false;
    bool started_ = false;
    JsonBatch json_;
};

/// The six lists: option, position, text and code of every entry.
std::string ListsText(Format format);

/// What a batch line or the command line can give: the six attributes, the
/// three monograms (`lookup::clueCount` clues), then the diameter and the
/// weight. Their names are the options' without "--".
inline constexpr int valueColumns = lookup::clueCount + lookup::measureCount;
std::string_view ColumnName(int column);

/// Reads the values given for `column` into `query`, as on the command line
/// or in a batch file. Several values allow any of them; "any" among them
/// leaves the column open; a measurement takes one number above 0 written
/// with ".". Returns what is wrong with a value, or nothing.
std::string ReadValues(int column, const std::vector<std::string_view>& values,
                       lookup::Query& query);

/// The longest batch line read, in bytes. Six values are far shorter; a
/// longer line is passed over, not kept, and is a bad line.
inline constexpr std::size_t maxBatchLine = 64 * 1024;

/// One line of a batch file.
struct BatchLine {
    enum class Kind { Skip, Coin, Bad };
    Kind kind = Kind::Skip;
    lookup::Query query;           ///< for a coin
    std::optional<std::string> id; ///< for a coin, when the header names an id column
    std::string problem;           ///< for a bad line
};

/// A batch file's first line when it names its columns: what each value
/// of the later lines is.
struct BatchHeader {
    static constexpr int id = valueColumns; ///< the collector's own number
    static constexpr int ignored = -1;
    std::vector<int> columns;         ///< per value: a column, `id` or `ignored`
    std::vector<std::string> unknown; ///< names it does not understand, as written
};

/// The header that `line` is, when any of its values is a column name or
/// "id" (ignoring case and spaces around), as a spreadsheet exports it. No
/// list entry's text is such a word.
std::optional<BatchHeader> ParseBatchHeader(std::string_view line);

/// Reads a batch line: tab-separated values in the header's columns, or
/// without one up to `valueColumns` in option order, each as on the command
/// line, an empty or missing one meaning "any". Blank lines and comments
/// ("#" first and no number after it, "# tray 2") are skipped; "#3" or "# 3"
/// first is a position, good or bad.
BatchLine ParseBatchLine(std::string_view line, const BatchHeader* header = nullptr);

/// How a batch went, besides its output.
struct BatchResult {
    bool read = true;     ///< false when the file failed part way
    int badLines = 0;     ///< lines reported as bad
    bool printed = false; ///< an entry was written
};

/// Answers every coin of the batch file open at `fd` from `catalogue` as it
/// is read (a pipe as it comes), each with `shared`'s near and tolerance. Writes the output
/// through `write` as it comes, closed as a whole document also after a read
/// error, and each problem as "PATH:LINE: what" through `complain`. Each
/// answer also goes to `each` when given (for tickets), in batch order.
BatchResult AnswerBatch(const catalogue::View& catalogue, int fd, std::string_view path,
                        const lookup::Query& shared, bool counts, Format format,
                        const std::function<void(std::string_view)>& write,
                        const std::function<void(const std::string&)>& complain,
                        const std::function<void(const Answer&)>& each = {});

} // namespace finder
