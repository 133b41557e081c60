// SPDX-License-Identifier: GPL-3.0-or-later
#include "prepare.h"

#include "catalogue/catalogue.h"
#include "pictures/header.h"
#include "pictures/index.h"
#include "pictures/match.h"
#include "pictures/scan.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QList>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace picturetool {

namespace {

constexpr std::string_view indexName = "index.tsv";

// libjpeg decodes a cut JPEG, grey where the data ended, and says so only
// as a warning through Qt's log: caught per decoding thread.
thread_local std::string* jpegWarning = nullptr;
QtMessageHandler previousHandler = nullptr;

void catchJpegWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (jpegWarning && context.category &&
        std::strcmp(context.category, "qt.gui.imageio.jpeg") == 0) {
        if (jpegWarning->empty()) {
            *jpegWarning = message.toStdString();
        }
        return;
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    }
}

/// WebP where Qt's plugin is there (smaller at the same quality), JPEG otherwise.
struct SmallFormat {
    QByteArray format;
    std::string extension;
};

SmallFormat ChooseFormat()
{
    if (QImageWriter::supportedImageFormats().contains("webp")) {
        return {"webp", ".webp"};
    }
    return {"jpeg", ".jpg"};
}

std::int64_t mtimeOf(const struct stat& info)
{
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
           static_cast<std::int64_t>(info.st_mtim.tv_nsec);
}

/// The pixels alone: no EXIF, text or colour profile can follow them into
/// the copy (a phone's photo carries where it was taken).
QImage pixelsOnly(QImage image, bool opaque)
{
    if (image.colorSpace().isValid() && image.colorSpace() != QColorSpace::SRgb) {
        image.convertToColorSpace(QColorSpace::SRgb);
    }
    const QImage::Format format =
        opaque || !image.hasAlphaChannel() ? QImage::Format_RGB32 : QImage::Format_ARGB32;
    if (opaque && image.hasAlphaChannel()) {
        // JPEG has no transparency: on white, as a page shows it.
        QImage flat(image.size(), QImage::Format_ARGB32);
        flat.fill(Qt::white);
        const QImage src = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < src.height(); ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            auto* to = reinterpret_cast<QRgb*>(flat.scanLine(y));
            for (int x = 0; x < src.width(); ++x) {
                const int a = qAlpha(from[x]);
                const auto mix = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
                to[x] = qRgb(mix(qRed(from[x])), mix(qGreen(from[x])), mix(qBlue(from[x])));
            }
        }
        image = flat;
    }
    const QImage src = image.convertToFormat(format);
    QImage out(src.size(), format);
    const auto lineBytes = static_cast<std::size_t>(src.width()) * 4;
    for (int y = 0; y < src.height(); ++y) {
        std::memcpy(out.scanLine(y), src.constScanLine(y), lineBytes);
    }
    return out;
}

QByteArray encode(const QImage& image, const QByteArray& format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        return {};
    }
    return bytes;
}

/// The copy's bytes within `smallBytes`: the highest quality that fits,
/// then fewer pixels for a picture that is all fine detail. `image` ends as
/// encoded. Most pictures fit at the top quality in one encode; for the
/// others the size grows with the quality, so halving the list finds the
/// highest that fits in at most four encodes rather than six.
QByteArray shrink(QImage& image, const QByteArray& format)
{
    constexpr std::array qualities{22, 34, 46, 58, 70, 82};
    for (int round = 0; round < 5; ++round) {
        QByteArray best;
        int low = 0;
        int high = static_cast<int>(qualities.size()) - 1;
        int probe = high;
        while (low <= high) {
            QByteArray bytes = encode(image, format, qualities[static_cast<std::size_t>(probe)]);
            if (bytes.isEmpty()) {
                return {};
            }
            if (bytes.size() <= smallBytes) {
                best = std::move(bytes);
                low = probe + 1;
            } else {
                high = probe - 1;
            }
            probe = (low + high + 1) / 2;
        }
        if (!best.isEmpty()) {
            return best;
        }
        const QSize smaller = image.size() * 3 / 4;
        if (smaller.isEmpty()) {
            break;
        }
        image = image.scaled(smaller, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

struct Made {
    pictures::IndexEntry entry;
    std::string error;        ///< the picture could not be read
    std::string writeFailure; ///< the copy could not be written
};

/// Decodes one picture at about the copy's size, upright, and writes its
/// copy into `tool`.
Made makeSmall(const std::string& images, const std::string& tool, const pictures::File& file,
               const SmallFormat& small)
{
    Made made;
    const std::string path = images + "/" + file.name;
    // The scan checked the file; it is opened again without waiting, in case
    // a named pipe took its place since.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        made.error = "cannot be read: " + catalogue::ErrorText(errno);
        return made;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        made.error = std::string(pictures::ProblemText(pictures::Problem::NotRegular));
        return made;
    }
    if (static_cast<std::uint64_t>(info.st_size) != file.bytes || mtimeOf(info) != file.mtimeNs) {
        ::close(fd);
        made.error = "changed while it was read; run rovadod-pictures again";
        return made;
    }
    QFile in;
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        made.error = "cannot be read: " + in.errorString().toStdString();
        return made;
    }
    QImageReader reader(&in, pictures::FormatName(file.header.format));
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(true);
    // The scaled size applies before the turn upright, so it is taken in the
    // stored orientation; a JPEG then decodes at 1/2, 1/4 or 1/8.
    const QSize stored(static_cast<int>(file.header.width), static_cast<int>(file.header.height));
    QSize target = stored;
    if (std::max(stored.width(), stored.height()) > smallSide) {
        target = stored.scaled(smallSide, smallSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    }
    reader.setScaledSize(target);
    std::string warning;
    jpegWarning = &warning;
    QImage image = reader.read();
    jpegWarning = nullptr;
    if (warning.find("remature end") != std::string::npos) {
        made.error = "the picture is cut short (" + warning + ")";
        return made;
    }
    if (image.isNull()) {
        made.error = "cannot be decoded: " + reader.errorString().toStdString();
        return made;
    }
    const bool turned = (reader.transformation() & QImageIOHandler::TransformationRotate90) != 0;

    image = pixelsOnly(std::move(image), small.format == "jpeg");
    const QByteArray bytes = shrink(image, small.format);
    if (bytes.isEmpty()) {
        made.error = "no small copy within 60 KB could be made";
        return made;
    }
    const std::string smallName = file.name + small.extension;
    QSaveFile out(QString::fromStdString(tool + "/" + smallName));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        made.writeFailure =
            "cannot write images/.rovadod/" + smallName + ": " + out.errorString().toStdString();
        return made;
    }
    pictures::IndexEntry& e = made.entry;
    e.name = file.name;
    // The size a browser shows, which turns the picture upright too.
    e.width = turned ? file.header.height : file.header.width;
    e.height = turned ? file.header.width : file.header.height;
    e.bytes = file.bytes;
    e.mtimeNs = file.mtimeNs;
    e.small = smallName;
    e.smallWidth = static_cast<std::uint32_t>(image.width());
    e.smallHeight = static_cast<std::uint32_t>(image.height());
    return made;
}

/// Regular files in `tool` (never followed: links and folders are left).
std::set<std::string> filesIn(const std::string& tool)
{
    std::set<std::string> names;
    DIR* dir = ::opendir(tool.c_str());
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode)) {
            names.insert(entry->d_name);
        }
    }
    ::closedir(dir);
    return names;
}

/// A name this program gives a copy: a picture's name and the copy's type.
bool copyName(std::string_view name)
{
    for (const std::string_view extension : {".webp", ".jpg"}) {
        if (name.size() > extension.size() && name.ends_with(extension) &&
            pictures::IsPictureName(name.substr(0, name.size() - extension.size()))) {
            return true;
        }
    }
    return false;
}

} // namespace

Report Prepare(const std::string& dir)
{
    Report report;
    struct stat info {};
    if (::stat(dir.c_str(), &info) != 0) {
        report.problem = "no folder " + dir + ": " + catalogue::ErrorText(errno);
        return report;
    }
    if (!S_ISDIR(info.st_mode)) {
        report.problem = dir + " is not a folder";
        return report;
    }
    const std::string images = dir + "/" + std::string(pictures::folderName);
    const pictures::Scan scan = pictures::ScanFolder(images);
    if (!scan.found) {
        report.problem = scan.problem.empty() ? "no folder images/ in " + dir
                                              : "cannot read " + images + ": " + scan.problem;
        return report;
    }
    const std::string tool = images + "/" + std::string(pictures::toolFolderName);
    if (::lstat(tool.c_str(), &info) == 0) {
        // A link could lead the removal of old copies among the keeper's own.
        if (!S_ISDIR(info.st_mode)) {
            report.problem = tool + " is not a folder (a link or a file); remove it";
            return report;
        }
    } else if (errno != ENOENT || ::mkdir(tool.c_str(), 0755) != 0) {
        report.problem = "cannot write in " + images + ": " + catalogue::ErrorText(errno);
        return report;
    }
    if (::access(tool.c_str(), W_OK | X_OK) != 0) {
        report.problem = "cannot write in " + tool + ": " + catalogue::ErrorText(errno);
        return report;
    }
    report.worked = true;

    static std::once_flag handlerOnce;
    std::call_once(handlerOnce, [] { previousHandler = qInstallMessageHandler(catchJpegWarning); });
    const SmallFormat small = ChooseFormat();
    const std::set<std::string> present = filesIn(tool);
    const std::string indexFile = tool + "/" + std::string(indexName);
    std::unordered_map<std::string, pictures::IndexEntry> before;
    for (pictures::IndexEntry& e : pictures::ReadIndexFile(indexFile).entries) {
        before.emplace(e.name, std::move(e));
    }

    std::vector<std::optional<pictures::IndexEntry>> entries(scan.files.size());
    QList<std::size_t> jobs;
    for (std::size_t i = 0; i < scan.files.size(); ++i) {
        const pictures::File& file = scan.files[i];
        if (!file.usable()) {
            report.notPrepared.push_back({file.name, file.header.problem});
            continue;
        }
        const auto old = before.find(file.name);
        if (old != before.end() && old->second.bytes == file.bytes &&
            old->second.mtimeNs == file.mtimeNs &&
            old->second.small == file.name + small.extension &&
            present.contains(old->second.small)) {
            entries[i] = old->second;
            ++report.kept;
        } else {
            jobs.push_back(i);
        }
    }

    const QList<Made> results = QtConcurrent::blockingMapped(
        jobs, [&](std::size_t i) { return makeSmall(images, tool, scan.files[i], small); });
    for (qsizetype k = 0; k < results.size(); ++k) {
        const Made& made = results[k];
        const std::string& name = scan.files[jobs[k]].name;
        if (!made.writeFailure.empty()) {
            report.worked = false;
            report.problem = made.writeFailure;
        } else if (!made.error.empty()) {
            report.notPrepared.push_back({name, made.error});
        } else {
            entries[jobs[k]] = made.entry;
            ++report.made;
        }
    }
    std::sort(report.notPrepared.begin(), report.notPrepared.end(),
              [](const NotPrepared& a, const NotPrepared& b) { return a.name < b.name; });

    std::vector<pictures::IndexEntry> index;
    std::set<std::string> copies;
    for (std::optional<pictures::IndexEntry>& e : entries) {
        if (e) {
            copies.insert(e->small);
            index.push_back(std::move(*e));
        }
    }
    const std::string text = pictures::WriteIndex(index);
    QSaveFile out(QString::fromStdString(indexFile));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !out.commit()) {
        report.worked = false;
        report.problem = "cannot write " + indexFile + ": " + out.errorString().toStdString();
        return report;
    }

    // Copies of pictures that are gone, or no longer readable, go once the
    // index no longer names them. Only names this program gives are removed.
    const int toolFd = ::open(tool.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (toolFd >= 0) {
        for (const std::string& name : present) {
            if (copyName(name) && !copies.contains(name) &&
                ::unlinkat(toolFd, name.c_str(), 0) == 0) {
                ++report.removed;
            }
        }
        ::close(toolFd);
    }
    return report;
}

} // namespace picturetool
