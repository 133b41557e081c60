// SPDX-License-Identifier: GPL-3.0-or-later
// rovadod-pictures on 700 camera-sized JPEG photos (4000 × 3000): the first
// run, which makes every small copy on both cores, and a run with nothing
// changed. A few photos are made and linked under 700 names rather than
// keeping 2 GB; the folder is removed at the end. Run through bench/run.

#include "median_reporter.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int photoCount = 700;
constexpr int distinctPhotos = 4;

fs::path& folder()
{
    static fs::path dir;
    return dir;
}

/// A photo-like picture: smooth shading with fine grain, so the JPEG
/// weighs what a camera's does (a few MB), not what a flat fill does.
QImage photo(int seed)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(seed));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = static_cast<int>(random.bounded(24U));
            line[x] = qRgb((x / 16 + seed * 40 + grain) & 0xFF, (y / 12 + grain) & 0xFF,
                           ((x + y) / 28 + grain) & 0xFF);
        }
    }
    return image;
}

void makeFolder()
{
    std::string name = (fs::temp_directory_path() / "rovadod-bench-photos-XXXXXX").string();
    if (!::mkdtemp(name.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    folder() = name;
    const fs::path images = folder() / "images";
    fs::create_directories(images);
    for (int k = 0; k < distinctPhotos; ++k) {
        QImageWriter writer(
            QString::fromStdString((images / ("0-" + std::to_string(k) + ".jpg")).string()),
            "jpeg");
        writer.setQuality(90);
        if (!writer.write(photo(k))) {
            std::fprintf(stderr, "cannot write a photo: %s\n", qPrintable(writer.errorString()));
            std::exit(1);
        }
    }
    for (int n = distinctPhotos; n < photoCount; ++n) {
        fs::create_hard_link(images / ("0-" + std::to_string(n % distinctPhotos) + ".jpg"),
                             images / (std::to_string(n) + "-obverse.jpg"));
    }
    std::printf("%d photos of 4000 x 3000, %ju bytes each on average (linked from %d)\n",
                photoCount,
                static_cast<std::uintmax_t>(fs::file_size(images / "0-0.jpg") +
                                            fs::file_size(images / "0-1.jpg")) /
                    2,
                distinctPhotos);
}

/// Runs the program on the folder; its last line, or empty on failure.
std::string runTool()
{
    const std::string command =
        std::string(ROVADOD_PICTURES_EXE) + " '" + folder().string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return {};
    }
    std::string out;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
        out.append(buffer, got);
    }
    return ::pclose(pipe) == 0 ? out : std::string();
}

void BM_PicturesFirstRun(benchmark::State& state)
{
    const std::string expected = "made " + std::to_string(photoCount) + ", kept 0";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(folder() / "images" / ".rovadod");
        state.ResumeTiming();
        const std::string out = runTool();
        if (out.find(expected) == std::string::npos) {
            state.SkipWithError(("unexpected: " + out).c_str());
            break;
        }
    }
}
BENCHMARK(BM_PicturesFirstRun)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_PicturesUnchanged(benchmark::State& state)
{
    const std::string expected = "made 0, kept " + std::to_string(photoCount);
    for (auto _ : state) {
        const std::string out = runTool();
        if (out.find(expected) == std::string::npos) {
            state.SkipWithError(("unexpected: " + out).c_str());
            break;
        }
    }
}
BENCHMARK(BM_PicturesUnchanged)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    makeFolder();
    MedianReporter reporter;
    RunWithMedians(argc, argv, 2, reporter);
    PrintGoals(reporter,
               {{"BM_PicturesFirstRun", "rovadod-pictures, 700 photos made small (s)", 60, 1},
                {"BM_PicturesUnchanged", "rovadod-pictures, run again unchanged (ms)", 1000, 1e3}});
    fs::remove_all(folder());
    return 0;
}
