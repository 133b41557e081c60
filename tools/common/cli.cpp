// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>

namespace cli {

namespace {

std::string_view bytesOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

Command::Command(QString name, QString description, QString epilogue)
    : name_(std::move(name)), epilogue_(std::move(epilogue)),
      help_({QStringLiteral("h"), QStringLiteral("help")},
            QStringLiteral("Show this help and exit.")),
      version_({QStringLiteral("v"), QStringLiteral("version")},
               QStringLiteral("Show the program's name and version and exit."))
{
    QCoreApplication::setApplicationName(name_);
    QCoreApplication::setApplicationVersion(QStringLiteral(ROVADOD_VERSION));
    parser_.setApplicationDescription(description);
    // Our own help and version options rather than the parser's, which
    // would end the process themselves and add Qt's --help-all.
    parser_.addOption(help_);
    parser_.addOption(version_);
}

std::optional<int> Command::parse()
{
    const bool parsed = parser_.parse(QCoreApplication::arguments());
    // --help wins over everything else on the line, even a mistake.
    if (parser_.isSet(help_)) {
        Output out;
        out.write(bytesOf(helpText().toUtf8()));
        return finish(out, 0);
    }
    if (!parsed) {
        QString message = parser_.errorText();
        // Qt words its errors as sentences; ours are clauses after "NAME: ".
        if (!message.isEmpty()) {
            message[0] = message[0].toLower();
        }
        if (message.endsWith(QLatin1Char('.'))) {
            message.chop(1);
        }
        return usageError(message);
    }
    if (parser_.isSet(version_)) {
        Output out;
        out.write(bytesOf(
            (name_ + QLatin1Char(' ') + QCoreApplication::applicationVersion() + QLatin1Char('\n'))
                .toUtf8()));
        return finish(out, 0);
    }
    return std::nullopt;
}

QString Command::helpText() const
{
    // The parser names the program as it was started (a path, perhaps); the
    // help names it as installed.
    QString text = parser_.helpText();
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    const QString started = QStringLiteral("Usage: ") + QCoreApplication::arguments().value(0);
    if (end > 0 && text.left(end).startsWith(started)) {
        text.replace(0, started.size(), QStringLiteral("Usage: ") + name_);
    }
    if (!epilogue_.isEmpty()) {
        text += QLatin1Char('\n') + epilogue_;
    }
    return text;
}

int Command::usageError(const QString& message) const
{
    return fail(bytesOf(
        (message + QStringLiteral("\nTry '") + name_ + QStringLiteral(" --help'.")).toUtf8()));
}

int Command::fail(std::string_view message, int status) const
{
    // The message goes out byte for byte: it may quote a path or a value
    // that is not UTF-8.
    const std::string line = name_.toStdString() + ": " + std::string(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return status;
}

int Command::finish(Output& out, int status) const
{
    return out.finish() ? status : fail(Output::failure);
}

} // namespace cli
