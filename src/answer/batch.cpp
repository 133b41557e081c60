// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/batch.h"

#include "catalogue/line_reader.h"
#include "vocab/values.h"

#include <algorithm>
#include <utility>

namespace answer {

namespace {

/// A line starting with "#" is a comment unless its first value has the
/// shape of a position, "#" and a number with nothing else but spaces:
/// then it is answered when good ("#3", "#3 ") and reported when not
/// ("# 3", "#21"), never skipped unseen. "# 120 coins, tray 2" is a comment.
bool isComment(std::string_view line)
{
    if (!line.starts_with('#')) {
        return false;
    }
    const std::string_view first = line.substr(0, line.find('\t'));
    const std::size_t digits = first.find_first_not_of(' ', 1);
    if (digits == std::string_view::npos || first[digits] < '0' || first[digits] > '9') {
        return true;
    }
    const std::size_t after = first.find_first_not_of("0123456789", digits);
    return after != std::string_view::npos &&
           first.find_first_not_of(' ', after) != std::string_view::npos;
}

std::vector<std::string_view> tabSeparated(std::string_view line)
{
    std::vector<std::string_view> values;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        values.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) {
            return values;
        }
        start = tab + 1;
    }
}

bool isName(std::string_view value, std::string_view name)
{
    return vocab::EqualsIgnoringCase(vocab::Trimmed(value), name);
}

} // namespace

bool BatchHeader::hasIds() const
{
    return std::count(columns.begin(), columns.end(), id) > 0;
}

std::optional<BatchHeader> ParseBatchHeader(std::string_view line)
{
    BatchHeader header;
    bool named = false;
    std::vector<bool> taken(valueColumns + 1, false);
    for (const std::string_view value : tabSeparated(line)) {
        int column = BatchHeader::ignored;
        for (int c = 0; c <= valueColumns; ++c) {
            if (isName(value, c == BatchHeader::id ? "id" : ColumnName(c))) {
                column = c;
            }
        }
        named = named || column != BatchHeader::ignored;
        if (column != BatchHeader::ignored && taken[static_cast<std::size_t>(column)]) {
            column = BatchHeader::ignored; // named twice: the first is read
        }
        if (column == BatchHeader::ignored) {
            header.unknown.emplace_back(value);
        } else {
            taken[static_cast<std::size_t>(column)] = true;
        }
        header.columns.push_back(column);
    }
    if (!named) {
        return std::nullopt;
    }
    return header;
}

BatchLine ParseBatchLine(std::string_view line, const BatchHeader* header)
{
    BatchLine parsed;
    // A spreadsheet's empty row is tabs, perhaps spaces: no coin, not one
    // that every entry fits.
    if (line.find_first_not_of(" \t") == std::string_view::npos || isComment(line)) {
        return parsed;
    }
    std::vector<std::string_view> values = tabSeparated(line);
    const std::size_t width =
        header ? header->columns.size() : static_cast<std::size_t>(valueColumns);
    // Empty values past the last column are trailing tabs, as a spreadsheet
    // may leave them; anything else there is one value too many.
    while (values.size() > width && values.back().empty()) {
        values.pop_back();
    }
    if (values.size() > width) {
        parsed.kind = BatchLine::Kind::Bad;
        parsed.problem = std::to_string(values.size()) + " values; " +
                         (header ? "the header names " + std::to_string(width) + " columns"
                                 : "a coin has at most " + std::to_string(width)) +
                         ", separated by tabs";
        return parsed;
    }
    parsed.kind = BatchLine::Kind::Coin;
    for (std::size_t v = 0; v < values.size(); ++v) {
        const int column = header ? header->columns[v] : static_cast<int>(v);
        if (column == BatchHeader::id) {
            parsed.id = std::string(values[v]);
            continue;
        }
        if (column == BatchHeader::ignored) {
            continue;
        }
        std::string problem = ReadValues(column, {values[v]}, parsed.query);
        if (!problem.empty()) {
            parsed.kind = BatchLine::Kind::Bad;
            parsed.problem = std::move(problem);
            parsed.query = {};
            parsed.id.reset();
            return parsed;
        }
    }
    if (header && !parsed.id) {
        parsed.id = std::string(); // the header has ids; this coin's is missing
    }
    return parsed;
}

BatchReader::Read BatchReader::next(std::string_view line)
{
    if (std::exchange(atStart_, false) && line.starts_with("\xEF\xBB\xBF")) {
        line.remove_prefix(3); // a byte order mark from a spreadsheet
    }
    Read read;
    read.line = ParseBatchLine(line, header_ ? &*header_ : nullptr);
    if (read.line.kind == BatchLine::Kind::Skip) {
        return read;
    }
    if (std::exchange(first_, false) && (header_ = ParseBatchHeader(line))) {
        read.kind = Read::Kind::Header;
        read.line = {};
        return read;
    }
    read.kind = read.line.kind == BatchLine::Kind::Bad ? Read::Kind::Bad : Read::Kind::Coin;
    return read;
}

namespace {

bool readBatch(catalogue::LineReader& lines, std::string_view path, const BatchEvents& events)
{
    BatchReader reader;
    std::string line;
    std::int64_t number = 0;
    const auto complain = [&](const std::string& what, bool bad) {
        events.complain(std::string(path) + ":" + std::to_string(number) + ": " + what, bad);
    };
    for (;;) {
        const auto got = lines.next(line);
        if (got == catalogue::LineReader::Result::TooLong) {
            ++number;
            complain("longer than " + std::to_string(maxBatchLine) +
                         " bytes, not read; a coin is at most eleven values",
                     true);
            continue;
        }
        if (got != catalogue::LineReader::Result::Line) {
            if (got == catalogue::LineReader::Result::End) {
                return true;
            }
            events.complain("cannot read " + std::string(path) + ": read error after line " +
                                std::to_string(number),
                            false);
            return false;
        }
        ++number;
        BatchReader::Read read = reader.next(line);
        switch (read.kind) {
        case BatchReader::Read::Kind::Skip:
            break;
        case BatchReader::Read::Kind::Header:
            for (const std::string& name : reader.header()->unknown) {
                complain("column " + vocab::Quoted(name) + " is not read", false);
            }
            if (events.header) {
                events.header(*reader.header());
            }
            break;
        case BatchReader::Read::Kind::Bad:
            complain(read.line.problem, true);
            break;
        case BatchReader::Read::Kind::Coin:
            events.coin(std::move(read.line), number);
            break;
        }
    }
}

} // namespace

bool ReadBatchFile(int fd, std::string_view path, const BatchEvents& events)
{
    catalogue::LineReader lines(fd, maxBatchLine);
    return readBatch(lines, path, events);
}

bool ReadBatchBytes(std::string_view bytes, std::string_view path, const BatchEvents& events)
{
    catalogue::LineReader lines(bytes, maxBatchLine);
    return readBatch(lines, path, events);
}

} // namespace answer
