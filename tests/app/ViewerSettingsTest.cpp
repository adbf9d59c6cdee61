// The "File Viewer" section: what is written, what comes back, hand-edited or damaged files, numbers out of
// range, and a settings file that is no regular file.
#include "core/settings/ViewerSettings.h"

#include "base/FontStyle.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"

#include "base/HyExceptions.h"
#include "support/TempFiles.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace hy::base;
using namespace hy::platform;
using namespace hy::settings;
using hy::platform::SettingsStore;

namespace {

class ViewerSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        m_file = m_dir.PathOf("Brimlow.conf");
    }

    void WriteFile(const QByteArray& text) { ASSERT_FALSE(m_dir.Write(m_file, text).isEmpty()); }
    QByteArray ReadFile() { return hy::test::ReadAll(m_file); }

    TViewerSettings Load()
    {
        SettingsStore store(m_file);
        TViewerSettings s;
        s.WindowPos = QRect(10, 20, 600, 400);
        s.FontName = "Courier New";
        LoadViewerSettings(store, s);
        return s;
    }

    hy::test::TTempFolder m_dir;
    QString m_file;
};

} // namespace

TEST_F(ViewerSettingsTest, EveryValueRoundTrips)
{
    TViewerSettings s;
    s.LastDir = "/home/user/My Files, old";
    s.LastMask = "*.txt,*.log";
    s.TempDir = m_dir.Path();
    s.ArchiveDir = "/tmp/x";
    s.WindowPos = QRect(10, 20, 600, 400);
    s.FontName = "Liberation Mono";
    s.FontSize = 12;
    s.FontStyle = int(fsBold | fsUnderline);
    s.ButtonBar = 1;
    s.StatusBar = false;
    s.ExpandTabs = false;
    s.TabSize = 4;
    s.Print.Header = "&f, page &p";
    s.Print.Footer = "";
    s.Print.LeftMargin = 1.25;
    s.Print.TopMargin = 0.3;
    s.Print.RightMargin = 2;
    s.Print.BottomMargin = 0.05;
    s.Print.UnitOfMeasure = 1;
    s.Print.WrapLines = 0;
    s.ViewWrapLines = true; // the view's wrap has a value of its own: the print option keeps its meaning
    s.LineNumbers = true;
    s.CopyWithCrLf = true;
    s.TabbedWindows = false;
    s.HexMode = true;
    s.HexFilter = true;
    s.WindowsFileSelector = true;
    s.AllowAppLaunching = false;
    s.CalcFileLength = true;
    s.ShowSystemFiles = true;
    s.ShowImageFiles = false;
    s.ShowArchiveFiles = false;
    s.ShowMediaFiles = false;
    s.Editor = "/usr/bin/my editor";
    s.Colors[0].TextColor = 0x00FF0000;
    s.Colors[0].BackColor = 0x80000005;
    s.Colors[1].ForegroundIndex = 3;
    {
        SettingsStore store(m_file);
        SaveViewerSettings(store, s);
    }
    const QByteArray text = ReadFile();
    EXPECT_TRUE(text.contains("[File Viewer]\n")) << text.constData();
    EXPECT_TRUE(text.contains("NormalText=")) << "value names of colour elements carry no blank";
    EXPECT_TRUE(text.contains("SelectedText="));
    EXPECT_TRUE(text.contains("LeftMargin=1.25"));
    EXPECT_TRUE(text.contains("BottomMargin=0.05"));
    EXPECT_TRUE(text.contains("\nWrapLines=0"));
    EXPECT_TRUE(text.contains("ViewWrapLines=1"));

    TViewerSettings r = Load();
    EXPECT_EQ(r.LastDir, s.LastDir);
    EXPECT_EQ(r.LastMask, s.LastMask);
    EXPECT_EQ(r.TempDir, s.TempDir);
    EXPECT_EQ(r.ArchiveDir, s.ArchiveDir);
    EXPECT_EQ(r.WindowPos, s.WindowPos);
    EXPECT_EQ(r.FontName, s.FontName);
    EXPECT_EQ(r.FontSize, 12);
    EXPECT_EQ(r.FontStyle, int(fsBold | fsUnderline));
    EXPECT_EQ(r.ButtonBar, 1);
    EXPECT_FALSE(r.StatusBar);
    EXPECT_FALSE(r.ExpandTabs);
    EXPECT_EQ(r.TabSize, 4);
    EXPECT_EQ(r.Print.Header, s.Print.Header);
    EXPECT_EQ(r.Print.Footer, "");
    EXPECT_DOUBLE_EQ(r.Print.LeftMargin, 1.25);
    EXPECT_DOUBLE_EQ(r.Print.TopMargin, 0.30);
    EXPECT_DOUBLE_EQ(r.Print.RightMargin, 2.0);
    EXPECT_DOUBLE_EQ(r.Print.BottomMargin, 0.05);
    EXPECT_EQ(r.Print.UnitOfMeasure, 1);
    EXPECT_EQ(r.Print.WrapLines, 0);
    EXPECT_TRUE(r.ViewWrapLines);
    EXPECT_TRUE(r.LineNumbers);
    EXPECT_TRUE(r.CopyWithCrLf);
    EXPECT_FALSE(r.TabbedWindows);
    EXPECT_TRUE(text.contains("TabbedWindows=0"));
    EXPECT_TRUE(r.HexMode);
    EXPECT_TRUE(r.HexFilter);
    EXPECT_TRUE(r.WindowsFileSelector);
    EXPECT_FALSE(r.AllowAppLaunching);
    EXPECT_TRUE(r.CalcFileLength);
    EXPECT_TRUE(r.ShowSystemFiles);
    EXPECT_FALSE(r.ShowImageFiles);
    EXPECT_FALSE(r.ShowArchiveFiles);
    EXPECT_FALSE(r.ShowMediaFiles);
    EXPECT_EQ(r.Editor, s.Editor);
    EXPECT_EQ(r.Colors[0].TextColor, 0x00FF0000u);
    EXPECT_EQ(r.Colors[0].BackColor, 0x80000005u);
    EXPECT_EQ(r.Colors[1].ForegroundIndex, 3);
    EXPECT_EQ(r.Colors[1].BackColor, kSysHighlight);
}

TEST_F(ViewerSettingsTest, EmptyStoreGivesTheBuiltInDefaults)
{
    const TViewerSettings r = Load();
    const TViewerSettings d;
    EXPECT_EQ(r.LastMask, "*.*");
    EXPECT_EQ(r.TempDir, hy::platform::TempFolder()) << "never the current folder, which holds the user's files";
    EXPECT_EQ(r.WindowPos, QRect(10, 20, 600, 400));
    EXPECT_EQ(r.FontName, "Courier New");
    EXPECT_EQ(r.ButtonBar, 2);
    EXPECT_TRUE(r.StatusBar);
    EXPECT_EQ(r.TabSize, 8);
    EXPECT_EQ(r.Print.WrapLines, 1);
    EXPECT_FALSE(r.ViewWrapLines);
    EXPECT_FALSE(r.LineNumbers);
    EXPECT_FALSE(r.CopyWithCrLf);
    EXPECT_TRUE(r.TabbedWindows) << "a first start shows its windows as tabs";
    EXPECT_EQ(r.Print.Header, "&f &d &t");
    EXPECT_EQ(r.Print.Footer, "Page &p");
    EXPECT_DOUBLE_EQ(r.Print.TopMargin, 0.5);
    EXPECT_EQ(r.Colors[0].Name, "Normal Text");
    EXPECT_EQ(r.Colors[0].TextColor, kSysWindowText);
    EXPECT_EQ(r.Colors[0].BackgroundIndex, 15);
    EXPECT_EQ(r.Colors[1].BackgroundIndex, 6);
}

TEST_F(ViewerSettingsTest, HandEditedAndDamagedValues)
{
    WriteFile("[File%20Viewer]\n"
              "WindowPos=\"5000, 20 ,600, 400\"\n"
              "ButtonBar=0x2\n"
              "UnitOfMeasure=2\n"
              "FontStyle=8\n"
              "TabSize=abc\n"
              "LeftMargin=1.5\n"
              "TopMargin=wide\n"
              "RightMargin=3\n"
              "StatusBar=0\n"
              "this line is broken\n"
              "NormalText=1, 2\n"
              "TempDir=/no/such/dir\n");
    const TViewerSettings r = Load();
    EXPECT_EQ(r.WindowPos, QRect(5000, 20, 600, 400));
    EXPECT_EQ(PullBackWindowPos(r.WindowPos, QSize(1024, 768)), QRect(0, 20, 600, 400));
    EXPECT_EQ(r.ButtonBar, 2);
    EXPECT_EQ(r.Print.UnitOfMeasure, 0);
    EXPECT_EQ(r.FontStyle, 0);
    EXPECT_EQ(r.TabSize, 8);
    EXPECT_DOUBLE_EQ(r.Print.LeftMargin, 1.5);
    EXPECT_DOUBLE_EQ(r.Print.TopMargin, 0.5) << "a bad margin keeps its value";
    EXPECT_DOUBLE_EQ(r.Print.RightMargin, 0.75) << "and so do the margins after it";
    EXPECT_FALSE(r.StatusBar) << "settings after the bad margin are still read";
    EXPECT_EQ(r.Colors[0].TextColor, 1u);
    EXPECT_EQ(r.Colors[0].BackColor, 2u);
    EXPECT_EQ(r.Colors[0].ForegroundIndex, 0) << "missing items keep the current value";
    EXPECT_EQ(r.TempDir, hy::platform::TempFolder());
}

TEST_F(ViewerSettingsTest, WindowPosItemsThatAreNotNumbersGiveZero)
{
    WriteFile("[File%20Viewer]\nWindowPos=left,20,600,400\nButtonBar=7\n");
    const TViewerSettings r = Load();
    EXPECT_EQ(r.WindowPos.left(), 0);
    EXPECT_EQ(r.WindowPos.top(), 20);
    EXPECT_EQ(r.ButtonBar, 7) << "7 is kept; the window shows no bar for it";
}

TEST(PullBack, OnlyLeftAndTopAgainstTheRightAndBottomEdges)
{
    EXPECT_EQ(PullBackWindowPos(QRect(995, 739, 100, 100), QSize(1024, 768)), QRect(0, 0, 100, 100));
    EXPECT_EQ(PullBackWindowPos(QRect(994, 738, 100, 100), QSize(1024, 768)), QRect(994, 738, 100, 100));
    EXPECT_EQ(PullBackWindowPos(QRect(-500, -20, 100, 100), QSize(1024, 768)), QRect(-500, -20, 100, 100));
}

TEST(SettingsStore, ValuesWithCommasQuotesAndHexRoundTrip)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    const QStringList values = { "10,20,600,400", "a, b ,c", "\"quoted\", x", "", "  lead", "semi;colon", "=eq=" };
    {
        SettingsStore store(file);
        for (int i = 0; i < values.size(); ++i)
            store.WriteString("Sec Tion", QString("v%1").arg(i), values[i]);
        store.WriteInteger("Sec Tion", "n", -42);
        store.Flush();
    }
    SettingsStore store(file);
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(store.ReadString("Sec Tion", QString("v%1").arg(i), "def"), values[i]);
    EXPECT_EQ(store.ReadInteger("Sec Tion", "n", 0), -42);
    EXPECT_EQ(store.ReadString("Missing", "x", "def"), "def");
    qint64 v = 0;
    EXPECT_TRUE(hy::platform::ParseStoredInteger("0x1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_FALSE(hy::platform::ParseStoredInteger("0x", v));
    EXPECT_TRUE(hy::platform::ParseStoredInteger("12", v));
    EXPECT_FALSE(hy::platform::ParseStoredInteger("12a", v));
}

TEST(SettingsStore, UnwritableFolderIsReportedNotIgnored)
{
    // A folder that cannot exist (its parent is a file) fails even for root.
    QTemporaryDir dir;
    QFile blocker(dir.filePath("plainfile"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(dir.filePath("plainfile/s.conf"));
    store.WriteString("A", "b", "c");
    EXPECT_THROW(store.Flush(), hy::base::EInOutError);
}

// Numbers out of range fall back to the default (or the current value) instead of wrapping into the type
// that holds them: 99999999999 as a font size once became 1215752191, a tab size of 100000 became 160.
TEST_F(ViewerSettingsTest, NumbersOutOfRangeFallBackInsteadOfWrapping)
{
    struct Case {
        const char* line;
        std::function<void(const TViewerSettings&)> check;
    } cases[] = {
        { "FontSize=99999999999", [](const TViewerSettings& r) { EXPECT_EQ(r.FontSize, 10); } },
        { "FontSize=0", [](const TViewerSettings& r) { EXPECT_EQ(r.FontSize, 10); } },
        { "FontSize=-12", [](const TViewerSettings& r) { EXPECT_EQ(r.FontSize, 10); } },
        { "FontSize=4294967308", [](const TViewerSettings& r) { EXPECT_EQ(r.FontSize, 10); } },
        { "FontSize=512", [](const TViewerSettings& r) { EXPECT_EQ(r.FontSize, 512); } },
        { "TabSize=100000", [](const TViewerSettings& r) { EXPECT_EQ(r.TabSize, 8); } },
        { "TabSize=-1", [](const TViewerSettings& r) { EXPECT_EQ(r.TabSize, 8); } },
        { "TabSize=264", [](const TViewerSettings& r) { EXPECT_EQ(r.TabSize, 8); } },
        { "TabSize=128", [](const TViewerSettings& r) { EXPECT_EQ(r.TabSize, 128); } },
        { "TabSize=0", [](const TViewerSettings& r) { EXPECT_EQ(r.TabSize, 0); } },
        { "FontStyle=-1", [](const TViewerSettings& r) { EXPECT_EQ(r.FontStyle, 0); } },
        { "FontStyle=4294967297", [](const TViewerSettings& r) { EXPECT_EQ(r.FontStyle, 0); } },
        { "FontStyle=7", [](const TViewerSettings& r) { EXPECT_EQ(r.FontStyle, 7); } },
        { "ButtonBar=4294967297", [](const TViewerSettings& r) { EXPECT_EQ(r.ButtonBar, 2); } },
        { "WindowPos=99999999999,20,-5,4294967696",
            [](const TViewerSettings& r) { EXPECT_EQ(r.WindowPos, QRect(10, 20, 600, 400)); } },
        { "WindowPos=-20000000,-16777215,16777215,1",
            [](const TViewerSettings& r) { EXPECT_EQ(r.WindowPos, QRect(10, -16777215, 16777215, 1)); } },
        // Colours: 0x00BBGGRR or a system colour (0x80000000 + number); indexes into the 16-colour grid.
        { "NormalText=16777216,2147483678,16,-1",
            [](const TViewerSettings& r) {
                EXPECT_EQ(r.Colors[0].TextColor, kSysWindowText);
                EXPECT_EQ(r.Colors[0].BackColor, 0x8000001Eu);
                EXPECT_EQ(r.Colors[0].ForegroundIndex, 0);
                EXPECT_EQ(r.Colors[0].BackgroundIndex, 15);
            } },
        { "SelectedText=4294967295,2147483679,15,0",
            [](const TViewerSettings& r) {
                EXPECT_EQ(r.Colors[1].TextColor, kSysHighlightText);
                EXPECT_EQ(r.Colors[1].BackColor, kSysHighlight);
                EXPECT_EQ(r.Colors[1].ForegroundIndex, 15);
                EXPECT_EQ(r.Colors[1].BackgroundIndex, 0);
            } },
        { "NormalText=16777215,-1",
            [](const TViewerSettings& r) {
                EXPECT_EQ(r.Colors[0].TextColor, 0xFFFFFFu);
                EXPECT_EQ(r.Colors[0].BackColor, kSysWindow);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        WriteFile(QByteArray("[File Viewer]\n") + c.line + "\n");
        c.check(Load());
    }

    // A margin out of range keeps its value, and the margins after it are still read.
    for (const char* bad : { "-1", "1e308", "inf", "nan", "100.5" }) {
        SCOPED_TRACE(bad);
        WriteFile(QByteArray("[File Viewer]\nLeftMargin=") + bad + "\nTopMargin=2\n");
        const TViewerSettings r = Load();
        EXPECT_DOUBLE_EQ(r.Print.LeftMargin, 0.75);
        EXPECT_DOUBLE_EQ(r.Print.TopMargin, 2.0);
    }

    // What was read is what is written back.
    WriteFile("[File Viewer]\nFontSize=99999999999\nTabSize=-1\n");
    {
        SettingsStore store(m_file);
        SaveViewerSettings(store, Load());
    }
    EXPECT_TRUE(ReadFile().contains("\nFontSize=10\n")) << ReadFile().constData();
    EXPECT_TRUE(ReadFile().contains("\nTabSize=8\n"));
}

TEST(SettingsFiles, OneThatIsNoRegularFileIsNamedAndTheBuiltInSettingsServe)
{
    hy::test::TTempFolder dir;
    const QString fifo = dir.PathOf("Brimlow.conf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    SettingsStore store(fifo);
    TViewerSettings s;
    LoadViewerSettings(store, s);
    EXPECT_EQ(s.TabSize, 8);
    const QStringList problems = SettingsFileProblems(store);
    ASSERT_FALSE(problems.isEmpty());
    EXPECT_EQ(problems.first(),
        "The settings were not read from\r" + fifo
            + "\r\rThis is a pipe, a device or a folder, not a regular file!\r\rThe built-in settings are used.");

    SettingsStore fine(dir.Write("fine.conf", "[File Viewer]\nTabSize=4\n"));
    EXPECT_EQ(SettingsFileProblems(fine).size(), problems.size() - 1) << "only win.ini can be left to report";
}
