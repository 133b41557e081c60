// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

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
