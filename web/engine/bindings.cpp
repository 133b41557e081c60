// SPDX-License-Identifier: GPL-3.0-or-later
// The finder's engine for the web page: plain JS values in and out, every
// answer from the core and the answer library. Nothing thrown here reaches
// the page: a call that fails answers as for an empty catalogue or answer.

#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/candidates.h"
#include "answer/pictures.h"
#include "answer/read.h"
#include "answer/sheet.h"
#include "answer/ticket.h"
#include "answer/tsv.h"
#include "catalogue/catalogue.h"
#include "catalogue/table.h"
#include "lookup/decimal.h"
#include "lookup/query.h"
#include "lookup/utf8.h"
#include "pictures/header.h"
#include "pictures/index.h"
#include "pictures/match.h"
#include "vocab/values.h"
#include "vocab/vocabulary.h"
#include "json/json.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using emscripten::val;

/// The collector's own pictures, matched to the open catalogue: names as
/// the page gave them, and each entry's in showing order.
struct OwnPictures {
    std::vector<std::string> names;
    std::vector<std::vector<std::uint32_t>> byEntry;
};

struct State {
    std::shared_ptr<const catalogue::Table> table = std::make_shared<const catalogue::Table>();
    answer::Answer last;
    std::vector<answer::Answer> tray; ///< the last batch's coins, for their tickets
    /// The site's published index and what it gives the open catalogue;
    /// every answer points at `published`, which lives as long as the state.
    pictures::Index index;
    answer::Pictures published;
    OwnPictures own;
};

State& state()
{
    static State s;
    return s;
}

/// `bytes` as a JS string, ill-formed UTF-8 shown as the desktop programs
/// show it (one U+FFFD a byte), NULs kept.
val text(std::string_view bytes)
{
    static const val decoder = val::global("TextDecoder").new_();
    const auto decode = [](std::string_view valid) {
        return decoder.call<val>(
            "decode", val(emscripten::typed_memory_view(
                          valid.size(), reinterpret_cast<const unsigned char*>(valid.data()))));
    };
    if (lookup::IsValidUtf8(bytes)) {
        return decode(bytes);
    }
    std::string valid(bytes);
    lookup::MakeValidUtf8(valid);
    return decode(valid);
}

/// `bytes` as a Uint8Array of their own, exactly as written: an export is
/// the programs' file byte for byte, whatever it holds.
val byteArray(std::string_view bytes)
{
    return val::global("Uint8Array")
        .new_(emscripten::typed_memory_view(bytes.size(),
                                            reinterpret_cast<const unsigned char*>(bytes.data())));
}

bool isString(const val& v)
{
    return v.typeOf().as<std::string>() == "string";
}

/// The bytes of a Uint8Array (or ArrayBuffer) copied into `out`; false for
/// anything else.
bool bytesOf(const val& bytes, std::string& out)
{
    const val uint8 = val::global("Uint8Array");
    val view = bytes;
    if (bytes.instanceof (val::global("ArrayBuffer"))) {
        view = uint8.new_(bytes);
    } else if (!bytes.instanceof (uint8)) {
        return false;
    }
    out.resize(view["length"].as<std::size_t>());
    if (!out.empty()) {
        val(emscripten::typed_memory_view(out.size(), reinterpret_cast<unsigned char*>(out.data())))
            .call<void>("set", view);
    }
    return true;
}

std::string entriesRead(std::int32_t n)
{
    return std::to_string(n) + (n == 1 ? " entry read" : " entries read");
}

/// A file name without the folders a page may put before it (a folder's
/// relative path): the rule reads file names.
std::string_view fileName(std::string_view name)
{
    const auto slash = name.rfind('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

/// The published and own pictures matched to the open catalogue again.
void matchPictures(State& s)
{
    const catalogue::View view = s.table->view();
    s.published = answer::PicturesFromIndex(s.index, view);
    std::vector<std::string> names;
    names.reserve(s.own.names.size());
    for (const std::string& name : s.own.names) {
        names.emplace_back(fileName(name));
    }
    s.own.byEntry = pictures::Assign(pictures::Matcher(view), names).byEntry;
}

/// Entries of the open catalogue with at least one of `byEntry`.
template <typename Lists> int entriesWithAny(const Lists& byEntry)
{
    return static_cast<int>(
        std::count_if(byEntry.begin(), byEntry.end(), [](const auto& l) { return !l.empty(); }));
}

val picturesCount(std::size_t pictures, int entries)
{
    val result = val::object();
    result.set("pictures", static_cast<double>(pictures));
    result.set("entries", entries);
    return result;
}

val open(const val& bytes, const val& name)
{
    State& s = state();
    // Nothing may keep a view of the catalogue being replaced.
    s.last = {};
    s.tray.clear();
    s.table = std::make_shared<const catalogue::Table>();
    const std::string shown = isString(name) ? name.as<std::string>() : "catalogue";
    std::string why = "read error";
    int findable = 0;
    bool loadedWell = false;
    try {
        std::string content;
        if (!bytesOf(bytes, content)) {
            why = "not a file's bytes";
        } else {
            catalogue::LoadedTable loaded = catalogue::LoadTableFromBytes(content);
            why = catalogue::WhyNotLoaded(loaded.outcome);
            if (loaded.outcome.loaded()) {
                s.table = std::move(loaded.table);
                findable = lookup::FindableEntries(s.table->view());
                loadedWell = why.empty();
            }
        }
    } catch (...) {
        // Out of memory for a catalogue this large: it cannot be read.
    }
    try {
        matchPictures(s);
    } catch (...) {
        s.published = {};
        s.own.byEntry.clear();
    }
    val result = val::object();
    result.set("entries", s.table->entries());
    // What the page may keep: a file some selection finds something in.
    result.set("findable", findable);
    result.set("loaded", loadedWell);
    result.set("status", text(why.empty() ? shown + ": " + entriesRead(s.table->entries())
                                          : "Cannot read " + shown + ": " + why));
    return result;
}

val lists()
{
    val all = val::array();
    for (std::size_t a = 0; a < vocab::attributes.size(); ++a) {
        const vocab::Attribute& attr = vocab::attributes[a];
        val texts = val::array();
        for (const std::string_view t : attr.texts) {
            texts.call<void>("push", text(t));
        }
        val list = val::object();
        list.set("label", text(answer::clueLabels[a]));
        list.set("option", text(attr.option));
        list.set("texts", texts);
        all.call<void>("push", list);
    }
    return all;
}

/// The options `ask` reads, in the order engine-post.js hands their values
/// over: the value columns, then near.
val askOptions()
{
    val names = val::array();
    for (int column = 0; column < answer::valueColumns; ++column) {
        names.call<void>("push", text(answer::ColumnName(column)));
    }
    names.call<void>("push", text("near"));
    return names;
}

using Problems = std::vector<std::pair<std::string, std::string>>;

/// The query of the page's fields: each value read as rovadod-find reads
/// it, a refused one left open and its problem kept under its option.
/// `values` are the page's texts in `askOptions` order, each as a 4-byte
/// little-endian length and its UTF-8; bit i of `notText` marks value i as
/// given but not text (an object, say).
lookup::Query readQuery(std::string_view packed, unsigned notText, Problems& problems)
{
    std::vector<std::string_view> values;
    while (packed.size() >= 4) {
        std::uint32_t n = 0;
        for (int b = 3; b >= 0; --b) {
            n = n << 8U | static_cast<unsigned char>(packed[static_cast<std::size_t>(b)]);
        }
        packed.remove_prefix(4);
        values.push_back(packed.substr(0, n));
        packed.remove_prefix(std::min<std::size_t>(n, packed.size()));
    }
    values.resize(answer::valueColumns + 1);
    lookup::Query query;
    for (int column = 0; column < answer::valueColumns; ++column) {
        const std::string option(answer::ColumnName(column));
        if ((notText >> column & 1U) != 0) {
            problems.emplace_back(option, option + " takes text");
            continue;
        }
        lookup::Query read = query;
        const std::string_view given = values[static_cast<std::size_t>(column)];
        const std::string problem = answer::ReadValues(column, {given}, read);
        if (problem.empty()) {
            query = std::move(read);
        } else {
            problems.emplace_back(option, problem);
        }
    }
    if ((notText >> answer::valueColumns & 1U) != 0) {
        problems.emplace_back("near", "near takes text");
        return query;
    }
    // Refused, not capped: the page shows the value it was given.
    answer::NearRead near = answer::ReadNear(values.back());
    if (!near.problem.empty()) {
        problems.emplace_back("near", std::move(near.problem));
    }
    query.near = near.value.value_or(0);
    return query;
}

void appendInteger(std::string& out, long long number)
{
    char written[24];
    const auto end = std::to_chars(written, written + sizeof written, number).ptr;
    out.append(written, end);
}

void appendJsonNumber(std::string& out, double number)
{
    // JSON has no infinity, but JSON.parse reads 1e999 as one: an unknown
    // measurement sorts last.
    if (std::isinf(number)) {
        out += "1e999";
    } else if (number == std::trunc(number) && std::abs(number) < 1e15) {
        appendInteger(out, static_cast<long long>(number)); // distances, whole millimetres
    } else {
        out += lookup::General(number, 17); // every digit JSON.parse needs back
    }
}

/// The answer as one JSON text that the page parses at once: far cheaper
/// than building its objects value by value across the boundary.
std::string answerJson(const answer::Answer& a, const Problems& problems)
{
    std::string out;
    out.reserve(4096);
    out += "{\"problems\":{";
    const char* comma = "";
    for (const auto& [option, problem] : problems) {
        out += std::exchange(comma, ",");
        answer::AppendJsonString(out, option);
        out += ':';
        answer::AppendJsonString(out, problem);
    }
    out += "},\"counts\":[";
    comma = "";
    static const lookup::FacetCounts uncounted{};
    for (const std::vector<int>& list : a.counts ? *a.counts : uncounted) {
        out += std::exchange(comma, ",");
        out += '[';
        const char* separator = "";
        for (const int count : list) {
            out += std::exchange(separator, ",");
            appendInteger(out, count);
        }
        out += ']';
    }
    out += "],\"columns\":[";
    comma = "";
    for (const std::string_view title : answer::candidateTitles) {
        out += std::exchange(comma, ",");
        answer::AppendJsonString(out, title);
    }
    // Each row's entry and catalogue number now, its cells when the page
    // shows the row (`rowsValues`): most rows of a large answer are drawn
    // later or never.
    out += "],\"rows\":[";
    for (std::size_t r = 0; r < a.matches.size(); ++r) {
        out += r == 0 ? "[" : ",[";
        appendInteger(out, a.matches[r].entry);
        out += ',';
        answer::AppendJsonString(
            out,
            a.catalogue.text(catalogue::columns::SV, static_cast<std::size_t>(a.matches[r].entry)));
        out += ']';
    }
    return out + "]}";
}

/// A cell as the page shows it: a catalogue value of megabytes is cut, on a
/// character, long past what a table cell shows.
std::string_view shownCell(std::string_view cell)
{
    constexpr std::size_t most = 4096;
    if (cell.size() <= most) {
        return cell;
    }
    // Not inside a character: at most three bytes back, since stray
    // continuation bytes are no character (the page's text repairs them).
    std::size_t cut = most;
    while (cut > most - 3 && (static_cast<unsigned char>(cell[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cell.substr(0, cut);
}

/// Rows `from` to `to` (not included) of the last answer as JSON text: per
/// row its cells, then its sort keys.
val rowsValues(double from, double to)
{
    const answer::Answer& a = state().last;
    std::string out = "[";
    try {
        const auto size = static_cast<double>(a.matches.size());
        // Not a number is no row.
        const auto row = [size](double r) {
            return static_cast<std::size_t>(r >= 0 ? std::min(r, size) : 0.0);
        };
        const std::size_t first = row(from);
        const std::size_t last = row(to);
        for (std::size_t r = first; r < last; ++r) {
            out += r == first ? "[[" : ",[[";
            for (int c = 0; c < answer::candidateColumns; ++c) {
                out += c == 0 ? "" : ",";
                const std::string cell =
                    answer::CandidateCell(a, r, static_cast<answer::CandidateColumn>(c));
                answer::AppendJsonString(out, shownCell(cell));
            }
            out += "],[";
            for (int c = 0; c < answer::candidateColumns; ++c) {
                out += c == 0 ? "" : ",";
                // A column without an order of its own sorts by its text, which
                // engine-post.js puts in for the null: not sent twice.
                if (const auto number =
                        answer::CandidateNumber(a, r, static_cast<answer::CandidateColumn>(c))) {
                    appendJsonNumber(out, *number);
                } else {
                    out += "null";
                }
            }
            out += "]]";
        }
    } catch (...) {
        out = "["; // out of memory: no rows rather than half of one
    }
    return text(out + "]");
}

/// The answer as JSON text, with its problems; engine-post.js parses it.
val askValues(const std::string& values, unsigned notText)
{
    State& s = state();
    Problems problems;
    try {
        const lookup::Query query = readQuery(values, notText, problems);
        s.last = answer::Ask(s.table->view(), query, true);
        s.last.pictures = &s.published;
        return text(answerJson(s.last, problems));
    } catch (...) {
        s.last = {}; // out of memory: no answer rather than half of one
        return text(answerJson(s.last, {}));
    }
}

/// `v` as an index below `size`, or nothing.
std::optional<std::size_t> indexBelow(const val& v, std::size_t size)
{
    if (v.typeOf().as<std::string>() != "number") {
        return std::nullopt;
    }
    const double i = v.as<double>();
    if (!(i >= 0 && i < static_cast<double>(size)) ||
        i != static_cast<double>(static_cast<std::size_t>(i))) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(i);
}

val entry(const val& row)
{
    try {
        const auto r = indexBelow(row, state().last.matches.size());
        return text(r ? answer::EntryText(state().last, *r) : "");
    } catch (...) {
        return text("");
    }
}

val tsv()
{
    try {
        return byteArray(answer::TsvHeader(false) + answer::TsvRows(state().last, false));
    } catch (...) {
        return byteArray(answer::TsvHeader(false));
    }
}

/// rovadod-find's JSON document for the last answer, without counts.
val json()
{
    try {
        return byteArray(answer::JsonText(state().last, false));
    } catch (...) {
        return byteArray("{\"matches\": []}\n");
    }
}

val strings(const std::vector<std::string>& all)
{
    val list = val::array();
    for (const std::string& s : all) {
        list.call<void>("push", text(s));
    }
    return list;
}

val optionalNumber(const std::optional<double>& number)
{
    return number ? val(*number) : val::null();
}

val sizeOrNull(std::uint32_t pixels, bool known)
{
    return known ? val(pixels) : val::null();
}

/// The picture a ticket shows for match `chosen` of `a`: the one
/// `answer::TicketOf` chose, with its size; null for none.
val ticketPicture(const answer::Answer& a, std::size_t chosen, const answer::Ticket& t)
{
    if (t.picture.empty() || a.pictures == nullptr || chosen >= a.matches.size()) {
        return val::null();
    }
    for (const answer::Picture& p : a.pictures->of(a.matches[chosen].entry)) {
        if (p.usable()) {
            val picture = val::object();
            picture.set("path", text(p.path));
            picture.set("small", p.small.empty() ? val::null() : text(p.small));
            picture.set("width", p.header.width);
            picture.set("height", p.header.height);
            return picture;
        }
    }
    return val::null();
}

val ticketValue(const answer::Ticket& t, val picture = val::null())
{
    val ticket = val::object();
    ticket.set("id", text(t.id));
    ticket.set("found", t.found);
    ticket.set("sv", text(t.sv));
    ticket.set("denomination", text(t.denomination));
    ticket.set("mint", text(t.mint));
    ticket.set("plate", text(t.plate));
    ticket.set("sngCop", text(t.sngCop));
    ticket.set("weiser", text(t.weiser));
    ticket.set("monograms", strings({t.monograms.begin(), t.monograms.end()}));
    ticket.set("weight", optionalNumber(t.weight));
    ticket.set("diameter", optionalNumber(t.diameter));
    ticket.set("weightRange", text(t.weightRange));
    ticket.set("entryDiameter", text(t.entryDiameter));
    ticket.set("differs", strings(t.differs));
    ticket.set("also", strings(t.also));
    ticket.set("seen", text(t.seen));
    ticket.set("picture", std::move(picture));
    return ticket;
}

/// The ticket for row `row` of the last answer; with no such row, the
/// ticket of a coin no entry fits.
val ticket(const val& row)
{
    try {
        const State& s = state();
        const auto r = indexBelow(row, s.last.matches.size());
        const std::size_t chosen = r.value_or(s.last.matches.size());
        const answer::Ticket t = answer::TicketOf(s.last, chosen);
        return ticketValue(t, ticketPicture(s.last, chosen, t));
    } catch (...) {
        return ticketValue({});
    }
}

val coinValue(const answer::Answer& a)
{
    val coin = val::object();
    const std::string line = "line " + std::to_string(a.line);
    coin.set("label", text(a.id && !a.id->empty() ? *a.id : line));
    if (a.matches.empty()) {
        coin.set("sv", val::null());
        coin.set("differs", text(""));
    } else {
        const auto entry = static_cast<std::size_t>(a.matches.front().entry);
        coin.set("sv", text(a.catalogue.text(catalogue::columns::SV, entry)));
        coin.set("differs", text(answer::CandidateCell(a, 0, answer::CandidateColumn::Differs)));
    }
    return coin;
}

/// Reads the batch `bytes` as rovadod-find --batch does, answering
/// each coin with `near` into `coins` and `s.tray`, each problem as
/// "PATH:LINE: what".
void readTray(std::string_view bytes, const std::string& path, int near, val& coins, val& problems)
{
    State& s = state();
    answer::BatchEvents events;
    events.complain = [&problems](const std::string& problem, bool) {
        problems.call<void>("push", text(problem));
    };
    events.coin = [&](answer::BatchLine&& coin, std::int64_t line) {
        coin.query.near = near;
        answer::Answer a = answer::Ask(s.table->view(), coin.query, false, line);
        a.id = std::move(coin.id);
        a.pictures = &s.published;
        coins.call<void>("push", coinValue(a));
        s.tray.push_back(std::move(a));
    };
    answer::ReadBatchBytes(bytes, path, events);
}

/// Every coin of a batch file as rovadod-find --batch reads it, each
/// answered with the last query's near.
val tray(const val& bytes, const val& name)
{
    State& s = state();
    s.tray.clear();
    const std::string path = isString(name) ? name.as<std::string>() : "batch";
    val coins = val::array();
    val problems = val::array();
    try {
        std::string content;
        if (!bytesOf(bytes, content)) {
            problems.call<void>("push", text("cannot read " + path));
        } else {
            readTray(content, path, s.last.query.near, coins, problems);
        }
    } catch (...) {
        // Out of memory: the coins read so far stand.
    }
    val result = val::object();
    result.set("coins", coins);
    result.set("problems", problems);
    return result;
}

/// The coins of a batch file as rovadod-find --batch reads them, each with
/// its id (null without an id column) and its values as written, in the
/// value columns' order: the page adds them to its tray.
val trayCoins(const val& bytes, const val& name)
{
    const std::string path = isString(name) ? name.as<std::string>() : "batch";
    val coins = val::array();
    val problems = val::array();
    try {
        std::string content;
        answer::BatchEvents events;
        events.complain = [&problems](const std::string& problem, bool) {
            problems.call<void>("push", text(problem));
        };
        events.coin = [&coins](answer::BatchLine&& coin, std::int64_t line) {
            val read = val::object();
            read.set("id", coin.id ? text(*coin.id) : val::null());
            read.set("line", static_cast<double>(line));
            read.set("cells", strings({coin.cells.begin(), coin.cells.end()}));
            coins.call<void>("push", read);
        };
        if (!bytesOf(bytes, content)) {
            problems.call<void>("push", text("cannot read " + path));
        } else {
            answer::ReadBatchBytes(content, path, events);
        }
    } catch (...) {
        // Out of memory: the coins read so far stand.
    }
    val result = val::object();
    result.set("coins", coins);
    result.set("problems", problems);
    return result;
}

val trayTickets()
{
    val tickets = val::array();
    try {
        for (const answer::Answer& a : state().tray) {
            const answer::Ticket t = answer::TicketOf(a);
            tickets.call<void>("push", ticketValue(t, ticketPicture(a, 0, t)));
        }
    } catch (...) {
        // The tickets made so far.
    }
    return tickets;
}

/// The site's published index (the bytes of `images/.rovadod/index.tsv`;
/// anything else, or nothing, for none), kept for every catalogue opened
/// after it: pictures read, and entries of the open catalogue with one.
val setPictures(const val& bytes)
{
    State& s = state();
    try {
        std::string content;
        s.index = bytesOf(bytes, content) ? pictures::ReadIndex(content) : pictures::Index{};
        s.published = answer::PicturesFromIndex(s.index, s.table->view());
        return picturesCount(s.index.entries.size(), entriesWithAny(s.published.byEntry));
    } catch (...) {
        s.index = {};
        s.published = {};
        return picturesCount(0, 0);
    }
}

/// The collector's own picture files by name (an array of strings; the
/// rest is no name), kept for every catalogue opened after them: names a
/// picture may have, and entries of the open catalogue with one.
val setOwnPictures(const val& names)
{
    State& s = state();
    try {
        s.own = {};
        if (names.isArray()) {
            const auto length = names["length"].as<std::size_t>();
            for (std::size_t k = 0; k < length; ++k) {
                const val name = names[k];
                if (isString(name)) {
                    s.own.names.push_back(name.as<std::string>());
                }
            }
        }
        matchPictures(s);
        const auto named =
            std::count_if(s.own.names.begin(), s.own.names.end(), [](const std::string& name) {
                return pictures::IsPictureName(fileName(name));
            });
        return picturesCount(static_cast<std::size_t>(named), entriesWithAny(s.own.byEntry));
    } catch (...) {
        s.own = {};
        return picturesCount(0, 0);
    }
}

/// Row `row`'s pictures in showing order: the published ones as the
/// keeper ordered them, then the collector's own (shown beside them, never
/// instead), labelled over all of them ("412 obverse 2" for an own obverse
/// after a published one).
val picturesOf(const val& row)
{
    val list = val::array();
    try {
        const State& s = state();
        const auto r = indexBelow(row, s.last.matches.size());
        if (!r) {
            return list;
        }
        const auto entry = static_cast<std::size_t>(s.last.matches[*r].entry);
        std::vector<const answer::Picture*> published;
        std::vector<std::string> names;
        for (const answer::Picture& p : s.published.of(static_cast<int>(entry))) {
            if (p.usable()) {
                published.push_back(&p);
                names.emplace_back(fileName(p.path));
            }
        }
        static const std::vector<std::uint32_t> none;
        const std::vector<std::uint32_t>& own =
            entry < s.own.byEntry.size() ? s.own.byEntry[entry] : none;
        for (const std::uint32_t k : own) {
            names.emplace_back(fileName(s.own.names[k]));
        }
        const std::vector<std::string> labels =
            pictures::AccessibleNames(s.last.catalogue.text(catalogue::columns::SV, entry), names);
        for (std::size_t k = 0; k < names.size(); ++k) {
            const bool mine = k >= published.size();
            const answer::Picture* p = mine ? nullptr : published[k];
            val picture = val::object();
            picture.set("path", text(mine ? s.own.names[own[k - published.size()]] : p->path));
            picture.set("label", text(labels[k]));
            const bool small = !mine && !p->small.empty();
            picture.set("small", small ? text(p->small) : val::null());
            picture.set("width", sizeOrNull(mine ? 0 : p->header.width, !mine));
            picture.set("height", sizeOrNull(mine ? 0 : p->header.height, !mine));
            picture.set("smallWidth", sizeOrNull(small ? p->smallWidth : 0, small));
            picture.set("smallHeight", sizeOrNull(small ? p->smallHeight : 0, small));
            picture.set("own", mine);
            list.call<void>("push", picture);
        }
    } catch (...) {
        return val::array();
    }
    return list;
}

/// The pages of `count` tickets of side `side` mm on `paper` ("a4" or
/// "letter"), as rovadod-find lays them out; none for values it refuses.
val ticketPages(const val& count, const val& side, const val& paper)
{
    val pages = val::array();
    constexpr double mostTickets = 100000;
    const std::optional<answer::Paper> chosen =
        isString(paper) ? answer::ParsePaper(paper.as<std::string>()) : std::nullopt;
    const bool numbers =
        count.typeOf().as<std::string>() == "number" && side.typeOf().as<std::string>() == "number";
    if (!chosen || !numbers) {
        return pages;
    }
    const double n = count.as<double>();
    const double mm = side.as<double>();
    if (!(n >= 0 && n <= mostTickets) ||
        !(mm >= answer::minTicketSide && mm <= answer::maxTicketSide)) {
        return pages;
    }
    try {
        for (const answer::Page& page :
             answer::TicketPages(answer::PaperSize(*chosen), mm, static_cast<int>(n))) {
            val rects = val::array();
            for (const answer::Rect& r : page) {
                val rect = val::object();
                rect.set("x", r.x);
                rect.set("y", r.y);
                rect.set("width", r.width);
                rect.set("height", r.height);
                rects.call<void>("push", rect);
            }
            pages.call<void>("push", rects);
        }
    } catch (...) {
        return val::array();
    }
    return pages;
}

/// The pixel size a picture's first bytes give, by the header reader every
/// face uses, before anything decodes it: `{width, height, problem}`, the
/// problem empty for a picture that can be shown (over 50 megapixels, HEIC,
/// not a picture are not).
val pictureHeader(const val& bytes)
{
    val result = val::object();
    std::string content;
    const pictures::Header header =
        bytesOf(bytes, content)
            ? pictures::ReadHeader(
                  {reinterpret_cast<const unsigned char*>(content.data()), content.size()}, false)
            : pictures::Refused(pictures::Problem::NotPicture);
    result.set("width", static_cast<double>(header.width));
    result.set("height", static_cast<double>(header.height));
    result.set("problem", text(header.ok() ? std::string() : header.problem));
    return result;
}

} // namespace

EMSCRIPTEN_BINDINGS(rovadod_engine)
{
    emscripten::function("openOf", &open);
    emscripten::function("lists", &lists);
    // engine.ask(q) is engine-post.js's: it hands q's values over at once.
    emscripten::function("askOptions", &askOptions);
    emscripten::function("askValues", &askValues);
    emscripten::function("rowsValues", &rowsValues);
    emscripten::function("entryOf", &entry);
    emscripten::function("tsv", &tsv);
    emscripten::function("json", &json);
    emscripten::function("ticketOf", &ticket);
    emscripten::function("trayOf", &tray);
    emscripten::function("trayTickets", &trayTickets);
    emscripten::function("trayCoinsOf", &trayCoins);
    emscripten::function("setPicturesOf", &setPictures);
    emscripten::function("setOwnPicturesOf", &setOwnPictures);
    emscripten::function("picturesOfRow", &picturesOf);
    emscripten::function("pictureHeaderOf", &pictureHeader);
    // engine-post.js makes engine.open, entry, ticket, tray, trayCoins,
    // setPictures, setOwnPictures, picturesOf and
    // ticketPages(count, side = 50, paper = "a4") of the *Of calls.
    emscripten::function("ticketPagesOf", &ticketPages);
    emscripten::constant("version", std::string(ROVADOD_VERSION));
}
