// SPDX-License-Identifier: GPL-3.0-or-later
#include "vocab/values.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

namespace vocab {

namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool beginsIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool containsIgnoringCase(std::string_view text, std::string_view part)
{
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        if (EqualsIgnoringCase(text.substr(at, part.size()), part)) {
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
    r.positions = {r.position};
    return r;
}

Resolved positionsResolved(std::vector<int> positions)
{
    Resolved r;
    r.kind = Resolved::Kind::Position;
    r.position = positions.front();
    r.positions = std::move(positions);
    return r;
}

} // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
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
    if (v.empty() || EqualsIgnoringCase(v, "any")) {
        return {};
    }
    if (v.front() == '#') {
        return resolvePosition(attribute, v.substr(1));
    }
    Resolved r;
    if (v.find('*') != std::string_view::npos) {
        for (int pos = 0; pos < attribute.count(); ++pos) {
            if (FitsPattern(attribute.texts[static_cast<std::size_t>(pos)], v)) {
                r.candidates.push_back(pos);
            }
        }
        if (r.candidates.empty()) {
            r.kind = Resolved::Kind::NoFit;
            return r;
        }
        return positionsResolved(std::exchange(r.candidates, {}));
    }
    for (int pos = 0; pos < attribute.count(); ++pos) {
        if (EqualsIgnoringCase(attribute.texts[static_cast<std::size_t>(pos)], v)) {
            return positionsResolved({pos});
        }
    }
    for (int pos = 0; pos < attribute.count(); ++pos) {
        if (beginsIgnoringCase(attribute.texts[static_cast<std::size_t>(pos)], v)) {
            r.candidates.push_back(pos);
        }
    }
    // Entries that share a code ("1 Eagle R>") find the same catalogue
    // entries, so a prefix of all of them is no question.
    const auto sameCode = [&attribute, &r](int pos) {
        return attribute.code(pos) == attribute.code(r.candidates.front());
    };
    if (!r.candidates.empty() && std::all_of(r.candidates.begin(), r.candidates.end(), sameCode)) {
        return positionsResolved(std::exchange(r.candidates, {}));
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

bool FitsPattern(std::string_view text, std::string_view pattern)
{
    // More letters than the text has cannot fit: a long hostile pattern is
    // turned away before any backtracking.
    if (static_cast<std::size_t>(std::count_if(pattern.begin(), pattern.end(),
                                               [](char c) { return c != '*'; })) > text.size()) {
        return false;
    }
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && lower(pattern[p]) == lower(text[t])) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
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
    case Resolved::Kind::NoFit:
        return "the pattern " + Quoted(value) + " fits no " + name +
               " entry; see the list with --list";
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
