// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the whole program and, from inside its event loop, prints what the
// window shows once a given text appears, then closes the window the way a
// user would. Driven by the environment, since the program itself takes no
// options: ROVADOD_PROBE_WAIT_FOR (text prefix to wait for) and
// ROVADOD_PROBE_HOLD (milliseconds to wait after it appeared) and
// ROVADOD_PROBE_SELECT ("list:position", a selection to make before printing)
// and ROVADOD_PROBE_COPY (1: select the whole text and copy it, as Ctrl+A,
// Ctrl+C would, before closing) and ROVADOD_PROBE_STALL (1: the first read of
// ./ptolemy.csv never returns, so the loader stays busy for good).
#include "app/rovadod.h"
#include "support/read_control.h"
#include "ui/localgui.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

QPlainTextEdit* textarea()
{
    return Rovadod::lgui ? Rovadod::lgui->findChild<QPlainTextEdit*>("textarea") : nullptr;
}

void report()
{
    LocalGUI* gui = Rovadod::lgui;
    const QStringList select = qEnvironmentVariable("ROVADOD_PROBE_SELECT").split(':');
    if (select.size() == 2) {
        if (auto* list = gui->findChild<QComboBox*>(select[0])) {
            list->setCurrentIndex(select[1].toInt());
        }
    }
    if (qEnvironmentVariableIntValue("ROVADOD_PROBE_COPY") == 1) {
        textarea()->selectAll();
        textarea()->copy();
    }
    const QByteArray text = textarea()->toPlainText().toUtf8().replace('\n', "\\n");
    std::printf("text=%s\nrtl=%d\nsize=%dx%d\ntitle=%s\nstyle=%s\nclosing\n", text.constData(),
                int(gui->isRightToLeft()), gui->size().width(), gui->size().height(),
                gui->windowTitle().toUtf8().constData(), gui->style()->name().toUtf8().constData());
    std::fflush(stdout);
    gui->close();
}

void poll()
{
    const QString waitFor = qEnvironmentVariable("ROVADOD_PROBE_WAIT_FOR");
    if (textarea() && textarea()->toPlainText().startsWith(waitFor)) {
        QTimer::singleShot(qEnvironmentVariableIntValue("ROVADOD_PROBE_HOLD"), report);
        return;
    }
    QTimer::singleShot(5, poll);
}

void startProbe()
{
    // Armed before the loader's thread starts, which happens after this.
    if (qEnvironmentVariableIntValue("ROVADOD_PROBE_STALL") == 1) {
        testsupport::reads::holdAfter(QStringLiteral("ptolemy.csv"), 0, [] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::hours(1));
            }
        });
    }
    QTimer::singleShot(0, poll);
}
Q_COREAPP_STARTUP_FUNCTION(startProbe)

} // namespace

int main(int argc, char** argv)
{
    return Rovadod::main(argc, argv);
}
