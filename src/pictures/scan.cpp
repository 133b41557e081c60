// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/scan.h"

#include "catalogue/catalogue.h"
#include "pictures/match.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace pictures {

namespace {

std::int64_t mtimeOf(const struct stat& info)
{
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
           static_cast<std::int64_t>(info.st_mtim.tv_nsec);
}

/// The real path of `path`, every link resolved; empty with `error` set
/// when it cannot be resolved (ELOOP for a loop, ENOENT for a dangling link).
std::string realPath(const std::string& path, int& error)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
        error = errno;
        return {};
    }
    error = 0;
    return resolved.get();
}

/// Reads the header of the regular file `name` opened in `dir`, never
/// through a link and never waiting: a named pipe swapped in since the
/// look-up is seen on the open descriptor and not read.
void readEntry(int dir, const char* name, File& file)
{
    const int fd = ::openat(dir, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0) {
        const int error = errno;
        file.header = error == ELOOP ? Refused(Problem::NotRegular)
                                     : Refused(Problem::Unreadable, catalogue::ErrorText(error));
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        file.header = Refused(Problem::Unreadable, catalogue::ErrorText(errno));
    } else if (S_ISDIR(info.st_mode)) {
        file.header = Refused(Problem::Folder);
    } else if (!S_ISREG(info.st_mode)) {
        file.header = Refused(Problem::NotRegular);
    } else {
        file.bytes = static_cast<std::uint64_t>(info.st_size);
        file.mtimeNs = mtimeOf(info);
        file.header = ReadHeaderFd(fd, file.bytes);
    }
    ::close(fd);
}

/// Reads the target of the link `file.name` if it lies directly in the
/// folder `inside` (its real path, ending in '/'). False for a link to a
/// folder not named like a picture, which is skipped as such a folder is.
bool readLink(int dir, const std::string& inside, File& file)
{
    int error = 0;
    const std::string target = realPath(inside + file.name, error);
    struct stat info {};
    if (target.empty()) {
        file.header = error == ELOOP    ? Refused(Problem::LinkLoop)
                      : error == ENOENT ? Refused(Problem::LinkBroken)
                                        : Refused(Problem::Unreadable, catalogue::ErrorText(error));
    } else if (target.compare(0, inside.size(), inside) != 0 ||
               target.find('/', inside.size()) != std::string::npos) {
        // Inside means directly in the folder: a link into a subfolder
        // would show what the scan does not list.
        file.header = Refused(Problem::LinkOutside);
    } else if (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        if (!file.pictureName) {
            return false;
        }
        file.header = Refused(Problem::Folder);
    } else {
        readEntry(dir, target.c_str() + inside.size(), file);
    }
    return true;
}

} // namespace

std::string FolderBeside(const std::string& cataloguePath)
{
    const auto slash = cataloguePath.rfind('/');
    if (slash == std::string::npos) {
        return std::string(folderName);
    }
    return cataloguePath.substr(0, slash + 1) + std::string(folderName);
}

Scan ScanFolder(const std::string& folder)
{
    Scan scan;
    int error = 0;
    const std::string root = realPath(folder, error);
    if (root.empty()) {
        if (error != ENOENT && error != ENOTDIR) {
            scan.problem = catalogue::ErrorText(error);
        }
        return scan;
    }
    const int dirFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        error = errno;
        if (error != ENOTDIR) {
            scan.problem = catalogue::ErrorText(error);
        }
        return scan;
    }
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        scan.problem = catalogue::ErrorText(errno);
        ::close(dirFd);
        return scan;
    }
    scan.found = true;
    const std::string inside = root == "/" ? root : root + "/";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.front() == '.') {
            continue;
        }
        File file;
        file.name = name;
        file.pictureName = IsPictureName(name);
        struct stat info {};
        if (::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            file.header = Refused(Problem::Unreadable, catalogue::ErrorText(errno));
        } else if (S_ISLNK(info.st_mode)) {
            // Size and time are the target's, once it is read.
            if (!readLink(dirFd, inside, file)) {
                continue;
            }
        } else {
            file.bytes = static_cast<std::uint64_t>(info.st_size);
            file.mtimeNs = mtimeOf(info);
            if (S_ISDIR(info.st_mode)) {
                if (!file.pictureName) {
                    continue; // the keeper's own subfolders are not looked into
                }
                file.header = Refused(Problem::Folder);
            } else if (!S_ISREG(info.st_mode)) {
                file.header = Refused(Problem::NotRegular);
            } else {
                readEntry(dirFd, name.c_str(), file);
            }
        }
        if (file.header.ok() && !file.pictureName) {
            Header named = Refused(Problem::WrongName);
            named.format = file.header.format;
            named.width = file.header.width;
            named.height = file.header.height;
            file.header = named;
        }
        scan.files.push_back(std::move(file));
    }
    ::closedir(dir);
    std::sort(scan.files.begin(), scan.files.end(),
              [](const File& a, const File& b) { return a.name < b.name; });
    return scan;
}

} // namespace pictures
