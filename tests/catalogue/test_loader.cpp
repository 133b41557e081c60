// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "catalogue/line_reader.h"
#include "lookup/search.h"
#include "support/catalogue_fixture.h"
#include "support/concurrent_load.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using catalogue::Catalogue;

using testsupport::cell;
using testsupport::loadBytes;

namespace {

QStringList columnsOf(int k)
{
    QStringList values;
    for (const catalogue::ColumnInfo& col : catalogue::schema) {
        values << QString::fromStdString(cell(*col.column, k));
    }
    return values;
}

using Got = std::pair<catalogue::LineReader::Result, std::string>;

/// Every result a LineReader with the maximum `maxLine` gives on `bytes`,
/// up to the end.
std::vector<Got> readAll(const QByteArray& bytes, std::size_t maxLine)
{
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        qFatal("cannot write a scratch file");
    }
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_CLOEXEC);
    catalogue::LineReader reader(fd, maxLine);
    std::vector<Got> got;
    std::string line;
    for (;;) {
        const auto result = reader.next(line);
        if (result == catalogue::LineReader::Result::TooLong &&
            line.capacity() > 2 * maxLine + 64) {
            qFatal("a line past the maximum was kept: %zu bytes", line.capacity());
        }
        got.emplace_back(result, line);
        if (result == catalogue::LineReader::Result::End ||
            result == catalogue::LineReader::Result::Error) {
            break;
        }
    }
    ::close(fd);
    return got;
}

std::string summary(int n)
{
    return "Quarvel Database OK\n" + std::to_string(n) + " Entries Read";
}

} // namespace

class TestLoader final : public QObject {
    Q_OBJECT

private slots:
    void splitLine_fillsColumnsWithReplacements_data();
    void splitLine_fillsColumnsWithReplacements();
    void lineEnds_eachTerminatorEndsOneLine_data();
    void lineEnds_eachTerminatorEndsOneLine();
    void crLfAcrossReadBuffer_isOneTerminator();
    void lineReader_maximumPassesOverLongerLines();
    void lineLimit_readsAt699();
    void unsetSlots_stayUnsetAboveCount();
    void bytes_carriedUnchanged();
    void messages_inOrderWithPauses_data();
    void messages_inOrderWithPauses();
    void unreadableFile_reportsProblemOnly();
    void getnext_returnsEmptyPastEnd();
    void sizeSeenAtStart_boundsTheRead();
    void catalogueTooLargeForMemory_reportsProblem();
    void delay_zeroAndNegativeReturnAtOnce();
    void searchDuringLoad_seesNothingOrWholeCatalogue();
};

void TestLoader::splitLine_fillsColumnsWithReplacements_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("columns");
    const QString na = "n/a", none = "-NONE-";
    QTest::newRow("all 21 fields, trailing comma")
        << QByteArray("101,x,23,XII,5,g,123,,7,2.5,4.1,m,1,2,3,4,5,6,,A,")
        << QStringList{"101", "x", "23mm", "XII.", "5", "g", "123", na,   "7", "2.5", "4.1",
                       "m",   "1", "2",    "3",    "4", "5", "6",   none, "A", none};
    QTest::newRow("one field only")
        << QByteArray("5") << QStringList{"5", "", na, na, "", "", na, na,   "",   na,  na,
                                          "",  "", "", "", "", "", "", none, none, none};
    QTest::newRow("quotes kept in field 1, removed later")
        << QByteArray("\"101\",\"x\",\"2\"3\"")
        << QStringList{"\"101\"", "x", "23mm", na, "", "", na, na,   "",   na,  na,
                       "",        "",  "",     "", "", "", "", none, none, none};
    QTest::newRow("quoted comma shifts later fields")
        << QByteArray("1,\"a,b\",c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u")
        << QStringList{"1", "a", "bmm", "c.", "d", "e", "f", "g", "h", "i", "j",
                       "k", "l", "m",   "n",  "o", "p", "q", "r", "s", "t"};
    QTest::newRow("two quotes are empty, doubled quote no escape")
        << QByteArray("1,a\"\"b,\"\",,,,,,,,,,,,,,,,\"\",,")
        << QStringList{"1", "ab", na, na, "", "", na, na,   "",   na,  na,
                       "",  "",   "", "", "", "", "", none, none, none};
    QTest::newRow("one space blank, two spaces and tabs are values")
        << QByteArray("1,, ,  , ,\t, ,  ,, , ,,,,,,,, ,  ,\t")
        << QStringList{"1", "", na, "  .", " ", "\t", na, "  ", "",   na,  na,
                       "",  "", "", "",    "",  "",   "", " ",  "  ", "\t"};
    QTest::newRow("nothing trimmed around codes")
        << QByteArray(" 7 ,d,\t24 ,x,y,z,c,w,3,1,2,l, 1,2 ,a,34,E,6,m,n,o")
        << QStringList{" 7 ", "d",  "\t24 mm", "x.", "y",  "z", "c", "w", "3", "1", "2",
                       "l",   " 1", "2 ",      "a",  "34", "E", "6", "m", "n", "o"};
    QTest::newRow("fields after the 21st ignored")
        << QByteArray("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,,,")
        << QStringList{"1",  "2",  "3mm", "4.", "5",  "6",  "7",  "8",  "9",  "10", "11",
                       "12", "13", "14",  "15", "16", "17", "18", "19", "20", "21"};
    QTest::newRow("blank line is an entry")
        << QByteArray("\n") << QStringList{"", "", na, na, "", "", na, na,   "",   na,  na,
                                           "", "", "", "", "", "", "", none, none, none};
}

void TestLoader::splitLine_fillsColumnsWithReplacements()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, columns);
    const auto log = loadBytes(line);
    QCOMPARE(Catalogue::numentries.load(), 1);
    QCOMPARE(columnsOf(0), columns);
    QCOMPARE(log.messages.back(), summary(1));
}

void TestLoader::lineEnds_eachTerminatorEndsOneLine_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("firstFields");
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("CR") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("mixed") << QByteArray("a\nb\rc\r\nd") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("no final terminator") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("blank lines count") << QByteArray("a\n\nb\n") << QStringList{"a", "", "b"};
    QTest::newRow("CR CR LF is two lines") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("LF CR is two terminators") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("terminators only") << QByteArray("\r\n\n") << QStringList{"", ""};
}

void TestLoader::lineEnds_eachTerminatorEndsOneLine()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, firstFields);
    const auto log = loadBytes(file);
    QCOMPARE(Catalogue::numentries.load(), firstFields.size());
    for (int k = 0; k < firstFields.size(); ++k) {
        QCOMPARE(QString::fromStdString(cell(Catalogue::SV, k)), firstFields[k]);
    }
    QCOMPARE(log.messages,
             (std::vector<std::string>{"Reading File...", summary(int(firstFields.size()))}));
    QVERIFY(log.pauses.empty());
}

void TestLoader::crLfAcrossReadBuffer_isOneTerminator()
{
    // The reader's buffer is 256 KiB: put the CR last in it and the LF first
    // in the next read.
    const int bufferSize = 256 * 1024;
    QByteArray file(bufferSize - 1, 'x');
    file += "\r\nb";
    loadBytes(file);
    QCOMPARE(Catalogue::numentries.load(), 2);
    QCOMPARE(cell(Catalogue::SV, 0).size(), std::size_t(bufferSize - 1));
    QCOMPARE(cell(Catalogue::SV, 1), std::string("b"));
}

void TestLoader::lineReader_maximumPassesOverLongerLines()
{
    using R = catalogue::LineReader::Result;
    const std::size_t buffer = 256 * 1024;
    const QByteArray longLine(int(buffer) + 10, 'x'); // across a refill of the buffer

    // Exactly the maximum is a line; one byte more is passed over to its
    // terminator, whichever it is, and reading goes on after it.
    QCOMPARE(readAll("abcd\nabcde\r\nfg\rhijkl\rm", 4), (std::vector<Got>{{R::Line, "abcd"},
                                                                          {R::TooLong, ""},
                                                                          {R::Line, "fg"},
                                                                          {R::TooLong, ""},
                                                                          {R::Line, "m"},
                                                                          {R::End, ""}}));
    QCOMPARE(readAll("\n\nab", 0),
             (std::vector<Got>{{R::Line, ""}, {R::Line, ""}, {R::TooLong, ""}, {R::End, ""}}));
    // A long line split over reads, with its CR last in the buffer and the
    // LF first in the next read, and one that runs to the end of the file.
    QCOMPARE(readAll(longLine.left(int(buffer) - 1) + "\r\nb\n" + longLine, 64),
             (std::vector<Got>{{R::TooLong, ""}, {R::Line, "b"}, {R::TooLong, ""}, {R::End, ""}}));
    // No maximum: the catalogue's lines come whole, however long.
    const auto whole = readAll(longLine + "\nb", catalogue::LineReader::noLimit);
    QCOMPARE(whole.size(), std::size_t(3));
    QCOMPARE(whole[0].first, R::Line);
    QCOMPARE(whole[0].second.size(), std::size_t(longLine.size()));
    QCOMPARE(whole[1], (Got{R::Line, "b"}));
}

void TestLoader::lineLimit_readsAt699()
{
    for (const int lines : {698, 699, 700, 1000}) {
        QByteArray file;
        for (int k = 0; k < lines; ++k) {
            file += "L" + QByteArray::number(k) + ",d\n";
        }
        const auto log = loadBytes(file);
        const int expected = std::min(lines, 699);
        QCOMPARE(Catalogue::numentries.load(), expected);
        QCOMPARE(log.messages.back(), summary(expected));
        QCOMPARE(cell(Catalogue::SV, expected - 1), "L" + std::to_string(expected - 1));
        QCOMPARE(*Catalogue::database[std::size_t(expected - 1)],
                 "L" + std::to_string(expected - 1) + ",d");
    }
}

void TestLoader::unsetSlots_stayUnsetAboveCount()
{
    loadBytes("a\nb\nc\n");
    QCOMPARE(Catalogue::numentries.load(), 3);
    for (const catalogue::ColumnInfo& col : catalogue::schema) {
        QVERIFY(col.at(2).has_value());
        QVERIFY(!col.at(3).has_value());
        QVERIFY(!col.at(698).has_value());
    }
    QVERIFY(!Catalogue::database[3].has_value());
}

void TestLoader::bytes_carriedUnchanged()
{
    // A byte-order mark, UTF-8, invalid bytes and NUL all stay as they are.
    const QByteArray sv("\xEF\xBB\xBF"
                        "caf\xC3\xA9 \xFF\xFE",
                        11);
    const QByteArray line = sv + QByteArray(",a\0b,\x80\"z", 8);
    loadBytes(line);
    QCOMPARE(cell(Catalogue::SV, 0), std::string(sv.constData(), std::size_t(sv.size())));
    QCOMPARE(cell(Catalogue::Den, 0), std::string("a\0b", 3));
    QCOMPARE(cell(Catalogue::Dia, 0), std::string("\x80zmm"));
}

void TestLoader::messages_inOrderWithPauses_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<int>>("pauses");
    QTest::newRow("missing file") << 0 << QStringList{"Reading File...", "Database not found!"}
                                  << QList<int>{3000};
    QTest::newRow("directory named like the catalogue")
        << 1 << QStringList{"Reading File...", "Problem Reading Quarvel Database"}
        << QList<int>{3000};
    QTest::newRow("three lines") << 2
                                 << QStringList{"Reading File...",
                                                "Quarvel Database OK\n3 Entries Read"}
                                 << QList<int>{};
    // Nothing writes to it: opening it must not wait for a writer.
    QTest::newRow("named pipe, no writer")
        << 3 << QStringList{"Reading File...", "Quarvel Database OK\n0 Entries Read"}
        << QList<int>{};
}

void TestLoader::messages_inOrderWithPauses()
{
    QFETCH(int, kind);
    QFETCH(QStringList, messages);
    QFETCH(QList<int>, pauses);
    testsupport::WorkDir dir;
    if (kind == 1) {
        QVERIFY(QDir(dir.path()).mkdir("ptolemy.csv"));
    } else if (kind == 2) {
        QVERIFY(dir.write("1\n2\n3\n"));
    } else if (kind == 3) {
        QCOMPARE(::mkfifo(QFile::encodeName(dir.catalogue()).constData(), 0600), 0);
    }
    const auto log = testsupport::load();
    QStringList got;
    for (const auto& m : log.messages) {
        got << QString::fromStdString(m);
    }
    QCOMPARE(got, messages);
    QCOMPARE(QList<int>(log.pauses.begin(), log.pauses.end()), pauses);
    QCOMPARE(Catalogue::numentries.load(), kind == 2 ? 3 : 0);
    using Kind = catalogue::LoadOutcome::Kind;
    QCOMPARE(log.outcome.kind,
             (std::array{Kind::NotFound, Kind::ReadProblem, Kind::Loaded, Kind::Loaded})[kind]);
    QCOMPARE(log.outcome.entries, Catalogue::numentries.load());
    QCOMPARE(log.outcome.regular, kind == 2);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System),
             kind == 0 ? QStringList{} : QStringList{"ptolemy.csv"});
}

void TestLoader::unreadableFile_reportsProblemOnly()
{
    if (::geteuid() == 0) {
        QSKIP("root reads any file; the bad-input matrix covers this as another user");
    }
    testsupport::WorkDir dir;
    QVERIFY(dir.write("1\n2\n"));
    QVERIFY(QFile::setPermissions(dir.catalogue(), QFileDevice::WriteOwner));
    const auto log = testsupport::load();
    QCOMPARE(log.messages,
             (std::vector<std::string>{"Reading File...", "Problem Reading Quarvel Database"}));
    QCOMPARE(Catalogue::numentries.load(), 0);
}

void TestLoader::getnext_returnsEmptyPastEnd()
{
    const std::string line = "a,\"b\"c,";
    Catalogue::len = std::int64_t(line.size());
    Catalogue::l = 1;
    QCOMPARE(Catalogue::getnext(line), std::string("bc"));
    QCOMPARE(Catalogue::l, std::int64_t(6));
    QCOMPARE(Catalogue::getnext(line), std::string());
    QCOMPARE(Catalogue::getnext(line), std::string());
    QVERIFY(Catalogue::l <= Catalogue::len);
}

void TestLoader::sizeSeenAtStart_boundsTheRead()
{
    // Files under /proc report a size of 0 but have lines to read: reading
    // stops at the size seen when the load began.
    testsupport::WorkDir dir;
    QVERIFY(QFile::link("/proc/self/status", dir.catalogue()));
    const auto log = testsupport::load();
    QCOMPARE(log.messages.back(), summary(0));
    QVERIFY(!Catalogue::database[0].has_value());
}

void TestLoader::catalogueTooLargeForMemory_reportsProblem()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    QSKIP("sanitizers reserve more address space than the limit this test sets");
#else
    // A sparse file of 512 MiB without a line end is one line that cannot
    // be held in 256 MiB of address space.
    testsupport::WorkDir dir;
    QFile file(dir.catalogue());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(512) << 20));
    file.close();
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const rlimit limit{rlim_t(256) << 20, rlim_t(256) << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        const auto log = testsupport::load();
        const bool ok =
            log.messages ==
                std::vector<std::string>{"Reading File...", "Problem Reading Quarvel Database"} &&
            log.pauses == std::vector<int>{3000} && Catalogue::numentries.load() == 0;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
#endif
}

void TestLoader::delay_zeroAndNegativeReturnAtOnce()
{
    QElapsedTimer timer;
    timer.start();
    Catalogue::DelayT(0);
    Catalogue::DelayT(-100);
    QVERIFY(timer.elapsed() < 50);
    Catalogue::DelayT(20);
    QVERIFY(timer.elapsed() >= 20);
}

void TestLoader::searchDuringLoad_seesNothingOrWholeCatalogue()
{
    // Every line matches the default selection, so a search sees either no
    // entry at all or all of them.
    testsupport::WorkDir dir;
    QByteArray file;
    const QByteArray pad(2000, 'p');
    for (int k = 0; k < 699; ++k) {
        file +=
            "S" + QByteArray::number(k) + "," + pad + ",1,2,3,4,5,6,7,8,9,10,1,1,1,1,1,1,a,b,c\n";
    }
    QVERIFY(dir.write(file));
    const auto load = testsupport::searchWhileLoading(lookup::SelectionCodes({0, 0, 0, 0, 0, 0}));
    QVERIFY(load.searchesMidRead > 0);
    qInfo("searches mid-read: %ld, later in the load: %ld", load.searchesMidRead,
          load.searchesAfterHold);
    const std::string full = lookup::FindMatches(lookup::SelectionCodes({0, 0, 0, 0, 0, 0}));
    QCOMPARE(std::count(full.begin(), full.end(), '\n'), 699 * 7);
    for (const auto& [count, result] : load.seen) {
        QVERIFY(result == lookup::noMatch || result == full);
        // Nothing found is only right while nothing is published.
        QVERIFY(result != lookup::noMatch || count == 0);
    }
}

QTEST_APPLESS_MAIN(TestLoader)
#include "test_loader.moc"
