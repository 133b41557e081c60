// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/program.h"

#include "explorer/catalogue_source.h"
#include "explorer/explorer_window.h"
#include "explorer/recent_files.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace explorer {

namespace {

/// The longest a window waits for its catalogue before it shows.
constexpr int showWithinMs = 200;

QString translated(const char* text)
{
    return QCoreApplication::translate("RunExplorer", text);
}

/// Reports a wrong command line as "rovadod-explorer: MESSAGE" with the
/// usage line; returns the exit status.
int usageError(const QString& message)
{
    std::fprintf(stderr, "rovadod-explorer: %s\n%s", qPrintable(message),
                 qPrintable(translated("Usage: rovadod-explorer [FILE]\n")));
    return 2;
}

} // namespace

int RunExplorer(int argc, char** argv)
{
    QCoreApplication::setApplicationVersion(QStringLiteral(ROVADOD_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        translated("Finds the catalogue entries that fit a coin, also a worn one, in a window."));
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        translated("The catalogue to open; without it, the one opened last, else\n"
                   "$XDG_DATA_HOME/rovadod/ptolemy.csv\n"
                   "(~/.local/share/rovadod/ptolemy.csv), else the demo catalogue."),
        QStringLiteral("[FILE]"));
    // Qt's wording, but not its --help-all: Qt's own options are not
    // passed on, so that a file called "-style" is a file.
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help")},
        QCoreApplication::translate("QCommandLineParser", "Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    QStringList arguments;
    for (int k = 0; k < argc; ++k) {
        arguments << QFile::decodeName(argv[k]);
    }
    if (!parser.parse(arguments)) {
        QString message = parser.errorText();
        // Qt words its errors as sentences; ours are clauses after the name.
        if (!message.isEmpty()) {
            message[0] = message[0].toLower();
        }
        if (message.endsWith(QLatin1Char('.'))) {
            message.chop(1);
        }
        return usageError(message);
    }
    static char fallbackName[] = "rovadod-explorer";
    static int qtArgc = 1;
    static char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    if (parser.isSet(help)) {
        // The help names the program as it was started, which Qt takes from
        // an application object; no window, so it needs no display.
        const QCoreApplication named(qtArgc, qtArgv);
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("rovadod-explorer %s\n", ROVADOD_VERSION);
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        return usageError(translated("only one FILE can be opened"));
    }
    const std::optional<QString> file =
        files.isEmpty() ? std::nullopt : std::optional<QString>(files.front());
    // Qt sees only the program name: a file called "-style" is a file.
    QApplication app(qtArgc, qtArgv);
    // Settings land in ~/.config/rovadod/rovadod-explorer.conf.
    QCoreApplication::setOrganizationName(QStringLiteral("rovadod"));
    QCoreApplication::setApplicationName(QStringLiteral("rovadod-explorer"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Rovadod Explorer"));
    QGuiApplication::setDesktopFileName(QStringLiteral(ROVADOD_EXPLORER_ID));

    const QString remembered = RecentFiles::last(QSettings());
    ExplorerWindow window(file ? *file
                               : ChooseCatalogue(remembered, qEnvironmentVariable("XDG_DATA_HOME"),
                                                 qEnvironmentVariable("HOME"), InstalledDemo()));
    // Shown once its catalogue is in, so that the first frame already holds
    // the candidates; a file that takes long shows it empty meanwhile.
    const auto showOnce = [&window] {
        if (!window.isVisible()) {
            window.show();
        }
    };
    QObject::connect(&window, &ExplorerWindow::catalogueShown, &window, showOnce,
                     Qt::SingleShotConnection);
    QTimer::singleShot(showWithinMs, &window, showOnce);
    return QApplication::exec();
}

} // namespace explorer
