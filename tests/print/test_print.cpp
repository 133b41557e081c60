// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/sheet.h"
#include "print/ticket.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QtTest>

using print::Paper;
using print::Ticket;

namespace {

/// A ticket with `value` in every text it has, found or not.
Ticket filledWith(const std::string& value, bool found)
{
    Ticket t;
    t.id = value;
    t.found = found;
    t.sv = t.denomination = t.mint = t.plate = t.sngCop = t.weiser = value;
    t.monograms = {value, value, value};
    t.weight = 19.2;
    t.diameter = 27;
    t.weightRange = t.entryDiameter = t.seen = value;
    t.differs = {value, value};
    t.also = {value, value};
    return t;
}

std::string repeated(const char* unit, std::size_t characters)
{
    const QString u = QString::fromUtf8(unit);
    QString text;
    while (text.size() < static_cast<qsizetype>(characters)) {
        text += u;
    }
    text.truncate(static_cast<qsizetype>(characters));
    return text.toStdString();
}

} // namespace

class TestPrint final : public QObject {
    Q_OBJECT

private slots:
    void pages_gridInsideMarginsPageByPage_data();
    void pages_gridInsideMarginsPageByPage();
    void ticketSide_mmOrInWithinBounds_data();
    void ticketSide_mmOrInWithinBounds();
    void lines_stayInsideTheTicketWhateverTheText_data();
    void lines_stayInsideTheTicketWhateverTheText();
};

void TestPrint::pages_gridInsideMarginsPageByPage_data()
{
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<double>("side");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("perPage"); // columns x rows that fit in the margins
    QTest::addColumn<int>("columns");

    QTest::newRow("a4 50mm, a page") << Paper::A4 << 50.0 << 15 << 15 << 3;
    QTest::newRow("a4 50mm, one more") << Paper::A4 << 50.0 << 16 << 15 << 3;
    QTest::newRow("a4 50mm, none") << Paper::A4 << 50.0 << 0 << 15 << 3;
    QTest::newRow("a4 2in, three pages") << Paper::A4 << 50.8 << 31 << 15 << 3;
    QTest::newRow("a4 40mm, a page") << Paper::A4 << 40.0 << 24 << 24 << 4;
    QTest::newRow("a4 47.5mm, exactly four across") << Paper::A4 << 47.5 << 21 << 20 << 4;
    QTest::newRow("letter 50mm, one more") << Paper::Letter << 50.0 << 16 << 15 << 3;
    QTest::newRow("letter 2in, one") << Paper::Letter << 50.8 << 1 << 15 << 3;
    QTest::newRow("letter 40mm, one more") << Paper::Letter << 40.0 << 25 << 24 << 4;
    QTest::newRow("letter 150mm, one a page") << Paper::Letter << 150.0 << 2 << 1 << 1;
}

void TestPrint::pages_gridInsideMarginsPageByPage()
{
    QFETCH(Paper, paper);
    QFETCH(double, side);
    QFETCH(int, count);
    QFETCH(int, perPage);
    QFETCH(int, columns);

    const QSizeF size = print::PaperSize(paper);
    const auto pages = print::TicketPages(size, side, count);
    QCOMPARE(static_cast<int>(pages.size()), (count + perPage - 1) / perPage);
    const QRectF printable(print::pageMargin, print::pageMargin,
                           size.width() - 2 * print::pageMargin,
                           size.height() - 2 * print::pageMargin);
    int placed = 0;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const print::Page& page = pages[p];
        QCOMPARE(static_cast<int>(page.size()),
                 p + 1 < pages.size() ? perPage : count - perPage * static_cast<int>(p));
        for (std::size_t k = 0; k < page.size(); ++k) {
            const QRectF& r = page[k];
            QCOMPARE(r.size(), QSizeF(side, side));
            QVERIFY2(printable.contains(r),
                     qPrintable(QStringLiteral("ticket %1 of page %2").arg(k).arg(p)));
            // Row by row: the next ticket is to the right, or starts a row.
            if (k > 0) {
                const QRectF& before = page[k - 1];
                const bool sameRow = k % static_cast<std::size_t>(columns) != 0;
                QCOMPARE(r.top(), sameRow ? before.top() : before.bottom());
                QCOMPARE(r.left(), sameRow ? before.right() : page[0].left());
            }
        }
        // Centred between the margins.
        if (static_cast<int>(page.size()) >= columns) {
            QCOMPARE(page[0].left() - print::pageMargin,
                     size.width() - print::pageMargin -
                         page[static_cast<std::size_t>(columns) - 1].right());
        }
        placed += static_cast<int>(page.size());
    }
    QCOMPARE(placed, count);
}

void TestPrint::ticketSide_mmOrInWithinBounds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("mm"); // 0: refused

    QTest::newRow("50mm") << "50mm" << 50.0;
    QTest::newRow("2in") << "2in" << 50.8;
    QTest::newRow("1.5in") << "1.5in" << 38.1;
    QTest::newRow("40 mm, capital") << "40 MM" << 40.0;
    QTest::newRow("smallest") << "20mm" << 20.0;
    QTest::newRow("largest") << "150mm" << 150.0;
    QTest::newRow("too small") << "19.9mm" << 0.0;
    QTest::newRow("too large in inches") << "6in" << 0.0;
    QTest::newRow("no unit") << "50" << 0.0;
    QTest::newRow("other unit") << "5cm" << 0.0;
    QTest::newRow("unit alone") << "mm" << 0.0;
    QTest::newRow("negative") << "-50mm" << 0.0;
    QTest::newRow("exponent") << "5e1mm" << 0.0;
    QTest::newRow("point without digits") << "50.mm" << 0.0;
    QTest::newRow("comma") << "50,5mm" << 0.0;
    QTest::newRow("huge") << "99999999999999999999mm" << 0.0;
}

void TestPrint::ticketSide_mmOrInWithinBounds()
{
    QFETCH(QString, text);
    QFETCH(double, mm);
    const std::optional<double> side = print::ParseTicketSide(text.toStdString());
    if (mm == 0) {
        QVERIFY(!side);
    } else {
        QVERIFY(side);
        QCOMPARE(*side, mm);
    }
}

void TestPrint::lines_stayInsideTheTicketWhateverTheText_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("cut"); // too long to show whole

    QTest::newRow("ordinary") << QByteArray("DI") << false;
    constexpr std::size_t n = 10000;
    QTest::newRow("words") << QByteArray::fromStdString(repeated("Alexandria ", n)) << true;
    QTest::newRow("one unbroken run") << QByteArray::fromStdString(repeated("W", n)) << true;
    QTest::newRow("no-break spaces") << QByteArray::fromStdString(repeated("ab\u00A0", n)) << true;
    QTest::newRow("combining marks")
        << QByteArray::fromStdString(repeated("e\u0301\u0323", n)) << true;
    QTest::newRow("right to left")
        << QByteArray::fromStdString(repeated("\u0627\u0644\u0625\u0633\u0643\u0646\u062F ", n))
        << true;
    QTest::newRow("CJK") << QByteArray::fromStdString(repeated("\u6258\u52D2\u5BC6", n)) << true;
    QTest::newRow("emoji") << QByteArray::fromStdString(repeated("\U0001FA99", n)) << true;
    QTest::newRow("tabs and line separators")
        << QByteArray::fromStdString(repeated("a\tb\u2028c\n", n)) << true;
}

void TestPrint::lines_stayInsideTheTicketWhateverTheText()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, cut);

    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter device(&sink);
    const qreal perMm = device.resolution() / 25.4;
    for (const double side : {print::minTicketSide, 50.0, print::maxTicketSide}) {
        const QRectF rect(QPointF(7, 11) * perMm, QSizeF(side, side) * perMm);
        for (const bool found : {true, false}) {
            const std::vector<print::TicketLine> lines =
                print::TicketLines(filledWith(value.toStdString(), found), rect, &device);
            QVERIFY(!lines.empty());
            bool elided = false;
            qreal above = rect.top();
            for (const print::TicketLine& line : lines) {
                // Advance, not boundingRect(): Qt 6.4 gives some long runs
                // of combining marks a bounding box of no width.
                const QFontMetricsF metrics(line.font, &device);
                const QRectF box(line.baseline.x(), line.baseline.y() - metrics.ascent(),
                                 metrics.horizontalAdvance(line.text), metrics.height());
                const QString where = QStringLiteral("%1 mm, %2: \"%3\"")
                                          .arg(side)
                                          .arg(found ? "found" : "not found", line.text.left(20));
                QVERIFY2(rect.contains(box), qPrintable(where));
                QVERIFY2(box.top() > above - 0.01, qPrintable(where)); // no line over another
                QVERIFY2(!line.text.isEmpty(), qPrintable(where));
                above = box.bottom();
                elided = elided || line.text.endsWith(QChar(0x2026));
            }
            // The smallest ticket cuts even short texts of every field.
            if (side >= 50) {
                QCOMPARE(elided, cut);
            }
        }
    }
}

QTEST_MAIN(TestPrint)
#include "test_print.moc"
