// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/match.h"

#include <algorithm>
#include <array>

namespace pictures {

namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view end)
{
    if (text.size() < end.size()) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - end.size());
    return std::equal(tail.begin(), tail.end(), end.begin(),
                      [](char a, char b) { return lower(a) == b; });
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool IsPictureName(std::string_view name)
{
    if (name.empty() || name.front() == '.') {
        return false;
    }
    static constexpr std::array<std::string_view, 4> extensions{".jpg", ".jpeg", ".png", ".webp"};
    return std::any_of(extensions.begin(), extensions.end(), [name](std::string_view ext) {
        return name.size() > ext.size() && endsWithIgnoringCase(name, ext);
    });
}

std::string_view Stem(std::string_view name)
{
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string SafeNumber(std::string_view number)
{
    std::string out(number);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f ||
            std::string_view(R"(/\:*?"<>|)").find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    return out;
}

Matcher::Matcher(const catalogue::View& view) : entries_(view.entries())
{
    for (std::int32_t k = 0; k < entries_; ++k) {
        add(view.text(catalogue::columns::SV, static_cast<std::size_t>(k)), k);
    }
}

Matcher::Matcher(std::span<const std::string> numbers)
    : entries_(static_cast<std::int32_t>(numbers.size()))
{
    for (std::int32_t k = 0; k < entries_; ++k) {
        add(numbers[static_cast<std::size_t>(k)], k);
    }
}

void Matcher::add(std::string_view number, std::int32_t entry)
{
    if (!number.empty()) {
        byNumber_[lowered(SafeNumber(number))].push_back(entry);
    }
}

std::span<const std::int32_t> Matcher::entriesOf(std::string_view name) const
{
    if (byNumber_.empty() || !IsPictureName(name)) {
        return {};
    }
    // The whole stem first, then each shorter prefix that ends before a
    // '-' or '_': the first found is the longest number claiming the name.
    const std::string stem = lowered(Stem(name));
    std::size_t end = stem.size();
    while (true) {
        const auto found = byNumber_.find(stem.substr(0, end));
        if (found != byNumber_.end()) {
            return found->second;
        }
        const auto cut = stem.find_last_of("-_", end - 1);
        if (cut == std::string::npos || cut == 0) {
            return {};
        }
        end = cut;
    }
}

Assignment Assign(const Matcher& matcher, std::span<const std::string> names)
{
    Assignment out;
    out.byEntry.resize(static_cast<std::size_t>(matcher.entries()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!IsPictureName(names[i])) {
            continue;
        }
        const auto entries = matcher.entriesOf(names[i]);
        if (entries.empty()) {
            out.unclaimed.push_back(static_cast<std::uint32_t>(i));
        }
        for (const std::int32_t k : entries) {
            out.byEntry[static_cast<std::size_t>(k)].push_back(static_cast<std::uint32_t>(i));
        }
    }
    for (auto& list : out.byEntry) {
        std::sort(list.begin(), list.end(), [&names](std::uint32_t a, std::uint32_t b) {
            return ShowsBefore(names[a], names[b]);
        });
    }
    return out;
}

Side SideOf(std::string_view name)
{
    const std::string stem = lowered(Stem(name));
    if (stem.find("obverse") != std::string::npos) {
        return Side::Obverse;
    }
    return stem.find("reverse") != std::string::npos ? Side::Reverse : Side::Other;
}

namespace {

/// Natural comparison of two texts, letter case ignored.
int compareNatural(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Numbers of any length: without their leading zeros, the
            // longer is larger, and equal lengths compare digit by digit.
            auto runEnd = [](std::string_view s, std::size_t p) {
                while (p < s.size() && isDigit(s[p])) {
                    ++p;
                }
                return p;
            };
            const std::size_t ie = runEnd(a, i);
            const std::size_t je = runEnd(b, j);
            std::size_t is = i;
            std::size_t js = j;
            while (is + 1 < ie && a[is] == '0') {
                ++is;
            }
            while (js + 1 < je && b[js] == '0') {
                ++js;
            }
            if (ie - is != je - js) {
                return ie - is < je - js ? -1 : 1;
            }
            if (const int c = a.substr(is, ie - is).compare(b.substr(js, je - js)); c != 0) {
                return c < 0 ? -1 : 1;
            }
            i = ie;
            j = je;
            continue;
        }
        const char x = lower(a[i]);
        const char y = lower(b[j]);
        if (x != y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

} // namespace

int CompareNames(std::string_view a, std::string_view b)
{
    if (const int c = compareNatural(Stem(a), Stem(b)); c != 0) {
        return c;
    }
    if (const int c = compareNatural(a, b); c != 0) {
        return c;
    }
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool ShowsBefore(std::string_view a, std::string_view b)
{
    const Side sa = SideOf(a);
    const Side sb = SideOf(b);
    if (sa != sb) {
        return sa < sb;
    }
    return CompareNames(a, b) < 0;
}

void Order(std::vector<std::string>& names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return ShowsBefore(a, b); });
}

std::vector<std::string> AccessibleNames(std::string_view number,
                                         std::span<const std::string> ordered)
{
    std::vector<std::string> out;
    out.reserve(ordered.size());
    int obverses = 0;
    int reverses = 0;
    int others = 0;
    const std::string sv(number);
    for (const std::string& name : ordered) {
        switch (SideOf(name)) {
        case Side::Obverse:
            ++obverses;
            out.push_back(sv + " obverse" + (obverses > 1 ? " " + std::to_string(obverses) : ""));
            break;
        case Side::Reverse:
            ++reverses;
            out.push_back(sv + " reverse" + (reverses > 1 ? " " + std::to_string(reverses) : ""));
            break;
        case Side::Other:
            out.push_back(sv + " picture " + std::to_string(++others));
            break;
        }
    }
    return out;
}

} // namespace pictures
