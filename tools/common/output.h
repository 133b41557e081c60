// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace cli {

/// A tool's standard output, written as the text comes so that a large
/// batch never sits whole in memory. A write that fails (a full disk, say)
/// is remembered: the tool must not end as if it had printed its answer.
class Output {
public:
    void write(std::string_view text);

    /// Flushes; false when anything could not be written.
    [[nodiscard]] bool finish();

    /// What a tool reports when `finish` fails.
    static constexpr std::string_view failure = "cannot write the output";

private:
    bool failed_ = false;
};

} // namespace cli
