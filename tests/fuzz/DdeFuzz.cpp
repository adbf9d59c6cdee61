// libFuzzer target: any bytes a client sends the command interface are read by its line reader and answered
// by the protocol ("OK", "IGNORED", "ERROR ...", "DATA ..."), a macro reaches the macro parser only from an
// EXECUTE request, an advising client gets the item's text back exactly, and no connection stays behind once
// its client has gone.
#include "core/dde/DdeMacro.h"
#include "platform/DdeServer.h"

#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <memory>
#include <unistd.h>

using namespace hy::platform;
using hy::dde::ParseDdeMacro;
using hy::dde::TDdeMacro;

namespace {
TDdeServer* g_server = nullptr;
int g_macros = 0;

bool IsAnswer(const QByteArray& line)
{
    return line == "OK" || line == "IGNORED" || line.startsWith("ERROR ") || line.startsWith("DATA ");
}

// The lines of answers read so far (each without its line feed).
void ReadAnswers(QLocalSocket& client, QList<QByteArray>& answers)
{
    while (client.canReadLine())
        answers << client.readLine().chopped(1);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    hy::fuzz::PrepareProcess();
    static QCoreApplication app(*argc, *argv);
    static TDdeServer server(QStringLiteral("hyfuzz-%1").arg(::getpid()), QString::fromLatin1(hy::dde::kDdeTopic),
        QString::fromLatin1(hy::dde::kDdeItem));
    server.SetIdleTimeout(10);
    server.SetExecuteHandler([](const QString& macro) {
        ++g_macros;
        // A request holding a NUL byte never runs.
        HY_FUZZ_CHECK(!macro.contains(QChar(0)));
        const TDdeMacro parsed = ParseDdeMacro(macro);
        if (parsed.Command.isNull())
            return false;
        HY_FUZZ_CHECK(macro.startsWith(QLatin1Char('/')) && macro.at(1) == parsed.Command);
        HY_FUZZ_CHECK(macro.mid(2).startsWith(parsed.Argument));
        HY_FUZZ_CHECK(!parsed.Argument.contains(QLatin1Char('\n')) && !parsed.Argument.contains(QLatin1Char('\r')));
        return true;
    });
    if (!server.Start())
        hy::fuzz::Fail("the command interface starts", __FILE__, __LINE__);
    g_server = &server;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray request(reinterpret_cast<const char*>(data), qsizetype(size));
    const int macrosBefore = g_macros;
    QList<QByteArray> answers;
    {
        QLocalSocket client;
        client.connectToServer(g_server->ServerPath());
        HY_FUZZ_CHECK(client.waitForConnected(1000));
        client.write(request);
        client.flush();
        hy::fuzz::RunEventsUntil(
            [&]() {
                ReadAnswers(client, answers);
                return !answers.isEmpty() || client.state() != QLocalSocket::ConnectedState;
            },
            600);
        ReadAnswers(client, answers);
        // An advising client hears each new text of the item, exactly.
        if (answers.size() == 1 && answers.first() == "OK" && g_macros == macrosBefore
            && client.state() == QLocalSocket::ConnectedState) {
            const QString text = QString::fromUtf8(request.right(64));
            g_server->SetItemText(text);
            hy::fuzz::RunEventsUntil(
                [&]() {
                    ReadAnswers(client, answers);
                    return answers.size() > 1;
                },
                600);
            HY_FUZZ_CHECK(answers.size() == 2 && answers.at(1).startsWith("DATA "));
            HY_FUZZ_CHECK(UnescapeDdeText(answers.at(1).mid(5)) == text);
        }
        client.abort();
    }
    for (const QByteArray& a : answers)
        HY_FUZZ_CHECK(IsAnswer(a));
    // At most one macro per request, and only from a request that asks for one.
    HY_FUZZ_CHECK(g_macros - macrosBefore <= 1);
    if (g_macros > macrosBefore)
        HY_FUZZ_CHECK(request.startsWith("EXECUTE "));
    HY_FUZZ_CHECK(hy::fuzz::RunEventsUntil([]() { return g_server->ConnectionCount() == 0; }, 600));
    return 0;
}
