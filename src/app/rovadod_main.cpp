// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/message_sink.h"
#include "app/rovadod.h"
#include "ui/localgui.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

int Rovadod::main(int argc, char** argv)
{
    // The program takes no options: Qt sees only the program name, so
    // "-reverse", "-style" and the like change nothing.
    static char fallbackName[] = "rovadod";
    static int qtArgc = 1;
    static char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};

    int status = 0;
    {
        QApplication app(qtArgc, qtArgv);
        QApplication::setApplicationName("rovadod");
        QGuiApplication::setDesktopFileName("org.rovadod.rovadod");

        LocalGUI window;
        lgui = &window;
        const auto messages = std::make_shared<MessageSink>(
            [&window](const std::string& text) { window.postText(text); });
        // The event loop stays on this thread; the catalogue loads beside it.
        // The loader is never joined: it may wait for good on a file that
        // never ends.
        std::thread([messages] {
            GetDatabase([&messages](const std::string& text) { messages->write(text); });
        }).detach();

        status = QApplication::exec();
        // From here on the loader, still reading or waiting, no longer
        // reaches the window; a message it is handing over finishes first.
        messages->close();
        lgui = nullptr;
    } // The window goes, then the application; on X11 its teardown hands the
      // clipboard's content to the desktop's clipboard manager.

    // The loader may still be reading into the catalogue, so no static
    // destructor may run.
    std::fflush(nullptr);
    std::_Exit(status);
}
