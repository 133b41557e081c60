// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup/search.h"

#include "catalogue/catalogue.h"
#include "lookup/utf8.h"

namespace lookup {

namespace {

using catalogue::Catalogue;

char foldCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

/// The ASCII capital that the letter at the start of `text` is a case
/// variant of, or 0: dotted and dotless I, long s and the Kelvin sign.
char caseFoldsToAscii(std::string_view text)
{
    if (text.starts_with("\xC4\xB0") || text.starts_with("\xC4\xB1")) {
        return 'I';
    }
    if (text.starts_with("\xC5\xBF")) {
        return 'S';
    }
    if (text.starts_with("\xE2\x84\xAA")) {
        return 'K';
    }
    return 0;
}

const std::string& at(const catalogue::View& catalogue, const catalogue::ColumnInfo& column,
                      std::size_t i)
{
    return catalogue.text(column, i);
}

void appendBlock(std::string& report, const catalogue::View& catalogue, int i)
{
    namespace col = catalogue::columns;
    const auto k = static_cast<std::size_t>(i);
    const auto field = [&](const catalogue::ColumnInfo& column) -> std::string_view {
        return at(catalogue, column, k);
    };
    // Shown, not stored: the window stores it itself, on its own catalogue.
    const auto& count = catalogue.at(col::SVCt, k);
    const std::string_view specimens = count && count->empty() ? "n/a" : field(col::SVCt);
    const auto append = [&report](std::initializer_list<std::string_view> pieces) {
        for (const std::string_view piece : pieces) {
            report.append(piece);
        }
    };
    append({"Sv ", field(col::SV), "\tPlate ", field(col::PLT), "\t", field(col::PNum),
            "\tDiam: \t", field(col::Dia), "\t# Specimens = ", specimens, "\n"});
    append({"\tSNGCop \t", field(col::COP), "\tWeiser \t", field(col::WSR), "\n"});
    append({"\tMin Wt: \t", field(col::WMin), "\tMax Wt: \t", field(col::WMax), "\n"});
    append({"\tCenter (Leg) Mgm \t", field(col::LegMgm), "\n"});
    append({"\tLeft Field Mgm \t", field(col::LFMgm), "\n"});
    append({"\tRight Field Mgm \t", field(col::RFMgm), "\n\n"});
}

/// The window's rule: an empty specimen count of its catalogue becomes
/// "n/a" for good once a report shows it.
void fillSpecimenCount(int i)
{
    auto& count = Catalogue::SVCt[static_cast<std::size_t>(i)];
    if (count && count->empty()) {
        count = "n/a";
    }
}

std::string matchesReport(const catalogue::View& catalogue, const Codes& codes, bool window)
{
    std::string report;
    for (std::int32_t i = 0; i < catalogue.entries(); ++i) {
        if (EntryMatches(catalogue, i, codes)) {
            if (window) {
                fillSpecimenCount(i);
            }
            appendBlock(report, catalogue, i);
        }
    }
    if (report.empty()) {
        return std::string(noMatch);
    }
    MakeValidUtf8(report);
    return report;
}

} // namespace

Codes SelectionCodes(const Positions& positions)
{
    Codes codes{};
    for (std::size_t a = 0; a < codes.size(); ++a) {
        codes[a] = vocab::attributes[a].code(positions[a]);
    }
    return codes;
}

bool CodeMatches(const std::optional<std::string>& value, std::string_view code)
{
    if (!value || code.empty()) {
        return false;
    }
    // Compared letter by letter, as characters: besides ASCII, four letters
    // outside it have a case partner among the code letters.
    const std::string& v = *value;
    std::size_t at = 0;
    for (const char want : code) {
        if (at >= v.size()) {
            return false;
        }
        const auto lead = static_cast<unsigned char>(v[at]);
        if (lead < 0x80) {
            if (foldCase(v[at]) != foldCase(want)) {
                return false;
            }
            ++at;
            continue;
        }
        const std::string_view rest = std::string_view(v).substr(at);
        const char partner = caseFoldsToAscii(rest);
        if (partner == 0 || partner != foldCase(want)) {
            return false;
        }
        at += rest.starts_with("\xE2") ? 3 : 2;
    }
    return at == v.size();
}

std::vector<int> PositionsSelecting(int attribute, const std::optional<std::string>& value)
{
    std::vector<int> positions;
    ForPositionsSelecting(attribute, value, [&positions](int pos) { positions.push_back(pos); });
    return positions;
}

bool EntryMatches(const catalogue::View& catalogue, int i, const Codes& codes)
{
    const auto k = static_cast<std::size_t>(i);
    for (std::size_t a = 0; a < codes.size(); ++a) {
        if (!CodeMatches(catalogue.at(catalogue::codeColumns[a], k), codes[a])) {
            return false;
        }
    }
    return true;
}

bool EntryMatches(int i, const Codes& codes)
{
    return EntryMatches(Catalogue::Published(), i, codes);
}

void AppendReportBlock(std::string& report, const catalogue::View& catalogue, int i)
{
    appendBlock(report, catalogue, i);
}

void AppendReportBlock(std::string& report, int i)
{
    fillSpecimenCount(i);
    appendBlock(report, Catalogue::Published(), i);
}

std::string FindMatches(const catalogue::View& catalogue, const Codes& codes)
{
    return matchesReport(catalogue, codes, false);
}

std::string FindMatches(const Codes& codes)
{
    // One view, so the count is read once: entries below it are complete
    // and never change again, except for the specimen-count rule applied on
    // this thread.
    return matchesReport(Catalogue::Published(), codes, true);
}

} // namespace lookup
