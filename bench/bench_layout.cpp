// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window takes to show the report of an entry whose catalogue
// number is a megabyte of one kind of text, from writing the report to every
// line laid out and the area painted; then how long the window takes to
// answer again (scroll to the end, show the next search's report). Run
// through bench/run on the offscreen platform.

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "median_reporter.h"
#include "ui/localgui.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QScrollBar>
#include <QTextBlock>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using catalogue::Catalogue;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t valueBytes = std::size_t{1} << 20;

/// One kind of catalogue value: `unit` repeated to a megabyte of UTF-8.
struct Kind {
    const char* name;
    const char* what;
    std::string unit;
};

std::string repeat(const std::string& unit, int times)
{
    std::string out;
    for (int k = 0; k < times; ++k) {
        out += unit;
    }
    return out;
}

const std::vector<Kind>& kinds()
{
    // The longest stretch without a line-break opportunity that still wraps
    // at opportunities: each line looks ahead through it.
    const int gap = LocalGUI::maxWordLength;
    static const std::vector<Kind> all{
        {"words", "Latin words, ordinary spaces", "word "},
        {"nbsp", "words joined by U+00A0", "word\u00A0"},
        {"figure_space", "digits joined by U+2007", "1234\u2007"},
        {"narrow_nbsp", "words joined by U+202F", "word\u202F"},
        {"word_joiner", "words joined by U+2060", "word\u2060"},
        {"combining", "letters with two combining marks", "a\u0301\u0316"},
        {"stacked_marks", "combining marks alone: one cluster", "\u0301"},
        {"tall_clusters", "letters under 1000 combining marks", "a" + repeat("\u0301", 1000)},
        {"rtl_words", "Arabic words, ordinary spaces", "\u0633\u0644\u0627\u0645 "},
        {"rtl_joined", "Hebrew words joined by U+00A0", "\u05E9\u05DC\u05D5\u05DD\u00A0"},
        {"cjk", "CJK ideographs and kana", "\u6F22\u5B57\u304B\u306A\u30AB\u30CA"},
        {"emoji", "emoji, modifiers, ZWJ sequences, flags",
         "\U0001F600\U0001F44D\U0001F3FD\U0001F469\u200D\U0001F469\u200D\U0001F467"
         "\U0001F1EC\U0001F1F7"},
        {"emoji_chain", "emoji joined by ZWJ: one cluster", "\U0001F469\u200D"},
        {"sparse", "a break opportunity every 1000 units", std::string(gap - 1, 'w') + " "},
    };
    return all;
}

std::string megabyteOf(const std::string& unit)
{
    std::string value;
    value.reserve(valueBytes + unit.size());
    while (value.size() + unit.size() <= valueBytes) {
        value += unit;
    }
    return value;
}

/// The report the window shows for one entry whose catalogue number is
/// `value`, made by the loader and the search as in the program.
std::string reportFor(const std::string& value)
{
    std::string dir = (fs::temp_directory_path() / "rovadod-layout-XXXXXX").string();
    if (!::mkdtemp(dir.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    const fs::path file = fs::path(dir) / "ptolemy.csv";
    {
        std::ofstream out(file, std::ios::binary);
        out << value << ",AE,24,12,7,g,155,W1,3,8.10,10.45,lm,1,1,1,1,1,1,,DI,\n";
    }
    Catalogue::GetDatabaseFrom(
        file.string(), [](const std::string&) {}, [](int) {});
    fs::remove_all(dir);
    return lookup::FindMatches(lookup::SelectionCodes({0, 0, 0, 0, 0, 0}));
}

/// Lays out every line of the output area and paints the window.
void layOutAndPaint(LocalGUI& gui)
{
    auto* area = gui.findChild<QPlainTextEdit*>("textarea");
    QAbstractTextDocumentLayout* layout = area->document()->documentLayout();
    for (QTextBlock block = area->document()->begin(); block.isValid(); block = block.next()) {
        benchmark::DoNotOptimize(layout->blockBoundingRect(block));
    }
    benchmark::DoNotOptimize(gui.grab());
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void layout(benchmark::State& state, const Kind& kind)
{
    static LocalGUI* gui = new LocalGUI(); // lives until the process ends
    const std::string report = reportFor(megabyteOf(kind.unit));
    const std::string ordinary = reportFor("DEMO-001");
    for (auto _ : state) {
        gui->replaceText(ordinary);
        layOutAndPaint(*gui);
        QCoreApplication::processEvents();

        const auto start = std::chrono::steady_clock::now();
        gui->replaceText(report);
        layOutAndPaint(*gui);
        state.SetIterationTime(secondsSince(start));

        // The window answers again: the end of the report, then a search's
        // ordinary report.
        const auto again = std::chrono::steady_clock::now();
        QScrollBar* bar = gui->findChild<QPlainTextEdit*>("textarea")->verticalScrollBar();
        bar->setValue(bar->maximum());
        benchmark::DoNotOptimize(gui->grab());
        gui->replaceText(ordinary);
        layOutAndPaint(*gui);
        QCoreApplication::processEvents();
        state.counters["answer_ms"] = secondsSince(again) * 1e3;
    }
    state.counters["chars"] = double(QString::fromStdString(report).size());
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    for (const Kind& kind : kinds()) {
        benchmark::RegisterBenchmark((std::string("layout/") + kind.name).c_str(), layout, kind)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    MedianReporter reporter;
    RunWithMedians(argc, argv, 5, reporter);

    // Figures against goals; a missed goal is printed, not hidden.
    constexpr double layoutGoalMs = 1000;
    constexpr double answerGoalMs = 100;
    std::printf("\n1 MB catalogue number, median of the repetitions\n");
    std::printf("%-14s %-44s %10s %6s %10s %6s\n", "kind", "", "laid out", "<=1000", "answers",
                "<=100");
    for (const Kind& kind : kinds()) {
        const auto it = reporter.medians.find(std::string("layout/") + kind.name);
        if (it == reporter.medians.end()) {
            continue; // filtered out
        }
        const double ms = reporter.seconds(it->first) * 1e3;
        const double answerMs = it->second.counters.at("answer_ms").value;
        std::printf("%-14s %-44s %7.1f ms %6s %7.1f ms %6s\n", kind.name, kind.what, ms,
                    ms <= layoutGoalMs ? "met" : "MISSED", answerMs,
                    answerMs <= answerGoalMs ? "met" : "MISSED");
    }
    return 0;
}
