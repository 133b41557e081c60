// SPDX-License-Identifier: GPL-3.0-or-later
// The picture library: which entry a file belongs to, the order and names
// of an entry's pictures, the header reader, the folder's scan and the
// published index.
#include "pictures/header.h"
#include "pictures/index.h"
#include "pictures/match.h"
#include "pictures/scan.h"

#include <QtTest>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using pictures::Problem;

namespace {

QByteArray be16(unsigned v)
{
    QByteArray out;
    out += static_cast<char>(v >> 8 & 0xFF);
    out += static_cast<char>(v & 0xFF);
    return out;
}

QByteArray be32(unsigned v)
{
    return be16(v >> 16) + be16(v & 0xFFFF);
}

QByteArray le(unsigned v, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(v >> (8 * i) & 0xFF);
    }
    return out;
}

/// A JPEG start: an EXIF segment of `exif` bytes, a quantisation table,
/// then a baseline frame of `w` × `h`.
QByteArray jpeg(unsigned w, unsigned h, int exif = 16, char sof = '\xC0')
{
    QByteArray out("\xFF\xD8", 2);
    out +=
        QByteArray("\xFF\xE1", 2) + be16(static_cast<unsigned>(exif) + 2) + QByteArray(exif, 'E');
    out += QByteArray("\xFF\xDB", 2) + be16(67) + QByteArray(65, '\x01');
    out += QByteArray("\xFF\xFF", 2) + sof + be16(17) + '\x08' + be16(h) + be16(w) +
           QByteArray(12, '\x11');
    return out;
}

QByteArray png(unsigned w, unsigned h)
{
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(w) + be32(h) +
           QByteArray("\x08\x02\x00\x00\x00", 5) + be32(0);
}

QByteArray riff(const QByteArray& chunk)
{
    return "RIFF" + le(static_cast<unsigned>(chunk.size()) + 4, 4) + "WEBP" + chunk;
}

QByteArray vp8(unsigned w, unsigned h)
{
    return riff("VP8 " + le(30, 4) + QByteArray("\x10\x02\x00\x9D\x01\x2A", 6) + le(w, 2) +
                le(h, 2) + QByteArray(20, '\0'));
}

QByteArray vp8l(unsigned w, unsigned h)
{
    return riff("VP8L" + le(20, 4) + '\x2F' + le((w - 1) | (h - 1) << 14, 4) +
                QByteArray(15, '\0'));
}

QByteArray vp8x(unsigned w, unsigned h)
{
    return riff("VP8X" + le(10, 4) + le(0, 4) + le(w - 1, 3) + le(h - 1, 3));
}

pictures::Header readBytes(const QByteArray& bytes, bool whole = true)
{
    return pictures::ReadHeader({reinterpret_cast<const unsigned char*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size())},
                                whole);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

} // namespace

class TestPictures final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void belongsTo_data();
    void belongsTo();
    void assign_unclaimedAndPerEntryOrder();
    void orderAndAccessibleNames_data();
    void orderAndAccessibleNames();
    void header_data();
    void header();
    void headerFile_largeExifBeforeFrame();
    void scan_data();
    void scan();
    void scan_missingFolderAndManyFiles();
    void index_roundTrip();
    void index_badLines_data();
    void index_badLines();

private:
    QTemporaryDir dir_;
    pictures::Scan scan_;
};

void TestPictures::belongsTo_data()
{
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<int>>("entries");

    const QStringList sv412{"411", "412", "413"};
    QTest::newRow("number alone") << sv412 << "412.jpg" << QList<int>{1};
    QTest::newRow("obverse") << sv412 << "412-obverse.jpg" << QList<int>{1};
    QTest::newRow("webp reverse") << sv412 << "412-reverse.webp" << QList<int>{1};
    QTest::newRow("underscore, more dashes") << sv412 << "412_plate-12.png" << QList<int>{1};
    QTest::newRow("longer number") << sv412 << "4120.jpg" << QList<int>{};
    QTest::newRow("letter after number") << sv412 << "412a.jpg" << QList<int>{};
    QTest::newRow("number inside") << sv412 << "x412.jpg" << QList<int>{};
    QTest::newRow("extension case") << sv412 << "412-Obverse.JPEG" << QList<int>{1};
    QTest::newRow("not a picture extension") << sv412 << "412.gif" << QList<int>{};
    QTest::newRow("svg") << sv412 << "412.svg" << QList<int>{};
    QTest::newRow("heic") << sv412 << "412.heic" << QList<int>{};
    QTest::newRow("no extension") << sv412 << "412" << QList<int>{};
    QTest::newRow("only an extension") << sv412 << ".jpg" << QList<int>{};
    QTest::newRow("dotfile") << QStringList{".412"} << ".412.jpg" << QList<int>{};
    QTest::newRow("dot before the number") << sv412 << ".412-obverse.jpg" << QList<int>{};

    const QStringList lettered{"412", "412-A", "DEMO-7"};
    QTest::newRow("longer number wins") << lettered << "412-A.jpg" << QList<int>{1};
    QTest::newRow("longer wins with more") << lettered << "412-a_reverse.png" << QList<int>{1};
    QTest::newRow("shorter where longer fails") << lettered << "412-B.jpg" << QList<int>{0};
    QTest::newRow("letter case ignored") << lettered << "demo-7-obverse.jpg" << QList<int>{2};
    QTest::newRow("non-ASCII case kept") << QStringList{"Ä1"} << "ä1.jpg" << QList<int>{};

    QTest::newRow("empty number claims nothing")
        << QStringList{"", "7"} << "-obverse.jpg" << QList<int>{};
    QTest::newRow("empty number, file for other")
        << QStringList{"", "7"} << "7_x.png" << QList<int>{1};
    QTest::newRow("slash written as underscore")
        << QStringList{"12/3"} << "12_3-obverse.png" << QList<int>{0};
    QTest::newRow("every forbidden character")
        << QStringList{"a/b\\c:d*e?f\"g<h>i|j\tk"} << "a_b_c_d_e_f_g_h_i_j_k.jpg" << QList<int>{0};
    QTest::newRow("slash itself never in a name")
        << QStringList{"12/3"} << "12.jpg" << QList<int>{};
    QTest::newRow("same number twice: both")
        << QStringList{"5", "6", "5"} << "5-reverse.jpg" << QList<int>{0, 2};
    QTest::newRow("dot in the number") << QStringList{"5.1"} << "5.1-obverse.jpg" << QList<int>{0};
}

void TestPictures::belongsTo()
{
    QFETCH(QStringList, numbers);
    QFETCH(QString, name);
    QFETCH(QList<int>, entries);
    std::vector<std::string> svs;
    for (const QString& n : numbers) {
        svs.push_back(n.toStdString());
    }
    const pictures::Matcher matcher(svs);
    QList<int> got;
    for (const std::int32_t k : matcher.entriesOf(name.toStdString())) {
        got << k;
    }
    QCOMPARE(got, entries);
}

void TestPictures::assign_unclaimedAndPerEntryOrder()
{
    const std::vector<std::string> svs{"412", "413"};
    const std::vector<std::string> names{"412_plate-12.png", "notes.txt",       "412-reverse.webp",
                                         "4120.jpg",         "412_plate-2.png", "412-obverse.jpg"};
    const auto a = pictures::Assign(pictures::Matcher(svs), names);
    QCOMPARE(a.byEntry.size(), std::size_t(2));
    QCOMPARE(a.byEntry[0], (std::vector<std::uint32_t>{5, 2, 4, 0}));
    QVERIFY(a.byEntry[1].empty());
    QCOMPARE(a.unclaimed, std::vector<std::uint32_t>{3});
}

void TestPictures::orderAndAccessibleNames_data()
{
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QStringList>("ordered");
    QTest::addColumn<QStringList>("accessible");

    QTest::newRow("sides first, numbers as numbers")
        << QStringList{"412_plate-12.png", "412-reverse.webp", "412_plate-2.png", "412-obverse.jpg"}
        << QStringList{"412-obverse.jpg", "412-reverse.webp", "412_plate-2.png", "412_plate-12.png"}
        << QStringList{"412 obverse", "412 reverse", "412 picture 1", "412 picture 2"};
    QTest::newRow("second obverse, stem before extension")
        << QStringList{"412-obverse-2.jpg", "412-OBVERSE.jpg", "412.png"}
        << QStringList{"412-OBVERSE.jpg", "412-obverse-2.jpg", "412.png"}
        << QStringList{"412 obverse", "412 obverse 2", "412 picture 1"};
    QTest::newRow("leading zeros, long numbers, case")
        << QStringList{"9_B-99999999999999999999.jpg", "9_b-100000000000000000000.jpg",
                       "9_a-007.jpg", "9_A-7.jpg"}
        << QStringList{"9_A-7.jpg", "9_a-007.jpg", "9_B-99999999999999999999.jpg",
                       "9_b-100000000000000000000.jpg"}
        << QStringList{"9 picture 1", "9 picture 2", "9 picture 3", "9 picture 4"};
    QTest::newRow("two reverses, no obverse") << QStringList{"7-reverse_b.jpg", "7-reverse_a.jpg"}
                                              << QStringList{"7-reverse_a.jpg", "7-reverse_b.jpg"}
                                              << QStringList{"7 reverse", "7 reverse 2"};
}

void TestPictures::orderAndAccessibleNames()
{
    QFETCH(QStringList, given);
    QFETCH(QStringList, ordered);
    QFETCH(QStringList, accessible);
    const QString sv = ordered.front().section(QRegularExpression("[-_]"), 0, 0);
    std::vector<std::string> names;
    for (const QString& n : given) {
        names.push_back(n.toStdString());
    }
    pictures::Order(names);
    QStringList got;
    for (const auto& n : names) {
        got << QString::fromStdString(n);
    }
    QCOMPARE(got, ordered);
    QStringList labels;
    for (const auto& l : pictures::AccessibleNames(sv.toStdString(), names)) {
        labels << QString::fromStdString(l);
    }
    QCOMPARE(labels, accessible);
}

void TestPictures::header_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("format");
    QTest::addColumn<unsigned>("width");
    QTest::addColumn<unsigned>("height");
    const int jpg = int(pictures::Format::Jpeg);
    const int pngF = int(pictures::Format::Png);
    const int webp = int(pictures::Format::Webp);
    const int none = int(pictures::Format::None);
    const int ok = int(Problem::None);

    QTest::newRow("jpeg") << jpeg(4000, 3000) << true << ok << jpg << 4000u << 3000u;
    QTest::newRow("jpeg progressive")
        << jpeg(640, 480, 4, '\xC2') << true << ok << jpg << 640u << 480u;
    QTest::newRow("jpeg 65535 exif") << jpeg(12, 34, 65533) << true << ok << jpg << 12u << 34u;
    QTest::newRow("jpeg cut in exif")
        << jpeg(12, 34, 1000).left(500) << true << int(Problem::Truncated) << none << 0u << 0u;
    QTest::newRow("jpeg cut in frame") << jpeg(12, 34).left(jpeg(12, 34).size() - 15) << true
                                       << int(Problem::Truncated) << none << 0u << 0u;
    QTest::newRow("jpeg prefix without frame")
        << jpeg(12, 34, 1000).left(500) << false << int(Problem::NoSizeFound) << none << 0u << 0u;
    QTest::newRow("jpeg huffman table is no frame")
        << jpeg(12, 34, 4, '\xC4') + QByteArray("\xFF\xD9", 2) << true << int(Problem::Damaged)
        << none << 0u << 0u;
    QTest::newRow("jpeg scan before frame")
        << QByteArray("\xFF\xD8\xFF\xDA\x00\x08", 6) + QByteArray(6, 'x') << true
        << int(Problem::Damaged) << none << 0u << 0u;
    QTest::newRow("jpeg segment length 0") << QByteArray("\xFF\xD8\xFF\xE0\x00\x00", 6) << true
                                           << int(Problem::Damaged) << none << 0u << 0u;
    QTest::newRow("jpeg zero height")
        << jpeg(100, 0) << true << int(Problem::ZeroSize) << none << 0u << 0u;
    QTest::newRow("jpeg 65535 square, over 50 MP")
        << jpeg(65535, 65535) << true << int(Problem::TooLarge) << jpg << 65535u << 65535u;
    QTest::newRow("jpeg two bytes")
        << QByteArray("\xFF\xD8", 2) << true << int(Problem::Truncated) << none << 0u << 0u;
    QTest::newRow("png") << png(800, 600) << true << ok << pngF << 800u << 600u;
    QTest::newRow("png exactly 50 MP") << png(10000, 5000) << true << ok << pngF << 10000u << 5000u;
    QTest::newRow("png 30000 square")
        << png(30000, 30000) << true << int(Problem::TooLarge) << pngF << 30000u << 30000u;
    QTest::newRow("png 4G wide, no overflow")
        << png(0xFFFFFFFF, 0xFFFFFFFF) << true << int(Problem::TooLarge) << pngF << 0xFFFFFFFFu
        << 0xFFFFFFFFu;
    QTest::newRow("png zero width")
        << png(0, 10) << true << int(Problem::ZeroSize) << none << 0u << 0u;
    QTest::newRow("png cut") << png(800, 600).left(20) << true << int(Problem::Truncated) << none
                             << 0u << 0u;
    QTest::newRow("png signature cut")
        << png(1, 1).left(5) << true << int(Problem::Truncated) << none << 0u << 0u;
    QTest::newRow("png without IHDR")
        << png(8, 8).replace("IHDR", "IDAT") << true << int(Problem::Damaged) << none << 0u << 0u;
    QTest::newRow("webp lossy") << vp8(1024, 768) << true << ok << webp << 1024u << 768u;
    QTest::newRow("webp lossless") << vp8l(16383, 3) << true << ok << webp << 16383u << 3u;
    QTest::newRow("webp extended") << vp8x(480, 320) << true << ok << webp << 480u << 320u;
    QTest::newRow("webp extended over 50 MP")
        << vp8x(16777216, 16777216) << true << int(Problem::TooLarge) << webp << 16777216u
        << 16777216u;
    QTest::newRow("webp cut") << vp8(10, 10).left(27) << true << int(Problem::Truncated) << none
                              << 0u << 0u;
    QTest::newRow("webp unknown chunk")
        << riff("ALPH" + QByteArray(20, '\0')) << true << int(Problem::Damaged) << none << 0u << 0u;
    QTest::newRow("riff wave") << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << true
                               << int(Problem::NotPicture) << none << 0u << 0u;
    QTest::newRow("heic") << QByteArray("\0\0\0\x18"
                                        "ftypheic\0\0\0\0mif1heic",
                                        24)
                          << true << int(Problem::Heic) << none << 0u << 0u;
    QTest::newRow("heif mif1") << QByteArray("\0\0\0\x10"
                                             "ftypmif1\0\0\0\0",
                                             16)
                               << true << int(Problem::Heic) << none << 0u << 0u;
    QTest::newRow("svg with script")
        << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><script>alert(1)</script></svg>")
        << true << int(Problem::NotPicture) << none << 0u << 0u;
    QTest::newRow("text named .jpg") << QByteArray("Sv 412, obverse: a head of Zeus\n") << true
                                     << int(Problem::NotPicture) << none << 0u << 0u;
    QTest::newRow("gif") << QByteArray("GIF89a\x01\0\x01\0", 10) << true << int(Problem::NotPicture)
                         << none << 0u << 0u;
    QTest::newRow("empty") << QByteArray() << true << int(Problem::Empty) << none << 0u << 0u;
}

void TestPictures::header()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, whole);
    QFETCH(int, kind);
    QFETCH(int, format);
    QFETCH(unsigned, width);
    QFETCH(unsigned, height);
    const pictures::Header h = readBytes(bytes, whole);
    QCOMPARE(int(h.kind), kind);
    QCOMPARE(int(h.format), format);
    QCOMPARE(h.width, width);
    QCOMPARE(h.height, height);
    QCOMPARE(h.ok(), h.problem.empty());
    if (!h.ok()) {
        QVERIFY(QString::fromStdString(h.problem).startsWith(
            QString::fromStdString(std::string(ProblemText(h.kind)))));
    }
    if (h.kind == Problem::TooLarge) {
        QCOMPARE(QString::fromStdString(h.problem),
                 QStringLiteral("over 50 megapixels (%1 × %2)").arg(width).arg(height));
    }
}

void TestPictures::headerFile_largeExifBeforeFrame()
{
    // Three full EXIF-sized segments: the frame lies past the first read.
    QByteArray bytes("\xFF\xD8", 2);
    for (int i = 0; i < 3; ++i) {
        bytes += QByteArray("\xFF\xE1\xFF\xFF", 4) + QByteArray(65533, 'e');
    }
    bytes += jpeg(321, 123).mid(2);
    const QString path = dir_.filePath("exif.jpg");
    writeFile(path, bytes);
    const auto h = pictures::ReadHeaderFile(path.toStdString());
    QVERIFY2(h.ok(), h.problem.c_str());
    QCOMPARE(h.width, 321u);
    QCOMPARE(h.height, 123u);

    // Past the bounded read: named so, not a cut file.
    QByteArray far("\xFF\xD8", 2);
    for (int i = 0; i < 5; ++i) {
        far += QByteArray("\xFF\xE1\xFF\xFF", 4) + QByteArray(65533, 'e');
    }
    writeFile(path, far + jpeg(321, 123).mid(2));
    QCOMPARE(pictures::ReadHeaderFile(path.toStdString()).kind, Problem::NoSizeFound);
}

void TestPictures::initTestCase()
{
    QVERIFY(dir_.isValid());
    const QString images = dir_.filePath("images");
    QVERIFY(QDir().mkpath(images + "/sub.jpg"));
    QVERIFY(QDir().mkpath(images + "/keeper-notes"));
    QVERIFY(QDir().mkpath(images + "/.rovadod"));
    writeFile(images + "/412-obverse.jpg", jpeg(4000, 3000));
    writeFile(images + "/412-reverse.webp", vp8(800, 600));
    writeFile(images + "/text.jpg", "not a picture at all\n");
    writeFile(images + "/cut.jpg", jpeg(10, 10).left(30));
    writeFile(images + "/bomb.png", png(30000, 30000));
    writeFile(images + "/phone.heic", QByteArray("\0\0\0\x18"
                                                 "ftypheic\0\0\0\0mif1heic",
                                                 24));
    writeFile(images + "/drawing.svg", "<svg><script>alert(1)</script></svg>");
    writeFile(images + "/misnamed.txt", png(10, 10));
    writeFile(images + "/.hidden.jpg", "x");
    writeFile(images + "/.rovadod/index.tsv", "x");
    writeFile(dir_.filePath("outside.jpg"), jpeg(10, 10));
    // 200 MB, sparse: only the header is ever read.
    const QByteArray start = png(1200, 900);
    writeFile(images + "/big.png", start);
    QVERIFY(::truncate(QFile::encodeName(images + "/big.png").constData(), 200LL << 20) == 0);
    QVERIFY(::mkfifo(QFile::encodeName(images + "/fifo.jpg").constData(), 0600) == 0);
    const auto link = [&](const QString& target, const QString& name) {
        QVERIFY(::symlink(QFile::encodeName(target).constData(),
                          QFile::encodeName(images + "/" + name).constData()) == 0);
    };
    link("../outside.jpg", "escape.jpg");
    link(dir_.filePath("outside.jpg"), "absolute.jpg");
    link("loop-b.jpg", "loop-a.jpg");
    link("loop-a.jpg", "loop-b.jpg");
    link("412-obverse.jpg", "412_link.jpg");
    link("sub.jpg/../412-reverse.webp", "412_via-sub.webp");
    link("missing.jpg", "dangling.jpg");
    link("keeper-notes", "notes-link");
    scan_ =
        pictures::ScanFolder(pictures::FolderBeside(dir_.filePath("ptolemy.csv").toStdString()));
}

void TestPictures::scan_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<unsigned>("width");
    QTest::addColumn<qint64>("bytes");
    const int ok = int(Problem::None);
    QTest::newRow("good jpeg") << "412-obverse.jpg" << ok << 4000u << qint64(jpeg(1, 1).size());
    QTest::newRow("good webp") << "412-reverse.webp" << ok << 800u << qint64(vp8(1, 1).size());
    QTest::newRow("text named .jpg") << "text.jpg" << int(Problem::NotPicture) << 0u << qint64(21);
    QTest::newRow("truncated jpeg") << "cut.jpg" << int(Problem::Truncated) << 0u << qint64(30);
    QTest::newRow("30000 square png")
        << "bomb.png" << int(Problem::TooLarge) << 30000u << qint64(png(1, 1).size());
    QTest::newRow("heic") << "phone.heic" << int(Problem::Heic) << 0u << qint64(24);
    QTest::newRow("svg") << "drawing.svg" << int(Problem::NotPicture) << 0u << qint64(36);
    QTest::newRow("png named .txt")
        << "misnamed.txt" << int(Problem::WrongName) << 10u << qint64(png(1, 1).size());
    QTest::newRow("sparse 200 MB") << "big.png" << ok << 1200u << qint64(200LL << 20);
    QTest::newRow("fifo") << "fifo.jpg" << int(Problem::NotRegular) << 0u << qint64(0);
    QTest::newRow("folder named x.jpg") << "sub.jpg" << int(Problem::Folder) << 0u << qint64(-1);
    QTest::newRow("relative link outside")
        << "escape.jpg" << int(Problem::LinkOutside) << 0u << qint64(0);
    QTest::newRow("absolute link outside")
        << "absolute.jpg" << int(Problem::LinkOutside) << 0u << qint64(0);
    QTest::newRow("link loop") << "loop-a.jpg" << int(Problem::LinkLoop) << 0u << qint64(0);
    QTest::newRow("dangling link") << "dangling.jpg" << int(Problem::LinkBroken) << 0u << qint64(0);
    QTest::newRow("link inside") << "412_link.jpg" << ok << 4000u << qint64(jpeg(1, 1).size());
    QTest::newRow("link inside through a folder")
        << "412_via-sub.webp" << ok << 800u << qint64(vp8(1, 1).size());
}

void TestPictures::scan()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(unsigned, width);
    QFETCH(qint64, bytes);
    QVERIFY(scan_.found);
    const auto it =
        std::find_if(scan_.files.begin(), scan_.files.end(),
                     [&](const pictures::File& f) { return f.name == name.toStdString(); });
    QVERIFY2(it != scan_.files.end(), qPrintable(name));
    QCOMPARE(int(it->header.kind), kind);
    QCOMPARE(it->header.width, width);
    if (bytes >= 0) {
        QCOMPARE(qint64(it->bytes), bytes);
    }
    QCOMPARE(it->usable(), kind == int(Problem::None));
    if (kind == int(Problem::None)) {
        QVERIFY(it->mtimeNs > 1'000'000'000LL * 1'000'000'000LL); // after 2001
    }
}

void TestPictures::scan_missingFolderAndManyFiles()
{
    // Dotfiles, the tool's folder and other folders are not listed; the
    // list is sorted and complete.
    QStringList names;
    for (const auto& f : scan_.files) {
        names << QString::fromStdString(f.name);
    }
    QCOMPARE(names.size(), 18);
    QVERIFY(!names.contains(".hidden.jpg") && !names.contains(".rovadod"));
    QVERIFY(!names.contains("keeper-notes") && !names.contains("notes-link"));
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(names, sorted);

    const auto missing = pictures::ScanFolder(dir_.filePath("nowhere").toStdString());
    QVERIFY(!missing.found);
    QVERIFY(missing.problem.empty());

    QTemporaryDir many;
    const QByteArray bytes = jpeg(64, 48);
    for (int i = 0; i < 10000; ++i) {
        writeFile(many.filePath(QStringLiteral("%1-obverse.jpg").arg(i)), bytes);
    }
    QElapsedTimer timer;
    timer.start();
    const auto scan = pictures::ScanFolder(many.path().toStdString());
    qInfo("10,000 pictures scanned in %lld ms", timer.elapsed());
    QCOMPARE(scan.files.size(), std::size_t(10000));
    QVERIFY(std::all_of(scan.files.begin(), scan.files.end(), [](const pictures::File& f) {
        return f.usable() && f.header.width == 64;
    }));
}

void TestPictures::index_roundTrip()
{
    const std::vector<pictures::IndexEntry> entries{
        {"412-obverse.jpg", 4000, 3000, 209715200, 1733580000123456789, "412-obverse.webp", 480,
         360},
        {"12_3 reverse.PNG", 10000, 5000, 1, -5, "", 0, 0},
        {"ünïcode.webp", 1, 1, 0, 0, "s.jpg", 1, 1},
    };
    const std::string text = pictures::WriteIndex(entries);
    QVERIFY(text.starts_with(std::string(pictures::indexHeader) + "\n"));
    QVERIFY(text.find("412-obverse.jpg\t4000\t3000\t209715200\t1733580000123456789\t"
                      "412-obverse.webp\t480\t360\n") != std::string::npos);
    QVERIFY(text.find("12_3 reverse.PNG\t10000\t5000\t1\t-5\t\t\t\n") != std::string::npos);
    const pictures::Index read = pictures::ReadIndex(text);
    QVERIFY(read.ok);
    QCOMPARE(read.skipped, 0);
    QVERIFY(read.entries == entries);

    // Through a file, and never past the limit's last whole line.
    const QString path = dir_.filePath("index.tsv");
    writeFile(path, QByteArray::fromStdString(text));
    QVERIFY(pictures::ReadIndexFile(path.toStdString()).entries == entries);
    QVERIFY(!pictures::ReadIndexFile(dir_.filePath("images/fifo.jpg").toStdString()).ok);

    // What could not be read back is not written.
    const std::string bad = pictures::WriteIndex({{"a\tb.jpg", 1, 1, 0, 0, "", 0, 0},
                                                  {"../x.jpg", 1, 1, 0, 0, "", 0, 0},
                                                  {"big.png", 30000, 30000, 0, 0, "", 0, 0},
                                                  {"z.jpg", 0, 5, 0, 0, "", 0, 0}});
    QCOMPARE(bad, std::string(pictures::indexHeader) + "\n");
}

void TestPictures::index_badLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<bool>("small");
    QTest::newRow("good") << QByteArray("a.jpg\t4\t3\t10\t7\ts.webp\t2\t1") << true << true;
    QTest::newRow("good, CR LF") << QByteArray("a.jpg\t4\t3\t10\t7\t\t\t\r") << true << false;
    QTest::newRow("seven fields") << QByteArray("a.jpg\t4\t3\t10\t7\t\t") << false << false;
    QTest::newRow("nine fields") << QByteArray("a.jpg\t4\t3\t10\t7\t\t\t\t") << false << false;
    QTest::newRow("decimal comma") << QByteArray("a.jpg\t4,0\t3\t10\t7\t\t\t") << false << false;
    QTest::newRow("plus sign") << QByteArray("a.jpg\t+4\t3\t10\t7\t\t\t") << false << false;
    QTest::newRow("negative width") << QByteArray("a.jpg\t-4\t3\t10\t7\t\t\t") << false << false;
    QTest::newRow("width over 32 bits")
        << QByteArray("a.jpg\t4294967296\t1\t10\t7\t\t\t") << false << false;
    QTest::newRow("over 50 MP") << QByteArray("a.jpg\t30000\t30000\t10\t7\t\t\t") << false << false;
    QTest::newRow("zero height") << QByteArray("a.jpg\t4\t0\t10\t7\t\t\t") << false << false;
    QTest::newRow("bytes overflow")
        << QByteArray("a.jpg\t4\t3\t99999999999999999999\t7\t\t\t") << false << false;
    QTest::newRow("path in name") << QByteArray("../a.jpg\t4\t3\t10\t7\t\t\t") << false << false;
    QTest::newRow("dot name") << QByteArray(".a.jpg\t4\t3\t10\t7\t\t\t") << false << false;
    QTest::newRow("small over 50 MP dropped")
        << QByteArray("a.jpg\t4\t3\t10\t7\ts.webp\t30000\t30000") << true << false;
    QTest::newRow("small outside dropped")
        << QByteArray("a.jpg\t4\t3\t10\t7\t/etc/passwd\t2\t1") << true << false;
}

void TestPictures::index_badLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, kept);
    QFETCH(bool, small);
    const QByteArray text = QByteArray::fromStdString(std::string(pictures::indexHeader)) + "\n" +
                            line + "\nb.png\t1\t1\t1\t1\t\t\t\nb.png\t2\t2\t2\t2\t\t\t\n";
    const auto index = pictures::ReadIndex(text.toStdString());
    QVERIFY(index.ok);
    // The line under test, then b.png once: a second b.png is skipped.
    QCOMPARE(index.entries.size(), std::size_t(kept ? 2 : 1));
    QCOMPARE(index.skipped, kept ? 1 : 2);
    QCOMPARE(index.entries.back().name, std::string("b.png"));
    QCOMPARE(index.entries.back().width, 1u);
    if (kept) {
        QCOMPARE(index.entries.front().small.empty(), !small);
    }
    QVERIFY(!pictures::ReadIndex(text.mid(1).toStdString()).ok);
}

QTEST_GUILESS_MAIN(TestPictures)
#include "test_pictures.moc"
