// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker.h"

#include "catalogue/table.h"
#include "lookup/query.h"

#include <QtTest>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

/// A catalogue line with `codes` in fields 13 to 18, 21 fields in all.
QByteArray entry(const QByteArray& sv, const QList<QByteArray>& codes)
{
    QByteArray line = sv + ",Obol,20,IV,3,AE3,100,,3,7.10,8.20,Alexandria";
    for (const QByteArray& code : codes) {
        line += "," + code;
    }
    return line + ",,,";
}

QByteArray cleanEntry(const QByteArray& sv)
{
    return entry(sv, {"1", "1", "1", "1", "1", "1"});
}

/// Writes `bytes` to a file in a scratch folder and checks it.
class Scratch {
public:
    QString write(const QByteArray& bytes, const QString& name = "ptolemy.csv") const
    {
        const QString path = dir_.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }
    check::Result check(const QByteArray& bytes) const
    {
        return check::CheckCatalogue(write(bytes).toStdString());
    }
    [[nodiscard]] QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

QStringList texts(const check::Result& r)
{
    QStringList out;
    for (const auto& f : r.findings) {
        out << QString::fromStdString(f.text);
    }
    return out;
}

QByteArray lines(int n, const QByteArray& last = {})
{
    QByteArray bytes;
    for (int i = 1; i <= n; ++i) {
        bytes += cleanEntry("DEMO-" + QByteArray::number(i)) + "\n";
    }
    return bytes + last;
}

} // namespace

class TestChecker final : public QObject {
    Q_OBJECT

private slots:
    void findings_perLine_data();
    void findings_perLine();
    void quotedCommaField_onlyForQuotesThatOpenAField_data();
    void quotedCommaField_onlyForQuotesThatOpenAField();
    void linesPast699_countedNotListed_data();
    void linesPast699_countedNotListed();
    void hugeFile_staysOneFinding();
    void counts_andSummary();
    void unreadable_isStatus2_data();
    void unreadable_isStatus2();
    void pictures_findingsAndSummary();
};

void TestChecker::findings_perLine_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("exitStatus");

    QTest::newRow("clean, CR LF and no last terminator")
        << cleanEntry("1") + "\r\n" + cleanEntry("2") + "\r" + cleanEntry("3") << QStringList{}
        << 0;
    QTest::newRow("empty file") << QByteArray() << QStringList{} << 0;
    QTest::newRow("lower-case code and quoted codes are found")
        << entry("1", {"a", "\"2\"", "q", "k0", "e", "1"}) << QStringList{} << 0;
    QTest::newRow("obverse X")
        << cleanEntry("1") + "\n" + entry("2", {"X", "1", "1", "1", "1", "1"})
        << QStringList{"line 2: obverse main figure code \"X\" (field 13) can never be "
                       "selected; no list entry leads to \"X\""}
        << 1;
    QTest::newRow("spaces around codes")
        << entry("1", {"1", "1", "1", "1", " 1", "1 "})
        << QStringList{"line 1: reverse right side symbol code \" 1\" (field 17) can never be "
                       "selected; spaces count, \"1\" would be",
                       "line 1: countermark code \"1 \" (field 18) can never be selected; "
                       "spaces count, \"1\" would be"}
        << 1;
    QTest::newRow("unknown and empty codes")
        << entry("1", {"1", "", "Z", "1", "1", "9"})
        << QStringList{"line 1: obverse inscription code \"\" (field 14) can never be "
                       "selected; the field is empty",
                       "line 1: reverse main figure code \"Z\" (field 15) can never be selected",
                       "line 1: countermark code \"9\" (field 18) can never be selected"}
        << 1;
    QTest::newRow("a long code shows its start and size")
        << entry("1", {"1", "1", "1", "1", "1", QByteArray(100000, 'Z')})
        << QStringList{"line 1: countermark code \"" + QString(80, 'Z') +
                       "\" \u2026 (100000 bytes) (field 18) can never be selected"}
        << 1;
    QTest::newRow("quoted comma shifts the codes")
        << QByteArray("1,Obol,\"20,5\",IV,3,AE3,100,,3,7.10,8.20,Alexandria,1,1,1,1,1,1,,,")
        << QStringList{"line 1: 22 fields, only the first 21 are read; the quoted value in "
                       "field 3 holds a comma, which splits it and shifts every later field",
                       "line 1: obverse main figure code \"Alexandria\" (field 13) can never "
                       "be selected; the split in field 3 moved it here"}
        << 1;
    QTest::newRow("quoted comma in a short line")
        << QByteArray("1,\"Obol,small\",20")
        << QStringList{"line 1: the quoted value in field 2 holds a comma, which splits it "
                       "and shifts every later field",
                       "line 1: only 4 fields: an entry with no attribute codes can never "
                       "be found"}
        << 1;
    QTest::newRow("extra empty fields")
        << cleanEntry("1") + ",,"
        << QStringList{"line 1: 23 fields, only the first 21 are read; the rest are empty and "
                       "ignored"}
        << 1;
    QTest::newRow("extra fields with values")
        << cleanEntry("1") + ",note"
        << QStringList{"line 1: 22 fields, only the first 21 are read; the rest are ignored"} << 1;
    // As a spreadsheet saves with every text cell quoted: only field 1 keeps
    // its quotes, so only it is reported.
    QTest::newRow("quoted catalogue number, spreadsheet style")
        << QByteArray("\"DEMO-1\",\"Obol\",20,\"IV\",3,\"AE3\",100,,3,7.10,8.20,\"Alexandria\","
                      "\"1\",\"1\",\"1\",\"1\",\"1\",\"1\",,,")
        << QStringList{"line 1: the catalogue number (field 1) is in double quotes, and the "
                       "window shows them: Sv \"DEMO-1\"; saving the CSV without quoting text "
                       "cells avoids this"}
        << 1;
    // One finding for them all, at the first one's line, ahead of its own.
    QTest::newRow("quoted catalogue numbers, the first three named")
        << cleanEntry("1") + "\n" + entry("\"2\"", {"X", "1", "1", "1", "1", "1"}) + "\n" +
               cleanEntry("\"3\"") + "\n" + cleanEntry("4") + "\n" + cleanEntry("\"5\"") + "\n" +
               cleanEntry("\"6\"")
        << QStringList{"lines 2, 3, 5 and 1 more: 4 catalogue numbers (field 1) are in double "
                       "quotes, and the window shows them: Sv \"2\"; saving the CSV without "
                       "quoting text cells avoids this",
                       "line 2: obverse main figure code \"X\" (field 13) can never be "
                       "selected; no list entry leads to \"X\""}
        << 1;
    QTest::newRow("blank line and empty code fields")
        << cleanEntry("1") + "\n\n" + entry("3", {"", "", "", "", "", ""})
        << QStringList{"line 2: blank line, an entry with no attribute codes can never be found",
                       "line 3: fields 13 to 18 are empty: an entry with no attribute codes "
                       "can never be found"}
        << 1;
}

void TestChecker::findings_perLine()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    QFETCH(int, exitStatus);
    Scratch scratch;
    const check::Result r = scratch.check(file);
    QCOMPARE(int(r.status), int(check::Status::Read));
    QCOMPARE(texts(r), expected);
    QCOMPARE(check::ExitStatus(r), exitStatus);
    // The one rule of what can be found, as a web page counts it too.
    const catalogue::LoadedTable loaded =
        catalogue::LoadTableFromBytes({file.constData(), std::size_t(file.size())});
    QCOMPARE(lookup::FindableEntries(loaded.table->view()), int(r.entries - r.lostEntries));
}

void TestChecker::quotedCommaField_onlyForQuotesThatOpenAField_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("field"); // 0: none
    QTest::newRow("first field") << "\"1,2\",x" << 1;
    QTest::newRow("later field") << "a,b,\"c,d\"" << 3;
    QTest::newRow("quotes without comma, then plain comma") << "a,\"b\",c" << 0;
    QTest::newRow("second quoted value") << "\"a\",\"b,c\"" << 2;
    QTest::newRow("quote inside a field opens nothing") << "a,5\" wide,c\"" << 0;
    QTest::newRow("unclosed quote") << "a,\"b,c" << 0;
    QTest::newRow("no quotes") << "a,b,c" << 0;
}

void TestChecker::quotedCommaField_onlyForQuotesThatOpenAField()
{
    QFETCH(QString, line);
    QFETCH(int, field);
    const auto got = check::QuotedCommaField(line.toStdString());
    QCOMPARE(got ? int(*got) : 0, field);
}

void TestChecker::linesPast699_countedNotListed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<qint64>("ignored");
    QTest::newRow("699, last without terminator")
        << lines(698, cleanEntry("699")) << QStringList{} << qint64(0);
    QTest::newRow("699 and a final line end") << lines(699) << QStringList{} << qint64(0);
    QTest::newRow("one more, without terminator")
        << lines(699, "X,never")
        << QStringList{"line 700: never read; the window reads at most 699 lines"} << qint64(1);
    // Line 701's bad code is past the limit, so only the count is reported.
    QTest::newRow("three more, CR ends")
        << lines(699, "a\rb\r" + entry("x", {"X", "1", "1", "1", "1", "1"}) + "\r")
        << QStringList{"lines 700 to 702: 3 lines never read; the window reads at most 699 lines"}
        << qint64(3);
}

void TestChecker::linesPast699_countedNotListed()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    QFETCH(qint64, ignored);
    Scratch scratch;
    const check::Result r = scratch.check(file);
    QCOMPARE(r.entries, 699);
    QCOMPARE(texts(r), expected);
    QCOMPARE(qint64(r.ignoredLines), ignored);
}

void TestChecker::hugeFile_staysOneFinding()
{
    Scratch scratch;
    const check::Result r = scratch.check(lines(100000));
    QCOMPARE(r.entries, 699);
    QCOMPARE(qint64(r.ignoredLines), qint64(100000 - 699));
    QCOMPARE(texts(r), QStringList{"lines 700 to 100000: 99301 lines never read; the window "
                                   "reads at most 699 lines"});
}

void TestChecker::counts_andSummary()
{
    Scratch scratch;
    QByteArray file = entry("1", {"X", "1", "1", "1", "1", " 1"}) + "\n"; // 2 fields, 1 entry
    file += cleanEntry("2") + ",,\n";                                     // long line
    file += "3,\"a,b\",20\n";                                             // quoted comma, no codes
    file += cleanEntry("\"4\"") + "\n";                                   // quoted number
    const check::Result r = scratch.check(lines(695, file));
    QCOMPARE(r.entries, 699);
    QCOMPARE(qint64(r.longLines), qint64(1));
    QCOMPARE(qint64(r.quotedCommaLines), qint64(1));
    QCOMPARE(qint64(r.quotedNumberLines), qint64(1));
    QCOMPARE(qint64(r.unselectableFields), qint64(2 + 6));
    QCOMPARE(qint64(r.lostEntries), qint64(2));
    QCOMPARE(qint64(r.ignoredLines), qint64(0));
    QCOMPARE(r.findings.size(), std::size_t(6));
    for (std::size_t i = 1; i < r.findings.size(); ++i) {
        QVERIFY(r.findings[i - 1].line <= r.findings[i].line);
    }
    QCOMPARE(QString::fromStdString(check::Summary(r, "p.csv")),
             QString("Summary for p.csv: 699 entries read\n"
                     "  lines after line 699, never read:           0\n"
                     "  lines with more than 21 fields:             1\n"
                     "  other lines with a comma inside quotes:     1\n"
                     "  catalogue numbers in double quotes:         1\n"
                     "  code fields no list position selects:       8\n"
                     "  entries that can never be found:            2\n"
                     "6 findings.\n"));

    const check::Result clean = scratch.check(cleanEntry("1"));
    QVERIFY(QString::fromStdString(check::Summary(clean, "p.csv"))
                .startsWith("Summary for p.csv: 1 entry read\n"));
    QVERIFY(
        QString::fromStdString(check::Summary(clean, "p.csv")).endsWith("Nothing to report.\n"));
}

void TestChecker::unreadable_isStatus2_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("problem");
    QTest::newRow("missing") << "missing" << int(check::Status::NotFound)
                             << "no such file (the window would show \"Database not found!\")";
    QTest::newRow("below a file") << "below a file" << int(check::Status::NotFound)
                                  << "Not a directory (the window would show \"Database not "
                                     "found!\")";
    QTest::newRow("directory") << "directory" << int(check::Status::Unreadable)
                               << "is a directory (the window would show \"Problem Reading "
                                  "Quarvel Database\")";
    QTest::newRow("no read permission") << "unreadable" << int(check::Status::Unreadable)
                                        << "Permission denied (the window would show "
                                           "\"Problem Reading Quarvel Database\")";
}

void TestChecker::unreadable_isStatus2()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QString, problem);
    Scratch scratch;
    QString path = scratch.path() + "/none.csv";
    if (kind == "directory") {
        path = scratch.path();
    } else if (kind == "below a file") {
        path = scratch.write(cleanEntry("1")) + "/ptolemy.csv";
    } else if (kind == "unreadable") {
        if (::geteuid() == 0) {
            QSKIP("root reads any file");
        }
        path = scratch.write(cleanEntry("1"));
        QVERIFY(::chmod(path.toLocal8Bit().constData(), 0) == 0);
    }
    const check::Result r = check::CheckCatalogue(path.toStdString());
    QCOMPARE(int(r.status), status);
    QCOMPARE(QString::fromStdString(r.problem), problem);
    QCOMPARE(check::ExitStatus(r), 2);
    QVERIFY(r.findings.empty());
}

void TestChecker::pictures_findingsAndSummary()
{
    Scratch scratch;
    const QByteArray catalogue = cleanEntry("412") + "\n" + cleanEntry("412-A") + "\n" +
                                 cleanEntry("12/3") + "\n" + cleanEntry("7") + "\n";
    const QString path = scratch.write(catalogue);
    const check::Result without = check::CheckCatalogue(path.toStdString());
    QVERIFY(!without.images);
    QVERIFY(!QString::fromStdString(check::Summary(without, "f")).contains("picture"));

    const QString images = scratch.path() + "/images";
    QVERIFY(QDir().mkpath(images + "/old"));
    QVERIFY(QDir().mkpath(images + "/folder.jpg"));
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    const auto size = [](unsigned v) {
        return QByteArray::fromHex(QByteArray::number(v, 16).rightJustified(8, '0'));
    };
    scratch.write(png + size(40) + size(30), "images/412-obverse.png");
    scratch.write(png + size(40) + size(30), "images/412-A_reverse.png");
    scratch.write(png + size(40) + size(30), "images/12_3.PNG");
    scratch.write(png + size(40) + size(30), "images/4120.png");
    scratch.write(png + size(30000) + size(30000), "images/7-bomb.png");
    scratch.write("Sv 7", "images/7-notes.jpg");
    scratch.write("x", "images/.DS_Store");
    QVERIFY(::mkfifo(QFile::encodeName(images + "/7-pipe.jpg").constData(), 0600) == 0);

    const check::Result r = check::CheckCatalogue(path.toStdString());
    QVERIFY(r.images);
    QCOMPARE(texts(r), (QStringList{"images/4120.png: belongs to no catalogue entry",
                                    "images/7-bomb.png: over 50 megapixels (30000 × 30000)",
                                    "images/7-notes.jpg: not a JPEG, PNG or WebP picture",
                                    "images/7-pipe.jpg: not a regular file",
                                    "images/folder.jpg: a folder, not a picture"}));
    QCOMPARE(r.badPictures, 4);
    QCOMPARE(r.unclaimedPictures, 1);
    QCOMPARE(r.entriesWithoutPicture, 1); // 7: its only pictures cannot be shown
    QCOMPARE(check::ExitStatus(r), 1);
    const QString summary = QString::fromStdString(check::Summary(r, "f"));
    QVERIFY2(summary.contains("  pictures that belong to no entry:           1\n"
                              "  files in images/ that cannot be shown:      4\n"
                              "  entries without any picture:                1\n"
                              "5 findings.\n"),
             qPrintable(summary));

    // Pictures for every entry and nothing else: nothing to report.
    for (const char* name :
         {"images/4120.png", "images/7-bomb.png", "images/7-notes.jpg", "images/7-pipe.jpg"}) {
        QVERIFY(QFile::remove(scratch.path() + "/" + name));
    }
    QVERIFY(QDir(images + "/folder.jpg").removeRecursively());
    scratch.write(png + size(40) + size(30), "images/7_x.png");
    const check::Result clean = check::CheckCatalogue(path.toStdString());
    QVERIFY(clean.findings.empty());
    QCOMPARE(clean.entriesWithoutPicture, 0);
    QCOMPARE(check::ExitStatus(clean), 0);
}

QTEST_APPLESS_MAIN(TestChecker)
#include "test_checker.moc"
