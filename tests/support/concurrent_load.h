// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "support/read_control.h"

#include <QDir>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

/// What searches saw while the catalogue loaded beside them.
struct ConcurrentLoad {
    /// Each distinct result in the order seen, with the count read before it.
    std::vector<std::pair<std::int32_t, std::string>> seen;
    /// Searches that began and ended while the loader was held in the middle
    /// of reading the file, with lines stored and more to come.
    long searchesMidRead = 0;
    /// Searches that began after that and ended before the summary: they
    /// overlap the rest of the read and the split into columns.
    long searchesAfterHold = 0;
};

/// Loads the current directory's catalogue (larger than one read block) on
/// a thread of its own while this thread searches with `codes` without
/// pause. The loader is held at its second read until a search has run, so
/// at least one search overlaps the reading however fast it is. Needs
/// read_control.cpp in the test program.
inline ConcurrentLoad searchWhileLoading(const lookup::Codes& codes)
{
    using catalogue::Catalogue;
    enum Phase { before, held, reading, summarised };
    std::atomic<int> phase{before};
    std::atomic<long> midRead{0};
    Catalogue::ClearCatalogue();
    reads::holdAfter(QDir::current().filePath("ptolemy.csv"), 1, [&phase, &midRead] {
        phase.store(held);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (midRead.load() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        phase.store(reading);
    });
    std::thread loader([&phase] {
        Catalogue::GetDatabase(
            [&phase](const std::string& text) {
                if (text != "Reading File...") {
                    phase.store(summarised);
                }
            },
            [](int) {});
    });
    ConcurrentLoad result;
    long afterHold = 0;
    while (phase.load() != summarised) {
        const int start = phase.load();
        const std::int32_t count = Catalogue::numentries.load();
        std::string found = lookup::FindMatches(codes);
        const int end = phase.load();
        if (start == held && end == held) {
            midRead.fetch_add(1);
        } else if (start == reading && end == reading) {
            ++afterHold;
        }
        if (result.seen.empty() || result.seen.back().second != found) {
            result.seen.emplace_back(count, std::move(found));
        }
    }
    loader.join();
    reads::reset();
    result.searchesMidRead = midRead.load();
    result.searchesAfterHold = afterHold;
    return result;
}

} // namespace testsupport
