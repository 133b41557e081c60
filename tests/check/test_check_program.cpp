// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/raw_args.h"
#include "support/run_program.h"

#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

/// Runs rovadod-check with `args` in `workDir` and waits for it; its
/// standard output goes to `outputFile` when one is given.
Run runCheck(const QStringList& args, const QString& workDir, const QString& outputFile = {})
{
    const testsupport::ProgramRun raw =
        testsupport::runProgram(QStringLiteral(ROVADOD_CHECK_EXE), args, workDir, {}, outputFile);
    return {raw.status, QString::fromUtf8(raw.out), QString::fromUtf8(raw.err)};
}

/// Runs rovadod-check with arguments given as bytes, not all of them UTF-8,
/// which QProcess cannot pass: a shell rebuilds each one.
testsupport::ProgramRun runCheckRaw(const QList<QByteArray>& args, const QString& workDir)
{
    return testsupport::runProgram(
        QStringLiteral("/bin/sh"),
        testsupport::rawArgsThroughShell(QStringLiteral(ROVADOD_CHECK_EXE), args), workDir);
}

const QByteArray cleanLine = "DEMO-1,Obol,20,IV,3,AE3,100,,3,7.10,8.20,Alexandria,1,1,1,1,1,1,,,\n";
const QByteArray xLine = "DEMO-2,Obol,20,IV,3,AE3,100,,3,7.10,8.20,Alexandria,X,1,1,1,1,1,,,\n";

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestCheckProgram final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanFile_exits0();
    void findings_exit1_withLineNumbersAndSummary();
    void unreadable_exits2_onStderr_data();
    void unreadable_exits2_onStderr();
    void fifoWithoutWriter_bothToolsExit2AtOnce_data();
    void fifoWithoutWriter_bothToolsExit2AtOnce();
    void defaultFile_isPtolemyCsvInWorkingDirectory();
    void help_explainsFindingsAndStatuses_data();
    void help_explainsFindingsAndStatuses();
    void badCommandLine_exits2_withUsage_data();
    void badCommandLine_exits2_withUsage();
    void doubleDash_endsOptions();
    void fileNameNotUtf8_isOpened();
    void version_nameAndProjectVersion();
    void writeFailure_isNotSuccess_data();
    void writeFailure_isNotSuccess();

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestCheckProgram::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestCheckProgram::cleanFile_exits0()
{
    const QString path = dir_->filePath("clean.csv");
    QVERIFY(writeFile(path, cleanLine + cleanLine));
    const Run run = runCheck({path}, dir_->path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.startsWith("Summary for " + path + ": 2 entries read\n"), qPrintable(run.out));
    QVERIFY(run.out.endsWith("Nothing to report.\n"));
    QVERIFY(run.err.isEmpty());
}

void TestCheckProgram::findings_exit1_withLineNumbersAndSummary()
{
    const QString path = dir_->filePath("faulty.csv");
    QVERIFY(writeFile(path, cleanLine + xLine + cleanLine));
    const Run run = runCheck({path}, dir_->path());
    QCOMPARE(run.status, 1);
    const QStringList out = run.out.split('\n');
    QVERIFY(out.size() > 2);
    QCOMPARE(out[0], QString("line 2: obverse main figure code \"X\" (field 13) can never be "
                             "selected; no list entry leads to \"X\""));
    QCOMPARE(out[1], "Summary for " + path + ": 3 entries read");
    QVERIFY(run.out.contains("  entries that can never be found:            1\n"));
    QVERIFY(run.out.endsWith("1 finding.\n"));
    QVERIFY(run.err.isEmpty());
}

void TestCheckProgram::unreadable_exits2_onStderr_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << "missing"
                                  << "no such file";
    QTest::newRow("directory") << "directory"
                               << "is a directory";
    // Read only up to the size seen at the start, a pipe or a device would
    // pass for an empty catalogue.
    QTest::newRow("device") << "device"
                            << "not a regular file";
    QTest::newRow("named pipe with a writer") << "fifo"
                                              << "not a regular file";
}

void TestCheckProgram::unreadable_exits2_onStderr()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QString path = dir_->filePath("none.csv");
    int keepOpen = -1;
    if (kind == "directory") {
        path = dir_->path();
    } else if (kind == "device") {
        path = "/dev/null";
    } else if (kind == "fifo") {
        path = dir_->filePath("pipe.csv");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        // Held open for reading and writing, so the checker's open does not
        // wait for a writer and nothing it leaves unread raises SIGPIPE.
        keepOpen = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK);
        QVERIFY(keepOpen >= 0);
        QVERIFY(::write(keepOpen, cleanLine.constData(), size_t(cleanLine.size())) > 0);
    }
    const Run run = runCheck({path}, dir_->path());
    if (keepOpen >= 0) {
        ::close(keepOpen);
    }
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith("rovadod-check: cannot read " + path + ": " + reason),
             qPrintable(run.err));
}

void TestCheckProgram::fifoWithoutWriter_bothToolsExit2AtOnce_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("fifo"); // made in the working directory
    QTest::newRow("rovadod-check FILE")
        << ROVADOD_CHECK_EXE << QStringList{"pipe.csv"} << "pipe.csv";
    QTest::newRow("rovadod-check, ./ptolemy.csv")
        << ROVADOD_CHECK_EXE << QStringList{} << "ptolemy.csv";
    QTest::newRow("rovadod-find FILE")
        << ROVADOD_FIND_EXE << QStringList{"--obverse-figure", "any", "pipe.csv"} << "pipe.csv";
    QTest::newRow("rovadod-find --counts, ./ptolemy.csv")
        << ROVADOD_FIND_EXE << QStringList{"--counts"} << "ptolemy.csv";
}

void TestCheckProgram::fifoWithoutWriter_bothToolsExit2AtOnce()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QString, fifo);
    // Nothing ever opens it for writing: a tool whose open waits for a writer
    // never ends, and the run gives up on it after 30 s with status -1.
    QCOMPARE(::mkfifo(QFile::encodeName(dir_->filePath(fifo)).constData(), 0600), 0);
    const testsupport::ProgramRun run = testsupport::runProgram(program, args, dir_->path());
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    const QString expected =
        QFileInfo(program).fileName() + ": cannot read " + fifo + ": not a regular file";
    QVERIFY2(QString::fromUtf8(run.err).startsWith(expected), run.err.constData());
}

void TestCheckProgram::defaultFile_isPtolemyCsvInWorkingDirectory()
{
    Run run = runCheck({}, dir_->path());
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains("cannot read ptolemy.csv: no such file"), qPrintable(run.err));

    QVERIFY(writeFile(dir_->filePath("ptolemy.csv"), xLine));
    run = runCheck({}, dir_->path());
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.contains("Summary for ptolemy.csv: 1 entry read\n"));
}

void TestCheckProgram::help_explainsFindingsAndStatuses_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("long") << QStringList{"--help"};
    QTest::newRow("short") << QStringList{"-h"};
    QTest::newRow("after a missing file") << QStringList{"none.csv", "--help"};
}

void TestCheckProgram::help_explainsFindingsAndStatuses()
{
    QFETCH(QStringList, args);
    const Run run = runCheck(args, dir_->path());
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith("Usage: rovadod-check [options] [FILE]\n"));
    for (const char* part : {"./ptolemy.csv", "more than 21", "comma", "\"X\"", "\" 1\"", "699",
                             "quoting text cells", "0  nothing found", "1  findings reported",
                             "2  the file cannot be read", "report\n     cannot be written"}) {
        QVERIFY2(run.out.contains(QLatin1String(part)), part);
    }
    QVERIFY(run.err.isEmpty());
}

void TestCheckProgram::badCommandLine_exits2_withUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("unknown long option") << QStringList{"--fix"} << "unknown option 'fix'";
    QTest::newRow("unknown short option") << QStringList{"-x"} << "unknown option 'x'";
    QTest::newRow("two files") << QStringList{"a.csv", "b.csv"} << "only one FILE";
}

void TestCheckProgram::badCommandLine_exits2_withUsage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, complaint);
    const Run run = runCheck(args, dir_->path());
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(complaint), qPrintable(run.err));
    QVERIFY(run.err.endsWith("\nTry 'rovadod-check --help'.\n"));
}

void TestCheckProgram::doubleDash_endsOptions()
{
    QVERIFY(writeFile(dir_->filePath("-odd.csv"), cleanLine));
    const Run run = runCheck({"--", "-odd.csv"}, dir_->path());
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith("Summary for -odd.csv: 1 entry read\n"));
}

void TestCheckProgram::fileNameNotUtf8_isOpened()
{
    // Two Latin-1 names that differ only in the byte that is not UTF-8.
    QVERIFY(testsupport::writeRawName(dir_->path(), "caf\xE9.csv", cleanLine));
    QVERIFY(testsupport::writeRawName(dir_->path(), "caf\xE8.csv", xLine));
    testsupport::ProgramRun run = runCheckRaw({"caf\xE9.csv"}, dir_->path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.startsWith("Summary for caf\xE9.csv: 1 entry read\n"), run.err.constData());
    run = runCheckRaw({"--", "caf\xE8.csv"}, dir_->path());
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.contains("\nSummary for caf\xE8.csv: 1 entry read\n"));
    run = runCheckRaw({"caf\xE7.csv"}, dir_->path());
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err, QByteArray("rovadod-check: cannot read caf\xE7.csv: no such file (the window "
                                 "would show \"Database not found!\")\n"));
}

void TestCheckProgram::version_nameAndProjectVersion()
{
    for (const char* option : {"--version", "-v"}) {
        const Run run = runCheck({option, "none.csv"}, dir_->path());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QString("rovadod-check " ROVADOD_VERSION "\n"));
        QVERIFY(run.err.isEmpty());
    }
}

void TestCheckProgram::writeFailure_isNotSuccess_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file"); // written to file.csv first
    QTest::newRow("nothing found") << QStringList{"file.csv"} << cleanLine;
    QTest::newRow("findings") << QStringList{"file.csv"} << xLine;
    QTest::newRow("--help") << QStringList{"--help"} << QByteArray();
    QTest::newRow("--version") << QStringList{"--version"} << QByteArray();
}

void TestCheckProgram::writeFailure_isNotSuccess()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    if (!QFile::exists("/dev/full")) {
        QSKIP("no /dev/full here");
    }
    QVERIFY(writeFile(dir_->filePath("file.csv"), file));
    const Run run = runCheck(args, dir_->path(), "/dev/full");
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err, QString("rovadod-check: cannot write the output\n"));
}

QTEST_APPLESS_MAIN(TestCheckProgram)
#include "test_check_program.moc"
