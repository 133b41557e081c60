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

constexpr char16_t firstEscape = 0xDC80; // stands for byte 0x80; 0xDCFF for 0xFF

/// Length of the UTF-8 sequence a lead byte starts, 0 for a byte that
/// starts none.
qsizetype sequenceLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

QString decode(QByteArrayView arg)
{
    if (arg.isValidUtf8()) {
        return QString::fromUtf8(arg);
    }
    QString text;
    qsizetype at = 0;
    while (at < arg.size()) {
        const auto lead = static_cast<unsigned char>(arg[at]);
        const qsizetype n = sequenceLength(lead);
        if (n > 0 && at + n <= arg.size() && arg.sliced(at, n).isValidUtf8()) {
            text += QString::fromUtf8(arg.sliced(at, n));
            at += n;
        } else {
            text += QChar(static_cast<char16_t>(firstEscape - 0x80 + lead));
            ++at;
        }
    }
    return text;
}

bool isEscape(QStringView text, qsizetype at)
{
    const char16_t unit = text[at].unicode();
    // A low surrogate after a high one is half of a real character.
    return unit >= firstEscape && unit <= firstEscape + 0x7F &&
           (at == 0 || !text[at - 1].isHighSurrogate());
}

} // namespace

QStringList Arguments(int argc, const char* const* argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << decode(QByteArrayView(argv[i]));
    }
    return arguments;
}

std::string Bytes(const QString& argument)
{
    std::string bytes;
    qsizetype run = 0; // start of the text not yet converted
    for (qsizetype at = 0; at < argument.size(); ++at) {
        if (isEscape(argument, at)) {
            bytes += bytesOf(QStringView(argument).sliced(run, at - run).toUtf8());
            bytes += static_cast<char>(argument[at].unicode() - firstEscape + 0x80);
            run = at + 1;
        }
    }
    bytes += bytesOf(QStringView(argument).sliced(run).toUtf8());
    return bytes;
}

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

std::optional<int> Command::parse(int argc, const char* const* argv)
{
    // Not QCoreApplication::arguments(): it turns bytes that are not UTF-8
    // into U+FFFD, and a file with such a name could not be opened.
    const bool parsed = parser_.parse(Arguments(argc, argv));
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
