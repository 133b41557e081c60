// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/answer.h"
#include "answer/batch.h"
#include "answer/candidates.h"
#include "answer/read.h"
#include "answer/tsv.h"
#include "batch.h"
#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "lookup/utf8.h"
#include "support/catalogue_fixture.h"
#include "support/read_control.h"
#include "vocab/values.h"
#include "json/json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QtTest>

#include <cmath>

#include <fcntl.h>
#include <unistd.h>

using answer::BatchLine;
using lookup::Query;
using testsupport::loadBytes;

namespace {

/// The catalogue the last load published, as the engine reads it.
catalogue::View loaded()
{
    return Catalogue::Published();
}

constexpr int attributeCount = vocab::attributeCount;

QByteArray row(const QByteArray& sv, const QByteArray& codes, const QByteArray& specimens = "")
{
    return sv + ",den,24,12,7,g,155,," + specimens + ",8.10,10.45,lm," + codes + ",,DI,\n";
}

void loadDemo()
{
    Catalogue::ClearCatalogue();
    const auto outcome = Catalogue::GetDatabaseFrom(
        ROVADOD_DEMO_CATALOGUE, [](const std::string&) {}, [](int) {});
    QVERIFY(outcome.loaded());
}

QJsonObject parseJson(const std::string& text)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        qWarning("%s at %d", qPrintable(error.errorString()), error.offset);
        return {};
    }
    return doc.object();
}

} // namespace

class TestFinder final : public QObject {
    Q_OBJECT

private slots:
    void report_fullSelectionIsTheWindowsText();
    void report_nearMatchesFollowWithTheirDifferences();
    void report_nearMatchesAfterNoMatch();
    void report_validUtf8AndSpecimenRule();
    void counts_everyEntryMarkedWhereGiven();
    void tsv_oneRowPerEntryWithEscapes();
    void json_parsesBackWithEveryField();
    void json_validUtf8WhateverTheCatalogueHolds();
    void json_countsAndBatch();
    void lists_everyEntryOnce();
    void batchLine_data();
    void batchLine();
    void batchHeader_data();
    void batchHeader();
    void measured_fitInEveryFormat();
    void batchReadFault_jsonStaysWholeWithTheCoinsBefore();
    void measure_oneReaderForEveryFace_data();
    void measure_oneReaderForEveryFace();
    void near_oneRuleForEveryFace_data();
    void near_oneRuleForEveryFace();
    void candidates_cellsAndSortKeys();
    void batchFile_coinsAndProblemsAsRead();
};

void TestFinder::report_fullSelectionIsTheWindowsText()
{
    loadDemo();
    const std::int32_t n = Catalogue::numentries.load();
    int nonEmpty = 0;
    // Every position of every list, the others first at position 0 and then
    // at each demo entry's positions.
    std::vector<lookup::Positions> bases{lookup::Positions{}};
    for (std::int32_t i = 0; i < n; ++i) {
        lookup::Positions p{};
        for (int a = 0; a < attributeCount; ++a) {
            p[static_cast<std::size_t>(a)] = lookup::HeldPositions(loaded(), a, i).front();
        }
        bases.push_back(p);
    }
    for (const lookup::Positions& base : bases) {
        for (int a = 0; a < attributeCount; ++a) {
            for (int p = 0; p < vocab::attributes[static_cast<std::size_t>(a)].count(); ++p) {
                lookup::Positions positions = base;
                positions[static_cast<std::size_t>(a)] = p;
                const std::string window = lookup::FindMatches(lookup::SelectionCodes(positions));
                const auto answer = answer::Ask(loaded(), lookup::SelectionQuery(positions), false);
                QCOMPARE(answer::ReportText(loaded(), answer.matches), window);
                nonEmpty += window == lookup::noMatch ? 0 : 1;
            }
        }
    }
    QVERIFY(nonEmpty > n);
}

void TestFinder::report_nearMatchesFollowWithTheirDifferences()
{
    loadBytes(row("exact", "1,1,1,1,1,1") + row("eagle", "1,1,5,1,1,1") +
              row("odd", "X,1,1,1,1,9") + row("one", "1,1,1,4,1,1"));
    const auto answer = answer::Ask(loaded(), lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 2), false);
    const std::string report = answer::ReportText(loaded(), answer.matches);
    const std::string exact = lookup::FindMatches(lookup::SelectionCodes({0, 0, 0, 0, 0, 0}));
    QVERIFY(report.starts_with(exact));
    const QStringList lines = QString::fromStdString(report.substr(exact.size())).split('\n');
    // One line, then the entry's seven-line block, per near match.
    QCOMPARE(lines.value(0),
             "Near match, 1 difference: reverse-figure is 1 Eagle R> Closed Wing / 1 Eagle R> "
             "Open Wing");
    QVERIFY(lines.value(1).startsWith("Sv eagle\t"));
    QCOMPARE(lines.value(8), "Near match, 1 difference: left-field is Club");
    QVERIFY(lines.value(9).startsWith("Sv one\t"));
    QCOMPARE(lines.value(16),
             "Near match, 2 differences: obverse-figure is \"X\"; countermark is \"9\"");
    QVERIFY(lines.value(17).startsWith("Sv odd\t"));
    QCOMPARE(lines.size(), 25); // the last block's blank line, then the end
}

void TestFinder::report_nearMatchesAfterNoMatch()
{
    loadBytes(row("one", "1,1,1,4,1,1"));
    QCOMPARE(answer::ReportText(
                 loaded(),
                 answer::Ask(loaded(), lookup::SelectionQuery({0, 0, 0, 0, 0, 0}), false).matches),
             std::string(lookup::noMatch));
    const std::string report = answer::ReportText(
        loaded(),
        answer::Ask(loaded(), lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 1), false).matches);
    QVERIFY2(report.starts_with(std::string(lookup::noMatch) +
                                "\n\nNear match, 1 difference: left-field is Club\nSv one\t"),
             report.c_str());
}

void TestFinder::report_validUtf8AndSpecimenRule()
{
    loadBytes(row("bad\xFF", "1,1,1,1,1,1") + row("near\xC3", "1,1,1,1,1,2"));
    const std::string report = answer::ReportText(
        loaded(),
        answer::Ask(loaded(), lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 1), false).matches);
    QVERIFY(lookup::IsValidUtf8(report));
    QVERIFY(report.starts_with("Sv bad\xEF\xBF\xBD\t"));
    QVERIFY(report.find("Sv near\xEF\xBF\xBD\t") != std::string::npos);
    // The empty specimen count shows "n/a" as in the window, but the
    // catalogue searched keeps it as loaded.
    QVERIFY(report.find("# Specimens = n/a") != std::string::npos);
    QCOMPARE(*Catalogue::SVCt[0], std::string());
}

void TestFinder::counts_everyEntryMarkedWhereGiven()
{
    loadDemo();
    Query q = lookup::SelectionQuery({0, 0, 4, 0, 0, 0});
    q.allowed[3].clear();
    const auto counts = lookup::CountFacets(loaded(), q);
    const QStringList lines = QString::fromStdString(answer::CountsText(q, counts)).split('\n');
    int total = 0;
    for (const auto& attr : vocab::attributes) {
        total += attr.count();
    }
    QCOMPARE(lines.size(), 1 + attributeCount + total + 1);
    QCOMPARE(lines.filter(QRegularExpression("^  \\* ")).size(), 6); // both R> eagles
    QVERIFY(lines.contains("left-field (open)"));
    QVERIFY(
        lines.contains(QStringLiteral("  * %1  #5   1 Eagle R> Closed Wing").arg(counts[2][4], 4)));
    QVERIFY(
        lines.contains(QStringLiteral("  * %1  #6   1 Eagle R> Open Wing").arg(counts[2][5], 4)));
    QVERIFY(lines.contains(QStringLiteral("    %1  #38  Helmet of Perseus").arg(counts[3][37], 4)));
}

void TestFinder::tsv_oneRowPerEntryWithEscapes()
{
    loadBytes("tab\there,a\\b,,,,,,,,,,,1,1,1,1,1,1,,,\n" + row("plain", "1,1,1,1,1,2"));
    const auto answer =
        answer::Ask(loaded(), lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 1), false, 12);
    const QStringList header = QString::fromStdString(answer::TsvHeader(false)).split('\t');
    QCOMPARE(header.size(), 25);
    QCOMPARE(header.front(), "line");
    QCOMPARE(header[3], "misfit");
    QCOMPARE(header[4], "SV");
    QCOMPARE(header.back(), "RFMgm\n");
    QCOMPARE(answer::TsvHeader(true).substr(0, 10), std::string("coin\tline\t"));

    const QStringList rows = QString::fromStdString(answer::TsvRows(answer, false)).split('\n');
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].split('\t').size(), 25);
    QVERIFY(rows[0].startsWith("1\t0\t\t\ttab\\there\ta\\\\b\tn/a\t"));
    QVERIFY(rows[1].startsWith("2\t1\tcountermark\t\tplain\t"));
    QVERIFY(rows[1].endsWith("\t-NONE-\tDI\t-NONE-"));
    QVERIFY(QString::fromStdString(answer::TsvRows(answer, true)).startsWith("12\t1\t0\t"));
    QCOMPARE(answer::TsvField("a\\t\tb"), std::string("a\\\\t\\tb"));
}

void TestFinder::json_parsesBackWithEveryField()
{
    loadBytes(row("first", "1,1,1,1,1,1") + row("second", "2,1,1,1,1,8", "7"));
    const auto answer = answer::Ask(loaded(), lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 2), false);
    const QJsonObject object = parseJson(answer::JsonText(answer));
    QCOMPARE(object.keys(), QStringList{"matches"});
    const QJsonArray matches = object["matches"].toArray();
    QCOMPARE(matches.size(), 2);
    const QJsonObject second = matches[1].toObject();
    QCOMPARE(second["line"].toInt(), 2);
    QCOMPARE(second["sv"].toString(), "second");
    QCOMPARE(second["distance"].toInt(), 2);
    QCOMPARE(second["differs"].toArray(), (QJsonArray{"obverse-figure", "countermark"}));
    const QJsonObject fields = second["fields"].toObject();
    QCOMPARE(fields.size(), catalogue::columnCount);
    for (const catalogue::ColumnInfo& column : catalogue::schema) {
        QVERIFY2(fields.contains(QString::fromUtf8(column.name.data(),
                                                   static_cast<qsizetype>(column.name.size()))),
                 column.name.data());
    }
    QCOMPARE(fields["Dia"].toString(), "24mm");
    QCOMPARE(fields["SVCt"].toString(), "7");
    QCOMPARE(fields["CMK"].toString(), "8");
    // As loaded: the report's "n/a" for an empty count is not applied.
    QCOMPARE(matches[0].toObject()["fields"].toObject()["SVCt"].toString(), "");
    QCOMPARE(matches[0].toObject()["differs"].toArray(), QJsonArray());
}

void TestFinder::json_validUtf8WhateverTheCatalogueHolds()
{
    loadBytes("sv\xFF\xFE,\xC3(,\"q\",,,,,,,,,,1,1,1,1,1,1,\x01\x7F,,\n");
    const std::string text = answer::JsonText(answer::Ask(loaded(), Query{}, false));
    QVERIFY(lookup::IsValidUtf8(text));
    const QJsonObject fields =
        parseJson(text)["matches"].toArray()[0].toObject()["fields"].toObject();
    QCOMPARE(fields["SV"].toString(), QString::fromUtf8("sv\xEF\xBF\xBD\xEF\xBF\xBD"));
    QCOMPARE(fields["Den"].toString(), QString::fromUtf8("\xEF\xBF\xBD("));
    QCOMPARE(fields["Dia"].toString(), "qmm");
    QCOMPARE(fields["LegMgm"].toString(), QString("\x01\x7F"));
    // One string as the web page's answer writes it: plain or escaped.
    for (const std::string& value :
         {std::string("plain <b>&amp;</b> \xCE\x94"), std::string("q\"b\\"),
          std::string("n\0l\x1F\n", 5), std::string("\xC3(\xFF"), std::string()}) {
        std::string written = "[";
        answer::AppendJsonString(written, value);
        written += "]";
        QVERIFY(lookup::IsValidUtf8(written));
        const QJsonDocument parsed = QJsonDocument::fromJson(QByteArray::fromStdString(written));
        QVERIFY2(parsed.isArray(), written.c_str());
        QCOMPARE(parsed.array()[0].toString(),
                 QString::fromUtf8(value.data(), qsizetype(value.size())));
    }
}

void TestFinder::json_countsAndBatch()
{
    loadDemo();
    const auto counted = answer::Ask(loaded(), lookup::SelectionQuery({0, 0, 0, 0, 0, 0}), true);
    const QJsonObject object = parseJson(answer::JsonText(counted));
    const QJsonObject counts = object["counts"].toObject();
    QCOMPARE(counts.size(), attributeCount);
    const QJsonArray reverse = counts["reverse-figure"].toArray();
    QCOMPARE(reverse.size(), 34);
    const QJsonObject fifth = reverse[4].toObject();
    QCOMPARE(fifth["position"].toInt(), 5);
    QCOMPARE(fifth["text"].toString(), "1 Eagle R> Closed Wing");
    QCOMPARE(fifth["code"].toString(), "5");
    QCOMPARE(fifth["count"].toInt(), (*counted.counts)[2][4]);
    QCOMPARE(counts["obverse-figure"].toArray()[0].toObject()["count"].toInt(),
             object["matches"].toArray().size());

    const auto none = answer::Ask(loaded(), lookup::SelectionQuery({19, 1, 0, 0, 0, 7}), false, 9);
    answer::JsonBatch writer;
    QCOMPARE(writer.end(), std::string("{\"coins\": []}\n"));
    const std::string first = writer.coin(counted);
    const std::string second = writer.coin(none);
    QCOMPARE(std::count(second.begin(), second.end(), '\n'), 1); // one coin a line
    const QJsonObject batch = parseJson(first + second + writer.end());
    QCOMPARE(batch.keys(), QStringList{"coins"});
    const QJsonArray coins = batch["coins"].toArray();
    QCOMPARE(coins.size(), 2);
    QCOMPARE(coins[1].toObject()["line"].toInt(), 9);
    QCOMPARE(coins[1].toObject()["matches"].toArray(), QJsonArray());
    QVERIFY(!coins[1].toObject().contains("counts"));
}

void TestFinder::lists_everyEntryOnce()
{
    int total = 0;
    for (const auto& attr : vocab::attributes) {
        total += attr.count();
    }
    const QStringList tsv =
        QString::fromStdString(answer::ListsDocument(answer::Format::Tsv)).split('\n');
    QCOMPARE(tsv.size(), 1 + total + 1);
    QCOMPARE(tsv[0], "option\tposition\ttext\tcode");
    QVERIFY(tsv.contains("reverse-figure\t34\tDeer Kneeling\tQ"));
    const QStringList report =
        QString::fromStdString(answer::ListsDocument(answer::Format::Report)).split('\n');
    QCOMPARE(report.size(), total + 1);
    QVERIFY(report.contains(
        QStringLiteral("left-field      #4   %1 34").arg("Double Cornucopia and Club", -36)));
    const QJsonObject json =
        parseJson(answer::ListsDocument(answer::Format::Json))["lists"].toObject();
    QCOMPARE(json["countermark"].toArray().size(), 8);
    QCOMPARE(json["countermark"].toArray()[7].toObject()["text"].toString(), "Indeterminate");
}

void TestFinder::batchLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("allowed"); // per attribute, codes joined by "|"
    QTest::addColumn<QString>("problem");

    const auto skip = static_cast<int>(BatchLine::Kind::Skip);
    const auto coin = static_cast<int>(BatchLine::Kind::Coin);
    const auto bad = static_cast<int>(BatchLine::Kind::Bad);
    const QStringList open{"", "", "", "", "", ""};

    QTest::newRow("blank") << QByteArray() << skip << open << "";
    QTest::newRow("comment") << QByteArray("# lot 12, worn") << skip << open << "";
    QTest::newRow("comment with tabs") << QByteArray("#\tzeus\tno") << skip << open << "";
    QTest::newRow("comment with a number later")
        << QByteArray("# lot 12\tof 2") << skip << open << "";
    QTest::newRow("# and a letter") << QByteArray("#x") << skip << open << "";
    QTest::newRow("# alone") << QByteArray("#") << skip << open << "";
    QTest::newRow("six values") << QByteArray("zeus laur\tyes\t#5\tclub\tnone\tanchor") << coin
                                << QStringList{"2", "2", "5", "4", "1", "3"} << "";
    QTest::newRow("first value a position, not a comment")
        << QByteArray("#2\tno") << coin << QStringList{"2", "1", "", "", "", ""} << "";
    QTest::newRow("position with a space after it")
        << QByteArray("#1 \tno") << coin << QStringList{"1", "1", "", "", "", ""} << "";
    QTest::newRow("position with spaces before it")
        << QByteArray("  #2\tno") << coin << QStringList{"2", "1", "", "", "", ""} << "";
    QTest::newRow("space between # and number: a bad line, not a comment")
        << QByteArray("# 3\tno") << bad << open
        << "\"# 3\" is not an obverse-figure position: write # and a number from 1 to 20";
    QTest::newRow("number and words: a comment")
        << QByteArray("#1 of the lot") << skip << open << "";
    QTest::newRow("a count after # is a comment, not a position")
        << QByteArray("# 10000 coins, tray 2") << skip << open << "";
    QTest::newRow("position past the list: a bad line, not a comment")
        << QByteArray("#21\tno") << bad << open << "\"#21\" is not an obverse-figure position";
    QTest::newRow("position alone")
        << QByteArray("#20") << coin << QStringList{"I", "", "", "", "", ""} << "";
    QTest::newRow("empty values are any")
        << QByteArray("\t\t\tclub\t\t") << coin << QStringList{"", "", "", "4", "", ""} << "";
    QTest::newRow("a spreadsheet's empty row") << QByteArray("\t \t\t\t\t") << skip << open << "";
    QTest::newRow("missing values are any")
        << QByteArray("ram\tno") << coin << QStringList{"D", "1", "", "", "", ""} << "";
    QTest::newRow("any written out") << QByteArray("any\tANY\tany\tany\tany\tnone") << coin
                                     << QStringList{"", "", "", "", "", "1"} << "";
    QTest::newRow("trailing tabs after six") << QByteArray("ram\tno\t\t\t\tnone\t\t") << coin
                                             << QStringList{"D", "1", "", "", "", "1"} << "";
    QTest::newRow("twelve values") << QByteArray("ram\tno\t\t\t\tnone\t\t\t\t\t\tx") << bad << open
                                   << "12 values; a coin has at most 11, separated by tabs";
    QTest::newRow("bad value") << QByteArray("ram\tmaybe") << bad << open
                               << "no inscription entry is or begins with \"maybe\"; the entries "
                                  "are:\n  #1   No\n  #2   Yes";
    QTest::newRow("bad position") << QByteArray("ram\tno\t#35") << bad << open
                                  << "\"#35\" is not a reverse-figure position: write # and a "
                                     "number from 1 to 34";
    QTest::newRow("spaces instead of tabs")
        << QByteArray("ram no") << bad << open
        << "no obverse-figure entry is or begins with \"ram no\"; the entries are:";
}

void TestFinder::batchLine()
{
    QFETCH(QByteArray, line);
    QFETCH(int, kind);
    QFETCH(QStringList, allowed);
    QFETCH(QString, problem);
    const BatchLine parsed = answer::ParseBatchLine(line.toStdString());
    QCOMPARE(static_cast<int>(parsed.kind), kind);
    QVERIFY2(QString::fromStdString(parsed.problem).startsWith(problem), parsed.problem.c_str());
    QCOMPARE(parsed.problem.empty(), problem.isEmpty());
    for (int a = 0; a < attributeCount; ++a) {
        QStringList codes;
        for (const std::string& code : parsed.query.allowed[static_cast<std::size_t>(a)]) {
            codes << QString::fromStdString(code);
        }
        QCOMPARE(codes.join('|'), allowed[a]);
    }
}

void TestFinder::batchHeader_data()
{
    QTest::addColumn<QByteArray>("header"); // the first line
    QTest::addColumn<QByteArray>("line");
    // id|obverse codes|three monograms|diameter|weight, or the problem
    QTest::addColumn<QString>("got");
    QTest::addColumn<QStringList>("unknown"); // empty with no header either

    QTest::newRow("no header: eleven values in order")
        << QByteArray("ram\tno") << QByteArray("ram\t\t\t\t\t\tDI\tnone\tany\t27\t19.2")
        << "-|D|DI,none,|27|19.2" << QStringList{};
    QTest::newRow("header in its own order, case and spaces ignored")
        << QByteArray("ID\t Weight \tobverse-FIGURE\tcenter-monogram")
        << QByteArray("A-17\t19.2\tram\tdi") << "A-17|D|di,,||19.2" << QStringList{};
    QTest::newRow("unknown columns ignored and named")
        << QByteArray("Notes\tid\tobverse-figure\tweight\tprice")
        << QByteArray("worn, green\t7\tzeus laur\t\t12 EUR") << "7|2|,,||"
        << QStringList{"Notes", "price"};
    QTest::newRow("a column named twice: the first is read")
        << QByteArray("weight\tweight") << QByteArray("5\t6") << "||,,||5" << QStringList{"weight"};
    QTest::newRow("id kept as written") << QByteArray("id\tinscription") << QByteArray(" 0042 \tno")
                                        << " 0042 ||,,||" << QStringList{};
    QTest::newRow("missing id is empty")
        << QByteArray("inscription\tid") << QByteArray("no") << "||,,||" << QStringList{};
    QTest::newRow("more values than the header names")
        << QByteArray("id\tweight") << QByteArray("1\t2\t3")
        << "3 values; the header names 2 columns, separated by tabs" << QStringList{};
    QTest::newRow("measurement with a decimal comma")
        << QByteArray("id\tdiameter") << QByteArray("1\t 2,5 ") << "1||,,|2.5|" << QStringList{};
    QTest::newRow("measurement not a number")
        << QByteArray("id\tdiameter") << QByteArray("1\t2,5.1")
        << "diameter takes a number above 0 and at most 1000, with \".\" or \",\" before the "
           "decimals (millimetres), not \"2,5.1\""
        << QStringList{};
    QTest::newRow("weight past its bound")
        << QByteArray("weight") << QByteArray("1e300")
        << "weight takes a number above 0 and at most 10000, with" << QStringList{};
    QTest::newRow("zero weight") << QByteArray("weight") << QByteArray("0")
                                 << "weight takes a number above 0 and at most 10000"
                                 << QStringList{};
}

void TestFinder::batchHeader()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, line);
    QFETCH(QString, got);
    QFETCH(QStringList, unknown);
    const auto parsed = answer::ParseBatchHeader(header.toStdString());
    QCOMPARE(parsed.has_value(), !got.startsWith('-'));
    QStringList names;
    for (const std::string& name : parsed ? parsed->unknown : std::vector<std::string>{}) {
        names << QString::fromStdString(name);
    }
    QCOMPARE(names, unknown);

    const BatchLine coin = answer::ParseBatchLine(line.toStdString(), parsed ? &*parsed : nullptr);
    if (coin.kind == BatchLine::Kind::Bad) {
        QVERIFY2(QString::fromStdString(coin.problem).startsWith(got), coin.problem.c_str());
        return;
    }
    QCOMPARE(static_cast<int>(coin.kind), static_cast<int>(BatchLine::Kind::Coin));
    const auto join = [](const std::vector<std::string>& values) {
        QStringList list;
        for (const std::string& v : values) {
            list << QString::fromStdString(v);
        }
        return list.join(',');
    };
    QStringList monograms;
    for (const auto& values : coin.query.monograms) {
        monograms << join(values);
    }
    QStringList fields{coin.id ? QString::fromStdString(*coin.id) : "-",
                       join(coin.query.allowed[0]), monograms.join(',')};
    for (const auto& measure : coin.query.measured) {
        fields << (measure ? QString::number(*measure) : "");
    }
    QCOMPARE(fields.join('|'), got);
}

void TestFinder::measured_fitInEveryFormat()
{
    // 24 mm and 8.10 to 10.45 g; the second entry knows neither.
    loadBytes(row("known", "1,1,1,1,1,1") +
              "unknown,den,c. 24,12,7,g,155,,,n/a,,lm,1,1,1,1,1,1,,EY,\n");
    Query q;
    q.measured = {25.0, 11.0};
    q.monograms[1] = {"DI"};
    q.near = 1;
    answer::Answer answer = answer::Ask(loaded(), q, false, 3);
    answer.id = "A\t17";
    QCOMPARE(answer.matches.size(), std::size_t(2));

    const QStringList report =
        QString::fromStdString(answer::ReportText(loaded(), answer.matches, q.measured))
            .split('\n');
    QCOMPARE(report.value(0), "Fit: weight 11 g, 0.55 g over 8.10 to 10.45 g; diameter 25 mm, 1 mm "
                              "over 24 mm (misfit 9.43%)");
    QVERIFY(report.value(1).startsWith("Sv known\t"));
    QCOMPARE(report.value(8), "Near match, 1 difference: left-monogram is \"EY\"");
    QCOMPARE(report.value(9), "Fit: weight 11 g, not in the catalogue; diameter 25 mm, not in the "
                              "catalogue");

    answer::Writer tsv(answer::Format::Tsv, true);
    tsv.setIds(true);
    std::string text = tsv.coin(answer);
    text += tsv.end();
    const QStringList rows = QString::fromStdString(text).split('\n');
    QVERIFY(rows[0].startsWith("coin\tid\tline\tdistance\tdiffers\tmisfit\tSV\t"));
    QVERIFY2(rows[1].startsWith("3\tA\\t17\t1\t0\t\t0.0942982\tknown\t"), qPrintable(rows[1]));
    QVERIFY(rows[2].startsWith("3\tA\\t17\t2\t1\tleft-monogram\t0\tunknown\t"));

    answer::Writer json(answer::Format::Json, true);
    const QJsonObject coin = parseJson(std::string(json.coin(answer)).append(json.end()))["coins"]
                                 .toArray()[0]
                                 .toObject();
    QCOMPARE(coin["id"].toString(), "A\t17");
    const QJsonArray matches = coin["matches"].toArray();
    QCOMPARE(matches[0].toObject()["misfit"].toDouble(), *answer.matches[0].misfit);
    QCOMPARE(matches[1].toObject()["unknown"].toArray(), (QJsonArray{"diameter", "weight"}));
    QCOMPARE(matches[1].toObject()["differs"].toArray(), QJsonArray{"left-monogram"});
    // Nothing measured: misfit is null, not 0.
    const QJsonObject plain = parseJson(answer::JsonText(answer::Ask(loaded(), Query{}, false)));
    QVERIFY(plain["matches"].toArray()[0].toObject()["misfit"].isNull());
}

void TestFinder::batchReadFault_jsonStaysWholeWithTheCoinsBefore()
{
    loadDemo();
    QTemporaryDir dir;
    const QString path = dir.filePath("coins.tsv");
    QFile file(path);
    const QByteArray coins = "id\tobverse-figure\nA\tram\nB\tzeus laur\n";
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(coins + "C\tram\n") > 0);
    file.close();
    for (const answer::Format format : {answer::Format::Json, answer::Format::Report}) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        testsupport::reads::failAfter(path, static_cast<std::size_t>(coins.size()));
        std::string out;
        std::vector<std::string> problems;
        const finder::BatchResult result = finder::AnswerBatch(
            loaded(), fd, "coins.tsv", Query{}, false, format,
            [&out](std::string_view t) { out += t; },
            [&problems](const std::string& p) { problems.push_back(p); });
        testsupport::reads::reset();
        ::close(fd);
        QVERIFY(!result.read && result.printed);
        QCOMPARE(problems,
                 std::vector<std::string>{"cannot read coins.tsv: read error after line 3"});
        if (format == answer::Format::Json) {
            const QJsonArray answered = parseJson(out)["coins"].toArray();
            QCOMPARE(answered.size(), 2);
            QCOMPARE(answered[1].toObject()["id"].toString(), "B");
        } else {
            QVERIFY(QByteArray::fromStdString(out).contains("Coin at line 3 (id B):\nSv "));
        }
    }
}

QTEST_APPLESS_MAIN(TestFinder)
void TestFinder::measure_oneReaderForEveryFace_data()
{
    // The explorer's fields, the web page's, options and batch cells all read
    // through this: "," as the point, bounds, blanks.
    QTest::addColumn<int>("measure");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // 0: not measured; -1: refused
    const int d = int(lookup::Measure::Diameter);
    const int w = int(lookup::Measure::Weight);
    QTest::newRow("point") << w << "19.2" << 19.2;
    QTest::newRow("comma, spaces around") << w << " 19,2 " << 19.2;
    QTest::newRow("comma first") << d << ",5" << 0.5;
    QTest::newRow("largest diameter") << d << "1000" << 1000.0;
    QTest::newRow("past the diameter's bound") << d << "1000.01" << -1.0;
    QTest::newRow("largest weight") << w << "10000,0" << 10000.0;
    QTest::newRow("past the weight's bound") << w << "10000.5" << -1.0;
    QTest::newRow("blank") << w << "   " << 0.0;
    for (const QString& bad :
         QStringList{"0", "0,0", "2,5,0", "2.5,1", "1e3", "-3", "19 g", "1" + QString(300, '0')}) {
        QTest::newRow(qPrintable("refused: " + bad.left(12))) << w << bad << -1.0;
    }
}

void TestFinder::measure_oneReaderForEveryFace()
{
    QFETCH(int, measure);
    QFETCH(QString, text);
    QFETCH(double, value);
    const answer::MeasureRead read =
        answer::ReadMeasure(static_cast<lookup::Measure>(measure), text.toStdString());
    QCOMPARE(read.value.value_or(read.problem.empty() ? 0 : -1), value);
    QCOMPARE(read.problem.empty(), value >= 0);
    if (value < 0) {
        QVERIFY(read.problem.find(", with \".\" or \",\" before the decimals") !=
                std::string::npos);
    }
}

void TestFinder::near_oneRuleForEveryFace_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value"); // -1: nothing given; -2: refused
    QTest::newRow("0") << QByteArray("0") << 0;
    QTest::newRow("the most, as many as the clues") << QByteArray("9") << lookup::clueCount;
    QTest::newRow("spaces around") << QByteArray(" 3 ") << 3;
    QTest::newRow("leading zero") << QByteArray("07") << 7;
    QTest::newRow("blank") << QByteArray("") << -1;
    QTest::newRow("spaces only") << QByteArray("  ") << -1;
    for (const QByteArray& bad :
         {QByteArray("10"), QByteArray("12"), QByteArray("-1"), QByteArray("+1"), QByteArray("1.5"),
          QByteArray("1,0"), QByteArray("abc"), QByteArray("3x"), QByteArray("\t3"),
          QByteArray("99999999999999999999999"), QByteArray("4\0", 2)}) {
        QTest::newRow(qPrintable("refused: " + bad.toPercentEncoding())) << bad << -2;
    }
}

void TestFinder::near_oneRuleForEveryFace()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    const std::string_view given(text.constData(), std::size_t(text.size()));
    const answer::NearRead read = answer::ReadNear(given);
    QCOMPARE(read.value.value_or(read.problem.empty() ? -1 : -2), value);
    QCOMPARE(read.problem.empty(), value != -2);
    if (value == -2) {
        QCOMPARE(read.problem,
                 "near takes a whole number from 0 to 9, not " + vocab::Quoted(given));
    }
    // The command line has no empty field: blank is refused there.
    const answer::NearRead required = answer::ReadNear(given, false);
    QCOMPARE(required.value, read.value);
    QCOMPARE(required.problem.empty(), value >= 0);
}

void TestFinder::candidates_cellsAndSortKeys()
{
    // An exact match with a weight range, and a near one with one weight,
    // no diameter and another countermark.
    loadBytes(row("first", "1,1,1,1,1,1") + "second,den,,12,7,g,155,,,9,9,lm,1,1,1,1,1,2,,DI,\n");
    Query query = lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 1);
    query.measured = {27, 9};
    const answer::Answer a = answer::Ask(loaded(), query, false);
    QCOMPARE(a.matches.size(), std::size_t(2));
    using C = answer::CandidateColumn;
    const auto cell = [&a](std::size_t r, C c) {
        return QString::fromStdString(answer::CandidateCell(a, r, c));
    };
    QCOMPARE(cell(0, C::Sv), "first");
    QCOMPARE(cell(0, C::Weight), "8.10 \u2013 10.45");
    QCOMPARE(cell(1, C::Weight), "9");
    QCOMPARE(cell(0, C::Differs), "");
    QVERIFY2(cell(1, C::Differs).startsWith("Countermark: "), qPrintable(cell(1, C::Differs)));
    QVERIFY2(cell(0, C::Fit).startsWith("weight 9 g inside 8.10 to 10.45 g; diameter 27 mm"),
             qPrintable(cell(0, C::Fit)));
    QCOMPARE(answer::EntryText(a, 1).substr(0, 11), std::string("Near match,"));
    // Numbers sort as numbers, what is not known last; text columns by text.
    QCOMPARE(*answer::CandidateNumber(a, 0, C::Diameter), 24.0);
    QVERIFY(std::isinf(*answer::CandidateNumber(a, 1, C::Diameter)));
    QCOMPARE(*answer::CandidateNumber(a, 1, C::Weight), 9.0);
    QCOMPARE(*answer::CandidateNumber(a, 1, C::Differs), 1.0);
    QVERIFY(!answer::CandidateNumber(a, 0, C::Sv));
    QVERIFY(!answer::CandidateNumber(a, 0, C::CenterMonogram));
}

void TestFinder::batchFile_coinsAndProblemsAsRead()
{
    const QByteArray content = "\xEF\xBB\xBF# tray 2\n" // a byte order mark on a comment
                               "id\tweight\tnotes\n"    // the header, after it
                               + QByteArray(answer::maxBatchLine + 1, 'x') + "\n" // too long
                               + "A1\t19,2\tworn\n"
                                 "A2\t0\n" // a bad weight
                                 "\t\t\n"  // an empty row
                                 "A3\r\n" +
                               QByteArray("\0\tbad", 5); // a NUL id, a bad weight
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(content);
    file.flush();
    // Read from the file and from the same bytes in memory: one result.
    QStringList read[2];
    for (const bool fromBytes : {false, true}) {
        QStringList& seen = read[fromBytes ? 1 : 0];
        answer::BatchEvents events;
        events.header = [&seen](const answer::BatchHeader& header) {
            seen << QString("ids %1").arg(header.hasIds());
        };
        events.complain = [&seen](const std::string& problem, bool isBad) {
            seen << QString::fromStdString(problem) + (isBad ? " (bad)" : "");
        };
        events.coin = [&seen](BatchLine&& coin, std::int64_t line) {
            const auto& weight = coin.query.measured[std::size_t(lookup::Measure::Weight)];
            seen << QString("%1@%2:%3")
                        .arg(QString::fromStdString(coin.id.value_or("-")))
                        .arg(line)
                        .arg(weight.value_or(0));
        };
        if (fromBytes) {
            QVERIFY(answer::ReadBatchBytes({content.constData(), std::size_t(content.size())},
                                           "tray.tsv", events));
            continue;
        }
        const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        QVERIFY(answer::ReadBatchFile(fd, "tray.tsv", events));
        ::close(fd);
    }
    QCOMPARE(read[1], read[0]);
    const QStringList& seen = read[0];
    QCOMPARE(seen.size(), 7);
    QVERIFY(seen[0].startsWith("tray.tsv:2: column \"notes\" is not read"));
    QVERIFY(!seen[0].endsWith("(bad)"));
    QCOMPARE(seen[1], "ids 1");
    QVERIFY(seen[2].startsWith("tray.tsv:3: longer than 65536 bytes"));
    QVERIFY(seen[2].endsWith("(bad)"));
    QCOMPARE(seen[3], "A1@4:19.2");
    QVERIFY(seen[4].startsWith("tray.tsv:5: weight takes a number above 0"));
    QCOMPARE(seen[5], "A3@7:0");
    QVERIFY2(seen[6].startsWith("tray.tsv:8: ") && seen[6].endsWith("(bad)"), qPrintable(seen[6]));
}

#include "test_finder.moc"
