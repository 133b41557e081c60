// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vocab/vocabulary.h"

#include <string>
#include <string_view>
#include <vector>

namespace vocab {

/// What a value typed for one attribute stands for.
struct Resolved {
    enum class Kind {
        Any,         ///< "any" or nothing: the attribute stays open
        Position,    ///< list entries, in `positions`, one unless a pattern or prefix
        Unknown,     ///< no entry's text is or begins with the value
        Ambiguous,   ///< the value begins entries with different codes
        BadPosition, ///< "#N" outside the list, or "#" without a number
        NoFit,       ///< a pattern with "*" that fits no entry
    };
    Kind kind = Kind::Any;
    int position = -1;           ///< 0-based, the first of `positions`
    std::vector<int> positions;  ///< 0-based, for `Position`
    std::vector<int> candidates; ///< 0-based positions the value could have meant
};

/// Resolves a value as a collector types it, ignoring case and surrounding
/// spaces: "any" (or empty) leaves the attribute open; "#N" is the entry at
/// 1-based position N; a value with "*" is every entry whose text it fits,
/// "*" standing for any run of characters ("1 eagle*"); otherwise an entry
/// whose text equals the value, or failing that the entries whose text
/// begins with it ("zeus laur") when they all select one code.
Resolved ResolveValue(const Attribute& attribute, std::string_view value);

/// True when `pattern` fits all of `text`, ignoring ASCII case, each "*"
/// standing for any run of characters (none included).
bool FitsPattern(std::string_view text, std::string_view pattern);

/// Why `value` did not resolve, with the entries it could have meant, e.g.
/// `"cl" fits more than one left-field entry:` and one `  #5  Club` line per
/// candidate. Empty for a value that resolved.
std::string ValueProblem(const Attribute& attribute, std::string_view value,
                         const Resolved& resolved);

/// Most bytes of a value that `Quoted` shows.
inline constexpr std::size_t quotedBytes = 80;

/// `value` between double quotes, control characters escaped (`\t`,
/// `\x0D`) so that a stray tab or carriage return shows. A value longer
/// than `quotedBytes` shows its start, cut between characters, then its
/// size: `"abc..." … (20971520 bytes)`.
std::string Quoted(std::string_view value);

/// True when `a` and `b` are the same text but for ASCII letter case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

/// `value` without the `blanks` around it: spaces alone for typed values.
std::string_view Trimmed(std::string_view value, std::string_view blanks = " ");

} // namespace vocab
