#include "app/rovadod.h"
#include "ui/localgui.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <thread>

int Rovadod::main(int argc, char** argv)
{
    // The program takes no options: Qt sees only the program name, so
    // "-reverse", "-style" and the like change nothing.
    static char fallbackName[] = "rovadod";
    static int qtArgc = 1;
    static char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};

    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName("rovadod");
    QGuiApplication::setDesktopFileName("org.rovadod.rovadod");

    lgui = new LocalGUI(); // lives until the process ends
    LocalGUI* window = lgui;
    // The event loop stays on this thread; the catalogue loads beside it.
    std::thread([window] {
        GetDatabase([window](const std::string& text) { window->postText(text); });
    }).detach();

    QApplication::exec();
    std::fflush(nullptr);
    std::_Exit(0);
}
