// SPDX-License-Identifier: GPL-3.0-or-later
// Loader and search figures, each against its goal. Run through bench/run;
// the median of the repetitions is what is compared.

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "median_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using catalogue::Catalogue;

namespace {

namespace fs = std::filesystem;

const fs::path& scratch()
{
    static const fs::path dir = [] {
        std::string name = (fs::temp_directory_path() / "rovadod-bench-XXXXXX").string();
        if (!::mkdtemp(name.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return fs::path(name);
    }();
    return dir;
}

/// A 699-line catalogue whose lines carry `pad` in the kept-but-unprinted
/// field 2; every entry has the codes 1,1,1,1,1,1.
std::string writeCatalogue(const std::string& name, std::size_t pad)
{
    const std::string path = (scratch() / name).string();
    std::ofstream out(path, std::ios::binary);
    const std::string den = pad ? std::string(pad, 'p') : std::string("AE");
    for (int k = 0; k < Catalogue::maxlines; ++k) {
        out << 100 + k << ',' << den << ",2" << k % 10 << ',' << k % 90 << ',' << k % 12 << ",g,1"
            << k % 100 << ",W" << k % 50 << ',' << k % 7 << ",7." << k % 10 << ",9." << k % 10
            << ",lm,1,1,1,1,1,1,,D" << k % 30 << ",\n";
    }
    return path;
}

void load(const std::string& path)
{
    Catalogue::GetDatabaseFrom(
        path, [](const std::string&) {}, [](int) {});
}

void BM_LoadOrdinary(benchmark::State& state)
{
    const std::string path = writeCatalogue("ordinary.csv", 0);
    for (auto _ : state) {
        load(path);
        benchmark::DoNotOptimize(Catalogue::numentries.load());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(fs::file_size(path)));
}

void BM_LoadLongLines(benchmark::State& state)
{
    const std::string path = writeCatalogue("long.csv", 100 * 1024);
    for (auto _ : state) {
        load(path);
        benchmark::DoNotOptimize(Catalogue::numentries.load());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(fs::file_size(path)));
}

// Every entry agrees on five codes and differs on the last, the countermark:
// the most work a search that finds nothing can do.
void BM_SearchNoMatch(benchmark::State& state)
{
    load(writeCatalogue("search.csv", 0));
    const lookup::Codes codes{"1", "1", "1", "1", "1", "2"};
    for (auto _ : state) {
        benchmark::DoNotOptimize(lookup::FindMatches(codes));
    }
}

void BM_SearchAllMatch(benchmark::State& state)
{
    load(writeCatalogue("search.csv", 0));
    const lookup::Codes codes = lookup::SelectionCodes({0, 0, 0, 0, 0, 0});
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string report = lookup::FindMatches(codes);
        bytes = report.size();
        benchmark::DoNotOptimize(report.data());
    }
    state.counters["report_bytes"] = double(bytes);
}

BENCHMARK(BM_LoadOrdinary)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadLongLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchNoMatch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchAllMatch)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    MedianReporter reporter;
    RunWithMedians(argc, argv, 15, reporter);
    fs::remove_all(scratch());

    PrintGoals(reporter,
               {
                   {"BM_LoadOrdinary", "load and split 699 ordinary lines (us)", 1000},
                   {"BM_LoadLongLines", "load 699 x 100 KB lines (MB/s)", 200, 0, false},
                   {"BM_SearchNoMatch", "search matching nothing (us)", 20},
                   {"BM_SearchAllMatch", "search matching all 699, whole report (us)", 1000},
               });
    return 0;
}
