// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/answer.h"
#include "explorer/candidate_model.h"
#include "explorer/catalogue_source.h"
#include "explorer/picture_loader.h"
#include "explorer/picture_source.h"
#include "explorer/recent_files.h"
#include "print/ticket.h"

#include <QMainWindow>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <utility>

class QAction;
class QLabel;
class QPushButton;
class QTableView;

namespace ui {
class BoundedTextArea;
}

namespace explorer {

class CoinForm;
class PictureStrip;

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

    /// Opens the catalogue at `path`; once it has loaded, the table fills
    /// and the file is remembered as the last and a recent one (written when
    /// the window closes).
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
    QWidget* createCandidates();
    void createStatusBar();
    void readSettings();
    void writeSettings();

    void showOpening(const QString& file);
    void showLoaded(const Loaded& loaded);
    /// Reads every field, looks the coin up and shows the answer.
    void answer();
    void showEntry();
    /// The pictures of the catalogue shown, once its folder is scanned.
    [[nodiscard]] const answer::Pictures* scannedPictures() const;
    /// The current candidate's pictures beside its entry.
    void showPictures();
    /// Opens the selected candidates side by side.
    void compare();
    void openPicture(const QString& base, const answer::Picture& picture);
    void copyRows();
    void exportWithDialog();
    void printTicketWithDialog();
    void saveTicketWithDialog();
    void openWithDialog();

    CatalogueSource source_;
    std::shared_ptr<const catalogue::Table> table_;
    CandidateModel model_;
    CandidateSort sorted_;
    PictureSource pictures_;
    PictureLoader loader_;

    CoinForm* form_ = nullptr;
    QTableView* tableView_ = nullptr;
    ui::BoundedTextArea* entry_ = nullptr;
    PictureStrip* strip_ = nullptr;
    QPushButton* compare_ = nullptr;
    QLabel* status_ = nullptr;

    QAction* openAction_ = nullptr;
    QAction* reloadAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* printTicketAction_ = nullptr;
    QAction* saveTicketAction_ = nullptr;
    QAction* quitAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    RecentFiles* recent_ = nullptr;

    /// Set while an answer picks the current row, which shows the entry once.
    bool answering_ = false;
    /// The entry and catalogue number of the row the collector made current.
    std::optional<std::pair<int, std::string>> chosen_;
    /// The entry text shown, so that an unchanged one is not laid out again.
    std::string shownEntry_;
};

} // namespace explorer
