// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

/// File names and arguments that need not be UTF-8, for the command-line
/// programs' tests: QProcess passes only text.
namespace testsupport {

/// A shell word that gives `bytes` exactly: printf with every byte in octal.
inline QByteArray shellWord(const QByteArray& bytes)
{
    QByteArray word = "\"$(printf '";
    for (const char c : bytes) {
        word += '\\' + QByteArray::number(static_cast<unsigned char>(c), 8).rightJustified(3, '0');
    }
    return word + "')\"";
}

/// Arguments for /bin/sh that run `program` with `args`, each rebuilt byte
/// for byte by the shell.
inline QStringList rawArgsThroughShell(const QString& program, const QList<QByteArray>& args)
{
    QByteArray script = "exec \"$0\"";
    for (const QByteArray& arg : args) {
        script += ' ' + shellWord(arg);
    }
    return {QStringLiteral("-c"), QString::fromLatin1(script), program};
}

/// Writes `bytes` to the file named `name` in `dir`, a name that need not be
/// UTF-8.
inline bool writeRawName(const QString& dir, const QByteArray& name, const QByteArray& bytes)
{
    const QByteArray path = QFile::encodeName(dir) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) ==
                         static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && written;
}

} // namespace testsupport
