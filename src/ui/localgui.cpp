// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/localgui.h"

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "vocab/vocabulary.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMimeData>
#include <QSyntaxHighlighter>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextDocumentWriter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

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

// Has grapheme clusters longer than `longCluster` UTF-16 units (a letter
// under thousands of combining marks) shaped in pieces of `piece` units. The
// shaper's work grows with the square of a cluster's length, up to a few
// thousand units, so a megabyte of stacked marks took seconds; in pieces it
// takes a fraction. Only the layout sees the pieces, through two formats
// that look the same: the text, and what is copied, stay as they are.
class ClusterPieces : public QSyntaxHighlighter {
public:
    static constexpr qsizetype longCluster = 64;
    static constexpr qsizetype piece = 32;

    explicit ClusterPieces(QTextDocument* document) : QSyntaxHighlighter(document)
    {
        for (std::size_t k = 0; k < formats_.size(); ++k) {
            formats_[k].setProperty(QTextFormat::UserProperty, static_cast<int>(k));
        }
    }

protected:
    void highlightBlock(const QString& text) override
    {
        if (text.size() <= longCluster) {
            return;
        }
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
        qsizetype from = 0;
        std::size_t next = 0;
        for (qsizetype at = graphemes.toNextBoundary(); at >= 0; at = graphemes.toNextBoundary()) {
            if (at - from > longCluster) {
                // A line cannot break inside a cluster, so its lines hold
                // thousands of glyphs; kept, their shapes need not be made
                // again on every paint.
                currentBlock().layout()->setCacheEnabled(true);
                for (qsizetype p = from; p < at; p += piece) {
                    // Neighbouring pieces differ, so each is shaped alone.
                    setFormat(static_cast<int>(p), static_cast<int>(std::min(piece, at - p)),
                              formats_[next]);
                    next ^= 1U;
                }
            }
            from = at;
        }
    }

private:
    std::array<QTextCharFormat, 2> formats_;
};

// Longest stretch of `text` without a line-break opportunity, in UTF-16
// units. No-break spaces (U+00A0, U+2007, U+202F) and word joiners are no
// opportunity, whatever white space they look like.
qsizetype longestUnbreakable(const QString& text)
{
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype longest = 0;
    qsizetype from = 0;
    for (qsizetype at = breaks.toNextBoundary(); at >= 0; at = breaks.toNextBoundary()) {
        longest = std::max(longest, at - from);
        from = at;
    }
    return longest;
}

} // namespace

std::array<LocalGUI::ListRow, 6> LocalGUI::rows()
{
    const auto& a = vocab::attributes;
    return {{
        {ofigchoice, ofiglabel, "ofigchoice", "ofiglabel", a[0]},
        {oinschoice, oinslabel, "oinschoice", "oinslabel", a[1]},
        {rfigchoice, rfiglabel, "rfigchoice", "rfiglabel", a[2]},
        {rlfchoice, rlflabel, "rlfchoice", "rlflabel", a[3]},
        {rfigechoice, rfigelabel, "rfigechoice", "rfigelabel", a[4]},
        {cmkchoice, cmklabel, "cmkchoice", "cmklabel", a[5]},
    }};
}

LocalGUI::LocalGUI()
{
    const std::array<ListRow, 6> table = rows();
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

    textarea.setObjectName("textarea");
    textarea.setFont(outputFont());
    QPalette areaPalette = textarea.palette();
    areaPalette.setColor(QPalette::Base, Qt::white);
    areaPalette.setColor(QPalette::Text, Qt::black);
    textarea.setPalette(areaPalette);
    textarea.setReadOnly(true);
    textarea.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    textarea.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    textarea.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textarea.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    textarea.setTabChangesFocus(true);
    setReportTabStops(textarea);
    new ClusterPieces(textarea.document()); // owned by the document
    textarea.setAccessibleName("Matching catalogue entries");

    for (const ListRow& row : table) {
        row.list.setObjectName(row.listName);
        row.label.setObjectName(row.labelName);
        fill(row.list, row.attribute);
        // Screen readers announce the list by its label and section.
        row.label.setBuddy(&row.list);
        row.list.setAccessibleDescription(
            QString::fromUtf8(row.attribute.section.data(),
                              static_cast<qsizetype>(row.attribute.section.size())) +
            ' ' +
            QString::fromUtf8(row.attribute.label.data(),
                              static_cast<qsizetype>(row.attribute.label.size())));
    }
    // Connected only now, so filling the lists runs no search.
    for (std::size_t a = 0; a < table.size(); ++a) {
        lookups_[a] = std::make_unique<Lookup>(this);
        connect(&table[a].list, &QComboBox::currentIndexChanged, this,
                [lookup = lookups_[a].get()](int position) { lookup->itemStateChanged(position); });
    }

    // Top inset T is 0: children are placed in client-area coordinates.
    int y = 0 + 4;
    // A section: its heading, then one row of label and list per attribute.
    const auto placeSection = [&](QLabel& heading, std::size_t from, std::size_t to) {
        y += ch + 8;
        heading.setGeometry(50, y, lw, ch);
        for (std::size_t a = from; a < to; ++a) {
            y += ch;
            table[a].label.setGeometry(10, y, lw, ch);
            table[a].list.setGeometry(lw + 20, y, cw, ch);
        }
    };
    placeSection(olabel, 0, 2);
    placeSection(rlabel, 2, 6);
    y += ch + 8;
    textarea.setGeometry(10, y, width - 20, 11 * ch);
    y += 11 * ch;

    QWidget* previous = &table[0].list;
    for (std::size_t a = 1; a <= table.size(); ++a) {
        QWidget* next = a < table.size() ? static_cast<QWidget*>(&table[a].list) : &textarea;
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
    for (const ListRow& row : rows()) {
        row.list.disconnect(this);
    }
}

void LocalGUI::replaceText(const std::string& text)
{
    showWrite(++writes_, text);
}

void LocalGUI::postText(const std::string& text)
{
    const std::uint64_t write = ++writes_;
    // Queued on the window: a call still waiting when the window is
    // destroyed is dropped with it.
    QMetaObject::invokeMethod(
        this, [this, write, text] { showWrite(write, text); }, Qt::QueuedConnection);
}

void LocalGUI::showWrite(std::uint64_t write, const std::string& text)
{
    if (write < shownWrite_) {
        return;
    }
    shownWrite_ = write;
    const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    // Wrapping at line-break opportunities looks ahead to the next one on
    // every line it makes, which takes minutes on a catalogue value of a
    // megabyte without one; text with such a stretch wraps anywhere instead.
    // The mode that suits the new text is set around the replacement so that
    // neither text is ever laid out in the slow way.
    const auto mode = longestUnbreakable(shown) > maxWordLength
                          ? QTextOption::WrapAnywhere
                          : QTextOption::WrapAtWordBoundaryOrAnywhere;
    const bool toAnywhere = mode == QTextOption::WrapAnywhere;
    if (toAnywhere) {
        textarea.setWordWrapMode(mode);
    }
    // Through the document, so that ClusterPieces has split long clusters
    // before anything is laid out: the area's own setPlainText lays the first
    // paragraph out before that, and then again. Then, as setPlainText would,
    // the cursor goes to the start, which scrolls to the top and clears any
    // selection.
    textarea.document()->setPlainText(shown);
    textarea.setTextCursor(QTextCursor(textarea.document()));
    if (!toAnywhere) {
        textarea.setWordWrapMode(mode);
    }
}

QMimeData* LocalGUI::OutputArea::createMimeDataFromSelection() const
{
    const QTextDocumentFragment selection = textCursor().selection();
    auto* mime = new QMimeData;
    // The catalogue's own characters, as shown: Qt's plain text would turn
    // no-break spaces into ordinary ones.
    QString text = selection.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    mime->setText(text);
    mime->setHtml(selection.toHtml());
#if QT_CONFIG(textodfwriter)
    QBuffer odf;
    odf.open(QIODevice::WriteOnly);
    if (QTextDocumentWriter(&odf, "ODF").write(selection)) {
        mime->setData("application/vnd.oasis.opendocument.text", odf.data());
    }
#endif
    return mime;
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
    // Ends the event loop, so the program tears the application down and
    // exits with status 0. Does nothing while no event loop runs.
    QCoreApplication::quit();
}

void LocalGUI::Lookup::itemStateChanged(int /*position*/)
{
    LocalGUI& w = *window_;
    lookup::Positions positions{};
    const std::array<ListRow, 6> table = w.rows();
    for (std::size_t a = 0; a < table.size(); ++a) {
        positions[a] = table[a].list.currentIndex();
    }
    w.replaceText(std::string(lookup::searching));
    w.replaceText(lookup::FindMatches(lookup::SelectionCodes(positions)));
    DelayT(200);
}
