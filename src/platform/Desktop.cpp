// Desktop associations through xdg-mime and the .desktop entries of the XDG data folders.
#include "platform/Desktop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace hy::platform {

namespace {
    // The program of a .desktop entry: the first word of its Exec line, without field codes.
    QString ExecOfDesktopEntry(const QString& desktopId)
    {
        const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
        if (path.isEmpty())
            return QString();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            return QString();
        QTextStream in(&f);
        bool inEntry = false;
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.startsWith(QLatin1Char('[')))
                inEntry = line == QLatin1String("[Desktop Entry]");
            else if (inEntry && line.startsWith(QLatin1String("Exec="))) {
                const QStringList words = QProcess::splitCommand(line.mid(5));
                return words.isEmpty() ? QString() : words.first();
            }
        }
        return QString();
    }
} // namespace

QString DefaultApplicationFor(const QString& mimeType)
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return QString();
    QProcess p;
    p.start(xdgMime, { QStringLiteral("query"), QStringLiteral("default"), mimeType });
    if (!p.waitForFinished(2000)) {
        p.kill();
        p.waitForFinished(500);
        return QString();
    }
    const QString id = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    return id.isEmpty() ? QString() : ExecOfDesktopEntry(id);
}

QString DefaultTextEditor()
{
    const QString app = DefaultApplicationFor(QStringLiteral("text/plain"));
    return app.isEmpty() ? QStringLiteral("xdg-open") : app;
}

} // namespace hy::platform
