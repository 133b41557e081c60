// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/catalogue.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

using catalogue::Catalogue;

namespace testsupport {

/// A fresh working directory for one load; the previous one is restored on
/// destruction.
class WorkDir {
public:
    WorkDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~WorkDir() { QDir::setCurrent(previous_); }
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    [[nodiscard]] QString path() const { return dir_.path(); }
    [[nodiscard]] QString catalogue() const { return dir_.filePath("ptolemy.csv"); }

    bool write(const QByteArray& bytes) const
    {
        QFile f(catalogue());
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

private:
    QString previous_;
    QTemporaryDir dir_;
};

/// What a load wrote and how long it paused, in order.
struct LoadLog {
    std::vector<std::string> messages;
    std::vector<int> pauses;
    catalogue::LoadOutcome outcome;
};

inline LoadLog* currentLog = nullptr;

inline void recordPause(int ms)
{
    if (currentLog) {
        currentLog->pauses.push_back(ms);
    }
}

/// Loads the catalogue of the current directory from a clean state, without
/// really pausing.
inline LoadLog load()
{
    LoadLog log;
    currentLog = &log;
    Catalogue::ClearCatalogue();
    log.outcome = Catalogue::GetDatabase(
        [&log](const std::string& text) { log.messages.push_back(text); }, &recordPause);
    currentLog = nullptr;
    return log;
}

/// Writes `bytes` as ptolemy.csv in a fresh directory and loads it.
inline LoadLog loadBytes(const QByteArray& bytes)
{
    WorkDir dir;
    dir.write(bytes);
    return load();
}

inline std::string cell(const Catalogue::Column& column, int k)
{
    const auto& v = column[static_cast<std::size_t>(k)];
    return v ? *v : std::string("<unset>");
}

} // namespace testsupport
