// SPDX-License-Identifier: GPL-3.0-or-later
#include "json/json.h"

#include "answer/tsv.h"
#include "vocab/vocabulary.h"
#include "json/qtext.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace answer {

namespace {

using lookup::Match;

constexpr auto attributeCount = static_cast<std::size_t>(vocab::attributeCount);

QJsonObject jsonMatch(const catalogue::View& catalogue, const Match& match, JsonFields& fields)
{
    QJsonArray differs;
    for (int clue = 0; clue < lookup::clueCount; ++clue) {
        if (match.differs.test(static_cast<std::size_t>(clue))) {
            differs.append(QStringOf(lookup::ClueOption(clue)));
        }
    }
    QJsonArray unknown;
    for (std::size_t m = 0; m < lookup::measureOptions.size(); ++m) {
        if (match.unknown.test(m)) {
            unknown.append(QStringOf(lookup::measureOptions[m]));
        }
    }
    QJsonObject object;
    object.insert(QStringLiteral("line"), match.entry + 1);
    object.insert(
        QStringLiteral("sv"),
        QStringOf(catalogue.text(catalogue::columns::SV, static_cast<std::size_t>(match.entry))));
    object.insert(QStringLiteral("distance"), match.distance);
    object.insert(QStringLiteral("differs"), differs);
    object.insert(QStringLiteral("misfit"),
                  match.misfit ? QJsonValue(*match.misfit) : QJsonValue());
    object.insert(QStringLiteral("unknown"), unknown);
    object.insert(QStringLiteral("fields"), fields.of(catalogue, match.entry));
    return object;
}

/// The six lists keyed by option, each entry with its 1-based position,
/// text and code, and its count when `counts` is given.
QJsonObject jsonLists(const lookup::FacetCounts* counts)
{
    QJsonObject object;
    for (std::size_t a = 0; a < attributeCount; ++a) {
        const vocab::Attribute& attr = vocab::attributes[a];
        QJsonArray list;
        for (int pos = 0; pos < attr.count(); ++pos) {
            QJsonObject entry{
                {QStringLiteral("position"), pos + 1},
                {QStringLiteral("text"), QStringOf(attr.texts[static_cast<std::size_t>(pos)])},
                {QStringLiteral("code"), QStringOf(attr.code(pos))},
            };
            if (counts) {
                entry.insert(QStringLiteral("count"), (*counts)[a][static_cast<std::size_t>(pos)]);
            }
            list.append(entry);
        }
        object.insert(QStringOf(attr.option), list);
    }
    return object;
}

QJsonObject jsonAnswer(const Answer& answer, bool batch, JsonFields& fields)
{
    QJsonArray matches;
    for (const Match& match : answer.matches) {
        matches.append(jsonMatch(answer.catalogue, match, fields));
    }
    QJsonObject object;
    if (batch) {
        object.insert(QStringLiteral("line"), static_cast<qint64>(answer.line));
        if (answer.id) {
            object.insert(QStringLiteral("id"), QStringOf(*answer.id));
        }
    }
    object.insert(QStringLiteral("matches"), matches);
    if (answer.counts) {
        object.insert(QStringLiteral("counts"), jsonLists(&*answer.counts));
    }
    return object;
}

std::string fromJson(const QJsonObject& object)
{
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

QJsonObject JsonFields::of(const catalogue::View& catalogue, int entry)
{
    const auto k = static_cast<std::size_t>(entry);
    if (k >= made_.size()) {
        made_.resize(k + 1);
    }
    if (!made_[k]) {
        QJsonObject fields;
        for (const catalogue::ColumnInfo& column : catalogue::schema) {
            fields.insert(QStringOf(column.name), QStringOf(catalogue.text(column, k)));
        }
        made_[k] = fields;
    }
    return *made_[k];
}

std::string JsonText(const Answer& answer)
{
    JsonFields fields;
    return fromJson(jsonAnswer(answer, false, fields));
}

std::string JsonBatch::coin(const Answer& answer)
{
    const QByteArray object =
        QJsonDocument(jsonAnswer(answer, true, fields_)).toJson(QJsonDocument::Compact);
    std::string text = started_ ? ",\n" : "{\"coins\": [\n";
    started_ = true;
    return text.append(object.constData(), static_cast<std::size_t>(object.size()));
}

std::string JsonBatch::end() const
{
    return started_ ? "\n]}\n" : "{\"coins\": []}\n";
}

std::string ListsDocument(Format format)
{
    if (format == Format::Json) {
        return fromJson(QJsonObject{{QStringLiteral("lists"), jsonLists(nullptr)}});
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
