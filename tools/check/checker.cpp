// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker.h"

#include "catalogue/catalogue.h"
#include "catalogue/line_reader.h"
#include "catalogue/table.h"
#include "lookup/query.h"
#include "lookup/search.h"
#include "pictures/match.h"
#include "pictures/scan.h"
#include "unreadable.h"
#include "vocab/values.h"
#include "vocab/vocabulary.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace check {

namespace {

using catalogue::Catalogue;

constexpr std::int64_t usedFields = catalogue::columnCount;
constexpr std::int64_t firstCodeField = catalogue::codeColumns.front().field;

std::string lineLabel(std::int64_t line)
{
    return "line " + std::to_string(line) + ": ";
}

/// True when every field after the first `fields` is empty, as trailing
/// commas from a spreadsheet leave them.
bool onlyEmptyAfter(std::string_view line, std::int64_t fields)
{
    std::size_t pos = 0;
    for (std::int64_t i = 0; i < fields; ++i) {
        pos = line.find(',', pos) + 1;
    }
    return line.find_first_not_of(',', pos) == std::string_view::npos;
}

void addFieldFindings(Result& result, std::int64_t line, std::string_view raw)
{
    const std::int64_t fields = FieldCount(raw);
    const auto quoted = QuotedCommaField(raw);
    std::string split;
    if (quoted) {
        split = "the quoted value in field " + std::to_string(*quoted) +
                " holds a comma, which splits it and shifts every later field";
    }
    if (fields > usedFields) {
        ++result.longLines;
        std::string text = lineLabel(line) + std::to_string(fields) + " fields, only the first " +
                           std::to_string(usedFields) + " are read";
        if (quoted) {
            text += "; " + split;
        } else {
            text += onlyEmptyAfter(raw, usedFields) ? "; the rest are empty and ignored"
                                                    : "; the rest are ignored";
        }
        result.findings.push_back({Finding::Kind::TooManyFields, line, std::move(text)});
    } else if (quoted) {
        ++result.quotedCommaLines;
        result.findings.push_back({Finding::Kind::QuotedComma, line, lineLabel(line) + split});
    }
}

/// How a line without any code came about, for its finding.
std::string noCodesWhat(std::string_view raw)
{
    if (raw.empty()) {
        return "blank line, an entry";
    }
    const std::int64_t fields = FieldCount(raw);
    if (fields < firstCodeField) {
        return "only " + std::to_string(fields) + (fields == 1 ? " field" : " fields") +
               ": an entry";
    }
    return "fields " + std::to_string(firstCodeField) + " to " +
           std::to_string(firstCodeField + vocab::attributeCount - 1) + " are empty: an entry";
}

void addCodeFindings(Result& result, const catalogue::Table& table, std::size_t k)
{
    const std::string_view raw = table.lines()[k];
    const auto line = static_cast<std::int64_t>(k) + 1;
    const catalogue::View view = table.view();
    if (lookup::Findable(view, static_cast<int>(k))) {
        return;
    }
    ++result.lostEntries;
    const auto split = QuotedCommaField(raw);
    bool allEmpty = true;
    for (const catalogue::ColumnInfo& field : catalogue::codeColumns) {
        const auto& v = table.at(field, k);
        allEmpty = allEmpty && v && v->empty();
    }
    if (allEmpty) {
        result.unselectableFields += vocab::attributeCount;
        const std::string what = noCodesWhat(raw);
        result.findings.push_back(
            {Finding::Kind::NoCodes, line,
             lineLabel(line) + what + " with no attribute codes can never be found"});
        return;
    }
    for (int a = 0; a < vocab::attributeCount; ++a) {
        if (!lookup::HeldPositions(view, a, static_cast<int>(k)).empty()) {
            continue;
        }
        const catalogue::ColumnInfo& field = catalogue::codeColumns[static_cast<std::size_t>(a)];
        const auto& v = table.at(field, k);
        ++result.unselectableFields;
        const std::string value = v ? *v : std::string();
        std::string text = lineLabel(line) +
                           std::string(vocab::attributes[static_cast<std::size_t>(a)].what) +
                           " code " + vocab::Quoted(value) + " (field " +
                           std::to_string(field.field) + ") can never be selected";
        // Tabs count as spaces here: a keeper sees neither.
        const std::string_view core = vocab::Trimmed(value, " \t");
        if (value.empty()) {
            text += "; the field is empty";
        } else if (core.size() != value.size() &&
                   !lookup::PositionsSelecting(a, std::string(core)).empty()) {
            text += "; spaces count, " + vocab::Quoted(core) + " would be";
        } else if (split && *split < firstCodeField + a) {
            text += "; the split in field " + std::to_string(*split) + " moved it here";
        } else if (a == 0 && vocab::EqualsIgnoringCase(value, vocab::OFigCodes.back())) {
            text += "; no list entry leads to " + vocab::Quoted(vocab::OFigCodes.back());
        }
        result.findings.push_back({Finding::Kind::NeverSelected, line, std::move(text)});
    }
}

/// A catalogue number (field 1) in double quotes, as a spreadsheet that
/// quotes its text cells saves it. The loader keeps field 1 as written, so
/// the window shows the quotes.
bool inQuotes(std::string_view sv)
{
    return sv.size() >= 2 && sv.front() == '"' && sv.back() == '"';
}

/// One finding for every quoted catalogue number: a spreadsheet quotes them
/// all, and hundreds of identical lines would bury the other findings. It
/// names the first few lines and shows the first number as the window does.
void addQuotedNumbers(Result& result, const std::vector<std::int64_t>& shown,
                      std::string_view first)
{
    const auto total = result.quotedNumberLines;
    const auto listed = static_cast<std::int64_t>(shown.size());
    std::string text;
    if (total == 1) {
        text = lineLabel(shown.front()) + "the catalogue number (field 1) is";
    } else {
        text = "lines ";
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (i > 0) {
                text += i + 1 == shown.size() && listed == total ? " and " : ", ";
            }
            text += std::to_string(shown[i]);
        }
        if (total > listed) {
            text += " and " + std::to_string(total - listed) + " more";
        }
        text += ": " + std::to_string(total) + " catalogue numbers (field 1) are";
    }
    text += " in double quotes, and the window shows them: Sv " +
            vocab::Quoted(first.substr(1, first.size() - 2)) +
            "; saving the CSV without quoting text cells avoids this";
    // In line order, ahead of the other findings of its first line.
    const auto at =
        std::lower_bound(result.findings.begin(), result.findings.end(), shown.front(),
                         [](const Finding& f, std::int64_t line) { return f.line < line; });
    result.findings.insert(at, {Finding::Kind::QuotedNumber, shown.front(), std::move(text)});
}

/// Counts the lines after the 699th, cut and bounded as the loader cuts and
/// bounds the ones it reads. False on a read error.
bool countIgnoredLines(const std::string& path, std::int64_t& ignored)
{
    ignored = 0;
    // Opened as the loader opens it: the file may have been replaced by a
    // named pipe since the load, and its open must not wait for a writer nor
    // its read for data.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    const auto size = static_cast<unsigned long long>(info.st_size);
    catalogue::LineReader reader(fd);
    unsigned long long bytesRead = 0;
    std::int64_t lines = 0;
    std::string line;
    bool ok = true;
    while (bytesRead < size) {
        const auto got = reader.next(line);
        if (got != catalogue::LineReader::Result::Line) {
            ok = got == catalogue::LineReader::Result::End;
            break;
        }
        bytesRead += line.size();
        if (++lines > Catalogue::maxlines) {
            ++ignored;
        }
    }
    ::close(fd);
    return ok;
}

/// What the picture folder beside the catalogue holds that no face shows:
/// pictures of no entry, and files that are not pictures it can show.
void addPictureFindings(Result& result, const catalogue::Table& table, const std::string& path)
{
    const pictures::Scan scan = pictures::ScanFolder(pictures::FolderBeside(path));
    if (!scan.found && scan.problem.empty()) {
        return;
    }
    result.images = true;
    const std::string folder = std::string(pictures::folderName) + "/";
    if (!scan.found) {
        ++result.badPictures;
        result.findings.push_back({Finding::Kind::BadPicture, 0,
                                   folder + ": the folder cannot be read: " + scan.problem});
        return;
    }
    std::vector<std::string> usable;
    for (const pictures::File& file : scan.files) {
        if (file.usable()) {
            usable.push_back(file.name);
        }
    }
    const pictures::Assignment assigned = pictures::Assign(pictures::Matcher(table.view()), usable);
    std::vector<bool> unclaimed(usable.size());
    for (const std::uint32_t i : assigned.unclaimed) {
        unclaimed[i] = true;
    }
    // In the folder's name order, as a keeper looks them up.
    std::size_t next = 0;
    for (const pictures::File& file : scan.files) {
        if (!file.usable()) {
            ++result.badPictures;
            result.findings.push_back(
                {Finding::Kind::BadPicture, 0, folder + file.name + ": " + file.header.problem});
        } else if (unclaimed[next++]) {
            ++result.unclaimedPictures;
            result.findings.push_back({Finding::Kind::UnclaimedPicture, 0,
                                       folder + file.name + ": belongs to no catalogue entry"});
        }
    }
    result.entriesWithoutPicture = std::count_if(assigned.byEntry.begin(), assigned.byEntry.end(),
                                                 [](const auto& list) { return list.empty(); });
}

} // namespace

std::int64_t FieldCount(std::string_view line)
{
    std::int64_t commas = 0;
    for (const char c : line) {
        commas += c == ',' ? 1 : 0;
    }
    return commas + 1;
}

std::optional<std::int64_t> QuotedCommaField(std::string_view line)
{
    std::int64_t field = 1;
    std::size_t i = 0;
    while (i <= line.size()) {
        // Only a quote that opens a field starts a quoted value.
        if (i < line.size() && line[i] == '"') {
            const auto close = line.find('"', i + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            if (line.substr(i + 1, close - i - 1).find(',') != std::string_view::npos) {
                return field;
            }
            i = close + 1;
        }
        const auto comma = line.find(',', i);
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        i = comma + 1;
        ++field;
    }
    return std::nullopt;
}

Result CheckCatalogue(const std::string& path)
{
    Result result;
    const catalogue::LoadedTable loaded = catalogue::LoadTable(path);
    result.problem = cli::CatalogueProblem(loaded.outcome);
    if (!result.problem.empty()) {
        result.status = loaded.outcome.kind == catalogue::LoadOutcome::Kind::NotFound
                            ? Status::NotFound
                            : Status::Unreadable;
        return result;
    }
    const catalogue::Table& table = *loaded.table;
    result.entries = loaded.outcome.entries;

    constexpr std::size_t quotedNumbersShown = 3;
    std::vector<std::int64_t> quotedNumbers;
    for (std::int32_t k = 0; k < result.entries; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        addFieldFindings(result, k + 1, table.lines()[slot]);
        addCodeFindings(result, table, slot);
        if (inQuotes(*table.at(catalogue::columns::SV, slot))) {
            if (quotedNumbers.size() < quotedNumbersShown) {
                quotedNumbers.push_back(k + 1);
            }
            ++result.quotedNumberLines;
        }
    }
    if (!quotedNumbers.empty()) {
        const auto first = static_cast<std::size_t>(quotedNumbers.front() - 1);
        addQuotedNumbers(result, quotedNumbers, *table.at(catalogue::columns::SV, first));
    }

    if (result.entries == Catalogue::maxlines) {
        if (!countIgnoredLines(path, result.ignoredLines)) {
            result.status = Status::Unreadable;
            result.problem = "read error after line " + std::to_string(Catalogue::maxlines);
            return result;
        }
        if (result.ignoredLines > 0) {
            const std::int64_t first = Catalogue::maxlines + 1;
            const std::int64_t last_ = Catalogue::maxlines + result.ignoredLines;
            std::string text = result.ignoredLines == 1
                                   ? lineLabel(first) + "never read"
                                   : "lines " + std::to_string(first) + " to " +
                                         std::to_string(last_) + ": " +
                                         std::to_string(result.ignoredLines) + " lines never read";
            text += "; the window reads at most " + std::to_string(Catalogue::maxlines) + " lines";
            result.findings.push_back({Finding::Kind::IgnoredLines, first, std::move(text)});
        }
    }
    addPictureFindings(result, table, path);
    return result;
}

std::string Summary(const Result& result, std::string_view path)
{
    auto row = [](std::string_view label, std::int64_t n) {
        std::string line = "  ";
        line += label;
        line.append(label.size() < 44 ? 44 - label.size() : 1, ' ');
        return line + std::to_string(n) + "\n";
    };
    std::string out = "Summary for " + std::string(path) + ": " + std::to_string(result.entries) +
                      (result.entries == 1 ? " entry read\n" : " entries read\n");
    out += row("lines after line 699, never read:", result.ignoredLines);
    out += row("lines with more than 21 fields:", result.longLines);
    out += row("other lines with a comma inside quotes:", result.quotedCommaLines);
    out += row("catalogue numbers in double quotes:", result.quotedNumberLines);
    out += row("code fields no list position selects:", result.unselectableFields);
    out += row("entries that can never be found:", result.lostEntries);
    if (result.images) {
        out += row("pictures that belong to no entry:", result.unclaimedPictures);
        out += row("files in images/ that cannot be shown:", result.badPictures);
        out += row("entries without any picture:", result.entriesWithoutPicture);
    }
    out += result.findings.empty()
               ? "Nothing to report.\n"
               : std::to_string(result.findings.size()) +
                     (result.findings.size() == 1 ? " finding.\n" : " findings.\n");
    return out;
}

int ExitStatus(const Result& result)
{
    if (result.status != Status::Read) {
        return 2;
    }
    return result.findings.empty() ? 0 : 1;
}

} // namespace check
