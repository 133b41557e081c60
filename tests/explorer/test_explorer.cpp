// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/read.h"
#include "answer/tsv.h"
#include "explorer/candidate_model.h"
#include "explorer/catalogue_source.h"
#include "explorer/explorer_window.h"
#include "support/run_program.h"
#include "json/json.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using explorer::CandidateModel;
using explorer::ExplorerWindow;

namespace {

const QString demoPath = QStringLiteral(ROVADOD_DEMO_CATALOGUE);

QByteArray demoBytes()
{
    QFile f(demoPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QComboBox* list(ExplorerWindow& w, int a)
{
    return w.findChild<QComboBox*>(QStringLiteral("list%1").arg(a));
}
QLineEdit* monogram(ExplorerWindow& w, int m)
{
    return w.findChild<QLineEdit*>(QStringLiteral("monogram%1").arg(m));
}
QLineEdit* measure(ExplorerWindow& w, int m)
{
    return w.findChild<QLineEdit*>(QStringLiteral("measure%1").arg(m));
}
QSpinBox* nearBox(ExplorerWindow& w)
{
    return w.findChild<QSpinBox*>(QStringLiteral("near"));
}
QTableView* table(ExplorerWindow& w)
{
    return w.findChild<QTableView*>(QStringLiteral("candidates"));
}
QString entryText(ExplorerWindow& w)
{
    return w.findChild<QPlainTextEdit*>(QStringLiteral("entry"))->toPlainText();
}
QString statusText(ExplorerWindow& w)
{
    return w.findChild<QLabel*>(QStringLiteral("status"))->text();
}
CandidateModel* model(ExplorerWindow& w)
{
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(table(w)->model());
    return qobject_cast<CandidateModel*>(proxy->sourceModel());
}

/// The catalogue numbers down the table, as shown.
QStringList shownSvs(ExplorerWindow& w)
{
    QStringList svs;
    const QAbstractItemModel* shown = table(w)->model();
    for (int r = 0; r < shown->rowCount(); ++r) {
        svs << shown->index(r, CandidateModel::Sv).data().toString();
    }
    return svs;
}

QString currentSv(ExplorerWindow& w)
{
    const QModelIndex at = table(w)->currentIndex();
    return at.isValid() ? at.siblingAtColumn(CandidateModel::Sv).data().toString() : QString();
}

bool openAndWait(ExplorerWindow& w, const QString& path)
{
    QSignalSpy shown(&w, &ExplorerWindow::catalogueShown);
    w.openCatalogue(path);
    return shown.wait(10000);
}

/// A coin as rovadod-find's options give it, "obverse-figure=#1",
/// "weight=19,2", "near=1"; a measurement may use the comma the explorer
/// accepts.
using Coin = QStringList;

/// The query rovadod-find makes of `coin`.
lookup::Query findQuery(const Coin& coin)
{
    lookup::Query query;
    for (const QString& option : coin) {
        const QString name = option.section(u'=', 0, 0);
        std::string value = option.section(u'=', 1).toStdString();
        if (name == QLatin1String("near")) {
            query.near = std::stoi(value);
            continue;
        }
        for (int c = 0; c < answer::valueColumns; ++c) {
            if (answer::ColumnName(c) == name.toStdString()) {
                if (c >= lookup::clueCount) {
                    std::replace(value.begin(), value.end(), ',', '.');
                }
                const std::string problem = answer::ReadValues(c, {value}, query);
                if (!problem.empty()) {
                    qFatal("bad test coin: %s", problem.c_str());
                }
            }
        }
    }
    return query;
}

/// rovadod-find's command line for `coin`.
QStringList findArguments(const Coin& coin)
{
    QStringList args;
    for (QString option : coin) {
        if (option.startsWith(QLatin1String("diameter=")) ||
            option.startsWith(QLatin1String("weight="))) {
            option.replace(u',', u'.');
        }
        args << QStringLiteral("--") + option;
    }
    return args;
}

/// Enters `coin` into the window as a collector would: lists picked,
/// fields typed into, the spin box stepped with the arrow key.
void enter(ExplorerWindow& w, const Coin& coin)
{
    for (const QString& option : coin) {
        const QString name = option.section(u'=', 0, 0);
        const QString value = option.section(u'=', 1);
        if (name == QLatin1String("near")) {
            QSpinBox* spin = nearBox(w);
            spin->setFocus();
            for (int k = spin->value(); k < value.toInt(); ++k) {
                QTest::keyClick(spin, Qt::Key_Up);
            }
            continue;
        }
        for (int c = 0; c < answer::valueColumns; ++c) {
            if (answer::ColumnName(c) != name.toStdString()) {
                continue;
            }
            if (c < vocab::attributeCount) {
                QVERIFY2(value.startsWith(u'#'), "lists take #N");
                list(w, c)->setCurrentIndex(value.mid(1).toInt()); // 0 is "Any"
            } else {
                QLineEdit* field = c < lookup::clueCount ? monogram(w, c - vocab::attributeCount)
                                                         : measure(w, c - lookup::clueCount);
                field->clear();
                QTest::keyClicks(field, value);
            }
        }
    }
}

// The worked example of the README: Zeus with Ammon horn, a single eagle
// left, no countermark, 27 mm and 19.2 g.
const Coin wornCoin{QStringLiteral("obverse-figure=#1"), QStringLiteral("reverse-figure=#1"),
                    QStringLiteral("countermark=#1"), QStringLiteral("diameter=27"),
                    QStringLiteral("weight=19,2")};

void addCoinRows()
{
    QTest::addColumn<Coin>("coin");
    QTest::newRow("nothing given: every entry") << Coin{};
    QTest::newRow("worn coin, weight with a comma") << wornCoin;
    QTest::newRow("no such type, near 1")
        << Coin{"obverse-figure=#1", "inscription=#1", "reverse-figure=#1",
                "left-field=#3",     "countermark=#3", "near=1"};
    QTest::newRow("left monogram, near 1") << Coin{"left-monogram=EY", "near=1"};
    QTest::newRow("no centre monogram, weight only")
        << Coin{"center-monogram=none", "weight=8.5", "reverse-figure=#5"};
    QTest::newRow("near 2 with a diameter")
        << Coin{"obverse-figure=#2", "right-side=#3", "countermark=#2", "diameter=24", "near=2"};
}

} // namespace

class TestExplorer final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void answer_countsAndTableAreTheEngines_data();
    void answer_countsAndTableAreTheEngines();
    void copyAndExport_areRovadodFindsOutput_data();
    void copyAndExport_areRovadodFindsOutput();
    void measureFields_readNumbersAndMarkTheRest_data();
    void measureFields_readNumbersAndMarkTheRest();
    void entry_isTheCurrentCandidatesReport();
    void currentRow_staysOnItsEntry_andSortingReturnsToEngineOrder();
    void ticket_isTheCurrentCandidatesWithThoseAsGood();
    void clear_resetsEverythingWithOneAnswer();
    void fileChangedOnDisk_reloadsAndKeepsSelections_data();
    void fileChangedOnDisk_reloadsAndKeepsSelections();
    void unreadableCatalogue_windowKeepsAnswering_data();
    void unreadableCatalogue_windowKeepsAnswering();
    void hugeValue_entryShowsItAll_tableCellStaysShort();
    void chooseCatalogue_followsTheLauncher_data();
    void chooseCatalogue_followsTheLauncher();
    void settings_recentFilesAndGeometryRemembered();
    void droppedFile_isOpened();
    void keyboard_tabOrderMnemonicsAndNames();

private:
    QTemporaryDir config_;
    std::shared_ptr<const catalogue::Table> demo_;
};

void TestExplorer::initTestCase()
{
    QVERIFY(config_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config_.path());
    QCoreApplication::setOrganizationName(QStringLiteral("rovadod"));
    QCoreApplication::setApplicationName(QStringLiteral("rovadod-explorer"));
    const catalogue::LoadedTable loaded = catalogue::LoadTable(demoPath.toStdString());
    QVERIFY(loaded.outcome.loaded());
    demo_ = loaded.table;
}

void TestExplorer::init()
{
    QSettings().clear();
}

void TestExplorer::answer_countsAndTableAreTheEngines_data()
{
    addCoinRows();
}

void TestExplorer::answer_countsAndTableAreTheEngines()
{
    QFETCH(Coin, coin);
    ExplorerWindow w;
    QVERIFY(openAndWait(w, demoPath));
    enter(w, coin);

    const lookup::Query query = findQuery(coin);
    const lookup::FacetCounts counts = lookup::CountFacets(demo_->view(), query);
    for (int a = 0; a < vocab::attributeCount; ++a) {
        const vocab::Attribute& attribute = vocab::attributes[static_cast<std::size_t>(a)];
        QComboBox* box = list(w, a);
        QCOMPARE(box->count(), attribute.count() + 1);
        QCOMPARE(box->itemText(0), QStringLiteral("Any"));
        for (int p = 0; p < attribute.count(); ++p) {
            const int count = counts[static_cast<std::size_t>(a)][static_cast<std::size_t>(p)];
            const QString text = QString::fromUtf8(attribute.texts[static_cast<std::size_t>(p)]);
            QCOMPARE(box->itemText(p + 1), QStringLiteral("%1 (%2)").arg(text).arg(count));
            // Greyed when it would leave nothing, but still selectable.
            QCOMPARE(box->itemData(p + 1, Qt::ForegroundRole).isValid(), count == 0);
        }
    }

    QStringList expected;
    for (const lookup::Match& match : lookup::RankMatches(demo_->view(), query)) {
        expected << QString::fromStdString(
            *demo_->at(catalogue::columns::SV, static_cast<std::size_t>(match.entry)));
    }
    QCOMPARE(shownSvs(w), expected);
    QCOMPARE(currentSv(w), expected.value(0));
}

void TestExplorer::copyAndExport_areRovadodFindsOutput_data()
{
    addCoinRows();
}

void TestExplorer::copyAndExport_areRovadodFindsOutput()
{
    QFETCH(Coin, coin);
    ExplorerWindow w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(openAndWait(w, demoPath));
    enter(w, coin);
    QTemporaryDir dir;

    for (const auto& [format, name] : {std::pair{answer::Format::Tsv, QStringLiteral("tsv")},
                                       std::pair{answer::Format::Json, QStringLiteral("json")}}) {
        const testsupport::ProgramRun find = testsupport::runProgram(
            QStringLiteral(ROVADOD_FIND_EXE),
            findArguments(coin) << QStringLiteral("--format=") + name << demoPath, dir.path());
        QVERIFY2(find.status == 0 || find.status == 1, find.err.constData());
        const QString path = dir.filePath(QStringLiteral("candidates.") + name);
        QCOMPARE(w.exportCandidates(path, format), QString());
        QFile exported(path);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(exported.readAll(), find.out);

        if (format != answer::Format::Tsv) {
            continue;
        }
        // Ctrl+C in the table: the header and the selected rows, in the
        // table's order; with every row selected, rovadod-find's output.
        QList<QByteArray> lines = find.out.split('\n');
        lines.removeLast(); // after the last line end
        QTableView* view = table(w);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QApplication::clipboard()->clear();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text().toUtf8(), lines.size() > 1 ? find.out : "");
        if (lines.size() > 3) {
            view->clearSelection();
            view->selectionModel()->select(view->model()->index(2, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
            view->selectionModel()->select(view->model()->index(0, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
            QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QApplication::clipboard()->text().toUtf8(),
                     lines[0] + '\n' + lines[1] + '\n' + lines[3] + '\n');
        }
    }
}

void TestExplorer::measureFields_readNumbersAndMarkTheRest_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("read"); // 0: not measured
    QTest::addColumn<bool>("marked");
    QTest::newRow("whole number") << "27" << 27.0 << false;
    QTest::newRow("decimal point") << "19.2" << 19.2 << false;
    QTest::newRow("decimal comma, spaces") << " 19,25 " << 19.25 << false;
    QTest::newRow("leading point") << ".5" << 0.5 << false;
    QTest::newRow("empty") << "" << 0.0 << false;
    QTest::newRow("only spaces") << "   " << 0.0 << false;
    QTest::newRow("zero") << "0" << 0.0 << true;
    QTest::newRow("negative") << "-3" << 0.0 << true;
    QTest::newRow("unit") << "27mm" << 0.0 << true;
    QTest::newRow("two commas") << "1,2,3" << 0.0 << true;
    QTest::newRow("comma and point") << "1,234.5" << 0.0 << true;
    QTest::newRow("exponent") << "1e3" << 0.0 << true;
}

void TestExplorer::measureFields_readNumbersAndMarkTheRest()
{
    QFETCH(QString, typed);
    QFETCH(double, read);
    QFETCH(bool, marked);
    ExplorerWindow w;
    QVERIFY(openAndWait(w, demoPath));
    for (int m = 0; m < lookup::measureCount; ++m) {
        QLineEdit* field = measure(w, m);
        QTest::keyClicks(field, typed);
        const std::optional<double> measured =
            model(w)->answer().query.measured[static_cast<std::size_t>(m)];
        QCOMPARE(measured.has_value(), read > 0);
        if (measured) {
            QCOMPARE(*measured, read);
        }
        QCOMPARE(field->property("wrong").toBool(), marked);
        QCOMPARE(field->toolTip().isEmpty(), !marked);
        // Typing a good value afterwards takes the mark away again.
        field->clear();
        QTest::keyClicks(field, QStringLiteral("12"));
        QVERIFY(!field->property("wrong").toBool());
        QCOMPARE(model(w)->answer().query.measured[static_cast<std::size_t>(m)], 12.0);
        field->clear();
    }
}

void TestExplorer::entry_isTheCurrentCandidatesReport()
{
    ExplorerWindow w;
    QVERIFY(openAndWait(w, demoPath));
    enter(w, wornCoin);
    const lookup::Query query = findQuery(wornCoin);
    const std::vector<lookup::Match> matches = lookup::RankMatches(demo_->view(), query);
    QVERIFY(!matches.empty());
    // An exact match: its fit line, then the window's block.
    QCOMPARE(entryText(w).toStdString(),
             answer::ReportText(demo_->view(), {matches.front()}, query.measured));

    // A near match: the line naming its differences first.
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("clear")), Qt::LeftButton);
    enter(w, {QStringLiteral("left-monogram=EY"), QStringLiteral("near=1")});
    const lookup::Query nearQuery = findQuery({"left-monogram=EY", "near=1"});
    const std::vector<lookup::Match> near = lookup::RankMatches(demo_->view(), nearQuery);
    const auto far = std::find_if(near.begin(), near.end(),
                                  [](const lookup::Match& m) { return m.distance > 0; });
    QVERIFY(far != near.end());
    table(w)->setCurrentIndex(table(w)->model()->index(static_cast<int>(far - near.begin()), 0));
    const std::string report = answer::ReportText(demo_->view(), {*far}, nearQuery.measured);
    const std::string lead = std::string(lookup::noMatch) + "\n\n";
    QVERIFY(report.starts_with(lead));
    QCOMPARE(entryText(w).toStdString(), report.substr(lead.size()));

    // No candidate, no entry.
    monogram(w, 1)->clear();
    QTest::keyClicks(monogram(w, 1), QStringLiteral("no such monogram"));
    nearBox(w)->setValue(0);
    QCOMPARE(table(w)->model()->rowCount(), 0);
    QCOMPARE(entryText(w), QString());
}

void TestExplorer::currentRow_staysOnItsEntry_andSortingReturnsToEngineOrder()
{
    ExplorerWindow w;
    QVERIFY(openAndWait(w, demoPath));
    enter(w, {QStringLiteral("obverse-figure=#1")});
    const int row = static_cast<int>(shownSvs(w).indexOf(QStringLiteral("DEMO-005")));
    QVERIFY(row > 0);
    table(w)->setCurrentIndex(table(w)->model()->index(row, 0));
    QVERIFY(entryText(w).startsWith(QStringLiteral("Sv DEMO-005\t")));

    // Still a candidate: still current, wherever the ranking moves it.
    enter(w, {QStringLiteral("diameter=27"), QStringLiteral("weight=19.2")});
    QCOMPARE(currentSv(w), QStringLiteral("DEMO-005"));
    QVERIFY(entryText(w).contains(QStringLiteral("Sv DEMO-005\t")));
    // No longer one: the best candidate is.
    enter(w, {QStringLiteral("countermark=#3")});
    QVERIFY(!shownSvs(w).contains(QStringLiteral("DEMO-005")));
    QCOMPARE(currentSv(w), shownSvs(w).value(0));

    // A header click sorts by that column, numbers as numbers; the third
    // click gives the engine's order back.
    list(w, 5)->setCurrentIndex(0);
    const QStringList engineOrder = shownSvs(w);
    QHeaderView* header = table(w)->horizontalHeader();
    const QPoint diameter(header->sectionViewportPosition(CandidateModel::Diameter) + 5, 5);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, diameter);
    const QAbstractItemModel* shown = table(w)->model();
    double last = 0;
    for (int r = 0; r < shown->rowCount(); ++r) {
        const double d =
            shown->index(r, CandidateModel::Diameter).data(CandidateModel::sortRole).toDouble();
        QVERIFY2(d >= last, qPrintable(QStringLiteral("row %1").arg(r)));
        last = d;
    }
    QVERIFY(shownSvs(w) != engineOrder);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, diameter);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, diameter);
    QCOMPARE(shownSvs(w), engineOrder);
}

void TestExplorer::ticket_isTheCurrentCandidatesWithThoseAsGood()
{
    ExplorerWindow w;
    QVERIFY(openAndWait(w, demoPath));
    enter(w, wornCoin);
    // DEMO-001 and DEMO-005 both fit 27 mm and 19.2 g exactly.
    QCOMPARE(shownSvs(w).mid(0, 2), (QStringList{"DEMO-001", "DEMO-005"}));
    table(w)->setCurrentIndex(table(w)->model()->index(1, 0));
    const print::Ticket ticket = w.currentTicket();
    QCOMPARE(QString::fromStdString(ticket.sv), QStringLiteral("DEMO-005"));
    QCOMPARE(ticket.also, std::vector<std::string>{"DEMO-001"});
    QCOMPARE(ticket.weight.value_or(0), 19.2);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("ticket.pdf"));
    QCOMPARE(w.saveTicket(pdf), QString());
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("DEMO-005")));
    // A folder in the way: said, and nothing written.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken.pdf")));
    QVERIFY(!w.saveTicket(dir.filePath(QStringLiteral("taken.pdf"))).isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"ticket.pdf"});
}

void TestExplorer::clear_resetsEverythingWithOneAnswer()
{
    ExplorerWindow w;
    QVERIFY(openAndWait(w, demoPath));
    const QStringList everything = shownSvs(w);
    enter(w, wornCoin);
    enter(w, {QStringLiteral("center-monogram=none"), QStringLiteral("near=3")});
    QVERIFY(shownSvs(w) != everything);
    QSignalSpy answered(&w, &ExplorerWindow::answered);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("clear")), Qt::LeftButton);
    QCOMPARE(answered.count(), 1);
    for (int a = 0; a < vocab::attributeCount; ++a) {
        QCOMPARE(list(w, a)->currentIndex(), 0);
    }
    for (int m = 0; m < lookup::monogramCount; ++m) {
        QCOMPARE(monogram(w, m)->text(), QString());
    }
    for (int m = 0; m < lookup::measureCount; ++m) {
        QCOMPARE(measure(w, m)->text(), QString());
    }
    QCOMPARE(nearBox(w)->value(), 0);
    QCOMPARE(shownSvs(w), everything);
}

void TestExplorer::fileChangedOnDisk_reloadsAndKeepsSelections_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("written in place") << "in place";
    QTest::newRow("replaced by renaming, as editors save") << "rename";
    QTest::newRow("removed, then written again") << "remove";
}

void TestExplorer::fileChangedOnDisk_reloadsAndKeepsSelections()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ptolemy.csv"));
    const QByteArray before = demoBytes();
    QVERIFY(writeFile(path, before));
    ExplorerWindow w;
    QVERIFY(openAndWait(w, path));
    enter(w, {QStringLiteral("obverse-figure=#1"), QStringLiteral("diameter=27"),
              QStringLiteral("near=1")});
    const QStringList shownBefore = shownSvs(w);
    QVERIFY(shownBefore.contains(QStringLiteral("DEMO-001")));
    // Not the first row after the reload either, so keeping it shows.
    const QString kept = shownBefore.value(2);
    QVERIFY(shownBefore.indexOf(QStringLiteral("DEMO-001")) < 2);
    table(w)->setCurrentIndex(table(w)->model()->index(2, 0));

    // The keeper deletes the first line: every later entry moves up one.
    const QByteArray after = before.mid(before.indexOf('\n') + 1);
    if (how == QLatin1String("in place")) {
        QVERIFY(writeFile(path, after));
    } else if (how == QLatin1String("rename")) {
        const QString saved = dir.filePath(QStringLiteral(".~ptolemy.csv"));
        QVERIFY(writeFile(saved, after));
        QCOMPARE(
            std::rename(QFile::encodeName(saved).constData(), QFile::encodeName(path).constData()),
            0);
    } else {
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY_WITH_TIMEOUT(statusText(w).contains(QStringLiteral("no such file")), 10000);
        QCOMPARE(table(w)->model()->rowCount(), 0);
        QVERIFY(writeFile(path, after));
    }
    QStringList expected = shownBefore;
    expected.removeAll(QStringLiteral("DEMO-001"));
    QTRY_COMPARE_WITH_TIMEOUT(shownSvs(w), expected, 10000);
    QVERIFY(statusText(w).contains(QStringLiteral("entries read")));
    QCOMPARE(list(w, 0)->currentIndex(), 1);
    QCOMPARE(measure(w, 0)->text(), QStringLiteral("27"));
    QCOMPARE(nearBox(w)->value(), 1);
    QCOMPARE(currentSv(w), kept);

    // Still watched after the change: a second one is seen as well.
    QVERIFY(writeFile(path, before));
    QTRY_COMPARE_WITH_TIMEOUT(shownSvs(w), shownBefore, 10000);
}

void TestExplorer::unreadableCatalogue_windowKeepsAnswering_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing"
                             << "no such file";
    QTest::newRow("named pipe, no writer") << "fifo"
                                           << "not a regular file";
    QTest::newRow("folder") << "folder"
                            << "folder";
    if (::geteuid() != 0) { // root reads any file
        QTest::newRow("no read permission") << "unreadable"
                                            << "Permission denied";
    }
}

void TestExplorer::unreadableCatalogue_windowKeepsAnswering()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ptolemy.csv"));
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ptolemy.csv")));
    } else if (kind == QLatin1String("unreadable")) {
        QVERIFY(writeFile(path, demoBytes()));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
    ExplorerWindow w;
    QVERIFY(openAndWait(w, demoPath));
    enter(w, {QStringLiteral("obverse-figure=#1")});
    QVERIFY(openAndWait(w, path));
    QVERIFY2(statusText(w).contains(reason), qPrintable(statusText(w)));
    QVERIFY(statusText(w).contains(path));
    QCOMPARE(table(w)->model()->rowCount(), 0);
    // The lists still answer, with nothing left anywhere.
    QSignalSpy answered(&w, &ExplorerWindow::answered);
    list(w, 2)->setCurrentIndex(3);
    QCOMPARE(answered.count(), 1);
    QCOMPARE(list(w, 2)->itemText(3), QStringLiteral("1 Eagle <L Open Wing - Head <L (0)"));
    QCOMPARE(entryText(w), QString());
    // And another file opens.
    QVERIFY(openAndWait(w, demoPath));
    QVERIFY(table(w)->model()->rowCount() > 0);
}

void TestExplorer::hugeValue_entryShowsItAll_tableCellStaysShort()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ptolemy.csv"));
    const QByteArray value = QByteArray("e\xCC\x81", 3).repeated(300000); // é, combining
    QVERIFY(writeFile(path, "DEMO-X,Obol,20,I,1,,1,,3,2.5,3.1,,1,1,1,1,1,1," + value + ",,\n"));
    ExplorerWindow w;
    QVERIFY(openAndWait(w, path));
    QCOMPARE(shownSvs(w), QStringList{"DEMO-X"});
    QVERIFY(entryText(w).contains(QString::fromUtf8(value)));
    // The value is the centre monogram: shortened in its cell.
    const QString cell =
        table(w)->model()->index(0, CandidateModel::CenterMonogram).data().toString();
    QVERIFY2(cell.size() <= 201 && cell.endsWith(QChar(0x2026)), qPrintable(cell.left(20)));
}

void TestExplorer::chooseCatalogue_followsTheLauncher_data()
{
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("xdg");  // "@" stands for the temporary folder
    QTest::addColumn<QString>("home"); // likewise
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("chosen");
    const QString own = QStringLiteral("@/data/rovadod/ptolemy.csv");
    const QString homeOwn = QStringLiteral("@/home/.local/share/rovadod/ptolemy.csv");
    QTest::newRow("the file opened last wins") << "@/last.csv"
                                               << "@/data"
                                               << "@/home" << QStringList{own} << "@/last.csv";
    QTest::newRow("own catalogue in XDG_DATA_HOME") << ""
                                                    << "@/data"
                                                    << "@/home" << QStringList{own, homeOwn} << own;
    QTest::newRow("XDG_DATA_HOME without one: the demo, even when HOME has one")
        << ""
        << "@/data"
        << "@/home" << QStringList{homeOwn} << "DEMO";
    QTest::newRow("XDG_DATA_HOME unset") << ""
                                         << ""
                                         << "@/home" << QStringList{homeOwn} << homeOwn;
    QTest::newRow("relative XDG_DATA_HOME is ignored")
        << ""
        << "data"
        << "@/home" << QStringList{homeOwn} << homeOwn;
    QTest::newRow("a link to a missing catalogue still wins")
        << ""
        << "@/data"
        << "@/home" << QStringList{"link:" + own} << own;
    QTest::newRow("neither: the demo") << ""
                                       << ""
                                       << "" << QStringList{} << "DEMO";
}

void TestExplorer::chooseCatalogue_followsTheLauncher()
{
    QFETCH(QString, remembered);
    QFETCH(QString, xdg);
    QFETCH(QString, home);
    QFETCH(QStringList, files);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    const auto real = [&dir](QString path) { return path.replace(u'@', dir.path()); };
    for (QString file : files) {
        const bool link = file.startsWith(QLatin1String("link:"));
        file = real(file.mid(link ? 5 : 0));
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QVERIFY(link ? QFile::link(dir.filePath(QStringLiteral("unmounted/ptolemy.csv")), file)
                     : writeFile(file, "x\n"));
    }
    QCOMPARE(
        explorer::ChooseCatalogue(real(remembered), real(xdg), real(home), QStringLiteral("DEMO")),
        real(chosen));
}

void TestExplorer::settings_recentFilesAndGeometryRemembered()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.csv"));
    const QString second = dir.filePath(QStringLiteral("second.csv"));
    QVERIFY(writeFile(first, demoBytes()));
    QVERIFY(writeFile(second, demoBytes().left(demoBytes().indexOf('\n') + 1)));
    {
        ExplorerWindow w;
        w.show();
        QVERIFY(openAndWait(w, first));
        QVERIFY(openAndWait(w, second));
        QVERIFY(openAndWait(w, first));
        QCOMPARE(w.windowFilePath(), first);
        QVERIFY(w.windowTitle().contains(QStringLiteral("first.csv")));
        w.resize(1001, 633);
        w.close();
    }
    const QSettings settings;
    QCOMPARE(settings.value(QStringLiteral("recentFiles")).toStringList(),
             (QStringList{first, second}));
    QCOMPARE(settings.value(QStringLiteral("lastFile")).toString(), first);

    // Opened with a file, as the program does: it loads while the window
    // is built, and the recent files come back newest first.
    ExplorerWindow again(second);
    QSignalSpy shown(&again, &ExplorerWindow::catalogueShown);
    QVERIFY(shown.wait(10000));
    QCOMPARE(again.size(), QSize(1001, 633));
    QCOMPARE(again.windowFilePath(), second);
    QVERIFY(statusText(again).contains(QStringLiteral("second.csv: 1 entry read")));
    QMenu* recent = nullptr;
    for (QMenu* menu : again.findChildren<QMenu*>()) {
        if (menu->title() == QStringLiteral("Open &Recent")) {
            recent = menu;
        }
    }
    QVERIFY(recent);
    QCOMPARE(recent->actions().size(), 2);
    recent->actions().at(1)->trigger();
    QVERIFY(shown.wait(10000));
    QCOMPARE(again.windowFilePath(), first);
    QCOMPARE(table(again)->model()->rowCount(), demo_->entries());
}

void TestExplorer::droppedFile_isOpened()
{
    ExplorerWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(demoPath)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QSignalSpy shown(&w, &ExplorerWindow::catalogueShown);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &drop);
    QVERIFY(shown.wait(10000));
    QCOMPARE(w.windowFilePath(), QFileInfo(demoPath).absoluteFilePath());
    QCOMPARE(table(w)->model()->rowCount(), demo_->entries());
}

void TestExplorer::keyboard_tabOrderMnemonicsAndNames()
{
    ExplorerWindow w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QStringList order{"Obverse figure",  "Inscription",         "Reverse figure",
                            "Left field",      "Right side",          "Countermark",
                            "Center monogram", "Left field monogram", "Right field monogram",
                            "Diameter (mm)",   "Weight (g)",          "Differences allowed",
                            "Clear",           "Candidates",          "Entry"};
    const auto named = [] {
        QWidget* focus = QApplication::focusWidget();
        while (focus && focus->accessibleName().isEmpty()) {
            focus = focus->parentWidget();
        }
        return focus ? focus->accessibleName() : QString();
    };
    list(w, 0)->setFocus();
    QStringList visited{named()};
    for (qsizetype k = 1; k < order.size(); ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << named();
    }
    QCOMPARE(visited, order);

    // Every field has a label with a mnemonic, and Alt with it reaches the
    // field; no two mnemonics of the labels, the button and the menus are
    // the same.
    QSet<QKeySequence> taken;
    const auto take = [&taken](const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        const bool fresh = !key.isEmpty() && !taken.contains(key);
        taken.insert(key);
        return fresh;
    };
    for (QAction* menu : w.menuBar()->actions()) {
        QVERIFY2(take(menu->text()), qPrintable(menu->text()));
    }
    QVERIFY(take(w.findChild<QPushButton*>(QStringLiteral("clear"))->text()));
    QStringList labelled;
    for (QLabel* label : w.findChildren<QLabel*>()) {
        if (!label->buddy()) {
            continue;
        }
        QVERIFY2(take(label->text()), qPrintable(label->text()));
        QTest::keySequence(&w, QKeySequence::mnemonic(label->text()));
        QCOMPARE(named(), label->buddy()->accessibleName());
        labelled << named();
    }
    QStringList fields = order;
    fields.removeAll(QStringLiteral("Clear"));
    labelled.sort();
    fields.sort();
    QCOMPARE(labelled, fields);
}

QTEST_MAIN(TestExplorer)
#include "test_explorer.moc"
