// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the whole program up to the loaded summary, and of the
// explorer up to its filled candidate table, against a bare Qt program that
// shows one QPlainTextEdit: wall time and peak memory of each, run as child
// processes on the offscreen platform.

#include "median_reporter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

/// A working directory holding an ordinary 699-line ptolemy.csv.
const fs::path& workDir()
{
    static const fs::path dir = [] {
        std::string name = (fs::temp_directory_path() / "rovadod-startup-XXXXXX").string();
        if (!::mkdtemp(name.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        std::ofstream out(fs::path(name) / "ptolemy.csv", std::ios::binary);
        for (int k = 0; k < 699; ++k) {
            out << 100 + k << ",AE,2" << k % 10 << ',' << k % 90 << ',' << k % 12 << ",g,1"
                << k % 100 << ",W" << k % 50 << ',' << k % 7 << ",7." << k % 10 << ",9." << k % 10
                << ",lm," << k % 9 << ",1,1," << k % 4 << ",1,1,,D" << k % 30 << ",\n";
        }
        return fs::path(name);
    }();
    return dir;
}

struct ChildRun {
    double seconds;
    long peakKb;
};

/// Runs `program` in the catalogue's directory, with `argument` when given,
/// and waits for it.
ChildRun runChild(const char* program, const char* argument = nullptr)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(workDir().c_str()) != 0) {
            ::_exit(126);
        }
        ::execl(program, program, argument, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", program, status);
        std::exit(1);
    }
    return {took.count(), usage.ru_maxrss};
}

void startup(benchmark::State& state, const char* program)
{
    for (auto _ : state) {
        const ChildRun run = runChild(program);
        state.SetIterationTime(run.seconds);
        state.counters["peak_rss_kb"] = double(run.peakKb);
    }
}

BENCHMARK_CAPTURE(startup, bare, ROVADOD_STARTUP_BARE)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(startup, rovadod, ROVADOD_STARTUP_PROGRAM)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

/// The explorer opens the catalogue named on its command line.
void startupExplorer(benchmark::State& state)
{
    const std::string catalogue = (workDir() / "ptolemy.csv").string();
    for (auto _ : state) {
        const ChildRun run = runChild(ROVADOD_STARTUP_EXPLORER, catalogue.c_str());
        state.SetIterationTime(run.seconds);
        state.counters["peak_rss_kb"] = double(run.peakKb);
    }
}
BENCHMARK(startupExplorer)
    ->Name("startup/explorer")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The explorer's settings go to the scratch folder, not the user's.
    ::setenv("XDG_CONFIG_HOME", workDir().c_str(), 1);
    const auto catalogueBytes = double(fs::file_size(workDir() / "ptolemy.csv"));
    MedianReporter reporter;
    RunWithMedians(argc, argv, 21, reporter);
    fs::remove_all(workDir());
    if (!reporter.medians.contains("startup/bare")) {
        return 0; // filtered
    }
    std::printf("\nstart-up, median of 21 (catalogue of 699 lines, %.0f bytes)\n", catalogueBytes);
    const double bareTime = reporter.seconds("startup/bare");
    const double bareKb = reporter.medians.at("startup/bare").counters.at("peak_rss_kb").value;
    if (reporter.medians.contains("startup/rovadod")) {
        const double ownTime = reporter.seconds("startup/rovadod");
        const double ownKb =
            reporter.medians.at("startup/rovadod").counters.at("peak_rss_kb").value;
        const double memoryLimitKb = 1.2 * bareKb + 2 * catalogueBytes / 1024;
        std::printf("  time: %.1f ms against bare %.1f ms: ratio %.2f (goal <= 1.30) %s\n",
                    ownTime * 1e3, bareTime * 1e3, ownTime / bareTime,
                    ownTime <= 1.3 * bareTime ? "met" : "MISSED");
        std::printf("  peak memory: %.0f KB against bare %.0f KB: limit 1.2 x bare + 2 x catalogue"
                    " = %.0f KB, ratio to bare %.2f %s\n",
                    ownKb, bareKb, memoryLimitKb, ownKb / bareKb,
                    ownKb <= memoryLimitKb ? "met" : "MISSED");
    }
    if (reporter.medians.contains("startup/explorer")) {
        const double explorerTime = reporter.seconds("startup/explorer");
        const double explorerKb =
            reporter.medians.at("startup/explorer").counters.at("peak_rss_kb").value;
        std::printf("  explorer to its filled table: %.1f ms against bare %.1f ms: ratio %.2f "
                    "(goal <= 1.50) %s; peak memory %.0f KB\n",
                    explorerTime * 1e3, bareTime * 1e3, explorerTime / bareTime,
                    explorerTime <= 1.5 * bareTime ? "met" : "MISSED", explorerKb);
    }
    return 0;
}
