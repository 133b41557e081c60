// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/picture_loader.h"

#include <QFile>
#include <QFutureWatcher>
#include <QtConcurrentRun>

#include <algorithm>

namespace explorer {

PictureLoader::PictureLoader(QObject* parent) : QObject(parent), cache_(cacheKb)
{
    // Pictures have their own threads: a folder of large photos must not
    // hold up a catalogue's load on the shared pool.
    pool_.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

PictureLoader::~PictureLoader()
{
    pool_.clear();
    pool_.waitForDone();
}

QString PictureLoader::keyOf(const QString& base, const answer::Picture& picture, QSize box)
{
    return QStringLiteral("%1%2\t%3\t%4\t%5x%6")
        .arg(base, QFile::decodeName(picture.path.c_str()))
        .arg(picture.bytes)
        .arg(picture.mtimeNs)
        .arg(box.width())
        .arg(box.height());
}

std::optional<print::DecodedPicture> PictureLoader::get(const QString& base,
                                                        const answer::Picture& picture, QSize box)
{
    const QString key = keyOf(base, picture, box);
    if (const print::DecodedPicture* have = cache_.object(key)) {
        return *have;
    }
    if (!picture.usable()) {
        // Refused by its header when the folder was scanned: never opened.
        return print::DecodedPicture{{}, QString::fromStdString(picture.header.problem)};
    }
    if (pending_.contains(key)) {
        return std::nullopt;
    }
    pending_.insert(key);
    const QString path = base + QFile::decodeName(picture.path.c_str());
    auto* watcher = new QFutureWatcher<print::DecodedPicture>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, key] {
        watcher->deleteLater();
        pending_.remove(key);
        auto* decoded = new print::DecodedPicture(watcher->result());
        const auto kb = static_cast<int>(decoded->image.sizeInBytes() / 1024) + 1;
        cache_.insert(key, decoded, std::min(kb, cacheKb));
        emit ready(key);
    });
    watcher->setFuture(
        QtConcurrent::run(&pool_, [path, box] { return print::DecodePicture(path, box); }));
    return std::nullopt;
}

} // namespace explorer
