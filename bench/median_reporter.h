// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

/// Prints as the console reporter does and keeps each benchmark's median,
/// so a program can compare figures with goals after the run.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    using Run = benchmark::BenchmarkReporter::Run;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run;
            }
        }
    }

    /// Median real time of `name` in seconds.
    [[nodiscard]] double seconds(const std::string& name) const
    {
        const Run& run = medians.at(name);
        return run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    std::map<std::string, Run> medians;
};

/// Runs every benchmark `repetitions` times, reporting the aggregates only;
/// the command line may override both.
inline void RunWithMedians(int argc, char** argv, int repetitions, MedianReporter& reporter)
{
    std::string reps = "--benchmark_repetitions=" + std::to_string(repetitions);
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args{argv[0], reps.data(), aggregates.data()};
    for (int i = 1; i < argc; ++i) {
        args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}

/// A figure printed against its goal after the run.
struct Goal {
    const char* name;   ///< the benchmark, e.g. "BM_SearchNoMatch"
    const char* what;   ///< the line's text, with its unit
    double limit;       ///< 0: the figure is shown without a goal
    double scale = 1e6; ///< seconds to the printed unit; 0: bytes_per_second in MB/s
    bool atMost = true; ///< the figure must not exceed the limit (else not fall below)
};

/// Prints each goal's median figure and whether it was met; a missed goal is
/// printed, not hidden. Benchmarks filtered out of the run are passed over.
inline void PrintGoals(const MedianReporter& reporter, std::initializer_list<Goal> goals)
{
    std::printf("\n%-50s %12s %10s\n", "median", "figure", "goal");
    for (const Goal& g : goals) {
        const auto it = reporter.medians.find(g.name);
        if (it == reporter.medians.end()) {
            continue;
        }
        const double figure = g.scale == 0 ? it->second.counters.at("bytes_per_second").value / 1e6
                                           : reporter.seconds(g.name) * g.scale;
        if (g.limit == 0) {
            std::printf("%-50s %12.2f %10s\n", g.what, figure, "-");
            continue;
        }
        const bool met = g.atMost ? figure <= g.limit : figure >= g.limit;
        std::printf("%-50s %12.2f %s%8.0f  %s\n", g.what, figure, g.atMost ? "<=" : ">=", g.limit,
                    met ? "met" : "MISSED");
    }
}
