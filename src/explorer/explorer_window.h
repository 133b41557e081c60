// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/read.h"
#include "answer/tsv.h"
#include "explorer/candidate_model.h"
#include "explorer/catalogue_source.h"
#include "explorer/seen.h"
#include "print/ticket.h"
#include "json/json.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTableView;

namespace ui {
class BoundedTextArea;
}

namespace explorer {

/// Rovadod Explorer's main window: what is seen on a worn coin on the left,
/// the candidates it leaves and the current one's entry on the right. Every
/// change of a field answers at once, from the whole catalogue value last
/// loaded; the catalogue file loads off this thread and again when it
/// changes on disk.
class ExplorerWindow : public QMainWindow {
    Q_OBJECT

public:
    /// Opens `catalogue` when it is given, as `openCatalogue` does.
    explicit ExplorerWindow(const QString& catalogue = {}, QWidget* parent = nullptr);
    ~ExplorerWindow() override;
    ExplorerWindow(const ExplorerWindow&) = delete;
    ExplorerWindow& operator=(const ExplorerWindow&) = delete;

    /// Opens the catalogue at `path` and remembers it as the last and a
    /// recent file (written when the window closes); the table fills when
    /// it has loaded.
    void openCatalogue(const QString& path);

    /// Writes every candidate to `path` as rovadod-find prints the same
    /// query, whole or not at all; returns why it could not, or nothing.
    QString exportCandidates(const QString& path, answer::Format format);

    /// The ticket of the coin as seen, for the current candidate (the entries
    /// that fit as well named on it); with no candidate, what was seen.
    [[nodiscard]] print::Ticket currentTicket() const;
    /// Writes `currentTicket()` as a PDF at `path`, whole or not at all, on
    /// the locale's paper; returns why it could not, or nothing.
    QString saveTicket(const QString& path) const;

    /// The file names kept for File ▸ Open Recent, newest first.
    static constexpr int recentCount = 6;

signals:
    /// A change has been answered: counts, table and entry are up to date.
    void answered();
    /// A load of the open file has been shown.
    void catalogueShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    QWidget* createForm();
    QWidget* createCandidates();
    void createStatusBar();
    void readSettings();
    void writeSettings();

    void showOpening(const QString& file);
    void showLoaded(const Loaded& loaded);
    /// Reads every field, looks the coin up and shows the answer.
    void answer();
    void showCounts();
    void showEntry();
    void markMeasures();
    void clearFields();
    void copyRows();
    void exportWithDialog();
    void printTicketWithDialog();
    void saveTicketWithDialog();
    void openWithDialog();
    void rememberFile(const QString& path);
    void updateRecentMenu();
    [[nodiscard]] Seen seen() const;

    CatalogueSource source_;
    std::shared_ptr<const catalogue::Table> table_;
    CandidateModel model_;
    CandidateSort sorted_;

    std::array<QComboBox*, vocab::attributeCount> lists_{};
    std::array<QLineEdit*, lookup::monogramCount> monograms_{};
    std::array<QLineEdit*, lookup::measureCount> measures_{};
    QSpinBox* near_ = nullptr;
    QPushButton* clear_ = nullptr;
    QTableView* tableView_ = nullptr;
    ui::BoundedTextArea* entry_ = nullptr;
    QLabel* status_ = nullptr;

    QAction* openAction_ = nullptr;
    QAction* reloadAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* printTicketAction_ = nullptr;
    QAction* saveTicketAction_ = nullptr;
    QAction* quitAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    /// File ▸ Open Recent, newest first: the last file opened is the first.
    QStringList recent_;

    /// Set while Clear resets the fields, so that it answers once.
    bool clearing_ = false;
    /// Set while an answer picks the current row, which shows the entry once.
    bool answering_ = false;
    /// The entry and catalogue number of the row the collector made current.
    std::optional<std::pair<int, std::string>> chosen_;
    /// The entry text shown, so that an unchanged one is not laid out again.
    std::string shownEntry_;
};

} // namespace explorer
