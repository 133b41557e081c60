// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/localgui.h"

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "vocab/vocabulary.h"

#include <QCloseEvent>
#include <QCoreApplication>

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

void fill(QComboBox& list, const vocab::Attribute& attribute)
{
    for (const std::string_view text : attribute.texts) {
        list.addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
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
    ui::SetReportTabStops(textarea);
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
    textarea.showText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
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
