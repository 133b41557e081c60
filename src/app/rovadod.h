// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"

class LocalGUI;

/// The program's main class: the catalogue's state and loader come from the
/// core, the window and the entry are the program's own. Used only through
/// its class-level members.
class Rovadod : public catalogue::Catalogue {
public:
    /// The window while `main` runs its event loop; null before and after.
    static inline LocalGUI* lgui = nullptr;

    /// The program's entry: builds the window, loads the catalogue on a
    /// thread of its own and runs the event loop until the window closes,
    /// then tears the window and the application down and ends the process
    /// with the loop's status (0). Arguments are ignored.
    static int main(int argc, char** argv);
};
