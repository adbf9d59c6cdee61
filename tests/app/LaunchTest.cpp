// Starting programs for real: a recorder script made here writes its working directory and every argument
// it received to a file, and the tests check exactly what arrived, how commands were split and routed, and
// every alert of a failure.
#include "ui/launch/Launch.h"
#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "support/QtPrinters.h"
#include "support/TempFiles.h"
#include "support/TestWait.h"
#include "ui/common/HelpHook.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <ostream>

#include <sys/stat.h>

namespace launchtest {

QString WriteRecorder(const hy::test::TTempFolder& folder, const QString& path, const QString& record)
{
    const QByteArray script = "#!/bin/sh\n"
                              "out='"
        + QFile::encodeName(record)
        + "'\n"
          "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > \"$out.part\" && mv \"$out.part\" \"$out\"\n";
    return folder.Write(path, script, 0755);
}

bool WaitForFile(const QString& path, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!QFileInfo::exists(path)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

QStringList ReadRecord(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace launchtest

using namespace hy::launch;
using namespace launchtest;

namespace {

struct Alert {
    QString title;
    QString message;
};

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        m_record = m_dir.PathOf(QStringLiteral("record.txt"));
        m_recorder = WriteRecorder(m_dir, QStringLiteral("rec.sh"), m_record);
        m_previous = SetMessageReporter([this](const QString& t, const QString& m) { m_alerts.push_back({ t, m }); });
        hy::common::SetErrorTitle(QStringLiteral("Halcyra Viewer"));
    }
    void TearDown() override
    {
        // Programs started by Run are watched until they end.
        HY_EXPECT_SOON(WatchedPrograms() == 0);
        SetMessageReporter(m_previous);
    }

    // Waits for the recorder and gives back its lines: the working directory, then "[arg]" per argument.
    QStringList Recorded()
    {
        if (!WaitForFile(m_record, 10000))
            return {};
        const QStringList lines = ReadRecord(m_record);
        QFile::remove(m_record);
        return lines;
    }

    hy::test::TTempFolder m_dir;
    QString m_record;
    QString m_recorder;
    std::vector<Alert> m_alerts;
    TMessageReporter m_previous;
};

TEST(LaunchRules, SplitCommand)
{
    struct Case {
        const char* command;
        const char* program;
        const char* parameters;
    };
    const Case cases[] = {
        { "dir /w", "dir", " /w" },
        { "DIR", "DIR", "" },
        { "prog  a b", "prog", "  a b" },
        { "my-tool -v", "my-tool", " -v" },
        { "/usr/bin/env a/b", "/usr/bin/env", " a/b" },
        { "bin/tool x", "bin/tool", " x" },
        { "-rf /", "", " /" },
        { "", "", "" },
        { " lead", "", " lead" },
        { "\"my prog\" -x", "my prog", " -x" },
        { "\"say \"\"hi\"\"\" now", "say \"hi\"", " now" },
        { "\"open ended", "open ended", "" },
    };
    for (const Case& c : cases) {
        const TCommandParts parts = SplitCommand(QString::fromUtf8(c.command));
        EXPECT_EQ(parts.Program, QString::fromUtf8(c.program)) << c.command;
        EXPECT_EQ(parts.Parameters, QString::fromUtf8(c.parameters)) << c.command;
    }
}

TEST(LaunchRules, DosCommandsGoToTheShellWithTheirText)
{
    struct Case {
        const char* program;
        const char* parameters;
        bool routed;
        const char* text;
    };
    const Case cases[] = {
        { "dir", " /w", true, "dir  /w" },
        { "TYPE", " a.txt", true, "TYPE  a.txt" },
        { "tree", "", true, "tree " },
        { "E", " x", true, "E  x" }, // "E." occurs in the list
        { "R", "", true, "R " }, // so does "R." (in "DIR.")
        { "echo", " hi", false, " hi" },
        { "dirx", "", false, "" },
        { "", " x", false, " x" },
        { "DIR.COPY", "", true, "DIR.COPY " },
    };
    for (const Case& c : cases) {
        QString program = QString::fromUtf8(c.program);
        QString parameters = QString::fromUtf8(c.parameters);
        EXPECT_EQ(IsDosCommand(program, parameters), c.routed) << c.program;
        EXPECT_EQ(parameters, QString::fromUtf8(c.text)) << c.program;
        EXPECT_EQ(program, c.routed ? QStringLiteral("/bin/sh") : QString::fromUtf8(c.program)) << c.program;
    }
}

TEST(LaunchRules, CommandTextFor)
{
    EXPECT_EQ(CommandTextFor(QStringLiteral("/d/tool.sh")), QStringLiteral("tool.sh"));
    EXPECT_EQ(CommandTextFor(QStringLiteral("/d/my tool")), QStringLiteral("\"my tool\""));
    EXPECT_EQ(CommandTextFor(QStringLiteral("/d/say\"x")), QStringLiteral("\"say\"\"x\""));
    EXPECT_EQ(CommandTextFor(QStringLiteral("/d/-n")), QStringLiteral("\"-n\""));
    // What the dialog offers splits back into the same program name.
    for (const char* name : { "my tool", "say\"x", "-n", "plain" })
        EXPECT_EQ(SplitCommand(CommandTextFor(QStringLiteral("/d/") + QString::fromUtf8(name))).Program,
            QString::fromUtf8(name));
}

TEST_F(LaunchTest, RunCommandSplitsParametersWithoutAShell)
{
    const QString location = m_dir.Path();
    EXPECT_GT(RunCommand(location, QStringLiteral("rec.sh a \"b c\" -d a>x;touch y $(id)"), false), 32);
    EXPECT_EQ(Recorded(), QStringList({ location, "[a]", "[b c]", "[-d]", "[a>x;touch]", "[y]", "[$(id)]" }));
    EXPECT_FALSE(QFileInfo::exists(m_dir.PathOf(QStringLiteral("x"))));
    EXPECT_FALSE(QFileInfo::exists(m_dir.PathOf(QStringLiteral("y"))));
    EXPECT_TRUE(m_alerts.empty());
}

TEST_F(LaunchTest, RunCommandFindsTheProgramInItsLocationAndKeepsHyphenatedNames)
{
    QDir(m_dir.Path()).mkdir(QStringLiteral("sub dir"));
    const QString location = m_dir.PathOf(QStringLiteral("sub dir"));
    WriteRecorder(m_dir, location + QStringLiteral("/my-tool"), m_record);
    WriteRecorder(m_dir, location + QStringLiteral("/my tool"), m_record);

    EXPECT_GT(RunCommand(location, QStringLiteral("my-tool -v"), true), 32);
    EXPECT_EQ(Recorded(), QStringList({ location, "[-v]" }));
    EXPECT_GT(RunCommand(location, QStringLiteral("\"my tool\" one"), false), 32);
    EXPECT_EQ(Recorded(), QStringList({ location, "[one]" }));
    // An absolute path to the program.
    EXPECT_GT(RunCommand(m_dir.Path(), m_recorder + QStringLiteral(" abs"), false), 32);
    EXPECT_EQ(Recorded(), QStringList({ m_dir.Path(), "[abs]" }));
    EXPECT_TRUE(m_alerts.empty());
}

TEST_F(LaunchTest, BuiltInCommandsRunThroughTheShell)
{
    // A "dir" of our own on PATH stands for the command the shell finds.
    hy::test::TTempFolder bin;
    WriteRecorder(bin, QStringLiteral("dir"), m_record);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.Path()) + ":" + oldPath);
    const QString location = m_dir.Path();
    const int result = RunCommand(location, QStringLiteral("dir /w >made.txt"), false);
    const QStringList recorded = Recorded();
    qputenv("PATH", oldPath);

    EXPECT_GT(result, 32);
    // The shell took the redirection for itself: only "/w" reached the program, and the output file exists.
    EXPECT_EQ(recorded, QStringList({ location, "[/w]" }));
    EXPECT_TRUE(QFileInfo::exists(m_dir.PathOf(QStringLiteral("made.txt"))));
    EXPECT_TRUE(m_alerts.empty());
}

TEST_F(LaunchTest, RunCommandFailures)
{
    m_dir.Write(QStringLiteral("plain.sh"), "#!/bin/sh\ntouch started\n", 0644);
    m_dir.Write(QStringLiteral("garbage"), QByteArrayLiteral("\x01\x02\x03 not a program"), 0755);
    QDir(m_dir.Path()).mkdir(QStringLiteral("folder"));
    struct Case {
        QString location;
        QString command;
        int result;
        QString alert; // empty: no alert
    };
    const QString unable = QStringLiteral("\rUnable to activate this application!\r\rID=");
    const Case cases[] = {
        { m_dir.Path(), QStringLiteral("no-such-program-here x"), 2, "no-such-program-here" + unable + "2" },
        { m_dir.Path(), QStringLiteral("plain.sh"), 5, "plain.sh" + unable + "5" },
        { m_dir.Path(), QStringLiteral("folder"), 5, "folder" + unable + "5" },
        { m_dir.Path(), QStringLiteral("garbage"), 11, "garbage" + unable + "11" },
        { m_dir.PathOf("missing"), QStringLiteral("rec.sh"), 3, "rec.sh" + unable + "3" },
        { m_dir.Path(), QStringLiteral("-rf x"), 0, QString() },
        { m_dir.Path(), QString(), 0, QString() },
        { m_dir.Path(), QStringLiteral(" rec.sh"), 0, QString() },
    };
    for (const Case& c : cases) {
        m_alerts.clear();
        EXPECT_EQ(RunCommand(c.location, c.command, false), c.result) << qPrintable(c.command);
        if (c.alert.isEmpty()) {
            EXPECT_TRUE(m_alerts.empty()) << qPrintable(c.command);
        } else {
            ASSERT_EQ(m_alerts.size(), 1u) << qPrintable(c.command);
            EXPECT_EQ(m_alerts[0].title, QStringLiteral("Run Program"));
            EXPECT_EQ(m_alerts[0].message, c.alert);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(m_dir.PathOf(QStringLiteral("started"))));
    EXPECT_FALSE(QFileInfo::exists(m_record));
}

TEST_F(LaunchTest, EditorGetsTheFileAsOneArgument)
{
    const char* names[] = {
        "with blanks  inside.txt",
        "quote\"s and 'apostrophes'.txt",
        "-n leading minus.txt",
        "$(touch pwned); `touch pwned2` & more.txt",
    };
    for (const char* name : names) {
        const QString file = m_dir.Write(QString::fromUtf8(name), "text", 0644);
        std::vector<QString> order;
        const int result = UseTextEditor(file, m_recorder, [&] { order.push_back(QStringLiteral("closed")); });
        EXPECT_GT(result, 32) << name;
        EXPECT_EQ(order.size(), 1u);
        EXPECT_EQ(Recorded(), QStringList({ QDir::currentPath(), QLatin1Char('[') + file + QLatin1Char(']') })) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(m_dir.PathOf(QStringLiteral("pwned"))));
    EXPECT_FALSE(QFileInfo::exists(m_dir.PathOf(QStringLiteral("pwned2"))));
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath(QStringLiteral("pwned"))));

    // A relative name reaches the editor as an absolute path, so a leading "-" is never an option.
    const QString saved = QDir::currentPath();
    QDir::setCurrent(m_dir.Path());
    EXPECT_GT(SendToApplication(QStringLiteral("-n leading minus.txt"), false, m_recorder), 32);
    QDir::setCurrent(saved);
    EXPECT_EQ(Recorded(), QStringList({ m_dir.Path(), "[" + m_dir.PathOf("-n leading minus.txt") + "]" }));
    EXPECT_TRUE(m_alerts.empty());

    // An editor setting with options passes them before the file.
    const QString file = m_dir.Write("plain.txt", "text", 0644);
    EXPECT_GT(SendToApplication(file, false, m_recorder + " --new-window"), 32);
    EXPECT_EQ(Recorded(), QStringList({ QDir::currentPath(), "[--new-window]", "[" + file + "]" }));
}

TEST_F(LaunchTest, AnEditorSettingSplitsAsAShellSplitsIt)
{
    const QString file = m_dir.Write("plain.txt", "text");
    // The recorder under a name with blanks, so that only quoting can tell its path from its options.
    QDir(m_dir.Path()).mkdir("my editors");
    const QString spaced = WriteRecorder(m_dir, "my editors/rec tool.sh", m_record);
    struct Case {
        QString editor;
        QStringList arguments;
    } cases[] = {
        { m_recorder + " --opt1 \"two words\" -x", { "[--opt1]", "[two words]", "[-x]" } },
        { m_recorder + " --title='it''s' a\\ b", { "[--title=its]", "[a b]" } },
        { "\"" + spaced + "\" --new", { "[--new]" } },
        { "'" + spaced + "'", {} },
        { spaced, {} },
    };
    for (const Case& c : cases) {
        EXPECT_GT(SendToApplication(file, false, c.editor), 32) << c.editor.toStdString();
        EXPECT_EQ(Recorded(), QStringList({ QDir::currentPath() }) + c.arguments + QStringList({ "[" + file + "]" }))
            << c.editor.toStdString();
    }
    EXPECT_TRUE(m_alerts.empty());
}

TEST_F(LaunchTest, ARunCommandThatFailsIsReportedWithItsErrorOutput)
{
    m_dir.Write("fails.sh", "#!/bin/sh\necho 'cannot frobnicate: no such widget' >&2\nexit 3\n", 0755);
    m_dir.Write("crashes.sh", "#!/bin/sh\nkill -SEGV $$\n", 0755);
    m_dir.Write("fine.sh", "#!/bin/sh\necho chatter >&2\nexit 0\n", 0755);
    struct Case {
        QString command;
        QString message; // empty: no alert
    } cases[] = {
        { "fails.sh", "fails.sh\rended with exit code 3.\r\rcannot frobnicate: no such widget" },
        { "crashes.sh", "crashes.sh\rended abnormally (it crashed or was killed)." },
        // A built-in command goes through the shell, which reports what it cannot find.
        { "del old.txt", "del\rended with exit code 127.\r\r" },
        { "fine.sh", QString() },
    };
    for (const Case& c : cases) {
        m_alerts.clear();
        EXPECT_GT(RunCommand(m_dir.Path(), c.command, false), 32) << c.command.toStdString();
        HY_ASSERT_SOON(WatchedPrograms() == 0);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(m_alerts.empty()) << c.command.toStdString();
            continue;
        }
        ASSERT_EQ(m_alerts.size(), 1u) << c.command.toStdString();
        EXPECT_EQ(m_alerts[0].title, "Run Program");
        EXPECT_TRUE(m_alerts[0].message.startsWith(c.message)) << m_alerts[0].message.toStdString();
    }
}

TEST_F(LaunchTest, EditorFailuresCloseTheViewerFirstAndAlert)
{
    const QString file = m_dir.Write(QStringLiteral("a.txt"), "text", 0644);
    const QString notExecutable = m_dir.Write(QStringLiteral("editor"), "#!/bin/sh\n", 0644);
    const QString tail = QStringLiteral(
        "The text editor you requested is not responding!\rCheck the Directories setting under Preferences\rin "
        "the Options menu. (ID=");
    struct Case {
        QString editor;
        int result;
        QString title;
        QString message;
    };
    const Case cases[] = {
        { QString(), 0, QStringLiteral("Halcyra Viewer"),
            QStringLiteral("You have not specified a text editor. Check\rthe Directories setting under "
                           "Preferences\rin the Options menu.") },
        { QStringLiteral("NOTEPAD.EXE"), 2, QStringLiteral("Cannot Run Program"), tail + "2)" },
        { m_dir.PathOf("gone/editor"), 2, QStringLiteral("Cannot Run Program"), tail + "2)" },
        { notExecutable, 5, QStringLiteral("Cannot Run Program"), tail + "5)" },
    };
    for (const Case& c : cases) {
        m_alerts.clear();
        int alertsWhenClosed = -1;
        EXPECT_EQ(UseTextEditor(file, c.editor, [&] { alertsWhenClosed = int(m_alerts.size()); }), c.result);
        EXPECT_EQ(alertsWhenClosed, 0) << qPrintable(c.editor);
        ASSERT_EQ(m_alerts.size(), 1u) << qPrintable(c.editor);
        EXPECT_EQ(m_alerts[0].title, c.title);
        EXPECT_EQ(m_alerts[0].message, c.message);
    }
}

class AssociationTest : public LaunchTest {
protected:
    void SetUp() override
    {
        LaunchTest::SetUp();
        // Nothing is known to the desktop here, so only win.ini associates.
        for (const char* name : { "XDG_DATA_DIRS", "XDG_DATA_HOME" }) {
            m_savedEnv.push_back({ name, qgetenv(name) });
            qputenv(name, QFile::encodeName(m_dir.PathOf(QStringLiteral("empty-xdg"))));
        }
        QDir().mkpath(hy::platform::SettingsFolder());
        m_dir.Write(hy::platform::WinIniPath(),
            "[Extensions]\nqqzx=" + QFile::encodeName(m_recorder) + " ^.qqzx\nqqgone=/no/such/viewer ^.qqgone\n", 0644);
    }
    void TearDown() override
    {
        QFile::remove(hy::platform::WinIniPath());
        for (const auto& [name, value] : m_savedEnv)
            qputenv(name, value);
        LaunchTest::TearDown();
    }
    std::vector<std::pair<const char*, QByteArray>> m_savedEnv;
};

TEST_F(AssociationTest, AssociatedApplicationGetsTheFile)
{
    const QString file = m_dir.Write(QStringLiteral("-odd name \"1\".QQZX"), "x", 0644);
    bool closed = false;
    EXPECT_GT(UseAssociatedApplication(file, [&] { closed = true; }), 32);
    EXPECT_TRUE(closed);
    EXPECT_EQ(Recorded(), QStringList({ QDir::currentPath(), "[" + file + "]" }));
    EXPECT_TRUE(m_alerts.empty());
    EXPECT_EQ(AssociationText(file), m_recorder + QStringLiteral(" ^.qqzx"));
}

TEST_F(AssociationTest, TheDesktopIsAskedWhileTheWindowsGoOn)
{
    // The desktop's answer waits for a timer of the GUI thread to leave a mark: while the thread waited for
    // the answer itself, the timer could not fire and the question ran out of time with no answer.
    const QString mark = m_dir.PathOf(QStringLiteral("timer-fired"));
    for (const char* folder : { "bin", "empty-xdg/applications" })
        ASSERT_TRUE(QDir().mkpath(m_dir.PathOf(QLatin1String(folder))));
    m_dir.Write(QStringLiteral("bin/xdg-mime"),
        "#!/bin/sh\n"
        "n=0\n"
        "while [ ! -e '"
            + QFile::encodeName(mark)
            + "' ] && [ $n -lt 400 ]; do sleep 0.05; n=$((n+1)); done\n"
              "[ \"$1 $2 $3\" = 'query default text/plain' ] && echo hyfake.desktop\n",
        0755);
    m_dir.Write(QStringLiteral("empty-xdg/applications/hyfake.desktop"),
        "[Desktop Entry]\nType=Application\nName=Fake\nExec=hyfake-editor --new-window %F\n", 0644);
    // The MIME database comes from the system's data folders; the desktop entry is found in the test's own.
    qputenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_dir.PathOf(QStringLiteral("bin"))) + ":" + path);
    const auto restorePath = qScopeGuard([&path]() { qputenv("PATH", path); });
    QObject timerOwner;
    QTimer::singleShot(0, &timerOwner, [this, &mark]() { m_dir.Write(mark, "", 0644); });

    EXPECT_EQ(
        AssociationText(m_dir.Write(QStringLiteral("notes.txt"), "some text", 0644)), QStringLiteral("hyfake-editor"));
    EXPECT_TRUE(QFileInfo::exists(mark));
}

TEST_F(AssociationTest, AssociationFailures)
{
    const QString noAssociation = QStringLiteral(
        "No application is associated with this file!\rUse the File Manager's Associate command to\rcreate an "
        "association.");
    struct Case {
        QString file;
        int result;
        QString message;
    };
    const Case cases[] = {
        { m_dir.Write("data.qqunknown", QByteArray(64, '\0'), 0644), 31, noAssociation },
        { m_dir.Write("noextension", "text", 0644), 31, noAssociation },
        { m_dir.PathOf("missing.qqzx"), 2, noAssociation },
        { m_dir.Write("a.qqgone", "x", 0644), 2,
            QStringLiteral("/no/such/viewer\rUnable to activate this application!\r(ID=2)") },
    };
    for (const Case& c : cases) {
        m_alerts.clear();
        EXPECT_EQ(UseAssociatedApplication(c.file, nullptr), c.result) << qPrintable(c.file);
        ASSERT_EQ(m_alerts.size(), 1u) << qPrintable(c.file);
        EXPECT_EQ(m_alerts[0].title, QStringLiteral("Cannot Run Program"));
        EXPECT_EQ(m_alerts[0].message, c.message);
    }
    EXPECT_FALSE(QFileInfo::exists(m_record));
}

TEST_F(LaunchTest, RunDialogOffersTheFileAndRunsOnOk)
{
    QDir(m_dir.Path()).mkdir(QStringLiteral("tools"));
    const QString tool = WriteRecorder(m_dir, QStringLiteral("tools/my tool.sh"), m_record);
    {
        TLaunchForm form(tool);
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Run Program"));
        EXPECT_EQ(form.Location->text(), m_dir.PathOf(QStringLiteral("tools")));
        EXPECT_EQ(form.Command->text(), QStringLiteral("\"my tool.sh\""));
        EXPECT_FALSE(form.MinimizeBox->isChecked());
        EXPECT_EQ(form.MinimizeBox->text(), QStringLiteral("Run &Minimized"));
        // No control that does nothing: the desktop cannot start a program minimised, and the box says so.
        EXPECT_FALSE(form.MinimizeBox->isEnabled());
        EXPECT_TRUE(form.MinimizeBox->toolTip().contains(QStringLiteral("start minimized")))
            << form.MinimizeBox->toolTip().toStdString();
        int helpContext = 0;
        const hy::common::THelpHandler previous
            = hy::common::SetHelpHandler([&](int context, QWidget*) { helpContext = context; });
        form.HelpButton->click();
        hy::common::SetHelpHandler(previous);
        EXPECT_EQ(helpContext, 250);
        TLaunchForm atRoot(QStringLiteral("/prog.sh"));
        EXPECT_EQ(atRoot.Location->text(), QStringLiteral("/"));
    }

    bool sawForm = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TLaunchForm*>(QApplication::activeModalWidget());
        if (!form)
            return;
        sawForm = true;
        form->Command->setText(form->Command->text() + QStringLiteral(" --flag"));
        form->MinimizeBox->setChecked(true);
        form->OKButton->click();
    });
    RunProgram(tool);
    EXPECT_TRUE(sawForm);
    EXPECT_EQ(Recorded(), QStringList({ m_dir.PathOf(QStringLiteral("tools")), "[--flag]" }));

    // Cancel runs nothing.
    QTimer::singleShot(0, [] {
        if (auto* form = qobject_cast<TLaunchForm*>(QApplication::activeModalWidget()))
            form->CancelButton->click();
    });
    RunProgram(tool);
    EXPECT_FALSE(QFileInfo::exists(m_record));
    EXPECT_TRUE(m_alerts.empty());
}

} // namespace
