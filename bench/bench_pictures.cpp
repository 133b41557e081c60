// SPDX-License-Identifier: GPL-3.0-or-later
// The picture folder: 2,000 pictures assigned to a 699-entry catalogue, by
// name alone and with the folder's scan and every header read. Run through
// bench/run; the median of the repetitions is what is compared.

#include "catalogue/catalogue.h"
#include "median_reporter.h"
#include "pictures/match.h"
#include "pictures/scan.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int pictureCount = 2000;

std::vector<std::string> numbers()
{
    std::vector<std::string> out;
    for (int k = 0; k < catalogue::maxlines; ++k) {
        // Some numbers share a prefix with a longer one, as "412" and "412-A".
        out.push_back(k % 7 == 0 ? std::to_string(100 + k / 7) + "-A" : std::to_string(100 + k));
    }
    return out;
}

/// Three pictures for most entries, some unclaimed, in no particular order.
std::vector<std::string> names()
{
    static const char* const kinds[] = {"-obverse.jpg", "-reverse.webp", "_plate-12.png",
                                        "_Plate-2.JPG"};
    std::vector<std::string> out;
    for (int i = 0; out.size() < pictureCount; ++i) {
        const int k = (i * 337) % (catalogue::maxlines + 40);
        out.push_back(std::to_string(100 + k) + kinds[i % 4]);
    }
    return out;
}

const fs::path& folder()
{
    static const fs::path dir = [] {
        std::string name = (fs::temp_directory_path() / "rovadod-bench-XXXXXX").string();
        if (!::mkdtemp(name.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        // A JPEG start with a 4 KB EXIF segment before its frame.
        std::string jpeg("\xFF\xD8\xFF\xE1\x10\x02", 6);
        jpeg += std::string(4096, 'e');
        jpeg += std::string("\xFF\xC0\x00\x11\x08\x0B\xB8\x0F\xA0", 9) + std::string(14, '\x11');
        for (const std::string& n : names()) {
            std::ofstream(fs::path(name) / n, std::ios::binary) << jpeg;
        }
        return fs::path(name);
    }();
    return dir;
}

void BM_AssignNames(benchmark::State& state)
{
    const std::vector<std::string> svs = numbers();
    const std::vector<std::string> files = names();
    for (auto _ : state) {
        const pictures::Matcher matcher(svs);
        benchmark::DoNotOptimize(pictures::Assign(matcher, files));
    }
}

void BM_ScanAndAssign(benchmark::State& state)
{
    const std::vector<std::string> svs = numbers();
    const std::string dir = folder().string();
    for (auto _ : state) {
        const pictures::Scan scan = pictures::ScanFolder(dir);
        std::vector<std::string> usable;
        for (const pictures::File& f : scan.files) {
            if (f.usable()) {
                usable.push_back(f.name);
            }
        }
        const pictures::Matcher matcher(svs);
        benchmark::DoNotOptimize(pictures::Assign(matcher, usable));
    }
}

BENCHMARK(BM_AssignNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndAssign)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    MedianReporter reporter;
    RunWithMedians(argc, argv, 15, reporter);
    fs::remove_all(folder());

    PrintGoals(reporter,
               {
                   {"BM_AssignNames", "2,000 picture names to 699 entries (ms)", 200, 1e3},
                   {"BM_ScanAndAssign", "images/ of 2,000 scanned, read, assigned (ms)", 200, 1e3},
               });
    return 0;
}
