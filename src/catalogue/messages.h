// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// The loader's messages, each of which replaces the whole output area.
namespace messages {

inline constexpr std::string_view reading = "Reading File...";
inline constexpr std::string_view notFound = "Database not found!";
inline constexpr std::string_view problem = "Problem Reading Quarvel Database";

/// "Quarvel Database OK", a line feed, the count and " Entries Read".
inline std::string summary(std::int32_t entries)
{
    return "Quarvel Database OK\n" + std::to_string(entries) + " Entries Read";
}

} // namespace messages
