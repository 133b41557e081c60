// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/rovadod.h"
#include "support/catalogue_fixture.h"
#include "ui/localgui.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include <thread>

namespace {

/// Every text the output area shows, in order.
class TextLog {
public:
    explicit TextLog(QPlainTextEdit* area)
        : connection_(QObject::connect(area, &QPlainTextEdit::textChanged, area,
                                       [this, area] { texts << area->toPlainText(); }))
    {
    }
    ~TextLog() { QObject::disconnect(connection_); }
    TextLog(const TextLog&) = delete;
    TextLog& operator=(const TextLog&) = delete;
    QStringList texts;

private:
    QMetaObject::Connection connection_;
};

const char* const listNames[] = {"ofigchoice", "oinschoice",  "rfigchoice",
                                 "rlfchoice",  "rfigechoice", "cmkchoice"};
const char* const labelNames[] = {"ofiglabel", "oinslabel",  "rfiglabel",
                                  "rlflabel",  "rfigelabel", "cmklabel"};

QPlainTextEdit* outputArea(LocalGUI& gui)
{
    return gui.findChild<QPlainTextEdit*>("textarea");
}
QComboBox* list(LocalGUI& gui, int a)
{
    return gui.findChild<QComboBox*>(listNames[a]);
}
QLabel* label(LocalGUI& gui, const char* name)
{
    return gui.findChild<QLabel*>(name);
}

std::string repeat(const std::string& unit, int times)
{
    std::string out;
    for (int k = 0; k < times; ++k) {
        out += unit;
    }
    return out;
}

/// The lines the output area's first paragraph is laid out in.
struct Lines {
    QStringList texts;
    qreal widest = 0;
};

Lines firstParagraphLines(QPlainTextEdit* area)
{
    const QTextBlock block = area->document()->firstBlock();
    area->document()->documentLayout()->blockBoundingRect(block); // lays it out
    const QTextLayout* layout = block.layout();
    const QString text = block.text();
    Lines lines;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        lines.texts << text.mid(line.textStart(), line.textLength());
        lines.widest = std::max(lines.widest, line.naturalTextWidth());
    }
    return lines;
}

// One entry per list that position 1 of that list (all others at 0) selects.
QByteArray onePerList()
{
    return "base,,,,,,,,,,,,1,1,1,1,1,1\n"
           "ofig,,,,,,,,,,,,2,1,1,1,1,1\n"
           "oins,,,,,,,,,,,,1,2,1,1,1,1\n"
           "rfig,,,,,,,,,,,,1,1,2,1,1,1\n"
           "rlf,,,,,,,,,,,,1,1,1,2,1,1\n"
           "rfige,,,,,,,,,,,,1,1,1,1,2,1\n"
           "cmk,,,,,,,,,,,,1,1,1,1,1,2\n";
}

} // namespace

class TestLocalGUI final : public QObject {
    Q_OBJECT

private slots:
    void construction_geometryMatchesTheTable();
    void construction_textsFontsColoursAndSelections();
    void construction_runsNoSearch();
    void outputArea_readOnlyWrapsAndCopies();
    void wrapMode_followsLineBreakOpportunities();
    void hugeValue_showsAndWindowAnswers_data();
    void hugeValue_showsAndWindowAnswers();
    void report_linesFitAndValuesAlign();
    void resize_movesNothing();
    void selectionChange_runsOneSearchPerChange();
    void search_pausesAfterFinalText();
    void loaderMessages_reachWindowInOrder();
    void lastWriteWins_acrossThreads();
    void missingCatalogue_searchesFindNothing();
    void accessibility_labelsDescriptionsAndTabOrder();
    void keyboard_changesList();
    void closing_pausesThenEndsTheEventLoop();
};

void TestLocalGUI::construction_geometryMatchesTheTable()
{
    LocalGUI gui;
    struct Bound {
        const char* name;
        QRect rect;
    };
    const Bound bounds[] = {
        {"olabel", {50, 36, 180, 24}},      {"ofiglabel", {10, 60, 180, 24}},
        {"ofigchoice", {200, 60, 300, 24}}, {"oinslabel", {10, 84, 180, 24}},
        {"oinschoice", {200, 84, 300, 24}}, {"rlabel", {50, 116, 180, 24}},
        {"rfiglabel", {10, 140, 180, 24}},  {"rfigchoice", {200, 140, 300, 24}},
        {"rlflabel", {10, 164, 180, 24}},   {"rlfchoice", {200, 164, 300, 24}},
        {"rfigelabel", {10, 188, 180, 24}}, {"rfigechoice", {200, 188, 300, 24}},
        {"cmklabel", {10, 212, 180, 24}},   {"cmkchoice", {200, 212, 300, 24}},
        {"textarea", {10, 244, 510, 264}},
    };
    for (const Bound& b : bounds) {
        QWidget* w = gui.findChild<QWidget*>(b.name);
        QVERIFY2(w, b.name);
        QCOMPARE(w->geometry(), b.rect);
        QCOMPARE(w->parentWidget(), &gui);
    }
    QCOMPARE(gui.size(), QSize(530, 516));
    QVERIFY(gui.layout() == nullptr);
    QVERIFY(gui.isVisible());
    // Nothing sits in the band at the top.
    for (const QWidget* child : gui.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible()) {
            QVERIFY(child->geometry().top() >= 36);
        }
    }
}

void TestLocalGUI::construction_textsFontsColoursAndSelections()
{
    LocalGUI gui;
    QCOMPARE(gui.windowTitle(), QString("Rovadod - Ptolemaic Bronze Coin Attribution"));
    QCOMPARE(label(gui, "olabel")->text(), QString("  >OBVERSE<"));
    QCOMPARE(label(gui, "rlabel")->text(), QString("  >REVERSE<"));
    const QStringList labelTexts{"Main Figure",        "Inscription Present", "Main Figure",
                                 "Left Field Symbols", "Right Side Symbols",  "CounterMark Symbol"};
    const QStringList firstEntries{
        "Zeus with Ammon Horn", "No", "1 Eagle <L Closed Wing - Head <L", "None", "None", "None"};
    for (int a = 0; a < 6; ++a) {
        QCOMPARE(label(gui, labelNames[a])->text(), labelTexts[a]);
        QComboBox* choice = list(gui, a);
        const auto& attribute = vocab::attributes[std::size_t(a)];
        QCOMPARE(choice->count(), attribute.count());
        for (int p = 0; p < choice->count(); ++p) {
            QCOMPARE(choice->itemText(p).toStdString(),
                     std::string(attribute.texts[std::size_t(p)]));
        }
        QCOMPARE(choice->currentIndex(), 0);
        QCOMPARE(choice->currentText(), firstEntries[a]);
        QCOMPARE(choice->font().family(), QString("Helvetica"));
        QVERIFY(choice->font().bold());
        QCOMPARE(choice->font().pixelSize(), 15);
        QCOMPARE(choice->palette().color(QPalette::Button), QColor(120, 160, 240));
    }
    QCOMPARE(gui.font().family(), QString("Helvetica"));
    QCOMPARE(gui.font().pixelSize(), 15);
    QVERIFY(gui.font().bold());
    QCOMPARE(gui.palette().color(QPalette::Window), QColor(120, 160, 240));
    QCOMPARE(gui.palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(label(gui, "cmklabel")->font(), gui.font());
    QCOMPARE(outputArea(gui)->font().family(), QString("TimesRoman"));
    QCOMPARE(outputArea(gui)->font().pixelSize(), 16);
    QVERIFY(outputArea(gui)->font().bold());
    QCOMPARE(outputArea(gui)->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(outputArea(gui)->palette().color(QPalette::Text), QColor(Qt::black));
    // The faces asked for resolve to themselves or their metric twins, not
    // to whatever face fontconfig falls back on.
    // (fontconfig may add the foundry: "Nimbus Sans [urw]").
    const QFontInfo windowFace(gui.font());
    const QString windowFamily = windowFace.family().section(" [", 0, 0);
    QVERIFY2(QStringList({"Helvetica", "Nimbus Sans", "Arial"}).contains(windowFamily),
             qPrintable(windowFace.family()));
    QVERIFY(windowFace.bold());
    const QFontInfo outputFace(outputArea(gui)->font());
    const QString outputFamily = outputFace.family().section(" [", 0, 0);
    QVERIFY2(QStringList({"TimesRoman", "Nimbus Roman", "Times New Roman"}).contains(outputFamily),
             qPrintable(outputFace.family()));
    QVERIFY(outputFace.bold());
}

void TestLocalGUI::construction_runsNoSearch()
{
    testsupport::WorkDir dir;
    QVERIFY(dir.write(onePerList()));
    testsupport::load();
    LocalGUI gui;
    QCoreApplication::processEvents();
    QCOMPARE(outputArea(gui)->toPlainText(), QString());
}

void TestLocalGUI::outputArea_readOnlyWrapsAndCopies()
{
    LocalGUI gui;
    QPlainTextEdit* area = outputArea(gui);
    QVERIFY(area->isReadOnly());
    QCOMPARE(area->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(area->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    gui.replaceText("Sv 1\tPlate 2.\n\tSNGCop \t3\n");
    area->setFocus();
    QTest::keyClicks(area, "typed");
    QTest::keyClick(area, Qt::Key_Backspace);
    QCOMPARE(area->toPlainText(), QString("Sv 1\tPlate 2.\n\tSNGCop \t3\n"));

    QApplication::clipboard()->clear();
    QTest::keyClick(area, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(area, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("Sv 1\tPlate 2.\n\tSNGCop \t3\n"));
    // Rich text and OpenDocument too, as Qt copies them, but no Markdown,
    // whose writer takes seconds on a long catalogue value.
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    QVERIFY(copied->hasHtml());
    QVERIFY(copied->html().contains("SNGCop"));
    QVERIFY(copied->hasFormat("application/vnd.oasis.opendocument.text"));
    QVERIFY(!copied->hasFormat("text/markdown"));

    // A copy holds the catalogue's characters: no-break and narrow spaces
    // stay what they are.
    const std::string spaced = "Sv A\u00a0B\tPlate C\u202fD\n\tLeft Field Mgm \tE\u2007F\n\n";
    gui.replaceText(spaced);
    QTest::keyClick(area, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(area, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString::fromStdString(spaced));

    // A long line wraps at word boundaries instead of scrolling sideways.
    gui.replaceText("Sv " + repeat("catalogue ", 60));
    QCOMPARE(area->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    const Lines words = firstParagraphLines(area);
    QVERIFY(words.texts.size() > 2);
    for (qsizetype i = 0; i + 1 < words.texts.size(); ++i) {
        QVERIFY2(words.texts[i].endsWith(' '), qPrintable(words.texts[i]));
    }
    QVERIFY(words.widest <= area->viewport()->width());

    // A word longer than a line is split, not shown sideways.
    gui.replaceText(std::string(400, 'w') + " " + std::string(400, 'w'));
    const Lines split = firstParagraphLines(area);
    QVERIFY(split.texts.size() > 2);
    QVERIFY(split.widest <= area->viewport()->width());
}

void TestLocalGUI::wrapMode_followsLineBreakOpportunities()
{
    LocalGUI gui;
    QPlainTextEdit* area = outputArea(gui);
    const std::size_t most = LocalGUI::maxWordLength;
    // A stretch runs from one opportunity to the next, the space that ends
    // it included.
    gui.replaceText("Sv " + std::string(most - 1, 'w') + " x\n");
    QCOMPARE(area->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    gui.replaceText("Sv " + std::string(most, 'w') + " x\n");
    QCOMPARE(area->wordWrapMode(), QTextOption::WrapAnywhere);
    // Short words joined by no-break spaces are one stretch; joined by
    // ordinary spaces they are many.
    gui.replaceText(repeat("ab\u00A0", 400));
    QCOMPARE(area->wordWrapMode(), QTextOption::WrapAnywhere);
    gui.replaceText(repeat("ab ", 400));
    QCOMPARE(area->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    // A line end is an opportunity too.
    gui.replaceText(repeat(std::string(most - 1, 'w') + "\n", 3));
    QCOMPARE(area->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void TestLocalGUI::hugeValue_showsAndWindowAnswers_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("anywhere");
    QTest::newRow("no-break spaces U+00A0") << QString("word\u00A0") << true;
    QTest::newRow("figure spaces U+2007") << QString("1234\u2007") << true;
    QTest::newRow("narrow no-break spaces U+202F") << QString("word\u202F") << true;
    QTest::newRow("word joiners U+2060") << QString("word\u2060") << true;
    QTest::newRow("combining marks") << QString("a\u0301\u0316") << true;
    QTest::newRow("combining marks alone") << QString("\u0301") << true;
    QTest::newRow("letters under 1000 combining marks")
        << "a" + QString(1000, QChar(0x0301)) << true;
    QTest::newRow("Hebrew, no-break spaces") << QString("\u05E9\u05DC\u05D5\u05DD\u00A0") << true;
    QTest::newRow("Arabic words") << QString("\u0633\u0644\u0627\u0645 ") << false;
    QTest::newRow("CJK") << QString("\u6F22\u5B57\u304B\u306A") << false;
    QTest::newRow("emoji") << QString("\U0001F600\U0001F44D\U0001F3FD\U0001F1EC\U0001F1F7")
                           << false;
    QTest::newRow("emoji joined by ZWJ") << QString("\U0001F469\u200D") << true;
    QTest::newRow("an opportunity every 1000 units")
        << QString(LocalGUI::maxWordLength - 1, 'w') + ' ' << false;
}

// A megabyte-long catalogue number of each kind shows whole, wrapped within
// the area, can be copied, and the window goes on to the next report. The
// old word-boundary wrapping of no-break spaces took minutes here, which the
// test's time-out catches.
void TestLocalGUI::hugeValue_showsAndWindowAnswers()
{
    QFETCH(QString, unit);
    QFETCH(bool, anywhere);
    const QString value = unit.repeated((1 << 20) / unit.toUtf8().size());
    const QString report = "Sv " + value + "\tPlate 12.\t7\n\tSNGCop \t155\n";

    LocalGUI gui;
    QPlainTextEdit* area = outputArea(gui);
    gui.replaceText(report.toStdString());
    QCOMPARE(area->wordWrapMode(),
             anywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    QVERIFY(area->document()->toRawText().replace(QChar::ParagraphSeparator, '\n') == report);
    const Lines lines = firstParagraphLines(area);
    QVERIFY(!lines.texts.isEmpty());
    QVERIFY(lines.texts.join(QString()) == report.section('\n', 0, 0));
    QVERIFY2(lines.widest <= area->viewport()->width(), qPrintable(QString::number(lines.widest)));

    // The end of the report can be scrolled to and painted.
    QScrollBar* bar = area->verticalScrollBar();
    bar->setValue(bar->maximum());
    area->viewport()->repaint();
    const QPoint bottomLeft(4, area->viewport()->height() - 4);
    QVERIFY(area->cursorForPosition(bottomLeft).blockNumber() >=
            area->document()->blockCount() - 2);
    area->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(area, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(area, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(QApplication::clipboard()->text() == report);

    gui.replaceText("No Matching Entry Found");
    QCOMPARE(area->toPlainText(), QString("No Matching Entry Found"));
    QCOMPARE(area->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void TestLocalGUI::report_linesFitAndValuesAlign()
{
    LocalGUI gui;
    gui.replaceText("Sv DEMO-001\tPlate XII.\t7\tDiam: \t24mm\t# Specimens = n/a\n"
                    "\tSNGCop \t155\tWeiser \tn/a\n"
                    "\tMin Wt: \t8.10\tMax Wt: \t10.45\n"
                    "\tCenter (Leg) Mgm \t-NONE-\n"
                    "\tLeft Field Mgm \tDI\n"
                    "\tRight Field Mgm \t-NONE-\n\n");
    QTest::qWait(0);
    QTextDocument* doc = outputArea(gui)->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QCOMPARE(block.layout()->lineCount(), 1);
    }
    // x of the text that follows the n-th tab of a line
    const auto afterTab = [&](int line, int tab) {
        const QString text = doc->findBlockByNumber(line).text();
        int at = -1;
        for (int t = 0; t < tab; ++t) {
            at = text.indexOf('\t', at + 1);
        }
        QTextCursor cursor(doc->findBlockByNumber(line));
        cursor.setPosition(cursor.position() + at + 1);
        return outputArea(gui)->cursorRect(cursor).x();
    };
    // Labels, values and monograms stand in columns.
    QCOMPARE(afterTab(1, 1), afterTab(2, 1));
    QCOMPARE(afterTab(1, 2), afterTab(2, 2));
    QCOMPARE(afterTab(1, 4), afterTab(2, 4));
    QCOMPARE(afterTab(3, 2), afterTab(4, 2));
    QCOMPARE(afterTab(4, 2), afterTab(5, 2));
    QCOMPARE(afterTab(0, 3), afterTab(1, 4));
}

void TestLocalGUI::resize_movesNothing()
{
    LocalGUI gui;
    const QRect before = outputArea(gui)->geometry();
    const QRect listBefore = list(gui, 5)->geometry();
    gui.resize(900, 800);
    QCoreApplication::processEvents();
    QCOMPARE(outputArea(gui)->geometry(), before);
    QCOMPARE(list(gui, 5)->geometry(), listBefore);
    gui.resize(200, 150);
    QCoreApplication::processEvents();
    QCOMPARE(outputArea(gui)->geometry(), before);
}

void TestLocalGUI::selectionChange_runsOneSearchPerChange()
{
    testsupport::WorkDir dir;
    QVERIFY(dir.write(onePerList()));
    testsupport::load();
    LocalGUI gui;
    const QStringList names{"ofig", "oins", "rfig", "rlf", "rfige", "cmk"};
    for (int a = 0; a < 6; ++a) {
        TextLog log(outputArea(gui));
        list(gui, a)->setCurrentIndex(1);
        QCOMPARE(log.texts.size(), 2);
        QCOMPARE(log.texts[0], QString("Searching for matches..."));
        QVERIFY2(log.texts[1].startsWith("Sv " + names[a] + "\t"), qPrintable(log.texts[1]));
        QCOMPARE(log.texts[1].count('\n'), 7);

        // Back to position 0: the search reads all six lists again.
        log.texts.clear();
        list(gui, a)->setCurrentIndex(0);
        QCOMPARE(log.texts.size(), 2);
        QVERIFY(log.texts[1].startsWith("Sv base\t"));
    }
    // A selection nothing matches replaces the earlier report entirely.
    TextLog log(outputArea(gui));
    list(gui, 0)->setCurrentIndex(5);
    QCOMPARE(log.texts, (QStringList{"Searching for matches...", "No Matching Entry Found"}));
    QCOMPARE(outputArea(gui)->toPlainText(), QString("No Matching Entry Found"));
}

void TestLocalGUI::search_pausesAfterFinalText()
{
    LocalGUI gui;
    QElapsedTimer sinceFinal;
    int writes = 0;
    QObject::connect(outputArea(gui), &QPlainTextEdit::textChanged, outputArea(gui),
                     [&sinceFinal, &writes] {
                         sinceFinal.start();
                         ++writes;
                     });
    list(gui, 2)->setCurrentIndex(3);
    QCOMPARE(writes, 2);
    QVERIFY(sinceFinal.isValid());
    QVERIFY2(sinceFinal.elapsed() >= 200, qPrintable(QString::number(sinceFinal.elapsed())));
}

void TestLocalGUI::loaderMessages_reachWindowInOrder()
{
    testsupport::WorkDir dir;
    QByteArray file;
    for (int k = 0; k < 312; ++k) {
        file += "r" + QByteArray::number(k) + ",,,,,,,,,,,,1,1,1,1,1,1\n";
    }
    QVERIFY(dir.write(file));
    Rovadod::ClearCatalogue();
    LocalGUI gui;
    TextLog log(outputArea(gui));
    std::atomic<bool> done{false};
    std::thread loader([&gui, &done] {
        Rovadod::GetDatabase([&gui](const std::string& text) { gui.postText(text); });
        done = true;
    });
    QTRY_VERIFY(done.load());
    loader.join();
    QCoreApplication::processEvents();
    QCOMPARE(log.texts, (QStringList{"Reading File...", "Quarvel Database OK\n312 Entries Read"}));
    QCOMPARE(outputArea(gui)->toPlainText(), QString("Quarvel Database OK\n312 Entries Read"));
}

void TestLocalGUI::lastWriteWins_acrossThreads()
{
    LocalGUI gui;
    TextLog log(outputArea(gui));
    // The loader writes while the event thread is busy, then a search writes:
    // the search's text was written last and stays.
    std::thread([&gui] { gui.postText("Quarvel Database OK\n1 Entries Read"); }).join();
    gui.replaceText("No Matching Entry Found");
    QCoreApplication::processEvents();
    QCOMPARE(outputArea(gui)->toPlainText(), QString("No Matching Entry Found"));
    // Posted writes alone arrive in the order they were made.
    std::thread([&gui] {
        gui.postText("one");
        gui.postText("two");
    }).join();
    QCoreApplication::processEvents();
    QCOMPARE(log.texts, (QStringList{"No Matching Entry Found", "one", "two"}));
}

void TestLocalGUI::missingCatalogue_searchesFindNothing()
{
    testsupport::WorkDir dir;
    const auto result = testsupport::load();
    QCOMPARE(result.messages.back(), std::string("Database not found!"));
    LocalGUI gui;
    for (int a = 0; a < 6; ++a) {
        list(gui, a)->setCurrentIndex(1);
        QCOMPARE(outputArea(gui)->toPlainText(), QString("No Matching Entry Found"));
    }
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestLocalGUI::accessibility_labelsDescriptionsAndTabOrder()
{
    LocalGUI gui;
    const QStringList descriptions{"Obverse Main Figure",        "Obverse Inscription Present",
                                   "Reverse Main Figure",        "Reverse Left Field Symbols",
                                   "Reverse Right Side Symbols", "Reverse CounterMark Symbol"};
    for (int a = 0; a < 6; ++a) {
        QComboBox* choice = list(gui, a);
        QLabel* name = label(gui, labelNames[a]);
        QCOMPARE(name->buddy(), choice);
        QCOMPARE(name->parentWidget(), choice->parentWidget());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(choice);
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Description), descriptions[a]);
        const auto labelledBy = iface->relations(QAccessible::Label);
        QCOMPARE(labelledBy.size(), 1);
        QCOMPARE(labelledBy.first().first->object(), name);
        QCOMPARE(labelledBy.first().first->text(QAccessible::Name), name->text());
    }
    QAccessibleInterface* area = QAccessible::queryAccessibleInterface(outputArea(gui));
    QVERIFY(area);
    QVERIFY(area->text(QAccessible::Name).contains("catalogue entries"));

    gui.activateWindow();
    list(gui, 0)->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&gui));
    QWidget* expected[] = {list(gui, 1), list(gui, 2), list(gui, 3),
                           list(gui, 4), list(gui, 5), outputArea(gui)};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestLocalGUI::keyboard_changesList()
{
    LocalGUI gui;
    TextLog log(outputArea(gui));
    QComboBox* choice = list(gui, 3);
    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);
    QCOMPARE(choice->currentIndex(), 1);
    QCOMPARE(log.texts.size(), 2);
    QCOMPARE(log.texts.first(), QString("Searching for matches..."));
}

void TestLocalGUI::closing_pausesThenEndsTheEventLoop()
{
    // Outside an event loop closing ends nothing, the process included.
    {
        LocalGUI gui;
        gui.close();
        QVERIFY(!gui.isVisible());
    }
    LocalGUI gui;
    // Only the window may end the loop here: not Qt on its last window
    // closing, and not the guard, whose status would differ.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, &gui, [&gui] { gui.close(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(5000);
    QElapsedTimer timer;
    timer.start();
    const int status = QApplication::exec();
    const qint64 took = timer.elapsed();
    QGuiApplication::setQuitOnLastWindowClosed(true);
    QCOMPARE(status, 0);
    QVERIFY2(took >= 200, qPrintable(QString::number(took)));
    // One pause, not one per close event.
    QVERIFY2(took < 400, qPrintable(QString::number(took)));
    QVERIFY(!gui.isVisible());
}

QTEST_MAIN(TestLocalGUI)
#include "test_localgui.moc"
