// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace print {

/// Writes what `write` puts out to `path` whole or not at all: into a
/// temporary file that is renamed into place once all of it is on disk, so
/// a full disk leaves an earlier file as it was. A path that is there but
/// is not a regular file (a named pipe, a device, a folder) is refused
/// rather than replaced. `write` returns what went wrong, or nothing; so
/// does this.
std::optional<QString> SaveWhole(const QString& path,
                                 const std::function<std::optional<QString>(QIODevice&)>& write);

} // namespace print
