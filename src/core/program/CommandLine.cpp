// The command line's own words.
#include "core/program/CommandLine.h"

#include <QDir>
#include <cstdio>

namespace hy::program {

namespace {
    const QLatin1String kEndOfOptions("--");
}

InfoRequest InfoRequestOf(const QStringList& parameters)
{
    for (const QString& p : parameters) {
        if (p == kEndOfOptions)
            break;
        if (p == QLatin1String("--help"))
            return InfoRequest::Help;
        if (p == QLatin1String("--version"))
            return InfoRequest::Version;
    }
    return InfoRequest::None;
}

QString UsageText(const QString& program)
{
    return QStringLiteral(
        "Usage: %1 [OPTION]... [--] [FILE]...\n"
        "Shows each FILE read-only in a window of its own: as text (Standard), as a hex dump (Hex), or in\n"
        "its own form (pictures, ZIP archives, sound and video). When the viewer is running already, the\n"
        "files open in it.\n"
        "\n"
        "Options:\n"
        "  -h, /h           show text files as a hex dump\n"
        "  -s, /s           show text files as text lines (Standard)\n"
        "  -r, /r           hide Set Preferences... in the Options menu\n"
        "  --               every parameter after this one is a file name\n"
        "  --help           print this text and exit\n"
        "  --version        print the version and exit\n"
        "\n"
        "Driving a running viewer:\n"
        "  %1 --dde-execute MACRO   run a macro in the running viewer: \"/Ofile\" opens a file in\n"
        "                               the window other programs drive, \"/Cfile\" empties that window,\n"
        "                               \"/T\" moves the viewer to the right half of the screen\n"
        "  %1 --dde-request         print the name of the file that window shows\n"
        "\n"
        "Settings are kept in $XDG_CONFIG_HOME/Halcyra/Brimlow.conf (~/.config when unset).\n")
        .arg(program);
}

QString VersionText(const QString& program)
{
    return QStringLiteral("%1 (Halcyra Viewer) %2\n").arg(program, QStringLiteral(HY_VERSION));
}

bool PrintInfoRequest(const QStringList& parameters, const QString& program)
{
    QString text;
    switch (InfoRequestOf(parameters)) {
    case InfoRequest::None:
        return false;
    case InfoRequest::Help:
        text = UsageText(program);
        break;
    case InfoRequest::Version:
        text = VersionText(program);
        break;
    }
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
    return true;
}

QStringList EndOptions(const QStringList& parameters, const QString& currentDir)
{
    const qsizetype end = parameters.indexOf(kEndOfOptions);
    if (end < 0)
        return parameters;
    QStringList result = parameters.mid(0, end);
    const QDir dir(currentDir);
    for (qsizetype i = end + 1; i < parameters.size(); ++i)
        result << QDir::cleanPath(dir.absoluteFilePath(parameters.at(i)));
    return result;
}

} // namespace hy::program
