// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/pictures.h"
#include "print/picture.h"

#include <QCache>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <optional>

namespace explorer {

/// Pictures decoded off the window's thread at the size they are shown, and
/// kept: a picture is known by its file, its size and time on disk and the
/// size it is shown at, so a picture changed on disk is read again.
class PictureLoader : public QObject {
    Q_OBJECT

public:
    explicit PictureLoader(QObject* parent = nullptr);
    ~PictureLoader() override;
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    /// What names `picture` of `base` decoded for `box` (empty: full size).
    static QString keyOf(const QString& base, const answer::Picture& picture, QSize box);

    /// The picture decoded for `box` when it is ready; otherwise nothing,
    /// and its decoding starts (once), `ready` following with its key.
    std::optional<print::DecodedPicture> get(const QString& base, const answer::Picture& picture,
                                             QSize box);

    /// Most decoded pixels kept, in KB.
    static constexpr int cacheKb = 192 * 1024;

signals:
    void ready(const QString& key);

private:
    QThreadPool pool_;
    QCache<QString, print::DecodedPicture> cache_;
    QSet<QString> pending_;
};

} // namespace explorer
