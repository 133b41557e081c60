// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QString>

class QMimeData;

/// Text areas that show a catalogue report of any length or script within
/// about a second and stay answering: long grapheme clusters are shaped in
/// pieces, and text with a very long stretch without a line-break
/// opportunity wraps anywhere. Shared by the windows.
namespace ui {

/// Text with a longer stretch (in UTF-16 units) without a line-break
/// opportunity wraps anywhere instead of at line-break opportunities.
inline constexpr int maxWordLength = 1000;

/// Longest stretch of `text` without a line-break opportunity, in UTF-16
/// units. No-break spaces and word joiners are no opportunity.
qsizetype LongestUnbreakable(const QString& text);

/// Sets the tab stops that line a report's labels, values and monograms up
/// in columns.
void SetReportTabStops(QPlainTextEdit& area);

/// A read-only report area. Only ever written whole, through `showText`.
/// A copy offers the selection as plain text, HTML and OpenDocument, as Qt's
/// own does, but not as Markdown, whose writer takes seconds on a
/// megabyte-long catalogue value. The formats are made with the copy: Qt
/// makes all of them when an application first asks for one, which can be
/// while the program hands the clipboard to the desktop's clipboard manager
/// on closing, too late for HTML.
class BoundedTextArea : public QPlainTextEdit {
public:
    explicit BoundedTextArea(QWidget* parent = nullptr);

    /// Replaces the whole text, scrolled to the top with no selection.
    void showText(const QString& text);

protected:
    QMimeData* createMimeDataFromSelection() const override;
};

} // namespace ui
