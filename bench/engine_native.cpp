// SPDX-License-Identifier: GPL-3.0-or-later
// engine_native QUERIES CATALOGUE: the native side of the web engine's
// figure (web/bench/run). Each query of the batch file is answered as the
// web page asks it on every change: the answer with its counts, every
// candidate cell and sort key. Prints the best of 15 runs after a warm-up,
// as the machine may be shared.

#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/candidates.h"
#include "catalogue/table.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int near = 2; // as web/bench/engine.mjs asks
constexpr int runs = 15;

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: engine_native QUERIES CATALOGUE\n");
        return 2;
    }
    const catalogue::LoadedTable loaded = catalogue::LoadTable(argv[2]);
    if (!loaded.outcome.loaded()) {
        std::fprintf(stderr, "engine_native: cannot read %s\n", argv[2]);
        return 2;
    }
    const catalogue::View view = loaded.table->view();
    std::vector<lookup::Query> queries;
    std::ifstream in(argv[1]);
    for (std::string line; std::getline(in, line);) {
        answer::BatchLine parsed = answer::ParseBatchLine(line);
        if (parsed.kind == answer::BatchLine::Kind::Coin) {
            parsed.query.near = near;
            queries.push_back(parsed.query);
        }
    }
    double best = 1e300;
    std::size_t rows = 0;
    std::size_t bytes = 0; // kept, so that nothing is optimised away
    for (int run = 0; run <= runs; ++run) {
        rows = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const lookup::Query& query : queries) {
            const answer::Answer a = answer::Ask(view, query, true);
            for (std::size_t r = 0; r < a.matches.size(); ++r) {
                for (int c = 0; c < answer::candidateColumns; ++c) {
                    const auto column = static_cast<answer::CandidateColumn>(c);
                    bytes += answer::CandidateCell(a, r, column).size();
                    bytes += answer::CandidateNumber(a, r, column).has_value() ? 1 : 0;
                }
            }
            rows += a.matches.size();
        }
        const std::chrono::duration<double, std::milli> ms =
            std::chrono::steady_clock::now() - start;
        if (run > 0) { // the first run warms up
            best = std::min(best, ms.count());
        }
    }
    std::printf("%.1f ms for %zu queries (%zu rows, %d entries; %zu bytes)\n", best, queries.size(),
                rows, view.entries(), bytes);
    return 0;
}
