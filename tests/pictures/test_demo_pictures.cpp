// SPDX-License-Identifier: GPL-3.0-or-later
// The demo's pictures: their prepared copies and index are committed, since
// the web build has no Qt to make them, so they must be what
// rovadod-pictures makes of the pictures now.
#include "pictures/index.h"
#include "pictures/match.h"
#include "support/run_program.h"

#include <QtTest>

#include <QDirIterator>
#include <QTemporaryDir>

#include <set>

namespace {

const QString data = QStringLiteral(ROVADOD_DATA_DIR);

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// The index without its times, which a checkout does not keep.
std::vector<pictures::IndexEntry> withoutTimes(pictures::Index index)
{
    for (pictures::IndexEntry& e : index.entries) {
        e.mtimeNs = 0;
    }
    return index.entries;
}

} // namespace

class TestDemoPictures final : public QObject {
    Q_OBJECT

private slots:
    void committedCopiesAreCurrent();
    void picturesBelongToDemoEntries();
};

void TestDemoPictures::committedCopiesAreCurrent()
{
    const QDir committed(data + "/images/.rovadod");
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.path() + "/images"));
    const QStringList pictureFiles = QDir(data + "/images").entryList(QDir::Files, QDir::Name);
    QVERIFY(pictureFiles.size() >= 12);
    for (const QString& name : pictureFiles) {
        QVERIFY(QFile::copy(data + "/images/" + name, dir.path() + "/images/" + name));
    }
    const testsupport::ProgramRun run =
        testsupport::runProgram(QStringLiteral(ROVADOD_PICTURES_EXE), {dir.path()}, dir.path());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QStringLiteral("made %1, kept 0, removed 0, could not read 0\n")
                          .arg(pictureFiles.size())
                          .toUtf8());

    const QDir made(dir.path() + "/images/.rovadod");
    QCOMPARE(
        committed.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
        made.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name));
    const pictures::Index ours =
        pictures::ReadIndex(readFile(made.filePath("index.tsv")).toStdString());
    const pictures::Index theirs =
        pictures::ReadIndex(readFile(committed.filePath("index.tsv")).toStdString());
    QVERIFY(theirs.ok && theirs.skipped == 0);
    QVERIFY(withoutTimes(ours) == withoutTimes(theirs));
    for (const pictures::IndexEntry& e : ours.entries) {
        const QString small = QString::fromStdString(e.small);
        QVERIFY2(readFile(made.filePath(small)) == readFile(committed.filePath(small)),
                 qPrintable(small + " differs: run data/images-src/render.sh"));
    }

    // Small enough to carry in the source, the install and the web build.
    qint64 total = 0;
    for (const QString& folder : {data + "/images", data + "/images-src"}) {
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            total += QFileInfo(it.next()).size();
        }
    }
    QVERIFY2(total <= 300 * 1024, qPrintable(QString::number(total)));
}

void TestDemoPictures::picturesBelongToDemoEntries()
{
    std::vector<std::string> numbers;
    for (const QByteArray& line : readFile(data + "/ptolemy.csv").split('\n')) {
        if (!line.isEmpty()) {
            numbers.push_back(line.left(line.indexOf(',')).toStdString());
        }
    }
    const pictures::Matcher matcher{std::span<const std::string>(numbers)};
    std::set<std::int32_t> entries;
    bool obverse = false;
    bool reverse = false;
    bool replaced = false; // a number's character a file name cannot hold, written as '_'
    for (const QString& name : QDir(data + "/images").entryList(QDir::Files)) {
        const auto claimed = matcher.entriesOf(name.toStdString());
        QVERIFY2(claimed.size() == 1, qPrintable(name));
        entries.insert(claimed.front());
        obverse |= name.contains("-obverse.");
        reverse |= name.contains("-reverse.");
        const std::string& number = numbers[static_cast<std::size_t>(claimed.front())];
        replaced |= number.find_first_of("/\\:*?\"<>|") != std::string::npos;
    }
    QVERIFY(entries.size() >= 12);
    QVERIFY(obverse && reverse && replaced);
}

QTEST_GUILESS_MAIN(TestDemoPictures)
#include "test_demo_pictures.moc"
