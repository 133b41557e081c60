// SPDX-License-Identifier: GPL-3.0-or-later
// rovadod-check [FILE]: reports what in a catalogue file the window would
// silently ignore, shift or never find.

#include "catalogue/catalogue.h"
#include "checker.h"
#include "cli.h"

#include <QCoreApplication>

#include <string>

namespace {

const QString description =
    QStringLiteral("Checks a catalogue file (default: ./ptolemy.csv) for mistakes that the window\n"
                   "program would not show. The file is read exactly as the window reads it.");

const QString epilogue =
    QStringLiteral(R"(Every finding is one line, in file order, starting with its line number:

  line N: K fields, only the first 21 are read
      More than 21 comma-separated fields. The fields after the 21st are
      ignored. When a quoted value holds a comma ("a,b"), the comma still
      splits it, so every later field moves one column to the right.
  line N: the quoted value in field F holds a comma ...
      The same split in a line that has no more than 21 fields.
  lines N, M, P and K more: ... catalogue numbers ... in double quotes
      Catalogue numbers written in quotes, as a spreadsheet saves them when
      it quotes every text cell. Quotes are dropped from fields 2 to 21 but
      kept in field 1, so the window shows them: Sv "DEMO-1". One finding
      names the first three such lines and counts them all. Saving the CSV
      without quoting text cells avoids it.
  line N: obverse main figure code "X" (field 13) can never be selected
      A code field (fields 13 to 18) whose value no position of its
      drop-down list selects, so the entry is never found. Letter case does
      not matter; spaces do: " 1" and "1 " are not "1". The obverse code "X"
      has no list entry.
  line N: blank line, an entry with no attribute codes ...
  line N: only K fields: an entry with no attribute codes ...
      A line whose six code fields are all empty: blank, or too short to
      reach field 13. Its six empty codes count among the code fields no
      list position selects.
  lines 700 to M: ... never read
      The window reads at most 699 lines; the rest of the file is ignored.

When a folder images/ is beside the catalogue, its files follow (the
folder itself only, not its subfolders; names beginning with '.' are
skipped):

  images/NAME: belongs to no catalogue entry
      A picture whose name does not start with any entry's catalogue
      number followed by the end of the name, '-' or '_'.
  images/NAME: REASON
      A file no face shows, and why: not a JPEG, PNG or WebP picture,
      HEIC photos are not supported, over 50 megapixels, a cut or damaged
      header, a folder, a named pipe, a link out of images/ or in a loop.

A summary with the number of entries read and a count of each kind of
finding ends the report; with images/, also the number of entries without
any picture, which is not a finding.

Exit status:
  0  nothing found
  1  findings reported
  2  the file cannot be read, the command line is wrong, or the report
     cannot be written (a full disk)
)");

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    cli::Command command(QStringLiteral("rovadod-check"), description, epilogue);
    command.parser().addPositionalArgument(QStringLiteral("FILE"),
                                           QStringLiteral("The catalogue (default ./ptolemy.csv)."),
                                           QStringLiteral("[FILE]"));
    if (const auto status = command.parse(argc, argv)) {
        return *status;
    }
    const QStringList files = command.parser().positionalArguments();
    if (files.size() > 1) {
        return command.usageError(QStringLiteral("only one FILE can be checked"));
    }
    const std::string path =
        files.isEmpty() ? std::string(catalogue::Catalogue::filename) : cli::Bytes(files.front());

    const check::Result result = check::CheckCatalogue(path);
    if (result.status != check::Status::Read) {
        return command.fail("cannot read " + path + ": " + result.problem,
                            check::ExitStatus(result));
    }
    cli::Output out;
    for (const check::Finding& finding : result.findings) {
        out.write(finding.text);
        out.write("\n");
    }
    out.write(check::Summary(result, path));
    return command.finish(out, check::ExitStatus(result));
}
