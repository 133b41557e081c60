// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for start-up: a bare Qt program that shows one text area
// and ends as soon as it is on screen.

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QPlainTextEdit area;
    area.setReadOnly(true);
    area.show();
    QTimer::singleShot(0, [] { std::_Exit(0); });
    return QApplication::exec();
}
