// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QMap<QString, QString> seen;
    qint64 msAfterClosing = -1;
};

/// Starts the program in `dir` with `args`, waits for `waitFor` to show,
/// holds `holdMs`, then closes the window. `extra` adds to or overrides the
/// environment (offscreen platform by default).
Run runProgram(const QString& dir, const QStringList& args, const QString& waitFor, int holdMs = 0,
               const QString& select = {}, const QProcessEnvironment& extra = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ROVADOD_PROBE_WAIT_FOR", waitFor);
    env.insert("ROVADOD_PROBE_HOLD", QString::number(holdMs));
    env.insert("ROVADOD_PROBE_SELECT", select);
    env.insert(extra);
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + "/rovadod_probe", args);
    Run run;
    if (!p.waitForStarted()) {
        return run;
    }
    QByteArray out;
    QElapsedTimer sinceClosing;
    while (!out.contains("closing\n") && p.state() == QProcess::Running) {
        p.waitForReadyRead(100);
        out += p.readAllStandardOutput();
    }
    sinceClosing.start();
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.msAfterClosing = sinceClosing.elapsed();
    out += p.readAllStandardOutput();
    for (const QByteArray& line : out.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0) {
            run.seen.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    run.exitCode = p.exitCode();
    run.status = p.exitStatus();
    return run;
}

/// Reads `p`'s standard output until a line starting with `prefix` or the
/// end of the process, and returns that line without its end.
QByteArray lineStartingWith(QProcess& p, const QByteArray& prefix, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        while (p.canReadLine()) {
            const QByteArray line = p.readLine().trimmed();
            if (line.startsWith(prefix)) {
                return line;
            }
        }
        if (p.state() != QProcess::Running && !p.canReadLine()) {
            break;
        }
        p.waitForReadyRead(100);
    }
    return {};
}

QStringList contents(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                               QDir::System);
}

} // namespace

class TestProgram final : public QObject {
    Q_OBJECT

private slots:
    void closeWhileLoading_exitsZeroAfterPause();
    void arguments_changeNothing();
    void unreadableCatalogue_problemStays();
    void missingCatalogue_windowStaysUsable();
    void closing_handsClipboardToManager();
};

void TestProgram::closeWhileLoading_exitsZeroAfterPause()
{
    // A read that never returns keeps the loader blocked for good.
    QTemporaryDir dir;
    QFile f(QDir(dir.path()).filePath("ptolemy.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("1,,,,,,,,,,,,1,1,1,1,1,1\n") > 0);
    f.close();
    QProcessEnvironment stall;
    stall.insert("ROVADOD_PROBE_STALL", "1");
    const Run run = runProgram(dir.path(), {}, "Reading File...", 0, {}, stall);
    QCOMPARE(run.seen.value("text"), QString("Reading File..."));
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.msAfterClosing >= 150, qPrintable(QString::number(run.msAfterClosing)));
    QCOMPARE(contents(dir.path()), QStringList{"ptolemy.csv"});
}

void TestProgram::arguments_changeNothing()
{
    QTemporaryDir dir;
    QFile f(QDir(dir.path()).filePath("ptolemy.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("1,,,,,,,,,,,,1,1,1,1,1,1\n2\n3\n");
    f.close();
    const QString summary = "Quarvel Database OK\\n3 Entries Read";
    const Run plain = runProgram(dir.path(), {}, "Quarvel Database OK");
    QCOMPARE(plain.exitCode, 0);
    QCOMPARE(plain.seen.value("text"), summary);
    QCOMPARE(plain.seen.value("size"), QString("530x516"));
    QCOMPARE(plain.seen.value("rtl"), QString("0"));

    const QStringList args{"-reverse", "-geometry",     "100x80+5+5",  "-style",
                           "windows",  "-qwindowtitle", "Other",       "-platform",
                           "xcb",      "--help",        "ptolemy.csv", "-"};
    const Run withArgs = runProgram(dir.path(), args, "Quarvel Database OK");
    QCOMPARE(withArgs.status, QProcess::NormalExit);
    QCOMPARE(withArgs.exitCode, 0);
    QCOMPARE(withArgs.seen, plain.seen);
    QCOMPARE(contents(dir.path()), QStringList{"ptolemy.csv"});
}

void TestProgram::unreadableCatalogue_problemStays()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("ptolemy.csv"));
    // Past the loader's 3 s pause the problem message must still stand.
    const Run run = runProgram(dir.path(), {}, "Problem Reading", 3500);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.seen.value("text"), QString("Problem Reading Quarvel Database"));
}

void TestProgram::missingCatalogue_windowStaysUsable()
{
    QTemporaryDir dir;
    const Run run = runProgram(dir.path(), {}, "Database not found!", 3500, "rlfchoice:5");
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.seen.value("text"), QString("No Matching Entry Found"));
    QVERIFY(contents(dir.path()).isEmpty());
}

// On X11 the application hands the clipboard's content to the desktop's
// clipboard manager while it is torn down; a report copied just before
// closing must survive the program.
void TestProgram::closing_handsClipboardToManager()
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty()) {
        QSKIP("Xvfb is not installed");
    }
    // Debian's interpreter first: python3-xlib is installed for it.
    QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    if (python.isEmpty()) {
        python = QStandardPaths::findExecutable("python3");
    }
    QVERIFY2(!python.isEmpty(), "python3 is needed for the clipboard manager");

    // Xvfb takes a free display and names it on its standard output.
    QProcess server; // killed when the test ends, however it ends
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(xvfb, {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
    QVERIFY2(server.waitForStarted(), qPrintable(server.errorString()));
    const QByteArray number = lineStartingWith(server, "");
    QVERIFY2(!number.isEmpty(), server.readAllStandardError().constData());
    const QString display = ":" + QString::fromLatin1(number);

    QProcessEnvironment x11;
    x11.insert("DISPLAY", display);
    x11.insert("QT_QPA_PLATFORM", "xcb");
    QProcess manager;
    QProcessEnvironment managerEnv = QProcessEnvironment::systemEnvironment();
    managerEnv.insert(x11);
    manager.setProcessEnvironment(managerEnv);
    manager.start(python, {ROVADOD_CLIPBOARD_MANAGER});
    QVERIFY2(manager.waitForStarted(), qPrintable(manager.errorString()));
    QVERIFY2(lineStartingWith(manager, "ready") == "ready",
             manager.readAllStandardError().constData());

    QTemporaryDir dir;
    QFile f(QDir(dir.path()).filePath("ptolemy.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("DEMO-1,AE,24,12,7,g,155,W1,3,8.10,10.45,lm,2,1,1,1,1,1,,DI,\n");
    f.close();
    x11.insert("ROVADOD_PROBE_COPY", "1");
    // Under AddressSanitizer's strict string checks, libxkbcommon-x11's
    // strndup of a keymap name that is not NUL-terminated (which strndup
    // allows) reads as an overflow; the xcb platform loads it at start.
    const QString asan = qEnvironmentVariable("ASAN_OPTIONS");
    if (!asan.isEmpty()) {
        x11.insert("ASAN_OPTIONS", asan + ":strict_string_checks=0");
    }
    const Run run = runProgram(dir.path(), {}, "Quarvel Database OK", 0, "ofigchoice:1", x11);
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.msAfterClosing >= 150, qPrintable(QString::number(run.msAfterClosing)));
    const QString copied = run.seen.value("text").replace("\\n", "\n");
    QVERIFY2(copied.startsWith("Sv DEMO-1\tPlate 12.\t"), qPrintable(copied));

    const QByteArray saved = lineStartingWith(manager, "saved=", 5000);
    QVERIFY2(!saved.isEmpty(), manager.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(QByteArray::fromHex(saved.mid(6))), copied);
    QVERIFY(manager.waitForFinished(5000));
    QCOMPARE(manager.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
