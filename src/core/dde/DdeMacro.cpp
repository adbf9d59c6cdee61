// Macro rules and the command-line client of the command interface.
#include "core/dde/DdeMacro.h"

#include "platform/DdeServer.h"
#include "platform/PlatformFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <cstdio>

namespace hy::dde {

namespace {
    void Complain(const QString& service, const QString& message)
    {
        const QByteArray text = (service + QStringLiteral(": ") + message + QLatin1Char('\n')).toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    }

    // An O or C macro names its file relative to the client's directory, as a command line does.
    QString WithAbsoluteName(const QString& macro, const QString& currentDir)
    {
        const TDdeMacro parsed = ParseDdeMacro(macro);
        if ((parsed.Command != QLatin1Char('O') && parsed.Command != QLatin1Char('C')) || parsed.Argument.isEmpty()
            || QDir::isAbsolutePath(parsed.Argument))
            return macro;
        return QLatin1Char('/') + parsed.Command + QDir::cleanPath(QDir(currentDir).filePath(parsed.Argument));
    }
} // namespace

TDdeMacro ParseDdeMacro(const QString& macro)
{
    qsizetype end = macro.indexOf(QLatin1Char('\n'));
    const qsizetype cr = macro.indexOf(QLatin1Char('\r'));
    if (cr >= 0 && (end < 0 || cr < end))
        end = cr;
    const QString line = end < 0 ? macro : macro.left(end);
    if (line.size() <= 1 || line.at(0) != QLatin1Char('/') || line.contains(QChar(0)))
        return {};
    return { line.at(1), line.mid(2) };
}

bool IsDdeClientCommand(const QStringList& parameters)
{
    return !parameters.isEmpty()
        && (parameters.first() == QLatin1String("--dde-execute")
            || parameters.first() == QLatin1String("--dde-request"));
}

int RunDdeClient(const QStringList& parameters, const QString& service, const QString& currentDir, int timeoutMs)
{
    const bool execute = parameters.value(0) == QLatin1String("--dde-execute");
    if ((execute && parameters.size() != 2) || (!execute && parameters.size() != 1)) {
        Complain(service,
            QStringLiteral("usage: %1 --dde-execute MACRO (\"/Ofile\", \"/Cfile\" or \"/T\") | %1 --dde-request")
                .arg(service));
        return kDdeClientUsage;
    }
    QByteArray request;
    if (execute)
        request = QByteArray("EXECUTE ") + kDdeTopic + ' '
            + platform::EscapeDdeText(WithAbsoluteName(parameters.at(1), currentDir));
    else
        request = QByteArray("REQUEST ") + kDdeItem;
    if (request.size() > platform::kMaxDdeLine) {
        Complain(service,
            QStringLiteral("the macro is too long (a request holds at most %1 bytes).").arg(platform::kMaxDdeLine));
        return kDdeClientUsage;
    }
    const QString path = platform::DdeServerPath(service);
    QLocalSocket socket;
    if (!path.isEmpty())
        socket.connectToServer(path);
    if (path.isEmpty() || !socket.waitForConnected(qMin(timeoutMs, 2000))) {
        Complain(service,
            QStringLiteral("no Halcyra Viewer is running for this user (nothing answers at %1).")
                .arg(path.isEmpty() ? QStringLiteral("a private runtime folder") : path));
        return kDdeClientNoViewer;
    }

    socket.write(request + '\n');

    const QDeadlineTimer deadline(timeoutMs);
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired())
        socket.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 1000)));
    if (!socket.canReadLine()) {
        Complain(service,
            deadline.hasExpired() ? QStringLiteral("the viewer did not answer within %1 seconds.").arg(timeoutMs / 1000)
                                  : QStringLiteral("the viewer closed the connection without an answer."));
        return kDdeClientNoAnswer;
    }
    const QByteArray answer = socket.readLine().chopped(1);
    socket.disconnectFromServer();
    if (answer == "OK")
        return kDdeClientDone;
    if (answer.startsWith("DATA ") || answer == "DATA") {
        const QByteArray text = platform::EncodeFileName(platform::UnescapeDdeText(answer.mid(5))) + '\n';
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
        return kDdeClientDone;
    }
    if (answer == "IGNORED") {
        Complain(
            service, QStringLiteral("the viewer ignored the macro \"%1\": it is no command.").arg(parameters.at(1)));
        return kDdeClientRefused;
    }
    const QString reason = platform::UnescapeDdeText(answer.startsWith("ERROR ") ? answer.mid(6) : answer);
    Complain(service,
        execute ? QStringLiteral("the viewer did not carry out \"%1\": %2").arg(parameters.at(1), reason)
                : QStringLiteral("the viewer refused the request: %1").arg(reason));
    return kDdeClientRefused;
}

} // namespace hy::dde
