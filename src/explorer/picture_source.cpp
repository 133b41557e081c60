// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/picture_source.h"

#include "pictures/scan.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrentRun>

#include <sys/stat.h>

namespace explorer {

PictureSource::PictureSource(QObject* parent)
    : QObject(parent), pictures_(std::make_shared<const answer::Pictures>())
{
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, &PictureSource::scan);
    recheck_.setInterval(recheckMs);
    connect(&recheck_, &QTimer::timeout, this, &PictureSource::recheck);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& changed) {
        // Beside the catalogue only the folder's coming or going matters.
        if (changed == folder_ || QFileInfo(folder_).isDir() != present_) {
            settle_.start();
        }
    });
}

void PictureSource::open(const QString& cataloguePath,
                         std::shared_ptr<const catalogue::Table> table)
{
    path_ = cataloguePath;
    folder_ =
        QFile::decodeName(pictures::FolderBeside(QFile::encodeName(path_).toStdString()).c_str());
    table_ = std::move(table);
    settle_.stop();
    scan();
}

std::shared_ptr<const answer::Pictures> PictureSource::current() const
{
    if (!table_ || pictures_->byEntry.size() == static_cast<std::size_t>(table_->entries())) {
        return pictures_;
    }
    return std::make_shared<const answer::Pictures>(
        answer::PicturesOf(QFile::encodeName(path_).toStdString(), table_->view()));
}

void PictureSource::setShown(std::vector<answer::Picture> shown)
{
    shown_ = std::move(shown);
    if (shown_.empty()) {
        recheck_.stop();
    } else if (!recheck_.isActive()) {
        recheck_.start();
    }
}

void PictureSource::watch()
{
    const QStringList had = watcher_.directories();
    const QString beside = QFileInfo(path_).absolutePath();
    present_ = QFileInfo(folder_).isDir();
    QStringList wanted{beside};
    if (present_) {
        wanted << folder_;
    }
    for (const QString& dir : had) {
        if (!wanted.contains(dir)) {
            watcher_.removePath(dir);
        }
    }
    for (const QString& dir : wanted) {
        if (!had.contains(dir) && QFileInfo(dir).isDir()) {
            watcher_.addPath(dir);
        }
    }
}

void PictureSource::scan()
{
    watch();
    const std::uint64_t ticket = ++ticket_;
    auto* watcher = new QFutureWatcher<std::shared_ptr<const answer::Pictures>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, ticket] {
        watcher->deleteLater();
        if (ticket == ticket_) {
            pictures_ = watcher->result();
            emit changed();
        }
    });
    watcher->setFuture(QtConcurrent::run([path = QFile::encodeName(path_).toStdString(),
                                          table =
                                              table_]() -> std::shared_ptr<const answer::Pictures> {
        if (!table || path.empty()) {
            return std::make_shared<const answer::Pictures>();
        }
        return std::make_shared<const answer::Pictures>(answer::PicturesOf(path, table->view()));
    }));
}

void PictureSource::recheck()
{
    if (checking_ || shown_.empty()) {
        return;
    }
    checking_ = true;
    auto* watcher = new QFutureWatcher<bool>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        checking_ = false;
        if (watcher->result() && !settle_.isActive()) {
            settle_.start();
        }
    });
    // A stat of a few files, but on a slow disk still not on this thread.
    watcher->setFuture(QtConcurrent::run([shown = shown_, base = pictures_->base] {
        for (const answer::Picture& picture : shown) {
            struct stat info {};
            const std::string where = base + picture.path;
            if (::stat(where.c_str(), &info) != 0) {
                // A link loop or a broken link stays so; a picture gone is news.
                if (!picture.usable()) {
                    continue;
                }
                return true;
            }
            const std::int64_t mtime =
                static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                info.st_mtim.tv_nsec;
            if (static_cast<std::uint64_t>(info.st_size) != picture.bytes ||
                mtime != picture.mtimeNs) {
                return true;
            }
        }
        return false;
    }));
}

} // namespace explorer
