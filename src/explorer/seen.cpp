// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/seen.h"

#include "answer/read.h"

#include <string>
#include <string_view>

namespace explorer {

namespace {

/// Reads column `column` as rovadod-find reads the same value.
std::string read(int column, const QString& typed, lookup::Query& query)
{
    const std::string text = typed.toStdString();
    return answer::ReadValues(column, {std::string_view(text)}, query);
}

} // namespace

std::string MeasureProblem(lookup::Measure measure, const QString& typed)
{
    return answer::ReadMeasure(measure, typed.toStdString()).problem;
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
        read(vocab::attributeCount + m, seen.monograms[static_cast<std::size_t>(m)], query);
    }
    // A measurement it refuses is left out, as the field shows.
    for (int m = 0; m < lookup::measureCount; ++m) {
        read(lookup::clueCount + m, seen.measures[static_cast<std::size_t>(m)], query);
    }
    query.near = seen.near;
    return query;
}

} // namespace explorer
