// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch.h"

#include "answer/batch.h"
#include "json/json.h"

#include <utility>

namespace finder {

BatchResult AnswerBatch(const catalogue::View& catalogue, int fd, std::string_view path,
                        const lookup::Query& shared, bool counts, answer::Format format,
                        const std::function<void(std::string_view)>& write,
                        const std::function<void(const std::string&)>& complain,
                        const std::function<void(const answer::Answer&)>& each,
                        const answer::Pictures* pictures)
{
    BatchResult result;
    answer::Writer writer(format, true);
    answer::BatchEvents events;
    events.header = [&writer](const answer::BatchHeader& header) {
        writer.setIds(header.hasIds());
    };
    events.complain = [&](const std::string& problem, bool bad) {
        result.badLines += bad ? 1 : 0;
        complain(problem);
    };
    events.coin = [&](answer::BatchLine&& coin, std::int64_t line) {
        coin.query.near = shared.near;
        coin.query.tolerance = shared.tolerance;
        answer::Answer answer = answer::Ask(catalogue, coin.query, counts, line);
        answer.id = std::move(coin.id);
        answer.pictures = pictures;
        result.printed = result.printed || !answer.matches.empty();
        write(writer.coin(answer));
        if (each) {
            each(answer);
        }
    };
    result.read = answer::ReadBatchFile(fd, path, events);
    // Closed also after a read error: JSON stays JSON, with the coins
    // answered before it.
    write(writer.end());
    return result;
}

} // namespace finder
