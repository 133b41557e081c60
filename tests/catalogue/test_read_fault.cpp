// SPDX-License-Identifier: GPL-3.0-or-later
// A disk that fails in the middle of the catalogue: the loader's real read
// path, made to fail after a chosen number of bytes by read_control.

#include "catalogue/catalogue.h"
#include "checker.h"
#include "support/catalogue_fixture.h"
#include "support/read_control.h"

#include <QtTest>

using catalogue::Catalogue;

namespace {

QByteArray numberedLines(int count, int padding = 0)
{
    QByteArray bytes;
    for (int k = 0; k < count; ++k) {
        bytes += "S" + QByteArray::number(k) + QByteArray(padding, 'p') +
                 ",den,24,12,7,g,155,88,3,8.10,10.45,lm,1,1,1,1,1,1,,DI,\n";
    }
    return bytes;
}

} // namespace

class TestReadFault final : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { testsupport::reads::reset(); }
    void failurePartWay_reportsProblemAndSplitsNothing_data();
    void failurePartWay_reportsProblemAndSplitsNothing();
    void failurePartWay_checkerCannotRead();
};

void TestReadFault::failurePartWay_reportsProblemAndSplitsNothing_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("padding");
    QTest::addColumn<int>("linesRead");
    QTest::addColumn<int>("intoNextLine"); ///< bytes of the next line read
    QTest::newRow("after two of three lines") << 3 << 0 << 2 << 0;
    QTest::newRow("in the middle of a line") << 3 << 0 << 1 << 5;
    QTest::newRow("before any byte") << 3 << 0 << 0 << 0;
    // Lines of about 1 KB: the fault comes on a read after the first block.
    QTest::newRow("after 400 of 600 long lines") << 600 << 1000 << 400 << 0;
    // 699 lines are read before the failing part, which is never reached.
    QTest::newRow("fault after line 699") << 800 << 0 << 699 << 100;
}

void TestReadFault::failurePartWay_reportsProblemAndSplitsNothing()
{
    QFETCH(int, lines);
    QFETCH(int, padding);
    QFETCH(int, linesRead);
    QFETCH(int, intoNextLine);
    testsupport::WorkDir dir;
    QVERIFY(dir.write(numberedLines(lines, padding)));
    testsupport::reads::failAfter(
        dir.catalogue(), std::size_t(numberedLines(linesRead, padding).size() + intoNextLine));

    const testsupport::LoadLog log = testsupport::load();
    const catalogue::LoadOutcome& outcome = log.outcome;

    if (linesRead == Catalogue::maxlines) {
        // The loader stops at 699 lines, before the failing read.
        QCOMPARE(testsupport::reads::failures(), 0);
        QVERIFY(outcome.loaded());
        QCOMPARE(outcome.entries, 699);
        return;
    }
    QCOMPARE(testsupport::reads::failures(), 1);
    QCOMPARE(log.messages,
             (std::vector<std::string>{"Reading File...", "Problem Reading Quarvel Database"}));
    QCOMPARE(log.pauses, std::vector<int>{3000});
    QCOMPARE(outcome.kind, catalogue::LoadOutcome::Kind::ReadProblem);
    QCOMPARE(outcome.entries, 0);
    QCOMPARE(Catalogue::numentries.load(), 0);
    // Lines read before the fault are kept raw but never split.
    for (int k = 0; k < linesRead; ++k) {
        QVERIFY(Catalogue::database[std::size_t(k)].has_value());
    }
    QVERIFY(!Catalogue::database[std::size_t(linesRead)].has_value());
    QVERIFY(!Catalogue::SV[0].has_value());
}

void TestReadFault::failurePartWay_checkerCannotRead()
{
    testsupport::WorkDir dir;
    QVERIFY(dir.write(numberedLines(3)));
    testsupport::reads::failAfter(dir.catalogue(), 10);
    const check::Result result = check::CheckCatalogue(dir.catalogue().toStdString());
    QCOMPARE(result.status, check::Status::Unreadable);
    QCOMPARE(check::ExitStatus(result), 2);
    QVERIFY(result.findings.empty());
}

QTEST_APPLESS_MAIN(TestReadFault)
#include "test_read_fault.moc"
