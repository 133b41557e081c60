// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/bounded_text.h"

#include <QBuffer>
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
#include <array>

namespace ui {

namespace {

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

} // namespace

qsizetype LongestUnbreakable(const QString& text)
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

// Report lines start with a tab and put a tab between label and value. These
// stops line the second-line labels, the values and the monograms up in
// columns, and keep a first line with a catalogue number of up to about
// ten characters within the window's area.
void SetReportTabStops(QPlainTextEdit& area)
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

BoundedTextArea::BoundedTextArea(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    new ClusterPieces(document()); // owned by the document
}

void BoundedTextArea::showText(const QString& text)
{
    // Wrapping at line-break opportunities looks ahead to the next one on
    // every line it makes, which takes minutes on a catalogue value of a
    // megabyte without one; text with such a stretch wraps anywhere instead.
    // The mode that suits the new text is set around the replacement so that
    // neither text is ever laid out in the slow way.
    const auto mode = LongestUnbreakable(text) > maxWordLength
                          ? QTextOption::WrapAnywhere
                          : QTextOption::WrapAtWordBoundaryOrAnywhere;
    const bool toAnywhere = mode == QTextOption::WrapAnywhere;
    if (toAnywhere) {
        setWordWrapMode(mode);
    }
    // Through the document, so that ClusterPieces has split long clusters
    // before anything is laid out: the area's own setPlainText lays the first
    // paragraph out before that, and then again. Then, as setPlainText would,
    // the cursor goes to the start, which scrolls to the top and clears any
    // selection.
    document()->setPlainText(text);
    setTextCursor(QTextCursor(document()));
    if (!toAnywhere) {
        setWordWrapMode(mode);
    }
}

QMimeData* BoundedTextArea::createMimeDataFromSelection() const
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

} // namespace ui
