// SPDX-License-Identifier: GPL-3.0-or-later
// rovadod-find [OPTIONS] [FILE]: the catalogue entries that fit a coin, also
// a worn one, from the command line.

#include "answer/pictures.h"
#include "answer/read.h"
#include "answer/ticket.h"
#include "batch.h"
#include "catalogue/catalogue.h"
#include "catalogue/table.h"
#include "cli.h"
#include "unreadable.h"
#include "vocab/values.h"
#include "json/json.h"

#include <QCoreApplication>
#if defined(ROVADOD_TICKETS)
#include "print/ticket.h"

#include <QGuiApplication>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>

namespace {

using answer::Format;
using catalogue::Catalogue;
using cli::Output;

const QString description =
    QStringLiteral("Finds the catalogue entries that fit a coin, also a worn one: give what\n"
                   "you can read and leave the rest open. FILE (default ./ptolemy.csv) is read\n"
                   "exactly as the window reads it.");

const QString epilogue =
    QStringLiteral("Values are list texts, ignoring case (\"zeus laur\"), a pattern with *\n"
                   "(\"1 eagle*\"), #N for a list position, or \"any\". An attribute or monogram\n"
                   "option given again allows either value. Exit status: 0 an entry printed,\n"
                   "1 none, 2 an error. The manual page, man rovadod-find, has the details,\n"
                   "batch files with headers, and examples.");

/// Every value option: the six attributes, the three monograms and the two
/// measurements, in batch column order.
using ValueOptions = std::array<QCommandLineOption, answer::valueColumns>;

struct Options {
    Format format = Format::Report;
    bool counts = false;
    std::string catalogue = std::string(Catalogue::filename);
    std::optional<std::string> batch;
    lookup::Query query;
    std::optional<QString> tickets;
    bool pictures = true;
#if defined(ROVADOD_TICKETS)
    print::Paper paper = print::Paper::A4;
    double ticketSide = print::defaultTicketSide;
#endif
};

/// Reads --tickets, --ticket-size and --paper into `options`.
std::optional<QString> readTicketOptions(const QCommandLineParser& parser,
                                         [[maybe_unused]] Options& options)
{
    const QString size = QStringLiteral("ticket-size");
    const QString paper = QStringLiteral("paper");
    if (!parser.isSet(QStringLiteral("tickets"))) {
        for (const QString& name : {size, paper}) {
            if (parser.isSet(name)) {
                return QStringLiteral("--%1 needs --tickets").arg(name);
            }
        }
        return std::nullopt;
    }
#if defined(ROVADOD_TICKETS)
    const QString path = parser.value(QStringLiteral("tickets"));
    if (path.isEmpty()) {
        return QStringLiteral("--tickets needs a file name");
    }
    // The PDF is saved through Qt, whose file names are UTF-8.
    if (!QByteArrayView(cli::Bytes(path)).isValidUtf8()) {
        return QStringLiteral("--tickets needs a file name in UTF-8");
    }
    options.tickets = path;
    options.paper = print::LocalePaper();
    if (parser.isSet(paper)) {
        const std::string name = cli::Bytes(parser.value(paper));
        const auto chosen = print::ParsePaper(name);
        if (!chosen) {
            return QStringLiteral("--paper is a4 or letter, not %1")
                .arg(QString::fromStdString(vocab::Quoted(name)));
        }
        options.paper = *chosen;
    }
    if (parser.isSet(size)) {
        const std::string text = cli::Bytes(parser.value(size));
        const auto side = print::ParseTicketSide(text);
        if (!side) {
            return QStringLiteral("--ticket-size takes a length from %1mm to %2mm written with mm "
                                  "or in (50mm, 2in), not %3")
                .arg(print::minTicketSide)
                .arg(print::maxTicketSide)
                .arg(QString::fromStdString(vocab::Quoted(text)));
        }
        options.ticketSide = *side;
    }
    return std::nullopt;
#else
    return QStringLiteral("this rovadod-find was built without Qt Gui and makes no tickets");
#endif
}

std::optional<QString> readNumbers(const QCommandLineParser& parser, Options& options)
{
    const answer::NearRead near =
        answer::ReadNear(cli::Bytes(parser.value(QStringLiteral("near"))), false);
    if (!near.problem.empty()) {
        return QString::fromStdString("--" + near.problem);
    }
    options.query.near = near.value.value_or(0);
    if (parser.isSet(QStringLiteral("tolerance"))) {
        const std::string text = cli::Bytes(parser.value(QStringLiteral("tolerance")));
        const std::optional<double> percent = lookup::ParseDecimal(text);
        if (!percent) {
            return QStringLiteral("--tolerance takes a percentage, 0 or more, written with \".\", "
                                  "not %1")
                .arg(QString::fromStdString(vocab::Quoted(text)));
        }
        options.query.tolerance = *percent / 100;
    }
    return std::nullopt;
}

/// Reads the options into `options`; returns the complaint about a wrong
/// command line, or nothing.
std::optional<QString> readOptions(const QCommandLineParser& parser, const ValueOptions& values,
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
    if (auto complaint = readNumbers(parser, options)) {
        return complaint;
    }
    if (auto complaint = readTicketOptions(parser, options)) {
        return complaint;
    }
    options.pictures = !parser.isSet(QStringLiteral("no-pictures"));
    options.counts = parser.isSet(QStringLiteral("counts"));
    if (options.counts && options.format == Format::Tsv) {
        return QStringLiteral("--counts needs --format=report or --format=json");
    }
    if (parser.isSet(QStringLiteral("batch"))) {
        options.batch = cli::Bytes(parser.value(QStringLiteral("batch")));
    }
    for (std::size_t c = 0; c < values.size(); ++c) {
        const QStringList given = parser.values(values[c]);
        if (!given.isEmpty() && options.batch) {
            return QStringLiteral("--batch reads the coins from its file; leave out --%1")
                .arg(values[c].names().front());
        }
        std::vector<std::string> bytes;
        for (const QString& value : given) {
            bytes.push_back(cli::Bytes(value));
        }
        const std::string problem =
            answer::ReadValues(static_cast<int>(c), {bytes.begin(), bytes.end()}, options.query);
        if (!problem.empty()) {
            return QString::fromStdString(problem);
        }
    }
    return std::nullopt;
}

int run(const cli::Command& command, const QCommandLineParser& parser, const ValueOptions& values)
{
    Options options;
    if (parser.isSet(QStringLiteral("list"))) {
        const bool alone =
            !parser.isSet(QStringLiteral("near")) && !parser.isSet(QStringLiteral("counts")) &&
            !parser.isSet(QStringLiteral("batch")) && !parser.isSet(QStringLiteral("tolerance")) &&
            !parser.isSet(QStringLiteral("tickets")) && !parser.isSet(QStringLiteral("paper")) &&
            !parser.isSet(QStringLiteral("ticket-size")) &&
            !parser.isSet(QStringLiteral("no-pictures")) &&
            parser.positionalArguments().isEmpty() &&
            std::none_of(values.begin(), values.end(),
                         [&parser](const QCommandLineOption& o) { return parser.isSet(o); });
        if (!alone) {
            return command.usageError(QStringLiteral("--list takes no other option but --format"));
        }
    }
    if (const auto complaint = readOptions(parser, values, options)) {
        return command.usageError(*complaint);
    }
    Output out;
    if (parser.isSet(QStringLiteral("list"))) {
        out.write(answer::ListsDocument(options.format));
        return command.finish(out, 0);
    }

    const catalogue::LoadedTable loaded = catalogue::LoadTable(options.catalogue);
    if (const std::string problem = cli::CatalogueProblem(loaded.outcome); !problem.empty()) {
        return command.fail("cannot read " + options.catalogue + ": " + problem);
    }
    const catalogue::View catalogue = loaded.table->view();
    // Only JSON and tickets show pictures: the report and TSV never look
    // at the folder.
    answer::Pictures pictures;
    const answer::Pictures* withPictures = nullptr;
    if (options.pictures && (options.format == Format::Json || options.tickets)) {
        pictures = answer::PicturesOf(options.catalogue, catalogue);
        withPictures = &pictures;
    }

    finder::BatchResult result;
    std::function<void(const answer::Answer&)> keepTicket;
#if defined(ROVADOD_TICKETS)
    std::vector<answer::Ticket> tickets;
    if (options.tickets) {
        keepTicket = [&tickets](const answer::Answer& a) {
            tickets.push_back(answer::TicketOf(a));
        };
    }
#endif
    if (options.batch) {
        const std::string& path = *options.batch;
        const bool standardInput = path == "-";
        const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return command.fail("cannot read " + path + ": " + std::strerror(errno));
        }
        result = finder::AnswerBatch(
            catalogue, fd, path, options.query, options.counts, options.format,
            [&out](std::string_view text) { out.write(text); },
            [&command](const std::string& problem) { command.fail(problem); }, keepTicket,
            withPictures);
        if (!standardInput) {
            ::close(fd);
        }
    } else {
        answer::Writer writer(options.format, false);
        answer::Answer answer = answer::Ask(catalogue, options.query, options.counts);
        answer.pictures = withPictures;
        result.printed = !answer.matches.empty();
        out.write(writer.coin(answer));
        out.write(writer.end());
        if (keepTicket) {
            keepTicket(answer);
        }
    }
    if (!out.finish()) {
        return command.fail(Output::failure);
    }
#if defined(ROVADOD_TICKETS)
    if (options.tickets && tickets.empty()) {
        command.fail(
            "no coin answered, so no tickets: " + cli::Bytes(*options.tickets) + " not written", 0);
    } else if (options.tickets) {
        if (const auto problem = print::WriteTicketsPdf(*options.tickets, tickets, options.paper,
                                                        options.ticketSide)) {
            return command.fail("cannot write " + cli::Bytes(*options.tickets) + ": " +
                                problem->toStdString());
        }
    }
#endif
    if (!result.read) {
        return 2;
    }
    if (result.badLines > 0) {
        return command.fail(std::to_string(result.badLines) +
                            (result.badLines == 1 ? " bad line in " : " bad lines in ") +
                            *options.batch + ", answered the others");
    }
    return result.printed ? 0 : 1;
}

#if defined(ROVADOD_TICKETS)
/// Whether the command line asks for tickets, before any parsing: painting
/// them needs a GUI application, which the other uses do without. A file
/// named "--tickets" given to another option costs only a slower start.
bool asksForTickets(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--") {
            break;
        }
        if (arg == "--tickets" || arg.starts_with("--tickets=")) {
            return true;
        }
    }
    return false;
}
#endif

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv)
{
#if defined(ROVADOD_TICKETS)
    if (asksForTickets(argc, argv)) {
        // A PDF needs no screen: without a platform chosen, none is
        // connected to, so tickets are made the same over ssh or in a
        // script. Qt's own arguments (-platform ...) are not ours to take.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int programOnly = 1;
        return std::make_unique<QGuiApplication>(programOnly, argv);
    }
#endif
    return std::make_unique<QCoreApplication>(argc, argv);
}

QCommandLineOption valueOption(const char* name, const char* help, const char* value = "V")
{
    return {QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(value)};
}

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    cli::Command command(QStringLiteral("rovadod-find"), description, epilogue);
    QCommandLineParser& parser = command.parser();

    const ValueOptions values{
        valueOption("obverse-figure", "Obverse main figure, e.g. \"zeus laur\"."),
        valueOption("inscription", "Obverse inscription present: yes or no."),
        valueOption("reverse-figure", "Reverse main figure, e.g. \"1 eagle*\" or \"#1\"."),
        valueOption("left-field", "Reverse left field symbols, e.g. club or none."),
        valueOption("right-side", "Reverse right side symbols, e.g. none."),
        valueOption("countermark", "Countermark symbol, e.g. none or anchor."),
        valueOption("center-monogram", "Center (legend) monogram, e.g. DI, or none."),
        valueOption("left-monogram", "Left field monogram, or none."),
        valueOption("right-monogram", "Right field monogram, or none."),
        valueOption("diameter", "The coin's diameter in millimetres, e.g. 27.", "MM"),
        valueOption("weight", "The coin's weight in grams, e.g. 19.2.", "G"),
    };
    for (const QCommandLineOption& option : values) {
        parser.addOption(option);
    }
    parser.addOption({QStringLiteral("near"),
                      QStringLiteral("Also list entries that differ in at most N given "
                                     "attributes or monograms (default 0)."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("tolerance"),
                      QStringLiteral("Leave out entries whose weight and size miss by more than "
                                     "PCT percent."),
                      QStringLiteral("PCT")});
    parser.addOption({QStringLiteral("counts"),
                      QStringLiteral("Count, for every list entry, the entries it would leave.")});
    parser.addOption({QStringLiteral("list"),
                      QStringLiteral("Print the six lists: option, position, text, code.")});
    parser.addOption({QStringLiteral("batch"),
                      QStringLiteral("Look up every coin of FILE, one a line (\"-\": standard "
                                     "input)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("format"), QStringLiteral("report (default), tsv or json."),
                      QStringLiteral("F"), QStringLiteral("report")});
    parser.addOption({QStringLiteral("tickets"),
                      QStringLiteral("Write a PDF of coin tickets to FILE, one a coin, for its "
                                     "first match."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("no-pictures"),
                      QStringLiteral("Leave the pictures in images/ beside FILE off the tickets "
                                     "and out of JSON.")});
    parser.addOption({QStringLiteral("ticket-size"),
                      QStringLiteral("A ticket's side, 20mm to 150mm: 50mm (default), 2in, ..."),
                      QStringLiteral("SIZE")});
    parser.addOption({QStringLiteral("paper"),
                      QStringLiteral("a4 or letter (default: the locale's paper, else a4)."),
                      QStringLiteral("PAPER")});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The catalogue (default ./ptolemy.csv)."),
                                 QStringLiteral("[FILE]"));

    if (const auto status = command.parse(argc, argv)) {
        return *status;
    }
    try {
        return run(command, parser, values);
    } catch (const std::exception& e) {
        // A batch line or catalogue too large for memory.
        return command.fail(std::string("cannot go on: ") + e.what());
    }
}
