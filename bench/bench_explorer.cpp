// SPDX-License-Identifier: GPL-3.0-or-later
// Rovadod Explorer's answer to one change, in process, on 699 entries: the
// six lists' counts, the ranking with measurements and near matches, and
// the candidate table's reset; then the same through the whole window
// (lists relabelled, current row and entry text kept), without painting.

#include "explorer/candidate_model.h"
#include "explorer/explorer_window.h"
#include "explorer/picture_view.h"
#include "median_reporter.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
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

/// 4000 x 3000 JPEG photos, one for each of the first `count` entries as
/// their obverse, in images/ beside the catalogue: each a file of its own,
/// so that each is read for the first time once.
void writePhotos(int count)
{
    const fs::path images = cataloguePath().parent_path() / "images";
    if (fs::exists(images / ("B-" + std::to_string(count - 1) + "-obverse.jpg"))) {
        return;
    }
    fs::create_directories(images);
    QImage photo(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            // Grain, as a photo has: a smooth picture would decode unusually fast.
            const auto grain = static_cast<int>(
                (static_cast<unsigned>(x) * 2654435761U ^ static_cast<unsigned>(y) * 40503U) >> 26);
            line[x] = qRgb((x * 255 / 4000 + grain) % 256, (y * 255 / 3000 + grain) % 256,
                           (((x / 40) ^ (y / 40)) * 37 + grain) % 256);
        }
    }
    const fs::path first = images / "B-0-obverse.jpg";
    photo.save(QString::fromStdString(first.string()), "JPEG", 85);
    for (int k = 1; k < count; ++k) {
        fs::copy_file(first, images / ("B-" + std::to_string(k) + "-obverse.jpg"),
                      fs::copy_options::overwrite_existing);
    }
}

/// The window with the catalogue and its pictures scanned, shown.
std::unique_ptr<explorer::ExplorerWindow> pictureWindow()
{
    auto window = std::make_unique<explorer::ExplorerWindow>();
    window->resize(1180, 760);
    window->show();
    QEventLoop loading;
    QObject::connect(window.get(), &explorer::ExplorerWindow::catalogueShown, &loading,
                     &QEventLoop::quit);
    QTimer::singleShot(10000, &loading, [&loading] { loading.exit(1); });
    window->openCatalogue(QString::fromStdString(cataloguePath().string()));
    if (loading.exec() != 0) {
        return nullptr;
    }
    auto* strip = window->findChild<explorer::PictureStrip*>(QStringLiteral("pictures"));
    QElapsedTimer waited;
    waited.start();
    while (strip->tiles().empty() && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return strip->tiles().empty() ? nullptr : std::move(window);
}

/// Makes the row of entry B-`entry` current and waits until its pictures
/// show; returns the longest the window's thread was busy at once, in ms.
double showRow(explorer::ExplorerWindow& window, int entry)
{
    auto* table = window.findChild<QTableView*>(QStringLiteral("candidates"));
    auto* strip = window.findChild<explorer::PictureStrip*>(QStringLiteral("pictures"));
    QElapsedTimer busy;
    busy.start();
    table->setCurrentIndex(table->model()->index(entry, 0));
    double longest = double(busy.nsecsElapsed()) / 1e6;
    const auto shown = [strip] {
        const auto tiles = strip->tiles();
        return !tiles.empty() && std::all_of(tiles.begin(), tiles.end(), [](auto* t) {
            return t->isShown() || t->isRefused();
        });
    };
    while (!shown()) {
        busy.restart();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        longest = std::max(longest, double(busy.nsecsElapsed()) / 1e6);
        if (!shown()) {
            ::usleep(200);
        }
    }
    return longest;
}

/// A row change to its pictures shown, read before.
void BM_ExplorerPicturesCached(benchmark::State& state)
{
    writePhotos(2);
    const auto window = pictureWindow();
    if (!window) {
        state.SkipWithError("the pictures did not show");
        return;
    }
    showRow(*window, 0);
    showRow(*window, 1);
    int entry = 0;
    double longest = 0;
    for (auto _ : state) {
        entry = 1 - entry;
        longest = std::max(longest, showRow(*window, entry));
    }
    state.counters["longest_stall_ms"] = longest;
}

/// A row change to its picture shown, read for the first time from a
/// 4000 x 3000 JPEG; and the longest the window's thread was held meanwhile.
void BM_ExplorerPicturesFirst(benchmark::State& state)
{
    constexpr int photos = 12;
    writePhotos(photos);
    const auto window = pictureWindow();
    if (!window) {
        state.SkipWithError("the pictures did not show");
        return;
    }
    showRow(*window, 0);
    int entry = 0;
    double longest = 0;
    for (auto _ : state) {
        entry = entry % (photos - 1) + 1; // B-0 was shown when the window opened
        longest = std::max(longest, showRow(*window, entry));
    }
    state.counters["longest_stall_ms"] = longest;
}

BENCHMARK(BM_ExplorerAnswer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExplorerWindowChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExplorerPicturesCached)->Unit(benchmark::kMillisecond);
// Each iteration reads another photo for the first time: as many as there
// are, once per repetition (the cache of one window is not emptied).
BENCHMARK(BM_ExplorerPicturesFirst)->Iterations(1)->Unit(benchmark::kMillisecond);

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
            {"BM_ExplorerPicturesCached", "explorer: row change to its pictures shown, cached (ms)",
             30, 1e3},
            {"BM_ExplorerPicturesFirst",
             "explorer: row change to a 4000 x 3000 JPEG shown, first time (ms)", 150, 1e3},
        });
    fs::remove_all(cataloguePath().parent_path());
    return 0;
}
