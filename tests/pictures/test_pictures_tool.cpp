// SPDX-License-Identifier: GPL-3.0-or-later
// rovadod-pictures run as the keeper runs it: the copies and index it
// writes, what it says of each bad file, what a second run redoes, and
// when it cannot work at all.
#include "pictures/index.h"
#include "support/run_program.h"

#include <QtTest>

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run runTool(const QStringList& args, const QString& workDir)
{
    const testsupport::ProgramRun raw =
        testsupport::runProgram(QStringLiteral(ROVADOD_PICTURES_EXE), args, workDir);
    return {raw.status, QString::fromUtf8(raw.out), QString::fromUtf8(raw.err)};
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

QByteArray be16(unsigned v)
{
    return QByteArray(1, static_cast<char>(v >> 8 & 0xFF)) + static_cast<char>(v & 0xFF);
}

QByteArray be32(unsigned v)
{
    return be16(v >> 16) + be16(v & 0xFFFF);
}

/// A big-endian IFD entry whose value fits in its 4 bytes, or points at them.
QByteArray ifdEntry(unsigned tag, unsigned type, unsigned count, const QByteArray& value)
{
    return be16(tag) + be16(type) + be32(count) + value.leftJustified(4, '\0');
}

/// A camera's photo held sideways: stored 1600 × 800, left half red and
/// right half blue, with EXIF orientation 6 (turn a quarter clockwise to
/// see it) and a GPS position whose datum names the place.
QByteArray sidewaysPhotoWithGps()
{
    QImage image(1600, 800, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width() / 2; ++x) {
            image.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    const QByteArray jpeg = encoded(image, "jpeg");
    // TIFF header, IFD0 (orientation, GPS pointer) at 8, GPS IFD at 38, its text at 68.
    QByteArray tiff = "MM" + be16(42) + be32(8);
    tiff += be16(2) + ifdEntry(0x0112, 3, 1, be16(6)) + ifdEntry(0x8825, 4, 1, be32(38)) + be32(0);
    tiff += be16(2) + ifdEntry(0x0001, 2, 2, "N") + ifdEntry(0x0012, 2, 12, be32(68)) + be32(0);
    tiff += QByteArray("SECRETPLACE") + '\0';
    const QByteArray app1 = QByteArray("Exif") + '\0' + '\0' + tiff;
    return jpeg.left(2) + "\xFF\xE1" + be16(static_cast<unsigned>(app1.size()) + 2) + app1 +
           jpeg.mid(2);
}

unsigned crc32(const QByteArray& bytes)
{
    unsigned crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

/// A decompression bomb's start: a PNG claiming 30,000 × 30,000 pixels.
QByteArray hugePngHeader()
{
    const QByteArray ihdr =
        "IHDR" + be32(30000) + be32(30000) + QByteArray("\x08\x02\x00\x00\x00", 5);
    const QByteArray iend = "IEND";
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(13) + ihdr + be32(crc32(ihdr)) + be32(0) +
           iend + be32(crc32(iend));
}

QImage noise(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            line[x] = 0xFF000000u | (QRandomGenerator::global()->generate() & 0xFFFFFFu);
        }
    }
    return image;
}

QImage filled(int w, int h, Qt::GlobalColor color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QByteArray sha(const QString& path)
{
    return QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256);
}

pictures::Index indexOf(const QString& images)
{
    return pictures::ReadIndexFile((images + "/.rovadod/index.tsv").toStdString());
}

const pictures::IndexEntry* find(const pictures::Index& index, const QString& name)
{
    for (const pictures::IndexEntry& e : index.entries) {
        if (e.name == name.toStdString()) {
            return &e;
        }
    }
    return nullptr;
}

enum class Kind {
    SidewaysGpsJpeg,
    Png,
    SmallWebp,
    NoisePng,
    TextAsJpeg,
    CutJpeg,
    HugePng,
    Heic,
    Fifo,
    LinkOutside,
    FolderAsJpeg,
    DotFile
};

/// Puts the row's file `name` into `images`, `outside` being a folder beside it.
bool make(Kind kind, const QString& images, const QString& name, const QString& outside)
{
    const QString path = images + '/' + name;
    switch (kind) {
    case Kind::SidewaysGpsJpeg:
    case Kind::DotFile:
        return writeFile(path, sidewaysPhotoWithGps());
    case Kind::Png:
        return writeFile(path, encoded(filled(600, 300, Qt::green), "png"));
    case Kind::SmallWebp:
        return writeFile(path, encoded(filled(200, 100, Qt::yellow), "webp"));
    case Kind::NoisePng:
        return writeFile(path, encoded(noise(1200), "png"));
    case Kind::TextAsJpeg:
        return writeFile(path, "not a picture at all\n");
    case Kind::CutJpeg:
        return writeFile(path, sidewaysPhotoWithGps().left(3000));
    case Kind::HugePng:
        return writeFile(path, hugePngHeader());
    case Kind::Heic:
        return writeFile(path, be32(24) + "ftypheic" + be32(0) + "mif1heic" + QByteArray(64, '\0'));
    case Kind::Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    case Kind::LinkOutside:
        return writeFile(outside + "/elsewhere.png", encoded(filled(50, 50, Qt::red), "png")) &&
               QFile::link(outside + "/elsewhere.png", path);
    case Kind::FolderAsJpeg:
        return QDir(images).mkdir(name);
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestPicturesTool final : public QObject {
    Q_OBJECT

private slots:
    void oneFile_data();
    void oneFile();
    void secondRun_redoesOnlyWhatChanged();
    void cannotWork_exits2_data();
    void cannotWork_exits2();
};

void TestPicturesTool::oneFile_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("copySize"); // invalid: no copy; (0, 0): any size
    QTest::addColumn<QString>("message");

    QTest::newRow("sideways JPEG with GPS: upright, no EXIF")
        << Kind::SidewaysGpsJpeg << "DEMO-2-obverse.jpg" << QSize(240, 480) << QString();
    QTest::newRow("PNG") << Kind::Png << "DEMO-2.PNG" << QSize(480, 240) << QString();
    QTest::newRow("small WebP, never enlarged")
        << Kind::SmallWebp << "DEMO-2_plate-12.webp" << QSize(200, 100) << QString();
    QTest::newRow("noise within 60 KB")
        << Kind::NoisePng << "DEMO-3.png" << QSize(0, 0) << QString();
    QTest::newRow("text named .jpg") << Kind::TextAsJpeg << "DEMO-2.jpg" << QSize()
                                     << "DEMO-2.jpg: not a JPEG, PNG or WebP picture";
    QTest::newRow("cut JPEG") << Kind::CutJpeg << "DEMO-2.jpg" << QSize()
                              << "DEMO-2.jpg: the picture is cut short";
    QTest::newRow("30000 x 30000 PNG")
        << Kind::HugePng << "DEMO-2.png" << QSize() << "DEMO-2.png: over 50 megapixels (30000";
    QTest::newRow("HEIC") << Kind::Heic << "IMG_0001.heic" << QSize()
                          << "IMG_0001.heic: HEIC photos are not supported";
    QTest::newRow("named pipe") << Kind::Fifo << "DEMO-2.jpg" << QSize()
                                << "DEMO-2.jpg: not a regular file";
    QTest::newRow("link outside") << Kind::LinkOutside << "DEMO-2.png" << QSize()
                                  << "DEMO-2.png: a link to a file outside images/";
    QTest::newRow("folder x.jpg") << Kind::FolderAsJpeg << "x.jpg" << QSize()
                                  << "x.jpg: a folder, not a picture";
    QTest::newRow("dot file") << Kind::DotFile << ".hidden.jpg" << QSize() << QString();
}

// Each row beside a good picture, which is always prepared.
void TestPicturesTool::oneFile()
{
    QFETCH(Kind, kind);
    QFETCH(QString, name);
    QFETCH(QSize, copySize);
    QFETCH(QString, message);

    QTemporaryDir dir;
    const QString images = dir.path() + "/site/images";
    QVERIFY(QDir().mkpath(images));
    QVERIFY(QDir().mkpath(dir.path() + "/outside"));
    QVERIFY(writeFile(images + "/DEMO-1.png", encoded(filled(100, 80, Qt::gray), "png")));
    QVERIFY(make(kind, images, name, dir.path() + "/outside"));
    const QByteArray before =
        kind == Kind::FolderAsJpeg || kind == Kind::Fifo ? QByteArray() : sha(images + '/' + name);

    const Run run = runTool({dir.path() + "/site"}, dir.path());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QString());
    const bool copy = copySize.isValid();
    const int unread = message.isEmpty() ? 0 : 1;
    QVERIFY2(run.out.endsWith(QStringLiteral("made %1, kept 0, removed 0, could not read %2\n")
                                  .arg(copy ? 2 : 1)
                                  .arg(unread)),
             qPrintable(run.out));
    if (unread) {
        QVERIFY2(run.out.startsWith("could not read images/" + message), qPrintable(run.out));
    }

    // The keeper's file is as it was; the copy is there exactly when expected.
    if (!before.isEmpty()) {
        QCOMPARE(sha(images + '/' + name), before);
    }
    const QString small = images + "/.rovadod/" + name + ".webp";
    QCOMPARE(QFile::exists(small), copy);
    const pictures::Index index = indexOf(images);
    QVERIFY(index.ok);
    QVERIFY(find(index, "DEMO-1.png"));
    const pictures::IndexEntry* entry = find(index, name);
    QCOMPARE(entry != nullptr, copy);
    QCOMPARE(index.entries.size(), copy ? 2U : 1U);
    if (!copy) {
        return;
    }
    const QByteArray bytes = readFile(small);
    QVERIFY(bytes.size() <= 60 * 1024);
    QVERIFY(bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP");
    QVERIFY(!bytes.contains("EXIF") && !bytes.contains("Exif") && !bytes.contains("SECRETPLACE"));
    QImageReader reader(small);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    QVERIFY(!image.isNull());
    QCOMPARE(QSize(int(entry->smallWidth), int(entry->smallHeight)), image.size());
    if (copySize.isEmpty()) {
        QVERIFY(std::max(image.width(), image.height()) <= 480);
    } else {
        QCOMPARE(image.size(), copySize);
    }
    if (kind == Kind::SidewaysGpsJpeg) {
        // Shown upright: the stored left half (red) is now on top.
        QCOMPARE(QSize(int(entry->width), int(entry->height)), QSize(800, 1600));
        const QRgb top = image.pixel(120, 60);
        const QRgb bottom = image.pixel(120, 420);
        QVERIFY2(qRed(top) > 200 && qBlue(top) < 60, qPrintable(QString::number(top, 16)));
        QVERIFY2(qBlue(bottom) > 200 && qRed(bottom) < 60, qPrintable(QString::number(bottom, 16)));
    }
}

void TestPicturesTool::secondRun_redoesOnlyWhatChanged()
{
    QTemporaryDir dir;
    const QString images = dir.path() + "/images";
    QVERIFY(QDir().mkpath(images));
    for (const char* name : {"DEMO-1.png", "DEMO-2.png", "DEMO-3.png"}) {
        QVERIFY(writeFile(images + '/' + name, encoded(filled(900, 600, Qt::cyan), "png")));
    }
    QVERIFY(writeFile(images + "/broken.jpg", "text"));
    // Run from inside DIR, with no argument.
    Run run = runTool({}, dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.endsWith("made 3, kept 0, removed 0, could not read 1\n"),
             qPrintable(run.out));
    const QString tool = images + "/.rovadod/";
    const QByteArray firstIndex = readFile(tool + "index.tsv");
    const QDateTime copyTime = QFileInfo(tool + "DEMO-1.png.webp").lastModified();

    run = runTool({dir.path()}, dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out == "could not read images/broken.jpg: not a JPEG, PNG or WebP picture\n"
                        "made 0, kept 3, removed 0, could not read 1\n",
             qPrintable(run.out));
    QCOMPARE(readFile(tool + "index.tsv"), firstIndex);
    QCOMPARE(QFileInfo(tool + "DEMO-1.png.webp").lastModified(), copyTime);

    // One replaced (same name, new size and time), one removed; a file of
    // the keeper's own in .rovadod, not named like a copy, stays.
    QVERIFY(writeFile(images + "/DEMO-2.png", encoded(filled(300, 900, Qt::cyan), "png")));
    QVERIFY(QFile::remove(images + "/DEMO-3.png"));
    QVERIFY(writeFile(tool + "notes.txt", "mine"));
    run = runTool({dir.path()}, dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.endsWith("made 1, kept 1, removed 1, could not read 1\n"),
             qPrintable(run.out));
    QVERIFY(!QFile::exists(tool + "DEMO-3.png.webp"));
    QVERIFY(QFile::exists(tool + "notes.txt"));
    QCOMPARE(QImageReader(tool + "DEMO-2.png.webp").size(), QSize(160, 480));
    const pictures::Index index = indexOf(images);
    QCOMPARE(index.entries.size(), 2U);
    QCOMPARE(index.entries[1].name, "DEMO-2.png");
    QCOMPARE(index.entries[1].width, 300U);
    // Nothing left of QSaveFile's temporary files.
    QCOMPARE(QDir(tool).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             QStringList({"DEMO-1.png.webp", "DEMO-2.png.webp", "index.tsv", "notes.txt"}));
}

void TestPicturesTool::cannotWork_exits2_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("no DIR") << "none"
                            << "no folder";
    QTest::newRow("DIR a file") << "file"
                                << "is not a folder";
    QTest::newRow("no images/") << "noImages"
                                << "no folder images/ in";
    QTest::newRow(".rovadod a link to images/") << "link"
                                                << ".rovadod is not a folder";
    QTest::newRow("images/ not writable") << "readOnly"
                                          << "cannot write in";
}

void TestPicturesTool::cannotWork_exits2()
{
    QFETCH(QString, setup);
    QFETCH(QString, message);
    if (setup == "readOnly" && ::geteuid() == 0) {
        QSKIP("root writes whatever the permissions say");
    }
    QTemporaryDir dir;
    const QString site = dir.path() + "/site";
    const QString images = site + "/images";
    if (setup == "file") {
        QVERIFY(writeFile(site, "x"));
    } else if (setup != "none") {
        QVERIFY(QDir().mkpath(setup == "noImages" ? site : images));
    }
    // A picture named like a copy, which a link .rovadod -> images/ would
    // offer for removal as a copy of a picture that is gone.
    if (setup == "link") {
        QVERIFY(writeFile(images + "/gone.png.webp", encoded(filled(9, 9, Qt::red), "webp")));
        QVERIFY(QFile::link(images, images + "/.rovadod"));
    }
    if (setup == "readOnly") {
        QVERIFY(writeFile(images + "/DEMO-1.png", encoded(filled(9, 9, Qt::red), "png")));
        QVERIFY(QFile::setPermissions(images, QFile::ReadOwner | QFile::ExeOwner));
    }
    const Run run = runTool({site}, dir.path());
    if (setup == "readOnly") {
        QFile::setPermissions(images, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.startsWith("rovadod-pictures: ") && run.err.contains(message),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(images + "/.rovadod/index.tsv") || setup == "link");
    if (setup == "link") {
        QVERIFY(QFile::exists(images + "/gone.png.webp"));
        QVERIFY(!QFile::exists(images + "/index.tsv"));
    }
}

QTEST_GUILESS_MAIN(TestPicturesTool)
#include "test_pictures_tool.moc"
