// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/rovadod.h"

int main(int argc, char** argv)
{
    return Rovadod::main(argc, argv);
}
