// libFuzzer target: any bytes a second start sends the running viewer are read by the hand-over's line
// reader without a crash; the names it takes hold no NUL byte and stay within the limits, and sent again by a
// second start they arrive exactly as they are.
#include "platform/FileNames.h"
#include "platform/SingleInstance.h"

#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <optional>
#include <unistd.h>

using namespace hy::platform;

namespace {
TSingleInstance* g_running = nullptr;
std::optional<QStringList> g_received;
QString g_key;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    hy::fuzz::PrepareProcess();
    static QCoreApplication app(*argc, *argv);
    g_key = QStringLiteral("hy-fuzz-%1").arg(::getpid());
    static TSingleInstance running(g_key);
    running.SetIdleTimeout(10);
    if (running.HandOverOrListen({}) || !running.IsListening())
        hy::fuzz::Fail("the hand-over listens", __FILE__, __LINE__);
    QObject::connect(&running, &TSingleInstance::Activated, [](const QStringList& names) { g_received = names; });
    g_running = &running;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_received.reset();
    {
        QLocalSocket client;
        client.connectToServer(g_running->ServerName());
        HY_FUZZ_CHECK(client.waitForConnected(1000));
        client.write(reinterpret_cast<const char*>(data), qint64(size));
        client.flush();
        hy::fuzz::RunEventsUntil(
            [&]() { return g_received.has_value() || client.state() != QLocalSocket::ConnectedState; }, 600);
        client.abort();
    }
    hy::fuzz::RunEventsUntil([]() { return g_received.has_value(); }, 20);
    if (!g_received)
        return 0;
    const QStringList names = *g_received;
    HY_FUZZ_CHECK(names.size() <= kMaxHandOverNames);
    for (const QString& name : names) {
        const QByteArray bytes = EncodeFileName(name);
        HY_FUZZ_CHECK(!bytes.contains('\0') && bytes.size() <= kMaxHandOverName);
    }
    g_received.reset();
    TSingleInstance second(g_key);
    HY_FUZZ_CHECK(second.HandOver(names));
    HY_FUZZ_CHECK(hy::fuzz::RunEventsUntil([]() { return g_received.has_value(); }, 600));
    HY_FUZZ_CHECK(*g_received == names);
    return 0;
}
