// SPDX-License-Identifier: GPL-3.0-or-later
#include "json/json.h"

#include "answer/pictures.h"
#include "answer/tsv.h"
#include "lookup/utf8.h"
#include "vocab/vocabulary.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace answer {

using Json = nlohmann::json;

struct JsonFields::Made {
    std::vector<std::optional<Json>> objects;
};

JsonFields::JsonFields() : made_(std::make_unique<Made>()) {}
JsonFields::~JsonFields() = default;
JsonFields::JsonFields(JsonFields&&) noexcept = default;
JsonFields& JsonFields::operator=(JsonFields&&) noexcept = default;

namespace {

using lookup::Match;

constexpr auto attributeCount = static_cast<std::size_t>(vocab::attributeCount);

/// A JSON string of `text`: the writer takes valid UTF-8 only.
Json string(std::string_view text)
{
    std::string valid(text);
    lookup::MakeValidUtf8(valid);
    return valid;
}

/// Written with '.' whatever the locale, and never throwing: every string
/// was made valid UTF-8 already.
std::string dump(const Json& value, int indent = -1)
{
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

const Json& fieldsOf(JsonFields& fields, const catalogue::View& catalogue, int entry)
{
    auto& made = fields.made().objects;
    const auto k = static_cast<std::size_t>(entry);
    if (k >= made.size()) {
        made.resize(k + 1);
    }
    if (!made[k]) {
        Json object = Json::object();
        for (const catalogue::ColumnInfo& column : catalogue::schema) {
            object[std::string(column.name)] = string(catalogue.text(column, k));
        }
        made[k] = std::move(object);
    }
    return *made[k];
}

Json jsonMatch(const catalogue::View& catalogue, const Match& match, JsonFields& fields)
{
    Json differs = Json::array();
    for (int clue = 0; clue < lookup::clueCount; ++clue) {
        if (match.differs.test(static_cast<std::size_t>(clue))) {
            differs.push_back(string(lookup::ClueOption(clue)));
        }
    }
    Json unknown = Json::array();
    for (std::size_t m = 0; m < lookup::measureOptions.size(); ++m) {
        if (match.unknown.test(m)) {
            unknown.push_back(string(lookup::measureOptions[m]));
        }
    }
    Json object = Json::object();
    object["line"] = match.entry + 1;
    object["sv"] =
        string(catalogue.text(catalogue::columns::SV, static_cast<std::size_t>(match.entry)));
    object["distance"] = match.distance;
    object["differs"] = std::move(differs);
    object["misfit"] = match.misfit ? Json(*match.misfit) : Json();
    object["unknown"] = std::move(unknown);
    object["fields"] = fieldsOf(fields, catalogue, match.entry);
    return object;
}

/// The six lists keyed by option, each entry with its 1-based position,
/// text and code, and its count when `counts` is given.
Json jsonLists(const lookup::FacetCounts* counts)
{
    Json object = Json::object();
    for (std::size_t a = 0; a < attributeCount; ++a) {
        const vocab::Attribute& attr = vocab::attributes[a];
        Json list = Json::array();
        for (int pos = 0; pos < attr.count(); ++pos) {
            Json entry = {
                {"position", pos + 1},
                {"text", string(attr.texts[static_cast<std::size_t>(pos)])},
                {"code", string(attr.code(pos))},
            };
            if (counts) {
                entry["count"] = (*counts)[a][static_cast<std::size_t>(pos)];
            }
            list.push_back(std::move(entry));
        }
        object[std::string(attr.option)] = std::move(list);
    }
    return object;
}

Json jsonAnswer(const Answer& answer, bool batch, bool counts, JsonFields& fields)
{
    Json matches = Json::array();
    for (const Match& match : answer.matches) {
        Json object = jsonMatch(answer.catalogue, match, fields);
        // Only where there is a picture: an answer without any reads as before.
        if (answer.pictures != nullptr) {
            Json paths = Json::array();
            for (const std::string& path : ShownPaths(*answer.pictures, match.entry)) {
                paths.push_back(string(path));
            }
            if (!paths.empty()) {
                object["pictures"] = std::move(paths);
            }
        }
        matches.push_back(std::move(object));
    }
    Json object = Json::object();
    if (batch) {
        object["line"] = answer.line;
        if (answer.id) {
            object["id"] = string(*answer.id);
        }
    }
    object["matches"] = std::move(matches);
    if (counts && answer.counts) {
        object["counts"] = jsonLists(&*answer.counts);
    }
    return object;
}

/// A whole document, indented as people read it.
std::string document(const Json& value)
{
    return dump(value, 4) + "\n";
}

} // namespace

void AppendJsonString(std::string& out, std::string_view text)
{
    // Most values need no escape: written as they are, far cheaper than a
    // string value of the writer's for each cell of a page's answer.
    const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == '"' || u == '\\';
    });
    if (plain && lookup::IsValidUtf8(text)) {
        out += '"';
        out += text;
        out += '"';
        return;
    }
    out += dump(string(text));
}

std::string JsonText(const Answer& answer, bool counts)
{
    JsonFields fields;
    return document(jsonAnswer(answer, false, counts, fields));
}

std::string JsonBatch::coin(const Answer& answer)
{
    std::string text = started_ ? ",\n" : "{\"coins\": [\n";
    started_ = true;
    return text + dump(jsonAnswer(answer, true, true, fields_));
}

std::string JsonBatch::end() const
{
    return started_ ? "\n]}\n" : "{\"coins\": []}\n";
}

std::string ListsDocument(Format format)
{
    if (format == Format::Json) {
        return document(Json{{"lists", jsonLists(nullptr)}});
    }
    return ListsText(format);
}

std::string Writer::start()
{
    started_ = true;
    return format_ == Format::Tsv ? TsvHeader(batch_, ids_) : std::string();
}

std::string Writer::coin(const Answer& answer)
{
    std::string text = started_ ? std::string() : start();
    switch (format_) {
    case Format::Report:
        AppendCoinReport(text, answer, batch_);
        break;
    case Format::Tsv:
        text += TsvRows(answer, batch_, ids_);
        break;
    case Format::Json:
        text += batch_ ? json_.coin(answer) : JsonText(answer);
        break;
    }
    return text;
}

std::string Writer::end()
{
    std::string text = started_ ? std::string() : start();
    return batch_ && format_ == Format::Json ? text + json_.end() : text;
}

} // namespace answer
