// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as the catalogue file, loaded and searched. Any crash,
// sanitizer report or broken invariant below is a finding.

#include "catalogue/catalogue.h"
#include "catalogue/messages.h"
#include "catalogue/table.h"
#include "fuzz_support.h"
#include "lookup/search.h"
#include "lookup/utf8.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

using catalogue::Catalogue;

namespace {

using fuzzsupport::require;

/// The catalogue lives in memory: a file the loader opens by path.
const fuzzsupport::MemoryFile& catalogueFile()
{
    static const fuzzsupport::MemoryFile file("ptolemy.csv");
    return file;
}

const std::string& cataloguePath()
{
    static const std::string path = catalogueFile().path();
    return path;
}

/// Lines in `bytes`: LF, CR and CR LF each end one; a last unterminated line
/// counts.
int countLines(std::string_view bytes)
{
    int lines = 0;
    bool open = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            ++lines;
            open = false;
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            open = true;
        }
    }
    return lines + (open ? 1 : 0);
}

bool matchesAll(std::size_t k, const lookup::Codes& codes)
{
    for (std::size_t a = 0; a < codes.size(); ++a) {
        if (!lookup::CodeMatches(catalogue::codeColumns[a].at(k), codes[a])) {
            return false;
        }
    }
    return true;
}

/// The report must cut back into whole seven-line blocks, one per match.
void checkReport(const std::string& report, int matches)
{
    require(lookup::IsValidUtf8(report), "report is valid UTF-8");
    if (matches == 0) {
        require(report == lookup::noMatch, "no match gives the no-match text");
        return;
    }
    static constexpr std::string_view starts[7] = {
        "Sv ",
        "\tSNGCop \t",
        "\tMin Wt: \t",
        "\tCenter (Leg) Mgm \t",
        "\tLeft Field Mgm \t",
        "\tRight Field Mgm \t",
        "",
    };
    std::size_t pos = 0;
    int line = 0;
    while (pos < report.size()) {
        const std::size_t end = report.find('\n', pos);
        require(end != std::string::npos, "every line ends in LF");
        const std::string_view text(report.data() + pos, end - pos);
        const std::string_view start = starts[line % 7];
        require(text.starts_with(start), "block line starts with its label");
        if (line % 7 == 6) {
            require(text.empty(), "block ends with an empty line");
        }
        if (line % 7 == 0) {
            require(text.find("\tPlate ") != std::string_view::npos &&
                        text.find("\tDiam: \t") != std::string_view::npos &&
                        text.find("\t# Specimens = ") != std::string_view::npos,
                    "first line carries plate, diameter and specimens");
        }
        pos = end + 1;
        ++line;
    }
    require(line % 7 == 0, "whole blocks");
    require(line / 7 == matches, "one block per match");
}

void search(const lookup::Codes& codes, int n, const catalogue::View& value)
{
    int matches = 0;
    for (int k = 0; k < n; ++k) {
        matches += matchesAll(static_cast<std::size_t>(k), codes) ? 1 : 0;
    }
    const std::string report = lookup::FindMatches(codes);
    checkReport(report, matches);
    require(lookup::FindMatches(value, codes) == report, "a value's report is the window's");
    for (int k = 0; k < n; ++k) {
        if (matchesAll(static_cast<std::size_t>(k), codes)) {
            require(!Catalogue::SVCt[static_cast<std::size_t>(k)]->empty(),
                    "a reported specimen count is never left empty");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    catalogueFile().replace(data, size);
    Catalogue::ClearCatalogue();
    std::vector<std::string> messages;
    static int pauses;
    pauses = 0;
    Catalogue::GetDatabaseFrom(
        cataloguePath(), [&messages](const std::string& m) { messages.push_back(m); },
        [](int) { ++pauses; });

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int n = Catalogue::numentries.load();
    require(n >= 0 && n <= Catalogue::maxlines, "at most 699 entries");
    require(n == std::min(countLines(bytes), Catalogue::maxlines), "every line is one entry");
    require(messages.size() == 2 && messages[0] == messages::reading &&
                messages[1] == messages::summary(n),
            "reading, then the summary of what was loaded");
    require(pauses == 0, "no pause after a good load");

    for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
        for (const catalogue::ColumnInfo& col : catalogue::schema) {
            const auto& value = col.at(k);
            require(value.has_value(), "every column of a loaded entry is set");
            require(value->find_first_of(",\r\n") == std::string::npos,
                    "no separator inside a value");
            require(col.fill == catalogue::Fill::Verbatim || value->find('"') == std::string::npos,
                    "quotes removed after field 1");
        }
    }
    if (n < Catalogue::maxlines) {
        for (const catalogue::ColumnInfo& col : catalogue::schema) {
            require(!col.at(static_cast<std::size_t>(n)).has_value(),
                    "slots past the count stay unset");
        }
    }

    // The same bytes loaded as a value from memory, before any search of the
    // window's catalogue stores its "n/a".
    const catalogue::LoadedTable loaded = catalogue::LoadTableFromBytes(bytes);
    const catalogue::Table& table = *loaded.table;
    require(loaded.outcome.loaded() && table.entries() == n, "a value loads the same entries");
    for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
        require(table.lines()[k] == Catalogue::database[k], "a value's lines are the window's");
        for (const catalogue::ColumnInfo& col : catalogue::schema) {
            require(table.at(col, k) == col.at(k), "a value's columns are the window's");
        }
    }

    // A selection from the lists, picked by the input's first bytes.
    lookup::Positions positions{};
    for (std::size_t a = 0; a < positions.size(); ++a) {
        positions[a] = a < size ? data[a] % 40 : 0;
    }
    search(lookup::SelectionCodes(positions), n, table.view());
    // The codes of the first and the last entry, which surely match.
    for (const int k : {0, n - 1}) {
        if (k < 0 || k >= n) {
            continue;
        }
        std::array<std::string, 6> own;
        lookup::Codes codes{};
        for (std::size_t a = 0; a < codes.size(); ++a) {
            own[a] = *catalogue::codeColumns[a].at(static_cast<std::size_t>(k));
            codes[a] = own[a];
        }
        search(codes, n, table.view());
    }
    return 0;
}
