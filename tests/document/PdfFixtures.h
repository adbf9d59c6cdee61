// PDF files for the document tests: printed by the program's own print path into a PDF, protected with
// qpdf, drawn by ImageMagick, or cut short.
#pragma once

#include "core/print/PrintLayout.h"
#include "core/settings/ViewerSettings.h"

#include <QFont>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace hy::test {

// Prints the pages (each one or more lines) as the program prints text, into a PDF file; true when written.
inline bool PrintPdf(const QString& path, const QStringList& pages)
{
    QStringList lines;
    for (int i = 0; i < pages.size(); ++i) {
        const QStringList pageLines = pages.at(i).split(QLatin1Char('\n'));
        for (int j = 0; j < pageLines.size(); ++j)
            lines << (i > 0 && j == 0 ? QStringLiteral("\f") : QString()) + pageLines.at(j);
    }
    QPdfWriter writer(path);
    print::TPainterCanvas canvas([&writer](const QString&, int) -> QPagedPaintDevice* { return &writer; });
    settings::TPrintSettings settings;
    settings.FileName = QStringLiteral("notes.txt");
    settings.Header.clear();
    settings.Footer.clear();
    settings.HonourFormFeeds = 1;
    print::TPrintTextJob job;
    job.LastLine = lines.size() - 1;
    job.LineText = [&lines](qint64 line, qint64 from, qint64 to) {
        const QString& text = lines.at(line);
        return to < 0 ? text.mid(from) : text.mid(from, to - from);
    };
    return print::PrintTextCopies(canvas, settings, QFont(QStringLiteral("monospace")), job) == 1;
}

// Runs a tool that makes a fixture; false when it is not installed or failed.
inline bool RunFixtureTool(const QString& program, const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return false;
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace hy::test
