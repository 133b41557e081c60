// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <functional>

/// Steers the reads of one file. A test program that links read_control.cpp
/// defines read() itself, so every read in the process, the loader's
/// included, passes through it: faults and pauses come at the real read,
/// with no hook in the code under test.
namespace testsupport::reads {

/// Reads of `path` fail with EIO once `goodBytes` have been delivered.
void failAfter(const QString& path, std::size_t goodBytes);

/// The first read of `path` after `bytes` have been delivered runs `held`
/// before it goes on, on the reading thread.
void holdAfter(const QString& path, std::size_t bytes, std::function<void()> held);

/// Reads that failed since the last `failAfter`.
int failures();

/// Reads pass through untouched again.
void reset();

} // namespace testsupport::reads
