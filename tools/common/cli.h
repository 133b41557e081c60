// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "output.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

/// What the command-line tools share: name and version, --help and
/// --version, and one wording for a wrong command line.
namespace cli {

/// The program's arguments as the parser takes them. Valid UTF-8 reads as
/// QCoreApplication::arguments() reads it; each byte that is not (a file
/// name in Latin-1, say) becomes a lone surrogate, U+DC80 to U+DCFF, which
/// no decoded text holds, so `Bytes` gives the argument back exactly.
QStringList Arguments(int argc, const char* const* argv);

/// The bytes of an argument, or of an option's value, as they were given.
std::string Bytes(const QString& argument);

class Command {
public:
    /// `name` is the program's name, e.g. "rovadod-find"; `description`
    /// comes after the usage line of --help and `epilogue` after the list of
    /// options. Needs a QCoreApplication.
    Command(QString name, QString description, QString epilogue = {});

    /// The parser, for the program's own options and arguments.
    QCommandLineParser& parser() { return parser_; }

    /// Parses the program's arguments (main's `argc` and `argv`, after the
    /// QCoreApplication has seen them); values and positional arguments go
    /// through `Bytes` to reach the bytes given. Returns the exit status when
    /// the program ends here: 0 after printing --help or --version (2 when
    /// they cannot be written), 2 after a wrong command line (reported);
    /// nothing when it goes on.
    std::optional<int> parse(int argc, const char* const* argv);

    /// The whole --help text.
    [[nodiscard]] QString helpText() const;

    /// Reports a wrong command line on standard error as
    /// "NAME: MESSAGE" and "Try 'NAME --help'."; returns 2.
    int usageError(const QString& message) const;

    /// Reports a failure other than the command line on standard error as
    /// "NAME: MESSAGE"; returns `status`.
    int fail(std::string_view message, int status = 2) const;

    /// Finishes `out`: `status` when all of it was written, otherwise
    /// reports "NAME: cannot write the output" and returns 2.
    int finish(Output& out, int status) const;

private:
    QString name_;
    QString epilogue_;
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
};

} // namespace cli
