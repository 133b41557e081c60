// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

/// How a program run ended: status -1 when it did not start, hung for 30 s
/// or died by a signal.
struct ProgramRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

/// Runs `program` with `args` in `workDir`, `input` on its standard input,
/// and waits for it; its standard output goes to `outputFile` when given.
inline ProgramRun runProgram(const QString& program, const QStringList& args,
                             const QString& workDir, const QByteArray& input = {},
                             const QString& outputFile = {})
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    if (!outputFile.isEmpty()) {
        p.setStandardOutputFile(outputFile);
    }
    p.start(program, args);
    ProgramRun run;
    if (!p.waitForStarted(30000)) {
        return run;
    }
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.status = p.exitCode();
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

} // namespace testsupport
