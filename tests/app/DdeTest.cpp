// The command interface driven from a second process: the real program started with --dde-execute and
// --dde-request talks to a main window served in this process. The window, the item and its advise
// messages, the exit codes, failures answered before their alerts, and clients that misbehave.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/DdeServerConv.h"
#include "platform/DdeServer.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/viewer/HvViewr.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace hy::app;
using namespace hy::settings;
using hy::test::ModalWatcher;

namespace {

struct ClientRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class Dde : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(m_runtime.isValid());
        ASSERT_TRUE(m_dir.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        m_form = std::make_unique<TMainForm>();
        m_form->resize(900, 700);
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        m_conv = new TDdeServerConv(*m_form, "hyview");
        ASSERT_TRUE(m_conv->Start());
    }
    void TearDown() override
    {
        m_form->SetTabbedWindows(true); // the next test starts as a first start does
        m_form->close();
        m_form.reset();
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    }

    QString Make(const QString& name, const QByteArray& content = "one\ntwo\nthree\n")
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    // Runs the real program as a client while this process keeps serving.
    ClientRun Client(const QStringList& arguments, const QString& workingDir = QString())
    {
        QProcess p;
        if (!workingDir.isEmpty())
            p.setWorkingDirectory(workingDir);
        p.start(HY_VIEWER, arguments);
        EXPECT_TRUE(p.waitForStarted());
        EXPECT_TRUE(QTest::qWaitFor([&]() { return p.state() == QProcess::NotRunning; }, 20000));
        return { p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError() };
    }
    int Execute(const QString& macro) { return Client({ "--dde-execute", macro }).exitCode; }
    QByteArray Item() { return Client({ "--dde-request" }).out; }

    TChildForm* DdeViewer() const { return m_conv->DdeViewer(); }
    QString Shown() const
    {
        return DdeViewer() && DdeViewer()->FileViewer()->IsOpen() ? DdeViewer()->FileViewer()->FileName() : QString();
    }

    QByteArray m_oldRuntime;
    QTemporaryDir m_runtime;
    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;
    TDdeServerConv* m_conv = nullptr;
};

} // namespace

TEST_F(Dde, OpenReusesOneWindowAndCloseEmptiesIt)
{
    const QString a = Make("a.txt");
    const QString b = Make("b.txt");
    QLocalSocket advise;
    advise.connectToServer(m_conv->Server().ServerPath());
    ASSERT_TRUE(advise.waitForConnected(1000));
    advise.write("ADVISE DdeServerItem\n");

    EXPECT_EQ(Execute("/O" + a), 0);
    ASSERT_TRUE(DdeViewer());
    EXPECT_EQ(Shown(), a);
    EXPECT_TRUE(m_form->FrameOf(DdeViewer())->isMaximized()) << "a new DDE window is maximised";
    EXPECT_EQ(Item(), (a + "\n").toUtf8());

    // The same file again changes nothing: the window keeps its place in the file.
    DdeViewer()->FileViewer()->PlaceCaret(2, 1);
    TChildForm* first = DdeViewer();
    EXPECT_EQ(Execute("/O" + a), 0);
    EXPECT_EQ(DdeViewer()->FileViewer()->CaretLocation().Line, 2);

    EXPECT_EQ(Execute("/O" + b), 0);
    EXPECT_EQ(DdeViewer(), first) << "reused, not a new window";
    EXPECT_EQ(m_form->Children().size(), 1);
    EXPECT_EQ(Shown(), b);

    // A name in other letter case is another file here: nothing is emptied.
    EXPECT_EQ(Execute("/C" + m_dir.filePath("B.TXT")), 0);
    EXPECT_EQ(Shown(), b);
    EXPECT_EQ(Execute("/C" + b), 0);
    EXPECT_EQ(DdeViewer(), first) << "the window stays, empty";
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_EQ(Item(), "\n");
    EXPECT_TRUE(m_form->isEnabled());

    QByteArray heard;
    EXPECT_TRUE(QTest::qWaitFor([&]() {
        heard += advise.readAll();
        return heard.count('\n') >= 4;
    }));
    EXPECT_EQ(heard, "OK\nDATA " + a.toUtf8() + "\nDATA " + b.toUtf8() + "\nDATA \n");

    // Closed by the user, the next O makes a new window, maximised again.
    m_form->FrameOf(DdeViewer())->close();
    HY_ASSERT_SOON(!DdeViewer());
    EXPECT_EQ(Execute("/O" + a), 0);
    ASSERT_TRUE(DdeViewer());
    EXPECT_TRUE(m_form->FrameOf(DdeViewer())->isMaximized());
}

TEST_F(Dde, MacrosThatAreNoCommandAreRefusedAndFailuresLeaveTheWindowUsable)
{
    const QString a = Make("a.txt");
    const ClientRun lower = Client({ "--dde-execute", "/o" + a });
    EXPECT_EQ(lower.exitCode, 3);
    EXPECT_TRUE(lower.err.contains("ignored")) << lower.err.toStdString();
    for (const char* macro : { "O", "/", "", "/O", "/Zsomething" })
        EXPECT_EQ(Execute(macro), 3) << macro;
    EXPECT_FALSE(DdeViewer());
    EXPECT_EQ(Client({ "--dde-execute" }).exitCode, 2);
    EXPECT_EQ(Client({ "--dde-execute", "/O" + QString(70000, 'x') }).exitCode, 2);

    // A missing file: the client hears of it, the error shows while the main window takes no input, then the
    // window stays empty.
    EXPECT_EQ(Execute("/O" + a), 0);
    bool enabledDuringAlert = true;
    QStringList seen;
    {
        ModalWatcher watcher([&](QDialog* d) {
            enabledDuringAlert = m_form->isEnabled();
            d->accept();
        });
        const ClientRun run = Client({ "--dde-execute", "/O" + m_dir.filePath("missing.txt") });
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.err,
            "hyview: the viewer did not carry out \"/O" + m_dir.filePath("missing.txt").toUtf8()
                + "\": File not found!\n");
        seen = watcher.Seen;
    }
    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(seen.first().contains("File not found!")) << seen.first().toStdString();
    EXPECT_TRUE(seen.first().contains(m_dir.filePath("missing.txt"))) << "the alert names the file";
    EXPECT_FALSE(enabledDuringAlert);
    EXPECT_TRUE(m_form->isEnabled());
    ASSERT_TRUE(DdeViewer());
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_EQ(Item(), (a + "\n").toUtf8()) << "a failed open leaves the item as it was";

    // Only the first line of a macro counts.
    EXPECT_EQ(Execute("/O" + a + "\nsecond line"), 0);
    EXPECT_EQ(Shown(), a);
    EXPECT_EQ(Execute("/C" + a), 0);

    // A name relative to the client's folder.
    EXPECT_EQ(Client({ "--dde-execute", "/Oa.txt" }, m_dir.path()).exitCode, 0);
    EXPECT_EQ(Shown(), a);
}

TEST_F(Dde, TMovesTheMainWindowToTheRightHalf)
{
    m_form->SetTabbedWindows(false); // a tab is always as large as the area: free windows show the maximising
    const QSize screen = m_form->screen()->geometry().size();
    EXPECT_EQ(Execute("/T"), 0);
    EXPECT_EQ(m_form->frameGeometry().topLeft(), QPoint(screen.width() / 2, 0));
    EXPECT_EQ(m_form->frameGeometry().size(), QSize(screen.width() / 2, screen.height() - 80));

    ASSERT_TRUE(m_form->OpenFileInViewer(Make("x.txt"), ViewMode::Standard, false));
    TChildForm* other = m_form->ActiveChild();
    EXPECT_FALSE(m_form->FrameOf(other)->isMaximized());
    EXPECT_EQ(Execute("/Tanything"), 0);
    EXPECT_TRUE(m_form->FrameOf(other)->isMaximized());

    // The window O opens becomes the active one, which T then maximises.
    m_form->FrameOf(other)->showNormal();
    EXPECT_EQ(Execute("/O" + Make("y.txt")), 0);
    EXPECT_EQ(m_form->ActiveChild(), DdeViewer());
    m_form->FrameOf(DdeViewer())->showNormal();
    EXPECT_EQ(Execute("/T"), 0);
    EXPECT_TRUE(m_form->FrameOf(DdeViewer())->isMaximized());
    EXPECT_FALSE(m_form->FrameOf(other)->isMaximized());
}

TEST_F(Dde, TheViewerAnswersTheNextClientAfterClientsThatMisbehave)
{
    m_conv->Server().SetIdleTimeout(300);
    std::vector<std::unique_ptr<QLocalSocket>> crowd;
    for (int i = 0; i < 100; ++i) {
        crowd.push_back(std::make_unique<QLocalSocket>());
        crowd.back()->connectToServer(m_conv->Server().ServerPath());
        // Some say nothing, some stop mid-line, some send a megabyte.
        if (i % 3 == 1)
            crowd.back()->write("EXECUTE DdeServerConv /O/tmp/half");
        else if (i % 3 == 2)
            crowd.back()->write(QByteArray(1 << 20, 'x'));
    }
    QTest::qWait(50);
    for (int i = 1; i < 100; i += 3)
        crowd[size_t(i)]->abort();
    const QString a = Make("a.txt");
    EXPECT_EQ(Execute("/O" + a), 0);
    EXPECT_EQ(Shown(), a);
    HY_EXPECT_SOON(m_conv->Server().ConnectionCount() == 0);
    EXPECT_TRUE(m_form->isEnabled());
}

TEST_F(Dde, WithoutARunningViewerTheClientSaysSo)
{
    QTemporaryDir elsewhere;
    qputenv("XDG_RUNTIME_DIR", elsewhere.path().toUtf8());
    const ClientRun run = Client({ "--dde-request" });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no Halcyra Viewer is running")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(Dde, AFailedOpenIsAnsweredBeforeItsAlertAndLeavesNoNewWindow)
{
    const QString missing = m_dir.filePath("missing.txt");
    QLocalSocket client;
    client.connectToServer(m_conv->Server().ServerPath());
    ASSERT_TRUE(client.waitForConnected(1000));
    QByteArray answerBeforeAlert;
    bool windowDuringAlert = true;
    ModalWatcher watcher([&](QDialog* d) {
        // The alert is up: the client must have its answer already, and no window waits behind it.
        if (client.bytesAvailable() == 0)
            client.waitForReadyRead(0);
        answerBeforeAlert = client.readAll();
        windowDuringAlert = !m_form->Children().isEmpty();
        d->accept();
    });
    client.write("EXECUTE DdeServerConv " + hy::platform::EscapeDdeText("/O" + missing) + "\n");
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    EXPECT_EQ(answerBeforeAlert, "ERROR File not found!\n");
    EXPECT_TRUE(watcher.Seen.first().contains(missing + "\nFile not found!")) << watcher.Seen.first().toStdString();
    EXPECT_FALSE(windowDuringAlert);
    HY_EXPECT_SOON(m_form->isEnabled());
    EXPECT_FALSE(DdeViewer()) << "no empty window titled with the missing name";
    EXPECT_TRUE(m_form->Children().isEmpty());

    // A folder and a pipe: the answer gives the alert's words, the alert names the file.
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_dir.filePath("pipe")).constData(), 0600), 0);
    for (const QString& name : { m_dir.path(), m_dir.filePath("pipe") }) {
        const ClientRun run = Client({ "--dde-execute", "/O" + name });
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_TRUE(run.err.contains("not a") && run.err.contains("file.")) << run.err.toStdString();
    }
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 3);
    EXPECT_TRUE(watcher.Seen.at(1).contains(m_dir.path()));
    EXPECT_TRUE(m_form->Children().isEmpty());
    EXPECT_EQ(Item(), "\n");
}

TEST_F(Dde, CloseLeavesAnEmptyWindowWithNoTitleAndNoFileCommands)
{
    m_form->SetTabbedWindows(false); // a maximised free window names its file in the main window's caption
    const QString a = Make("a.txt");
    EXPECT_EQ(Execute("/O" + a), 0);
    ASSERT_TRUE(DdeViewer());
    QMdiSubWindow* frame = m_form->FrameOf(DdeViewer());
    EXPECT_EQ(frame->windowTitle(), a);
    EXPECT_TRUE(m_form->windowTitle().contains(a)) << "a maximised window names its file in the caption";
    for (const char* command : { "SaveAs1", "Information1", "EditFile1" })
        EXPECT_TRUE(m_form->findChild<QAction*>(command)->isEnabled()) << command;

    EXPECT_EQ(Execute("/C" + a), 0);
    ASSERT_TRUE(DdeViewer());
    EXPECT_TRUE(frame->windowTitle().isEmpty()) << frame->windowTitle().toStdString();
    EXPECT_FALSE(m_form->windowTitle().contains(a)) << m_form->windowTitle().toStdString();
    EXPECT_FALSE(m_form->windowTitle().isEmpty());
    for (const char* command : { "SaveAs1", "Information1", "EditFile1", "Print1" })
        EXPECT_FALSE(m_form->findChild<QAction*>(command)->isEnabled()) << command;
    EXPECT_TRUE(m_form->InfoPanel()->text().isEmpty()) << m_form->InfoPanel()->text().toStdString();

    // The next file fills the window, title and commands again.
    const QString b = Make("b.txt");
    EXPECT_EQ(Execute("/O" + b), 0);
    EXPECT_EQ(frame->windowTitle(), b);
    EXPECT_TRUE(m_form->windowTitle().contains(b));
    for (const char* command : { "SaveAs1", "Information1", "EditFile1" })
        EXPECT_TRUE(m_form->findChild<QAction*>(command)->isEnabled()) << command;
}
