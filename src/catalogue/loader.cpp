// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "catalogue/line_reader.h"
#include "catalogue/messages.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace catalogue {

namespace {

bool isBlank(const std::string& v)
{
    return v.empty() || v == " ";
}

/// Closes the descriptor when the load ends, however it ends.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    // A failed close of a read-only file loses nothing, so it is not an error.
    ~FileHandle()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    [[nodiscard]] int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

void ApplyFill(std::string& v, Fill fill)
{
    switch (fill) {
    case Fill::Verbatim:
    case Fill::Keep:
        break;
    case Fill::NaOnBlank:
        if (isBlank(v)) {
            v = "n/a";
        }
        break;
    case Fill::NaOrMm:
        v = isBlank(v) ? std::string("n/a") : v.append("mm");
        break;
    case Fill::NaOrDot:
        v = isBlank(v) ? std::string("n/a") : v.append(".");
        break;
    case Fill::NoneOnEmpty:
        if (v.empty()) {
            v = "-NONE-";
        }
        break;
    }
}

LoadOutcome Catalogue::GetDatabase(const Output& out, Pause pause)
{
    return GetDatabaseFrom(std::string(filename), out, pause);
}

LoadOutcome Catalogue::GetDatabaseFrom(const std::string& path, const Output& out, Pause pause)
{
    numentries.store(0, std::memory_order_release);
    out(std::string(messages::reading));

    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        out(std::string(messages::notFound));
        pause(3000);
        return {LoadOutcome::Kind::NotFound, 0};
    }

    std::int32_t stored = 0;
    bool failed = false;
    bool regular = false;
    try {
        // Without O_NONBLOCK, opening a named pipe waits for a writer, for
        // good when there is none.
        FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        // The type and size are those of the file opened, whatever the name
        // has come to mean since the stat above.
        failed = file.get() < 0 || ::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode);
        regular = !failed && S_ISREG(info.st_mode);
        // A pipe's or a device's read could wait for good, so only a regular
        // file is read, and with blocking reads again.
        if (regular) {
            const int flags = ::fcntl(file.get(), F_GETFL);
            failed = flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0;
        }
        // Reading stops once the line bytes read reach the size seen here, so
        // a file that grows meanwhile is read only to about its starting size;
        // a file that is not regular has nothing read, as it has no size.
        const auto size = regular ? static_cast<unsigned long long>(info.st_size) : 0ULL;
        catalogue::LineReader reader(file.get());
        unsigned long long bytesRead = 0;
        std::string line;
        while (!failed && stored < maxlines && bytesRead < size) {
            const auto got = reader.next(line);
            if (got == catalogue::LineReader::Result::Error) {
                failed = true;
            } else if (got == catalogue::LineReader::Result::End) {
                break;
            } else {
                bytesRead += line.size();
                database[static_cast<std::size_t>(stored++)] = std::move(line);
                line = std::string();
            }
        }
        if (!failed) {
            MakeStringDatabase(stored);
        }
    } catch (const std::exception&) {
        // A catalogue too large for memory is one that cannot be read.
        failed = true;
    }
    if (failed) {
        // The lines read before the fault stay in `database` but are never
        // split or counted: a partial catalogue is not searched.
        out(std::string(messages::problem));
        pause(3000);
        return {LoadOutcome::Kind::ReadProblem, 0};
    }
    numentries.store(stored, std::memory_order_release);
    out(messages::summary(stored));
    return {LoadOutcome::Kind::Loaded, stored, regular};
}

void Catalogue::MakeStringDatabase(std::int32_t n)
{
    static_assert(schema.front().column == &SV && schema.front().fill == Fill::Verbatim);
    for (std::int32_t k = 0; k < n && k < maxlines; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        static const std::string noLine;
        const std::string_view line = database[slot] ? *database[slot] : noLine;
        len = static_cast<std::int64_t>(line.size());
        l = 0;
        const std::size_t comma = line.find(',');
        SV[slot] = std::string(line.substr(0, comma));
        l = comma == std::string_view::npos ? len : static_cast<std::int64_t>(comma);
        // Field 1 is taken verbatim above; every later one through getnext.
        for (std::size_t c = 1; c < schema.size(); ++c) {
            std::string value = getnext(line);
            ApplyFill(value, schema[c].fill);
            (*schema[c].column)[slot] = std::move(value);
        }
    }
}

std::string Catalogue::getnext(std::string_view line)
{
    std::string result;
    ++l; // over the comma that ended the previous field
    // Never past the line, whatever the cursor says.
    const std::int64_t end = std::min(len, static_cast<std::int64_t>(line.size()));
    if (l < 0 || l >= end) {
        l = len;
        return result;
    }
    const std::string_view rest =
        line.substr(static_cast<std::size_t>(l), static_cast<std::size_t>(end - l));
    const std::size_t comma = rest.find(',');
    const std::string_view field = rest.substr(0, comma);
    l = comma == std::string_view::npos ? len : l + static_cast<std::int64_t>(comma);
    if (field.find('"') == std::string_view::npos) {
        result.assign(field);
        return result;
    }
    result.reserve(field.size());
    for (const char c : field) {
        if (c != '"') {
            result.push_back(c);
        }
    }
    return result;
}

void Catalogue::ClearCatalogue()
{
    numentries.store(0, std::memory_order_release);
    database.fill(std::nullopt);
    for (const ColumnInfo& col : schema) {
        col.column->fill(std::nullopt);
    }
    l = 0;
    len = 0;
}

} // namespace catalogue
