// Texts for the compressed-file tests and their compressed forms, made by the real tools.
#pragma once

#include "support/TempFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace hy::test {

// Log-like lines of varying length; lineEnds chooses their ends: "\n", "\r\n", "\r" or "mixed" (all three).
QByteArray MakeLogText(qint64 size, quint32 seed, const QByteArray& lineEnds = "\n");
// The line ends of text as the viewer counts them (CR, and LF not after a CR), counted plainly.
qint64 PlainLineEnds(const QByteArray& text);
// Where each line starts, the first at 0.
QList<qint64> PlainLineStarts(const QByteArray& text);

struct TCompressTool {
    const char* Name; // test name
    const char* Program;
    QStringList Args; // compress standard input to standard output
};
// Every single-file compressor the tests use, with its usual settings.
const QList<TCompressTool>& CompressTools();

// Compresses data with the program into name in the folder; the path, or an empty text when the tool
// failed.
QString CompressInto(const TTempFolder& folder, const QString& name, const QByteArray& data, const QString& program,
    const QStringList& args);
// The program's own decompression of a file (program -dc).
QByteArray ToolDecompress(const QString& program, const QString& path);

} // namespace hy::test
