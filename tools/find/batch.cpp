// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch.h"

#include "answer/batch.h"
#include "catalogue/line_reader.h"
#include "vocab/values.h"
#include "json/json.h"

#include <utility>

namespace finder {

BatchResult AnswerBatch(const catalogue::View& catalogue, int fd, std::string_view path,
                        const lookup::Query& shared, bool counts, answer::Format format,
                        const std::function<void(std::string_view)>& write,
                        const std::function<void(const std::string&)>& complain,
                        const std::function<void(const answer::Answer&)>& each)
{
    using Read = answer::BatchReader::Read;
    BatchResult result;
    answer::Writer writer(format, true);
    catalogue::LineReader reader(fd, answer::maxBatchLine);
    answer::BatchReader batch;
    std::string line;
    std::int64_t number = 0;
    const auto where = [&path, &number] {
        return std::string(path) + ":" + std::to_string(number) + ": ";
    };
    for (;;) {
        const auto got = reader.next(line);
        if (got == catalogue::LineReader::Result::TooLong) {
            ++number;
            ++result.badLines;
            complain(where() + "longer than " + std::to_string(answer::maxBatchLine) +
                     " bytes, not read; a coin is at most eleven values");
            continue;
        }
        if (got != catalogue::LineReader::Result::Line) {
            result.read = got == catalogue::LineReader::Result::End;
            break;
        }
        ++number;
        Read read = batch.next(line);
        switch (read.kind) {
        case Read::Kind::Skip:
            continue;
        case Read::Kind::Header:
            for (const std::string& name : batch.header()->unknown) {
                complain(where() + "column " + vocab::Quoted(name) + " is not read");
            }
            writer.setIds(batch.header()->hasIds());
            continue;
        case Read::Kind::Bad:
            ++result.badLines;
            complain(where() + read.line.problem);
            continue;
        case Read::Kind::Coin:
            break;
        }
        read.line.query.near = shared.near;
        read.line.query.tolerance = shared.tolerance;
        answer::Answer answer = answer::Ask(catalogue, read.line.query, counts, number);
        answer.id = std::move(read.line.id);
        result.printed = result.printed || !answer.matches.empty();
        write(writer.coin(answer));
        if (each) {
            each(answer);
        }
    }
    if (!result.read) {
        complain("cannot read " + std::string(path) + ": read error after line " +
                 std::to_string(number));
    }
    // Closed also after a read error: JSON stays JSON, with the coins
    // answered before it.
    write(writer.end());
    return result;
}

} // namespace finder
