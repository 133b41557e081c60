// SPDX-License-Identifier: GPL-3.0-or-later
// Rovadod Explorer, ending itself as soon as its candidate table is filled
// from the catalogue named on the command line: the start-up benchmark
// times this against startup_bare.

#include "explorer/explorer_window.h"
#include "explorer/program.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTableView>
#include <QTimer>

#include <cstdlib>

namespace {

void exitWhenFilled(const QTableView* table)
{
    if (table->model()->rowCount() > 0) {
        std::_Exit(0);
    }
}

// Runs inside RunExplorer once QApplication exists; the timer fires when the
// event loop runs, by which time the window has been built.
void watchTable()
{
    QTimer::singleShot(0, [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<explorer::ExplorerWindow*>(widget)) {
                const auto* table = window->findChild<QTableView*>(QStringLiteral("candidates"));
                QObject::connect(window, &explorer::ExplorerWindow::catalogueShown,
                                 [table] { exitWhenFilled(table); });
                exitWhenFilled(table);
                return;
            }
        }
        std::_Exit(2); // no window: the benchmark reports the failure
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchTable)

int main(int argc, char** argv)
{
    return explorer::RunExplorer(argc, argv);
}
