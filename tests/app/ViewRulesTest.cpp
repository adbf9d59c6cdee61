// Extension routing and the status bar texts.
#include "core/settings/ViewRules.h"

#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace hy::settings;

TEST(ViewRules, ExtensionIsTheUpperCasedTailFromTheLastDot)
{
    EXPECT_EQ(ExtensionOf("/a/b/photo.jpg"), ".JPG");
    EXPECT_EQ(ExtensionOf("archive.tar.Zip"), ".ZIP");
    EXPECT_EQ(ExtensionOf("/dir.with.dots/README"), "");
    EXPECT_EQ(ExtensionOf("name."), ".");
    EXPECT_EQ(ExtensionOf("noext"), "");
}

TEST(ViewRules, KindTestComparesTheWholeExtension)
{
    const QString images = QString::fromLatin1(kImageExtensions);
    struct Case {
        const char* name;
        bool image;
    } cases[] = {
        { "a.bmp", true },
        { "a.PCX", true },
        { "a.jpeg", true },
        { "a.WebP", true },
        { "atari.st", true },
        { "a.jfif", false },
        { "a.jp", false },
        { "start.s", false },
        { "prog.p", false },
        { "notes.", false },
        { "a.txt", false },
        { "README", false },
        { "a.tif", true },
        { "a.tiff", true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(HasExtensionIn(c.name, images), c.image) << c.name;
    EXPECT_TRUE(HasExtensionIn("A.ZIP", kArchiveExtensions));
    EXPECT_TRUE(HasExtensionIn("a.zip", kArchiveExtensions));
    EXPECT_FALSE(HasExtensionIn("data.zi", kArchiveExtensions));
    EXPECT_FALSE(HasExtensionIn("data.z", kArchiveExtensions));
    EXPECT_FALSE(HasExtensionIn("a.lzh", kArchiveExtensions));
    EXPECT_TRUE(HasExtensionIn("song.WAV", ".MID.WAV"));
    EXPECT_FALSE(HasExtensionIn("song.WA", ".MID.WAV"));
    EXPECT_FALSE(HasExtensionIn("song.", ".MID.WAV"));
}

TEST(ViewRules, TheOpeningPageFollowsTheNameTheSettingsAndTheViewAskedFor)
{
    using M = ViewMode;
    using K = PageKind;
    TPageRules all;
    all.MediaExtensions = QStringLiteral(".WAV.AVI");
    TPageRules hexText = all;
    hexText.TextHex = true;
    TPageRules noNative = hexText;
    noNative.ShowImageFiles = noNative.ShowArchiveFiles = noNative.ShowMediaFiles = false;
    TPageRules noMediaList = all;
    noMediaList.MediaExtensions.clear();
    struct Case {
        const char* name;
        M mode;
        const TPageRules& rules;
        bool regular;
        TPageChoice want;
    } cases[] = {
        // Text goes by the view asked for, and by the settings' Hex when none is asked for.
        { "/d/a.txt", M::BySettings, all, true, { K::Text, 0 } },
        { "/d/a.txt", M::BySettings, hexText, true, { K::Text, 1 } },
        { "/d/a.txt", M::Standard, hexText, true, { K::Text, 0 } },
        { "/d/a.txt", M::Hex, all, true, { K::Text, 1 } },
        { "/d/a.txt", M::Native, hexText, true, { K::Text, 0 } },
        // A native kind opens on its own page unless a text view is asked for; the settings' Hex does not
        // matter to it.
        { "/d/a.gif", M::BySettings, hexText, true, { K::Image, 2 } },
        { "/d/a.GIF", M::Native, all, true, { K::Image, 2 } },
        { "/d/a.pcx", M::Standard, hexText, true, { K::Image, 0 } },
        { "/d/a.bmp", M::Hex, all, true, { K::Image, 1 } },
        { "/d/a.zip", M::BySettings, all, true, { K::Archive, 2 } },
        { "/d/a.zip", M::Hex, all, true, { K::Archive, 1 } },
        { "/d/a.wav", M::BySettings, all, true, { K::Media, 2 } },
        { "/d/a.avi", M::Standard, all, true, { K::Media, 0 } },
        // Pictures and archives are chosen by name even when the name is no regular file (opening then
        // says so); media needs a regular file, or it is text.
        { "/d/gone.gif", M::BySettings, all, false, { K::Image, 2 } },
        { "/d/gone.zip", M::BySettings, all, false, { K::Archive, 2 } },
        { "/d/fifo.wav", M::BySettings, hexText, false, { K::Text, 1 } },
        // Kinds the user does not want natively, and media missing from the media list, are text.
        { "/d/a.gif", M::BySettings, noNative, true, { K::Text, 1 } },
        { "/d/a.zip", M::Native, noNative, true, { K::Text, 0 } },
        { "/d/a.wav", M::BySettings, noNative, true, { K::Text, 1 } },
        { "/d/a.wav", M::BySettings, noMediaList, true, { K::Text, 0 } },
        { "/d/a.mid", M::BySettings, all, true, { K::Text, 0 } },
        // Names that only resemble a native kind's are text.
        { "/d/start.s", M::BySettings, all, true, { K::Text, 0 } },
        { "/d/prog.p", M::BySettings, all, true, { K::Text, 0 } },
        { "/d/notes.", M::BySettings, hexText, true, { K::Text, 1 } },
        { "/d/data.zi", M::BySettings, all, true, { K::Text, 0 } },
        { "/d/clip.av", M::BySettings, all, true, { K::Text, 0 } },
        // The extension is the name's last one, and only the name's.
        { "/d/pics.gif/readme", M::BySettings, all, true, { K::Text, 0 } },
        { "/d/a.gif.txt", M::BySettings, all, true, { K::Text, 0 } },
    };
    for (const Case& c : cases) {
        const TPageChoice got = ChoosePage(c.name, c.mode, c.rules, c.regular);
        EXPECT_EQ(got.Kind, c.want.Kind) << c.name << " mode " << int(c.mode);
        EXPECT_EQ(got.Tab, c.want.Tab) << c.name << " mode " << int(c.mode);
    }
    EXPECT_EQ(PageName(K::Image), "Image");
    EXPECT_EQ(PageName(K::Archive), "Archive");
    EXPECT_EQ(PageName(K::Media), "Media");
    EXPECT_EQ(PageName(K::Text), "Text");
}

TEST(ViewRules, AnArchiveToldByItsContentOpensOnTheArchivePage)
{
    using M = ViewMode;
    using K = PageKind;
    TPageRules all;
    all.MediaExtensions = QStringLiteral(".WAV");
    TPageRules noArchives = all;
    noArchives.ShowArchiveFiles = false;
    struct Case {
        const char* name;
        M mode;
        const TPageRules& rules;
        bool regular;
        bool archive;
        TPageChoice want;
    } cases[] = {
        { "/d/backup.tar.gz", M::BySettings, all, true, true, { K::Archive, 2 } },
        { "/d/no-extension", M::BySettings, all, true, true, { K::Archive, 2 } },
        { "/d/pkg.deb", M::Hex, all, true, true, { K::Archive, 1 } },
        { "/d/backup.tar.gz", M::BySettings, all, true, false, { K::Text, 0 } },
        // The settings that keep archives off their page keep these off it too; so does a name that is no
        // regular file, and a name that says picture or media wins.
        { "/d/backup.tar.gz", M::BySettings, noArchives, true, true, { K::Text, 0 } },
        { "/d/fifo", M::BySettings, all, false, true, { K::Text, 0 } },
        { "/d/a.gif", M::BySettings, all, true, true, { K::Image, 2 } },
        { "/d/a.wav", M::BySettings, all, true, true, { K::Media, 2 } },
    };
    for (const Case& c : cases) {
        const TPageChoice got = ChoosePage(c.name, c.mode, c.rules, c.regular, c.archive);
        EXPECT_EQ(got.Kind, c.want.Kind) << c.name;
        EXPECT_EQ(got.Tab, c.want.Tab) << c.name;
    }
}

TEST(ViewRules, APictureNameThatHoldsNoPictureFallsBackToTextOnlyWhenTheReaderDoesNotKnowIt)
{
    using K = PageKind;
    using M = ViewMode;
    TPageRules plain;
    TPageRules hexText;
    hexText.TextHex = true;
    const struct {
        TPageChoice chosen;
        M mode;
        const TPageRules& rules;
        bool shown;
        bool readable;
        TPageChoice want;
    } cases[] = {
        // A picture that shows keeps the page it was chosen for, whatever its name.
        { { K::Image, 2 }, M::BySettings, plain, true, false, { K::Image, 2 } },
        { { K::Image, 1 }, M::Hex, plain, true, true, { K::Image, 1 } },
        // A damaged picture under a name the reader knows stays a picture, and is reported as one.
        { { K::Image, 2 }, M::BySettings, hexText, false, true, { K::Image, 2 } },
        // A partial match holding no picture is text, in the view asked for or set.
        { { K::Image, 2 }, M::BySettings, plain, false, false, { K::Text, 0 } },
        { { K::Image, 2 }, M::BySettings, hexText, false, false, { K::Text, 1 } },
        { { K::Image, 2 }, M::Native, hexText, false, false, { K::Text, 0 } },
        { { K::Image, 0 }, M::Standard, hexText, false, false, { K::Text, 0 } },
        { { K::Image, 1 }, M::Hex, plain, false, false, { K::Text, 1 } },
        // Other pages are not the picture reader's to change.
        { { K::Archive, 2 }, M::BySettings, plain, false, false, { K::Archive, 2 } },
        { { K::Text, 1 }, M::Hex, plain, false, false, { K::Text, 1 } },
    };
    for (const auto& c : cases) {
        const TPageChoice got = PageAfterPicture(c.chosen, c.mode, c.rules, c.shown, c.readable);
        EXPECT_EQ(got.Kind, c.want.Kind) << int(c.chosen.Kind) << " shown " << c.shown << " readable " << c.readable;
        EXPECT_EQ(got.Tab, c.want.Tab) << int(c.chosen.Kind) << " shown " << c.shown << " readable " << c.readable;
    }
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
    // No win.ini: the stock entries, and what the GStreamer plugins play.
    QFile::remove(hy::platform::WinIniPath());
    const QString stock = BuildMediaExtensions();
    EXPECT_EQ(stock, ".RMI.MID.WAV.AVI.MOV.MPG.MP3.OGG.OGA.OPUS.FLAC.M4A.MP4.M4V.MKV.WEBM");
    for (const char* name : { "song.mp3", "Song.Opus", "clip.webm", "film.MKV", "voice.m4a", "a.flac" })
        EXPECT_TRUE(HasExtensionIn(name, stock)) << name;

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

TEST(ViewRules, DocumentsOpenOnTheirPagesOnlyAsRegularFilesAndWhenShownNatively)
{
    using K = PageKind;
    TPageRules rules;
    TPageRules off;
    off.ShowDocumentFiles = false;
    struct Case {
        const char* name;
        ViewMode mode;
        const TPageRules* rules;
        bool regular;
        TPageChoice page;
    } cases[] = {
        { "manual.pdf", ViewMode::BySettings, &rules, true, { K::Pdf, 2 } },
        { "MANUAL.PDF", ViewMode::Hex, &rules, true, { K::Pdf, 1 } },
        { "README.md", ViewMode::BySettings, &rules, true, { K::Document, 2 } },
        { "notes.markdown", ViewMode::Standard, &rules, true, { K::Document, 0 } },
        { "index.html", ViewMode::Native, &rules, true, { K::Document, 2 } },
        { "old.HTM", ViewMode::BySettings, &rules, true, { K::Document, 2 } },
        { "drawing.svg", ViewMode::BySettings, &rules, true, { K::Image, 2 } },
        { "drawing.svgz", ViewMode::BySettings, &rules, true, { K::Image, 2 } },
        { "fifo.pdf", ViewMode::BySettings, &rules, false, { K::Text, 0 } }, // a pipe would keep the reader waiting
        { "page.html", ViewMode::BySettings, &rules, false, { K::Text, 0 } },
        { "manual.pdf", ViewMode::BySettings, &off, true, { K::Text, 0 } },
        { "README.md", ViewMode::BySettings, &off, true, { K::Text, 0 } },
        { "page.xhtml", ViewMode::BySettings, &rules, true, { K::Text, 0 } },
        { "notes.mdx", ViewMode::BySettings, &rules, true, { K::Text, 0 } },
    };
    for (const Case& c : cases) {
        const TPageChoice got = ChoosePage(c.name, c.mode, *c.rules, c.regular);
        EXPECT_EQ(got, c.page) << c.name << " gave " << int(got.Kind) << "/" << got.Tab;
    }
    EXPECT_EQ(PageName(K::Pdf), "PDF");
    EXPECT_EQ(PageName(K::Document), "Document");
}

TEST(ViewRules, DocumentTexts)
{
    EXPECT_EQ(PdfInfoText(1, 1), " File size: 1 page (1 byte)");
    EXPECT_EQ(PdfInfoText(300, 1234567), " File size: 300 pages (1,234,567 bytes)");
    EXPECT_EQ(PdfPageText(0, 300), "Page 1 of 300");
    EXPECT_EQ(PdfPageText(299, 300), "Page 300 of 300");
    EXPECT_EQ(DocumentInfoText(2048), " File size: 2,048 bytes");
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

TEST(ViewRules, MediaClockShowsPositionAndLength)
{
    const struct {
        qint64 position;
        qint64 length;
        const char* text;
    } cases[] = {
        { 0, 0, "0:00 / --:--" },
        { 0, 4000, "0:00 / 0:04" },
        { 1999, 65000, "0:01 / 1:05" },
        { 605000, 3599999, "10:05 / 59:59" },
        { 61000, 3725500, "1:01 / 1:02:05" },
        { 36005000, 36005000, "10:00:05 / 10:00:05" },
        { -5, -1, "0:00 / --:--" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(MediaClockText(c.position, c.length), QLatin1String(c.text)) << c.position << " " << c.length;
}
