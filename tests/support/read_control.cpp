// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/read_control.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport::reads {

namespace {

// Set up before the reading thread starts and changed only by that thread
// while it reads.
struct Control {
    bool armed = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::size_t delivered = 0;
    std::size_t failAt = static_cast<std::size_t>(-1);
    std::size_t holdAt = static_cast<std::size_t>(-1);
    std::function<void()> held;
    int failures = 0;
};
Control control;

bool isTarget(int fd)
{
    struct stat info {};
    return control.armed && ::fstat(fd, &info) == 0 && info.st_dev == control.device &&
           info.st_ino == control.inode;
}

bool arm(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return false;
    }
    control = Control{};
    control.armed = true;
    control.device = info.st_dev;
    control.inode = info.st_ino;
    return true;
}

} // namespace

void failAfter(const QString& path, std::size_t goodBytes)
{
    if (arm(path)) {
        control.failAt = goodBytes;
    }
}

void holdAfter(const QString& path, std::size_t bytes, std::function<void()> held)
{
    if (arm(path)) {
        control.holdAt = bytes;
        control.held = std::move(held);
    }
}

int failures()
{
    return control.failures;
}

void reset()
{
    control = Control{};
}

} // namespace testsupport::reads

using testsupport::reads::control;

extern "C" ssize_t read(int fd, void* buf, size_t count)
{
    const bool target = testsupport::reads::isTarget(fd);
    if (target) {
        if (control.delivered >= control.holdAt && control.held) {
            const auto held = std::move(control.held);
            control.held = nullptr;
            held();
        }
        if (control.delivered >= control.failAt) {
            ++control.failures;
            errno = EIO;
            return -1;
        }
        count = std::min(count, control.failAt - control.delivered);
    }
    const auto got = static_cast<ssize_t>(::syscall(SYS_read, fd, buf, count));
    if (target && got > 0) {
        control.delivered += static_cast<std::size_t>(got);
    }
    return got;
}
