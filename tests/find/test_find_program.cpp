// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "support/raw_args.h"
#include "support/run_program.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using catalogue::Catalogue;

/// Six list positions, in option order.
using Six = std::array<int, 6>;

namespace {

using Run = testsupport::ProgramRun;

Run runFind(const QStringList& args, const QString& workDir, const QByteArray& input = {},
            const QString& outputFile = {},
            const QString& program = QStringLiteral(ROVADOD_FIND_EXE))
{
    return testsupport::runProgram(program, args, workDir, input, outputFile);
}

/// Runs rovadod-find with arguments given as bytes, not all of them UTF-8,
/// which QProcess cannot pass: a shell rebuilds each one.
Run runFindRaw(const QList<QByteArray>& args, const QString& workDir)
{
    return runFind(testsupport::rawArgsThroughShell(QStringLiteral(ROVADOD_FIND_EXE), args),
                   workDir, {}, {}, QStringLiteral("/bin/sh"));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray row(const QByteArray& sv, const QByteArray& codes, const QByteArray& specimens = "")
{
    return sv + ",den,24,12,7,g,155,," + specimens + ",8.10,10.45,lm," + codes + ",,DI,\n";
}

const QString demo = QStringLiteral(ROVADOD_DEMO_CATALOGUE);

/// The six options giving positions, as the window's lists are set.
QStringList positionArgs(const Six& positions)
{
    const char* const options[] = {"--obverse-figure", "--inscription", "--reverse-figure",
                                   "--left-field",     "--right-side",  "--countermark"};
    QStringList args;
    for (std::size_t a = 0; a < positions.size(); ++a) {
        args << options[a] << QStringLiteral("#%1").arg(positions[a] + 1);
    }
    return args;
}

/// What the window's output area ends with for `positions` over `path`.
QByteArray windowText(const QString& path, const Six& positions)
{
    Catalogue::ClearCatalogue();
    Catalogue::GetDatabaseFrom(
        path.toStdString(), [](const std::string&) {}, [](int) {});
    const std::string text = lookup::FindMatches(lookup::SelectionCodes(positions));
    return {text.data(), static_cast<qsizetype>(text.size())};
}

QJsonObject parseJson(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    return error.error == QJsonParseError::NoError ? doc.object() : QJsonObject();
}

} // namespace

class TestFindProgram final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void fullSelection_byteForByteTheWindowsText_data();
    void fullSelection_byteForByteTheWindowsText();
    void exitStatus_data();
    void exitStatus();
    void wornCoin_weightAndSizeOrderAndTolerance();
    void unreadableCatalogue_exits2WithReason_data();
    void unreadableCatalogue_exits2WithReason();
    void defaultFile_isPtolemyCsvInWorkingDirectory();
    void batch_badLinesReportedOthersAnswered();
    void batch_statusFollowsWhatWasPrinted();
    void batch_tsvAndJson();
    void batch_fromStandardInput();
    void batch_unreadableFile_exits2();
    void batch_longLinesPassedOverAndReportedShort();
    void fileNamesNotUtf8_areOpened();
    void json_parsesBack();
    void json_picturesOfEachMatch_data();
    void json_picturesOfEachMatch();
    void writeFailure_isNotSuccess_data();
    void writeFailure_isNotSuccess();
    void list_needsNoCatalogue();
    void help_explainsEveryOption();
    void manual_examplesRunOnTheDemoCatalogue();
    void version_nameAndProjectVersion();

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestFindProgram::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestFindProgram::fullSelection_byteForByteTheWindowsText_data()
{
    QTest::addColumn<QByteArray>("catalogue"); // empty: the demo catalogue
    QTest::addColumn<Six>("positions");
    QTest::newRow("start selection") << QByteArray() << Six{0, 0, 0, 0, 0, 0};
    QTest::newRow("one entry") << QByteArray() << Six{0, 0, 0, 3, 0, 0};
    QTest::newRow("shared eagle code") << QByteArray() << Six{1, 0, 5, 6, 0, 0};
    QTest::newRow("nothing: no line end either") << QByteArray() << Six{19, 1, 33, 37, 13, 7};
    QTest::newRow("odd bytes and empty counts")
        << QByteArray(row("a\xFF", "1,1,1,1,1,1") + row("b\tc", "1,1,1,1,1,1", "4") + "short,1\n")
        << Six{0, 0, 0, 0, 0, 0};
}

void TestFindProgram::fullSelection_byteForByteTheWindowsText()
{
    QFETCH(QByteArray, catalogue);
    QFETCH(Six, positions);
    QString path = demo;
    if (!catalogue.isEmpty()) {
        path = dir_->filePath("odd.csv");
        QVERIFY(writeFile(path, catalogue));
    }
    const Run run = runFind(positionArgs(positions) << path, dir_->path());
    const QByteArray window = windowText(path, positions);
    QCOMPARE(run.out, window);
    QCOMPARE(run.status, window == "No Matching Entry Found" ? 1 : 0);
    QVERIFY(run.err.isEmpty());
}

void TestFindProgram::exitStatus_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err"); // start of standard error; empty: nothing there

    const QString usage = QStringLiteral("\nTry 'rovadod-find --help'.\n");
    QTest::newRow("matches") << QStringList{"--left-field", "tripod"} << 0 << "";
    QTest::newRow("nothing matches")
        << QStringList{"--obverse-figure", "ram", "--left-field", "tripod"} << 1 << "";
    QTest::newRow("a near match prints")
        << QStringList{"--obverse-figure", "ram", "--left-field", "tripod", "--near=1"} << 0 << "";
    QTest::newRow("counts of nothing")
        << QStringList{"--obverse-figure", "ram", "--left-field", "tripod", "--counts"} << 1 << "";
    QTest::newRow("unknown option")
        << QStringList{"--fuzzy"} << 2 << "rovadod-find: unknown option 'fuzzy'" + usage;
    QTest::newRow("ambiguous value")
        << QStringList{"--left-field", "cl"} << 2
        << "rovadod-find: \"cl\" begins more than one left-field entry:\n  #5   Club\n"
           "  #6   Club and Monogram(s)" +
               usage;
    QTest::newRow("#0") << QStringList{"--countermark=#0"} << 2
                        << "rovadod-find: \"#0\" is not a countermark position";
    QTest::newRow("#99") << QStringList{"--countermark=#99"} << 2
                         << "rovadod-find: \"#99\" is not a countermark position";
    QTest::newRow("missing value")
        << QStringList{"--near"} << 2 << "rovadod-find: missing value after '--near'" + usage;
    QTest::newRow("negative near")
        << QStringList{"--near=-1"} << 2
        << "rovadod-find: --near takes a whole number from 0 to 9, not \"-1\"" + usage;
    QTest::newRow("near past the clues")
        << QStringList{"--near=10"} << 2 << "rovadod-find: --near takes a whole number from 0 to 9";
    QTest::newRow("near, the most") << QStringList{"--left-field", "tripod", "--near=9"} << 0 << "";
    QTest::newRow("unknown format")
        << QStringList{"--format=xml"} << 2 << "rovadod-find: --format is report, tsv or json";
    QTest::newRow("two files") << QStringList{"b.csv"} << 2
                               << "rovadod-find: only one FILE can be searched" + usage;
    QTest::newRow("list with a query") << QStringList{"--list", "--countermark", "none"} << 2
                                       << "rovadod-find: --list takes no other option";
    QTest::newRow("counts in tsv")
        << QStringList{"--counts", "--format=tsv"} << 2 << "rovadod-find: --counts needs";
    QTest::newRow("diameter with two commas")
        << QStringList{"--diameter=2,5,0"} << 2
        << "rovadod-find: diameter takes a number above 0 and at most 1000, with \".\" or \",\" "
           "before the decimals (millimetres), not \"2,5,0\"" +
               usage;
    QTest::newRow("weight zero") << QStringList{"--weight=0"} << 2
                                 << "rovadod-find: weight takes a number above 0 and at most 10000";
    QTest::newRow("negative tolerance")
        << QStringList{"--tolerance=-5"} << 2
        << "rovadod-find: --tolerance takes a percentage, 0 or more";
    QTest::newRow("pattern fitting nothing")
        << QStringList{"--left-field=*unicorn*"} << 2
        << "rovadod-find: the pattern \"*unicorn*\" fits no left-field entry";
    QTest::newRow("monogram nobody has") << QStringList{"--center-monogram=QQ"} << 1 << "";
    QTest::newRow("batch with a measurement")
        << QStringList{"--batch=x", "--weight=3"} << 2
        << "rovadod-find: --batch reads the coins from its file; leave out --weight";
    QTest::newRow("batch with an attribute")
        << QStringList{"--batch=x", "--inscription=no"} << 2
        << "rovadod-find: --batch reads the coins from its file; leave out --inscription";
}

void TestFindProgram::exitStatus()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, err);
    const Run run = runFind(QStringList{demo} + args, dir_->path());
    QCOMPARE(run.status, status);
    if (err.isEmpty()) {
        QVERIFY2(run.err.isEmpty(), run.err.constData());
    } else {
        QVERIFY2(QString::fromUtf8(run.err).startsWith(err), run.err.constData());
    }
    if (status == 2) {
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.endsWith("\nTry 'rovadod-find --help'.\n"));
    }
}

void TestFindProgram::wornCoin_weightAndSizeOrderAndTolerance()
{
    // The manual's worked example: Zeus with Ammon horn, a single eagle
    // left, no countermark.
    const QStringList coin{demo, "--obverse-figure=zeus with", "--reverse-figure=1 eagle <l*",
                           "--countermark=none", "--format=tsv"};
    const QStringList measured = coin + QStringList{"--diameter=27", "--weight=19.2"};
    const auto svs = [this](const QStringList& args) {
        const Run run = runFind(args, dir_->path());
        QStringList found;
        for (const QByteArray& row : run.out.split('\n').mid(1)) {
            if (!row.isEmpty()) {
                found << QString::fromUtf8(row.split('\t').value(4));
            }
        }
        return found;
    };
    QCOMPARE(svs(coin).size(), 17);
    const QStringList ranked = svs(measured);
    QCOMPARE(ranked.size(), 17);
    QCOMPARE(ranked.mid(0, 4),
             (QStringList{"DEMO-001", "DEMO-005", "DEMO-021", "DEMO-012"})); // three diobols fit
    QCOMPARE(svs(measured + QStringList{"--tolerance=5"}), ranked.mid(0, 4));
    QCOMPARE(svs(measured + QStringList{"--tolerance=0"}), ranked.mid(0, 3));

    // Every machine format is the same in a locale writing decimal commas,
    // made here: the machine may have none.
    QTemporaryDir locales;
    QCOMPARE(QProcess::execute(QStringLiteral("localedef"),
                               {"-i", "de_DE", "-f", "UTF-8", locales.filePath("de_DE.UTF-8")}),
             0);
    const QStringList worn =
        measured.mid(0, measured.size() - 3) + measured.mid(measured.size() - 2);
    for (const QString format : {"--format=tsv", "--format=json", "--format=report"}) {
        const Run plain = runFind(worn + QStringList{format}, dir_->path());
        qputenv("LOCPATH", locales.path().toLocal8Bit());
        qputenv("LC_ALL", "de_DE.UTF-8");
        const Run comma = runFind(worn + QStringList{format}, dir_->path());
        qunsetenv("LOCPATH");
        qunsetenv("LC_ALL");
        QVERIFY(plain.out.contains("0.0384615") || plain.out.contains("misfit 3.85%"));
        QCOMPARE(comma.out, plain.out);
    }
}

void TestFindProgram::unreadableCatalogue_exits2WithReason_data()
{
    // The same reasons, worded as rovadod-check words them.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    const QString notFound = QStringLiteral(" (the window would show \"Database not found!\")");
    const QString problem =
        QStringLiteral(" (the window would show \"Problem Reading Quarvel Database\")");
    QTest::newRow("missing") << "missing"
                             << "no such file" + notFound;
    QTest::newRow("below a file") << "below a file"
                                  << "Not a directory" + notFound;
    QTest::newRow("directory") << "directory"
                               << "is a directory" + problem;
    QTest::newRow("no read permission") << "unreadable"
                                        << "Permission denied" + problem;
}

void TestFindProgram::unreadableCatalogue_exits2WithReason()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QString path = dir_->filePath("none.csv");
    if (kind == "directory") {
        path = dir_->path();
    } else if (kind == "below a file") {
        QVERIFY(writeFile(dir_->filePath("file"), "x"));
        path = dir_->filePath("file/ptolemy.csv");
    } else if (kind == "unreadable") {
        if (::geteuid() == 0) {
            QSKIP("root reads any file");
        }
        path = dir_->filePath("locked.csv");
        QVERIFY(writeFile(path, row("one", "1,1,1,1,1,1")));
        QVERIFY(QFile::setPermissions(path, {}));
    }
    const Run run = runFind({path}, dir_->path());
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(QString::fromUtf8(run.err),
             "rovadod-find: cannot read " + path + ": " + reason + "\n");
}

void TestFindProgram::defaultFile_isPtolemyCsvInWorkingDirectory()
{
    Run run = runFind({}, dir_->path());
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.contains("cannot read ptolemy.csv: no such file"));
    QVERIFY(writeFile(dir_->filePath("ptolemy.csv"), row("here", "1,1,1,1,1,1")));
    run = runFind({"--format=tsv"}, dir_->path());
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.contains("\n1\t0\t\t\there\t"));
}

void TestFindProgram::batch_badLinesReportedOthersAnswered()
{
    QVERIFY(writeFile(dir_->filePath("ptolemy.csv"),
                      row("one", "1,1,1,1,1,1") + row("club", "1,1,1,4,1,1")));
    // A byte order mark, CR LF line ends, a comment, a blank line, a bad
    // value, seven values and a position as the first value.
    QVERIFY(writeFile(dir_->filePath("coins.tsv"), "\xEF\xBB\xBFzeus with\tno\t#1\t\t\t\r\n"
                                                   "# the second tray\r\n"
                                                   "\r\n"
                                                   "zeus with\tmaybe\r\n"
                                                   "#1\tno\t#1\tclub\tnone\tnone\r\n"
                                                   "a\tb\tc\td\te\tf\tg\th\ti\tj\tk\tl\r\n"
                                                   "#1\t\t\ttripod\r\n"));
    const Run run = runFind({"--batch", "coins.tsv"}, dir_->path());
    QCOMPARE(run.status, 2);
    const QByteArray out = run.out;
    QVERIFY2(out.startsWith("Coin at line 1:\nSv one\t"), out.constData());
    const auto line5 = out.indexOf("Coin at line 5:\nSv club\t");
    const auto line7 = out.indexOf("Coin at line 7:\nNo Matching Entry Found\n\n");
    QVERIFY(line5 > 0 && line7 > line5);
    QVERIFY(out.endsWith("No Matching Entry Found\n\n"));
    QCOMPARE(out.count("Coin at line"), 3);
    const QStringList err = QString::fromUtf8(run.err).split('\n');
    QVERIFY2(err.value(0).startsWith("rovadod-find: coins.tsv:4: no inscription entry is or begins "
                                     "with \"maybe\""),
             run.err.constData());
    QVERIFY(err.contains("rovadod-find: coins.tsv:6: 12 values; a coin has at most 11, "
                         "separated by tabs"));
    QCOMPARE(err.value(err.size() - 2),
             "rovadod-find: 2 bad lines in coins.tsv, answered the others");
}

void TestFindProgram::batch_statusFollowsWhatWasPrinted()
{
    QVERIFY(writeFile(dir_->filePath("nothing.tsv"), "ram\tyes\nram\tno\tnike\n"));
    QVERIFY(writeFile(dir_->filePath("some.tsv"), "ram\tyes\nram\n"));
    QVERIFY(writeFile(dir_->filePath("empty.tsv"), "# nothing yet\n"));
    QCOMPARE(runFind({"--batch=nothing.tsv", demo}, dir_->path()).status, 1);
    QCOMPARE(runFind({"--batch=nothing.tsv", "--near=1", demo}, dir_->path()).status, 0);
    QCOMPARE(runFind({"--batch=some.tsv", demo}, dir_->path()).status, 0);
    const Run empty = runFind({"--batch=empty.tsv", demo}, dir_->path());
    QCOMPARE(empty.status, 1);
    QVERIFY(empty.out.isEmpty() && empty.err.isEmpty());
}

void TestFindProgram::batch_tsvAndJson()
{
    QVERIFY(writeFile(dir_->filePath("coins.tsv"), "ram\n# skip\nzeus laur\tbad\nram\tyes\n"));
    const Run tsv = runFind({"--batch=coins.tsv", "--format=tsv", demo}, dir_->path());
    QCOMPARE(tsv.status, 2);
    const QList<QByteArray> rows = tsv.out.split('\n');
    QVERIFY(rows[0].startsWith("coin\tline\tdistance\tdiffers\tmisfit\tSV\t"));
    QVERIFY(rows.size() > 2);
    for (qsizetype r = 1; r + 1 < rows.size(); ++r) {
        QVERIFY2(rows[r].startsWith("1\t"), rows[r].constData()); // coin 4 finds nothing
        QCOMPARE(rows[r].count('\t'), 25);
    }

    const Run json =
        runFind({"--batch=coins.tsv", "--format=json", "--near=1", "--counts", demo}, dir_->path());
    QCOMPARE(json.status, 2);
    const QJsonArray coins = parseJson(json.out)["coins"].toArray();
    QCOMPARE(coins.size(), 2);
    QCOMPARE(coins[0].toObject()["line"].toInt(), 1);
    QCOMPARE(coins[1].toObject()["line"].toInt(), 4);
    const QJsonObject ramWithInscription = coins[1].toObject();
    bool sawRam = false;
    for (const QJsonValue& match : ramWithInscription["matches"].toArray()) {
        QCOMPARE(match.toObject()["distance"].toInt(), 1);
        if (match.toObject()["sv"].toString() == "DEMO-059") {
            sawRam = true;
            QCOMPARE(match.toObject()["differs"].toArray(), QJsonArray{"inscription"});
        }
    }
    QVERIFY(sawRam);
    const QJsonArray inscriptionCounts =
        ramWithInscription["counts"].toObject()["inscription"].toArray();
    QCOMPARE(inscriptionCounts[0].toObject()["count"].toInt(), 1); // ram without: DEMO-059
    QCOMPARE(inscriptionCounts[1].toObject()["count"].toInt(), 0);
}

void TestFindProgram::batch_fromStandardInput()
{
    const Run run = runFind({"--batch=-", "--format=tsv", demo}, dir_->path(),
                            "# a comment\n#10\tno\t#22\nram\tno\tany\n");
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out.count('\n'), 3);
    QVERIFY(run.out.contains("\n2\t52\t0\t\t\tDEMO-052\t"));
    QVERIFY(run.out.contains("\n3\t59\t0\t\t\tDEMO-059\t"));
}

void TestFindProgram::batch_unreadableFile_exits2()
{
    Run run = runFind({"--batch=none.tsv", demo}, dir_->path());
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.startsWith("rovadod-find: cannot read none.tsv: "), run.err.constData());
    run = runFind({"--batch", dir_->path(), demo}, dir_->path());
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.contains("cannot read " + dir_->path().toUtf8()));
}

void TestFindProgram::batch_longLinesPassedOverAndReportedShort()
{
    const QByteArray atMaximum = "ram" + QByteArray(64 * 1024 - 3, ' '); // spaces are trimmed
    const QByteArray badValue = "ram\t" + QByteArray(60000, 'q');
    QVERIFY(writeFile(dir_->filePath("coins.tsv"), "ram\n" + QByteArray(20 * 1024 * 1024, 'x') +
                                                       "\n" + atMaximum + "\n" + badValue +
                                                       "\nram\tno\n"));
    const Run run = runFind({"--batch=coins.tsv", "--format=tsv", demo}, dir_->path());
    QCOMPARE(run.status, 2);
    QSet<QByteArray> coins;
    for (const QByteArray& row : run.out.split('\n').mid(1)) {
        if (!row.isEmpty()) {
            coins << row.left(row.indexOf('\t'));
        }
    }
    QCOMPARE(coins, (QSet<QByteArray>{"1", "3", "5"}));
    QVERIFY2(run.err.size() < 1000, QByteArray::number(run.err.size()).constData());
    const QList<QByteArray> err = run.err.split('\n');
    QCOMPARE(err.value(0), "rovadod-find: coins.tsv:2: longer than 65536 bytes, not read; a coin "
                           "is at most eleven values");
    QCOMPARE(err.value(1), "rovadod-find: coins.tsv:4: no inscription entry is or begins with \"" +
                               QByteArray(80, 'q') +
                               "\" \xE2\x80\xA6 (60000 bytes); the entries are:");
    QCOMPARE(err.value(err.size() - 2),
             "rovadod-find: 2 bad lines in coins.tsv, answered the others");
}

void TestFindProgram::fileNamesNotUtf8_areOpened()
{
    QVERIFY(testsupport::writeRawName(dir_->path(), "caf\xE9.csv", row("latin", "1,1,1,1,1,1")));
    QVERIFY(testsupport::writeRawName(dir_->path(), "caf\xE8.csv", row("other", "1,1,1,1,1,1")));
    QVERIFY(testsupport::writeRawName(dir_->path(), "lot\xE9.tsv", "#1\n"));
    Run run = runFindRaw({"--format=tsv", "caf\xE9.csv"}, dir_->path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains("\n1\t0\t\t\tlatin\t"), run.err.constData());
    for (const QList<QByteArray>& batch :
         {QList<QByteArray>{"--batch=lot\xE9.tsv"}, QList<QByteArray>{"--batch", "lot\xE9.tsv"}}) {
        run = runFindRaw(batch + QList<QByteArray>{"--format=tsv", "caf\xE8.csv"}, dir_->path());
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("\n1\t1\t0\t\t\tother\t"), run.err.constData());
    }
    run = runFindRaw({"--batch=lot\xE7.tsv", "caf\xE9.csv"}, dir_->path());
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.startsWith("rovadod-find: cannot read lot\xE7.tsv: "));
}

void TestFindProgram::json_parsesBack()
{
    const Run run =
        runFind({"--format=json", "--left-field=club", "--left-field=tripod", "--counts", demo},
                dir_->path());
    QCOMPARE(run.status, 0);
    const QJsonObject object = parseJson(run.out);
    const QJsonArray matches = object["matches"].toArray();
    QCOMPARE(matches.size(), 3); // a club on DEMO-008, a tripod on DEMO-013 and 014
    QCOMPARE(matches[0].toObject()["sv"].toString(), "DEMO-008");
    QCOMPARE(matches[1].toObject()["line"].toInt(), 13);
    QCOMPARE(matches[2].toObject()["line"].toInt(), 14);
    QCOMPARE(object["counts"].toObject().size(), 6);
}

void TestFindProgram::writeFailure_isNotSuccess_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("report") << QStringList{"--left-field=none", demo};
    QTest::newRow("--list") << QStringList{"--list"};
    QTest::newRow("--help") << QStringList{"--help"};
    QTest::newRow("--version") << QStringList{"--version"};
}

void TestFindProgram::writeFailure_isNotSuccess()
{
    QFETCH(QStringList, args);
    if (!QFile::exists("/dev/full")) {
        QSKIP("no /dev/full here");
    }
    const Run run = runFind(args, dir_->path(), {}, "/dev/full");
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err, QByteArray("rovadod-find: cannot write the output\n"));
}

void TestFindProgram::list_needsNoCatalogue()
{
    const Run run = runFind({"--list"}, dir_->path());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out.count('\n'), 20 + 2 + 34 + 38 + 14 + 8);
    QVERIFY(run.out.startsWith("obverse-figure  #1   Zeus with Ammon Horn"));
    const Run tsv = runFind({"--list", "--format=tsv"}, dir_->path());
    QCOMPARE(tsv.status, 0);
    QVERIFY(tsv.out.startsWith("option\tposition\ttext\tcode\nobverse-figure\t1\t"));
}

void TestFindProgram::json_picturesOfEachMatch_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("listed");
    QTest::newRow("json") << QStringList{"--format=json", "--obverse-figure=#1"} << true;
    QTest::newRow("json, --no-pictures")
        << QStringList{"--format=json", "--no-pictures", "--obverse-figure=#1"} << false;
    QTest::newRow("batch json") << QStringList{"--format=json", "--batch=coins.tsv"} << true;
}

void TestFindProgram::json_picturesOfEachMatch()
{
    QFETCH(QStringList, args);
    QFETCH(bool, listed);
    const QString dir = dir_->path();
    QVERIFY(QFile::copy(demo, dir + "/ptolemy.csv"));
    QVERIFY(writeFile(dir + "/coins.tsv", "#1\n"));
    QVERIFY(QDir(dir).mkdir("images"));
    const QByteArray png = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAA"
                                                  "DElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC");
    QVERIFY(writeFile(dir + "/images/DEMO-001-reverse.png", png));
    QVERIFY(writeFile(dir + "/images/demo-001-obverse.PNG", png));
    QVERIFY(writeFile(dir + "/images/DEMO-001-x.jpg", "not a picture")); // never listed
    QVERIFY(writeFile(dir + "/images/DEMO-0010.png", png));              // another number

    const Run run = runFind(args + QStringList{"ptolemy.csv"}, dir);
    QCOMPARE(run.status, 0);
    const QJsonObject doc = parseJson(run.out);
    const QJsonArray matches = doc.contains("coins")
                                   ? doc["coins"].toArray()[0].toObject()["matches"].toArray()
                                   : doc["matches"].toArray();
    QVERIFY(matches.size() > 1);
    for (const QJsonValue& match : matches) {
        const QJsonObject m = match.toObject();
        if (listed && m["sv"] == "DEMO-001") {
            QCOMPARE(m["pictures"].toArray(),
                     QJsonArray({"images/demo-001-obverse.PNG", "images/DEMO-001-reverse.png"}));
        } else {
            QVERIFY2(!m.contains("pictures"), qPrintable(m["sv"].toString()));
        }
    }
    // The report and TSV are as they are without the folder.
    const QStringList query{"--obverse-figure=#1", "ptolemy.csv"};
    const Run report = runFind(query, dir);
    const Run tsv = runFind(QStringList{"--format=tsv"} + query, dir);
    QVERIFY(QDir(dir + "/images").removeRecursively());
    QCOMPARE(report.out, runFind(query, dir).out);
    QCOMPARE(tsv.out, runFind(QStringList{"--format=tsv"} + query, dir).out);
}

void TestFindProgram::help_explainsEveryOption()
{
    for (const QStringList& args :
         {QStringList{"--help"}, QStringList{"-h"}, QStringList{"--bad", "--help"}}) {
        const Run run = runFind(args, dir_->path());
        QCOMPARE(run.status, 0);
        QVERIFY(run.err.isEmpty());
        QVERIFY(run.out.startsWith("Usage: rovadod-find [options] [FILE]\n"));
        for (const char* part : {"--obverse-figure <V>",
                                 "--inscription <V>",
                                 "--reverse-figure <V>",
                                 "--left-field <V>",
                                 "--right-side <V>",
                                 "--countermark <V>",
                                 "--center-monogram <V>",
                                 "--left-monogram <V>",
                                 "--right-monogram <V>",
                                 "--diameter <MM>",
                                 "--weight <G>",
                                 "--near <N>",
                                 "--tolerance <PCT>",
                                 "--counts",
                                 "--list",
                                 "--batch <FILE>",
                                 "--format <F>",
                                 "--tickets <FILE>",
                                 "--ticket-size <SIZE>",
                                 "--paper <PAPER>",
                                 "--no-pictures",
                                 "./ptolemy.csv",
                                 "man rovadod-find"}) {
            QVERIFY2(run.out.contains(part), part);
        }
        QVERIFY2(run.out.count('\n') < 50, "the manual page holds the detail");
    }
}

void TestFindProgram::manual_examplesRunOnTheDemoCatalogue()
{
    // The manual's examples, as a reader would copy them, run in the demo
    // catalogue's folder.
    QFile page(ROVADOD_FIND_MANUAL);
    QVERIFY(page.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString roff = QString::fromUtf8(page.readAll());
    QStringList commands;
    QString command;
    bool example = false;
    for (QString line : roff.split('\n')) {
        example = line == ".EX" || (example && line != ".EE");
        if (!example || line == ".EX") {
            continue;
        }
        line.replace("\\-", "-").replace("\\(dq", "\"").replace("\\e", "\\").replace("\\(aq", "'");
        if (line.startsWith("$ rovadod-find ")) {
            command = line.mid(2).trimmed();
        } else if (!command.isEmpty()) {
            command += ' ' + line.trimmed();
        }
        if (command.endsWith('\\')) {
            command.chop(1);
        } else if (!command.isEmpty()) {
            commands << command.split(" |").front().split(" >").front();
            command.clear();
        }
    }
    QVERIFY2(commands.size() >= 4, qPrintable(commands.join('\n')));
    const QString demoDir = QFileInfo(demo).absolutePath();
    for (const QString& c : commands) {
        QStringList args = QProcess::splitCommand(c);
        args.removeFirst();
        if (c.contains("--batch")) {
            QVERIFY(writeFile(dir_->filePath("coins.tsv"),
                              "id\tobverse-figure\treverse-figure\tweight\n"
                              "A-17\tzeus with\t1 eagle*\t19.2\n"));
            args.replaceInStrings("coins.tsv", dir_->filePath("coins.tsv"));
        }
#if !defined(ROVADOD_TICKETS)
        if (c.contains("--tickets")) {
            continue; // built without Qt Gui: no tickets to make
        }
#endif
        // Tickets go to the scratch folder, not beside the demo catalogue.
        const QString tickets = dir_->filePath("tickets.pdf");
        args.replaceInStrings("=tickets.pdf", "=" + tickets);
        const Run run = runFind(args, demoDir);
        QVERIFY2(run.status == 0 && !run.out.isEmpty(), qPrintable(c + "\n" + run.err));
        QCOMPARE(QFile::exists(tickets), c.contains("--tickets"));
        QFile::remove(tickets);
    }
}

void TestFindProgram::version_nameAndProjectVersion()
{
    for (const char* option : {"--version", "-v"}) {
        const Run run = runFind({option}, dir_->path());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QByteArray("rovadod-find " ROVADOD_VERSION "\n"));
    }
}

QTEST_APPLESS_MAIN(TestFindProgram)
#include "test_find_program.moc"
