// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "lookup/utf8.h"
#include "support/catalogue_fixture.h"

#include <QtTest>

using catalogue::Catalogue;

using lookup::Codes;
using lookup::FindMatches;
using testsupport::loadBytes;

namespace {

// A catalogue row with the given first field and six codes, every other
// field filled so the block is easy to read.
QByteArray row(const QByteArray& sv, const QByteArray& codes)
{
    return sv + ",den,24,12,7,g,155,,,8.10,10.45,lm," + codes + ",,DI,\n";
}

Codes codesOf(std::initializer_list<std::string_view> six)
{
    Codes c{};
    std::copy(six.begin(), six.end(), c.begin());
    return c;
}

long lineCount(const std::string& text)
{
    return std::count(text.begin(), text.end(), '\n');
}

const Codes defaults = codesOf({"1", "1", "1", "1", "1", "1"});

const std::string block412 = "Sv 412\tPlate 12.\t7\tDiam: \t24mm\t# Specimens = n/a\n"
                             "\tSNGCop \t155\tWeiser \tn/a\n"
                             "\tMin Wt: \t8.10\tMax Wt: \t10.45\n"
                             "\tCenter (Leg) Mgm \t-NONE-\n"
                             "\tLeft Field Mgm \tDI\n"
                             "\tRight Field Mgm \t-NONE-\n"
                             "\n";

} // namespace

class TestSearch final : public QObject {
    Q_OBJECT

private slots:
    void selectionCodes_followTheLists();
    void codeMatches_wholeTextIgnoringCase_data();
    void codeMatches_wholeTextIgnoringCase();
    void positionsSelecting_followsCodeMatches_data();
    void positionsSelecting_followsCodeMatches();
    void report_oneEntryExactBytes();
    void report_twoEntriesFourteenLines();
    void report_specimenCountRule();
    void report_emptyAndSpacedValuesPrintAsStored();
    void search_requiresAllSix();
    void search_keepsCatalogueOrder();
    void search_noMatchAndEmptyCatalogue();
    void search_combinedLeftFieldCodesStandAlone();
    void search_sharedEagleCodeGivesSameResult();
    void search_reportIsValidUtf8();
    void utf8_validation_data();
    void utf8_validation();
};

void TestSearch::selectionCodes_followTheLists()
{
    QCOMPARE(lookup::SelectionCodes({0, 0, 0, 0, 0, 0}), defaults);
    QCOMPARE(lookup::SelectionCodes({19, 1, 33, 3, 7, 7}),
             codesOf({"I", "2", "Q", "34", "0", "8"}));
    // The obverse's extra code "X" is not reachable from the list.
    QCOMPARE(lookup::SelectionCodes({20, 2, 34, 38, 14, 8}), codesOf({"", "", "", "", "", ""}));
    QCOMPARE(lookup::SelectionCodes({-1, 0, 0, 0, 0, 0})[0], std::string_view());
}

void TestSearch::codeMatches_wholeTextIgnoringCase_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same") << QByteArray("A") << QByteArray("A") << true;
    QTest::newRow("lower case value") << QByteArray("a") << QByteArray("A") << true;
    QTest::newRow("mixed two chars") << QByteArray("k0") << QByteArray("K0") << true;
    QTest::newRow("leading space") << QByteArray(" A") << QByteArray("A") << false;
    QTest::newRow("trailing space") << QByteArray("A ") << QByteArray("A") << false;
    QTest::newRow("longer value") << QByteArray("A0") << QByteArray("A") << false;
    QTest::newRow("prefix of code") << QByteArray("3") << QByteArray("34") << false;
    QTest::newRow("empty value") << QByteArray("") << QByteArray("1") << false;
    QTest::newRow("empty code never matches") << QByteArray("") << QByteArray("") << false;
    QTest::newRow("no numeric sense") << QByteArray("01") << QByteArray("1") << false;
    QTest::newRow("non-letter not folded") << QByteArray("[") << QByteArray("{") << false;
    QTest::newRow("Kelvin sign is a K") << QByteArray("\xE2\x84\xAA"
                                                      "0")
                                        << QByteArray("K0") << true;
    QTest::newRow("long s is an S") << QByteArray("\xC5\xBF") << QByteArray("S") << true;
    QTest::newRow("dotless i is an I") << QByteArray("\xC4\xB1") << QByteArray("I") << true;
    QTest::newRow("dotted I is an I") << QByteArray("\xC4\xB0") << QByteArray("I") << true;
    QTest::newRow("other accented letter") << QByteArray("\xC3\xA9") << QByteArray("E") << false;
    QTest::newRow("Kelvin sign then more") << QByteArray("\xE2\x84\xAA"
                                                         "0x")
                                           << QByteArray("K0") << false;
    QTest::newRow("truncated sequence") << QByteArray("\xE2\x84") << QByteArray("K") << false;
}

void TestSearch::codeMatches_wholeTextIgnoringCase()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, code);
    QFETCH(bool, matches);
    QCOMPARE(lookup::CodeMatches(value.toStdString(), code.toStdString()), matches);
    QVERIFY(!lookup::CodeMatches(std::nullopt, code.toStdString()));
}

void TestSearch::positionsSelecting_followsCodeMatches_data()
{
    QTest::addColumn<int>("attribute");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QList<int>>("positions"); // 0-based
    QTest::newRow("obverse 1") << 0 << QByteArray("1") << QList<int>{0};
    QTest::newRow("obverse lower-case a") << 0 << QByteArray("a") << QList<int>{9};
    QTest::newRow("obverse X has no position") << 0 << QByteArray("X") << QList<int>{};
    QTest::newRow("obverse x neither") << 0 << QByteArray("x") << QList<int>{};
    QTest::newRow("leading space") << 0 << QByteArray(" 1") << QList<int>{};
    QTest::newRow("trailing space") << 5 << QByteArray("1 ") << QList<int>{};
    QTest::newRow("tab") << 5 << QByteArray("\t1") << QList<int>{};
    QTest::newRow("empty") << 1 << QByteArray("") << QList<int>{};
    QTest::newRow("inscription 3") << 1 << QByteArray("3") << QList<int>{};
    QTest::newRow("reverse Deer Kneeling Q") << 2 << QByteArray("Q") << QList<int>{33};
    QTest::newRow("reverse shared eagle 5") << 2 << QByteArray("5") << QList<int>{4, 5};
    QTest::newRow("left field combined a0") << 3 << QByteArray("a0") << QList<int>{15};
    QTest::newRow("left field 34") << 3 << QByteArray("34") << QList<int>{3};
    QTest::newRow("left field 43 is no combination") << 3 << QByteArray("43") << QList<int>{};
    QTest::newRow("left field Kelvin sign 0") << 3
                                              << QByteArray("\xE2\x84\xAA"
                                                            "0")
                                              << QList<int>{28};
    QTest::newRow("right side E") << 4 << QByteArray("E") << QList<int>{13};
    QTest::newRow("right side 9") << 4 << QByteArray("9") << QList<int>{};
    QTest::newRow("countermark Letters 7") << 5 << QByteArray("7") << QList<int>{6};
    QTest::newRow("countermark Indeterminate 8") << 5 << QByteArray("8") << QList<int>{7};
    QTest::newRow("countermark 9") << 5 << QByteArray("9") << QList<int>{};
    QTest::newRow("countermark 0") << 5 << QByteArray("0") << QList<int>{};
}

void TestSearch::positionsSelecting_followsCodeMatches()
{
    QFETCH(int, attribute);
    QFETCH(QByteArray, value);
    QFETCH(QList<int>, positions);
    const std::vector<int> got = lookup::PositionsSelecting(attribute, value.toStdString());
    QCOMPARE(QList<int>(got.begin(), got.end()), positions);
    QVERIFY(lookup::PositionsSelecting(attribute, std::nullopt).empty());
}

void TestSearch::report_oneEntryExactBytes()
{
    loadBytes("9,d,1,1,1,,,,,,,,2,2,2,2,2,2\n" + row("412", "1,1,1,1,1,1"));
    QCOMPARE(FindMatches(defaults), block412);
}

void TestSearch::report_twoEntriesFourteenLines()
{
    loadBytes(row("412", "1,1,1,1,1,1") + row("413", "1,1,1,1,1,1"));
    const std::string report = FindMatches(defaults);
    std::string second = block412;
    second.replace(3, 3, "413");
    QCOMPARE(report, block412 + second);
    QCOMPARE(lineCount(report), 14);
    QVERIFY(report.ends_with("\n\n"));
}

void TestSearch::report_specimenCountRule()
{
    loadBytes("a,,,,,,,,,,,,1,1,1,1,1,1\nb,,,,,,,, ,,,,1,1,1,1,1,1\n");
    QCOMPARE(*Catalogue::SVCt[0], std::string());
    const std::string report = FindMatches(defaults);
    QVERIFY(report.find("Sv a\tPlate n/a\t\tDiam: \tn/a\t# Specimens = n/a\n") == 0);
    QVERIFY(report.find("Sv b\tPlate n/a\t\tDiam: \tn/a\t# Specimens =  \n") != std::string::npos);
    // The rule writes into the catalogue, and only for the empty text.
    QCOMPARE(*Catalogue::SVCt[0], std::string("n/a"));
    QCOMPARE(*Catalogue::SVCt[1], std::string(" "));
    QCOMPARE(FindMatches(defaults), report);
}

void TestSearch::report_emptyAndSpacedValuesPrintAsStored()
{
    loadBytes("s,d,,p,,g, 5,\t,1,,,,1,1,1,1,1,1, ,,\n");
    const std::string report = FindMatches(defaults);
    QCOMPARE(report, std::string("Sv s\tPlate p.\t\tDiam: \tn/a\t# Specimens = 1\n"
                                 "\tSNGCop \t 5\tWeiser \t\t\n"
                                 "\tMin Wt: \tn/a\tMax Wt: \tn/a\n"
                                 "\tCenter (Leg) Mgm \t \n"
                                 "\tLeft Field Mgm \t-NONE-\n"
                                 "\tRight Field Mgm \t-NONE-\n\n"));
}

void TestSearch::search_requiresAllSix()
{
    QByteArray file;
    for (int miss = 0; miss < 6; ++miss) {
        QByteArray codes = "1,1,1,1,1,1";
        codes[miss * 2] = '2';
        file += row("miss" + QByteArray::number(miss), codes);
    }
    file += row("hit", "1,1,1,1,1,1");
    loadBytes(file);
    const std::string report = FindMatches(defaults);
    QVERIFY(report.starts_with("Sv hit\t"));
    QCOMPARE(lineCount(report), 7);
}

void TestSearch::search_keepsCatalogueOrder()
{
    QByteArray file;
    for (int k = 0; k < 600; ++k) {
        const bool hit = k == 7 || k == 40 || k == 512;
        file += row("e" + QByteArray::number(k), hit ? "a,2,b,c,d,5" : "a,2,b,c,d,4");
    }
    loadBytes(file);
    const std::string report = FindMatches(codesOf({"A", "2", "B", "C", "D", "5"}));
    const auto at7 = report.find("Sv e7\t");
    const auto at40 = report.find("Sv e40\t");
    const auto at512 = report.find("Sv e512\t");
    QCOMPARE(at7, std::size_t(0));
    QVERIFY(at40 != std::string::npos && at40 > at7);
    QVERIFY(at512 != std::string::npos && at512 > at40);
    QCOMPARE(lineCount(report), 21);
}

void TestSearch::search_noMatchAndEmptyCatalogue()
{
    loadBytes(row("1", "2,2,2,2,2,2"));
    QCOMPARE(FindMatches(defaults), std::string("No Matching Entry Found"));
    QCOMPARE(FindMatches(defaults).size(), std::size_t(23));
    Catalogue::ClearCatalogue();
    QCOMPARE(FindMatches(defaults), std::string("No Matching Entry Found"));
    // An unset slot never equals a code, even when the count says otherwise.
    Catalogue::numentries.store(3);
    QCOMPARE(FindMatches(defaults), std::string("No Matching Entry Found"));
    Catalogue::numentries.store(0);
}

void TestSearch::search_combinedLeftFieldCodesStandAlone()
{
    loadBytes(row("three", "1,1,1,3,1,1") + row("four", "1,1,1,4,1,1") +
              row("both", "1,1,1,34,1,1") + row("club-mgm", "1,1,1,40,1,1"));
    const auto leftField = [](int pos) {
        return FindMatches(lookup::SelectionCodes({0, 0, 0, pos, 0, 0}));
    };
    QVERIFY(leftField(2).starts_with("Sv three\t"));
    QCOMPARE(lineCount(leftField(2)), 7);
    QVERIFY(leftField(3).starts_with("Sv both\t"));
    QCOMPARE(lineCount(leftField(3)), 7);
    QVERIFY(leftField(4).starts_with("Sv four\t"));
    QCOMPARE(lineCount(leftField(4)), 7);
    QVERIFY(leftField(5).starts_with("Sv club-mgm\t"));
    QCOMPARE(leftField(0), std::string(lookup::noMatch));
}

void TestSearch::search_sharedEagleCodeGivesSameResult()
{
    loadBytes(row("eagle", "1,1,5,1,1,1") + row("other", "1,1,6,1,1,1"));
    const std::string closed = FindMatches(lookup::SelectionCodes({0, 0, 4, 0, 0, 0}));
    QVERIFY(closed.starts_with("Sv eagle\t"));
    QCOMPARE(FindMatches(lookup::SelectionCodes({0, 0, 5, 0, 0, 0})), closed);
}

void TestSearch::search_reportIsValidUtf8()
{
    loadBytes(row("caf\xC3\xA9\xFF", "1,1,1,1,1,1"));
    const std::string report = FindMatches(defaults);
    QVERIFY(lookup::IsValidUtf8(report));
    QVERIFY(report.starts_with("Sv caf\xC3\xA9\xEF\xBF\xBD\t"));
}

void TestSearch::utf8_validation_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("repaired");
    const QByteArray fffd("\xEF\xBF\xBD");
    QTest::newRow("ascii") << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("two to four bytes") << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")
                                       << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    QTest::newRow("lone continuation") << QByteArray("a\x80"
                                                     "b")
                                       << "a" + fffd + "b";
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << fffd + fffd;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << fffd + fffd + fffd;
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << fffd + fffd + fffd + fffd;
    QTest::newRow("truncated at end") << QByteArray("x\xE2\x82") << "x" + fffd + fffd;
}

void TestSearch::utf8_validation()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, repaired);
    std::string text = input.toStdString();
    QCOMPARE(lookup::IsValidUtf8(text), input == repaired);
    lookup::MakeValidUtf8(text);
    QCOMPARE(QByteArray::fromStdString(text), repaired);
    QVERIFY(lookup::IsValidUtf8(text));
}

QTEST_APPLESS_MAIN(TestSearch)
#include "test_search.moc"
