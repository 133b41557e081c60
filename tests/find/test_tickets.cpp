// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/read.h"
#include "answer/ticket.h"
#include "answer/tsv.h"
#include "catalogue/table.h"
#include "pictures/index.h"
#include "print/sheet.h"
#include "support/run_program.h"
#include "json/json.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using testsupport::ProgramRun;

namespace {

const QString demo = QStringLiteral(ROVADOD_DEMO_CATALOGUE);

QStringList strings(const std::vector<std::string>& list)
{
    QStringList out;
    for (const std::string& s : list) {
        out << QString::fromStdString(s);
    }
    return out;
}

/// rovadod-find run by a shell that first runs `prelude` ("ulimit -f 4",
/// setting the locale ...).
ProgramRun runFind(const QString& prelude, const QStringList& args, const QString& workDir)
{
    return testsupport::runProgram(
        QStringLiteral("/bin/sh"),
        QStringList{"-c", prelude + QStringLiteral("; exec \"$0\" \"$@\""), ROVADOD_FIND_EXE} +
            args,
        workDir);
}

/// The text pdftotext reads in `area` (mm) of `page` (1-based), or all of it.
QString pdfText(const QString& pdf, int page = 0, const QRectF& area = {})
{
    QStringList args{"-enc", "UTF-8"};
    if (page > 0) {
        const QRectF pt(area.topLeft() * 72 / 25.4, area.size() * 72 / 25.4);
        args << "-f" << QString::number(page) << "-l" << QString::number(page) << "-r"
             << "72"
             << "-x" << QString::number(qRound(pt.x())) << "-y" << QString::number(qRound(pt.y()))
             << "-W" << QString::number(qRound(pt.width())) << "-H"
             << QString::number(qRound(pt.height()));
    }
    const ProgramRun run =
        testsupport::runProgram(QStringLiteral(ROVADOD_PDFTOTEXT), args << pdf << "-", {});
    return run.status == 0 ? QString::fromUtf8(run.out) : QStringLiteral("(pdftotext failed)");
}

QString pdfPaper(const QString& pdf)
{
    const ProgramRun run = testsupport::runProgram(QStringLiteral(ROVADOD_PDFINFO), {pdf}, {});
    const QString info = QString::fromUtf8(run.out);
    const qsizetype at = info.indexOf(QStringLiteral("Page size:"));
    return at < 0 ? info : info.mid(at, info.indexOf('\n', at) - at).simplified();
}

/// Each image shown in `pdf`, as poppler's pdfimages lists it:
/// "WIDTHxHEIGHT object N", once for every place it is shown.
QStringList pdfImages(const QString& pdf)
{
    const ProgramRun run =
        testsupport::runProgram(QStringLiteral(ROVADOD_PDFIMAGES), {"-list", pdf}, {});
    QStringList images;
    const QList<QByteArray> lines = run.out.split('\n');
    for (qsizetype k = 2; k < lines.size(); ++k) { // after the heading and its rule
        const QStringList cells = QString::fromUtf8(lines[k]).simplified().split(' ');
        if (cells.size() > 10 && cells[2] == "image") {
            images << cells[3] + 'x' + cells[4] + " object " + cells[10];
        }
    }
    return run.status == 0 ? images : QStringList{"(pdfimages failed)"};
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class TestTickets final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void ticketOf_firstMatchAndThoseAsGood_data();
    void ticketOf_firstMatchAndThoseAsGood();
    void pdf_oneTicketPerCoinInBatchOrder_data();
    void pdf_oneTicketPerCoinInBatchOrder();
    void pdf_cannotBeWritten_exit2AndNothingLeft_data();
    void pdf_cannotBeWritten_exit2AndNothingLeft();
    void options_wrongValues_usageErrorNamingThem_data();
    void options_wrongValues_usageErrorNamingThem();
    void pdf_firstPictureBesideTheText_data();
    void pdf_firstPictureBesideTheText();

private:
    QTemporaryDir dir_;
    bool letterLocale_ = false; ///< en_US made in dir_/locales, for LOCPATH
};

void TestTickets::initTestCase()
{
    QVERIFY2(QFile::exists(ROVADOD_PDFTOTEXT) && QFile::exists(ROVADOD_PDFINFO),
             "pdftotext and pdfinfo are needed: apt-get install poppler-utils");
    QVERIFY(dir_.isValid());
    // A locale printing on Letter, made here: the machine may have none.
    QVERIFY(QDir(dir_.path()).mkdir("locales"));
    letterLocale_ =
        QProcess::execute(QStringLiteral("localedef"), {"-i", "en_US", "-f", "UTF-8",
                                                        dir_.filePath("locales/en_US.UTF-8")}) == 0;
}

void TestTickets::ticketOf_firstMatchAndThoseAsGood_data()
{
    QTest::addColumn<QByteArray>("line"); // a batch line without header
    QTest::addColumn<int>("near");
    QTest::addColumn<QString>("sv"); // empty: no match
    QTest::addColumn<QStringList>("also");
    QTest::addColumn<QStringList>("differs");
    QTest::addColumn<QStringList>("monograms");
    QTest::addColumn<QString>("measures"); // weight range | diameter, or what was seen

    const QByteArray lowered = "zeus with\tno\t#1\tdouble cornucopia\t\tanchor";
    QTest::newRow("weight and size: three more inside both")
        << QByteArray("zeus with\t\t1 eagle*\t\t\t\t\t\t\t27\t19.2") << 0 << "DEMO-001"
        << QStringList{"DEMO-005", "DEMO-021", "DEMO-027"} << QStringList{}
        << QStringList{"", "", ""} << "17.55\u201323.69 g|27 mm";
    QTest::newRow("near, each differing elsewhere")
        << lowered << 1 << "DEMO-004" << QStringList{"DEMO-006"}
        << QStringList{"left-field is None"} << QStringList{"", "", ""}
        << "41.13\u201357.83 g|36 mm";
    QTest::newRow("monograms, none as empty")
        << QByteArray("\t\t\t\t\t\tME\tME") << 0 << "DEMO-016" << QStringList{"DEMO-020"}
        << QStringList{} << QStringList{"ME", "ME", ""} << "3.05\u20134.17 g|15 mm";
    QTest::newRow("nothing fits: what was seen")
        << lowered + "\t\t\t\t\t20" << 0 << "" << QStringList{} << QStringList{}
        << QStringList{"", "", ""}
        << "obverse-figure Zeus with Ammon Horn; inscription No; reverse-figure 1 Eagle <L "
           "Closed Wing - Head <L; left-field Double Cornucopia; countermark Anchor; weight 20 g";
}

void TestTickets::ticketOf_firstMatchAndThoseAsGood()
{
    QFETCH(QByteArray, line);
    QFETCH(int, near);
    QFETCH(QString, sv);
    QFETCH(QStringList, also);
    QFETCH(QStringList, differs);
    QFETCH(QStringList, monograms);
    QFETCH(QString, measures);

    const catalogue::LoadedTable demoTable = catalogue::LoadTable(ROVADOD_DEMO_CATALOGUE);
    QVERIFY(demoTable.outcome.loaded());
    answer::BatchLine parsed = answer::ParseBatchLine(line.toStdString());
    QCOMPARE(parsed.kind, answer::BatchLine::Kind::Coin);
    parsed.query.near = near;
    answer::Answer answer = answer::Ask(demoTable.table->view(), parsed.query, false, 7);
    answer.id = "A-17";
    const answer::Ticket ticket = answer::TicketOf(answer);

    QCOMPARE(ticket.id, "A-17");
    QCOMPARE(ticket.found, !sv.isEmpty());
    QCOMPARE(QString::fromStdString(ticket.sv), sv);
    QCOMPARE(strings(ticket.also), also);
    QCOMPARE(strings(ticket.differs), differs);
    QCOMPARE(strings({ticket.monograms.begin(), ticket.monograms.end()}), monograms);
    QCOMPARE(QString::fromStdString(ticket.found ? ticket.weightRange + "|" + ticket.entryDiameter
                                                 : ticket.seen),
             measures);
}

void TestTickets::pdf_oneTicketPerCoinInBatchOrder_data()
{
    QTest::addColumn<QString>("prelude"); // shell commands before the run: the locale
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("paper");

    const QString c = QStringLiteral("unset LANG LC_PAPER; export LC_ALL=C");
    const QString letterLocale = QStringLiteral("export LOCPATH='%1'; unset LC_ALL LANG; "
                                                "export LC_PAPER=en_US.UTF-8")
                                     .arg(dir_.filePath("locales"));
    QTest::newRow("C locale: a4") << c << QStringList{} << "A4";
    QTest::newRow("--paper=letter") << c << QStringList{"--paper=letter"} << "letter";
    QTest::newRow("letter locale") << letterLocale << QStringList{} << "letter";
    QTest::newRow("--paper=A4 over the locale")
        << letterLocale << QStringList{"--paper=A4"} << "A4";
    QTest::newRow("2in tickets") << c << QStringList{"--ticket-size=2in"} << "A4";
    QTest::newRow("150mm: a page each") << c << QStringList{"--ticket-size=150mm"} << "A4";
}

void TestTickets::pdf_oneTicketPerCoinInBatchOrder()
{
    QFETCH(QString, prelude);
    QFETCH(QStringList, args);
    QFETCH(QString, paper);

    if (prelude.contains("LOCPATH") && !letterLocale_) {
        QSKIP("no en_US locale source to make a Letter locale from (package locales)");
    }
    const QString work = dir_.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(work));
    QFile batch(work + "/coins.tsv");
    QVERIFY(batch.open(QIODevice::WriteOnly));
    batch.write("id\tobverse-figure\treverse-figure\tleft-field\n"
                "A-17\tzeus with\t#1\tnone\n"
                "tray 2/5\t#2\t\t\n"
                "\xCE\xA9-3\t\t\tclub\n");
    batch.close();
    const QStringList ids{"A-17", "tray 2/5", "\u03A9-3"};
    const QStringList svs{"DEMO-001", "DEMO-013", "DEMO-008"};

    const QStringList common{"--batch=coins.tsv", demo};
    const ProgramRun plain = runFind(prelude, common, work);
    const ProgramRun run =
        runFind(prelude, QStringList{"--tickets=tickets.pdf"} + args + common, work);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, plain.out); // the usual report besides
    QCOMPARE(entries(work), QStringList({"coins.tsv", "tickets.pdf"}));

    const QString pdf = work + "/tickets.pdf";
    QVERIFY2(pdfPaper(pdf).contains("(" + paper + ")"), qPrintable(pdfPaper(pdf)));
    const print::Paper sheet = paper == "A4" ? print::Paper::A4 : print::Paper::Letter;
    double side = print::defaultTicketSide;
    for (const QString& a : args) {
        if (a.startsWith("--ticket-size=")) {
            side = *print::ParseTicketSide(a.mid(14).toStdString());
        }
    }
    const auto pages = print::TicketPages(print::PaperSize(sheet), side, 3);
    int k = 0;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        for (const QRectF& area : pages[p]) {
            // Each ticket's own area holds its coin's id and its entry, none other.
            const QString text = pdfText(pdf, static_cast<int>(p) + 1, area);
            for (int other = 0; other < 3; ++other) {
                QCOMPARE(text.contains(ids[other]), other == k);
                QCOMPARE(text.contains(svs[other]), other == k);
            }
            ++k;
        }
    }
    QCOMPARE(k, 3);
}

void TestTickets::pdf_cannotBeWritten_exit2AndNothingLeft_data()
{
    QTest::addColumn<QString>("prelude");
    QTest::addColumn<QString>("target");

    QTest::newRow("missing folder") << ":"
                                    << "missing/tickets.pdf";
    QTest::newRow("a folder in the way") << ":"
                                         << "in the way";
    QTest::newRow("a named pipe, kept") << ":"
                                        << "pipe.pdf";
    // Cut off part way, as on a full disk: the earlier file stays.
    QTest::newRow("too large for the limit") << "ulimit -f 8; trap '' XFSZ"
                                             << "tickets.pdf";
}

void TestTickets::pdf_cannotBeWritten_exit2AndNothingLeft()
{
    QFETCH(QString, prelude);
    QFETCH(QString, target);

    const QString work = dir_.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(work + "/in the way"));
    QVERIFY(::mkfifo(QFile::encodeName(work + "/pipe.pdf").constData(), 0600) == 0);
    QFile earlier(work + "/tickets.pdf");
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
    earlier.close();
    const QStringList before = entries(work);

    const ProgramRun run = runFind(
        prelude, {"--tickets=" + target, "--obverse-figure=zeus with", "--near=1", demo}, work);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains("rovadod-find: cannot write " + target.toUtf8() + ": "), run.err);
    QVERIFY(run.out.startsWith("Sv DEMO-001"));
    QCOMPARE(entries(work), before);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    struct stat pipe {};
    QVERIFY(::stat(QFile::encodeName(work + "/pipe.pdf").constData(), &pipe) == 0 &&
            S_ISFIFO(pipe.st_mode));
}

void TestTickets::options_wrongValues_usageErrorNamingThem_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("named");

    QTest::newRow("too small") << QStringList{"--tickets=t.pdf", "--ticket-size=19mm"}
                               << QByteArray("\"19mm\"");
    QTest::newRow("no unit") << QStringList{"--tickets=t.pdf", "--ticket-size=50"}
                             << QByteArray("\"50\"");
    QTest::newRow("a word") << QStringList{"--tickets=t.pdf", "--ticket-size=2 inches"}
                            << QByteArray("\"2 inches\"");
    QTest::newRow("other paper") << QStringList{"--tickets=t.pdf", "--paper=a5"}
                                 << QByteArray("\"a5\"");
    QTest::newRow("size without tickets")
        << QStringList{"--ticket-size=2in"} << QByteArray("--ticket-size needs --tickets");
    QTest::newRow("no file name") << QStringList{"--tickets="} << QByteArray("--tickets needs");
    QTest::newRow("with --list") << QStringList{"--tickets=t.pdf", "--list"}
                                 << QByteArray("--list takes no other option");
}

void TestTickets::options_wrongValues_usageErrorNamingThem()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, named);
    const QString work = dir_.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(work));
    const ProgramRun run = runFind(":", args << demo, work);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(named) && run.err.contains("Try 'rovadod-find --help'."), run.err);
    QVERIFY(run.out.isEmpty());
    QVERIFY(entries(work).isEmpty());
}

QTEST_GUILESS_MAIN(TestTickets)
#include "test_tickets.moc"

void TestTickets::pdf_firstPictureBesideTheText_data()
{
    // What images/ holds for DEMO-001 (the first match of every coin here),
    // the options, and the images the PDF holds: a 200 x 100 picture is read
    // to fit the ticket's 12 mm at 300 dpi, a small copy never enlarged.
    QTest::addColumn<QString>("pictures");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("images");
    QTest::newRow("one picture, held once for three tickets")
        << "good" << QStringList{} << QStringList{"142x71"};
    QTest::newRow("--no-pictures") << "good" << QStringList{"--no-pictures"} << QStringList{};
    QTest::newRow("its small copy, where the index has a current one")
        << "small" << QStringList{} << QStringList{"40x20"};
    QTest::newRow("small copy older than the picture: the picture")
        << "stale" << QStringList{} << QStringList{"142x71"};
    QTest::newRow("a bad picture: no image, the ticket printed")
        << "bad" << QStringList{} << QStringList{};
}

void TestTickets::pdf_firstPictureBesideTheText()
{
    QFETCH(QString, pictures);
    QFETCH(QStringList, args);
    QFETCH(QStringList, images);
    const QString work = dir_.filePath(QStringLiteral("pictures ") + QTest::currentDataTag());
    QVERIFY(QDir().mkpath(work + "/images/.rovadod"));
    QVERIFY(QFile::copy(demo, work + "/ptolemy.csv"));
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::darkRed);
    const QString obverse = work + "/images/DEMO-001-obverse.png";
    if (pictures == "bad") {
        // Its header is good, its data cut short.
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPEG"));
        QVERIFY(writeBytes(work + "/images/DEMO-001-obverse.jpg", jpeg.left(jpeg.size() - 40)));
    } else {
        QVERIFY(picture.save(obverse));
        QVERIFY(picture.scaled(50, 25).save(work + "/images/DEMO-001-reverse.png"));
    }
    if (pictures == "small" || pictures == "stale") {
        QVERIFY(picture.scaled(40, 20).save(work + "/images/.rovadod/small-1.jpg"));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(obverse).constData(), &info), 0);
        pictures::IndexEntry entry;
        entry.name = "DEMO-001-obverse.png";
        entry.width = 200;
        entry.height = 100;
        entry.bytes = static_cast<std::uint64_t>(info.st_size);
        entry.mtimeNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                        info.st_mtim.tv_nsec - (pictures == "stale" ? 1'000'000'000 : 0);
        entry.small = "small-1.jpg";
        entry.smallWidth = 40;
        entry.smallHeight = 20;
        QVERIFY(writeBytes(work + "/images/.rovadod/index.tsv",
                           QByteArray::fromStdString(pictures::WriteIndex({entry}))));
    }
    QVERIFY(writeBytes(work + "/coins.tsv", "zeus with\t#1\nzeus with\t#1\t\t\t\t\t\t\t\t27\n"
                                            "zeus with\n"));
    const ProgramRun run = runFind(QStringLiteral("true"),
                                   QStringList{"--tickets=tickets.pdf", "--batch=coins.tsv"} +
                                       args + QStringList{"ptolemy.csv"},
                                   work);
    QVERIFY2(run.status == 0, run.err.constData());
    // Shown on each of the three tickets, held once.
    const QStringList shown = pdfImages(work + "/tickets.pdf");
    QCOMPARE(shown.size(), images.size() * 3);
    QCOMPARE(QSet<QString>(shown.begin(), shown.end()).size(), images.size());
    for (qsizetype k = 0; k < images.size(); ++k) {
        QVERIFY2(shown[k].startsWith(images[k] + " "), qPrintable(shown[k]));
    }
    QCOMPARE(pdfText(work + "/tickets.pdf").count("DEMO-001"), 3);
}
