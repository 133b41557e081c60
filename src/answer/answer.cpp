// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/answer.h"

#include "lookup/search.h"
#include "lookup/utf8.h"
#include "vocab/values.h"

#include <algorithm>

namespace answer {

namespace {

using lookup::Match;

constexpr auto attributeCount = static_cast<std::size_t>(vocab::attributeCount);

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

void AppendReport(std::string& out, const catalogue::View& catalogue,
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

std::string ReportText(const catalogue::View& catalogue, const std::vector<Match>& matches,
                       const lookup::Measured& measured)
{
    std::string report;
    AppendReport(report, catalogue, matches, measured);
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

std::string EntryText(const Answer& answer, std::size_t row)
{
    const Match& match = answer.matches.at(row);
    std::string text;
    if (match.distance > 0) {
        text += DifferenceLine(answer.catalogue, match) + '\n';
    }
    const std::string fit =
        lookup::FitWords(answer.query.measured, lookup::MeasuresOf(answer.catalogue, match.entry));
    if (!fit.empty()) {
        text += fit + '\n';
    }
    lookup::AppendReportBlock(text, answer.catalogue, match.entry);
    return text;
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

std::string ListsText(Format format)
{
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

void AppendCoinReport(std::string& out, const Answer& answer, bool batch)
{
    if (batch) {
        out += "Coin at line " + std::to_string(answer.line);
        // The id is the collector's bytes, made valid with the report.
        out += answer.id ? " (id " + *answer.id + "):\n" : ":\n";
    }
    AppendReport(out, answer.catalogue, answer.matches, answer.query.measured);
    if (answer.matches.empty() && (batch || answer.counts)) {
        out += "\n\n";
    }
    if (answer.counts) {
        out += CountsText(answer.query, *answer.counts);
        out += batch ? "\n" : "";
    }
}

} // namespace answer
