// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/program.h"

int main(int argc, char** argv)
{
    return explorer::RunExplorer(argc, argv);
}
