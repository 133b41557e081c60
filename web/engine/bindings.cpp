// SPDX-License-Identifier: GPL-3.0-or-later
// The finder's engine for the web page: plain JS values in and out, every
// answer from the core. Nothing thrown here reaches the page: a function that
// fails answers as an empty catalogue or answer would.

#include "catalogue/catalogue.h"
#include "catalogue/table.h"
#include "lookup/measure.h"
#include "lookup/query.h"
#include "lookup/search.h"
#include "vocab/values.h"
#include "vocab/vocabulary.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using emscripten::val;

// The window's names of the six lists, which the page shows as labels.
constexpr std::array<std::string_view, vocab::attributeCount> listLabels{
    "Obverse figure", "Inscription", "Reverse figure", "Left field", "Right side", "Countermark"};

// The loader reads files; the page's bytes are put where it reads them.
constexpr const char* scratch = "/tmp/rovadod-catalogue";

struct State {
    std::shared_ptr<const catalogue::Table> table = std::make_shared<const catalogue::Table>();
    lookup::Query query;
    std::vector<lookup::Match> matches;
};

State& state()
{
    static State s;
    return s;
}

val text(std::string_view s)
{
    return val(std::string(s));
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

bool writeScratch(const std::string& bytes)
{
    std::FILE* file = std::fopen(scratch, "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::string entriesRead(std::int32_t n)
{
    return std::to_string(n) + (n == 1 ? " entry read" : " entries read");
}

val open(const val& bytes, const std::string& name)
{
    State& s = state();
    s.table = std::make_shared<const catalogue::Table>();
    s.matches.clear();
    std::string why = "read error";
    try {
        std::string content;
        if (!bytesOf(bytes, content)) {
            why = "not a file's bytes";
        } else if (writeScratch(content)) {
            content = {};
            catalogue::LoadedTable loaded = catalogue::LoadTable(scratch);
            if (loaded.outcome.loaded()) {
                s.table = std::move(loaded.table);
                why.clear();
            }
        }
    } catch (...) {
        // Out of memory for a catalogue this large: it cannot be read.
    }
    std::remove(scratch);
    val result = val::object();
    result.set("entries", s.table->entries());
    result.set("status", text(why.empty() ? name + ": " + entriesRead(s.table->entries())
                                          : "Cannot read " + name + ": " + why));
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
        list.set("label", text(listLabels[a]));
        list.set("option", text(attr.option));
        list.set("texts", texts);
        all.call<void>("push", list);
    }
    return all;
}

} // namespace

EMSCRIPTEN_BINDINGS(rovadod_engine)
{
    emscripten::function("open", &open);
    emscripten::function("lists", &lists);
    emscripten::constant("version", std::string(ROVADOD_VERSION));
}
