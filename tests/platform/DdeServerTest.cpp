// The command interface's server on its socket: requests and answers, the order of macros, advise
// connections, and clients that misbehave (NUL bytes, trickling, never reading, giving up).
#include "platform/DdeServer.h"

#include "support/TestWait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace hy::platform;

namespace {

// Each test serves in a runtime folder of its own.
class DdeServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        m_server = std::make_unique<TDdeServer>("hytest", "DdeServerConv", "DdeServerItem");
        m_server->SetExecuteHandler([this](const QString& macro) {
            EXPECT_FALSE(m_inMacro) << "macros run one at a time";
            m_inMacro = true;
            m_macros << macro;
            // A macro that waits for the user lets events run meanwhile.
            QTest::qWait(2);
            m_inMacro = false;
            return macro.startsWith('/');
        });
        ASSERT_TRUE(m_server->Start());
    }
    void TearDown() override
    {
        m_server.reset();
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    }

    std::unique_ptr<QLocalSocket> Connect()
    {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(m_server->ServerPath());
        EXPECT_TRUE(socket->waitForConnected(1000));
        return socket;
    }

    // One request on a connection of its own; the answer line, or "" when the server closed without one.
    QByteArray Ask(const QByteArray& request)
    {
        auto socket = Connect();
        socket->write(request);
        socket->flush();
        (void)QTest::qWaitFor(
            [&]() { return socket->canReadLine() || socket->state() != QLocalSocket::ConnectedState; }, 5000);
        return socket->canReadLine() ? socket->readLine().chopped(1) : QByteArray();
    }

    QByteArray m_oldRuntime;
    QTemporaryDir m_runtime;
    std::unique_ptr<TDdeServer> m_server;
    QStringList m_macros;
    bool m_inMacro = false;
};

} // namespace

TEST_F(DdeServer, AnswersEachKindOfRequest)
{
    struct Case {
        QByteArray request;
        QByteArray answer;
    };
    m_server->SetItemText("/tmp/a b.txt");
    const Case cases[] = {
        { "EXECUTE DdeServerConv /O/tmp/x.txt\n", "OK" },
        { "EXECUTE ddeserverconv /T\n", "OK" }, // names of topics and items are matched without case
        { "EXECUTE DdeServerConv no command\n", "IGNORED" },
        { "EXECUTE OtherTopic /T\n", "ERROR no such topic" },
        { "REQUEST DdeServerItem\n", "DATA /tmp/a b.txt" },
        { "REQUEST ddeserveritem\n", "DATA /tmp/a b.txt" },
        { "REQUEST Other\n", "ERROR no such item" },
        { "\n", "ERROR empty request" },
        { "HELLO\n", "ERROR unknown request" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request.toStdString());
        EXPECT_EQ(Ask(c.request), c.answer);
    }
    EXPECT_EQ(m_macros, QStringList({ "/O/tmp/x.txt", "/T", "no command" }));
}

TEST_F(DdeServer, MacrosWaitWhileTheProgramIsNotReady)
{
    bool ready = false;
    m_server->SetReadyCheck([&ready]() { return ready; });
    auto first = Connect();
    auto second = Connect();
    first->write("EXECUTE DdeServerConv /O/tmp/one.txt\n");
    second->write("EXECUTE DdeServerConv /T\n");
    first->flush();
    second->flush();
    QTest::qWait(4 * kDdeBusyRetryMs);
    EXPECT_TRUE(m_macros.isEmpty()) << "nothing runs while the program is busy";
    EXPECT_FALSE(first->canReadLine());
    ready = true;
    HY_ASSERT_SOON(first->canReadLine() && second->canReadLine());
    EXPECT_EQ(first->readLine(), "OK\n");
    EXPECT_EQ(second->readLine(), "OK\n");
    m_macros.sort();
    EXPECT_EQ(m_macros, QStringList({ "/O/tmp/one.txt", "/T" }));
}

TEST_F(DdeServer, TextsKeepEveryByteOfANameThroughTheLine)
{
    const QString odd = QString::fromUtf8("/tmp/line\nbreak\\back\rslash \xc3\xa9") + QChar(0xDC80 + 0xE9 - 0x80);
    const QByteArray line = EscapeDdeText(odd);
    EXPECT_FALSE(line.contains('\n'));
    EXPECT_FALSE(line.contains('\r'));
    EXPECT_EQ(UnescapeDdeText(line), odd);

    EXPECT_EQ(Ask("EXECUTE DdeServerConv " + EscapeDdeText("/O" + odd) + "\n"), "OK");
    EXPECT_EQ(m_macros, QStringList { "/O" + odd });
    m_server->SetItemText(odd);
    EXPECT_EQ(Ask("REQUEST DdeServerItem\n"), "DATA " + line);
}

TEST_F(DdeServer, AdvisingClientsHearEveryChangeUntilTheyLeave)
{
    auto watcher = Connect();
    watcher->write("ADVISE DdeServerItem\n");
    HY_ASSERT_SOON(watcher->canReadLine());
    EXPECT_EQ(watcher->readLine(), "OK\n");
    for (const char* text : { "/a", "/b", "" })
        m_server->SetItemText(text);
    QByteArray heard;
    (void)QTest::qWaitFor([&]() {
        heard += watcher->readAll();
        return heard.count('\n') >= 3;
    });
    EXPECT_EQ(heard, "DATA /a\nDATA /b\nDATA \n");
    EXPECT_EQ(m_server->ConnectionCount(), 1) << "an advise connection stays open";
    watcher->disconnectFromServer();
    HY_EXPECT_SOON(m_server->ConnectionCount() == 0);
    m_server->SetItemText("/c"); // nobody listens any more

    // One that asks to hear and never reads is let go once its backlog passes the limit.
    auto deaf = Connect();
    deaf->setReadBufferSize(16);
    deaf->write("ADVISE DdeServerItem\n");
    HY_ASSERT_SOON(m_server->ConnectionCount() == 1 && deaf->bytesAvailable() > 0);
    const QString big(60000, 'n');
    EXPECT_TRUE(QTest::qWaitFor(
        [&]() {
            m_server->SetItemText(big);
            return m_server->ConnectionCount() == 0;
        },
        10000));
}

TEST_F(DdeServer, MisbehavingClientsAreDroppedAndTheNextOneIsServed)
{
    m_server->SetIdleTimeout(200);

    // Lines too long: one just over the limit hears why; one of a megabyte is dropped all the same.
    for (const int size : { int(kMaxDdeLine) + 100, 1 << 20 }) {
        auto big = Connect();
        big->write("EXECUTE DdeServerConv /O" + QByteArray(size, 'x') + "\n");
        QByteArray answer;
        EXPECT_TRUE(QTest::qWaitFor([&]() {
            if (big->isOpen())
                answer += big->readAll();
            return big->state() == QLocalSocket::UnconnectedState;
        }));
        if (size < (1 << 20)) {
            EXPECT_EQ(answer, "ERROR request too long\n");
        }
    }

    // Silent, and gone in the middle of a line.
    auto silent = Connect();
    auto halfway = Connect();
    halfway->write("EXECUTE DdeServerConv /Ohalf");
    halfway->flush();
    halfway->abort();
    HY_EXPECT_SOON(silent->state() == QLocalSocket::UnconnectedState);

    // A hundred at once, each with its macro: every one is answered, in turn.
    std::vector<std::unique_ptr<QLocalSocket>> many;
    for (int i = 0; i < 100; ++i) {
        many.push_back(std::make_unique<QLocalSocket>());
        many.back()->connectToServer(m_server->ServerPath());
        many.back()->write("EXECUTE DdeServerConv /O" + QByteArray::number(i) + "\n");
    }
    int answered = 0;
    (void)QTest::qWaitFor(
        [&]() {
            answered = 0;
            for (auto& s : many)
                answered += s->canReadLine() ? 1 : 0;
            return answered == 100;
        },
        10000);
    EXPECT_EQ(answered, 100);
    for (auto& s : many)
        EXPECT_EQ(s->readLine(), "OK\n");
    ASSERT_EQ(m_macros.size(), 100) << "neither the long line nor the broken one ran";
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(m_macros.at(i), "/O" + QString::number(i));
    EXPECT_EQ(Ask("REQUEST DdeServerItem\n"), "DATA ");
    HY_EXPECT_SOON(m_server->ConnectionCount() == 0);
}

TEST_F(DdeServer, OneServerPerServiceAndNoneInAFolderOthersCanEnter)
{
    TDdeServer second("hytest", "DdeServerConv", "DdeServerItem");
    EXPECT_FALSE(second.Start()) << "the name is served already";
    m_server.reset();
    EXPECT_TRUE(second.Start()) << "free again once the first has gone";

    // Never in a folder others may enter: the runtime folder is closed again, or nothing is served.
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    QFile::setPermissions(m_runtime.path(), QFile::permissions(m_runtime.path()) | QFile::ReadOther | QFile::ExeOther);
    const QString path = DdeServerPath("other");
    if (!path.isEmpty()) {
        EXPECT_EQ(QFile::permissions(QFileInfo(path).path()) & others, 0);
    }
    EXPECT_EQ(QFile::permissions(second.ServerPath()) & others, 0);
}

TEST(DdeServiceName, IsTheProgramNameUpToItsFirstDot)
{
    EXPECT_EQ(DdeServiceName("/usr/bin/hyview"), "hyview");
    EXPECT_EQ(DdeServiceName("./build/hyview.bin.old"), "hyview");
    EXPECT_EQ(DdeServiceName("hyview"), "hyview");
}

TEST_F(DdeServer, ARequestHoldingANulByteIsRefusedAndNothingRuns)
{
    const QByteArray withNul("EXECUTE DdeServerConv /O/tmp/ok.txt\0junk\n", 42);
    ASSERT_TRUE(withNul.contains('\0'));
    EXPECT_EQ(Ask(withNul), "ERROR the request holds a NUL byte");
    EXPECT_EQ(Ask(QByteArray("REQUEST DdeServerItem\0\n", 23)), "ERROR the request holds a NUL byte");
    EXPECT_TRUE(m_macros.isEmpty());
    EXPECT_EQ(Ask("REQUEST DdeServerItem\n"), "DATA ") << "the item keeps no NUL";
}

TEST_F(DdeServer, AClientThatTricklesBytesIsDroppedAsIfSilent)
{
    m_server->SetIdleTimeout(300);
    auto slow = Connect();
    // A byte every 50 ms never completes a line: the idle time counts from the start, not from the last byte.
    QTimer drip;
    QObject::connect(&drip, &QTimer::timeout, [&]() {
        if (slow->state() == QLocalSocket::ConnectedState)
            slow->write("x");
    });
    drip.start(50);
    HY_EXPECT_SOON(slow->state() == QLocalSocket::UnconnectedState);
    drip.stop();
    EXPECT_TRUE(m_macros.isEmpty());

    // A complete line starts the idle time again; the request of one line is then answered.
    auto steady = Connect();
    steady->write("EXECUTE DdeServerConv /T\n");
    HY_ASSERT_SOON(steady->canReadLine());
    EXPECT_EQ(steady->readLine(), "OK\n");
}

TEST_F(DdeServer, ClientsThatNeverFinishALineOrNeverReadCannotKeepARealClientOut)
{
    // Silence would drop them only after a minute: a real client must not wait for that.
    m_server->SetIdleTimeout(60000);
    std::vector<std::unique_ptr<QLocalSocket>> slow;
    for (int i = 0; i <= kMaxDdeConnections; ++i) {
        slow.push_back(Connect());
        slow.back()->write("EXECUTE DdeServerConv /O/never");
        slow.back()->flush();
        // The server takes each connection before the next knocks.
        QCoreApplication::processEvents();
    }
    HY_ASSERT_SOON(m_server->ConnectionCount() == kMaxDdeConnections);
    EXPECT_EQ(Ask("EXECUTE DdeServerConv /T\n"), "OK") << "the longest waiting gave way";
    EXPECT_EQ(m_macros, QStringList { "/T" });
    HY_EXPECT_SOON(slow.front()->state() == QLocalSocket::UnconnectedState);
    slow.clear();
    HY_ASSERT_SOON(m_server->ConnectionCount() == 0);

    // Advising clients that never read hold at most half the places.
    std::vector<std::unique_ptr<QLocalSocket>> deaf;
    for (int i = 0; i < kMaxDdeConnections; ++i) {
        deaf.push_back(Connect());
        deaf.back()->setReadBufferSize(1);
        deaf.back()->write("ADVISE DdeServerItem\n");
        deaf.back()->flush();
        QCoreApplication::processEvents();
    }
    HY_ASSERT_SOON(m_server->ConnectionCount() == kMaxDdeAdvising);
    m_server->SetItemText("/a");
    EXPECT_EQ(Ask("REQUEST DdeServerItem\n"), "DATA /a");
    EXPECT_EQ(Ask("EXECUTE DdeServerConv /O/real.txt\n"), "OK");

    // Those refused were told why.
    auto late = Connect();
    late->write("ADVISE DdeServerItem\n");
    HY_ASSERT_SOON(late->canReadLine());
    EXPECT_EQ(late->readLine(), "ERROR too many advising clients\n");
}

TEST_F(DdeServer, AClientThatGaveUpWaitingWhileTheProgramWasBusyHasNothingRun)
{
    bool ready = false;
    int checks = 0;
    m_server->SetReadyCheck([&]() {
        ++checks;
        return ready;
    });
    auto leaving = Connect();
    auto staying = Connect();
    leaving->write("EXECUTE DdeServerConv /Oleft.txt\n");
    staying->write("EXECUTE DdeServerConv /Ostayed.txt\n");
    leaving->flush();
    staying->flush();
    HY_ASSERT_SOON(m_server->ConnectionCount() == 2 && !leaving->canReadLine());
    leaving->disconnectFromServer();
    HY_ASSERT_SOON(m_server->ConnectionCount() == 1);
    // The queue looks again while the program is busy, at least once after the client left.
    const int seen = checks;
    HY_ASSERT_SOON(checks > seen + 1);
    ready = true;
    HY_ASSERT_SOON(staying->canReadLine());
    EXPECT_EQ(m_macros, QStringList { "/Ostayed.txt" });
}
