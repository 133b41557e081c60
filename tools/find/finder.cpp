// SPDX-License-Identifier: GPL-3.0-or-later
#include "finder.h"

#include "catalogue/catalogue.h"
#include "catalogue/line_reader.h"
#include "lookup/search.h"
#include "lookup/utf8.h"
#include "vocab/values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <utility>

namespace finder {

namespace {

using lookup::Match;

constexpr auto attributeCount = static_cast<std::size_t>(vocab::attributeCount);

const std::string& fieldOf(const catalogue::View& catalogue, const catalogue::ColumnInfo& column,
                           int entry)
{
    static const std::string unset;
    const auto& value = catalogue.at(column, static_cast<std::size_t>(entry));
    return value ? *value : unset;
}

std::string padded(std::string text, std::size_t width)
{
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::string rightAligned(const std::string& text, std::size_t width)
{
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string position(int pos)
{
    return "#" + std::to_string(pos + 1);
}

bool given(const lookup::Query& query, std::size_t a, int pos)
{
    const auto& allowed = query.allowed[a];
    const std::string_view code = vocab::attributes[a].code(pos);
    return std::find(allowed.begin(), allowed.end(), code) != allowed.end();
}

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QJsonObject JsonFields::of(const catalogue::View& catalogue, int entry)
{
    const auto k = static_cast<std::size_t>(entry);
    if (k >= made_.size()) {
        made_.resize(k + 1);
    }
    if (!made_[k]) {
        QJsonObject fields;
        for (const catalogue::ColumnInfo& column : catalogue::schema) {
            fields.insert(qs(column.name), qs(fieldOf(catalogue, column, entry)));
        }
        made_[k] = fields;
    }
    return *made_[k];
}

namespace {

QJsonObject jsonMatch(const catalogue::View& catalogue, const Match& match, JsonFields& fields)
{
    QJsonArray differs;
    for (int clue = 0; clue < lookup::clueCount; ++clue) {
        if (match.differs.test(static_cast<std::size_t>(clue))) {
            differs.append(qs(lookup::ClueOption(clue)));
        }
    }
    QJsonArray unknown;
    for (std::size_t m = 0; m < lookup::measureOptions.size(); ++m) {
        if (match.unknown.test(m)) {
            unknown.append(qs(lookup::measureOptions[m]));
        }
    }
    QJsonObject object;
    object.insert(QStringLiteral("line"), match.entry + 1);
    object.insert(QStringLiteral("sv"),
                  qs(fieldOf(catalogue, catalogue::columns::SV, match.entry)));
    object.insert(QStringLiteral("distance"), match.distance);
    object.insert(QStringLiteral("differs"), differs);
    object.insert(QStringLiteral("misfit"),
                  match.misfit ? QJsonValue(*match.misfit) : QJsonValue());
    object.insert(QStringLiteral("unknown"), unknown);
    object.insert(QStringLiteral("fields"), fields.of(catalogue, match.entry));
    return object;
}

/// The six lists keyed by option, each entry with its 1-based position,
/// text and code, and its count when `counts` is given.
QJsonObject jsonLists(const lookup::FacetCounts* counts)
{
    QJsonObject object;
    for (std::size_t a = 0; a < attributeCount; ++a) {
        const vocab::Attribute& attr = vocab::attributes[a];
        QJsonArray list;
        for (int pos = 0; pos < attr.count(); ++pos) {
            QJsonObject entry{
                {QStringLiteral("position"), pos + 1},
                {QStringLiteral("text"), qs(attr.texts[static_cast<std::size_t>(pos)])},
                {QStringLiteral("code"), qs(attr.code(pos))},
            };
            if (counts) {
                entry.insert(QStringLiteral("count"), (*counts)[a][static_cast<std::size_t>(pos)]);
            }
            list.append(entry);
        }
        object.insert(qs(attr.option), list);
    }
    return object;
}

QJsonObject jsonAnswer(const Answer& answer, bool batch, JsonFields& fields)
{
    QJsonArray matches;
    for (const Match& match : answer.matches) {
        matches.append(jsonMatch(answer.catalogue, match, fields));
    }
    QJsonObject object;
    if (batch) {
        object.insert(QStringLiteral("line"), static_cast<qint64>(answer.line));
        if (answer.id) {
            object.insert(QStringLiteral("id"), qs(*answer.id));
        }
    }
    object.insert(QStringLiteral("matches"), matches);
    if (answer.counts) {
        object.insert(QStringLiteral("counts"), jsonLists(&*answer.counts));
    }
    return object;
}

std::string fromJson(const QJsonObject& object)
{
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

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

} // namespace

Answer Ask(const catalogue::View& catalogue, const lookup::Query& query, bool counts,
           std::int64_t line)
{
    Answer answer;
    answer.catalogue = catalogue;
    answer.line = line;
    answer.query = query;
    answer.matches = lookup::RankMatches(catalogue, query);
    if (counts) {
        answer.counts = lookup::CountFacets(catalogue, query);
    }
    return answer;
}

namespace {

/// The report of one coin appended to `out`, which a batch's heading may
/// start: a batch's report runs to megabytes, not copied again.
void appendReport(std::string& out, const catalogue::View& catalogue,
                  const std::vector<Match>& matches, const lookup::Measured& measured)
{
    const std::size_t start = out.size();
    const auto fitLine = [&](int entry) {
        const std::string words = lookup::FitWords(measured, lookup::MeasuresOf(catalogue, entry));
        if (!words.empty()) {
            out += words;
            out += '\n';
        }
    };
    auto near = matches.begin();
    for (; near != matches.end() && near->distance == 0; ++near) {
        fitLine(near->entry);
        lookup::AppendReportBlock(out, catalogue, near->entry);
    }
    if (out.size() == start) {
        out += lookup::noMatch;
        if (near != matches.end()) {
            out += "\n\n";
        }
    }
    for (; near != matches.end(); ++near) {
        out += DifferenceLine(catalogue, *near);
        out += '\n';
        fitLine(near->entry);
        lookup::AppendReportBlock(out, catalogue, near->entry);
    }
    lookup::MakeValidUtf8(out);
}

} // namespace

std::string ReportText(const catalogue::View& catalogue, const std::vector<Match>& matches,
                       const lookup::Measured& measured)
{
    std::string report;
    appendReport(report, catalogue, matches, measured);
    return report;
}

std::string DifferenceLine(const catalogue::View& catalogue, const Match& match)
{
    std::string line = "Near match, " + std::to_string(match.distance) +
                       (match.distance == 1 ? " difference:" : " differences:");
    const char* separator = " ";
    for (int clue = 0; clue < lookup::clueCount; ++clue) {
        if (match.differs.test(static_cast<std::size_t>(clue))) {
            line += separator;
            line += lookup::ClueOption(clue);
            line += " is " + lookup::DescribeHeld(catalogue, clue, match.entry);
            separator = "; ";
        }
    }
    return line;
}

std::string CountsText(const lookup::Query& query, const lookup::FacetCounts& counts)
{
    std::string text =
        "Counts (* given): entries found with one list changed, the others as given\n";
    for (std::size_t a = 0; a < attributeCount; ++a) {
        const vocab::Attribute& attr = vocab::attributes[a];
        text += attr.option;
        text += query.open(static_cast<int>(a)) ? " (open)\n" : "\n";
        for (int pos = 0; pos < attr.count(); ++pos) {
            text += given(query, a, pos) ? "  * " : "    ";
            text += rightAligned(std::to_string(counts[a][static_cast<std::size_t>(pos)]), 4);
            text += "  " + padded(position(pos), 4) + " ";
            text += attr.texts[static_cast<std::size_t>(pos)];
            text += '\n';
        }
    }
    return text;
}

std::string TsvHeader(bool batch, bool ids)
{
    std::string header = batch ? (ids ? "coin\tid\t" : "coin\t") : "";
    header += "line\tdistance\tdiffers\tmisfit";
    for (const catalogue::ColumnInfo& column : catalogue::schema) {
        header += '\t';
        header += column.name;
    }
    return header + '\n';
}

std::string TsvField(std::string_view value)
{
    std::string field;
    field.reserve(value.size());
    for (const char c : value) {
        if (c == '\\') {
            field += "\\\\";
        } else if (c == '\t') {
            field += "\\t";
        } else {
            field += c;
        }
    }
    return field;
}

std::string TsvRows(const Answer& answer, bool batch, bool ids)
{
    std::string rows;
    for (const Match& match : answer.matches) {
        if (batch) {
            rows += std::to_string(answer.line) + '\t';
            if (ids) {
                rows += TsvField(answer.id.value_or("")) + '\t';
            }
        }
        rows += std::to_string(match.entry + 1) + '\t' + std::to_string(match.distance) + '\t';
        const char* separator = "";
        for (int clue = 0; clue < lookup::clueCount; ++clue) {
            if (match.differs.test(static_cast<std::size_t>(clue))) {
                rows += separator;
                rows += lookup::ClueOption(clue);
                separator = ",";
            }
        }
        rows += '\t';
        if (match.misfit) {
            char misfit[32];
            std::snprintf(misfit, sizeof misfit, "%.6g", *match.misfit);
            rows += misfit;
        }
        for (const catalogue::ColumnInfo& column : catalogue::schema) {
            rows += '\t';
            rows += TsvField(fieldOf(answer.catalogue, column, match.entry));
        }
        rows += '\n';
    }
    return rows;
}

std::string JsonText(const Answer& answer)
{
    JsonFields fields;
    return fromJson(jsonAnswer(answer, false, fields));
}

std::string JsonBatch::coin(const Answer& answer)
{
    const QByteArray object =
        QJsonDocument(jsonAnswer(answer, true, fields_)).toJson(QJsonDocument::Compact);
    std::string text = started_ ? ",\n" : "{\"coins\": [\n";
    started_ = true;
    return text.append(object.constData(), static_cast<std::size_t>(object.size()));
}

std::string JsonBatch::end() const
{
    return started_ ? "\n]}\n" : "{\"coins\": []}\n";
}

std::string ListsText(Format format)
{
    if (format == Format::Json) {
        return fromJson(QJsonObject{{QStringLiteral("lists"), jsonLists(nullptr)}});
    }
    std::string text = format == Format::Tsv ? "option\tposition\ttext\tcode\n" : "";
    for (const vocab::Attribute& attr : vocab::attributes) {
        for (int pos = 0; pos < attr.count(); ++pos) {
            const std::string entry(attr.texts[static_cast<std::size_t>(pos)]);
            if (format == Format::Tsv) {
                text += std::string(attr.option) + '\t' + std::to_string(pos + 1) + '\t' + entry +
                        '\t' + std::string(attr.code(pos)) + '\n';
            } else {
                text += padded(std::string(attr.option), 16) + padded(position(pos), 5) +
                        padded(entry, 37) + std::string(attr.code(pos)) + '\n';
            }
        }
    }
    return text;
}

namespace {

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

std::string_view ColumnName(int column)
{
    return column < lookup::clueCount
               ? lookup::ClueOption(column)
               : lookup::measureOptions.at(static_cast<std::size_t>(column - lookup::clueCount));
}

std::string ReadValues(int column, const std::vector<std::string_view>& values,
                       lookup::Query& query)
{
    if (column >= lookup::clueCount) {
        const auto m = static_cast<std::size_t>(column - lookup::clueCount);
        query.measured[m].reset();
        for (const std::string_view value : values) {
            if (vocab::Trimmed(value).empty()) {
                continue; // not measured
            }
            // No coin comes near the upper bounds; past them a misfit or a
            // fit in words would be a number hundreds of digits long.
            const bool diameter = m == static_cast<std::size_t>(lookup::Measure::Diameter);
            const double most = diameter ? 1000 : 10000;
            const std::optional<double> number = lookup::ParseDecimal(value);
            if (!number || *number <= 0 || *number > most) {
                return std::string(ColumnName(column)) + " takes a number above 0 and at most " +
                       lookup::Decimal(most) + " written with \".\" (" +
                       (diameter ? "millimetres" : "grams") + "), not " + vocab::Quoted(value);
            }
            query.measured[m] = number;
        }
        return {};
    }
    bool open = false;
    if (column >= vocab::attributeCount) {
        auto& monograms = query.monograms[static_cast<std::size_t>(column - vocab::attributeCount)];
        for (const std::string_view value : values) {
            const std::string_view v = vocab::Trimmed(value);
            open = open || v.empty() || isName(v, "any");
            monograms.emplace_back(v);
        }
        if (open) {
            monograms.clear();
        }
        return {};
    }
    const vocab::Attribute& attr = vocab::attributes[static_cast<std::size_t>(column)];
    for (const std::string_view value : values) {
        const vocab::Resolved resolved = vocab::ResolveValue(attr, value);
        if (resolved.kind == vocab::Resolved::Kind::Any) {
            open = true;
        } else if (resolved.kind == vocab::Resolved::Kind::Position) {
            for (const int pos : resolved.positions) {
                query.allowPosition(column, pos);
            }
        } else {
            return vocab::ValueProblem(attr, value, resolved);
        }
    }
    if (open) {
        query.allowed[static_cast<std::size_t>(column)].clear(); // "any" fits anything
    }
    return {};
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

std::string Writer::start()
{
    started_ = true;
    return format_ == Format::Tsv ? TsvHeader(batch_, ids_) : std::string();
}

std::string Writer::coin(const Answer& answer)
{
    std::string text = started_ ? std::string() : start();
    switch (format_) {
    case Format::Report: {
        if (batch_) {
            text += "Coin at line " + std::to_string(answer.line);
            // The id is the collector's bytes, made valid with the report.
            text += answer.id ? " (id " + *answer.id + "):\n" : ":\n";
        }
        appendReport(text, answer.catalogue, answer.matches, answer.query.measured);
        if (answer.matches.empty() && (batch_ || answer.counts)) {
            text += "\n\n";
        }
        if (answer.counts) {
            text += CountsText(answer.query, *answer.counts);
            text += batch_ ? "\n" : "";
        }
        break;
    }
    case Format::Tsv:
        text += TsvRows(answer, batch_, ids_);
        break;
    case Format::Json:
        text += batch_ ? json_.coin(answer) : JsonText(answer);
        break;
    }
    return text;
}

std::string Writer::end()
{
    std::string text = started_ ? std::string() : start();
    return batch_ && format_ == Format::Json ? text + json_.end() : text;
}

BatchResult AnswerBatch(const catalogue::View& catalogue, int fd, std::string_view path,
                        const lookup::Query& shared, bool counts, Format format,
                        const std::function<void(std::string_view)>& write,
                        const std::function<void(const std::string&)>& complain,
                        const std::function<void(const Answer&)>& each)
{
    BatchResult result;
    Writer writer(format, true);
    catalogue::LineReader reader(fd, maxBatchLine);
    std::optional<BatchHeader> header;
    bool first = true;
    std::string line;
    std::int64_t number = 0;
    const auto where = [&path, &number] {
        return std::string(path) + ":" + std::to_string(number) + ": ";
    };
    for (;;) {
        const auto got = reader.next(line);
        if (got == catalogue::LineReader::Result::TooLong) {
            ++number;
            ++result.badLines;
            complain(where() + "longer than " + std::to_string(maxBatchLine) +
                     " bytes, not read; a coin is at most eleven values");
            continue;
        }
        if (got != catalogue::LineReader::Result::Line) {
            result.read = got == catalogue::LineReader::Result::End;
            break;
        }
        ++number;
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.erase(0, 3); // a byte order mark from a spreadsheet
        }
        BatchLine parsed = ParseBatchLine(line, header ? &*header : nullptr);
        if (parsed.kind == BatchLine::Kind::Skip) {
            continue;
        }
        if (std::exchange(first, false) && (header = ParseBatchHeader(line))) {
            for (const std::string& name : header->unknown) {
                complain(where() + "column " + vocab::Quoted(name) + " is not read");
            }
            writer.setIds(
                std::count(header->columns.begin(), header->columns.end(), BatchHeader::id) > 0);
            continue;
        }
        if (parsed.kind == BatchLine::Kind::Bad) {
            ++result.badLines;
            complain(where() + parsed.problem);
            continue;
        }
        parsed.query.near = shared.near;
        parsed.query.tolerance = shared.tolerance;
        Answer answer = Ask(catalogue, parsed.query, counts, number);
        answer.id = std::move(parsed.id);
        result.printed = result.printed || !answer.matches.empty();
        write(writer.coin(answer));
        if (each) {
            each(answer);
        }
    }
    if (!result.read) {
        complain("cannot read " + std::string(path) + ": read error after line " +
                 std::to_string(number));
    }
    // Closed also after a read error: JSON stays JSON, with the coins
    // answered before it.
    write(writer.end());
    return result;
}

} // namespace finder
