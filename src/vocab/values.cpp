// SPDX-License-Identifier: GPL-3.0-or-later
#include "vocab/values.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vocab {

namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool beginsIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool containsIgnoringCase(std::string_view text, std::string_view part)
{
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        if (equalsIgnoringCase(text.substr(at, part.size()), part)) {
            return true;
        }
    }
    return false;
}

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

Resolved resolvePosition(const Attribute& attribute, std::string_view digits)
{
    Resolved r;
    r.kind = Resolved::Kind::BadPosition;
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || digits.front() == '-' || error != std::errc() ||
        end != digits.data() + digits.size() || n < 1 || n > attribute.count()) {
        return r;
    }
    r.kind = Resolved::Kind::Position;
    r.position = n - 1;
    return r;
}

} // namespace

std::string Quoted(std::string_view value)
{
    // A value can be a whole line of a hostile file: a message shows enough
    // to find it, not megabytes.
    std::string_view shown = value;
    if (value.size() > quotedBytes) {
        // Cut before the character the limit falls into, if it is one.
        std::size_t lead = quotedBytes;
        while (lead > 0 && quotedBytes - lead < 3 && isContinuation(value[lead])) {
            --lead;
        }
        const bool inCharacter =
            lead < quotedBytes && static_cast<unsigned char>(value[lead]) >= 0xC0;
        shown = value.substr(0, inCharacter ? lead : quotedBytes);
    }
    std::string out = "\"";
    for (const char c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    out += '"';
    if (shown.size() < value.size()) {
        out += " \xE2\x80\xA6 (" + std::to_string(value.size()) + " bytes)";
    }
    return out;
}

std::string_view Trimmed(std::string_view value, std::string_view blanks)
{
    const auto first = value.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return value.substr(first, value.find_last_not_of(blanks) - first + 1);
}

Resolved ResolveValue(const Attribute& attribute, std::string_view value)
{
    const std::string_view v = Trimmed(value);
    if (v.empty() || equalsIgnoringCase(v, "any")) {
        return {};
    }
    if (v.front() == '#') {
        return resolvePosition(attribute, v.substr(1));
    }
    Resolved r;
    for (int pos = 0; pos < attribute.count(); ++pos) {
        if (equalsIgnoringCase(attribute.texts[static_cast<std::size_t>(pos)], v)) {
            r.kind = Resolved::Kind::Position;
            r.position = pos;
            return r;
        }
    }
    for (int pos = 0; pos < attribute.count(); ++pos) {
        if (beginsIgnoringCase(attribute.texts[static_cast<std::size_t>(pos)], v)) {
            r.candidates.push_back(pos);
        }
    }
    if (r.candidates.size() == 1) {
        r.kind = Resolved::Kind::Position;
        r.position = r.candidates.front();
        r.candidates.clear();
        return r;
    }
    if (!r.candidates.empty()) {
        r.kind = Resolved::Kind::Ambiguous;
        return r;
    }
    // Nothing begins with it: offer the entries that hold it somewhere
    // ("cornucopia"), or else the whole list.
    r.kind = Resolved::Kind::Unknown;
    for (int pos = 0; pos < attribute.count(); ++pos) {
        if (containsIgnoringCase(attribute.texts[static_cast<std::size_t>(pos)], v)) {
            r.candidates.push_back(pos);
        }
    }
    if (r.candidates.empty()) {
        for (int pos = 0; pos < attribute.count(); ++pos) {
            r.candidates.push_back(pos);
        }
    }
    return r;
}

std::string ValueProblem(const Attribute& attribute, std::string_view value,
                         const Resolved& resolved)
{
    const std::string name(attribute.option);
    std::string text;
    switch (resolved.kind) {
    case Resolved::Kind::Any:
    case Resolved::Kind::Position:
        return {};
    case Resolved::Kind::BadPosition:
        return Quoted(value) + (name.find_first_of("aeiou") == 0 ? " is not an " : " is not a ") +
               name + " position: write # and a number from 1 to " +
               std::to_string(attribute.count());
    case Resolved::Kind::Ambiguous:
        text = Quoted(value) + " begins more than one " + name + " entry:";
        break;
    case Resolved::Kind::Unknown:
        text = "no " + name + " entry is or begins with " + Quoted(value) +
               (static_cast<int>(resolved.candidates.size()) == attribute.count()
                    ? "; the entries are:"
                    : "; entries that contain it:");
        break;
    }
    for (const int pos : resolved.candidates) {
        std::string number = "#" + std::to_string(pos + 1);
        number.resize(std::max<std::size_t>(number.size(), 4), ' ');
        text += "\n  " + number + " " + std::string(attribute.texts[static_cast<std::size_t>(pos)]);
    }
    return text;
}

} // namespace vocab
