// SPDX-License-Identifier: GPL-3.0-or-later
// rovadod-find [OPTIONS] [FILE]: the catalogue entries that fit a coin, also
// a worn one, from the command line.

#include "catalogue/catalogue.h"
#include "catalogue/line_reader.h"
#include "cli.h"
#include "finder.h"
#include "unreadable.h"
#include "vocab/values.h"

#include <QCoreApplication>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

using catalogue::Catalogue;
using cli::Output;
using finder::Format;

const QString description =
    QStringLiteral("Finds the catalogue entries that fit a coin, also a worn one: give what\n"
                   "you can read and leave the rest open. FILE (default ./ptolemy.csv) is read\n"
                   "exactly as the window reads it.");

const QString epilogue = QStringLiteral(R"(Values:
  V is a list entry's text as the window shows it, ignoring case: an exact
  text wins, otherwise the one entry that begins with V ("zeus laur" is
  "Zeus Laureate"). #N is the entry at position N of the window's list (see
  --list). "any", or leaving the option out, leaves the attribute open: any
  value fits, even a code no list entry has. An option given again adds a
  value: --left-field club --left-field tripod finds either; "any" among the
  values leaves the attribute open. A value that fits no entry, or more than
  one, is an error that lists the entries it could mean. Entries that share
  a code (the two "1 Eagle R>" ones) find the same catalogue entries.

Output (--format):
  report  Each matching entry as the window shows it, or "No Matching Entry
          Found". With all six attributes given once and no --near, this is
          byte for byte the text the window shows for that selection. Near
          matches follow, each after a line naming where it differs:
            Near match, 1 difference: left-field is Club
  tsv     A header line, then one row per entry: its line in FILE, distance,
          differing options (comma-separated), the 21 fields as loaded. In a
          field a tab is written \t and a backslash \\, so a row stays one
          row. --counts needs report or json.
  json    One object: "matches", each with "line", "sv", "distance",
          "differs" and "fields" (the 21 fields keyed SV, Den, ...); with
          --counts also "counts", per list each entry's position, text, code
          and count; with --batch "coins" instead, each with its "line" and
          "matches".

Batch files (--batch):
  One coin a line: up to six values separated by tabs, in the order
  obverse-figure, inscription, reverse-figure, left-field, right-side,
  countermark, written as for the options; an empty or missing value is
  "any". Blank lines are skipped, and so are comments: lines starting with
  a # whose first value is more than # and a number ("# tray 2", "# 120
  coins"). A first value of # and a number alone ("#3", "# 3") is a
  position, so a wrong one is a bad line, not a comment. Each coin's answer
  starts with its line number. A bad line, also one longer than 64 KiB, is
  reported on standard error with its line number, the other coins are
  still answered, and the exit status is 2.

Exit status:
  0  an entry was printed (or the lists, for --list)
  1  nothing matched
  2  wrong command line, a catalogue or batch file that cannot be read, a
     bad batch line, or output that cannot be written (a full disk)

Examples:
  rovadod-find --obverse-figure "zeus with" --inscription no \
      --reverse-figure "#1"
          a worn coin: the symbols and the countermark are left open
  rovadod-find --obverse-figure "zeus with" --inscription no \
      --reverse-figure "#1" --counts
          ... and how many entries each list entry would leave
  rovadod-find --obverse-figure "zeus with" --inscription no \
      --reverse-figure "#1" --left-field "double cornucopia" \
      --countermark anchor --near=1
          no entry has both: those that differ in one attribute, and where
  rovadod-find --batch=coins.tsv --format=tsv > found.tsv
          a whole collection, one coin a line
  rovadod-find --list
          the six lists with their positions and codes
)");

struct Options {
    Format format = Format::Report;
    bool counts = false;
    std::string catalogue = std::string(Catalogue::filename);
    std::optional<std::string> batch;
    lookup::Query query;
};

/// Reads the attribute, --near and --format options into `options`;
/// returns the complaint about a wrong command line, or nothing.
std::optional<QString> readOptions(const QCommandLineParser& parser,
                                   const std::array<QCommandLineOption, 6>& attributes,
                                   Options& options)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        return QStringLiteral("only one FILE can be searched");
    }
    if (!positional.isEmpty()) {
        options.catalogue = cli::Bytes(positional.front());
    }
    const QString format = parser.value(QStringLiteral("format"));
    if (format == QLatin1String("report")) {
        options.format = Format::Report;
    } else if (format == QLatin1String("tsv")) {
        options.format = Format::Tsv;
    } else if (format == QLatin1String("json")) {
        options.format = Format::Json;
    } else {
        return QStringLiteral("--format is report, tsv or json, not '%1'").arg(format);
    }
    bool ok = false;
    const QString nearText = parser.value(QStringLiteral("near"));
    const int near = nearText.toInt(&ok);
    if (!ok || near < 0) {
        return QStringLiteral("--near takes a number from 0 up, not '%1'").arg(nearText);
    }
    options.query.near = near;
    options.counts = parser.isSet(QStringLiteral("counts"));
    if (options.counts && options.format == Format::Tsv) {
        return QStringLiteral("--counts needs --format=report or --format=json");
    }
    if (parser.isSet(QStringLiteral("batch"))) {
        options.batch = cli::Bytes(parser.value(QStringLiteral("batch")));
    }
    for (std::size_t a = 0; a < attributes.size(); ++a) {
        const QStringList values = parser.values(attributes[a]);
        if (!values.isEmpty() && options.batch) {
            return QStringLiteral("--batch reads the coins from its file; leave out --%1")
                .arg(attributes[a].names().front());
        }
        bool open = false;
        for (const QString& value : values) {
            const std::string text = cli::Bytes(value);
            const vocab::Attribute& attr = vocab::attributes[a];
            const vocab::Resolved resolved = vocab::ResolveValue(attr, text);
            if (resolved.kind == vocab::Resolved::Kind::Any) {
                open = true;
            } else if (resolved.kind == vocab::Resolved::Kind::Position) {
                options.query.allowPosition(static_cast<int>(a), resolved.position);
            } else {
                return QString::fromStdString(vocab::ValueProblem(attr, text, resolved));
            }
        }
        if (open) {
            options.query.allowed[a].clear(); // "any" among the values fits anything
        }
    }
    return std::nullopt;
}

/// Answers every coin of the batch file as it is read. Returns false when
/// the file cannot be read; counts bad lines and printed entries.
bool runBatch(const cli::Command& command, const Options& options, Output& out, int& badLines,
              bool& printed)
{
    const std::string& path = *options.batch;
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        command.fail("cannot read " + path + ": " + std::strerror(errno));
        return false;
    }
    catalogue::LineReader reader(fd, finder::maxBatchLine);
    finder::JsonBatch json;
    if (options.format == Format::Tsv) {
        out.write(finder::TsvHeader(true));
    }
    std::string line;
    std::int64_t number = 0;
    bool ok = true;
    for (;;) {
        const auto got = reader.next(line);
        if (got == catalogue::LineReader::Result::TooLong) {
            ++number;
            ++badLines;
            command.fail(path + ":" + std::to_string(number) + ": longer than " +
                         std::to_string(finder::maxBatchLine) +
                         " bytes, not read; a coin is at most six values");
            continue;
        }
        if (got != catalogue::LineReader::Result::Line) {
            ok = got == catalogue::LineReader::Result::End;
            break;
        }
        ++number;
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.erase(0, 3); // a byte order mark from a spreadsheet
        }
        finder::BatchLine parsed = finder::ParseBatchLine(line);
        if (parsed.kind == finder::BatchLine::Kind::Skip) {
            continue;
        }
        if (parsed.kind == finder::BatchLine::Kind::Bad) {
            ++badLines;
            command.fail(path + ":" + std::to_string(number) + ": " + parsed.problem);
            continue;
        }
        parsed.query.near = options.query.near;
        finder::Answer answer = finder::Ask(parsed.query, options.counts, number);
        printed = printed || !answer.matches.empty();
        switch (options.format) {
        case Format::Report: {
            std::string text = "Coin at line " + std::to_string(number) + ":\n" +
                               finder::ReportText(answer.matches);
            text += answer.matches.empty() ? "\n\n" : "";
            if (answer.counts) {
                text += finder::CountsText(answer.query, *answer.counts) + '\n';
            }
            out.write(text);
            break;
        }
        case Format::Tsv:
            out.write(finder::TsvRows(answer, true));
            break;
        case Format::Json:
            out.write(json.coin(answer));
            break;
        }
    }
    if (!standardInput) {
        ::close(fd);
    }
    if (!ok) {
        command.fail("cannot read " + path + ": read error after line " + std::to_string(number));
        return false;
    }
    if (options.format == Format::Json) {
        out.write(json.end());
    }
    return true;
}

int run(const cli::Command& command, const QCommandLineParser& parser,
        const std::array<QCommandLineOption, 6>& attributes)
{
    Options options;
    if (parser.isSet(QStringLiteral("list"))) {
        const bool alone =
            !parser.isSet(QStringLiteral("near")) && !parser.isSet(QStringLiteral("counts")) &&
            !parser.isSet(QStringLiteral("batch")) && parser.positionalArguments().isEmpty() &&
            std::none_of(attributes.begin(), attributes.end(),
                         [&parser](const QCommandLineOption& o) { return parser.isSet(o); });
        if (!alone) {
            return command.usageError(QStringLiteral("--list takes no other option but --format"));
        }
    }
    if (const auto complaint = readOptions(parser, attributes, options)) {
        return command.usageError(*complaint);
    }
    Output out;
    if (parser.isSet(QStringLiteral("list"))) {
        out.write(finder::ListsText(options.format));
        return command.finish(out, 0);
    }

    const catalogue::LoadOutcome outcome = Catalogue::GetDatabaseFrom(
        options.catalogue, [](const std::string&) {}, [](int) {});
    if (const std::string problem = cli::CatalogueProblem(options.catalogue, outcome);
        !problem.empty()) {
        return command.fail("cannot read " + options.catalogue + ": " + problem);
    }

    bool printed = false;
    int badLines = 0;
    if (options.batch) {
        if (!runBatch(command, options, out, badLines, printed)) {
            return command.finish(out, 2); // the coins answered before the fault still go out
        }
    } else {
        const finder::Answer answer = finder::Ask(options.query, options.counts);
        printed = !answer.matches.empty();
        switch (options.format) {
        case Format::Report: {
            std::string text = finder::ReportText(answer.matches);
            if (answer.counts) {
                text += answer.matches.empty() ? "\n\n" : "";
                text += finder::CountsText(answer.query, *answer.counts);
            }
            out.write(text);
            break;
        }
        case Format::Tsv:
            out.write(finder::TsvHeader(false) + finder::TsvRows(answer, false));
            break;
        case Format::Json:
            out.write(finder::JsonText(answer));
            break;
        }
    }
    if (!out.finish()) {
        return command.fail(Output::failure);
    }
    if (badLines > 0) {
        return command.fail(std::to_string(badLines) +
                            (badLines == 1 ? " bad line in " : " bad lines in ") + *options.batch +
                            ", answered the others");
    }
    return printed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    cli::Command command(QStringLiteral("rovadod-find"), description, epilogue);
    QCommandLineParser& parser = command.parser();

    std::array<QCommandLineOption, 6> attributes{
        QCommandLineOption(QStringLiteral("obverse-figure"),
                           QStringLiteral("Obverse main figure, e.g. \"zeus laur\"."),
                           QStringLiteral("V")),
        QCommandLineOption(QStringLiteral("inscription"),
                           QStringLiteral("Obverse inscription present: yes or no."),
                           QStringLiteral("V")),
        QCommandLineOption(QStringLiteral("reverse-figure"),
                           QStringLiteral("Reverse main figure, e.g. \"2 eagles\" or "
                                          "\"#1\"."),
                           QStringLiteral("V")),
        QCommandLineOption(QStringLiteral("left-field"),
                           QStringLiteral("Reverse left field symbols, e.g. club or none."),
                           QStringLiteral("V")),
        QCommandLineOption(QStringLiteral("right-side"),
                           QStringLiteral("Reverse right side symbols, e.g. none."),
                           QStringLiteral("V")),
        QCommandLineOption(QStringLiteral("countermark"),
                           QStringLiteral("Countermark symbol, e.g. none or anchor."),
                           QStringLiteral("V")),
    };
    for (const QCommandLineOption& option : attributes) {
        parser.addOption(option);
    }
    parser.addOption({QStringLiteral("near"),
                      QStringLiteral("Also list the entries that differ from the given attributes "
                                     "in at most N of them, closest first (default 0)."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("counts"),
                      QStringLiteral("For every entry of every list, count the catalogue entries "
                                     "that would match with that list set to it and the others as "
                                     "given.")});
    parser.addOption({QStringLiteral("list"),
                      QStringLiteral("Print the six lists: option, position, text, code.")});
    parser.addOption({QStringLiteral("batch"),
                      QStringLiteral("Look up every coin of FILE, one a line (\"-\": standard "
                                     "input); see Batch files below."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("format"),
                      QStringLiteral("report (default), tsv or json; see Output below."),
                      QStringLiteral("F"), QStringLiteral("report")});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The catalogue (default ./ptolemy.csv)."),
                                 QStringLiteral("[FILE]"));

    if (const auto status = command.parse(argc, argv)) {
        return *status;
    }
    try {
        return run(command, parser, attributes);
    } catch (const std::exception& e) {
        // A batch line or catalogue too large for memory.
        return command.fail(std::string("cannot go on: ") + e.what());
    }
}
