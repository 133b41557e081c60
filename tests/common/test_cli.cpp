// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"

#include <QtTest>

namespace {

QString arg(const QByteArray& bytes)
{
    const char* argv[] = {bytes.constData()};
    return cli::Arguments(1, argv).front();
}

/// UTF-16 code units as written, lone surrogates included.
QString u16(const char16_t* units)
{
    return QStringView(units).toString();
}

} // namespace

class TestCli final : public QObject {
    Q_OBJECT

private slots:
    void arguments_bytesComeBackExactly_data();
    void arguments_bytesComeBackExactly();
    void arguments_everyByteAndPairComesBack();
    void arguments_twoNamesStayTwo();
};

void TestCli::arguments_bytesComeBackExactly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // as the parser sees it
    const QChar e9(0xDCE9);
    QTest::newRow("ASCII") << QByteArray("--batch=coins.tsv") << "--batch=coins.tsv";
    QTest::newRow("UTF-8 reads as text") << QByteArray("caf\xC3\xA9") << "caf\u00E9";
    QTest::newRow("four-byte character") << QByteArray("\xF0\x9F\xAA\x99") << "\U0001FA99";
    QTest::newRow("Latin-1") << QByteArray("caf\xE9.csv") << QString("caf") + e9 + ".csv";
    QTest::newRow("in an option's value")
        << QByteArray("--batch=b\xE9.tsv") << QString("--batch=b") + e9 + ".tsv";
    QTest::newRow("cut sequence at the end") << QByteArray("a\xE2\x84") << u16(u"a\xDCE2\xDC84");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << u16(u"\xDCC0\xDCAF");
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << u16(u"\xDCED\xDCA0\xDC80");
    QTest::newRow("past U+10FFFF")
        << QByteArray("\xF4\x90\x80\x80") << u16(u"\xDCF4\xDC90\xDC80\xDC80");
    QTest::newRow("bad byte after a four-byte character")
        << QByteArray("\xF0\x9F\xAA\x99\xFF") << u16(u"\xD83E\xDE99\xDCFF");
}

void TestCli::arguments_bytesComeBackExactly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(arg(bytes), text);
    QCOMPARE(cli::Bytes(arg(bytes)), bytes.toStdString());
}

void TestCli::arguments_everyByteAndPairComesBack()
{
    for (int a = 1; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            QByteArray bytes(1, static_cast<char>(a));
            if (b > 0) {
                bytes += static_cast<char>(b);
            }
            if (cli::Bytes(arg(bytes)) != bytes.toStdString()) {
                QFAIL(qPrintable("lost: " + bytes.toHex()));
            }
        }
    }
}

void TestCli::arguments_twoNamesStayTwo()
{
    // Both read as "caf\uFFFD.csv" through QCoreApplication::arguments().
    const char* argv[] = {"tool", "caf\xE9.csv", "caf\xE8.csv"};
    const QStringList args = cli::Arguments(3, argv);
    QCOMPARE(args.size(), 3);
    QVERIFY(args[1] != args[2]);
    QCOMPARE(cli::Bytes(args[1]), std::string("caf\xE9.csv"));
    QCOMPARE(cli::Bytes(args[2]), std::string("caf\xE8.csv"));
}

QTEST_APPLESS_MAIN(TestCli)
#include "test_cli.moc"
