// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "output.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <optional>
#include <string_view>

/// What the command-line tools share: name and version, --help and
/// --version, and one wording for a wrong command line.
namespace cli {

class Command {
public:
    /// `name` is the program's name, e.g. "rovadod-find"; `description`
    /// comes after the usage line of --help and `epilogue` after the list of
    /// options. Needs a QCoreApplication.
    Command(QString name, QString description, QString epilogue = {});

    /// The parser, for the program's own options and arguments.
    QCommandLineParser& parser() { return parser_; }

    /// Parses the application's arguments. Returns the exit status when the
    /// program ends here: 0 after printing --help or --version (2 when they
    /// cannot be written), 2 after a wrong command line (reported); nothing
    /// when it goes on.
    std::optional<int> parse();

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
