// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/read.h"

#include "vocab/values.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace answer {

std::string_view ColumnName(int column)
{
    return column < lookup::clueCount
               ? lookup::ClueOption(column)
               : lookup::measureOptions.at(static_cast<std::size_t>(column - lookup::clueCount));
}

MeasureRead ReadMeasure(lookup::Measure measure, std::string_view text)
{
    MeasureRead read;
    const std::string_view trimmed = vocab::Trimmed(text);
    if (trimmed.empty()) {
        return read; // not measured
    }
    std::string decimal(trimmed);
    if (std::count(decimal.begin(), decimal.end(), ',') == 1 &&
        decimal.find('.') == std::string::npos) {
        std::replace(decimal.begin(), decimal.end(), ',', '.');
    }
    const auto m = static_cast<std::size_t>(measure);
    const double most = measureBounds[m];
    const std::optional<double> number = lookup::ParseDecimal(decimal);
    if (!number || *number <= 0 || *number > most) {
        read.problem = std::string(lookup::measureOptions[m]) +
                       " takes a number above 0 and at most " + lookup::Decimal(most) +
                       ", with \".\" or \",\" before the decimals (" +
                       (measure == lookup::Measure::Diameter ? "millimetres" : "grams") +
                       "), not " + vocab::Quoted(text);
        return read;
    }
    read.value = number;
    return read;
}

NearRead ReadNear(std::string_view text, bool blankAllowed)
{
    NearRead read;
    const std::string_view trimmed = vocab::Trimmed(text);
    if (trimmed.empty() && blankAllowed) {
        return read;
    }
    int near = 0;
    const auto [end, error] =
        std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), near);
    if (trimmed.empty() || trimmed.front() < '0' || trimmed.front() > '9' || error != std::errc() ||
        end != trimmed.data() + trimmed.size() || near > lookup::clueCount) {
        read.problem = "near takes a whole number from 0 to " + std::to_string(lookup::clueCount) +
                       ", not " + vocab::Quoted(text);
        return read;
    }
    read.value = near;
    return read;
}

std::string ReadValues(int column, const std::vector<std::string_view>& values,
                       lookup::Query& query)
{
    if (column >= lookup::clueCount) {
        const auto m = static_cast<std::size_t>(column - lookup::clueCount);
        query.measured[m].reset();
        for (const std::string_view value : values) {
            MeasureRead read = ReadMeasure(static_cast<lookup::Measure>(m), value);
            if (!read.problem.empty()) {
                return std::move(read.problem);
            }
            if (read.value) {
                query.measured[m] = read.value;
            }
        }
        return {};
    }
    bool open = false;
    if (column >= vocab::attributeCount) {
        auto& monograms = query.monograms[static_cast<std::size_t>(column - vocab::attributeCount)];
        for (const std::string_view value : values) {
            const std::string_view v = vocab::Trimmed(value);
            open = open || v.empty() || vocab::EqualsIgnoringCase(v, "any");
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

} // namespace answer
