// Desktop associations through xdg-mime and the .desktop entries of the XDG data folders.
#include "platform/Desktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace hy::platform {

// An Exec line that is only a program, its options and field codes names that program. Anything else (an
// interpreter, "env VAR=... program", "sh -c ...") would be handed the file as a script to run: such an
// association goes through xdg-open, which opens the file the way the desktop does.
QString SafeProgramOfExec(const QStringList& words)
{
    if (words.isEmpty())
        return QString();
    const QString program = words.first();
    static const QStringList wrappers = { "env", "sh", "bash", "dash", "zsh", "ksh", "csh", "fish", "flatpak", "snap",
        "python", "python3", "perl", "ruby", "node", "exec", "nohup", "xargs", "sudo", "pkexec" };
    if (wrappers.contains(QFileInfo(program).fileName()) || program.contains(QLatin1Char('=')))
        return QStringLiteral("xdg-open");
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& w = words.at(i);
        const bool fieldCode = w.size() == 2 && w.startsWith(QLatin1Char('%'));
        if (!fieldCode && !w.startsWith(QLatin1Char('-')))
            return QStringLiteral("xdg-open");
    }
    return program;
}

namespace {

    // The program of a .desktop entry (see above). Entries that run in a terminal give nothing: started from
    // a window they would end at once, unseen.
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
        QStringList execWords;
        bool terminal = false;
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.startsWith(QLatin1Char('[')))
                inEntry = line == QLatin1String("[Desktop Entry]");
            else if (inEntry && line.startsWith(QLatin1String("Exec=")) && execWords.isEmpty()) {
                execWords = QProcess::splitCommand(line.mid(5));
            } else if (inEntry && line.startsWith(QLatin1String("Terminal="))) {
                terminal = line.mid(9).trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
            }
        }
        if (terminal)
            return QString();
        return SafeProgramOfExec(execWords);
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
    QString app = DefaultApplicationFor(QStringLiteral("text/plain"));
    // Without a desktop choice that opens a window, a graphical editor that is installed will do.
    if (app.isEmpty()) {
        for (const char* editor : { "gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "xed", "pluma",
                 "featherpad", "geany", "leafpad" }) {
            if (!QStandardPaths::findExecutable(QLatin1String(editor)).isEmpty()) {
                app = QLatin1String(editor);
                break;
            }
        }
    }
    return app.isEmpty() ? QStringLiteral("xdg-open") : app;
}

} // namespace hy::platform
