// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/index.h"

#include "pictures/header.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace pictures {

namespace {

constexpr std::size_t fieldCount = 8;

/// A name the index can hold and a page may ask for beside the index:
/// a plain file name, nothing that leaves the folder or breaks the line.
bool goodName(std::string_view name)
{
    if (name.empty() || name.front() == '.') {
        return false;
    }
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '/' || c == '\\') {
            return false;
        }
    }
    return true;
}

bool goodSize(std::uint64_t width, std::uint64_t height)
{
    return width > 0 && height > 0 && width <= maxPixels && height <= maxPixels &&
           width * height <= maxPixels;
}

/// Plain decimal digits only: no sign, space or '+', whatever the locale.
template <typename T> bool number(std::string_view text, T& out)
{
    if (text.empty() || text.size() > 20) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

bool signedNumber(std::string_view text, std::int64_t& out)
{
    const bool negative = !text.empty() && text.front() == '-';
    std::uint64_t magnitude = 0;
    if (!number(negative ? text.substr(1) : text, magnitude)) {
        return false;
    }
    constexpr auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (magnitude > max) {
        return false;
    }
    out = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool parseLine(std::string_view line, IndexEntry& entry)
{
    std::array<std::string_view, fieldCount> f;
    std::size_t at = 0;
    for (std::size_t i = 0; i < fieldCount; ++i) {
        const auto tab = line.find('\t', at);
        if ((tab == std::string_view::npos) != (i + 1 == fieldCount)) {
            return false;
        }
        f[i] = line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at);
        at = tab + 1;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!goodName(f[0]) || !number(f[1], width) || !number(f[2], height) ||
        !goodSize(width, height) || !number(f[3], entry.bytes) ||
        !signedNumber(f[4], entry.mtimeNs)) {
        return false;
    }
    entry.name = f[0];
    entry.width = width;
    entry.height = height;
    std::uint32_t smallWidth = 0;
    std::uint32_t smallHeight = 0;
    if (goodName(f[5]) && number(f[6], smallWidth) && number(f[7], smallHeight) &&
        goodSize(smallWidth, smallHeight)) {
        entry.small = f[5];
        entry.smallWidth = smallWidth;
        entry.smallHeight = smallHeight;
    }
    return true;
}

} // namespace

std::string WriteIndex(const std::vector<IndexEntry>& entries)
{
    std::string out(indexHeader);
    out += '\n';
    for (const IndexEntry& e : entries) {
        if (!goodName(e.name) || !goodSize(e.width, e.height)) {
            continue;
        }
        const bool small = goodName(e.small) && goodSize(e.smallWidth, e.smallHeight);
        // std::to_string writes plain digits in every locale.
        out += e.name + '\t' + std::to_string(e.width) + '\t' + std::to_string(e.height) + '\t' +
               std::to_string(e.bytes) + '\t' + std::to_string(e.mtimeNs) + '\t';
        if (small) {
            out += e.small + '\t' + std::to_string(e.smallWidth) + '\t' +
                   std::to_string(e.smallHeight);
        } else {
            out += "\t\t";
        }
        out += '\n';
    }
    return out;
}

Index ReadIndex(std::string_view text)
{
    Index index;
    std::unordered_set<std::string> seen;
    bool first = true;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (first) {
            first = false;
            if (line != indexHeader) {
                return index;
            }
            index.ok = true;
            continue;
        }
        if (line.empty()) {
            continue;
        }
        IndexEntry entry;
        if (parseLine(line, entry) && seen.insert(entry.name).second) {
            index.entries.push_back(std::move(entry));
        } else {
            ++index.skipped;
        }
    }
    return index;
}

Index ReadIndexFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return {};
    }
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto size = static_cast<std::uint64_t>(info.st_size);
        text.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, indexReadLimit)));
        std::size_t have = 0;
        while (have < text.size()) {
            const ssize_t got = ::read(fd, text.data() + have, text.size() - have);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            have += static_cast<std::size_t>(got);
        }
        text.resize(have);
        // A cut index ends on its last whole line, never inside a number.
        if (have < size) {
            const auto lastLine = text.rfind('\n');
            text.resize(lastLine == std::string::npos ? 0 : lastLine + 1);
        }
    }
    ::close(fd);
    return ReadIndex(text);
}

} // namespace pictures
