// SPDX-License-Identifier: GPL-3.0-or-later
// rovadod-find's figures against their goals: one worn-coin query in
// process, and a whole collection through the program. Run through
// bench/run; the median of the repetitions is what is compared.

#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/read.h"
#include "answer/tsv.h"
#include "catalogue/catalogue.h"
#include "catalogue/table.h"
#include "lookup/query.h"
#include "lookup/search.h"
#include "median_reporter.h"
#include "json/json.h"
#if defined(ROVADOD_TICKETS)
#include "pictures/index.h"
#include "pictures/match.h"

#include <QColor>
#include <QImage>
#include <sys/stat.h>
#endif

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using catalogue::Catalogue;

namespace {

namespace fs = std::filesystem;

constexpr int coins = 10000;
/// A tray or two of coins to make tickets for.
constexpr int ticketCoins = 700;

const fs::path& scratch()
{
    static const fs::path dir = [] {
        std::string name = (fs::temp_directory_path() / "rovadod-bench-find-XXXXXX").string();
        if (!::mkdtemp(name.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return fs::path(name);
    }();
    return dir;
}

/// A list position as a catalogue spreads over it: mostly the first few
/// entries (the common figures and "None"), now and then any.
int commonPosition(std::mt19937& rng, int count)
{
    if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
        return std::uniform_int_distribution<int>(0, count - 1)(rng);
    }
    return std::min(count - 1, std::uniform_int_distribution<int>(0, 3)(rng));
}

/// 699 entries with codes spread as above; returns their positions.
std::vector<lookup::Positions> writeCatalogue(const fs::path& path)
{
    std::mt19937 rng(699);
    std::vector<lookup::Positions> entries;
    std::ofstream out(path, std::ios::binary);
    for (int k = 0; k < Catalogue::maxlines; ++k) {
        lookup::Positions p{};
        out << "B-" << k << ",AE,2" << k % 10 << ',' << k % 90 << ',' << k % 12 << ",g,1" << k % 100
            << ",W" << k % 50 << ',' << k % 7 << ",7." << k % 10 << ",9." << k % 10 << ",lm";
        for (std::size_t a = 0; a < p.size(); ++a) {
            p[a] = commonPosition(rng, vocab::attributes[a].count());
            out << ',' << vocab::attributes[a].code(p[a]);
        }
        out << ",,D" << k % 30 << ",\n";
        entries.push_back(p);
    }
    return entries;
}

/// A collection of `count` coins: each a catalogue entry as read from a worn
/// coin, a quarter of its attributes unreadable and one in ten misread;
/// with `ids`, a header and the collector's number first.
fs::path writeBatch(const std::vector<lookup::Positions>& entries, const std::string& name,
                    int count, bool ids)
{
    const fs::path path = scratch() / name;
    std::mt19937 rng(static_cast<unsigned>(count));
    std::ofstream out(path, std::ios::binary);
    out << "# " << count << " coins\n";
    if (ids) {
        out << "id";
        for (int column = 0; column < answer::valueColumns; ++column) {
            out << '\t' << answer::ColumnName(column);
        }
        out << '\n';
    }
    for (int c = 0; c < count; ++c) {
        if (ids) {
            out << "T" << c / 100 + 1 << '-' << c % 100 + 1 << '\t';
        }
        lookup::Positions p =
            entries[std::uniform_int_distribution<std::size_t>(0, entries.size() - 1)(rng)];
        for (std::size_t a = 0; a < p.size(); ++a) {
            const int roll = std::uniform_int_distribution<int>(0, 39)(rng);
            const vocab::Attribute& attr = vocab::attributes[a];
            if (roll < 10) {
                out << (a ? "\t" : "");
                continue;
            }
            if (roll < 14) {
                p[a] = std::uniform_int_distribution<int>(0, attr.count() - 1)(rng);
            }
            out << (a ? "\t" : "")
                << (roll % 2 ? attr.texts[static_cast<std::size_t>(p[a])]
                             : "#" + std::to_string(p[a] + 1));
        }
        // No monograms legible; a diameter and a weight, as measured.
        out << "\t\t\t\t" << 20 + c % 10 << '\t' << 7 + c % 3 << '.' << c % 10 << '\n';
    }
    return path;
}

const fs::path& cataloguePath()
{
    static const fs::path path = [] {
        const fs::path p = scratch() / "ptolemy.csv";
        const auto entries = writeCatalogue(p);
        writeBatch(entries, "coins.tsv", coins, false);
        writeBatch(entries, "tray.tsv", ticketCoins, true);
        return p;
    }();
    return path;
}

/// The catalogue as rovadod-find holds it.
std::shared_ptr<const catalogue::Table> load()
{
    return catalogue::LoadTable(cataloguePath().string()).table;
}

/// A worn coin: both figures and the inscription read, the symbols not, a
/// left field monogram, its diameter and weight.
lookup::Query wornCoin()
{
    lookup::Query q;
    q.allowPosition(0, 0);
    q.allowPosition(1, 0);
    q.allowPosition(2, 1);
    q.monograms[1] = {"D3"};
    q.measured = {24.0, 8.2};
    q.near = 2;
    return q;
}

void BM_FindQuery(benchmark::State& state)
{
    const auto table = load();
    const catalogue::View loaded = table->view();
    const lookup::Query q = wornCoin();
    std::size_t found = 0;
    for (auto _ : state) {
        const auto matches = lookup::RankMatches(loaded, q);
        const auto counts = lookup::CountFacets(loaded, q);
        found = matches.size();
        benchmark::DoNotOptimize(matches.data());
        benchmark::DoNotOptimize(counts[0].data());
    }
    state.counters["matches"] = double(found);
}

void BM_FindQueryWithReport(benchmark::State& state)
{
    const auto table = load();
    const catalogue::View loaded = table->view();
    const lookup::Query q = wornCoin();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const answer::Answer answer = answer::Ask(loaded, q, true);
        const std::string text = answer::ReportText(loaded, answer.matches, q.measured) +
                                 answer::CountsText(q, *answer.counts);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["report_bytes"] = double(bytes);
}

/// Runs rovadod-find with `args` and the catalogue, its standard output
/// discarded; the wall time of the whole process.
double findProcessSeconds(const std::vector<std::string>& args)
{
    const std::string catalogue = cataloguePath().string();
    std::vector<const char*> argv{ROVADOD_FIND_EXE};
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    argv.push_back(catalogue.c_str());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0) {
            ::_exit(126);
        }
        // execv's array is not const for C's sake; it changes nothing.
        ::execv(ROVADOD_FIND_EXE, const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        std::fprintf(stderr, "rovadod-find failed (status %d)\n", status);
        std::exit(1);
    }
    return took.count();
}

/// rovadod-find over the whole collection, measured coins and --near=1,
/// output discarded.
void BM_FindBatchProcess(benchmark::State& state)
{
    const std::string batch = "--batch=" + (scratch() / "coins.tsv").string();
    for (auto _ : state) {
        state.SetIterationTime(findProcessSeconds({batch, "--near=1"}));
    }
}

/// rovadod-find making a PDF of tickets for a tray of coins with ids.
void BM_FindTicketsProcess(benchmark::State& state)
{
    cataloguePath();
    const fs::path pdf = scratch() / "tickets.pdf";
    const std::vector<std::string> args{"--batch=" + (scratch() / "tray.tsv").string(), "--near=1",
                                        "--tickets=" + pdf.string()};
    for (auto _ : state) {
        fs::remove(pdf);
        state.SetIterationTime(findProcessSeconds(args));
        if (!fs::exists(pdf)) {
            std::fprintf(stderr, "rovadod-find wrote no tickets\n");
            std::exit(1);
        }
    }
    state.counters["pdf_bytes"] = double(fs::file_size(pdf));
}

#if defined(ROVADOD_TICKETS)
/// The same tickets with a picture on each: every entry has one in images/
/// beside the catalogue, with a current small copy that the ticket reads.
void BM_FindTicketsPicturesProcess(benchmark::State& state)
{
    const fs::path images = cataloguePath().parent_path() / "images";
    fs::create_directories(images / ".rovadod");
    const auto table = catalogue::LoadTable(cataloguePath().string()).table;
    const catalogue::View view = table->view();
    QImage photo(480, 360, QImage::Format_RGB32);
    std::vector<pictures::IndexEntry> index;
    for (std::int32_t e = 0; e < view.entries(); ++e) {
        photo.fill(QColor::fromHsv(e % 360, 160, 200));
        const std::string sv = view.text(catalogue::columns::SV, static_cast<std::size_t>(e));
        const std::string name = pictures::SafeNumber(sv) + "-obverse.jpg";
        const fs::path file = images / name;
        const fs::path small = images / ".rovadod" / ("s" + std::to_string(e) + ".jpg");
        if (sv.empty() || !photo.save(QString::fromStdString(file.string()), "JPEG") ||
            !photo.save(QString::fromStdString(small.string()), "JPEG")) {
            continue;
        }
        struct stat info {};
        ::stat(file.c_str(), &info);
        index.push_back(
            {name, 480, 360, static_cast<std::uint64_t>(info.st_size),
             static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
             small.filename().string(), 480, 360});
    }
    std::ofstream(images / std::string(pictures::indexPath)) << pictures::WriteIndex(index);
    const fs::path pdf = scratch() / "tickets-pictures.pdf";
    const std::vector<std::string> args{"--batch=" + (scratch() / "tray.tsv").string(), "--near=1",
                                        "--tickets=" + pdf.string()};
    for (auto _ : state) {
        fs::remove(pdf);
        state.SetIterationTime(findProcessSeconds(args));
        if (!fs::exists(pdf)) {
            std::fprintf(stderr, "rovadod-find wrote no tickets\n");
            std::exit(1);
        }
    }
    state.counters["pdf_bytes"] = double(fs::file_size(pdf));
    state.counters["pictures"] = double(index.size());
    fs::remove_all(images);
}
#endif

BENCHMARK(BM_FindQuery)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindQueryWithReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindBatchProcess)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
#if defined(ROVADOD_TICKETS)
BENCHMARK(BM_FindTicketsProcess)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindTicketsPicturesProcess)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
#endif

} // namespace

int main(int argc, char** argv)
{
    MedianReporter reporter;
    RunWithMedians(argc, argv, 15, reporter);
    if (!std::getenv("ROVADOD_BENCH_KEEP")) {
        fs::remove_all(scratch());
    }

    // The report's own figure has no goal: it shows what the text adds.
    PrintGoals(reporter,
               {
                   {"BM_FindQuery",
                    "query, --near=2, diameter, weight, a monogram, --counts, 699 lines (us)", 100},
                   {"BM_FindQueryWithReport", "  the same with report and counts text (us)", 0},
                   {"BM_FindBatchProcess", "10,000 measured coins, --near=1, whole process (ms)",
                    1000, 1e3},
                   {"BM_FindTicketsProcess",
                    "tickets PDF of 700 measured coins, whole process (ms)", 2000, 1e3},
                   {"BM_FindTicketsPicturesProcess",
                    "  the same, a picture on every ticket from its small copy (ms)", 2000, 1e3},
               });
    return 0;
}
