// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/table.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>

namespace explorer {

/// One load of a catalogue file, handed over whole.
struct Loaded {
    QString path;
    std::shared_ptr<const catalogue::Table> table; ///< never null
    /// Why nothing was read, for a person: "no such file", "Permission
    /// denied", "not a regular file ..."; empty when the file was read.
    QString problem;
    bool reload = false; ///< the file changed on disk, or Reload was asked for
};

/// Where to look when no file is named: the file opened last while it is a
/// regular file, else the collector's own catalogue, else the demo. The collector's is
/// $XDG_DATA_HOME/rovadod/ptolemy.csv when XDG_DATA_HOME is absolute,
/// ~/.local/share/rovadod/ptolemy.csv otherwise; one that is there but
/// unreadable still wins, and so does a link to a missing one.
QString ChooseCatalogue(const QString& remembered, const QString& xdgDataHome, const QString& home,
                        const QString& demo);

/// The demo catalogue installed beside the program.
QString InstalledDemo();

/// The catalogue file the explorer has open. Loads run on Qt's thread pool
/// and arrive whole through `loaded`, on the thread that owns the
/// source, so a slow disk never holds the window up. While a file is open
/// it is watched, and loaded again shortly after it changes on disk, also
/// when an editor replaced it or it reappears.
class CatalogueSource : public QObject {
    Q_OBJECT

public:
    explicit CatalogueSource(QObject* parent = nullptr);

    /// Opens `path`: loads it and watches it from now on.
    void open(const QString& path);
    /// Loads the open file again.
    void reload();
    [[nodiscard]] QString path() const { return path_; }

    /// How long a change on disk settles before the file is loaded again:
    /// editors and spreadsheets write in several steps.
    static constexpr int settleMs = 150;

signals:
    /// The latest load of the open file has ended; earlier loads that end
    /// later are dropped.
    void loaded(const explorer::Loaded& result);

private:
    void load(bool reload);
    void watch();
    void onFileChanged();
    void onFolderChanged();

    QString path_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::uint64_t ticket_ = 0;
    bool present_ = false; ///< the file was there at the last look
};

} // namespace explorer
