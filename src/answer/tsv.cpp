// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/tsv.h"

#include "lookup/decimal.h"

namespace answer {

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
    for (const lookup::Match& match : answer.matches) {
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
            rows += lookup::General(*match.misfit, 6);
        }
        for (const catalogue::ColumnInfo& column : catalogue::schema) {
            rows += '\t';
            rows += TsvField(answer.catalogue.text(column, static_cast<std::size_t>(match.entry)));
        }
        rows += '\n';
    }
    return rows;
}

} // namespace answer
