// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/explorer_window.h"

#include "answer/ticket.h"
#include "print/save.h"
#include "print/ticket.h"
#include "ui/bounded_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace explorer {

namespace {

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// "1 entry", "2 entries": English only, so no translation makes plurals.
QString counted(qsizetype n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Labels with their mnemonics, in the order of the fields. The menus take
// Alt+F and Alt+E.
constexpr std::array<const char*, vocab::attributeCount> listLabels{
    "&Obverse figure", "&Inscription", "&Reverse figure",
    "&Left field",     "Ri&ght side",  "Countermar&k"};
constexpr std::array<const char*, lookup::monogramCount> monogramLabels{
    "Ce&nter monogram", "Left field &monogram", "Rig&ht field monogram"};
constexpr std::array<const char*, lookup::measureCount> measureLabels{"&Diameter (mm)",
                                                                      "&Weight (g)"};
constexpr std::array<const char*, lookup::measureCount> measureNames{"Diameter (mm)", "Weight (g)"};

const char* const wrongMeasure = "Not a number above 0: left out of the search";

// Default widths: sizing columns to their contents would measure every
// cell on every change.
constexpr std::array<int, CandidateModel::columnTotal> columnWidths{90, 96, 70,  104, 88,
                                                                    88, 88, 130, 260};

/// A list as wide as a dozen characters, whatever its entries: the popup
/// shows them whole. Qt's own size policies measure every entry, or build
/// the popup, before the window first shows.
class CountList : public QComboBox {
public:
    using QComboBox::QComboBox;

    [[nodiscard]] QSize sizeHint() const override
    {
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QSize text(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 12,
                         fontMetrics().height());
        return style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this);
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

ExplorerWindow::ExplorerWindow(const QString& catalogue, QWidget* parent) : QMainWindow(parent)
{
    // The catalogue loads while the window is built: by the time the event
    // loop runs it is often there to show, before the first paint.
    const QString file = catalogue.isEmpty() ? QString() : QFileInfo(catalogue).absoluteFilePath();
    if (!file.isEmpty()) {
        source_.open(file);
    }
    table_ = std::make_shared<const catalogue::Table>();
    sorted_.setSourceModel(&model_);

    createActions();
    createMenus();
    // The coin's fields across the top, so that the table below has the
    // window's whole width for its columns.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->addWidget(createForm());
    column->addWidget(createCandidates(), 1);
    setCentralWidget(central);
    createStatusBar();

    // Keyboard order: the coin's fields top to bottom, Clear, the table,
    // the entry.
    QList<QWidget*> order(lists_.begin(), lists_.end());
    order.append(QList<QWidget*>(monograms_.begin(), monograms_.end()));
    order.append(QList<QWidget*>(measures_.begin(), measures_.end()));
    order << near_ << clear_ << tableView_ << entry_;
    for (qsizetype k = 1; k < order.size(); ++k) {
        setTabOrder(order[k - 1], order[k]);
    }

    connect(&source_, &CatalogueSource::loaded, this, &ExplorerWindow::showLoaded);
    setAcceptDrops(true);
    readSettings();
    if (file.isEmpty()) {
        answer();
    } else {
        showOpening(file); // answered once it has loaded
    }
}

ExplorerWindow::~ExplorerWindow()
{
    // The models are members, gone before the child widgets: no answer may
    // run from here on, and the table lets go of its model first.
    clearing_ = true;
    tableView_->setModel(nullptr);
}

void ExplorerWindow::createActions()
{
    openAction_ = new QAction(tr("&Open…"), this);
    openAction_->setShortcuts(QKeySequence::Open);
    openAction_->setStatusTip(tr("Open a catalogue file"));
    connect(openAction_, &QAction::triggered, this, &ExplorerWindow::openWithDialog);

    reloadAction_ = new QAction(tr("Re&load"), this);
    reloadAction_->setShortcuts(QKeySequence::Refresh);
    reloadAction_->setStatusTip(tr("Read the catalogue file again"));
    connect(reloadAction_, &QAction::triggered, &source_, &CatalogueSource::reload);

    exportAction_ = new QAction(tr("&Export Candidates…"), this);
    exportAction_->setStatusTip(
        tr("Save every candidate as rovadod-find writes it, in TSV or JSON"));
    connect(exportAction_, &QAction::triggered, this, &ExplorerWindow::exportWithDialog);

    printTicketAction_ = new QAction(tr("&Print Ticket…"), this);
    printTicketAction_->setShortcuts(QKeySequence::Print);
    printTicketAction_->setStatusTip(tr("Print the current candidate's ticket for the coin"));
    connect(printTicketAction_, &QAction::triggered, this, &ExplorerWindow::printTicketWithDialog);

    saveTicketAction_ = new QAction(tr("Save Ticket as P&DF…"), this);
    saveTicketAction_->setStatusTip(tr("Save the current candidate's ticket as a PDF"));
    connect(saveTicketAction_, &QAction::triggered, this, &ExplorerWindow::saveTicketWithDialog);

    quitAction_ = new QAction(tr("&Quit"), this);
    quitAction_->setShortcuts(QKeySequence::Quit);
    connect(quitAction_, &QAction::triggered, this, &QWidget::close);

    copyAction_ = new QAction(tr("&Copy Candidates"), this);
    copyAction_->setShortcuts(QKeySequence::Copy);
    copyAction_->setStatusTip(tr("Copy the selected candidates as rovadod-find's TSV rows"));
    // Only where the table has the focus: in the entry text Ctrl+C copies
    // the selected text.
    copyAction_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copyAction_, &QAction::triggered, this, &ExplorerWindow::copyRows);
}

void ExplorerWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(openAction_);
    recentMenu_ = file->addMenu(tr("Open &Recent"));
    file->addAction(reloadAction_);
    file->addSeparator();
    file->addAction(exportAction_);
    file->addAction(printTicketAction_);
    file->addAction(saveTicketAction_);
    file->addSeparator();
    file->addAction(quitAction_);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(copyAction_);
}

QWidget* ExplorerWindow::createForm()
{
    auto* box = new QGroupBox(tr("What is seen on the coin"), this);
    auto* grid = new QGridLayout(box);
    // Three label and field pairs a row, read left to right.
    constexpr int pairs = 3;
    int placed = 0;
    const auto row = [&](const char* text, QWidget* field, std::string_view name) {
        auto* label = new QLabel(tr(text), box);
        label->setBuddy(field);
        field->setAccessibleName(qs(name));
        grid->addWidget(label, placed / pairs, 2 * (placed % pairs));
        grid->addWidget(field, placed / pairs, 2 * (placed % pairs) + 1);
        ++placed;
    };
    for (int p = 0; p < pairs; ++p) {
        grid->setColumnStretch(2 * p + 1, 1);
    }

    for (std::size_t a = 0; a < lists_.size(); ++a) {
        auto* list = new CountList(box);
        list->setObjectName(QStringLiteral("list%1").arg(a));
        list->addItem(tr("Any"));
        for (const std::string_view text : vocab::attributes[a].texts) {
            list->addItem(qs(text));
        }
        list->setAccessibleDescription(
            tr("Any, or a list entry with the number of entries it would leave"));
        row(listLabels[a], list, clueNames[a]);
        connect(list, &QComboBox::currentIndexChanged, this, &ExplorerWindow::answer);
        lists_[a] = list;
    }
    for (std::size_t m = 0; m < monograms_.size(); ++m) {
        auto* field = new QLineEdit(box);
        field->setObjectName(QStringLiteral("monogram%1").arg(m));
        field->setPlaceholderText(tr("any"));
        field->setToolTip(tr("Empty: any monogram; none: no monogram"));
        field->setAccessibleDescription(field->toolTip());
        row(monogramLabels[m], field, clueNames[vocab::attributeCount + m]);
        connect(field, &QLineEdit::textChanged, this, &ExplorerWindow::answer);
        monograms_[m] = field;
    }
    for (std::size_t m = 0; m < measures_.size(); ++m) {
        auto* field = new QLineEdit(box);
        field->setObjectName(QStringLiteral("measure%1").arg(m));
        field->setPlaceholderText(tr("not measured"));
        row(measureLabels[m], field, measureNames[m]);
        connect(field, &QLineEdit::textChanged, this, &ExplorerWindow::answer);
        measures_[m] = field;
    }
    near_ = new QSpinBox(box);
    near_->setObjectName(QStringLiteral("near"));
    near_->setRange(0, 9);
    near_->setAccessibleDescription(
        tr("Also list entries that differ in at most this many of the given fields"));
    row("Differences &allowed", near_, "Differences allowed");
    connect(near_, &QSpinBox::valueChanged, this, &ExplorerWindow::answer);

    clear_ = new QPushButton(tr("&Clear"), box);
    clear_->setObjectName(QStringLiteral("clear"));
    clear_->setAccessibleName(tr("Clear"));
    clear_->setToolTip(tr("Every list back to Any, every field empty, no differences"));
    connect(clear_, &QPushButton::clicked, this, &ExplorerWindow::clearFields);

    grid->addWidget(clear_, placed / pairs, 2 * pairs - 1, Qt::AlignRight);
    return box;
}

QWidget* ExplorerWindow::createCandidates()
{
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setChildrenCollapsible(false);

    auto* top = new QWidget(split);
    auto* topColumn = new QVBoxLayout(top);
    topColumn->setContentsMargins(0, 0, 0, 0);
    auto* tableLabel = new QLabel(tr("Candida&tes"), top);
    tableView_ = new QTableView(top);
    tableView_->setObjectName(QStringLiteral("candidates"));
    tableLabel->setBuddy(tableView_);
    tableView_->setAccessibleName(tr("Candidates"));
    tableView_->setAccessibleDescription(
        tr("One row per catalogue entry that fits, best first; the entry text below shows "
           "the current row in full"));
    tableView_->setModel(&sorted_);
    tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tableView_->setTabKeyNavigation(false);
    tableView_->setWordWrap(false);
    tableView_->setAlternatingRowColors(true);
    tableView_->verticalHeader()->hide();
    tableView_->verticalHeader()->setDefaultSectionSize(tableView_->fontMetrics().height() + 8);
    QHeaderView* header = tableView_->horizontalHeader();
    header->setStretchLastSection(true);
    // Plain titles: a whole row selected would make every one bold.
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    // Unsorted until a header is clicked; a third click returns to the
    // engine's order.
    header->setSortIndicatorClearable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    tableView_->setSortingEnabled(true);
    for (int c = 0; c < CandidateModel::columnTotal; ++c) {
        header->resizeSection(c, columnWidths[static_cast<std::size_t>(c)]);
    }
    tableView_->addAction(copyAction_);
    connect(tableView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& at) {
                if (answering_) {
                    return;
                }
                if (at.isValid()) {
                    const int row = sorted_.mapToSource(at).row();
                    chosen_.emplace(model_.entryAt(row), model_.svAt(row));
                }
                showEntry();
            });
    topColumn->addWidget(tableLabel);
    topColumn->addWidget(tableView_);

    auto* bottom = new QWidget(split);
    auto* bottomColumn = new QVBoxLayout(bottom);
    bottomColumn->setContentsMargins(0, 0, 0, 0);
    auto* entryLabel = new QLabel(tr("Entr&y"), bottom);
    entry_ = new ui::BoundedTextArea(bottom);
    entry_->setObjectName(QStringLiteral("entry"));
    entryLabel->setBuddy(entry_);
    entry_->setAccessibleName(tr("Entry"));
    entry_->setAccessibleDescription(
        tr("The current candidate's catalogue entry, after its differences and fit"));
    entry_->setTabChangesFocus(true);
    entry_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ui::SetReportTabStops(*entry_);
    bottomColumn->addWidget(entryLabel);
    bottomColumn->addWidget(entry_);

    split->addWidget(top);
    split->addWidget(bottom);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    return split;
}

void ExplorerWindow::createStatusBar()
{
    status_ = new QLabel(tr("No catalogue open"), this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setAccessibleName(tr("Status"));
    statusBar()->addWidget(status_, 1);
}

void ExplorerWindow::readSettings()
{
    const QSettings settings;
    const QByteArray geometry = settings.value(QStringLiteral("geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        resize(1180, 760);
    }
    recent_ = settings.value(QStringLiteral("recentFiles")).toStringList();
    updateRecentMenu();
}

void ExplorerWindow::writeSettings()
{
    // Written when the window closes, as a whole: a write costs the disk
    // several round trips, too many for start-up.
    QSettings settings;
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("recentFiles"), recent_);
    if (!recent_.isEmpty()) {
        settings.setValue(QStringLiteral("lastFile"), recent_.front());
    }
}

void ExplorerWindow::openCatalogue(const QString& path)
{
    const QString file = QFileInfo(path).absoluteFilePath();
    source_.open(file);
    showOpening(file);
}

void ExplorerWindow::showOpening(const QString& file)
{
    status_->setText(tr("Reading %1 …").arg(file));
    setWindowFilePath(file);
    rememberFile(file);
}

void ExplorerWindow::showLoaded(const Loaded& loaded)
{
    table_ = loaded.table;
    const QString name = QFileInfo(loaded.path).fileName();
    QString text;
    if (!loaded.problem.isEmpty()) {
        text = tr("Cannot read %1: %2").arg(loaded.path, loaded.problem);
    } else {
        text = tr("%1: %2 read").arg(name, counted(table_->entries(), "entry", "entries"));
    }
    if (loaded.reload) {
        text += tr(" (read again at %1)")
                    .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")));
    }
    status_->setText(text);
    status_->setToolTip(loaded.path);
    setWindowFilePath(loaded.path);
    answer();
    emit catalogueShown();
}

Seen ExplorerWindow::seen() const
{
    Seen seen;
    for (std::size_t a = 0; a < lists_.size(); ++a) {
        seen.positions[a] = lists_[a]->currentIndex() - 1; // 0 is "Any"
    }
    for (std::size_t m = 0; m < monograms_.size(); ++m) {
        seen.monograms[m] = monograms_[m]->text();
    }
    for (std::size_t m = 0; m < measures_.size(); ++m) {
        seen.measures[m] = measures_[m]->text();
    }
    seen.near = near_->value();
    return seen;
}

void ExplorerWindow::answer()
{
    if (clearing_) {
        return;
    }
    answering_ = true;
    model_.ask(table_, QueryOf(seen()));
    showCounts();
    markMeasures();

    // The row the collector chose stays current while its entry is a
    // candidate, also across a reload, and comes back when a later change
    // brings it back; meanwhile the best candidate is current.
    int row = -1;
    if (chosen_) {
        row = model_.rowOf(chosen_->first);
        if (row >= 0 && model_.svAt(row) != chosen_->second) {
            row = -1; // the file changed under it: follow the catalogue number
        }
        if (row < 0) {
            row = model_.rowOfSv(chosen_->second);
        }
        if (row >= 0) {
            chosen_->first = model_.entryAt(row);
        }
    }
    const QModelIndex target =
        row >= 0 ? sorted_.mapFromSource(model_.index(row, 0)) : sorted_.index(0, 0);
    if (target.isValid()) {
        tableView_->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                                  QItemSelectionModel::Rows);
        tableView_->scrollTo(target);
    }
    answering_ = false;
    showEntry();
    emit answered();
}

void ExplorerWindow::showCounts()
{
    const lookup::FacetCounts& counts = *model_.answer().counts;
    const QBrush spent = palette().brush(QPalette::Disabled, QPalette::Text);
    for (std::size_t a = 0; a < lists_.size(); ++a) {
        QComboBox* list = lists_[a];
        const vocab::Attribute& attribute = vocab::attributes[a];
        for (int pos = 0; pos < attribute.count(); ++pos) {
            const int count = counts[a][static_cast<std::size_t>(pos)];
            const QString text = QStringLiteral("%1 (%2)")
                                     .arg(qs(attribute.texts[static_cast<std::size_t>(pos)]))
                                     .arg(count);
            if (list->itemText(pos + 1) != text) {
                list->setItemText(pos + 1, text);
                // Still selectable: a near match may need it.
                list->setItemData(pos + 1, count == 0 ? QVariant(spent) : QVariant(),
                                  Qt::ForegroundRole);
            }
        }
    }
}

void ExplorerWindow::markMeasures()
{
    for (QLineEdit* field : measures_) {
        const bool wrong = ReadMeasure(field->text()).kind == MeasureInput::Kind::Wrong;
        if (field->property("wrong").toBool() == wrong) {
            continue;
        }
        field->setProperty("wrong", wrong);
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base,
                         wrong ? QColor(255, 220, 220) : this->palette().color(QPalette::Base));
        field->setPalette(palette);
        field->setStyleSheet(wrong ? QStringLiteral("QLineEdit { border: 2px solid #c01818; }")
                                   : QString());
        field->setToolTip(wrong ? tr(wrongMeasure) : QString());
        field->setAccessibleDescription(wrong ? tr(wrongMeasure) : QString());
    }
}

void ExplorerWindow::showEntry()
{
    std::string text;
    if (const QModelIndex at = tableView_->currentIndex(); at.isValid()) {
        text = model_.entryText(sorted_.mapToSource(at).row());
    }
    if (text == shownEntry_) {
        return;
    }
    shownEntry_ = std::move(text);
    entry_->showText(qs(shownEntry_));
}

void ExplorerWindow::clearFields()
{
    clearing_ = true;
    for (QComboBox* list : lists_) {
        list->setCurrentIndex(0);
    }
    for (QLineEdit* field : monograms_) {
        field->clear();
    }
    for (QLineEdit* field : measures_) {
        field->clear();
    }
    near_->setValue(0);
    clearing_ = false;
    answer();
}

void ExplorerWindow::copyRows()
{
    std::vector<int> rows;
    const QModelIndexList chosen = tableView_->selectionModel()->selectedRows();
    // In the order the table shows them.
    std::vector<int> shown;
    for (const QModelIndex& index : chosen) {
        shown.push_back(index.row());
    }
    std::sort(shown.begin(), shown.end());
    for (const int row : shown) {
        rows.push_back(sorted_.mapToSource(sorted_.index(row, 0)).row());
    }
    if (rows.empty()) {
        return;
    }
    QGuiApplication::clipboard()->setText(qs(model_.tsvOf(rows)));
    statusBar()->showMessage(
        tr("%1 copied")
            .arg(counted(static_cast<qsizetype>(rows.size()), "candidate", "candidates")),
        3000);
}

QString ExplorerWindow::exportCandidates(const QString& path, answer::Format format)
{
    const std::string text = model_.document(format);
    const auto problem = print::SaveWhole(path, [&text](QIODevice& file) -> std::optional<QString> {
        const auto size = static_cast<qint64>(text.size());
        return file.write(text.data(), size) == size ? std::nullopt
                                                     : std::optional(file.errorString());
    });
    return problem.value_or(QString());
}

void ExplorerWindow::exportWithDialog()
{
    const QString tsv = tr("Tab-separated values (*.tsv)");
    const QString json = tr("JSON (*.json)");
    QString filter = tsv;
    const QString folder = QFileInfo(source_.path()).absolutePath();
    QString path = QFileDialog::getSaveFileName(this, tr("Export Candidates"),
                                                folder + QStringLiteral("/candidates.tsv"),
                                                tsv + QStringLiteral(";;") + json, &filter);
    if (path.isEmpty()) {
        return;
    }
    const bool asJson =
        filter == json || path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
    const QString suffix = asJson ? QStringLiteral(".json") : QStringLiteral(".tsv");
    if (QFileInfo(path).suffix().isEmpty()) {
        path += suffix;
    }
    const QString problem =
        exportCandidates(path, asJson ? answer::Format::Json : answer::Format::Tsv);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, tr("Export Candidates"),
                             tr("Cannot write %1: %2").arg(path, problem));
        return;
    }
    statusBar()->showMessage(
        tr("%1 written to %2").arg(counted(model_.rowCount(), "candidate", "candidates"), path),
        5000);
}

print::Ticket ExplorerWindow::currentTicket() const
{
    // The current candidate first, so that the ticket is its own and names
    // the others that fit as well; the engine's order after it.
    answer::Answer answer = model_.answer();
    if (const QModelIndex at = tableView_->currentIndex(); at.isValid()) {
        const int entry = model_.entryAt(sorted_.mapToSource(at).row());
        const auto current = std::find_if(answer.matches.begin(), answer.matches.end(),
                                          [entry](const auto& m) { return m.entry == entry; });
        std::rotate(answer.matches.begin(), current, std::next(current));
    }
    return answer::TicketOf(answer);
}

QString ExplorerWindow::saveTicket(const QString& path) const
{
    const auto problem = print::WriteTicketsPdf(path, {currentTicket()}, print::LocalePaper());
    return problem.value_or(QString());
}

void ExplorerWindow::saveTicketWithDialog()
{
    const QString folder = QFileInfo(source_.path()).absolutePath();
    QString path = QFileDialog::getSaveFileName(
        this, tr("Save Ticket as PDF"), folder + QStringLiteral("/ticket.pdf"), tr("PDF (*.pdf)"));
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".pdf");
    }
    if (const QString problem = saveTicket(path); !problem.isEmpty()) {
        QMessageBox::warning(this, tr("Save Ticket as PDF"),
                             tr("Cannot write %1: %2").arg(path, problem));
        return;
    }
    statusBar()->showMessage(tr("Ticket written to %1").arg(path), 5000);
}

void ExplorerWindow::printTicketWithDialog()
{
    QPrinter printer(QPrinter::HighResolution);
    // The ticket is placed from the paper's corner, margins and cut marks
    // as on a sheet of tickets.
    printer.setFullPage(true);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Print Ticket"));
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QSizeF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    if (!print::PaintTicketSheets(printer, {currentTicket()}, paper)) {
        QMessageBox::warning(this, tr("Print Ticket"), tr("The ticket could not be printed."));
    }
}

void ExplorerWindow::openWithDialog()
{
    const QString folder = QFileInfo(source_.path()).absolutePath();
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Catalogue"), folder,
                                                      tr("Catalogue (*.csv);;All files (*)"));
    if (!path.isEmpty()) {
        openCatalogue(path);
    }
}

void ExplorerWindow::rememberFile(const QString& path)
{
    recent_.removeAll(path);
    recent_.prepend(path);
    while (recent_.size() > recentCount) {
        recent_.removeLast();
    }
    updateRecentMenu();
}

void ExplorerWindow::updateRecentMenu()
{
    recentMenu_->clear();
    for (qsizetype k = 0; k < recent_.size(); ++k) {
        const QString path = recent_[k];
        QAction* action = recentMenu_->addAction(
            QStringLiteral("&%1 %2").arg(k + 1).arg(QFileInfo(path).fileName()));
        action->setStatusTip(path);
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] { openCatalogue(path); });
    }
    recentMenu_->setEnabled(!recent_.isEmpty());
}

void ExplorerWindow::closeEvent(QCloseEvent* event)
{
    writeSettings();
    event->accept();
}

void ExplorerWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void ExplorerWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) {
        openCatalogue(urls.front().toLocalFile());
        event->acceptProposedAction();
    }
}

} // namespace explorer
