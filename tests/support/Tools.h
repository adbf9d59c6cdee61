// Running the command-line tools people use (gzip, tar, 7z ...) to make fixtures and to check results.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace hy::test {

// Whether a program of that name is on the PATH.
bool HaveTool(const QString& program);

struct TToolResult {
    int ExitCode = -1; // -1 when the program did not start or did not end normally
    QByteArray Output; // standard output
    QByteArray Errors; // standard error
};

// Runs a program with input on its standard input, in workDir (the current folder when empty), under
// LC_ALL=C and TZ=UTC so that what it prints never depends on the machine's settings.
TToolResult RunTool(const QString& program, const QStringList& args, const QByteArray& input = QByteArray(),
    const QString& workDir = QString());

} // namespace hy::test
