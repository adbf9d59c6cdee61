// Extension routing and the status bar texts.
#include "app/ViewRules.h"

#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace hy::app;

TEST(ViewRules, ExtensionIsTheUpperCasedTailFromTheLastDot)
{
    EXPECT_EQ(ExtensionOf("/a/b/photo.jpg"), ".JPG");
    EXPECT_EQ(ExtensionOf("archive.tar.Zip"), ".ZIP");
    EXPECT_EQ(ExtensionOf("/dir.with.dots/README"), "");
    EXPECT_EQ(ExtensionOf("name."), ".");
    EXPECT_EQ(ExtensionOf("noext"), "");
}

TEST(ViewRules, KindTestIsASubstringTest)
{
    const QString images = QString::fromLatin1(kImageExtensions);
    struct Case {
        const char* name;
        bool image;
    } cases[] = {
        { "a.bmp", true },
        { "a.PCX", true },
        { "a.jpeg", false },
        { "a.jp", true },
        { "a.s", true },
        { "a.", true },
        { "a.txt", false },
        { "README", false },
        { "a.tif", true },
        { "a.tiff", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(HasExtensionIn(c.name, images), c.image) << c.name;
    EXPECT_TRUE(HasExtensionIn("A.ZIP", kArchiveExtensions));
    EXPECT_TRUE(HasExtensionIn("a.zip", kArchiveExtensions));
    EXPECT_FALSE(HasExtensionIn("a.lzh", kArchiveExtensions));
}

TEST(ViewRules, ProgramsAreExecutableFilesOrFilesWithAWholeProgramExtension)
{
    hy::test::TTempFolder dir;
    const QString script = dir.Write("tool", "#!/bin/sh\n", 0755);
    const QString source = dir.Write("main.c", "int main;\n", 0644);
    const QString notExecutable = dir.Write("notes.sh", "#!/bin/sh\n", 0644);
    const QString folder = dir.PathOf("folder.exe.d");
    ASSERT_TRUE(QDir().mkpath(folder));
    struct Case {
        QString name;
        bool program;
    } cases[] = {
        { "/a/SETUP.EXE", true },
        { "/a/x.com", true },
        { "run.Bat", true },
        { "old.pif", true },
        { script, true },
        { "a.ex", false },
        { "a.co", false },
        { source, false },
        { "/a/b.C", false },
        { notExecutable, false },
        { folder, false },
        { "/a.exe/noext", false },
        { "a.exe.txt", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsProgramFile(c.name), c.program) << c.name.toStdString();
}

TEST(ViewRules, MediaListComesFromWinIniInReverseOrder)
{
    // No win.ini: the stock entries.
    QFile::remove(hy::platform::WinIniPath());
    EXPECT_EQ(BuildMediaExtensions(), ".RMI.MID.WAV.AVI.MOV.MPG");

    QDir().mkpath(hy::platform::SettingsFolder());
    QFile ini(hy::platform::WinIniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[mci extensions]\nwav=waveaudio\nMPG=MPEGVideo\nmov=none\n[Extensions]\ntxt=gedit ^.txt\n");
    ini.close();
    EXPECT_EQ(BuildMediaExtensions(), ".WAV.MPG");

    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[Extensions]\n");
    ini.close();
    EXPECT_EQ(BuildMediaExtensions(), "");
    QFile::remove(hy::platform::WinIniPath());
}

TEST(ViewRules, LineAndSizeTexts)
{
    EXPECT_EQ(LineCountText(1, false), "1 line");
    EXPECT_EQ(LineCountText(1234567, false), "1,234,567 lines");
    EXPECT_EQ(LineCountText(0, false), "0 lines");
    EXPECT_EQ(LineCountText(0, true), "Undetermined - Press Ctrl+End");
    EXPECT_EQ(TextInfoText("3 lines", 1234), " File size: 3 lines (1,234 bytes)");
}

TEST(ViewRules, ColorCountAndImageText)
{
    EXPECT_EQ(ColorCount(1, 1), "2");
    EXPECT_EQ(ColorCount(4, 0), "16");
    EXPECT_EQ(ColorCount(8, 1), "256");
    EXPECT_EQ(ColorCount(15, 1), "32K");
    EXPECT_EQ(ColorCount(16, 1), "64K");
    EXPECT_EQ(ColorCount(24, 1), "16M");
    EXPECT_EQ(ColorCount(8, 3), "16M");
    EXPECT_EQ(ColorCount(30, 1), "1073741824");
    EXPECT_EQ(ColorCount(31, 1), "") << "overflow";
    EXPECT_EQ(ColorCount(32, 1), "") << "overflow";
    EXPECT_EQ(ColorCount(0, 1), "");
    EXPECT_EQ(ColorCount(64, 1), ""); // overflow
    EXPECT_EQ(ImageInfoText(50, 20, 8, 1, 1), " File size: 50 x 20 x 256 Colors (1 byte)");
    EXPECT_EQ(ImageInfoText(640, 480, 0, 1, 12345), " File size: 640 x 480 (12,345 bytes)");
}

TEST(ViewRules, ArchiveAndMediaTexts)
{
    EXPECT_EQ(ArchiveInfoText(1), "Contents: 1 compressed file");
    EXPECT_EQ(ArchiveInfoText(1200), "Contents: 1,200 compressed files");
    EXPECT_EQ(MediaLengthText(3725500), "Length: 01:02:05.50 hours/min/sec");
    EXPECT_EQ(MediaLengthText(65000), "Length: 01:05.00 min/sec");
    EXPECT_EQ(MediaLengthText(4000), "Length: 04.00 sec");
    EXPECT_EQ(MediaLengthText(0), "Length: 00.00 sec");
    EXPECT_EQ(MediaLengthText(65000, QLatin1Char('.')), "Length: 01.05.00 min/sec");
}

TEST(ViewRules, CharacterPanel)
{
    EXPECT_EQ(CharPanelText('A'), "A=65");
    EXPECT_EQ(CharPanelText(9), ".=9");
    EXPECT_EQ(CharPanelText(0), ".=0");
    EXPECT_EQ(CharPanelText(13), ".=13");
    EXPECT_EQ(CharPanelText(0x80), QString(QChar(0x20AC)) + "=128");
    EXPECT_EQ(CharPanelText(0xE9), QString(QChar(0xE9)) + "=233");
}
