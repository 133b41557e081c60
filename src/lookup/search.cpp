// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup/search.h"

#include "catalogue/catalogue.h"
#include "lookup/utf8.h"

#include <atomic>

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

const std::string& at(const Catalogue::Column& column, std::size_t i)
{
    static const std::string unset;
    return column[i] ? *column[i] : unset;
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

bool EntryMatches(int i, const Codes& codes)
{
    const auto k = static_cast<std::size_t>(i);
    for (std::size_t a = 0; a < codes.size(); ++a) {
        if (!CodeMatches(catalogue::codeColumns[a].at(k), codes[a])) {
            return false;
        }
    }
    return true;
}

void AppendReportBlock(std::string& report, int i)
{
    const auto k = static_cast<std::size_t>(i);
    if (Catalogue::SVCt[k] && Catalogue::SVCt[k]->empty()) {
        Catalogue::SVCt[k] = "n/a";
    }
    const auto append = [&report](std::initializer_list<std::string_view> pieces) {
        for (const std::string_view piece : pieces) {
            report.append(piece);
        }
    };
    append({"Sv ", at(Catalogue::SV, k), "\tPlate ", at(Catalogue::PLT, k), "\t",
            at(Catalogue::PNum, k), "\tDiam: \t", at(Catalogue::Dia, k),
            "\t# Specimens = ", at(Catalogue::SVCt, k), "\n"});
    append({"\tSNGCop \t", at(Catalogue::COP, k), "\tWeiser \t", at(Catalogue::WSR, k), "\n"});
    append({"\tMin Wt: \t", at(Catalogue::WMin, k), "\tMax Wt: \t", at(Catalogue::WMax, k), "\n"});
    append({"\tCenter (Leg) Mgm \t", at(Catalogue::LegMgm, k), "\n"});
    append({"\tLeft Field Mgm \t", at(Catalogue::LFMgm, k), "\n"});
    append({"\tRight Field Mgm \t", at(Catalogue::RFMgm, k), "\n\n"});
}

std::string FindMatches(const Codes& codes)
{
    // Read once: entries below this count are complete and never change
    // again, except for the specimen-count rule applied on this thread.
    const std::int32_t n = Catalogue::numentries.load(std::memory_order_acquire);
    std::string report;
    for (std::int32_t i = 0; i < n; ++i) {
        if (EntryMatches(i, codes)) {
            AppendReportBlock(report, i);
        }
    }
    if (report.empty()) {
        return std::string(noMatch);
    }
    MakeValidUtf8(report);
    return report;
}

} // namespace lookup
