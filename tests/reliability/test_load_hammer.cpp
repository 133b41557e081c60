// SPDX-License-Identifier: GPL-3.0-or-later
// Searches run on the window's thread while the catalogue loads on another.
// No lock is taken, so what keeps them apart is the count published after
// the columns: this runs under ThreadSanitizer too.

#include "catalogue/catalogue.h"
#include "lookup/search.h"
#include "support/catalogue_fixture.h"
#include "support/concurrent_load.h"

#include <QtTest>

using catalogue::Catalogue;

namespace {

// 699 lines of about 100 KB; every other line matches the default
// selection, and some have an empty specimen count, which the report
// rewrites on the searching thread.
QByteArray longLineCatalogue()
{
    const QByteArray pad(100 * 1024, 'p');
    QByteArray file;
    file.reserve(699 * (pad.size() + 80));
    for (int k = 0; k < Catalogue::maxlines; ++k) {
        const QByteArray count = k % 3 == 0 ? QByteArray() : QByteArray::number(k % 17);
        const QByteArray mark = k % 2 == 0 ? "1" : "2";
        file += "S" + QByteArray::number(k) + "," + pad + ",24,12,7,g,155,," + count +
                ",8.10,10.45,lm,1,1,1,1,1," + mark + ",,DI,\n";
    }
    return file;
}

} // namespace

class TestLoadHammer final : public QObject {
    Q_OBJECT

private slots:
    void searchesDuringLongLoad_seeNothingOrEverything();
};

void TestLoadHammer::searchesDuringLongLoad_seeNothingOrEverything()
{
    testsupport::WorkDir dir;
    QVERIFY(dir.write(longLineCatalogue()));
    const lookup::Codes codes = lookup::SelectionCodes({0, 0, 0, 0, 0, 0});

    for (int round = 0; round < 3; ++round) {
        const auto load = testsupport::searchWhileLoading(codes);
        QCOMPARE(Catalogue::numentries.load(), Catalogue::maxlines);
        QVERIFY(load.searchesMidRead > 0);
        qInfo("searches mid-read: %ld, later in the load: %ld", load.searchesMidRead,
              load.searchesAfterHold);

        const std::string full = lookup::FindMatches(codes);
        QCOMPARE(std::count(full.begin(), full.end(), '\n'), 350L * 7);
        QVERIFY(full.starts_with("Sv S0\t"));
        for (const auto& [countBefore, result] : load.seen) {
            if (result == lookup::noMatch) {
                // Nothing found is only right while nothing is loaded.
                QCOMPARE(countBefore, 0);
            } else {
                QCOMPARE(result, full);
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestLoadHammer)
#include "test_load_hammer.moc"
