// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lookup/query.h"

#include <QJsonObject>

#include <cstdint>
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
    std::int64_t line = 0; ///< its line in the batch file; 0 for the command line's coin
    lookup::Query query;
    std::vector<lookup::Match> matches;
    std::optional<lookup::FacetCounts> counts;
};

/// Looks `query` up in the loaded catalogue, with the facet counts when
/// `counts` is set.
Answer Ask(const lookup::Query& query, bool counts, std::int64_t line = 0);

/// The report of one coin: the exact matches as the window shows them (or
/// "No Matching Entry Found"), then each near match's block after the line
/// naming its differences. Valid UTF-8. Turns an empty specimen count into
/// "n/a" for good, as the window's report does.
std::string ReportText(const std::vector<lookup::Match>& matches);

/// The line before a near match's block, e.g.
/// `Near match, 2 differences: left-field is Club; countermark is "9"`.
std::string DifferenceLine(const lookup::Match& match);

/// Every entry of every list with its facet count, a "*" marking the
/// entries the query gives.
std::string CountsText(const lookup::Query& query, const lookup::FacetCounts& counts);

/// The TSV header; a batch's rows start with the coin's batch line.
std::string TsvHeader(bool batch);

/// One TSV row per match: [batch line,] file line, distance, differing
/// options, the 21 fields as loaded with tab and backslash escaped.
std::string TsvRows(const Answer& answer, bool batch);

/// A field for a TSV row: `\` becomes `\\` and a tab `\t`, so a row stays
/// one row with 24 columns.
std::string TsvField(std::string_view value);

/// The JSON object for one coin: `matches`, and `counts` when counted.
/// Valid UTF-8 whatever the catalogue holds.
std::string JsonText(const Answer& answer);

/// The 21 fields of each entry as a JSON object, made once per entry: a
/// batch names the same entries again and again. Fields must not change
/// while it is in use.
class JsonFields {
public:
    QJsonObject of(int entry);

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

/// The six lists: option, position, text and code of every entry.
std::string ListsText(Format format);

/// The longest batch line read, in bytes. Six values are far shorter; a
/// longer line is passed over, not kept, and is a bad line.
inline constexpr std::size_t maxBatchLine = 64 * 1024;

/// One line of a batch file.
struct BatchLine {
    enum class Kind { Skip, Coin, Bad };
    Kind kind = Kind::Skip;
    lookup::Query query; ///< for a coin
    std::string problem; ///< for a bad line
};

/// Reads a batch line: up to six tab-separated values in option order, each
/// as on the command line, an empty or missing one meaning "any". Blank
/// lines and comments ("#" first and no number after it, "# tray 2") are
/// skipped; "#3" or "# 3" first is a position, good or bad.
BatchLine ParseBatchLine(std::string_view line);

} // namespace finder
