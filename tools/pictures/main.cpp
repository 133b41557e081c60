// SPDX-License-Identifier: GPL-3.0-or-later
// rovadod-pictures [DIR]: the index and the small copies a site needs for
// the pictures in DIR/images, which a web server cannot list or shrink.

#include "cli.h"
#include "prepare.h"

#include <QCoreApplication>
#include <QImageReader>

#include <string>

namespace {

const QString description =
    QStringLiteral("Prepares the pictures in DIR/images (DIR holds ptolemy.csv; default: the\n"
                   "current folder) for a web site. Writes, inside DIR/images/.rovadod/, the\n"
                   "index of the pictures with their pixel sizes and a small copy of each\n"
                   "(480 pixels on the long side, at most 60 KB, turned upright, without the\n"
                   "photo's EXIF data such as where it was taken). The pictures themselves\n"
                   "are only read.");

const QString epilogue =
    QStringLiteral(R"(Run it again after any change in images/: it makes copies only of pictures
that are new or changed (by size and time) and removes the copies of
pictures that are gone.

Each file in images/ that gets no copy is named with the reason:

  could not read images/NAME: REASON
      Not a JPEG, PNG or WebP picture, a HEIC photo, over 50 megapixels, a
      damaged or cut picture, a folder, a named pipe, a link out of images/.

A last line counts what was done:

  made N, kept N, removed N, could not read N

Names beginning with '.' in images/ are not pictures and are skipped.

Exit status:
  0  every picture that could be read is prepared
  2  nothing could be done (no folder DIR or DIR/images, nothing writable),
     a copy or the index could not be written, or the command line is wrong
)");

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    cli::Command command(QStringLiteral("rovadod-pictures"), description, epilogue);
    command.parser().addPositionalArgument(
        QStringLiteral("DIR"), QStringLiteral("The folder of ptolemy.csv and images/ (default .)."),
        QStringLiteral("[DIR]"));
    if (const auto status = command.parse(argc, argv)) {
        return *status;
    }
    const QStringList dirs = command.parser().positionalArguments();
    if (dirs.size() > 1) {
        return command.usageError(QStringLiteral("only one DIR can be prepared"));
    }
    const std::string dir = dirs.isEmpty() ? std::string(".") : cli::Bytes(dirs.front());

    // Bounds what a decoder may allocate, whatever a file claims.
    QImageReader::setAllocationLimit(picturetool::allocationLimitMb);
    const picturetool::Report report = picturetool::Prepare(dir);
    cli::Output out;
    for (const picturetool::NotPrepared& file : report.notPrepared) {
        out.write("could not read images/" + file.name + ": " + file.reason + "\n");
    }
    if (report.worked || report.made > 0) {
        out.write("made " + std::to_string(report.made) + ", kept " + std::to_string(report.kept) +
                  ", removed " + std::to_string(report.removed) + ", could not read " +
                  std::to_string(report.notPrepared.size()) + "\n");
    }
    if (!report.worked) {
        if (!out.finish()) {
            return command.fail(cli::Output::failure);
        }
        return command.fail(report.problem);
    }
    return command.finish(out, 0);
}
