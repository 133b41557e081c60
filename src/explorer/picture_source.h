// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/pictures.h"
#include "catalogue/table.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

namespace explorer {

/// The pictures in `images/` beside the open catalogue, assigned to its
/// entries. Scans run on Qt's thread pool and arrive whole through
/// `changed`. The folder is watched, and scanned again shortly after a
/// picture is added, replaced or removed; a folder watch misses a file
/// overwritten in place, so the pictures shown are looked at again every
/// `recheckMs` as well.
class PictureSource : public QObject {
    Q_OBJECT

public:
    explicit PictureSource(QObject* parent = nullptr);

    /// Scans the folder beside `cataloguePath` for `table`'s entries, now
    /// and whenever it changes.
    void open(const QString& cataloguePath, std::shared_ptr<const catalogue::Table> table);
    /// The latest scan; never null.
    [[nodiscard]] const std::shared_ptr<const answer::Pictures>& pictures() const
    {
        return pictures_;
    }
    /// The pictures of the open catalogue's entries now: the latest scan when
    /// it is of this catalogue, else a scan made at once. Files written for
    /// the collector (exports, tickets) must not depend on a scan's timing.
    [[nodiscard]] std::shared_ptr<const answer::Pictures> current() const;
    /// The pictures on screen, whose size and time are looked at again.
    void setShown(std::vector<answer::Picture> shown);

    static constexpr int settleMs = 150;
    static constexpr int recheckMs = 1000;

signals:
    /// A scan ended with `pictures()` new.
    void changed();

private:
    void scan();
    void watch();
    void recheck();

    QString path_;
    QString folder_;
    std::shared_ptr<const catalogue::Table> table_;
    std::shared_ptr<const answer::Pictures> pictures_;
    std::vector<answer::Picture> shown_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QTimer recheck_;
    std::uint64_t ticket_ = 0;
    bool checking_ = false;
    bool present_ = false; ///< the folder was there at the last look
};

} // namespace explorer
