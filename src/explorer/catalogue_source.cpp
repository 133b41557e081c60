// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/catalogue_source.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrentRun>

#include <cerrno>
#include <string>

namespace explorer {

namespace {

bool there(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

/// Why nothing was read, in the explorer's words; the loader says which
/// errno stopped it.
QString problemOf(const catalogue::LoadOutcome& outcome)
{
    const auto system = [&outcome] {
        return QString::fromLocal8Bit(catalogue::ErrorText(outcome.error).c_str());
    };
    switch (outcome.kind) {
    case catalogue::LoadOutcome::Kind::NotFound:
        if (outcome.error != 0 && outcome.error != ENOENT) {
            return system();
        }
        return QCoreApplication::translate("CatalogueSource", "no such file");
    case catalogue::LoadOutcome::Kind::ReadProblem:
        if (outcome.error == EISDIR) {
            return QCoreApplication::translate("CatalogueSource", "it is a folder");
        }
        if (outcome.error != 0) {
            return system();
        }
        return QCoreApplication::translate("CatalogueSource", "read error");
    case catalogue::LoadOutcome::Kind::Loaded:
        break;
    }
    if (!outcome.regular) {
        return QCoreApplication::translate(
            "CatalogueSource", "not a regular file (a pipe or a device), so nothing was read");
    }
    return {};
}

} // namespace

QString ChooseCatalogue(const QString& remembered, const QString& xdgDataHome, const QString& home,
                        const QString& demo)
{
    // The file opened last only while it is one: gone, or a folder now, it
    // would show its failure at every start.
    if (!remembered.isEmpty() && QFileInfo(remembered).isFile()) {
        return remembered;
    }
    QString own;
    if (QDir::isAbsolutePath(xdgDataHome)) {
        own = xdgDataHome + QStringLiteral("/rovadod/ptolemy.csv");
    } else if (!home.isEmpty()) {
        own = home + QStringLiteral("/.local/share/rovadod/ptolemy.csv");
    }
    return !own.isEmpty() && there(own) ? own : demo;
}

QString InstalledDemo()
{
    // The install puts the demo at DATADIR/rovadod beside BINDIR, under any
    // prefix: a path fixed when building would miss a package's /usr.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" ROVADOD_BIN_TO_DATA "/rovadod/ptolemy.csv"));
}

CatalogueSource::CatalogueSource(QObject* parent) : QObject(parent)
{
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, [this] { load(true); });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &CatalogueSource::onFileChanged);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
            &CatalogueSource::onFolderChanged);
}

void CatalogueSource::open(const QString& path)
{
    path_ = path;
    for (const QStringList& watched : {watcher_.files(), watcher_.directories()}) {
        if (!watched.isEmpty()) {
            watcher_.removePaths(watched);
        }
    }
    settle_.stop();
    load(false);
}

void CatalogueSource::reload()
{
    settle_.stop();
    load(true);
}

void CatalogueSource::load(bool reload)
{
    watch();
    const std::uint64_t ticket = ++ticket_;
    const QString path = path_;
    const std::string bytes = QFile::encodeName(path_).toStdString();
    // The watcher is this object's child: a source gone before its load
    // ends takes the watcher along, and the pool's thread drops the result.
    auto* watcher = new QFutureWatcher<Loaded>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, ticket] {
        watcher->deleteLater();
        if (ticket == ticket_) {
            emit loaded(watcher->result());
        }
    });
    watcher->setFuture(QtConcurrent::run([path, bytes, reload] {
        catalogue::LoadedTable table = catalogue::LoadTable(bytes);
        Loaded result;
        result.path = path;
        result.reload = reload;
        result.problem = problemOf(table.outcome);
        result.table = std::move(table.table);
        return result;
    }));
}

void CatalogueSource::watch()
{
    // Editors save by writing a new file and renaming it over the old one,
    // after which the watcher has dropped the path: it is added again.
    present_ = there(path_);
    if (present_ && !watcher_.files().contains(path_)) {
        watcher_.addPath(path_);
    }
    const QString folder = QFileInfo(path_).absolutePath();
    if (!watcher_.directories().contains(folder) && QFileInfo(folder).isDir()) {
        watcher_.addPath(folder);
    }
}

void CatalogueSource::onFileChanged()
{
    settle_.start();
}

void CatalogueSource::onFolderChanged()
{
    // Other files come and go beside the catalogue; only its own coming or
    // going, or its replacement, matters here.
    if (there(path_) != present_ || (present_ && !watcher_.files().contains(path_))) {
        settle_.start();
    }
}

} // namespace explorer
