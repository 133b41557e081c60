#include "ui/localgui.h"

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "vocab/vocabulary.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The window asks for "Helvetica" and "TimesRoman"; their metric twins come
// next so that the look holds where only those are installed.
QFont windowFont()
{
    QFont font;
    font.setFamilies({"Helvetica", "Nimbus Sans", "Arial"});
    // Labels and lists show only the program's own Latin texts, so no
    // fallback faces need looking up; that shortens start-up.
    font.setStyleHint(QFont::SansSerif, QFont::NoFontMerging);
    font.setBold(true);
    font.setPixelSize(LocalGUI::fontheight);
    return font;
}

QFont outputFont()
{
    QFont font;
    font.setFamilies({"TimesRoman", "Nimbus Roman", "Times New Roman"});
    font.setStyleHint(QFont::Serif);
    font.setBold(true);
    font.setPixelSize(LocalGUI::fontheight + 1);
    return font;
}

// Report lines start with a tab and put a tab between label and value. These
// stops line the second-line labels, the values and the monograms up in
// columns, and keep a first line with a catalogue number of up to about
// ten characters within the area's width.
void setReportTabStops(QPlainTextEdit& area)
{
    QTextOption option = area.document()->defaultTextOption();
    QList<QTextOption::Tab> tabs;
    for (const qreal x : {32.0, 110.0, 180.0, 254.0, 310.0, 360.0}) {
        tabs.append(QTextOption::Tab(x, QTextOption::LeftTab));
    }
    option.setTabs(tabs);
    option.setTabStopDistance(48.0); // past the last stop
    area.document()->setDefaultTextOption(option);
}

void fill(QComboBox& list, const vocab::Attribute& attribute)
{
    for (const std::string_view text : attribute.texts) {
        list.addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
}

qsizetype longestUnbrokenRun(const QString& text)
{
    qsizetype longest = 0;
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

[[noreturn]] void endProcess(int status)
{
    std::fflush(nullptr);
    // The loader thread may still be reading; nothing is left to save, so
    // no destructor needs to run.
    std::_Exit(status);
}

} // namespace

LocalGUI::LocalGUI()
{
    const std::array<QComboBox*, 6> lists{&ofigchoice, &oinschoice,  &rfigchoice,
                                          &rlfchoice,  &rfigechoice, &cmkchoice};
    const std::array<QLabel*, 6> labels{&ofiglabel, &oinslabel,  &rfiglabel,
                                        &rlflabel,  &rfigelabel, &cmklabel};
    const std::array<const char*, 6> listNames{"ofigchoice", "oinschoice",  "rfigchoice",
                                               "rlfchoice",  "rfigechoice", "cmkchoice"};
    const std::array<const char*, 6> labelNames{"ofiglabel", "oinslabel",  "rfiglabel",
                                                "rlflabel",  "rfigelabel", "cmklabel"};
    olabel.setObjectName("olabel");
    rlabel.setObjectName("rlabel");
    for (QLabel* label : {&olabel, &rlabel, &ofiglabel, &oinslabel, &rfiglabel, &rlflabel,
                          &rfigelabel, &cmklabel}) {
        label->setTextFormat(Qt::PlainText); // ">OBVERSE<" is not markup
    }

    // Base window: no layout, fixed font and colours.
    setFont(windowFont());
    QPalette palette = this->palette();
    for (const auto role : {QPalette::Window, QPalette::Button}) {
        palette.setColor(role, backcol);
    }
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(role, Qt::black);
    }
    setPalette(palette);
    setAutoFillBackground(true);
    setWindowTitle(
        QString::fromUtf8(catalogue::Catalogue::prodtitle.data(),
                          static_cast<qsizetype>(catalogue::Catalogue::prodtitle.size())));

    textarea = new QPlainTextEdit(QString(), this);
    textarea->setObjectName("textarea");
    textarea->setFont(outputFont());
    QPalette areaPalette = textarea->palette();
    areaPalette.setColor(QPalette::Base, Qt::white);
    areaPalette.setColor(QPalette::Text, Qt::black);
    textarea->setPalette(areaPalette);
    textarea->setReadOnly(true);
    textarea->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    textarea->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    textarea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textarea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    textarea->setTabChangesFocus(true);
    setReportTabStops(*textarea);
    textarea->setAccessibleName("Matching catalogue entries");

    // Top inset T is 0: children are placed in client-area coordinates.
    y = 0 + 4;

    for (std::size_t a = 0; a < lists.size(); ++a) {
        lists[a]->setObjectName(listNames[a]);
        labels[a]->setObjectName(labelNames[a]);
        fill(*lists[a], vocab::attributes[a]);
        // Screen readers announce the list by its label and section.
        labels[a]->setBuddy(lists[a]);
        lists[a]->setAccessibleDescription(
            QString::fromUtf8(vocab::attributes[a].section.data(),
                              static_cast<qsizetype>(vocab::attributes[a].section.size())) +
            ' ' +
            QString::fromUtf8(vocab::attributes[a].label.data(),
                              static_cast<qsizetype>(vocab::attributes[a].label.size())));
    }
    // Connected only now, so filling the lists runs no search.
    for (std::size_t a = 0; a < lists.size(); ++a) {
        lookups_[a] = std::make_unique<Lookup>(this);
        connect(lists[a], &QComboBox::currentIndexChanged, this,
                [lookup = lookups_[a].get()](int position) { lookup->itemStateChanged(position); });
    }

    // A section: its heading, then one row of label and list per attribute.
    const auto placeSection = [&](QLabel& heading, std::size_t from, std::size_t to) {
        y += ch + 8;
        heading.setGeometry(50, y, lw, ch);
        for (std::size_t a = from; a < to; ++a) {
            y += ch;
            labels[a]->setGeometry(10, y, lw, ch);
            lists[a]->setGeometry(lw + 20, y, cw, ch);
        }
    };
    placeSection(olabel, 0, 2);
    placeSection(rlabel, 2, 6);
    y += ch + 8;
    textarea->setGeometry(10, y, width - 20, 11 * ch);
    y += 11 * ch;

    QWidget* previous = lists[0];
    for (QWidget* next : {static_cast<QWidget*>(lists[1]), static_cast<QWidget*>(lists[2]),
                          static_cast<QWidget*>(lists[3]), static_cast<QWidget*>(lists[4]),
                          static_cast<QWidget*>(lists[5]), static_cast<QWidget*>(textarea)}) {
        setTabOrder(previous, next);
        previous = next;
    }

    resize(width, y + 8);
    show();
    raise();
    activateWindow();
}

LocalGUI::~LocalGUI()
{
    // The lists outlive the lookups during destruction; no search may run then.
    for (QComboBox* list :
         {&ofigchoice, &oinschoice, &rfigchoice, &rlfchoice, &rfigechoice, &cmkchoice}) {
        list->disconnect(this);
    }
}

void LocalGUI::replaceText(const std::string& text)
{
    showWrite(++writes_, text);
}

void LocalGUI::postText(const std::string& text)
{
    const std::uint64_t write = ++writes_;
    QPointer<LocalGUI> window(this);
    QMetaObject::invokeMethod(
        this,
        [window, write, text] {
            if (window) {
                window->showWrite(write, text);
            }
        },
        Qt::QueuedConnection);
}

void LocalGUI::showWrite(std::uint64_t write, const std::string& text)
{
    if (write < shownWrite_) {
        return;
    }
    shownWrite_ = write;
    const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    // Wrapping at word boundaries searches a whole unbroken run for a break
    // on every line it makes, which takes minutes on a catalogue value of a
    // megabyte; text with such a run wraps anywhere instead. The mode that
    // suits the new text is set around the replacement so that neither text
    // is ever laid out in the slow way.
    const auto mode = longestUnbrokenRun(shown) > maxWordLength
                          ? QTextOption::WrapAnywhere
                          : QTextOption::WrapAtWordBoundaryOrAnywhere;
    const bool toAnywhere = mode == QTextOption::WrapAnywhere;
    if (toAnywhere) {
        textarea->setWordWrapMode(mode);
    }
    textarea->setPlainText(shown);
    if (!toAnywhere) {
        textarea->setWordWrapMode(mode);
    }
}

void LocalGUI::DelayT(int ms)
{
    catalogue::Catalogue::DelayT(ms);
}

void LocalGUI::closeEvent(QCloseEvent* event)
{
    windowClosing();
    event->accept();
}

void LocalGUI::windowClosing()
{
    DelayT(200);
    (exitProcess ? exitProcess : &endProcess)(0);
}

void LocalGUI::Lookup::itemStateChanged(int /*position*/)
{
    LocalGUI& w = *window_;
    const lookup::Codes codes = lookup::SelectionCodes(
        {w.ofigchoice.currentIndex(), w.oinschoice.currentIndex(), w.rfigchoice.currentIndex(),
         w.rlfchoice.currentIndex(), w.rfigechoice.currentIndex(), w.cmkchoice.currentIndex()});
    w.replaceText(std::string(lookup::searching));
    w.replaceText(lookup::FindMatches(codes));
    DelayT(200);
}
