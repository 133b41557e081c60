// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures a site publishes, from its index: the same as the folder
// gives where the folder can be listed, and the one rule where it cannot.
#include "answer/pictures.h"
#include "catalogue/table.h"
#include "pictures/index.h"
#include "pictures/scan.h"

#include <QtTest>

#include <QFileInfo>

namespace {

const QString data = QStringLiteral(ROVADOD_DATA_DIR);

/// A picture as one line: path, label, small copy and both sizes.
QString described(const answer::Picture& p)
{
    return QStringLiteral("%1|%2|%3|%4x%5|%6x%7")
        .arg(QString::fromStdString(p.path), QString::fromStdString(p.label),
             QString::fromStdString(p.small))
        .arg(p.header.width)
        .arg(p.header.height)
        .arg(p.smallWidth)
        .arg(p.smallHeight);
}

/// Every entry's pictures, "entry: picture; picture", entries without any
/// left out.
QStringList described(const answer::Pictures& pictures)
{
    QStringList out;
    for (std::size_t entry = 0; entry < pictures.byEntry.size(); ++entry) {
        QStringList list;
        for (const answer::Picture& p : pictures.byEntry[entry]) {
            list << described(p);
        }
        if (!list.isEmpty()) {
            out << QString::number(entry) + ": " + list.join("; ");
        }
    }
    return out;
}

} // namespace

class TestAnswerPictures final : public QObject {
    Q_OBJECT

private slots:
    void fromIndex_demoAsItsFolder();
    void fromIndex_data();
    void fromIndex();
};

void TestAnswerPictures::fromIndex_demoAsItsFolder()
{
    const catalogue::LoadedTable loaded =
        catalogue::LoadTable((data + "/ptolemy.csv").toStdString());
    QVERIFY(loaded.outcome.loaded());
    const catalogue::View view = loaded.table->view();
    const std::string images = (data + "/images").toStdString();
    const pictures::Index index =
        pictures::ReadIndexFile(images + "/" + std::string(pictures::indexPath));
    QVERIFY(index.ok);
    QCOMPARE(index.skipped, 0);
    const answer::Pictures published = answer::PicturesFromIndex(index, view);
    const answer::Pictures folder = answer::AssignPictures(
        pictures::ScanFolder(images), (data + "/ptolemy.csv").toStdString(), view, index);
    QCOMPARE(published.base, std::string());
    QCOMPARE(published.byEntry.size(), folder.byEntry.size());

    int shown = 0;
    for (std::size_t entry = 0; entry < folder.byEntry.size(); ++entry) {
        const auto& mine = published.byEntry[entry];
        const auto& theirs = folder.byEntry[entry];
        QCOMPARE(mine.size(), theirs.size());
        for (std::size_t k = 0; k < mine.size(); ++k) {
            QVERIFY(theirs[k].usable());
            QVERIFY(mine[k].usable());
            QCOMPARE(mine[k].path, theirs[k].path);
            QCOMPARE(mine[k].label, theirs[k].label);
            QCOMPARE(mine[k].header.width, theirs[k].header.width);
            QCOMPARE(mine[k].header.height, theirs[k].header.height);
            // A checkout's file times are not the index's, so the folder may
            // not trust a small copy that the site has.
            if (!theirs[k].small.empty()) {
                QCOMPARE(mine[k].small, theirs[k].small);
            }
            QVERIFY2(QFileInfo::exists(data + "/" + QString::fromStdString(mine[k].small)),
                     mine[k].small.c_str());
            QVERIFY(mine[k].smallWidth > 0 && mine[k].smallWidth <= 480);
            ++shown;
        }
    }
    QCOMPARE(shown, static_cast<int>(index.entries.size()));
}

void TestAnswerPictures::fromIndex_data()
{
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QStringList>("lines"); // index lines after the header, fields by '|'
    QTest::addColumn<QStringList>("expected");

    const QStringList numbers{"412", "412-A", "12/3", "", "412"};
    QTest::newRow("the rule, the order and the labels")
        << numbers
        << QStringList{"412_plate-12.png|10|20|1|2|s1.webp|5|10",
                       "412-reverse.webp|30|30|1|2|||",
                       "412-OBVERSE.jpg|40|30|1|2|s2.jpg|40|30",
                       "412_plate-2.png|10|20|1|2|||",
                       "4120.jpg|10|10|1|2|||",
                       "412-A.jpg|10|10|1|2|||",
                       "12_3.webp|10|10|1|2|||",
                       "412.svg|10|10|1|2|||",
                       "nobody.jpg|10|10|1|2|||"}
        << QStringList{"0: images/412-OBVERSE.jpg|412 obverse|images/.rovadod/s2.jpg|40x30|40x30; "
                       "images/412-reverse.webp|412 reverse||30x30|0x0; "
                       "images/412_plate-2.png|412 picture 1||10x20|0x0; "
                       "images/412_plate-12.png|412 picture 2|images/.rovadod/s1.webp|10x20|5x10",
                       "1: images/412-A.jpg|412-A picture 1||10x10|0x0",
                       "2: images/12_3.webp|12/3 picture 1||10x10|0x0",
                       "4: images/412-OBVERSE.jpg|412 obverse|images/.rovadod/s2.jpg|40x30|40x30; "
                       "images/412-reverse.webp|412 reverse||30x30|0x0; "
                       "images/412_plate-2.png|412 picture 1||10x20|0x0; "
                       "images/412_plate-12.png|412 picture 2|images/.rovadod/s1.webp|10x20|5x10"};
    // The reader drops such a line; one built by hand is dropped here, and
    // takes no label's number from the pictures after it.
    QTest::newRow("a size over 50 MP or of nothing")
        << numbers
        << QStringList{"412-obverse.png|30000|30000|1|2|||", "412-obverse-2.png|8000|6250|1|2|||",
                       "412-obverse-3.png|0|10|1|2|||", "412-reverse.png|8000|6251|1|2|||"}
        << QStringList{"0: images/412-obverse-2.png|412 obverse||8000x6250|0x0",
                       "4: images/412-obverse-2.png|412 obverse||8000x6250|0x0"};
    QTest::newRow("no index") << numbers << QStringList{} << QStringList{};
}

void TestAnswerPictures::fromIndex()
{
    QFETCH(QStringList, numbers);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, expected);

    std::string csv;
    for (const QString& number : numbers) {
        csv += number.toStdString() + ",Diobol,27,I,1,AE2,592,158,31,17.55,23.69,Alexandria,1,1,1,"
                                      "1,1,1,,,\n";
    }
    const catalogue::LoadedTable loaded = catalogue::LoadTableFromBytes(csv);
    QCOMPARE(loaded.table->entries(), numbers.size());

    pictures::Index index = pictures::ReadIndex(std::string(pictures::indexHeader) + "\n");
    for (const QString& line : lines) {
        const QStringList f = line.split('|');
        pictures::IndexEntry& e = index.entries.emplace_back();
        e.name = f[0].toStdString();
        e.width = f[1].toUInt();
        e.height = f[2].toUInt();
        e.bytes = f[3].toULongLong();
        e.mtimeNs = f[4].toLongLong();
        e.small = f[5].toStdString();
        e.smallWidth = f[6].toUInt();
        e.smallHeight = f[7].toUInt();
    }
    QCOMPARE(described(answer::PicturesFromIndex(index, loaded.table->view())), expected);
}

QTEST_APPLESS_MAIN(TestAnswerPictures)
#include "test_answer_pictures.moc"
