// SPDX-License-Identifier: GPL-3.0-or-later
// Files a hand-edited catalogue may turn out to be. Each must end with the
// right message and entry count, without a crash, without a write, and
// without a summary after a failure.

#include "catalogue/catalogue.h"
#include "catalogue/messages.h"
#include "lookup/search.h"
#include "lookup/utf8.h"
#include "support/catalogue_fixture.h"

#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using catalogue::Catalogue;

using testsupport::cell;

namespace {

enum class Kind {
    Missing,
    Empty,
    Directory,
    Unreadable,
    RandomBinary,
    NulInFields,
    InvalidUtf8,
    ByteOrderMark,
    OnlyCr,
    HugeLine,
    ManyLines,
    ManyFields,
    Growing,
};

constexpr int colSV = 0, colDen = 1, colDia = 2, colRFMgm = 20;

const QByteArray ordinaryTail = ",den,24,12,7,g,155,88,3,8.10,10.45,lm,1,1,1,1,1,1,,DI,";

QByteArray ordinaryRows(int count)
{
    QByteArray rows;
    for (int k = 0; k < count; ++k) {
        rows += QByteArray::number(k) + ordinaryTail + "\n";
    }
    return rows;
}

// Lines of random bytes, none of them a line end, joined by LF, CR or
// CR LF at random: the count is known however the bytes fall.
QByteArray randomBinary(int lines)
{
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255), length(1, 300), ending(0, 2);
    QByteArray bytes;
    for (int k = 0; k < lines; ++k) {
        const int n = length(rng);
        for (int i = 0; i < n; ++i) {
            char c = static_cast<char>(byte(rng));
            bytes += (c == '\n' || c == '\r') ? '\0' : c;
        }
        const char* endings[] = {"\n", "\r", "\r\n"};
        bytes += endings[ending(rng)];
    }
    return bytes;
}

QByteArray manyFields(int fields)
{
    QByteArray line;
    for (int f = 1; f <= fields; ++f) {
        line += (f > 1 ? "," : "") + ("f" + QByteArray::number(f));
    }
    return line + "\n";
}

QByteArray grownLine(int n)
{
    return "G" + QByteArray::number(n) + ordinaryTail + "\n";
}

/// Names, sizes and change times of everything in `path`: a load must leave
/// it exactly as it was.
QStringList snapshot(const QString& path)
{
    QStringList entries;
    const auto infos = QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                QDir::NoDotAndDotDot);
    for (const QFileInfo& info : infos) {
        entries << info.fileName() + " " + QString::number(info.size()) + " " +
                       QString::number(info.lastModified().toMSecsSinceEpoch()) + " " +
                       QString::number(info.metadataChangeTime().toMSecsSinceEpoch());
    }
    return entries;
}

/// The final text and count a load gives, run as user `nobody` in a child
/// process, because root reads any file whatever its mode.
bool loadAsNobody(testsupport::LoadLog& log, int& entries, QString& whyNot)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        whyNot = "no pipe";
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        int status = 0;
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            status = 2;
        } else {
            const testsupport::LoadLog got = testsupport::load();
            std::string out = std::to_string(Catalogue::numentries.load()) + "\n" +
                              std::to_string(got.pauses.size());
            for (int p : got.pauses) {
                out += "," + std::to_string(p);
            }
            for (const auto& m : got.messages) {
                out += '\x1f' + m;
            }
            status = ::write(fds[1], out.data(), out.size()) == ssize_t(out.size()) ? 0 : 3;
        }
        ::_exit(status);
    }
    ::close(fds[1]);
    QByteArray reply;
    char buf[4096];
    ssize_t got;
    while ((got = ::read(fds[0], buf, sizeof buf)) > 0) {
        reply.append(buf, got);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 2) {
        whyNot = "cannot switch to user nobody (65534) here";
        return false;
    }
    const QList<QByteArray> parts = reply.split('\x1f');
    const QList<QByteArray> head = parts.value(0).split('\n');
    entries = head.value(0).toInt();
    const QList<QByteArray> pauses = head.value(1).split(',');
    for (qsizetype i = 1; i < pauses.size(); ++i) {
        log.pauses.push_back(pauses[i].toInt());
    }
    for (qsizetype i = 1; i < parts.size(); ++i) {
        log.messages.push_back(parts[i].toStdString());
    }
    return true;
}

} // namespace

class TestBadInput final : public QObject {
    Q_OBJECT

private slots:
    void badFile_endsWithItsMessageAndCount_data();
    void badFile_endsWithItsMessageAndCount();
};

void TestBadInput::badFile_endsWithItsMessageAndCount_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("finalText");
    QTest::addColumn<int>("entries");
    // One value that shows the bytes arrived whole: column, entry, value.
    QTest::addColumn<int>("probeColumn");
    QTest::addColumn<int>("probeEntry");
    QTest::addColumn<QByteArray>("probeValue");

    const auto ok = [](int n) { return QByteArray::fromStdString(messages::summary(n)); };
    const QByteArray notFound(messages::notFound.data(), qsizetype(messages::notFound.size()));
    const QByteArray problem(messages::problem.data(), qsizetype(messages::problem.size()));
    const auto row = [](const char* name, Kind kind, const QByteArray& text, int n, int column = -1,
                        int entry = 0, const QByteArray& value = {}) {
        QTest::newRow(name) << int(kind) << text << n << column << entry << value;
    };

    row("missing", Kind::Missing, notFound, 0);
    row("empty", Kind::Empty, ok(0), 0);
    row("directory named ptolemy.csv", Kind::Directory, problem, 0);
    row("not readable by the user", Kind::Unreadable, problem, 0);
    row("random binary", Kind::RandomBinary, ok(500), 500);
    row("NUL bytes inside fields", Kind::NulInFields, ok(2), 2, colDen, 0,
        QByteArray("d\0e\0n", 5));
    row("invalid UTF-8", Kind::InvalidUtf8, ok(1), 1, colDen, 0, "\xff\xfe\xc0\x80\xed\xa0\x80");
    row("UTF-8 byte-order mark stays in field 1", Kind::ByteOrderMark, ok(2), 2, colSV, 0,
        "\xef\xbb\xbf"
        "0");
    row("only CR line ends", Kind::OnlyCr, ok(3), 3, colSV, 2, "2");
    row("one line of 50 MB", Kind::HugeLine, ok(1), 1, colRFMgm, 0,
        QByteArray(50 * 1024 * 1024, 'x'));
    row("100 000 lines", Kind::ManyLines, ok(699), 699, colSV, 698, "698");
    row("a line of 10 000 fields", Kind::ManyFields, ok(1), 1, colRFMgm, 0, "f21");
    // Appended lines beyond the 300 are checked apart: how many depends on
    // when the size is taken.
    row("file that grows while it is read", Kind::Growing, ok(300), 300, colDia, 299, "24mm");
}

void TestBadInput::badFile_endsWithItsMessageAndCount()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, finalText);
    QFETCH(int, entries);
    QFETCH(int, probeColumn);
    QFETCH(int, probeEntry);
    QFETCH(QByteArray, probeValue);

    testsupport::WorkDir dir;
    const QString path = dir.catalogue();
    switch (Kind(kind)) {
    case Kind::Missing:
        break;
    case Kind::Empty:
        QVERIFY(dir.write({}));
        break;
    case Kind::Directory:
        QVERIFY(QDir(dir.path()).mkdir("ptolemy.csv"));
        break;
    case Kind::Unreadable:
        QVERIFY(dir.write(ordinaryRows(3)));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        break;
    case Kind::RandomBinary:
        QVERIFY(dir.write(randomBinary(500)));
        break;
    case Kind::NulInFields:
        QVERIFY(dir.write(QByteArray("0,d\0e\0n,2\0", 10) +
                          ",12,7,g,155,88,3,8.10,10.45,lm,1,1,1,1,1,1,,DI,\n1" + ordinaryTail));
        break;
    case Kind::InvalidUtf8:
        QVERIFY(dir.write("0,\xff\xfe\xc0\x80\xed\xa0\x80,24,\xf4\x90\x80\x80,7,g,155,88,3,8.10,"
                          "10.45,lm,1,1,1,1,1,1,\xe2\x82,DI,\n"));
        break;
    case Kind::ByteOrderMark:
        QVERIFY(dir.write("\xef\xbb\xbf" + ordinaryRows(2)));
        break;
    case Kind::OnlyCr:
        QVERIFY(dir.write(ordinaryRows(3).replace('\n', '\r')));
        break;
    case Kind::HugeLine:
        QVERIFY(dir.write("0,den,24,12,7,g,155,88,3,8.10,10.45,lm,1,1,1,1,1,1,a,b," + probeValue));
        break;
    case Kind::ManyLines:
        QVERIFY(dir.write(ordinaryRows(100000)));
        break;
    case Kind::ManyFields:
        QVERIFY(dir.write(manyFields(10000)));
        break;
    case Kind::Growing:
        QVERIFY(dir.write(ordinaryRows(300)));
        break;
    }

    const QStringList before = snapshot(dir.path());
    testsupport::LoadLog log;
    int count = 0;
    if (Kind(kind) == Kind::Unreadable) {
        if (::geteuid() == 0) {
            QString whyNot;
            if (!loadAsNobody(log, count, whyNot)) {
                QSKIP(qPrintable("root reads any file, and " + whyNot));
            }
        } else {
            if (::access(QFile::encodeName(path).constData(), R_OK) == 0) {
                QSKIP("this user may read a file of mode 000");
            }
            log = testsupport::load();
            count = Catalogue::numentries.load();
        }
    } else if (Kind(kind) == Kind::Growing) {
        std::atomic<bool> loaded{false};
        std::thread writer([&path, &loaded] {
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND);
            for (int n = 0; fd >= 0 && !loaded.load() && n < 200000; ++n) {
                const QByteArray line = grownLine(n);
                if (::write(fd, line.constData(), size_t(line.size())) != line.size()) {
                    break;
                }
            }
            if (fd >= 0) {
                ::close(fd);
            }
        });
        log = testsupport::load();
        loaded.store(true);
        writer.join();
        count = Catalogue::numentries.load();
    } else {
        log = testsupport::load();
        count = Catalogue::numentries.load();
    }

    QVERIFY(!log.messages.empty());
    QCOMPARE(QByteArray::fromStdString(log.messages.front()),
             QByteArray(messages::reading.data(), qsizetype(messages::reading.size())));
    if (Kind(kind) == Kind::Growing) {
        // Lines appended before the size was taken are read too, and at most
        // one started after it; each is a line that was written, in order.
        QVERIFY2(count >= entries && count <= Catalogue::maxlines,
                 qPrintable(QString::number(count)));
        finalText = QByteArray::fromStdString(messages::summary(count));
        for (int k = entries; k < count; ++k) {
            const QByteArray sv = QByteArray::fromStdString(cell(Catalogue::SV, k));
            QCOMPARE(sv, "G" + QByteArray::number(k - entries));
            // The last line may be caught while its bytes are being written.
            if (k + 1 < count) {
                QCOMPARE(QByteArray::fromStdString(cell(Catalogue::LFMgm, k)), QByteArray("DI"));
            }
        }
    } else {
        QCOMPARE(count, entries);
    }
    QCOMPARE(QByteArray::fromStdString(log.messages.back()), finalText);
    // A failure is the last word: no summary follows it, and it pauses.
    const bool failed = finalText.startsWith("Problem") || finalText.startsWith("Database");
    QCOMPARE(log.messages.size(), size_t(2));
    QCOMPARE(log.pauses, failed ? std::vector<int>{3000} : std::vector<int>{});

    if (Kind(kind) == Kind::Unreadable) {
        return; // the load ran in the child; nothing is in this process
    }
    QCOMPARE(Catalogue::numentries.load(), count);
    for (int k = 0; k < count; ++k) {
        for (const catalogue::ColumnInfo& col : catalogue::schema) {
            QVERIFY(col.at(size_t(k)).has_value());
        }
    }
    if (count < Catalogue::maxlines) {
        for (const catalogue::ColumnInfo& col : catalogue::schema) {
            QVERIFY(!col.at(size_t(count)).has_value());
        }
    }
    if (probeColumn >= 0) {
        QCOMPARE(QByteArray::fromStdString(
                     cell(*catalogue::schema[size_t(probeColumn)].column, probeEntry)),
                 probeValue);
    }

    // Whatever the bytes, a search over them gives whole blocks of valid
    // UTF-8 or the no-match text.
    lookup::Codes codes{};
    std::vector<std::string> own(6);
    if (count > 0) {
        for (size_t a = 0; a < 6; ++a) {
            own[a] = cell(*catalogue::codeColumns[a].column, 0);
            codes[a] = own[a];
        }
    } else {
        codes = lookup::SelectionCodes({0, 0, 0, 0, 0, 0});
    }
    const std::string result = lookup::FindMatches(codes);
    QVERIFY(lookup::IsValidUtf8(result));
    const bool entry0Selectable =
        count > 0 && std::all_of(own.begin(), own.end(), [](auto& c) { return !c.empty(); });
    if (entry0Selectable) {
        QVERIFY(result.starts_with("Sv "));
        QVERIFY(result.ends_with("\n\n"));
        QCOMPARE(std::count(result.begin(), result.end(), '\n') % 7, 0);
    } else if (count == 0) {
        QCOMPARE(result, std::string(lookup::noMatch));
    }

    if (Kind(kind) != Kind::Growing) {
        QCOMPARE(snapshot(dir.path()), before);
    }
    if (Kind(kind) == Kind::Directory) {
        QVERIFY(QDir(path).isEmpty());
    }
}

QTEST_APPLESS_MAIN(TestBadInput)
#include "test_bad_input.moc"
