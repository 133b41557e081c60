// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue as a value: loaded as the window loads its own, searched
// without touching it, and one value searched beside another.

#include "catalogue/catalogue.h"
#include "catalogue/table.h"
#include "lookup/query.h"
#include "lookup/search.h"
#include "support/catalogue_fixture.h"
#include "support/read_control.h"

#include <QtTest>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using catalogue::Catalogue;
using catalogue::LoadOutcome;
using catalogue::Table;

namespace {

enum class Setup { Bytes, Missing, Directory, ReadFault, Device };

QByteArray row(const QByteArray& sv, const QByteArray& codes, const QByteArray& specimens = "")
{
    return sv + ",den,24,12,7,g,155,," + specimens + ",8.10,10.45,lm," + codes + ",,DI,\n";
}

QString shown(const catalogue::Text& value)
{
    return value ? QString::fromLatin1(value->data(), qsizetype(value->size()))
                 : QStringLiteral("<unset>");
}

/// Where `table` differs from the window's catalogue as last loaded: its
/// count, a raw line or a column value. Empty when they agree.
QStringList differencesFromWindow(const Table& table)
{
    QStringList found;
    const std::int32_t n = Catalogue::numentries.load();
    if (table.entries() != n) {
        return {QStringLiteral("%1 entries, the window has %2").arg(table.entries()).arg(n)};
    }
    for (std::size_t k = 0; k < std::size_t(n); ++k) {
        if (table.lines()[k] != Catalogue::database[k]) {
            found << QStringLiteral("line %1: %2 | window %3")
                         .arg(k + 1)
                         .arg(shown(table.lines()[k]), shown(Catalogue::database[k]));
        }
        for (const catalogue::ColumnInfo& col : catalogue::schema) {
            if (table.at(col, k) != col.at(k) || table.view().at(col, k) != col.at(k)) {
                found << QStringLiteral("line %1 %2: %3 | window %4")
                             .arg(k + 1)
                             .arg(QString::fromLatin1(col.name.data(), qsizetype(col.name.size())),
                                  shown(table.at(col, k)), shown(col.at(k)));
            }
        }
    }
    return found;
}

std::vector<int> entriesOf(const std::vector<lookup::Match>& matches)
{
    std::vector<int> entries;
    for (const auto& m : matches) {
        entries.push_back(m.entry);
    }
    return entries;
}

std::shared_ptr<const Table> tableOf(const QByteArray& bytes)
{
    std::vector<std::string> lines;
    for (const QByteArray& line : bytes.split('\n')) {
        lines.push_back(line.toStdString());
    }
    lines.pop_back(); // after the last line end
    return std::make_shared<const Table>(std::move(lines));
}

const lookup::Codes defaults = lookup::SelectionCodes({0, 0, 0, 0, 0, 0});

} // namespace

class TestTable final : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { testsupport::reads::reset(); }
    void valueLoader_fileAndBytes_giveTheWindowsColumns_data();
    void valueLoader_fileAndBytes_giveTheWindowsColumns();
    void valueLoader_namedPipe_returnsAtOnceWithNothingRead();
    void valueReport_showsNaButLeavesTheValue();
    void twoValues_searchedSideBySide();
    void valuesOnThreads_whileTheWindowLoads();
};

void TestTable::valueLoader_fileAndBytes_giveTheWindowsColumns_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QByteArray>("file");
    const int bytes = int(Setup::Bytes);
    QTest::newRow("quotes: kept in field 1, dropped later, a comma inside splits")
        << bytes
        << QByteArray("\"101\",\"a,b\",x\"\"y,\"\",\"\",,\" \",,,,,,1,\"1\",1,1,1,1,\"\",\"M\"\n"
                      "\"\",\"\"\"\",\",\"\n");
    QTest::newRow("LF, CR, CR LF, CR CR LF, no last line end")
        << bytes << QByteArray("a,1\nb,2\rc,3\r\nd,4\r\r\ne,5\n\rf,6");
    QTest::newRow("short, blank and comma-only lines")
        << bytes << QByteArray("5\n\n,\n,,,,,,,,,,,,,,,,,,,,,,,,\n \n1,2,3\n");
    QTest::newRow("empty and one-space fields, every fill rule")
        << bytes << QByteArray("1,, ,  , ,\t, ,  ,, , ,,,,,,,, ,  ,\t\n,,,,,,,,,,,,,,,,,,,,\n");
    QTest::newRow("more than 21 fields") << bytes
                                         << QByteArray("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,"
                                                       "18,19,20,21,22,23,,,\n");
    static const char raw[] = "\xEF\xBB\xBF"
                              "caf\xC3\xA9\xFF,a\0b,\x80\"z\n";
    QTest::newRow("NUL, bytes that are not UTF-8, byte order mark")
        << bytes << QByteArray(raw, sizeof raw - 1);
    QByteArray long700;
    QByteArray long1000;
    for (int k = 0; k < 1000; ++k) {
        const QByteArray line = row("S" + QByteArray::number(k), k % 3 ? "1,1,1,1,1,1" : "2,,5");
        (k < 700 ? long700 : long1000) += line;
    }
    QTest::newRow("700 lines: the 700th is not read") << bytes << long700;
    QTest::newRow("1000 lines") << bytes << long700 + long1000;
    // The reader's buffer is 256 KiB: a CR last in it, its LF first in the next.
    QTest::newRow("CR LF across the read buffer")
        << bytes << QByteArray(256 * 1024 - 1, 'x') + "\r\nb,c\r\n";
    QTest::newRow("empty file") << bytes << QByteArray();
    QTest::newRow("a 50 MB line between two short ones")
        << bytes << "a,1\n" + QByteArray(50 * 1024 * 1024, 'x') + ",2,\"3\"\r\nb,4";
    QTest::newRow("only line ends and NULs") << bytes << QByteArray("\r\n\n\r\0\r\r\n\0", 9);
    QTest::newRow("missing file") << int(Setup::Missing) << QByteArray();
    QTest::newRow("directory") << int(Setup::Directory) << QByteArray();
    QTest::newRow("read error part-way") << int(Setup::ReadFault) << long700;
    QTest::newRow("a link to a device") << int(Setup::Device) << QByteArray();
}

void TestTable::valueLoader_fileAndBytes_giveTheWindowsColumns()
{
    QFETCH(int, setup);
    QFETCH(QByteArray, file);
    testsupport::WorkDir dir;
    if (setup == int(Setup::Directory)) {
        QVERIFY(QDir(dir.path()).mkdir("ptolemy.csv"));
    } else if (setup == int(Setup::Device)) {
        QVERIFY(QFile::link("/dev/zero", dir.catalogue()));
    } else if (setup != int(Setup::Missing)) {
        QVERIFY(dir.write(file));
    }
    const auto armFault = [&] {
        if (setup == int(Setup::ReadFault)) {
            testsupport::reads::failAfter(dir.catalogue(), std::size_t(file.size() / 2));
        }
    };
    armFault();
    const LoadOutcome window = testsupport::load().outcome;
    armFault();
    const catalogue::LoadedTable value =
        catalogue::LoadTable(QFile::encodeName(dir.catalogue()).toStdString());

    const auto expectedKind = std::array{
        LoadOutcome::Kind::Loaded, LoadOutcome::Kind::NotFound, LoadOutcome::Kind::ReadProblem,
        LoadOutcome::Kind::ReadProblem, LoadOutcome::Kind::Loaded}[std::size_t(setup)];
    QCOMPARE(window.kind, expectedKind);
    QCOMPARE(value.outcome.kind, window.kind);
    QCOMPARE(value.outcome.entries, window.entries);
    QCOMPARE(value.outcome.regular, window.regular);
    QCOMPARE(window.regular, window.loaded() && setup != int(Setup::Device));
    // Why nothing was read travels with the outcome: nobody looks again.
    const auto why =
        std::array{"", "no such file", "is a directory", "read error", ""}[std::size_t(setup)];
    QCOMPARE(catalogue::WhyNotLoaded(window), std::string(why));
    QCOMPARE(catalogue::WhyNotLoaded(value.outcome), std::string(why));
    QVERIFY(value.table);
    if (setup == int(Setup::ReadFault)) {
        QCOMPARE(testsupport::reads::failures(), 1);
        QCOMPARE(value.table->entries(), 0); // a part of a catalogue is not searched
        return;
    }
    QCOMPARE(differencesFromWindow(*value.table), QStringList());
    if (setup == int(Setup::Bytes)) {
        // The same bytes from memory, as a web page hands them over.
        const catalogue::LoadedTable fromBytes =
            catalogue::LoadTableFromBytes({file.constData(), std::size_t(file.size())});
        QCOMPARE(fromBytes.outcome.kind, value.outcome.kind);
        QCOMPARE(fromBytes.outcome.entries, value.outcome.entries);
        QCOMPARE(fromBytes.outcome.regular, value.outcome.regular);
        QCOMPARE(fromBytes.outcome.error, value.outcome.error);
        QCOMPARE(differencesFromWindow(*fromBytes.table), QStringList());
    }
}

void TestTable::valueLoader_namedPipe_returnsAtOnceWithNothingRead()
{
    testsupport::WorkDir dir;
    const std::string path = QFile::encodeName(dir.catalogue()).toStdString();
    QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    // No writer: opening the pipe to read would wait for one for good.
    auto loading = std::async(std::launch::async, [&path] { return catalogue::LoadTable(path); });
    if (loading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Be the writer it waits for, so that the test can end.
        const int writer = ::open(path.c_str(), O_RDWR);
        loading.wait();
        ::close(writer);
        QFAIL("loading a named pipe waited for a writer");
    }
    const auto loaded = loading.get();
    QCOMPARE(loaded.outcome.kind, LoadOutcome::Kind::Loaded);
    QVERIFY(!loaded.outcome.regular);
    QCOMPARE(loaded.table->entries(), 0);

    // With a writer and lines waiting in the pipe, still nothing is read.
    const int writer = ::open(path.c_str(), O_RDWR);
    QVERIFY(writer >= 0);
    const std::string line = row("piped", "1,1,1,1,1,1").toStdString();
    QCOMPARE(::write(writer, line.data(), line.size()), ssize_t(line.size()));
    const auto withWriter = catalogue::LoadTable(path);
    ::close(writer);
    QCOMPARE(withWriter.outcome.kind, LoadOutcome::Kind::Loaded);
    QCOMPARE(withWriter.table->entries(), 0);
}

void TestTable::valueReport_showsNaButLeavesTheValue()
{
    const QByteArray file = row("empty", "1,1,1,1,1,1") + row("seven", "1,1,1,1,1,1", "7") +
                            row("other", "2,1,1,1,1,1");
    testsupport::loadBytes(file); // the window's catalogue, from the same bytes
    const auto table = tableOf(file);
    const catalogue::View view = table->view();
    const std::string report = lookup::FindMatches(view, defaults);
    QVERIFY(report.find("Sv empty\tPlate 12.\t7\tDiam: \t24mm\t# Specimens = n/a\n") == 0);
    QVERIFY(report.find("Sv seven\tPlate 12.\t7\tDiam: \t24mm\t# Specimens = 7\n") !=
            std::string::npos);
    // Shown again as the first time, from the unchanged value; the engine's
    // own blocks, as the finder's near matches use them, leave it too.
    QCOMPARE(lookup::FindMatches(view, defaults), report);
    for (const lookup::Match& m :
         lookup::RankMatches(view, lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 6))) {
        std::string block;
        lookup::AppendReportBlock(block, view, m.entry);
    }
    QCOMPARE(table->at(catalogue::columns::SVCt, 0), catalogue::Text(""));
    // Nor does a value's report reach the window's catalogue, which shows
    // the same text and keeps its own rule: "n/a" there for good.
    QCOMPARE(*Catalogue::SVCt[0], std::string());
    QCOMPARE(lookup::FindMatches(defaults), report);
    QCOMPARE(*Catalogue::SVCt[0], std::string("n/a"));
    QCOMPARE(table->at(catalogue::columns::SVCt, 0), catalogue::Text(""));
}

void TestTable::twoValues_searchedSideBySide()
{
    // The window holds a third catalogue, which neither search may see.
    testsupport::loadBytes(row("window", "1,1,1,1,1,1") + row("window2", "1,1,1,1,1,1"));
    const auto first = tableOf(row("a-exact", "1,1,1,1,1,1") + "a-odd,,30,,,,,,,,,,X,1,1,1,1,9\n" +
                               row("a-club", "1,1,1,4,1,1"));
    const auto second =
        tableOf(row("b-eagle", "1,1,5,1,1,1") + "b-heavy,,,,,,,,,20,22,,1,1,1,1,1\n");
    const catalogue::View a = first->view();
    const catalogue::View b = second->view();

    const lookup::Query exact = lookup::SelectionQuery({0, 0, 0, 0, 0, 0});
    const lookup::Query near = lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 2);
    QCOMPARE(entriesOf(lookup::RankMatches(a, exact)), std::vector<int>{0});
    QCOMPARE(entriesOf(lookup::RankMatches(b, exact)), std::vector<int>{});
    QCOMPARE(entriesOf(lookup::RankMatches(a, near)), (std::vector<int>{0, 2, 1}));
    // b-heavy lacks its countermark (field 18): one difference, as b-eagle.
    QCOMPARE(entriesOf(lookup::RankMatches(b, near)), (std::vector<int>{0, 1}));

    QVERIFY(lookup::FindMatches(a, lookup::SelectionCodes({0, 0, 0, 0, 0, 0}))
                .starts_with("Sv a-exact\t"));
    QCOMPARE(lookup::FindMatches(b, lookup::SelectionCodes({0, 0, 0, 0, 0, 0})),
             std::string(lookup::noMatch));
    QVERIFY(lookup::FindMatches(b, lookup::SelectionCodes({0, 0, 4, 0, 0, 0}))
                .starts_with("Sv b-eagle\t"));
    QVERIFY(lookup::EntryMatches(a, 0, defaults) && !lookup::EntryMatches(b, 0, defaults));

    // Counts with the obverse as the one list changed: "1" and "X".
    lookup::Query open = exact;
    open.allowed[0].clear();
    const auto countsA = lookup::CountFacets(a, open);
    const auto countsB = lookup::CountFacets(b, open);
    QCOMPARE(countsA[0][0], 1);
    QCOMPARE(countsB[0][0], 0);
    QCOMPARE(countsA[5][0], 1);
    QCOMPARE(countsB[2][4], 1); // the eagle, had the reverse been set to it

    QCOMPARE(lookup::DescribeHeld(a, 0, 1), std::string("\"X\""));
    QCOMPARE(lookup::DescribeHeld(b, 0, 1), std::string("Zeus with Ammon Horn"));
    QCOMPARE(lookup::HeldPositions(a, 3, 2), std::vector<int>{4});
    QCOMPARE(lookup::HeldPositions(b, 3, 1), std::vector<int>{0});
    QCOMPARE(lookup::MeasuresOf(a, 1).diameter, std::optional<double>(30));
    QCOMPARE(lookup::MeasuresOf(b, 1).weightMax, std::optional<double>(22));
    QVERIFY(!lookup::MeasuresOf(b, 1).diameter);

    // The window's search still sees its own catalogue only.
    QCOMPARE(lookup::FindMatches(defaults).substr(0, 10), std::string("Sv window\t"));
    QCOMPARE(Catalogue::numentries.load(), 2);
}

void TestTable::valuesOnThreads_whileTheWindowLoads()
{
    testsupport::WorkDir dir;
    QByteArray file;
    for (int k = 0; k < 699; ++k) {
        file += row("T" + QByteArray::number(k), k % 2 ? "1,1,1,1,1,1" : "1,1,1,1,1,2");
    }
    QVERIFY(dir.write(file));
    const std::string path = QFile::encodeName(dir.catalogue()).toStdString();
    const auto alone = catalogue::LoadTable(path).table;
    const std::string expected = lookup::FindMatches(alone->view(), defaults);
    QCOMPARE(std::count(expected.begin(), expected.end(), '\n'), 349 * 7);

    std::vector<std::future<int>> workers;
    for (int t = 0; t < 3; ++t) {
        workers.push_back(std::async(std::launch::async, [&path, &expected] {
            int same = 0;
            for (int round = 0; round < 5; ++round) {
                const auto loaded = catalogue::LoadTable(path);
                same += lookup::FindMatches(loaded.table->view(), defaults) == expected ? 1 : 0;
            }
            return same;
        }));
    }
    // The window's loader runs meanwhile, on the same file and its own columns.
    for (int round = 0; round < 5; ++round) {
        QCOMPARE(testsupport::load().outcome.entries, 699);
    }
    for (auto& worker : workers) {
        QCOMPARE(worker.get(), 5);
    }
    QCOMPARE(differencesFromWindow(*alone), QStringList());
}

QTEST_APPLESS_MAIN(TestTable)
#include "test_table.moc"
