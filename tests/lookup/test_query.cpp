// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "lookup/query.h"
#include "lookup/search.h"
#include "support/catalogue_fixture.h"
#include "vocab/values.h"

#include <QtTest>

#include <charconv>
#include <cmath>
#include <numeric>
#include <random>

using lookup::Query;
using testsupport::loadBytes;
using vocab::Resolved;

namespace {

/// The catalogue the last load published, as the engine reads it.
catalogue::View loaded()
{
    return Catalogue::Published();
}

constexpr int attributeCount = vocab::attributeCount;

QByteArray row(const QByteArray& sv, const QByteArray& codes)
{
    return sv + ",den,24,12,7,g,155,,,8.10,10.45,lm," + codes + ",,DI,\n";
}

void loadDemo()
{
    Catalogue::ClearCatalogue();
    const auto outcome = Catalogue::GetDatabaseFrom(
        ROVADOD_DEMO_CATALOGUE, [](const std::string&) {}, [](int) {});
    QVERIFY(outcome.loaded() && outcome.entries > 0);
}

std::vector<int> entriesOf(const std::vector<lookup::Match>& matches)
{
    std::vector<int> entries;
    for (const auto& m : matches) {
        entries.push_back(m.entry);
    }
    return entries;
}

/// The number of given attributes entry `i` does not fit, counted the long
/// way: each allowed code compared on its own.
int distanceOf(const Query& q, int i)
{
    int distance = 0;
    for (std::size_t a = 0; a < q.allowed.size(); ++a) {
        if (q.allowed[a].empty()) {
            continue;
        }
        bool fits = false;
        for (const std::string& code : q.allowed[a]) {
            fits = fits || lookup::CodeMatches(
                               catalogue::codeColumns[a].at(static_cast<std::size_t>(i)), code);
        }
        distance += fits ? 0 : 1;
    }
    return distance;
}

/// A random query: each attribute open, or one to three random positions.
Query randomQuery(std::mt19937& rng)
{
    Query q;
    for (int a = 0; a < attributeCount; ++a) {
        const int count = vocab::attributes[static_cast<std::size_t>(a)].count();
        const int values = std::uniform_int_distribution<int>(0, 3)(rng);
        for (int v = 0; v < values; ++v) {
            q.allowPosition(a, std::uniform_int_distribution<int>(0, count - 1)(rng));
        }
    }
    q.near = std::uniform_int_distribution<int>(0, 3)(rng);
    return q;
}

// Entries with codes a list cannot select, lower case and a Kelvin sign.
const QByteArray oddCatalogue = row("plain", "1,1,1,1,1,1") + row("x", "X,1,1,1,1,1") +
                                row("spaced", " 1,1,1,1,1,1") + row("lower", "1,1,1,k0,1,1") +
                                row("kelvin", "1,1,1,\xE2\x84\xAA"
                                              "0,1,1") +
                                row("eagle", "1,1,5,1,1,1") + row("empty", ",,,,,") +
                                row("two-off", "2,2,1,1,1,1");

} // namespace

class TestQuery final : public QObject {
    Q_OBJECT

private slots:
    void resolve_data();
    void resolve();
    void problem_listsTheCandidates();
    void quoted_showsSpacesAndControls();
    void quoted_cutsLongValues();

    void fullSelection_findsWhatTheWindowFinds();
    void positionOutsideList_fitsNothingAsInTheWindow();
    void openAttributes_fitAnyValueEvenUnselectableOnes();
    void repeatedValues_fitAnyOfThem();
    void sharedEagleCode_sameEntries();
    void near_distanceOrderAndDifferences();
    void near_againstTheLongWay();
    void counts_againstDirectCounts();
    void counts_giveTheExactMatchCountAtTheGivenPosition();
    void emptyCatalogue_nothingAndZeroCounts();
    void describeHeld_textsBothEaglesOrRawCode();

    void parseDecimal_data();
    void parseDecimal();
    void decimalText_asPrintfInTheCLocale();
    void monogram_data();
    void monogram();
    void measures_orderToleranceAndCountsAgainstDirectComputation();
};

void TestQuery::resolve_data()
{
    QTest::addColumn<int>("attribute");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("position"); // 1-based, 0 for none
    // Entries the value could have meant, or all it stands for when more than one.
    QTest::addColumn<QList<int>>("candidates");

    const auto any = static_cast<int>(Resolved::Kind::Any);
    const auto pos = static_cast<int>(Resolved::Kind::Position);
    const auto unknown = static_cast<int>(Resolved::Kind::Unknown);
    const auto ambiguous = static_cast<int>(Resolved::Kind::Ambiguous);
    const auto bad = static_cast<int>(Resolved::Kind::BadPosition);
    QList<int> all38;
    for (int p = 1; p <= 38; ++p) {
        all38 << p;
    }

    QTest::newRow("exact") << 0 << "Zeus Laureate" << pos << 2 << QList<int>{};
    QTest::newRow("exact, other case") << 0 << "zEUS lAUREATE" << pos << 2 << QList<int>{};
    QTest::newRow("exact wins over a longer text") << 3 << "club" << pos << 5 << QList<int>{};
    QTest::newRow("exact Star, not Star and Monogram(s)")
        << 3 << "STAR" << pos << 19 << QList<int>{};
    QTest::newRow("unique prefix") << 0 << "zeus laur" << pos << 2 << QList<int>{};
    QTest::newRow("spaces around are dropped") << 3 << "  tripod " << pos << 10 << QList<int>{};
    QTest::newRow("ambiguous prefix") << 3 << "cl" << ambiguous << 0 << QList<int>{5, 6};
    QTest::newRow("prefix of both eagles R>, one code: both")
        << 2 << "1 eagle r>" << pos << 5 << QList<int>{5, 6};
    QTest::newRow("prefix of eagles with other codes")
        << 2 << "1 eagle" << ambiguous << 0 << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("pattern, every single eagle")
        << 2 << "1 EAGLE*" << pos << 1 << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("pattern inside") << 2 << "*closed wing*" << pos << 1 << QList<int>{1, 2, 5, 7};
    QTest::newRow("pattern, star in the middle") << 3 << "d*club" << pos << 4 << QList<int>{};
    QTest::newRow("pattern must fit to the end") << 3 << "clu*b" << pos << 5 << QList<int>{};
    QTest::newRow("pattern fitting nothing")
        << 3 << "*unicorn*" << static_cast<int>(Resolved::Kind::NoFit) << 0 << QList<int>{};
    QTest::newRow("star alone: every entry") << 1 << "*" << pos << 1 << QList<int>{1, 2};
    QTest::newRow("unknown, some contain it")
        << 3 << "cornucopia" << unknown << 0 << QList<int>{2, 3, 4};
    QTest::newRow("unknown, the whole list") << 3 << "xyz" << unknown << 0 << all38;
    QTest::newRow("prefix is not a word inside") << 1 << "es" << unknown << 0 << QList<int>{2};
    QTest::newRow("#1") << 3 << "#1" << pos << 1 << QList<int>{};
    QTest::newRow("#38, the last") << 3 << "#38" << pos << 38 << QList<int>{};
    QTest::newRow("#03") << 3 << "#03" << pos << 3 << QList<int>{};
    QTest::newRow("#0") << 3 << "#0" << bad << 0 << QList<int>{};
    QTest::newRow("#39, one past") << 3 << "#39" << bad << 0 << QList<int>{};
    QTest::newRow("#99") << 5 << "#99" << bad << 0 << QList<int>{};
    QTest::newRow("#-1") << 3 << "#-1" << bad << 0 << QList<int>{};
    QTest::newRow("#+1") << 3 << "#+1" << bad << 0 << QList<int>{};
    QTest::newRow("# alone") << 3 << "#" << bad << 0 << QList<int>{};
    QTest::newRow("#x") << 3 << "#x" << bad << 0 << QList<int>{};
    QTest::newRow("#1x") << 3 << "#1x" << bad << 0 << QList<int>{};
    QTest::newRow("#huge") << 3 << "#99999999999999999999" << bad << 0 << QList<int>{};
    QTest::newRow("any") << 3 << "any" << any << 0 << QList<int>{};
    QTest::newRow("ANY") << 3 << "ANY" << any << 0 << QList<int>{};
    QTest::newRow("empty") << 3 << "" << any << 0 << QList<int>{};
    QTest::newRow("spaces only") << 3 << "   " << any << 0 << QList<int>{};
    QTest::newRow("an prefix of Anchor") << 5 << "an" << pos << 3 << QList<int>{};
}

void TestQuery::resolve()
{
    QFETCH(int, attribute);
    QFETCH(QString, value);
    QFETCH(int, kind);
    QFETCH(int, position);
    QFETCH(QList<int>, candidates);
    const Resolved r = vocab::ResolveValue(vocab::attributes[static_cast<std::size_t>(attribute)],
                                           value.toStdString());
    QCOMPARE(static_cast<int>(r.kind), kind);
    QCOMPARE(r.position, position - 1);
    QList<int> got;
    for (const int p : r.positions.size() > 1 ? r.positions : r.candidates) {
        got << p + 1;
    }
    QCOMPARE(got, candidates);
}

void TestQuery::problem_listsTheCandidates()
{
    const vocab::Attribute& left = vocab::attributes[3];
    QCOMPARE(vocab::ValueProblem(left, "cl", vocab::ResolveValue(left, "cl")),
             std::string("\"cl\" begins more than one left-field entry:\n"
                         "  #5   Club\n"
                         "  #6   Club and Monogram(s)"));
    const std::string unknown =
        vocab::ValueProblem(left, "x\ty", vocab::ResolveValue(left, "x\ty"));
    QVERIFY2(unknown.starts_with("no left-field entry is or begins with \"x\\ty\"; the entries "
                                 "are:\n  #1   None\n"),
             unknown.c_str());
    QVERIFY(unknown.ends_with("\n  #38  Helmet of Perseus"));
    QCOMPARE(vocab::ValueProblem(left, "#0", vocab::ResolveValue(left, "#0")),
             std::string("\"#0\" is not a left-field position: write # and a number from 1 to 38"));
    const vocab::Attribute& inscription = vocab::attributes[1];
    QCOMPARE(
        vocab::ValueProblem(inscription, "#3", vocab::ResolveValue(inscription, "#3")),
        std::string("\"#3\" is not an inscription position: write # and a number from 1 to 2"));
    QCOMPARE(vocab::ValueProblem(left, "club", vocab::ResolveValue(left, "club")), std::string());
}

void TestQuery::quoted_showsSpacesAndControls()
{
    QCOMPARE(vocab::Quoted(" 1 "), std::string("\" 1 \""));
    QCOMPARE(vocab::Quoted("a\tb"), std::string("\"a\\tb\""));
    QCOMPARE(vocab::Quoted(std::string("\x01") + "\x7f"), std::string("\"\\x01\\x7F\""));
    QCOMPARE(vocab::Quoted("\xce\x94"), std::string("\"\xce\x94\"")); // UTF-8 passes through
}

void TestQuery::quoted_cutsLongValues()
{
    const std::string x80(vocab::quotedBytes, 'x');
    QCOMPARE(vocab::Quoted(x80), '"' + x80 + '"');
    QCOMPARE(vocab::Quoted(x80 + "y"), '"' + x80 + "\" \xE2\x80\xA6 (81 bytes)");
    // Never inside a character: one across the limit is left out whole.
    const std::string x79(vocab::quotedBytes - 1, 'x');
    QCOMPARE(vocab::Quoted(x79 + "\xce\x94" + "z"), '"' + x79 + "\" \xE2\x80\xA6 (82 bytes)");
    const std::string x77(vocab::quotedBytes - 3, 'x');
    QCOMPARE(vocab::Quoted(x77 + "\xF0\x9F\xAA\x99"), '"' + x77 + "\" \xE2\x80\xA6 (81 bytes)");
    // Bytes that are no characters at all are cut where they are.
    const std::string junk(100, '\x80');
    QCOMPARE(vocab::Quoted(junk),
             '"' + junk.substr(0, vocab::quotedBytes) + "\" \xE2\x80\xA6 (100 bytes)");
    // Escapes count as the byte they stand for.
    const std::string tabs(100, '\t');
    std::string shown;
    for (std::size_t i = 0; i < vocab::quotedBytes; ++i) {
        shown += "\\t";
    }
    QCOMPARE(vocab::Quoted(tabs), '"' + shown + "\" \xE2\x80\xA6 (100 bytes)");

    // A bad value of 20 MB makes a message of a few lines.
    const vocab::Attribute& left = vocab::attributes[3];
    const std::string huge(20 * 1024 * 1024, 'q');
    const std::string problem = vocab::ValueProblem(left, huge, vocab::ResolveValue(left, huge));
    QVERIFY2(problem.size() < 2000, std::to_string(problem.size()).c_str());
    QVERIFY(problem.starts_with("no left-field entry is or begins with \"qqq"));
    QVERIFY(problem.find("\" \xE2\x80\xA6 (20971520 bytes); the entries are:\n") !=
            std::string::npos);
}

void TestQuery::fullSelection_findsWhatTheWindowFinds()
{
    loadDemo();
    const std::int32_t n = Catalogue::numentries.load();
    // Every position of every list, the others at each demo entry's own
    // positions, so that most selections find something.
    int found = 0;
    for (std::int32_t base = 0; base < n; ++base) {
        lookup::Positions start{};
        for (int a = 0; a < attributeCount; ++a) {
            const auto held = lookup::HeldPositions(loaded(), a, base);
            QVERIFY(!held.empty());
            start[static_cast<std::size_t>(a)] = held.front();
        }
        for (int a = 0; a < attributeCount; ++a) {
            for (int p = 0; p < vocab::attributes[static_cast<std::size_t>(a)].count(); ++p) {
                lookup::Positions positions = start;
                positions[static_cast<std::size_t>(a)] = p;
                const lookup::Codes codes = lookup::SelectionCodes(positions);
                std::vector<int> expected;
                for (std::int32_t i = 0; i < n; ++i) {
                    if (lookup::EntryMatches(i, codes)) {
                        expected.push_back(i);
                    }
                }
                const auto matches =
                    lookup::RankMatches(loaded(), lookup::SelectionQuery(positions));
                QCOMPARE(entriesOf(matches), expected);
                for (const auto& m : matches) {
                    QVERIFY(m.distance == 0 && m.differs.none());
                }
                found += static_cast<int>(expected.size());
            }
        }
    }
    QVERIFY(found > n); // the check saw real matches, not only empty lists
}

void TestQuery::positionOutsideList_fitsNothingAsInTheWindow()
{
    loadDemo();
    // A list with nothing selected reports -1; the window then finds nothing.
    for (const int outside : {-1, vocab::attributes[5].count()}) {
        const lookup::Positions positions{0, 0, 0, 0, 0, outside};
        QCOMPARE(lookup::FindMatches(lookup::SelectionCodes(positions)),
                 std::string(lookup::noMatch));
        QVERIFY(lookup::RankMatches(loaded(), lookup::SelectionQuery(positions)).empty());
        // Every entry differs there, so a near match names the countermark.
        const auto near = lookup::RankMatches(loaded(), lookup::SelectionQuery(positions, 1));
        QVERIFY(!near.empty());
        for (const auto& m : near) {
            QVERIFY(m.differs.test(5));
        }
    }
}

void TestQuery::openAttributes_fitAnyValueEvenUnselectableOnes()
{
    loadBytes(oddCatalogue);
    const int n = Catalogue::numentries.load();
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), Query{})).size(), static_cast<std::size_t>(n));

    Query obverseOpen = lookup::SelectionQuery({0, 0, 0, 0, 0, 0});
    obverseOpen.allowed[0].clear();
    // "X" and " 1" fit an open obverse; the odd left fields do not fit "1".
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), obverseOpen)), (std::vector<int>{0, 1, 2}));

    Query leftOpen = lookup::SelectionQuery({0, 0, 0, 0, 0, 0});
    leftOpen.allowed[3].clear();
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), leftOpen)), (std::vector<int>{0, 3, 4}));
}

void TestQuery::repeatedValues_fitAnyOfThem()
{
    loadDemo();
    // Left field None or Club, the reverse open, the rest at position 0.
    const auto leftField = [](std::initializer_list<int> positions) {
        Query q = lookup::SelectionQuery({0, 0, 0, 0, 0, 0});
        q.allowed[2].clear();
        q.allowed[3].clear();
        for (const int p : positions) {
            q.allowPosition(3, p);
        }
        return q;
    };
    const Query both = leftField({0, 4});
    QCOMPARE(both.allowed[3], (std::vector<std::string>{"1", "4"}));
    auto expected = entriesOf(lookup::RankMatches(loaded(), leftField({0})));
    const auto club = entriesOf(lookup::RankMatches(loaded(), leftField({4})));
    QVERIFY(!expected.empty() && !club.empty());
    expected.insert(expected.end(), club.begin(), club.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), both)), expected);
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), leftField({4, 0, 4}))), expected);
}

void TestQuery::sharedEagleCode_sameEntries()
{
    loadBytes(oddCatalogue);
    Query closed = lookup::SelectionQuery({0, 0, 4, 0, 0, 0});
    Query open = lookup::SelectionQuery({0, 0, 5, 0, 0, 0});
    Query both = closed;
    both.allowPosition(2, 5);
    QCOMPARE(both.allowed[2].size(), std::size_t(1));
    const auto expected = std::vector<int>{5};
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), closed)), expected);
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), open)), expected);
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), both)), expected);
    QCOMPARE(lookup::HeldPositions(loaded(), 2, 5), (std::vector<int>{4, 5}));
}

void TestQuery::near_distanceOrderAndDifferences()
{
    loadBytes(oddCatalogue);
    const Query q = lookup::SelectionQuery({0, 0, 0, 0, 0, 0}, 2);
    const auto matches = lookup::RankMatches(loaded(), q);
    // Exact first, then one difference in catalogue order, then two; the
    // empty entry differs in all six and is left out.
    std::vector<std::pair<int, std::string>> got;
    for (const auto& m : matches) {
        QCOMPARE(static_cast<int>(m.differs.count()), m.distance);
        got.emplace_back(m.entry, m.differs.to_string());
    }
    const std::vector<std::pair<int, std::string>> expected{
        {0, "000000000"}, {1, "000000001"}, {2, "000000001"}, {3, "000001000"},
        {4, "000001000"}, {5, "000000100"}, {7, "000000011"},
    };
    QCOMPARE(got, expected);

    Query wide = q;
    wide.near = 100; // more than the clues given is all of them
    QCOMPARE(lookup::RankMatches(loaded(), wide).size(), std::size_t(Catalogue::numentries.load()));
    QCOMPARE(lookup::RankMatches(loaded(), wide).back().distance, 6);
    Query negative = q;
    negative.near = -3;
    QCOMPARE(entriesOf(lookup::RankMatches(loaded(), negative)), std::vector<int>{0});
}

void TestQuery::near_againstTheLongWay()
{
    loadBytes(oddCatalogue + row("more", "2,1,5,34,2,8") + row("again", "1,2,5,34,1,1"));
    const int n = Catalogue::numentries.load();
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const Query q = randomQuery(rng);
        std::vector<std::pair<int, int>> expected; // distance, entry
        for (int i = 0; i < n; ++i) {
            const int d = distanceOf(q, i);
            if (d <= q.near) {
                expected.emplace_back(d, i);
            }
        }
        std::sort(expected.begin(), expected.end());
        std::vector<std::pair<int, int>> got;
        for (const auto& m : lookup::RankMatches(loaded(), q)) {
            got.emplace_back(m.distance, m.entry);
        }
        QCOMPARE(got, expected);
    }
}

void TestQuery::counts_againstDirectCounts()
{
    std::mt19937 rng(11);
    for (const bool demo : {true, false}) {
        if (demo) {
            loadDemo();
        } else {
            loadBytes(oddCatalogue + row("more", "2,1,5,34,2,8"));
        }
        const int n = Catalogue::numentries.load();
        for (int round = 0; round < 40; ++round) {
            const Query q = randomQuery(rng);
            const lookup::FacetCounts counts = lookup::CountFacets(loaded(), q);
            for (int a = 0; a < attributeCount; ++a) {
                const vocab::Attribute& attr = vocab::attributes[static_cast<std::size_t>(a)];
                QCOMPARE(counts[static_cast<std::size_t>(a)].size(),
                         static_cast<std::size_t>(attr.count()));
                for (int p = 0; p < attr.count(); ++p) {
                    Query one = q;
                    one.near = 0;
                    one.allowed[static_cast<std::size_t>(a)].clear();
                    one.allowPosition(a, p);
                    int direct = 0;
                    for (int i = 0; i < n; ++i) {
                        direct += distanceOf(one, i) == 0 ? 1 : 0;
                    }
                    QCOMPARE(counts[static_cast<std::size_t>(a)][static_cast<std::size_t>(p)],
                             direct);
                }
            }
        }
    }
}

void TestQuery::counts_giveTheExactMatchCountAtTheGivenPosition()
{
    loadDemo();
    const Query q = lookup::SelectionQuery({0, 0, 0, 0, 0, 0});
    const auto exact = lookup::RankMatches(loaded(), q).size();
    const auto counts = lookup::CountFacets(loaded(), q);
    for (int a = 0; a < attributeCount; ++a) {
        QCOMPARE(static_cast<std::size_t>(counts[static_cast<std::size_t>(a)][0]), exact);
    }
    // With everything open, each list's counts are how the catalogue
    // spreads over it: every selectable entry counted once.
    const auto spread = lookup::CountFacets(loaded(), Query{});
    const int total = std::accumulate(spread[0].begin(), spread[0].end(), 0);
    QCOMPARE(total, Catalogue::numentries.load());
}

void TestQuery::emptyCatalogue_nothingAndZeroCounts()
{
    loadBytes("");
    QVERIFY(lookup::RankMatches(loaded(), Query{}).empty());
    for (const auto& list : lookup::CountFacets(loaded(), Query{})) {
        QVERIFY(std::all_of(list.begin(), list.end(), [](int c) { return c == 0; }));
    }
}

void TestQuery::describeHeld_textsBothEaglesOrRawCode()
{
    loadBytes(oddCatalogue);
    QCOMPARE(lookup::DescribeHeld(loaded(), 0, 0), std::string("Zeus with Ammon Horn"));
    QCOMPARE(lookup::DescribeHeld(loaded(), 0, 1), std::string("\"X\""));
    QCOMPARE(lookup::DescribeHeld(loaded(), 0, 2), std::string("\" 1\""));
    QCOMPARE(lookup::DescribeHeld(loaded(), 3, 3), std::string("Akrostolion and Monogram(s)"));
    QCOMPARE(lookup::DescribeHeld(loaded(), 3, 4), std::string("Akrostolion and Monogram(s)"));
    QCOMPARE(lookup::DescribeHeld(loaded(), 2, 5),
             std::string("1 Eagle R> Closed Wing / 1 Eagle R> Open Wing"));
    QCOMPARE(lookup::DescribeHeld(loaded(), 5, 6), std::string("\"\""));
}

void TestQuery::parseDecimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // -1: not a number

    QTest::newRow("whole") << "27" << 27.0;
    QTest::newRow("spaces and zeros") << "  19.20 " << 19.2;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("zero is a number") << "0" << 0.0;
    for (const char* bad : {"", "   ", ".", "n/a", "c. 20", "-1", "+1", "1e3", "1,5", "20mm",
                            "1.2.3", "inf", "nan", "0x10", "1 2", "\t1"}) {
        QTest::newRow(bad) << bad << -1.0;
    }
    QTest::newRow("too large for a double") << QString(400, '9') << -1.0;
    QTest::newRow("more digits than fit a double")
        << "1234567890.1234567891" << 1234567890.1234567891;
    QTest::newRow("long fraction") << " .123456789012345678 " << .123456789012345678;
}

void TestQuery::parseDecimal()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    const std::optional<double> got = lookup::ParseDecimal(text.toStdString());
    QCOMPARE(got.value_or(-1.0), value);
}

// The written numbers are those the standard library's exact conversions
// give, ties to even included, without them.
void TestQuery::decimalText_asPrintfInTheCLocale()
{
    std::mt19937_64 random(7);
    std::vector<double> values{0,
                               -0.0,
                               0.125,
                               0.375,
                               2.5,
                               1.005,
                               17.55,
                               0.035,
                               1e15,
                               2.5e14,
                               1e300,
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::denorm_min(),
                               INFINITY};
    for (int k = 0; k < 20000; ++k) {
        values.push_back(static_cast<double>(random() % 4000000) / 8000); // ties at 1/8
        // Catalogue weights (two decimals) and the halves between them, whose
        // binary values lie a hair either side.
        values.push_back(static_cast<double>(random() % 1000000) / 100);
        values.push_back(static_cast<double>(random() % 1000000) / 1000);
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), -(k % 60)));
    }
    for (const double v : values) {
        char want[400];
        for (const int decimals : {0, 2, 5}) {
            const auto fixed =
                std::to_chars(want, want + sizeof want, v, std::chars_format::fixed, decimals);
            QCOMPARE(lookup::FixedDecimals(v, decimals), std::string(want, fixed.ptr));
        }
        const auto general =
            std::to_chars(want, want + sizeof want, v, std::chars_format::general, 6);
        QCOMPARE(lookup::General(v), std::string(want, general.ptr));
    }
    QCOMPARE(lookup::Decimal(19.20), std::string("19.2"));
    QCOMPARE(lookup::Decimal(27.001), std::string("27"));
}

void TestQuery::monogram_data()
{
    QTest::addColumn<QString>("field"); // as loaded; "<unset>" for a slot never filled
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<bool>("fits");

    QTest::newRow("none is -NONE-") << "-NONE-"
                                    << "none" << true;
    QTest::newRow("NONE with spaces") << "-NONE-"
                                      << " NONE " << true;
    QTest::newRow("-none- written out") << "-NONE-"
                                        << "-none-" << true;
    QTest::newRow("none is not a monogram") << "DI"
                                            << "none" << false;
    QTest::newRow("case and spaces around the field") << " Di "
                                                      << "dI" << true;
    QTest::newRow("a prefix is not the monogram") << "DIA"
                                                  << "DI" << false;
    QTest::newRow("spaces inside count") << "D I"
                                         << "DI" << false;
    QTest::newRow("literal None is not empty") << "None"
                                               << "none" << false;
    QTest::newRow("unset slot") << "<unset>"
                                << "none" << false;
    QTest::newRow("Greek as written") << "\u0394\u0399"
                                      << "\u0394\u0399" << true;
}

void TestQuery::monogram()
{
    QFETCH(QString, field);
    QFETCH(QString, wanted);
    QFETCH(bool, fits);
    const std::optional<std::string> value =
        field == "<unset>" ? std::nullopt : std::optional(field.toStdString());
    QCOMPARE(lookup::MonogramMatches(value, wanted.toStdString()), fits);
}

namespace {

/// A catalogue number, as the test's own reading: digits with at most one
/// point, spaces around, above 0.
std::optional<double> plainNumber(const std::string& text)
{
    static const QRegularExpression plain(R"(^ *([0-9]+\.?[0-9]*|\.[0-9]+) *$)");
    const auto m = plain.match(QString::fromStdString(text));
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const double v = m.captured(1).toDouble();
    return v > 0 ? std::optional(v) : std::nullopt;
}

struct MeasuredEntry {
    std::string code, monogram, dia, wmin, wmax;
};

} // namespace

void TestQuery::measures_orderToleranceAndCountsAgainstDirectComputation()
{
    const std::vector<std::string> dias{"27", " 26.5 ", "", "c. 20", "0", "30", "27.0", "x"};
    const std::vector<std::string> weights{"17.10", "20", "", "n/a", " 5 ", "0", "19.2", "abc"};
    const std::vector<std::string> monograms{"DI", " di ", "", "EY"};
    std::mt19937 rng(29);
    const auto pick = [&rng](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    for (int round = 0; round < 60; ++round) {
        std::vector<MeasuredEntry> entries(std::uniform_int_distribution<std::size_t>(0, 40)(rng));
        QByteArray file;
        for (MeasuredEntry& e : entries) {
            e = {pick({"1", "2"}), pick(monograms), pick(dias), pick(weights), pick(weights)};
            file += QByteArray::fromStdString("sv,den," + e.dia + ",p,1,g,c,w,3," + e.wmin + "," +
                                              e.wmax + ",lm," + e.code + ",1,1,1,1,1," +
                                              e.monogram + ",,\n");
        }
        loadBytes(file);

        Query q;
        if (rng() % 2) {
            q.allowPosition(0, 0); // code "1"
        }
        const std::string wantedMonogram = pick({"", "DI", "none"});
        if (!wantedMonogram.empty()) {
            q.monograms[0] = {wantedMonogram};
        }
        const std::vector<double> sizes{0, 27, 25.5};
        const std::vector<double> masses{0, 19.2, 4, 25};
        const double d = sizes[rng() % sizes.size()];
        const double w = masses[rng() % masses.size()];
        q.measured = {d > 0 ? std::optional(d) : std::nullopt,
                      w > 0 ? std::optional(w) : std::nullopt};
        q.near = static_cast<int>(rng() % 3);
        if (rng() % 2) {
            q.tolerance = static_cast<double>(rng() % 30) / 100;
        }

        // distance, unknown measurements, misfit, entry
        std::vector<std::tuple<int, int, double, int>> expected;
        int exactWithCodeOne = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const MeasuredEntry& e = entries[i];
            const std::string mono =
                e.monogram.empty()
                    ? "-NONE-"
                    : QString::fromStdString(e.monogram).trimmed().toUpper().toStdString();
            int distance = !q.allowed[0].empty() && e.code != "1" ? 1 : 0;
            if (wantedMonogram == "DI") {
                distance += mono == "DI" ? 0 : 1;
            } else if (wantedMonogram == "none") {
                distance += e.monogram.empty() ? 0 : 1;
            }
            const std::optional<double> dia = plainNumber(e.dia);
            std::optional<double> lo = plainNumber(e.wmin);
            std::optional<double> hi = plainNumber(e.wmax);
            lo = lo ? lo : hi;
            hi = hi ? hi : lo;
            if (lo && *lo > *hi) {
                std::swap(lo, hi);
            }
            int unknown = 0;
            double misfit = 0;
            if (q.measured[0]) {
                dia ? void(misfit += std::abs(d - *dia) / *dia) : void(++unknown);
            }
            if (q.measured[1]) {
                if (!lo) {
                    ++unknown;
                } else if (w < *lo) {
                    misfit += (*lo - w) / *lo;
                } else if (w > *hi) {
                    misfit += (w - *hi) / *hi;
                }
            }
            const bool within = !q.tolerance || misfit <= *q.tolerance;
            if (distance <= q.near && within) {
                expected.emplace_back(distance, unknown, misfit, static_cast<int>(i));
            }
            const bool otherClues = wantedMonogram.empty() ||
                                    (wantedMonogram == "DI" ? mono == "DI" : e.monogram.empty());
            exactWithCodeOne += e.code == "1" && otherClues && within ? 1 : 0;
        }
        std::sort(expected.begin(), expected.end());

        const auto matches = lookup::RankMatches(loaded(), q);
        QCOMPARE(matches.size(), expected.size());
        for (std::size_t k = 0; k < matches.size(); ++k) {
            const auto& [distance, unknown, misfit, entry] = expected[k];
            QCOMPARE(matches[k].entry, entry);
            QCOMPARE(matches[k].distance, distance);
            QCOMPARE(static_cast<int>(matches[k].unknown.count()), unknown);
            QCOMPARE(matches[k].misfit.has_value(), q.measuring());
            QCOMPARE(matches[k].misfit.value_or(0), misfit);
        }
        QCOMPARE(lookup::CountFacets(loaded(), q)[0][0], exactWithCodeOne);
    }
}

QTEST_APPLESS_MAIN(TestQuery)
#include "test_query.moc"
