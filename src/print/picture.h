// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

/// A keeper's picture read for painting, by the window and on tickets alike.
namespace print {

/// Qt's limit for one picture's pixels in memory, in MB: 50 megapixels of
/// 32-bit colour are 200 MB.
inline constexpr int pictureAllocationMb = 256;

struct DecodedPicture {
    QImage image;    ///< null when it cannot be shown
    QString problem; ///< why not, for a person; empty when shown
};

/// Reads the picture at `path` turned upright by its EXIF orientation and
/// scaled while it decodes to fit `box` (aspect kept; never enlarged; an
/// empty box: full size). Its header is read first, so a file over 50
/// megapixels, a folder, a named pipe (never waited for) or anything but
/// JPEG, PNG and WebP is refused before any decoding; so is a JPEG without
/// its end. Any thread may call it.
DecodedPicture DecodePicture(const QString& path, QSize box = {});

} // namespace print
