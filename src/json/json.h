// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/answer.h"

#include <memory>
#include <string>
#include <string_view>

/// Answers as JSON, plain C++, and every format written alike for one coin
/// or a whole batch. All JSON is valid UTF-8 whatever the catalogue holds:
/// each byte of an ill-formed sequence becomes U+FFFD.
namespace answer {

/// The JSON object for one coin: `matches`, and `counts` when counted and
/// `counts` is true. Indented, one value a line.
std::string JsonText(const Answer& answer, bool counts = true);

/// `text` as a JSON string, quotes included, made valid UTF-8 as above.
void AppendJsonString(std::string& out, std::string_view text);

/// The 21 fields of each entry as a JSON object, made once per entry: a
/// batch names the same entries again and again. One catalogue per
/// object, whose fields must not change while it is in use.
class JsonFields {
public:
    JsonFields();
    ~JsonFields();
    JsonFields(const JsonFields&) = delete;
    JsonFields& operator=(const JsonFields&) = delete;
    JsonFields(JsonFields&&) noexcept;
    JsonFields& operator=(JsonFields&&) noexcept;

    struct Made; ///< the objects made so far, kept in json.cpp
    Made& made() { return *made_; }

private:
    std::unique_ptr<Made> made_;
};

/// A batch's JSON object, `{"coins": [...]}`, written coin by coin (one a
/// line) so that a large batch never sits whole in memory.
class JsonBatch {
public:
    /// The coin's object with its batch line, after what comes before it.
    std::string coin(const Answer& answer);
    /// What closes the object, all of it when no coin came.
    [[nodiscard]] std::string end() const;

private:
    bool started_ = false;
    JsonFields fields_;
};

/// The six lists in `format`, JSON included.
std::string ListsDocument(Format format);

/// Every coin's output in one format, for one coin or a whole batch, so
/// that both are written alike.
class Writer {
public:
    Writer(Format format, bool batch) : format_(format), batch_(batch) {}
    /// Whether the batch's coins carry ids (a TSV column); set before the
    /// first coin.
    void setIds(bool ids) { ids_ = ids; }
    /// The coin's output, after what comes before the first one.
    std::string coin(const Answer& answer);
    /// What closes the output, also when no coin came.
    std::string end();

private:
    std::string start();

    Format format_;
    bool batch_;
    bool ids_ = false;
    bool started_ = false;
    JsonBatch json_;
};

} // namespace answer
