// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a rovadod-find batch file (header, patterns, numbers,
// monograms), answered against the demo catalogue in every format. Any
// crash, sanitizer report or broken invariant below is a finding.

#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/read.h"
#include "answer/tsv.h"
#include "batch.h"
#include "catalogue/catalogue.h"
#include "catalogue/table.h"
#include "fuzz_support.h"
#include "lookup/measure.h"
#include "lookup/utf8.h"
#include "json/json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using fuzzsupport::require;

/// Matches come by distance, then unknown measurements, then misfit, all
/// within near and the tolerance.
void checkOrder(const QJsonArray& matches, const lookup::Query& shared)
{
    double previous[3] = {-1, -1, -1};
    for (const QJsonValue& value : matches) {
        const QJsonObject match = value.toObject();
        const double key[3] = {match["distance"].toDouble(),
                               static_cast<double>(match["unknown"].toArray().size()),
                               match["misfit"].toDouble(0)};
        require(key[0] <= shared.near, "no match further than --near");
        require(!shared.tolerance || key[2] <= *shared.tolerance, "no match past the tolerance");
        require(std::isfinite(key[2]) && key[2] >= 0, "a misfit is a finite fraction");
        require(std::lexicographical_compare(previous, previous + 3, key, key + 3) ||
                    std::equal(previous, previous + 3, key),
                "closest first");
        std::copy(key, key + 3, previous);
    }
}

/// The demo catalogue, held as rovadod-find holds its catalogue.
std::shared_ptr<const catalogue::Table> demo;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const catalogue::LoadedTable loaded = catalogue::LoadTable(ROVADOD_DEMO_CATALOGUE);
    require(loaded.outcome.loaded() && loaded.outcome.entries > 0, "the demo catalogue loads");
    demo = loaded.table;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first bytes pick the format and what the command line would add
    // to every coin.
    lookup::Query shared;
    shared.near = size > 0 ? data[0] % 3 : 0;
    if (size > 1 && data[1] % 2) {
        shared.tolerance = data[1] / 100.0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto number = lookup::ParseDecimal(bytes)) {
        require(std::isfinite(*number) && *number >= 0, "a decimal is finite and not negative");
    }

    const answer::Format formats[] = {answer::Format::Report, answer::Format::Tsv,
                                      answer::Format::Json};
    const answer::Format format = formats[size > 2 ? data[2] % 3 : 0];
    static const fuzzsupport::MemoryFile batch("coins.tsv");
    // The file and the same bytes in memory read alike, line for line.
    std::string fromFile;
    std::string fromBytes;
    for (std::string* record : {&fromFile, &fromBytes}) {
        answer::BatchEvents events;
        events.coin = [record](answer::BatchLine&& coin, std::int64_t line) {
            *record += "coin " + std::to_string(line) + " " + coin.id.value_or("-") + "\n";
        };
        events.header = [record](const answer::BatchHeader& header) {
            *record += "header " + std::to_string(header.columns.size()) + "\n";
        };
        events.complain = [record](const std::string& problem, bool bad) {
            *record += problem + (bad ? " bad\n" : "\n");
        };
        batch.replace(data, size);
        require(record == &fromFile ? answer::ReadBatchFile(batch.fd(), "coins.tsv", events)
                                    : answer::ReadBatchBytes(bytes, "coins.tsv", events),
                "a batch in memory reads to its end");
    }
    require(fromFile == fromBytes, "a batch's bytes read as its file");
    batch.replace(data, size);
    std::string out;
    const finder::BatchResult result = finder::AnswerBatch(
        demo->view(), batch.fd(), "coins.tsv", shared, format == answer::Format::Json, format,
        [&out](std::string_view text) { out += text; }, [](const std::string&) {});
    require(result.read, "a file in memory reads to its end");
    if (format == answer::Format::Json) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(
            QByteArray(out.data(), static_cast<qsizetype>(out.size())), &error);
        require(error.error == QJsonParseError::NoError && doc.isObject(),
                "the JSON output is one document");
        for (const QJsonValue& coin : doc.object()["coins"].toArray()) {
            checkOrder(coin.toObject()["matches"].toArray(), shared);
        }
    } else if (format == answer::Format::Report) {
        require(lookup::IsValidUtf8(out), "the report is valid UTF-8");
    }
    return 0;
}
