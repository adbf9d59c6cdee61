// Tools run through QProcess with a fixed locale and time zone.
#include "support/Tools.h"

#include <QProcess>
#include <QStandardPaths>

namespace hy::test {

bool HaveTool(const QString& program) { return !QStandardPaths::findExecutable(program).isEmpty(); }

TToolResult RunTool(const QString& program, const QStringList& args, const QByteArray& input, const QString& workDir)
{
    TToolResult result;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    process.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    process.start(program, args);
    if (!process.waitForStarted(30000))
        return result;
    qint64 written = 0;
    while (written < input.size()) {
        const qint64 n = process.write(input.constData() + written, input.size() - written);
        if (n < 0)
            break;
        written += n;
        while (process.bytesToWrite() > (qint64(1) << 20)) {
            process.waitForBytesWritten(1000);
            result.Output += process.readAllStandardOutput();
            result.Errors += process.readAllStandardError();
        }
    }
    process.closeWriteChannel();
    // A tool gets ten minutes; one that hangs is killed and reported as failed.
    for (int second = 0; second < 600 && !process.waitForFinished(1000); ++second) {
        result.Output += process.readAllStandardOutput();
        result.Errors += process.readAllStandardError();
        if (process.state() == QProcess::NotRunning)
            break;
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.Output += process.readAllStandardOutput();
    result.Errors += process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        result.ExitCode = process.exitCode();
    return result;
}

} // namespace hy::test
