// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/program.h"

#include "explorer/catalogue_source.h"
#include "explorer/explorer_window.h"
#include "explorer/recent_files.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <string_view>

namespace explorer {

namespace {

/// The longest a window waits for its catalogue before it shows.
constexpr int showWithinMs = 200;

constexpr std::string_view usage = "Usage: rovadod-explorer [FILE]\n";

constexpr std::string_view help =
    "Usage: rovadod-explorer [FILE]\n"
    "Finds the catalogue entries that fit a coin, also a worn one, in a window.\n"
    "FILE is the catalogue to open; without it, the one opened last, else\n"
    "$XDG_DATA_HOME/rovadod/ptolemy.csv (~/.local/share/rovadod/ptolemy.csv),\n"
    "else the demo catalogue.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Displays help on commandline options.\n"
    "  -v, --version  Displays version information.\n"
    "  --             Ends the options: a FILE beginning with - follows.\n";

/// The file named on the command line; nothing when none is. Sets `status`
/// when the program is to end at once.
std::optional<QString> readArguments(int argc, char** argv, std::optional<int>& status)
{
    std::optional<QString> file;
    bool options = true;
    for (int k = 1; k < argc; ++k) {
        const std::string_view arg = argv[k];
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "-h" || arg == "--help")) {
            std::fputs(help.data(), stdout);
            status = 0;
            return {};
        } else if (options && (arg == "-v" || arg == "--version")) {
            std::printf("rovadod-explorer %s\n", ROVADOD_VERSION);
            status = 0;
            return {};
        } else if (options && arg.size() > 1 && arg.front() == '-') {
            std::fprintf(stderr, "rovadod-explorer: unknown option %s\n%s", argv[k], usage.data());
            status = 2;
            return {};
        } else if (file) {
            std::fprintf(stderr, "rovadod-explorer: only one FILE can be opened\n%s", usage.data());
            status = 2;
            return {};
        } else {
            file = QFile::decodeName(argv[k]);
        }
    }
    return file;
}

} // namespace

int RunExplorer(int argc, char** argv)
{
    std::optional<int> status;
    const std::optional<QString> file = readArguments(argc, argv, status);
    if (status) {
        return *status;
    }
    // Qt sees only the program name: a file called "-style" is a file.
    static char fallbackName[] = "rovadod-explorer";
    static int qtArgc = 1;
    static char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication app(qtArgc, qtArgv);
    // Settings land in ~/.config/rovadod/rovadod-explorer.conf.
    QCoreApplication::setOrganizationName(QStringLiteral("rovadod"));
    QCoreApplication::setApplicationName(QStringLiteral("rovadod-explorer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROVADOD_VERSION));
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
