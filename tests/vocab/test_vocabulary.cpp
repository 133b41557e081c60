#include "app/rovadod.h"
#include "vocab/vocabulary.h"

#include <QtTest>

#include <set>

class TestVocabulary final : public QObject {
    Q_OBJECT

private slots:
    void counts_andCodeListLengths();
    void firstPosition_isNoneOrDefaultWithCodeOne();
    void codes_shortUpperCaseAndUniqueButForTheEagles();
    void decidedCodes();
    void combinedLeftFieldCodes_areTheirPartsInARow();
    void texts_spotChecks();
    void mainClass_namesTheSameLists();
};

void TestVocabulary::counts_andCodeListLengths()
{
    const std::array<int, 6> counts{20, 2, 34, 38, 14, 8};
    for (std::size_t a = 0; a < 6; ++a) {
        QCOMPARE(vocab::attributes[a].count(), counts[a]);
    }
    QCOMPARE(vocab::OFigCodes.size(), std::size_t(21));
    QCOMPARE(vocab::OFigCodes.back(), std::string_view("X"));
    for (std::size_t a = 1; a < 6; ++a) {
        QCOMPARE(vocab::attributes[a].codes.size(), vocab::attributes[a].texts.size());
    }
}

void TestVocabulary::firstPosition_isNoneOrDefaultWithCodeOne()
{
    for (const auto& attribute : vocab::attributes) {
        QCOMPARE(attribute.code(0), std::string_view("1"));
    }
    QCOMPARE(vocab::RLFText[0], std::string_view("None"));
    QCOMPARE(vocab::RFigEText[0], std::string_view("None"));
    QCOMPARE(vocab::CMKText[0], std::string_view("None"));
}

void TestVocabulary::codes_shortUpperCaseAndUniqueButForTheEagles()
{
    for (const auto& attribute : vocab::attributes) {
        std::set<std::string_view> seen;
        for (int p = 0; p < attribute.count(); ++p) {
            const std::string_view code = attribute.code(p);
            QVERIFY(code.size() == 1 || code.size() == 2);
            for (const char c : code) {
                QVERIFY((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'));
            }
            const bool eagle = attribute.texts.data() == vocab::RFigText.data() && p == 5;
            QCOMPARE(seen.insert(code).second, !eagle);
        }
    }
    QCOMPARE(vocab::RFigCodes[4], vocab::RFigCodes[5]);
}

void TestVocabulary::decidedCodes()
{
    QCOMPARE(vocab::RFigText[33], std::string_view("Deer Kneeling"));
    QCOMPARE(vocab::RFigCodes[33], std::string_view("Q"));
    QCOMPARE(vocab::CMKCodes[6], std::string_view("7"));
    QCOMPARE(vocab::CMKCodes[7], std::string_view("8"));
    QCOMPARE(vocab::RFigECodes[7], std::string_view("0"));
    QCOMPARE(vocab::RFigECodes[13], std::string_view("E"));
}

void TestVocabulary::combinedLeftFieldCodes_areTheirPartsInARow()
{
    const auto codeOf = [](std::string_view text) {
        const auto it = std::find(vocab::RLFText.begin(), vocab::RLFText.end(), text);
        return std::string(vocab::RLFCodes[std::size_t(it - vocab::RLFText.begin())]);
    };
    QCOMPARE(codeOf("Double Cornucopia and Club"), codeOf("Double Cornucopia") + codeOf("Club"));
    const std::string mgm = codeOf("Monogram(s) Only");
    for (const char* symbol : {"Club", "Lotus", "Shield", "Harpa", "Star", "Akrostolion"}) {
        const std::string base = symbol == std::string("Lotus") ? "Lotus Blossom" : symbol;
        QCOMPARE(codeOf(std::string(symbol) + " and Monogram(s)"), codeOf(base) + mgm);
    }
    QCOMPARE(codeOf("Crested Helmet and Mgm(s)"), codeOf("Crested Helmet") + mgm);
}

void TestVocabulary::texts_spotChecks()
{
    QCOMPARE(vocab::OFigText[4], std::string_view("Deified Alexander w/Horn"));
    QCOMPARE(vocab::OFigCodes[4], std::string_view("6"));
    QCOMPARE(vocab::RFigText[1], std::string_view("1 Eagle <L Closed Wing - Head R>"));
    QCOMPARE(vocab::RLFText[36], std::string_view("Astragolos"));
    QCOMPARE(vocab::RFigEText[12], std::string_view("Phoenician Script Date at Right"));
    QCOMPARE(vocab::RFigECodes[12], std::string_view("6"));
    const std::array<std::string_view, 6> labels{"Main Figure",        "Inscription Present",
                                                 "Main Figure",        "Left Field Symbols",
                                                 "Right Side Symbols", "CounterMark Symbol"};
    for (std::size_t a = 0; a < 6; ++a) {
        QCOMPARE(vocab::attributes[a].label, labels[a]);
        QCOMPARE(vocab::attributes[a].section, std::string_view(a < 2 ? "Obverse" : "Reverse"));
    }
}

void TestVocabulary::mainClass_namesTheSameLists()
{
    QCOMPARE(&Rovadod::OFigType, &vocab::OFigCodes);
    QCOMPARE(&Rovadod::CMKType, &vocab::CMKCodes);
    QCOMPARE(Rovadod::filename, std::string_view("ptolemy.csv"));
    QCOMPARE(Rovadod::maxlines, 699);
    QVERIFY(!Rovadod::prodtitle.empty());
}

QTEST_APPLESS_MAIN(TestVocabulary)
#include "test_vocabulary.moc"
