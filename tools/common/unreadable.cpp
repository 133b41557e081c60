// SPDX-License-Identifier: GPL-3.0-or-later
#include "unreadable.h"

#include "catalogue/messages.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

// The loader keeps no errno, so the file is looked at again: "no such file"
// or "read error" when it has changed meanwhile.

std::string whyNotFound(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno != ENOENT) {
        return std::strerror(errno); // a folder on the way that cannot be searched, say
    }
    return "no such file";
}

std::string whyUnreadable(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return "is a directory";
    }
    // O_NONBLOCK: a named pipe put there since the load must not hold the
    // report up waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    ::close(fd);
    return "read error";
}

std::string windowWouldShow(std::string_view message)
{
    return " (the window would show \"" + std::string(message) + "\")";
}

} // namespace

std::string CatalogueProblem(const std::string& path, const catalogue::LoadOutcome& outcome)
{
    switch (outcome.kind) {
    case catalogue::LoadOutcome::Kind::NotFound:
        return whyNotFound(path) + windowWouldShow(messages::notFound);
    case catalogue::LoadOutcome::Kind::ReadProblem:
        return whyUnreadable(path) + windowWouldShow(messages::problem);
    case catalogue::LoadOutcome::Kind::Loaded:
        break;
    }
    // The loader reads nothing from a pipe or a device, so "0 entries" would
    // pass for an empty catalogue.
    if (!outcome.regular) {
        return "not a regular file: the window reads nothing from a pipe or a device (it would "
               "show 0 entries read)";
    }
    return {};
}

} // namespace cli
