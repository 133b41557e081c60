#include "lookup/search.h"

#include "app/rovadod.h"
#include "lookup/utf8.h"

#include <atomic>

namespace lookup {

namespace {

// The catalogue column each attribute is matched against, in attribute order.
const std::array<const Rovadod::Column*, vocab::attributeCount> codeColumns{
    &Rovadod::OFig, &Rovadod::OIns, &Rovadod::RFig, &Rovadod::RLF, &Rovadod::RFigE, &Rovadod::CMK,
};

char foldCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

const std::string& at(const Rovadod::Column& column, std::size_t i)
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
    if (!value || code.empty() || value->size() != code.size()) {
        return false;
    }
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (foldCase((*value)[i]) != foldCase(code[i])) {
            return false;
        }
    }
    return true;
}

void AppendReportBlock(std::string& report, int i)
{
    const auto k = static_cast<std::size_t>(i);
    if (Rovadod::SVCt[k] && Rovadod::SVCt[k]->empty()) {
        Rovadod::SVCt[k] = "n/a";
    }
    const auto append = [&report](std::initializer_list<std::string_view> pieces) {
        for (const std::string_view piece : pieces) {
            report.append(piece);
        }
    };
    append({"Sv ", at(Rovadod::SV, k), "\tPlate ", at(Rovadod::PLT, k), "\t", at(Rovadod::PNum, k),
            "\tDiam: \t", at(Rovadod::Dia, k), "\t# Specimens = ", at(Rovadod::SVCt, k), "\n"});
    append({"\tSNGCop \t", at(Rovadod::COP, k), "\tWeiser \t", at(Rovadod::WSR, k), "\n"});
    append({"\tMin Wt: \t", at(Rovadod::WMin, k), "\tMax Wt: \t", at(Rovadod::WMax, k), "\n"});
    append({"\tCenter (Leg) Mgm \t", at(Rovadod::LegMgm, k), "\n"});
    append({"\tLeft Field Mgm \t", at(Rovadod::LFMgm, k), "\n"});
    append({"\tRight Field Mgm \t", at(Rovadod::RFMgm, k), "\n\n"});
}

std::string FindMatches(const Codes& codes)
{
    // Read once: entries below this count are complete and never change
    // again, except for the specimen-count rule applied on this thread.
    const std::int32_t n = Rovadod::numentries.load(std::memory_order_acquire);
    std::string report;
    for (std::int32_t i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        bool all = true;
        for (std::size_t a = 0; a < codes.size() && all; ++a) {
            all = CodeMatches((*codeColumns[a])[k], codes[a]);
        }
        if (all) {
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
