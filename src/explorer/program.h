// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace explorer {

/// rovadod-explorer [FILE]: opens FILE, else the catalogue opened last,
/// else the collector's own, else the demo, and runs the window until it
/// closes. Returns the exit status.
int RunExplorer(int argc, char** argv);

} // namespace explorer
