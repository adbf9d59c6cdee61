// The hand-over between two real processes, its limits on what a client may send, and the folder of its
// socket, which is never one that another user could take.
#include "platform/SingleInstance.h"
#include "support/TestWait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUuid>
#include <gtest/gtest.h>
#include <unistd.h>
using namespace hy::platform;

using hy::platform::HandOverNames;
using hy::platform::IsOptionParameter;
using hy::test::WaitForLine;

TEST(SingleInstance, OptionsAndNames)
{
    EXPECT_TRUE(IsOptionParameter("/h"));
    EXPECT_TRUE(IsOptionParameter("-H"));
    EXPECT_TRUE(IsOptionParameter("-Sx"));
    EXPECT_FALSE(IsOptionParameter("/home/user/a.txt"));
    EXPECT_FALSE(IsOptionParameter("-"));
    EXPECT_FALSE(IsOptionParameter("/"));
    EXPECT_EQ(HandOverNames({ "a.txt", "/h", "b.txt", "-s", "/etc/hosts", "../c d.txt" }, "/work/x"),
        QStringList({ "/work/x/a.txt", "/work/x/b.txt", "/etc/hosts", "/work/c d.txt" }));
    EXPECT_TRUE(HandOverNames({ "/h", "-R" }, "/tmp").isEmpty());
}

namespace {
QProcessEnvironment PeerEnvironment(const QString& key)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HY_INSTANCE_KEY", key);
    return env;
}

// Starts the first peer, which quits after the given number of hand-overs; true once it listens.
bool StartFirst(QProcess& first, const QString& key, const char* handOvers)
{
    first.setProcessEnvironment(PeerEnvironment(key));
    first.start(HY_PEER, { handOvers });
    QByteArray line;
    return WaitForLine(first, "LISTENING", line);
}

// Starts a second peer with the arguments and expects it to hand them to first, which prints them as line;
// how long the second start took, in milliseconds.
qint64 ExpectHandOver(QProcess& first, const QString& key, const QStringList& arguments, const QByteArray& line,
    const QString& workingDir = QString())
{
    QProcess second;
    second.setProcessEnvironment(PeerEnvironment(key));
    if (!workingDir.isEmpty())
        second.setWorkingDirectory(workingDir);
    QElapsedTimer t;
    t.start();
    second.start(HY_PEER, QStringList { "1" } + arguments);
    EXPECT_TRUE(second.waitForFinished(3000));
    const qint64 took = t.elapsed();
    EXPECT_EQ(second.readAllStandardOutput().trimmed(), "HANDED");
    QByteArray got;
    EXPECT_TRUE(WaitForLine(first, "GOT", got));
    EXPECT_EQ(got, line);
    return took;
}

} // namespace

TEST(SingleInstance, SecondStartHandsItsNamesToTheFirstAndEnds)
{
    const QString key = "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QTemporaryDir cwd;
    QProcess first;
    ASSERT_TRUE(StartFirst(first, key, "2"));

    const qint64 took = ExpectHandOver(first, key, { "a.txt", "/h", "b.txt", "name with blanks.log" },
        ("GOT 3 " + cwd.path() + "/a.txt|" + cwd.path() + "/b.txt|" + cwd.path() + "/name with blanks.log").toUtf8(),
        cwd.path());
    EXPECT_LT(took, 1000);
    // Only options: the first is still raised, with no names.
    ExpectHandOver(first, key, { "-h", "/s" }, "GOT 0");
    EXPECT_TRUE(first.waitForFinished(3000));
}

TEST(SingleInstance, AHandOverSurvivesANestedEventLoopInTheReceiver)
{
    const QString key = "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QProcessEnvironment env = PeerEnvironment(key);
    env.insert("HY_PEER_NESTED", "1");
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(HY_PEER, { "2" });
    QByteArray line;
    ASSERT_TRUE(WaitForLine(first, "LISTENING", line));
    for (const char* name : { "/tmp/one.txt", "/tmp/two.txt" })
        ExpectHandOver(first, key, { name }, QByteArray("GOT 1 ") + name);
    EXPECT_TRUE(first.waitForFinished(3000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
}

TEST(SingleInstance, NamesThatAreNotUtf8ArriveWithEveryByte)
{
    const QString key = "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QProcess first;
    ASSERT_TRUE(StartFirst(first, key, "1"));
    // The bytes reach the second start's command line through the shell, which takes them as they are.
    QProcess second;
    second.setProcessEnvironment(PeerEnvironment(key));
    second.start("/bin/sh", { "-c", "exec \"$0\" 1 \"$(printf '/tmp/a\\377\\376b.txt')\"", HY_PEER });
    ASSERT_TRUE(second.waitForFinished(3000));
    QByteArray line;
    ASSERT_TRUE(WaitForLine(first, "GOT", line));
    EXPECT_EQ(line,
        QByteArray("GOT 1 /tmp/a\xff\xfe"
                   "b.txt"));
    EXPECT_TRUE(first.waitForFinished(3000));
}

namespace {
// A running instance in this process, and a client that says whatever it likes to it.
class HandOverLimits : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_instance.HandOverOrListen({}));
        ASSERT_TRUE(m_instance.IsListening());
        m_instance.SetIdleTimeout(300);
        QObject::connect(&m_instance, &hy::platform::TSingleInstance::Activated,
            [this](const QStringList& names) { m_received.push_back(names); });
        m_client.connectToServer(m_instance.ServerName());
        ASSERT_TRUE(m_client.waitForConnected(3000));
    }
    // Writes all of data while the server reads, then waits until the server has either taken the request
    // or dropped the connection.
    void Send(const QByteArray& data)
    {
        qint64 written = 0;
        while (written < data.size() && m_client.state() == QLocalSocket::ConnectedState) {
            const qint64 n
                = m_client.write(data.constData() + written, std::min<qint64>(data.size() - written, 1 << 16));
            if (n < 0)
                break;
            written += n;
            while (m_client.bytesToWrite() > 0 && m_client.state() == QLocalSocket::ConnectedState) {
                m_client.flush();
                QCoreApplication::processEvents();
            }
        }
    }
    bool Dropped(int ms = 3000)
    {
        return QTest::qWaitFor([this]() { return m_client.state() == QLocalSocket::UnconnectedState; }, ms);
    }

    hy::platform::TSingleInstance m_instance { "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces) };
    QLocalSocket m_client;
    std::vector<QStringList> m_received;
};
} // namespace

TEST_F(HandOverLimits, AnOrdinaryRequestIsTaken)
{
    Send("RAISE\nFILE /tmp/x\\\\y\nFILE /tmp/two\\nlines\nEND\n");
    ASSERT_TRUE(QTest::qWaitFor([this]() { return !m_received.empty(); }, 3000));
    EXPECT_EQ(m_received.front(), QStringList({ "/tmp/x\\y", "/tmp/two\nlines" }));
}

TEST_F(HandOverLimits, ASilentConnectionIsDropped)
{
    Send("RAISE\nFILE /tmp/a\n");
    EXPECT_TRUE(Dropped());
    QTest::qWait(50);
    EXPECT_TRUE(m_received.empty()) << "a request that never ends opens nothing";
}

TEST_F(HandOverLimits, ANameLongerThanTheLimitIsDropped)
{
    Send("RAISE\nFILE /" + QByteArray(hy::platform::kMaxHandOverName + 10, 'n') + "\nEND\n");
    EXPECT_TRUE(Dropped());
    EXPECT_TRUE(m_received.empty());
}

TEST_F(HandOverLimits, MoreNamesThanTheLimitAreDropped)
{
    QByteArray request = "RAISE\n";
    for (int i = 0; i <= hy::platform::kMaxHandOverNames; ++i)
        request += "FILE /a\n";
    Send(request + "END\n");
    EXPECT_TRUE(Dropped());
    EXPECT_TRUE(m_received.empty());
}

TEST_F(HandOverLimits, ANameHoldingANulIsDroppedAndNothingOpens)
{
    Send(QByteArray("RAISE\nFILE /tmp/ok.txt\0junk\nEND\n", 30));
    EXPECT_TRUE(Dropped());
    EXPECT_TRUE(m_received.empty());
}

namespace {
// Runtime and temporary folders of the test's own making, for one test.
class SharedFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        m_oldTemp = qgetenv("TMPDIR");
        ASSERT_TRUE(QDir().mkpath(Runtime()) && QDir().mkpath(Temp()));
        // A runtime folder others may enter is no place for the socket.
        QFile::setPermissions(Runtime(), QFile::permissions(Runtime()) | QFile::ReadOther | QFile::ExeOther);
        QFile::setPermissions(Temp(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Runtime()));
        qputenv("TMPDIR", QFile::encodeName(Temp()));
    }
    void TearDown() override
    {
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        qputenv("TMPDIR", m_oldTemp);
    }
    QString Runtime() const { return m_dir.path() + "/runtime"; }
    QString Temp() const { return m_dir.path() + "/temp"; }
    QString Own() const { return Temp() + "/halcyra-viewer-" + QString::number(::getuid()); }

    QTemporaryDir m_dir;
    QByteArray m_oldRuntime;
    QByteArray m_oldTemp;
};
} // namespace

TEST_F(SharedFolders, WithoutAPrivateRuntimeFolderTheHandOverUsesAFolderOfItsOwn)
{
    const QString key = "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QProcess first;
    ASSERT_TRUE(StartFirst(first, key, "1"));
    EXPECT_EQ(QFileInfo(hy::platform::TSingleInstance(key).ServerName()).path(), Own());
    EXPECT_EQ(QFile::permissions(Own())
            & (QFile::ReadOther | QFile::WriteOther | QFile::ExeOther | QFile::ReadGroup | QFile::WriteGroup
                | QFile::ExeGroup),
        QFile::Permissions());

    ExpectHandOver(first, key, { "/tmp/a.txt" }, "GOT 1 /tmp/a.txt");
    EXPECT_TRUE(first.waitForFinished(3000));
}

TEST_F(SharedFolders, ANameTakenByAnotherInTheTemporaryFolderMeansNoHandOverAtAll)
{
    // Where the socket once fell back to, another user listens and would hear every name handed over.
    const QString key = "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QLocalServer listener;
    ASSERT_TRUE(listener.listen(Temp() + "/" + key.toLower() + "-" + QString::number(::getuid()) + ".socket"));
    // And the program's own folder name is a link to a folder of theirs.
    ASSERT_TRUE(QDir().mkpath(m_dir.path() + "/theirs"));
    ASSERT_TRUE(QFile::link(m_dir.path() + "/theirs", Own()));

    hy::platform::TSingleInstance instance(key);
    EXPECT_TRUE(instance.ServerName().isEmpty());
    EXPECT_FALSE(instance.HandOverOrListen({ "/tmp/secret.txt" })) << "this start stays a viewer of its own";
    EXPECT_FALSE(instance.IsListening());
    EXPECT_FALSE(hy::platform::TSingleInstance(key).HandOver({ "/tmp/secret.txt" }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(listener.hasPendingConnections());
    EXPECT_TRUE(QDir(m_dir.path() + "/theirs").isEmpty()) << "nothing was put into their folder";
}

TEST(SingleInstance, AStaleSocketFromACrashedInstanceDoesNotBlockTheNextStart)
{
    const QString key = "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QProcess first;
    ASSERT_TRUE(StartFirst(first, key, "1"));
    first.kill();
    first.waitForFinished();

    QProcess next;
    ASSERT_TRUE(StartFirst(next, key, "1"));
    next.kill();
    next.waitForFinished();
}

TEST(SingleInstance, TheRealViewerHandsOverAndExitsWithinASecond)
{
    const QString key = "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QTemporaryDir home;
    QProcessEnvironment env = PeerEnvironment(key);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", home.path());
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(HY_VIEWER, {});
    ASSERT_TRUE(first.waitForStarted());
    hy::platform::TSingleInstance probe(key);
    QElapsedTimer t;
    t.start();
    while (!probe.HandOver({}, 100) && t.elapsed() < 10000)
        QThread::msleep(50);
    ASSERT_LT(t.elapsed(), 10000) << "the viewer never answered";

    QProcess second;
    second.setProcessEnvironment(env);
    t.start();
    second.start(HY_VIEWER, { "-h" });
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    first.waitForFinished(3000);
}
