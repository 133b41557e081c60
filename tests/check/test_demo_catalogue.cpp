// SPDX-License-Identifier: GPL-3.0-or-later
// The demo catalogue shipped in data/: read with the window's loader, it
// must offer something for every list position and nothing a keeper would
// have to fix.

#include "catalogue/catalogue.h"
#include "checker.h"
#include "lookup/search.h"
#include "vocab/vocabulary.h"

#include <QtTest>

using catalogue::Catalogue;

namespace {

int entries()
{
    return Catalogue::numentries.load();
}

/// Catalogue numbers of the entries the six list positions find.
QStringList found(const lookup::Positions& positions)
{
    const lookup::Codes codes = lookup::SelectionCodes(positions);
    QStringList sv;
    for (int k = 0; k < entries(); ++k) {
        if (lookup::EntryMatches(k, codes)) {
            sv << QString::fromStdString(*Catalogue::SV[std::size_t(k)]);
        }
    }
    return sv;
}

} // namespace

class TestDemoCatalogue final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void loads_asInventedSampleData();
    void everyListPosition_findsAnEntry();
    void selections_findTheEntriesTheReadmeNames_data();
    void selections_findTheEntriesTheReadmeNames();
    void checker_findsNothing();

private:
    std::string loaded_;
};

void TestDemoCatalogue::init()
{
    Catalogue::ClearCatalogue();
    Catalogue::GetDatabaseFrom(
        ROVADOD_DEMO_CATALOGUE, [this](const std::string& m) { loaded_ = m; }, [](int) {});
}

void TestDemoCatalogue::loads_asInventedSampleData()
{
    QVERIFY2(entries() >= 40 && entries() <= 120, qPrintable(QString::number(entries())));
    QCOMPARE(loaded_, "Quarvel Database OK\n" + std::to_string(entries()) + " Entries Read");
    QSet<QString> numbers;
    for (int k = 0; k < entries(); ++k) {
        const QString raw = QString::fromStdString(*Catalogue::database[std::size_t(k)]);
        const QString sv = QString::fromStdString(*Catalogue::SV[std::size_t(k)]);
        QVERIFY2(sv.startsWith("DEMO-"), qPrintable(raw));
        QVERIFY2(!numbers.contains(sv), qPrintable(sv));
        numbers.insert(sv);
        QVERIFY2(raw.count(',') == 20, qPrintable(raw));
        QVERIFY2(!raw.contains('"'), qPrintable(raw));
    }
}

void TestDemoCatalogue::everyListPosition_findsAnEntry()
{
    for (std::size_t a = 0; a < vocab::attributes.size(); ++a) {
        const vocab::Attribute& attr = vocab::attributes[a];
        for (int pos = 0; pos < attr.count(); ++pos) {
            bool any = false;
            for (int k = 0; k < entries() && !any; ++k) {
                any = lookup::CodeMatches(catalogue::codeColumns[a].at(std::size_t(k)),
                                          attr.code(pos));
            }
            QVERIFY2(
                any,
                qPrintable(
                    QString("%1 %2: %3")
                        .arg(QString::fromUtf8(attr.section.data(), qsizetype(attr.section.size())),
                             QString::fromUtf8(attr.label.data(), qsizetype(attr.label.size())),
                             QString::fromUtf8(attr.texts[std::size_t(pos)].data()))));
        }
    }
}

void TestDemoCatalogue::selections_findTheEntriesTheReadmeNames_data()
{
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("starting selection")
        << QList<int>{0, 0, 0, 0, 0, 0} << QStringList{"DEMO-001", "DEMO-002", "DEMO-003"};
    QTest::newRow("Zeus Laureate, eagle right closed, tripod")
        << QList<int>{1, 0, 4, 9, 0, 0} << QStringList{"DEMO-013", "DEMO-014"};
    QTest::newRow("Zeus Laureate, eagle right open, tripod")
        << QList<int>{1, 0, 5, 9, 0, 0} << QStringList{"DEMO-013", "DEMO-014"};
    QTest::newRow("Arsinoe, double cornucopia")
        << QList<int>{8, 0, 22, 0, 0, 0} << QStringList{"DEMO-050", "DEMO-051"};
}

void TestDemoCatalogue::selections_findTheEntriesTheReadmeNames()
{
    QFETCH(QList<int>, positions);
    QFETCH(QStringList, expected);
    lookup::Positions p{};
    std::copy(positions.begin(), positions.end(), p.begin());
    QCOMPARE(found(p), expected);
}

void TestDemoCatalogue::checker_findsNothing()
{
    const check::Result r = check::CheckCatalogue(ROVADOD_DEMO_CATALOGUE);
    QStringList findings;
    for (const auto& f : r.findings) {
        findings << QString::fromStdString(f.text);
    }
    QCOMPARE(findings, QStringList{});
    QCOMPARE(check::ExitStatus(r), 0);
}

QTEST_APPLESS_MAIN(TestDemoCatalogue)
#include "test_demo_catalogue.moc"
