// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/explorer_window.h"

#include "answer/ticket.h"
#include "explorer/coin_form.h"
#include "explorer/picture_view.h"
#include "explorer/qtext.h"
#include "print/save.h"
#include "print/ticket.h"
#include "ui/bounded_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace explorer {

namespace {

/// `path` with the suffix `suffix` ("tsv", "json") where it ends in the
/// other format's; any other name as it is.
QString exportPath(const QString& path, const QString& suffix)
{
    const QString had = QFileInfo(path).suffix();
    for (const QLatin1String other : {QLatin1String("tsv"), QLatin1String("json")}) {
        if (had.compare(other, Qt::CaseInsensitive) == 0 && other != suffix) {
            return path.left(path.size() - had.size()) + suffix;
        }
    }
    return path;
}

// Default widths: sizing columns to their contents would measure every
// cell on every change.
constexpr std::array<int, CandidateModel::columnTotal> columnWidths{90, 96, 70,  104, 88,
                                                                    88, 88, 130, 260};

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
    form_ = new CoinForm(central);
    connect(form_, &CoinForm::changed, this, &ExplorerWindow::answer);
    column->addWidget(form_);
    column->addWidget(createCandidates(), 1);
    setCentralWidget(central);
    createStatusBar();

    // Keyboard order: the coin's fields top to bottom, Clear, the table,
    // the entry.
    QList<QWidget*> order = form_->tabOrder();
    order << tableView_ << entry_;
    for (qsizetype k = 1; k < order.size(); ++k) {
        setTabOrder(order[k - 1], order[k]);
    }

    connect(&source_, &CatalogueSource::loaded, this, &ExplorerWindow::showLoaded);
    connect(&pictures_, &PictureSource::changed, this, &ExplorerWindow::showPictures);
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
    form_->disconnect(this);
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
    recent_ = new RecentFiles(file->addMenu(tr("Open &Recent")), this);
    connect(recent_, &RecentFiles::chosen, this, &ExplorerWindow::openCatalogue);
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
    compare_ = new QPushButton(tr("Co&mpare"), top);
    compare_->setObjectName(QStringLiteral("compare"));
    compare_->setAccessibleName(tr("Compare"));
    compare_->setToolTip(tr("Select two to four candidates to see them side by side"));
    compare_->setEnabled(false);
    connect(compare_, &QPushButton::clicked, this, &ExplorerWindow::compare);
    connect(tableView_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const auto n = tableView_->selectionModel()->selectedRows().size();
        compare_->setEnabled(n >= 2 && n <= 4);
    });
    auto* heading = new QHBoxLayout;
    heading->addWidget(tableLabel);
    heading->addStretch(1);
    heading->addWidget(compare_);
    topColumn->addLayout(heading);
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
    strip_ = new PictureStrip(loader_, bottom);
    strip_->setObjectName(QStringLiteral("pictures"));
    strip_->setAccessibleName(tr("Pictures"));
    connect(strip_, &PictureStrip::opened, this, &ExplorerWindow::openPicture);
    auto* beside = new QHBoxLayout;
    beside->addWidget(entry_, 1);
    beside->addWidget(strip_);
    bottomColumn->addWidget(entryLabel);
    bottomColumn->addLayout(beside);

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
    // No accessible name: a screen reader reads the message itself, and
    // hears each new one.
    status_->setAccessibleDescription(tr("Status"));
    statusBar()->addWidget(status_, 1);
}

void ExplorerWindow::readSettings()
{
    const QSettings settings;
    const QByteArray geometry = settings.value(QStringLiteral("geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        resize(1180, 760);
    }
    recent_->read(settings);
}

void ExplorerWindow::writeSettings()
{
    // Written when the window closes, as a whole: a write costs the disk
    // several round trips, too many for start-up.
    QSettings settings;
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    recent_->write(settings);
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
}

void ExplorerWindow::showLoaded(const Loaded& loaded)
{
    table_ = loaded.table;
    pictures_.open(loaded.path, loaded.table);
    const QString name = QFileInfo(loaded.path).fileName();
    QString text;
    if (!loaded.problem.isEmpty()) {
        text = tr("Cannot read %1: %2").arg(loaded.path, loaded.problem);
    } else {
        // Only a file that loaded is opened again at the next start.
        recent_->add(loaded.path);
        // No translation into English, the source language, is loaded, so
        // its two forms are chosen here; both are numerus messages, so that a
        // translation still has every form its language needs.
        const auto n = static_cast<int>(table_->entries());
        text =
            (n == 1 ? tr("%1: %n entry read", nullptr, n) : tr("%1: %n entries read", nullptr, n))
                .arg(name);
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

void ExplorerWindow::answer()
{
    answering_ = true;
    model_.ask(table_, QueryOf(form_->seen()));
    form_->showCounts(*model_.answer().counts);

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

void ExplorerWindow::showEntry()
{
    showPictures();
    std::string text;
    if (const QModelIndex at = tableView_->currentIndex(); at.isValid()) {
        text = model_.entryText(sorted_.mapToSource(at).row());
    }
    if (text == shownEntry_) {
        return;
    }
    shownEntry_ = std::move(text);
    entry_->showText(answer::QStringOf(shownEntry_));
}

const answer::Pictures* ExplorerWindow::scannedPictures() const
{
    // Until the folder is scanned for the catalogue shown, the pictures
    // are another catalogue's.
    const auto& all = pictures_.pictures();
    return all->byEntry.size() == static_cast<std::size_t>(table_->entries()) ? all.get() : nullptr;
}

void ExplorerWindow::showPictures()
{
    const answer::Pictures& all = *pictures_.pictures();
    std::vector<answer::Picture> shown;
    if (const QModelIndex at = tableView_->currentIndex(); at.isValid() && scannedPictures()) {
        shown = all.of(model_.entryAt(sorted_.mapToSource(at).row()));
    }
    strip_->show(QFile::decodeName(all.base.c_str()), shown);
    pictures_.setShown(std::move(shown));
}

void ExplorerWindow::compare()
{
    std::vector<int> shown;
    for (const QModelIndex& index : tableView_->selectionModel()->selectedRows()) {
        shown.push_back(index.row());
    }
    if (shown.size() < 2 || shown.size() > 4) {
        return;
    }
    std::sort(shown.begin(), shown.end());
    const answer::Pictures& all = *pictures_.pictures();
    const bool scanned = scannedPictures() != nullptr;
    std::vector<CompareColumn> columns;
    for (const int at : shown) {
        const int row = sorted_.mapToSource(sorted_.index(at, 0)).row();
        CompareColumn& column = columns.emplace_back();
        column.sv = model_.svAt(row);
        column.entryText = model_.entryText(row);
        if (scanned) {
            column.pictures = all.of(model_.entryAt(row));
        }
    }
    auto* window = new CompareWindow(loader_, QFile::decodeName(all.base.c_str()), columns, this);
    connect(window, &CompareWindow::opened, this, &ExplorerWindow::openPicture);
    window->show();
}

void ExplorerWindow::openPicture(const QString& base, const answer::Picture& picture)
{
    auto* viewer = new PictureViewer(loader_, base, picture, this);
    viewer->show();
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
    QGuiApplication::clipboard()->setText(answer::QStringOf(model_.tsvOf(rows)));
    const auto n = static_cast<int>(rows.size());
    statusBar()->showMessage(n == 1 ? tr("%n candidate copied", nullptr, n)
                                    : tr("%n candidates copied", nullptr, n),
                             3000);
}

QString ExplorerWindow::exportCandidates(const QString& path, answer::Format format)
{
    const std::string text = model_.document(format, pictures_.current().get());
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
    const auto suffixOf = [json](const QString& filter) {
        return filter == json ? QStringLiteral("json") : QStringLiteral("tsv");
    };
    QFileDialog dialog(this, tr("Export Candidates"), QFileInfo(source_.path()).absolutePath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({tsv, json});
    dialog.setDefaultSuffix(suffixOf(tsv));
    dialog.selectFile(QStringLiteral("candidates.tsv"));
    // The name follows the format chosen in the list. Qt's own dialog
    // changes it too; a desktop's dialog may not, and `exportPath` mends
    // what it leaves.
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, suffixOf](const QString& filter) {
                const QString suffix = suffixOf(filter);
                dialog.setDefaultSuffix(suffix);
                const QStringList chosen = dialog.selectedFiles();
                if (chosen.size() == 1) {
                    const QString name = QFileInfo(chosen.front()).fileName();
                    const QString renamed = exportPath(name, suffix);
                    if (renamed != name) {
                        dialog.selectFile(renamed);
                    }
                }
            });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString suffix = suffixOf(dialog.selectedNameFilter());
    QString path = exportPath(dialog.selectedFiles().front(), suffix);
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + suffix;
    }
    const QString problem = exportCandidates(path, suffix == suffixOf(json) ? answer::Format::Json
                                                                            : answer::Format::Tsv);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, tr("Export Candidates"),
                             tr("Cannot write %1: %2").arg(path, problem));
        return;
    }
    const int n = model_.rowCount();
    statusBar()->showMessage((n == 1 ? tr("%n candidate written to %1", nullptr, n)
                                     : tr("%n candidates written to %1", nullptr, n))
                                 .arg(path),
                             5000);
}

print::Ticket ExplorerWindow::currentTicket() const
{
    const QModelIndex at = tableView_->currentIndex();
    const auto row = static_cast<std::size_t>(at.isValid() ? sorted_.mapToSource(at).row() : 0);
    answer::Answer shown = model_.answer();
    const std::shared_ptr<const answer::Pictures> pictures = pictures_.current();
    shown.pictures = pictures.get();
    return answer::TicketOf(shown, row);
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
