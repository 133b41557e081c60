// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "vocab/vocabulary.h"

#include <QtTest>

#include <set>

using catalogue::Catalogue;

namespace {

// Every display text and code, as the collectors' lists have them.
const char* const golden[6] = {
    "Zeus with Ammon Horn=1|Zeus Laureate=2|Alexander in Lionskin=3|"
    "Alexander in Elephantskin=4|Deified Alexander w/Horn=6|Bust of Apollo=5|"
    "Other Male (Ruler) Head=7|Two Heads=8|Arsinoe - Female Ruler=0|"
    "Berenike - Female Ruler=A|Kleopatra - Female Ruler=F|Goddess Isis=9|"
    "Goddess Aphrodite in Polos=G|Goddess Aphrodite in Stephane=H|"
    "Goddess Athena in Helmet=C|Goddess Tyche=J|Ram=D|Crocodile=K|Thunderbolt=E|"
    "Inscription Only=I",
    "No=1|Yes=2",
    "1 Eagle <L Closed Wing - Head <L=1|1 Eagle <L Closed Wing - Head R>=2|"
    "1 Eagle <L Open Wing - Head <L=3|1 Eagle <L Open Wing - Head R>=4|"
    "1 Eagle R> Closed Wing=5|1 Eagle R> Open Wing=5|2 Eagles <L Closed Wings=6|"
    "Rovadod Head=H|Mark Antony Bust=R|Zeus/Herakles=J|Asklepios=9|Nike Standing=M|"
    "Marathos Standing=G|Poseidon in Quadriga=V|Berenike Head=C|Kleopatra Head=W|"
    "Libya Head=0|Aphrodite Statue=7|Artemis Bust=I|Athena Advancing=S|"
    "Tyche Seated=P|Single Cornucopia=E|Double Cornucopia=F|Club=D|Ship Prow=8|"
    "Axe in Fasces=U|Isis Headdress=K|Pegasos=B|Sylphium Plant=A|Thunderbolt=N|"
    "Inscription Only=O|Crab=L|Crocodile=T|Deer Kneeling=Q",
    "None=1|Single Cornucopia=2|Double Cornucopia=3|Double Cornucopia and Club=34|"
    "Club=4|Club and Monogram(s)=40|Lotus Blossom=5|Lotus and Monogram(s)=50|"
    "Thunderbolt=6|Tripod=7|Shield=8|Shield and Monogram(s)=80|Monogram(s) Only=0|"
    "Aplustre=9|Harpa=A|Harpa and Monogram(s)=A0|Trident=B|Sylphium Plant=C|Star=D|"
    "Star and Monogram(s)=D0|Crested Helmet=E|Crested Helmet and Mgm(s)=E0|Eagle=F|"
    "Petasos=G|Owl=H|Bee=I|Wreath=J|Akrostolion=K|Akrostolion and Monogram(s)=K0|"
    "Grape Cluster=L|Dolphin=M|Anchor=N|Horse Head=O|Isis Headdress=P|Barley Stalk=Q|"
    "Dioscuri Cap=R|Astragolos=S|Helmet of Perseus=T",
    "None=1|Single Cornucopia on Eagle Shoulder=2|"
    "Double Cornucopia on Eagle Shoulder=3|Sceptre or Kerykeion Through Eagle=4|"
    "Palm Branch over Eagle Shoulder=8|Eagle in Right Field=5|"
    "Double Cornucopia in Right Field=7|Petasos in Right Field=0|"
    "Star in Right Field=A|Anchor in Right Field=B|Sylphium Plant in Right Field=C|"
    "Dioscuri Cap in Right Field=D|Phoenician Script Date at Right=6|"
    "Monogram to Right=E",
    "None=1|Cornucopia=2|Anchor=3|Trident=4|Pan Head=5|Eagle=6|Letters/Monogram=7|"
    "Indeterminate=8",
};

} // namespace

class TestVocabulary final : public QObject {
    Q_OBJECT

private slots:
    void everyTextAndCode_asListed();
    void counts_andCodeListLengths();
    void firstPosition_isNoneOrDefaultWithCodeOne();
    void codes_shortUpperCaseAndUniqueButForTheEagles();
    void decidedCodes();
    void combinedLeftFieldCodes_areTheirPartsInARow();
    void texts_spotChecks();
    void mainClass_namesTheSameLists();
};

void TestVocabulary::everyTextAndCode_asListed()
{
    for (std::size_t a = 0; a < 6; ++a) {
        const auto& attribute = vocab::attributes[a];
        QStringList pairs;
        for (int p = 0; p < attribute.count(); ++p) {
            pairs << QString::fromUtf8(attribute.texts[std::size_t(p)].data(),
                                       qsizetype(attribute.texts[std::size_t(p)].size())) +
                         '=' +
                         QString::fromUtf8(attribute.code(p).data(),
                                           qsizetype(attribute.code(p).size()));
        }
        QCOMPARE(pairs.join('|'), QString(golden[a]));
    }
}

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
    // Every list position has a code, and only the obverse figure list has
    // a code beyond its last position: "X", which nothing selects.
    const std::array<std::span<const std::string_view>, 6> named{
        Catalogue::OFigType, Catalogue::OInsType,  Catalogue::RFigType,
        Catalogue::RLFType,  Catalogue::RFigEType, Catalogue::CMKType};
    for (std::size_t a = 0; a < named.size(); ++a) {
        const std::size_t extra = a == 0 ? 1 : 0;
        QCOMPARE(named[a].size(), vocab::attributes[a].texts.size() + extra);
    }
    QCOMPARE(Catalogue::OFigType.back(), std::string_view("X"));
    QCOMPARE(Catalogue::filename, std::string_view("ptolemy.csv"));
    QCOMPARE(Catalogue::maxlines, 699);
}

QTEST_APPLESS_MAIN(TestVocabulary)
#include "test_vocabulary.moc"
