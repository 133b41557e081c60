// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "catalogue/line_reader.h"
#include "catalogue/messages.h"
#include "catalogue/table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

/// Opens `path` to read. Without O_NONBLOCK, opening a named pipe waits for a
/// writer, for good when there is none.
int openToRead(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

/// What is read of an open catalogue.
struct Readable {
    bool ok = false;             ///< false: it cannot be read (a directory included)
    int error = 0;               ///< when not ok, why: the errno of what failed
    bool regular = false;        ///< a regular file; nothing is read from any other kind
    unsigned long long size = 0; ///< bytes to read at most
};

/// Looks at what the file open at `fd` (from `openToRead`, or -1) really is,
/// whatever its name has come to mean since it was looked up.
Readable prepareToRead(int fd)
{
    struct stat info {};
    Readable readable;
    if (fd < 0 || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        readable.error = fd >= 0 && S_ISDIR(info.st_mode) ? EISDIR : errno;
        return readable;
    }
    readable.regular = S_ISREG(info.st_mode);
    // A pipe's or a device's read could wait for good, so only a regular file
    // is read, and with blocking reads again. Reading stops once the line
    // bytes read reach the size seen here, so a file that grows meanwhile is
    // read only to about its starting size; any other kind has no size.
    if (readable.regular) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            readable.error = errno;
            return readable;
        }
        readable.size = static_cast<unsigned long long>(info.st_size);
    }
    readable.ok = true;
    return readable;
}

/// Reads the lines of `reader` as every loader does, handing each to `store`
/// with its index: at most `maxlines`, and none once the line bytes read
/// reach `size`. The number stored, or nothing on a read error.
template <typename Store>
std::optional<std::int32_t> readLines(LineReader& reader, unsigned long long size, Store store)
{
    unsigned long long bytesRead = 0;
    std::int32_t stored = 0;
    std::string line;
    while (stored < maxlines && bytesRead < size) {
        const auto got = reader.next(line);
        if (got == LineReader::Result::Error) {
            return std::nullopt;
        }
        if (got == LineReader::Result::End) {
            break;
        }
        bytesRead += line.size();
        store(stored++, std::move(line));
        line = std::string();
    }
    return stored;
}

/// The body of `NextField`, here where both splitters can inline it.
std::string nextField(std::string_view line, std::int64_t& cursor, std::int64_t length)
{
    std::string result;
    ++cursor; // over the comma that ended the previous field
    // Never past the line, whatever the cursor says.
    const std::int64_t end = std::min(length, static_cast<std::int64_t>(line.size()));
    if (cursor < 0 || cursor >= end) {
        cursor = length;
        return result;
    }
    const std::string_view rest =
        line.substr(static_cast<std::size_t>(cursor), static_cast<std::size_t>(end - cursor));
    const std::size_t comma = rest.find(',');
    const std::string_view field = rest.substr(0, comma);
    cursor = comma == std::string_view::npos ? length : cursor + static_cast<std::int64_t>(comma);
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

namespace {

// GNU's strerror_r returns the text, POSIX's fills the buffer; strerror
// itself may share its buffer between the threads that load catalogues.
[[maybe_unused]] const char* errorText(int result, const char* buffer)
{
    return result == 0 ? buffer : "unknown error";
}
[[maybe_unused]] const char* errorText(const char* result, const char*)
{
    return result;
}

} // namespace

std::string ErrorText(int error)
{
    char buffer[256] = {};
    return errorText(::strerror_r(error, buffer, sizeof buffer), buffer);
}

std::string WhyNotLoaded(const LoadOutcome& outcome)
{
    switch (outcome.kind) {
    case LoadOutcome::Kind::NotFound:
        return outcome.error == 0 || outcome.error == ENOENT ? "no such file"
                                                             : ErrorText(outcome.error);
    case LoadOutcome::Kind::ReadProblem:
        if (outcome.error == EISDIR) {
            return "is a directory";
        }
        // A fault while reading is no fault of opening: its errno says less.
        return outcome.error == 0 ? "read error" : ErrorText(outcome.error);
    case LoadOutcome::Kind::Loaded:
        break;
    }
    return {};
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
        const int error = errno;
        out(std::string(messages::notFound));
        pause(3000);
        return {LoadOutcome::Kind::NotFound, 0, false, error};
    }

    std::optional<std::int32_t> stored;
    Readable readable;
    try {
        FileHandle file(openToRead(path));
        readable = prepareToRead(file.get());
        if (readable.ok) {
            LineReader reader(file.get());
            stored = readLines(reader, readable.size, [](std::int32_t k, std::string&& line) {
                database[static_cast<std::size_t>(k)] = std::move(line);
            });
        }
        if (stored) {
            MakeStringDatabase(*stored);
        }
    } catch (const std::exception&) {
        // A catalogue too large for memory is one that cannot be read.
        stored.reset();
    }
    if (!stored) {
        // The lines read before the fault stay in `database` but are never
        // split or counted: a partial catalogue is not searched.
        out(std::string(messages::problem));
        pause(3000);
        return {LoadOutcome::Kind::ReadProblem, 0, false, readable.error};
    }
    numentries.store(*stored, std::memory_order_release);
    out(messages::summary(*stored));
    return {LoadOutcome::Kind::Loaded, *stored, readable.regular};
}

namespace {

/// A table of the lines `reader` gives, read as `LoadTable` reads them;
/// `loaded` keeps its outcome when they cannot be read.
void loadTable(LoadedTable& loaded, LineReader& reader, unsigned long long size, bool regular)
{
    try {
        std::vector<std::string> lines;
        if (!readLines(reader, size, [&lines](std::int32_t, std::string&& line) {
                lines.push_back(std::move(line));
            })) {
            return;
        }
        auto table = std::make_shared<const Table>(std::move(lines));
        loaded.outcome = {LoadOutcome::Kind::Loaded, table->entries(), regular};
        loaded.table = std::move(table);
    } catch (const std::exception&) {
        // A catalogue too large for memory is one that cannot be read.
    }
}

} // namespace

LoadedTable LoadTable(const std::string& path)
{
    LoadedTable loaded{{LoadOutcome::Kind::NotFound, 0}, std::make_shared<const Table>()};
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        loaded.outcome.error = errno;
        return loaded;
    }
    loaded.outcome.kind = LoadOutcome::Kind::ReadProblem;
    FileHandle file(openToRead(path));
    const Readable readable = prepareToRead(file.get());
    loaded.outcome.error = readable.error;
    if (readable.ok) {
        LineReader reader(file.get());
        loadTable(loaded, reader, readable.size, readable.regular);
    }
    return loaded;
}

LoadedTable LoadTableFromBytes(std::string_view bytes)
{
    LoadedTable loaded{{LoadOutcome::Kind::ReadProblem, 0}, std::make_shared<const Table>()};
    LineReader reader(bytes);
    loadTable(loaded, reader, bytes.size(), true);
    return loaded;
}

void Catalogue::MakeStringDatabase(std::int32_t n)
{
    for (std::int32_t k = 0; k < n && k < maxlines; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        static const std::string noLine;
        const std::string_view line = database[slot] ? *database[slot] : noLine;
        Slots slots{};
        for (std::size_t c = 0; c < slots.size(); ++c) {
            slots[c] = &(*schema[c].column)[slot];
        }
        SplitLine(line, l, len, slots);
    }
}

std::string Catalogue::getnext(std::string_view line)
{
    return nextField(line, l, len);
}

void SplitLine(std::string_view line, const Slots& slots)
{
    std::int64_t cursor = 0;
    std::int64_t length = 0;
    SplitLine(line, cursor, length, slots);
}

void SplitLine(std::string_view line, std::int64_t& cursor, std::int64_t& length,
               const Slots& slots)
{
    static_assert(schema.front().fill == Fill::Verbatim);
    length = static_cast<std::int64_t>(line.size());
    const std::size_t comma = line.find(',');
    *slots[0] = std::string(line.substr(0, comma));
    cursor = comma == std::string_view::npos ? length : static_cast<std::int64_t>(comma);
    // Field 1 is taken verbatim above; every later one through nextField.
    for (std::size_t c = 1; c < schema.size(); ++c) {
        std::string value = nextField(line, cursor, length);
        ApplyFill(value, schema[c].fill);
        *slots[c] = std::move(value);
    }
}

std::string NextField(std::string_view line, std::int64_t& cursor, std::int64_t length)
{
    return nextField(line, cursor, length);
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
