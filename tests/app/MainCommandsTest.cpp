// The main window's commands end to end: opening files into viewer windows, views, find over one or all
// windows, go to line, copy to file, save as, synchronised scrolling, refresh, and the status texts.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "image/MultiImg.h"
#include "support/ModalWatcher.h"
#include "support/TestData.h"
#include "viewer/HvViewr.h"

#include "support/TestWait.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy::app;
using hy::test::ModalWatcher;

namespace {

class MainCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_form = std::make_unique<TMainForm>();
        m_form->resize(900, 700);
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void TearDown() override
    {
        m_form->close();
        m_form.reset();
    }

    QString Make(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    hy::viewer::THvFileViewer* Viewer(int i) { return m_form->Children().at(i)->FileViewer(); }
    QByteArray Line(int window, hy::viewer::LineNumber line)
    {
        int len = 0;
        const char* text = Viewer(window)->LineText(line, len);
        return QByteArray(text, len);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;
};

} // namespace

TEST_F(MainCommands, OpensFilesIntoWindowsAndRefusesDuplicatesAndBadPaths)
{
    const QString a = Make("a.txt", "alpha\nbeta\n");
    const QString b = Make("b b.log", "one\r\ntwo\r\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    ASSERT_TRUE(m_form->OpenFileInViewer(b, ViewMode::BySettings, false));
    ASSERT_EQ(m_form->Children().size(), 2);
    EXPECT_EQ(m_form->Children().at(0)->windowTitle(), a);
    EXPECT_EQ(m_form->Children().at(1)->Kind(), PageKind::Text);

    // The same file again (also by another spelling of its path) brings its window forward only.
    EXPECT_FALSE(m_form->OpenFileInViewer(m_dir.path() + "/./a.txt", ViewMode::BySettings, false));
    EXPECT_EQ(m_form->Children().size(), 2);
    // Letter case makes another file here.
    EXPECT_FALSE(QFile::exists(m_dir.filePath("A.TXT")));

    ModalWatcher watcher;
    mkfifo(m_dir.filePath("pipe").toLocal8Bit().constData(), 0600);
    const QString c = Make("c.txt", "c\n");
    m_form->OpenDroppedFiles({ m_dir.filePath("missing.txt"), c });
    m_form->OpenDroppedFiles({ m_dir.path(), c });
    m_form->OpenDroppedFiles({ m_dir.filePath("pipe") });
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 3);
    EXPECT_TRUE(watcher.Seen.at(0).contains("File not found!")) << watcher.Seen.at(0).toStdString();
    EXPECT_EQ(m_form->Children().size(), 2) << "a failed open leaves no window and stops the drop";
    EXPECT_TRUE(m_form->OpenFileInViewer(c, ViewMode::BySettings, false)) << "the next file still opens";
    EXPECT_EQ(m_form->Children().size(), 3);
}

TEST_F(MainCommands, ViewsSwitchBetweenStandardHexAndBack)
{
    const QString a = Make("a.txt", QByteArray("0123456789abcdefXYZ\n"));
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::Standard, false));
    TChildForm* child = m_form->Children().first();
    m_form->Action("Hex1")->trigger();
    EXPECT_TRUE(child->FileViewer()->InHexMode());
    EXPECT_EQ(child->TabSet()->currentIndex(), 1);
    EXPECT_TRUE(m_form->Action("Hex1")->isChecked());
    EXPECT_TRUE(m_form->Action("HexFilter1")->isEnabled());
    EXPECT_FALSE(m_form->Action("ExpandTabs1")->isEnabled());
    int len = 0;
    EXPECT_EQ(QByteArray(child->FileViewer()->LineText(0, len), 10), "00000000  ");
    child->TabSet()->setCurrentIndex(0);
    EXPECT_FALSE(child->FileViewer()->InHexMode());
    EXPECT_TRUE(m_form->Action("Standard1")->isChecked());
    EXPECT_FALSE(m_form->CurrentTextModeHex());
}

TEST_F(MainCommands, FindInAllWindowsReportsEachMissAndSelectsEachHit)
{
    const QString a = Make("a.txt", "nothing here\n");
    const QString b = Make("b.txt", "first\nthe needle is here\n");
    const QString c = Make("c.txt", "needle at start\n");
    for (const QString& f : { a, b, c })
        ASSERT_TRUE(m_form->OpenFileInViewer(f, ViewMode::BySettings, false));
    ModalWatcher watcher;
    m_form->SearchState().Text = "needle";
    m_form->SearchState().AllFiles = true;
    m_form->SearchState().OriginTop = true;
    m_form->RunFind();
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    EXPECT_EQ(watcher.Seen.at(0), "Search Results|Cannot find \"needle\" in \n" + a);
    hy::viewer::LineNumber sl = 0, el = 0;
    qint64 si = 0, ei = 0;
    ASSERT_TRUE(Viewer(1)->SelectionBounds(sl, si, ei, el));
    EXPECT_EQ(sl, 1);
    EXPECT_EQ(si, 4);
    EXPECT_EQ(ei, 10);
    ASSERT_TRUE(Viewer(2)->SelectionBounds(sl, si, ei, el));
    EXPECT_EQ(sl, 0);
    EXPECT_EQ(si, 0);
    EXPECT_TRUE(m_form->Action("FindNext1")->isEnabled());

    // Find Next continues from the caret and never restarts at the top.
    m_form->SearchState().AllFiles = false;
    m_form->FindNextClick();
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 2);
    EXPECT_EQ(watcher.Seen.at(1).section('|', 1), "Cannot find \"needle\".");
}

TEST_F(MainCommands, GoToLineCopyToFileAndSaveAs)
{
    QByteArray text;
    for (int i = 1; i <= 50; ++i)
        text += "line " + QByteArray::number(i) + " text\n";
    const QString a = Make("a.txt", text);
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    hy::viewer::THvFileViewer* v = Viewer(0);
    m_form->GotoLine(20);
    EXPECT_EQ(v->CaretLocation().Line, 19);
    m_form->GotoLine(5000);
    EXPECT_EQ(v->CaretLocation().Line, 50) << "past the end: the last line";

    v->SelectRange(2, 5, true, 4, 3);
    const QString out = m_dir.filePath("out.txt");
    ASSERT_EQ(m_form->WriteSelectionToFile(out), 0);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("3 text\nline")) << "the selected bytes as they stand in the file";

    const QString copy = m_dir.filePath("copy.txt");
    EXPECT_EQ(m_form->SaveActiveFileAs(copy), 0);
    QFile c(copy);
    ASSERT_TRUE(c.open(QIODevice::ReadOnly));
    EXPECT_EQ(c.readAll(), text);
    EXPECT_EQ(QFileInfo(copy).lastModified(), QFileInfo(a).lastModified());
    EXPECT_NE(m_form->SaveActiveFileAs(m_dir.filePath("no/such/dir/x.txt")), 0);
    EXPECT_FALSE(QFile::exists(m_dir.filePath("no/such/dir/x.txt")));
}

TEST_F(MainCommands, EachWindowHasItsEncodingAndFindMatchesInEvery)
{
    using hy::viewer::TTextEncoding;
    const QString utf8 = Make("a-utf8.txt", "Le mois d'\xC3\xA9t\xC3\xA9\n");
    const QString ansi = Make("b-ansi.txt", "L'\xE9t\xE9 et \xE0 l'ombre\n");
    QByteArray wide("\xFF\xFE", 2);
    for (QChar c : QStringLiteral("summer \u00E9t\u00E9\r\n"))
        wide += QByteArray(1, char(c.unicode() & 0xFF)) + QByteArray(1, char(c.unicode() >> 8));
    const QString utf16 = Make("c-utf16.txt", wide);
    for (const QString& f : { utf8, ansi, utf16 })
        ASSERT_TRUE(m_form->OpenFileInViewer(f, ViewMode::BySettings, false));
    EXPECT_EQ(m_form->EncodingPanel()->text(), "UTF-16 LE (Auto)");
    EXPECT_EQ(Viewer(0)->EffectiveEncoding(), TTextEncoding::Utf8);
    EXPECT_EQ(Viewer(1)->EffectiveEncoding(), TTextEncoding::Windows1252);
    EXPECT_TRUE(m_form->Action(EncodingActionName(TTextEncoding::Auto))->isChecked());

    // View > Encoding changes the active window only.
    m_form->ClientArea()->setActiveSubWindow(m_form->FrameOf(m_form->Children().at(1)));
    m_form->Action(EncodingActionName(TTextEncoding::Iso8859_1))->trigger();
    EXPECT_EQ(Viewer(1)->Encoding(), TTextEncoding::Iso8859_1);
    EXPECT_EQ(Viewer(0)->Encoding(), TTextEncoding::Auto);
    EXPECT_EQ(m_form->EncodingPanel()->text(), "ISO-8859-1");
    EXPECT_TRUE(m_form->Action(EncodingActionName(TTextEncoding::Iso8859_1))->isChecked());
    // The context menu's twin shows the same choice.
    TChildForm* child = m_form->Children().at(1);
    Q_EMIT child->ChildPopupMenu()->aboutToShow();
    EXPECT_TRUE(
        child->ChildPopupMenu()->findChild<QAction*>(EncodingActionName(TTextEncoding::Iso8859_1, true))->isChecked());

    // One search over every window, each matching the word in its own encoding.
    ModalWatcher watcher;
    m_form->SearchState().Text = QStringLiteral("\u00C9T\u00C9");
    m_form->SearchState().AllFiles = true;
    m_form->SearchState().OriginTop = true;
    m_form->RunFind();
    EXPECT_TRUE(watcher.Seen.isEmpty()) << watcher.Seen.join(' ').toStdString();
    const std::pair<qint64, qint64> found[] = { { 10, 15 }, { 2, 5 }, { 16, 22 } };
    for (int i = 0; i < 3; ++i) {
        hy::viewer::LineNumber sl = 0, el = 0;
        qint64 si = 0, ei = 0;
        ASSERT_TRUE(Viewer(i)->SelectionBounds(sl, si, ei, el)) << i;
        EXPECT_EQ(std::make_pair(si, ei), found[i]) << i;
    }
}

TEST_F(MainCommands, SynchronisedScrollingFollowsTheActiveWindow)
{
    QByteArray text;
    for (int i = 0; i < 500; ++i)
        text += QByteArray::number(i) + "\n";
    const QString a = Make("a.txt", text);
    const QString b = Make("b.txt", text);
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    {
        ModalWatcher watcher;
        m_form->Action("SynchronizeScrolling1")->trigger();
        HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
        EXPECT_TRUE(watcher.Seen.at(0).contains("You must open at least two files"));
        EXPECT_FALSE(m_form->Action("SynchronizeScrolling1")->isChecked());
    }
    ASSERT_TRUE(m_form->OpenFileInViewer(b, ViewMode::Hex, false));
    m_form->Action("SynchronizeScrolling1")->trigger();
    EXPECT_TRUE(m_form->Action("SynchronizeScrolling1")->isChecked());
    EXPECT_FALSE(Viewer(1)->InHexMode()) << "switching it on shows every window in Standard view";
    TChildForm* active = m_form->ActiveChild();
    TChildForm* other = m_form->Children().at(0) == active ? m_form->Children().at(1) : m_form->Children().at(0);
    active->FileViewer()->ScrollToLine(120);
    active->FileViewer()->MoveCaretTo(130, 0, false);
    HY_ASSERT_EQ_SOON(other->FileViewer()->FirstVisibleLine(), active->FileViewer()->FirstVisibleLine());
    // Closing one of two windows switches it off.
    m_form->FrameOf(other)->close();
    HY_ASSERT_EQ_SOON(m_form->Children().size(), 1);
    EXPECT_FALSE(m_form->Action("SynchronizeScrolling1")->isChecked());
}

TEST_F(MainCommands, RefreshRereadsAFileThatChangedOnDisk)
{
    const QString a = Make("a.txt", "old text\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    EXPECT_EQ(Line(0, 0), "old text");
    Make("a.txt", "new longer text\nsecond\n");
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    f.close();
    m_form->RefreshAllViewers();
    EXPECT_EQ(Line(0, 0), "new longer text");
}

TEST_F(MainCommands, StatusTextsOfTextWindows)
{
    const QString small = Make("small.txt", "a\tb\nsecond\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(small, ViewMode::Standard, false));
    HY_ASSERT_EQ_SOON(m_form->InfoPanel()->text(), QString(" File size: 3 lines (11 bytes)"));
    EXPECT_EQ(m_form->CursorPosPanel()->text(), "1:1");
    EXPECT_EQ(m_form->CharPanel()->text(), "a=97");

    QByteArray big;
    while (big.size() < 600000)
        big += "0123456789012345678901234567890123456789\n";
    const QString large = Make("large.txt", big);
    ASSERT_TRUE(m_form->OpenFileInViewer(large, ViewMode::Standard, false));
    HY_ASSERT_EQ_SOON(
        m_form->InfoPanel()->text(), QString(" File size: Undetermined - Press Ctrl+End (600,035 bytes)"));
    m_form->Action("Hex1")->trigger();
    HY_ASSERT_EQ_SOON(m_form->InfoPanel()->text(), QString(" File size: 37,503 lines (600,035 bytes)"));

    const QString empty = Make("empty.txt", "");
    ASSERT_TRUE(m_form->OpenFileInViewer(empty, ViewMode::Standard, false));
    HY_ASSERT_EQ_SOON(m_form->InfoPanel()->text(), QString(" File size: 0 lines (0 bytes)"));
}

TEST_F(MainCommands, PicturesOpenOnTheImagePageAndMediaFallsBackToText)
{
    QImage image(50, 20, QImage::Format_Indexed8);
    image.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        image.setColor(i, qRgb(i, i, 255 - i));
    image.fill(7);
    const QString png = m_dir.filePath("small.png");
    ASSERT_TRUE(image.save(png));
    ASSERT_TRUE(m_form->OpenFileInViewer(png, ViewMode::BySettings, false));
    TChildForm* child = m_form->Children().last();
    EXPECT_EQ(child->Kind(), PageKind::Image);
    EXPECT_EQ(child->TabSet()->count(), 3);
    EXPECT_EQ(child->TabSet()->tabText(2), "Image");
    EXPECT_EQ(child->ActivePageName(), "Image");
    EXPECT_GE(child->width(), 100);
    EXPECT_GE(child->height(), 100);
    HY_EXPECT_SOON(m_form->InfoPanel()->text().startsWith(" File size: 50 x 20"));
    EXPECT_TRUE(m_form->Action("Native1")->isVisible());
    EXPECT_EQ(m_form->Action("Native1")->text(), "&Image");

    // With mode Hex, the picture's window shows the Text page in Hex with the Image tab still there.
    const QString png2 = m_dir.filePath("second.png");
    ASSERT_TRUE(image.save(png2));
    ASSERT_TRUE(m_form->OpenFileInViewer(png2, ViewMode::Hex, false));
    EXPECT_EQ(m_form->Children().last()->ActivePageName(), "Text");
    EXPECT_TRUE(m_form->Children().last()->FileViewer()->InHexMode());

    ModalWatcher watcher;
    const QString wav = Make("noise.wav", "this is not a wave file at all");
    ASSERT_TRUE(m_form->OpenFileInViewer(wav, ViewMode::BySettings, false));
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.at(0).startsWith("Media Player|"));
    EXPECT_EQ(m_form->Children().last()->Kind(), PageKind::Text);
    EXPECT_EQ(m_form->Children().last()->TabSet()->count(), 2);
}

TEST_F(MainCommands, MinimisedWindowsShowTheShortNameAndWindowsKeepAMinimumSize)
{
    const QString a = Make("notes.txt", "x\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    TChildForm* child = m_form->Children().first();
    QMdiSubWindow* frame = m_form->FrameOf(child);
    frame->resize(10, 10);
    EXPECT_GE(frame->width(), 165);
    EXPECT_GE(frame->height(), 150);
    frame->showMinimized();
    HY_ASSERT_EQ_SOON(child->windowTitle(), QString("notes.txt"));
    frame->showNormal();
    HY_ASSERT_EQ_SOON(child->windowTitle(), a);
}

TEST_F(MainCommands, TemporaryFilesGoWithTheirWindow)
{
    const QString temp = Make("member.txt", "extracted\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(temp, ViewMode::BySettings, true));
    m_form->Action("Close1")->trigger();
    HY_ASSERT_SOON(m_form->Children().isEmpty());
    HY_EXPECT_SOON(!QFile::exists(temp));
    EXPECT_FALSE(m_form->Action("Close1")->isEnabled());
    EXPECT_TRUE(m_form->InfoPanel()->text().isEmpty());
}

TEST_F(MainCommands, DroppedFilesOpenInOrderAndStopAtTheFirstThatIsOpenAlready)
{
    const QString a = Make("a.txt", "a\n");
    const QString b = Make("b.txt", "b\n");
    const QString c = Make("c.txt", "c\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(b, ViewMode::BySettings, false));
    m_form->OpenDroppedFiles({ a, b, c });
    const QList<TChildForm*> children = m_form->Children();
    ASSERT_EQ(children.size(), 2);
    EXPECT_EQ(children.at(1)->FileName(), a);
}

TEST_F(MainCommands, EveryPictureFormatOpensOnItsImagePageWithItsSizeInTheStatusBar)
{
    struct Case {
        const char* file;
        const char* size;
    } cases[] = {
        { "pal4.bmp", "37 x 23" },
        { "icon.ico", "32 x 32" },
        { "shapes.wmf", "" },
        { "pal8.pcx", "37 x 23" },
        { "photo.jpg", "37 x 23" },
        { "rgb.png", "37 x 23" },
        { "pal16.gif", "37 x 23" },
        { "rgb.tif", "37 x 23" },
    };
    for (const Case& c : cases) {
        const QString path = TestDataPath(QStringLiteral("image/") + c.file);
        ASSERT_TRUE(m_form->OpenFileInViewer(path, ViewMode::BySettings, false)) << c.file;
        TChildForm* child = m_form->Children().last();
        EXPECT_EQ(child->Kind(), PageKind::Image) << c.file;
        EXPECT_EQ(child->ActivePageName(), "Image") << c.file;
        EXPECT_TRUE(child->HasGraphic()) << c.file;
        EXPECT_GE(child->width(), 100) << c.file;
        const QString info = m_form->InfoPanel()->text();
        EXPECT_TRUE(info.startsWith(" File size: " + QString::fromLatin1(c.size)))
            << c.file << " " << info.toStdString();
        EXPECT_TRUE(info.endsWith(" bytes)")) << c.file;
    }
}

TEST_F(MainCommands, FindNextUpwardsWalksBackThroughEveryMatch)
{
    const QString a = Make("a.txt", "x key one\nkey two key\nthree key\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    hy::viewer::THvFileViewer* v = Viewer(0);
    v->MoveCaretTo(3, 0, false);
    m_form->SearchState().Text = "key";
    m_form->SearchState().DirectionDown = false;
    QList<QPair<qint64, int>> found;
    for (int i = 0; i < 4; ++i) {
        m_form->FindNextClick();
        hy::viewer::LineNumber sl = 0, el = 0;
        qint64 si = 0, ei = 0;
        ASSERT_TRUE(v->SelectionBounds(sl, si, ei, el));
        found.append({ sl, si });
    }
    EXPECT_EQ(found, (QList<QPair<qint64, int>> { { 2, 6 }, { 1, 8 }, { 1, 0 }, { 0, 2 } }));
    ModalWatcher watcher;
    m_form->FindNextClick();
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    EXPECT_EQ(watcher.Seen.at(0), "Search Results|Cannot find \"key\".");
}

TEST_F(MainCommands, TheWindowMenuListsTheViewerWindows)
{
    const QString a = Make("a & b.txt", "a\n");
    const QString b = Make("b.txt", "b\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    ASSERT_TRUE(m_form->OpenFileInViewer(b, ViewMode::BySettings, false));
    QMenu* menu = m_form->Action("TileVertical1")->associatedObjects().isEmpty()
        ? nullptr
        : qobject_cast<QMenu*>(m_form->Action("TileVertical1")->associatedObjects().first());
    ASSERT_NE(menu, nullptr);
    Q_EMIT menu->aboutToShow();
    QStringList entries;
    for (QAction* action : menu->actions()) {
        if (action->text().startsWith('&') && action->text().at(1).isDigit())
            entries << action->text();
    }
    EXPECT_EQ(entries, QStringList({ "&1 " + QString(a).replace("&", "&&"), "&2 " + b }));
    // Choosing an entry activates its window.
    for (QAction* action : menu->actions()) {
        if (action->text().startsWith("&1 "))
            action->trigger();
    }
    EXPECT_EQ(m_form->ActiveChild(), m_form->Children().first());
    EXPECT_TRUE(m_form->Action("TileVertical1")->isEnabled());
}

TEST_F(MainCommands, TheCommandLineGoesOnPastAFileShownAlreadyAndStopsAtOneThatFails)
{
    const QString a = Make("a.txt", "a\n");
    const QString b = Make("b.txt", "b\n");
    const QString c = Make("c.txt", "c\n");
    QDir::setCurrent(m_dir.path());
    {
        TMainForm form;
        form.SetCommandLine({ "a.txt", "./a.txt", "b.txt" });
        form.show();
        ASSERT_EQ(form.Children().size(), 2);
        EXPECT_EQ(form.Children().at(0)->FileName(), a) << "names are made absolute";
        EXPECT_EQ(form.Children().at(1)->FileName(), b);
        form.close();
    }
    ModalWatcher watcher;
    TMainForm form;
    form.SetCommandLine({ "a.txt", "missing.txt", "c.txt" });
    form.show();
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.at(0).contains("File not found!"));
    EXPECT_EQ(form.Children().size(), 1);
    form.close();
    Q_UNUSED(c);
}

TEST_F(MainCommands, SavingOverTheSameFileUnderAnotherNameIsRefused)
{
    const QString a = Make("a.txt", "keep me\n");
    QFile::link(a, m_dir.filePath("alias.txt"));
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    EXPECT_EQ(m_form->SaveActiveFileAs(m_dir.filePath("alias.txt")), 10003);
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "keep me\n");
}

TEST_F(MainCommands, RegularExpressionFindSelectsMatchesAndRefusesInvalidPatterns)
{
    const QString a = Make("log.txt", "ok 1\nERROR 17 disk timeout\nERROR x timeout\nERROR 9 late timeout\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    ModalWatcher watcher;
    m_form->SearchState().Text = "ERROR [0-9]+ .*timeout";
    m_form->SearchState().Regex = true;
    m_form->SearchState().OriginTop = true;
    m_form->RunFind();
    hy::viewer::LineNumber sl = 0, el = 0;
    qint64 si = 0, ei = 0;
    ASSERT_TRUE(Viewer(0)->SelectionBounds(sl, si, ei, el));
    EXPECT_EQ(sl, 1);
    EXPECT_EQ(si, 0);
    EXPECT_EQ(ei, 21);
    m_form->FindNextClick();
    ASSERT_TRUE(Viewer(0)->SelectionBounds(sl, si, ei, el));
    EXPECT_EQ(sl, 3);
    EXPECT_EQ(ei, 20);

    // An invalid pattern names its error and position, and the selection stays.
    m_form->SearchState().Text = "ERROR (";
    m_form->RunFind();
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    EXPECT_EQ(watcher.Seen.at(0), "Find|Invalid regular expression: missing closing parenthesis at position 8.");
    ASSERT_TRUE(Viewer(0)->SelectionBounds(sl, si, ei, el));
    EXPECT_EQ(sl, 3);
}

TEST_F(MainCommands, FollowFollowsTheActiveWindowsFile)
{
    const QString a = Make("grow.log", "one\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    QAction* follow = m_form->Action("Follow1");
    ASSERT_TRUE(follow->isEnabled());
    EXPECT_EQ(follow->shortcut(), QKeySequence(Qt::Key_F));
    follow->trigger();
    EXPECT_TRUE(Viewer(0)->Follow());
    {
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("two\nthree\n");
    }
    QTRY_COMPARE(Viewer(0)->LineTotal(), 4);
    EXPECT_EQ(Viewer(0)->CaretLocation().Line, 3);
    follow->trigger();
    EXPECT_FALSE(Viewer(0)->Follow());
}
