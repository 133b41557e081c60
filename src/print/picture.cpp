// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/picture.h"

#include "catalogue/catalogue.h"
#include "pictures/header.h"

#include <QFile>
#include <QImageReader>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace print {

namespace {

QString text(const pictures::Header& header)
{
    return QString::fromStdString(header.problem);
}

/// A JPEG ends with its EOI marker, perhaps followed by a little padding;
/// one cut short in transfer decodes to a grey lower part without an error.
bool jpegEnds(int fd, std::uint64_t size)
{
    std::array<unsigned char, 4096> tail{};
    const std::uint64_t length = std::min<std::uint64_t>(size, tail.size());
    const ssize_t got = ::pread(fd, tail.data(), length, static_cast<off_t>(size - length));
    if (got != static_cast<ssize_t>(length)) {
        return false;
    }
    for (std::size_t k = length; k >= 2; --k) {
        if (tail[k - 2] == 0xFF && tail[k - 1] == 0xD9) {
            return true;
        }
    }
    return false;
}

} // namespace

DecodedPicture DecodePicture(const QString& path, QSize box)
{
    DecodedPicture out;
    const QByteArray name = QFile::encodeName(path);
    // Not waiting: a named pipe put where a picture was must not hold a
    // thread until someone writes to it.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        out.problem = text(error == ELOOP ? pictures::Refused(pictures::Problem::LinkLoop)
                                          : pictures::Refused(pictures::Problem::Unreadable,
                                                              catalogue::ErrorText(error)));
        return out;
    }
    struct stat info {};
    pictures::Header header;
    if (::fstat(fd, &info) != 0) {
        header = pictures::Refused(pictures::Problem::Unreadable, catalogue::ErrorText(errno));
    } else if (S_ISDIR(info.st_mode)) {
        header = pictures::Refused(pictures::Problem::Folder);
    } else if (!S_ISREG(info.st_mode)) {
        header = pictures::Refused(pictures::Problem::NotRegular);
    } else {
        header = pictures::ReadHeaderFd(fd, static_cast<std::uint64_t>(info.st_size));
        if (header.ok() && header.format == pictures::Format::Jpeg &&
            !jpegEnds(fd, static_cast<std::uint64_t>(info.st_size))) {
            header = pictures::Refused(pictures::Problem::Truncated);
            header.problem = "the picture is cut short";
        }
    }
    if (!header.ok()) {
        ::close(fd);
        out.problem = text(header);
        return out;
    }
    QFile file;
    if (::lseek(fd, 0, SEEK_SET) != 0 ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        out.problem = QStringLiteral("cannot be read");
        return out;
    }
    QImageReader reader(&file, pictures::FormatName(header.format));
    reader.setAllocationLimit(pictureAllocationMb);
    reader.setAutoTransform(true);
    const QSize stored(static_cast<int>(header.width), static_cast<int>(header.height));
    if (box.isValid() && !box.isEmpty()) {
        // The box is for the picture upright; the decoder scales it as stored.
        if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)) {
            box.transpose();
        }
        if (stored.width() > box.width() || stored.height() > box.height()) {
            reader.setScaledSize(stored.scaled(box, Qt::KeepAspectRatio).expandedTo({1, 1}));
        }
    }
    if (!reader.read(&out.image)) {
        out.image = QImage();
        out.problem = reader.errorString();
        if (out.problem.isEmpty()) {
            out.problem = QStringLiteral("the picture cannot be decoded");
        }
    }
    return out;
}

} // namespace print
