// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/seen.h"

#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/read.h"
#include "answer/tsv.h"
#include "json/json.h"

#include <string>
#include <string_view>

namespace explorer {

MeasureInput ReadMeasure(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    QString decimal = trimmed;
    if (decimal.count(u',') == 1 && !decimal.contains(u'.')) {
        decimal.replace(u',', u'.');
    }
    const std::optional<double> number = lookup::ParseDecimal(decimal.toStdString());
    if (!number || *number <= 0) {
        return {MeasureInput::Kind::Wrong, std::nullopt};
    }
    return {MeasureInput::Kind::Number, number};
}

lookup::Query QueryOf(const Seen& seen)
{
    lookup::Query query;
    for (int a = 0; a < vocab::attributeCount; ++a) {
        const int pos = seen.positions[static_cast<std::size_t>(a)];
        if (pos != Seen::any) {
            query.allowPosition(a, pos);
        }
    }
    // As rovadod-find reads them: trimmed, "any" open, "none" the empty field.
    for (int m = 0; m < lookup::monogramCount; ++m) {
        const std::string typed = seen.monograms[static_cast<std::size_t>(m)].toStdString();
        answer::ReadValues(vocab::attributeCount + m, {std::string_view(typed)}, query);
    }
    for (int m = 0; m < lookup::measureCount; ++m) {
        query.measured[static_cast<std::size_t>(m)] =
            ReadMeasure(seen.measures[static_cast<std::size_t>(m)]).value;
    }
    query.near = seen.near;
    return query;
}

} // namespace explorer
