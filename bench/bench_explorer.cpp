// SPDX-License-Identifier: GPL-3.0-or-later
// Rovadod Explorer's answer to one change, in process, on 699 entries: the
// six lists' counts, the ranking with measurements and near matches, and
// the candidate table's reset; then the same through the whole window
// (lists relabelled, current row and entry text kept), without painting.

#include "explorer/candidate_model.h"
#include "explorer/explorer_window.h"
#include "median_reporter.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

/// 699 entries whose codes crowd the first few list positions, as a
/// catalogue's do, with weights, diameters and monograms.
const fs::path& cataloguePath()
{
    static const fs::path path = [] {
        std::string name = (fs::temp_directory_path() / "rovadod-bench-explorer-XXXXXX").string();
        if (!::mkdtemp(name.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        const fs::path p = fs::path(name) / "ptolemy.csv";
        std::mt19937 rng(699);
        std::ofstream out(p, std::ios::binary);
        for (int k = 0; k < catalogue::maxlines; ++k) {
            out << "B-" << k << ",AE," << 18 + k % 20 << ',' << k % 90 << ',' << k % 12 << ",g,1"
                << k % 100 << ",W" << k % 50 << ',' << k % 7 << ',' << 5 + k % 9 << ".1,"
                << 9 + k % 9 << ".8,lm";
            for (const vocab::Attribute& attr : vocab::attributes) {
                const int roll = std::uniform_int_distribution<int>(0, 3)(rng);
                const int pos = roll == 0
                                    ? std::uniform_int_distribution<int>(0, attr.count() - 1)(rng)
                                    : std::min(attr.count() - 1, roll);
                out << ',' << attr.code(pos);
            }
            out << ",,D" << k % 30 << ",\n";
        }
        return p;
    }();
    return path;
}

/// Both figures and the inscription read, the symbols not; a left field
/// monogram, the diameter and weight; two differences allowed.
lookup::Query wornCoin()
{
    lookup::Query q;
    q.allowPosition(0, 1);
    q.allowPosition(1, 0);
    q.allowPosition(2, 1);
    q.monograms[1] = {"D3"};
    q.measured = {24.0, 8.2};
    q.near = 2;
    return q;
}

void BM_ExplorerAnswer(benchmark::State& state)
{
    const auto table = catalogue::LoadTable(cataloguePath().string()).table;
    explorer::CandidateModel model;
    explorer::CandidateSort sorted;
    sorted.setSourceModel(&model);
    const lookup::Query q = wornCoin();
    for (auto _ : state) {
        model.ask(table, q);
        benchmark::DoNotOptimize(model.answer().counts->data());
    }
    state.counters["candidates"] = double(model.rowCount());
}

void BM_ExplorerWindowChange(benchmark::State& state)
{
    explorer::ExplorerWindow window;
    QEventLoop loading;
    QObject::connect(&window, &explorer::ExplorerWindow::catalogueShown, &loading,
                     &QEventLoop::quit);
    QTimer::singleShot(10000, &loading, [&loading] { loading.exit(1); });
    window.openCatalogue(QString::fromStdString(cataloguePath().string()));
    if (loading.exec() != 0) {
        state.SkipWithError("the catalogue did not load");
        return;
    }
    window.findChild<QLineEdit*>(QStringLiteral("monogram1"))->setText(QStringLiteral("D3"));
    window.findChild<QLineEdit*>(QStringLiteral("measure0"))->setText(QStringLiteral("24"));
    window.findChild<QLineEdit*>(QStringLiteral("measure1"))->setText(QStringLiteral("8,2"));
    window.findChild<QSpinBox*>(QStringLiteral("near"))->setValue(2);
    window.findChild<QComboBox*>(QStringLiteral("list0"))->setCurrentIndex(2);
    auto* changed = window.findChild<QComboBox*>(QStringLiteral("list2"));
    int position = 1;
    for (auto _ : state) {
        position = 3 - position; // between two reverse figures
        changed->setCurrentIndex(position);
    }
}

BENCHMARK(BM_ExplorerAnswer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExplorerWindowChange)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // The window's settings go to a scratch folder, not the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(cataloguePath().parent_path().string()));
    MedianReporter reporter;
    RunWithMedians(argc, argv, 15, reporter);
    PrintGoals(
        reporter,
        {
            {"BM_ExplorerAnswer", "explorer: one change, counts + ranking + reset (us)", 2000},
            {"BM_ExplorerWindowChange", "explorer: one change through the whole window (us)", 0},
        });
    fs::remove_all(cataloguePath().parent_path());
    return 0;
}
