// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace lookup {

/// True when `text` is well-formed UTF-8 (no overlongs, surrogates or code
/// points above U+10FFFF).
bool IsValidUtf8(std::string_view text);

/// Replaces every ill-formed sequence of `text` with U+FFFD, so that a
/// catalogue in another encoding still shows, garbled but whole.
void MakeValidUtf8(std::string& text);

} // namespace lookup
