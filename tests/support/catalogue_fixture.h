#pragma once

#include "catalogue/catalogue.h"
#include "lookup/search.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
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

/// What searches saw while the catalogue loaded beside them.
struct ConcurrentLoad {
    /// Each distinct result in the order seen, with the count read before it.
    std::vector<std::pair<std::int32_t, std::string>> seen;
    long searchesDuringLoad = 0; ///< searches that began and ended mid-load
};

/// Loads the current directory's catalogue on a thread of its own while this
/// thread searches with `codes` without pause. The load holds at its first
/// message until a search has run, so at least one search overlaps it
/// however fast the load is.
inline ConcurrentLoad searchWhileLoading(const lookup::Codes& codes)
{
    enum Phase { before, loading, done };
    std::atomic<int> phase{before};
    std::atomic<long> during{0};
    Catalogue::ClearCatalogue();
    std::thread loader([&phase, &during] {
        Catalogue::GetDatabase(
            [&phase, &during](const std::string&) {
                if (phase.exchange(loading) == before) {
                    const auto deadline =
                        std::chrono::steady_clock::now() + std::chrono::seconds(10);
                    while (during.load() == 0 && std::chrono::steady_clock::now() < deadline) {
                        std::this_thread::yield();
                    }
                }
            },
            [](int) {});
        phase.store(done);
    });
    ConcurrentLoad result;
    while (phase.load() != done) {
        const bool started = phase.load() == loading;
        const std::int32_t count = Catalogue::numentries.load();
        std::string found = lookup::FindMatches(codes);
        if (started && phase.load() == loading) {
            during.fetch_add(1);
        }
        if (result.seen.empty() || result.seen.back().second != found) {
            result.seen.emplace_back(count, std::move(found));
        }
    }
    loader.join();
    result.searchesDuringLoad = during.load();
    return result;
}

} // namespace testsupport
