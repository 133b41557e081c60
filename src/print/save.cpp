// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/save.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace print {

std::optional<QString> SaveWhole(const QString& path,
                                 const std::function<std::optional<QString>(QIODevice&)>& write)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return QStringLiteral("not a regular file");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    if (const std::optional<QString> problem = write(file)) {
        file.cancelWriting();
        return problem;
    }
    // Qt 6.4's commit() overlooks a failure of the last flush (a disk that
    // fills up then) and renames a cut-off file into place; flushing first
    // catches it, and the temporary goes with `file`.
    errno = 0;
    if (!file.flush()) {
        // Qt gives no reason for a write that stopped part way; the system does.
        const QString why =
            errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

} // namespace print
