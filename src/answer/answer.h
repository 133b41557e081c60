// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"
#include "lookup/query.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// What every face (rovadod-find, the explorer, tickets, the web page) makes
/// of a coin: the query answered, and the answer as text. Plain C++, no I/O.
namespace answer {

enum class Format { Report, Tsv, Json };

struct Pictures;

/// The answer for one coin.
struct Answer {
    /// The catalogue the matches come from, which must outlive the answer.
    catalogue::View catalogue;
    std::int64_t line = 0;         ///< its line in the batch file; 0 for the command line's coin
    std::optional<std::string> id; ///< the collector's own number for it, from a batch
    lookup::Query query;
    std::vector<lookup::Match> matches;
    std::optional<lookup::FacetCounts> counts;
    /// The catalogue's pictures, when a face looked for them; outlives the
    /// answer as the catalogue does.
    const Pictures* pictures = nullptr;
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

/// `ReportText` appended to `out`, which a batch's heading may start: a
/// batch's report runs to megabytes, not copied again.
void AppendReport(std::string& out, const catalogue::View& catalogue,
                  const std::vector<lookup::Match>& matches, const lookup::Measured& measured);

/// The line before a near match's block, e.g.
/// `Near match, 2 differences: left-field is Club; countermark is "9"`.
std::string DifferenceLine(const catalogue::View& catalogue, const lookup::Match& match);

/// What a window shows for match `row` of `answer`: its difference line for
/// a near match, its fit line when measured, then its report block.
std::string EntryText(const Answer& answer, std::size_t row);

/// Every entry of every list with its facet count, a "*" marking the
/// entries the query gives.
std::string CountsText(const lookup::Query& query, const lookup::FacetCounts& counts);

/// The six lists (option, position, text and code of every entry) as a
/// report or as TSV; JSON is the JSON library's.
std::string ListsText(Format format);

/// The report of one coin for rovadod-find: a batch's heading, the report,
/// and the counts when asked for.
void AppendCoinReport(std::string& out, const Answer& answer, bool batch);

} // namespace answer
