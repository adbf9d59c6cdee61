// The main window's commands end to end: opening files into viewer windows (one, many, and while a long read
// runs), views, find over one or all windows, go to line, copy to file, save as, synchronised scrolling,
// refresh, window arrangement, and the status texts.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/Brview3.h"
#include "app/HighlightDlg.h"
#include "app/StoppableWork.h"
#include "common/ErrorText.h"
#include "core/filelist/FileListEngine.h"
#include "core/settings/RecentFiles.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/TempCopies.h"
#include "support/MainFormTest.h"
#include "support/ModalWatcher.h"
#include "support/TempFiles.h"
#include "support/TestData.h"
#include "ui/image/MultiImg.h"
#include "ui/search/Vsearch.h"
#include "ui/viewer/HvFindBar.h"
#include "ui/viewer/HvViewr.h"

#include "support/TestWait.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUuid>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

using namespace hy::app;
using namespace hy::settings;
using namespace hy::viewer;
using hy::test::ModalWatcher;
namespace settings = hy::settings;

namespace {

class MainCommands : public hy::test::MainFormTest {
protected:
    hy::viewer::THvFileViewer* Viewer(int i) { return m_form->Children().at(i)->FileViewer(); }
    QByteArray Line(int window, hy::viewer::LineNumber line)
    {
        int len = 0;
        const char* text = Viewer(window)->LineText(line, len);
        return QByteArray(text, len);
    }
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
    EXPECT_FALSE(m_form->OpenFileInViewer(m_dir.Path() + "/./a.txt", ViewMode::BySettings, false));
    EXPECT_EQ(m_form->Children().size(), 2);
    // Letter case makes another file here.
    EXPECT_FALSE(QFile::exists(m_dir.PathOf("A.TXT")));

    ModalWatcher watcher;
    mkfifo(m_dir.PathOf("pipe").toLocal8Bit().constData(), 0600);
    const QString c = Make("c.txt", "c\n");
    m_form->OpenDroppedFiles({ m_dir.PathOf("missing.txt"), c });
    m_form->OpenDroppedFiles({ m_dir.Path(), c });
    m_form->OpenDroppedFiles({ m_dir.PathOf("pipe") });
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
    m_form->Action(hy::app::TCommand::Hex)->trigger();
    EXPECT_TRUE(child->FileViewer()->InHexMode());
    EXPECT_EQ(child->TabSet()->currentIndex(), 1);
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::Hex)->isChecked());
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::HexFilter)->isEnabled());
    EXPECT_FALSE(m_form->Action(hy::app::TCommand::ExpandTabs)->isEnabled());
    int len = 0;
    EXPECT_EQ(QByteArray(child->FileViewer()->LineText(0, len), 10), "00000000  ");
    child->TabSet()->setCurrentIndex(0);
    EXPECT_FALSE(child->FileViewer()->InHexMode());
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::Standard)->isChecked());
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
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::FindNext)->isEnabled());

    // Find Next continues from the caret and never restarts at the top.
    m_form->SearchState().AllFiles = false;
    m_form->FindNextClick();
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 2);
    EXPECT_EQ(watcher.Seen.at(1).section('|', 1), "Cannot find \"needle\".");
}

TEST_F(MainCommands, FindInAllWindowsAtOnceReportsInTheWindowOrder)
{
    // Hits in the third and fifth windows, the third's far down its file; a miss that holds the text in another
    // case (match case is on), one that holds all but its last letter at the end, and two plain ones.
    QByteArray far;
    for (int i = 0; i < 100000; ++i)
        far += "filler line " + QByteArray::number(i) + "\n";
    const QString files[] = {
        Make("w1.txt", "nothing here\n"),
        Make("w2.txt", "the NEEDLE in capitals\n"),
        Make("w3.txt", far + "here is the needle\n"),
        Make("w4.txt", far + "needl"),
        Make("w5.txt", "needle first\nand more\n"),
    };
    for (const QString& f : files)
        ASSERT_TRUE(m_form->OpenFileInViewer(f, ViewMode::BySettings, false));
    TChildForm* active = m_form->ActiveChild();
    ModalWatcher watcher;
    TSearchState& search = m_form->SearchState();
    search.Text = "needle";
    search.MatchCase = true;
    search.AllFiles = true;
    search.OriginTop = true;
    m_form->RunFind();
    const auto missIn = [](const QString& file) { return "Search Results|Cannot find \"needle\" in \n" + file; };
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 3);
    EXPECT_EQ(watcher.Seen, QStringList({ missIn(files[3]), missIn(files[1]), missIn(files[0]) }))
        << "the misses from the last window to the first";
    const struct {
        int window;
        LineNumber line;
        qint64 from, to;
    } hits[] = { { 2, 100000, 12, 18 }, { 4, 0, 0, 6 } };
    for (const auto& h : hits) {
        LineNumber sl = 0, el = 0;
        qint64 si = 0, ei = 0;
        ASSERT_TRUE(Viewer(h.window)->SelectionBounds(sl, si, ei, el)) << h.window;
        EXPECT_EQ(sl, h.line) << h.window;
        EXPECT_EQ(el, h.line) << h.window;
        EXPECT_EQ(std::make_pair(si, ei), std::make_pair(h.from, h.to)) << h.window;
    }
    for (int window : { 0, 1, 3 }) {
        LineNumber sl = 0, el = 0;
        qint64 si = 0, ei = 0;
        EXPECT_FALSE(Viewer(window)->SelectionBounds(sl, si, ei, el)) << window;
    }
    EXPECT_EQ(m_form->ActiveChild(), active) << "the search leaves the active window as it was";

    // Find Next goes on behind each hit: nothing more anywhere, and every window says so, in the same order.
    m_form->FindNextClick();
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 8);
    EXPECT_EQ(watcher.Seen.mid(3),
        QStringList({ missIn(files[4]), missIn(files[3]), missIn(files[2]), missIn(files[1]), missIn(files[0]) }));
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
    const QString out = m_dir.PathOf("out.txt");
    ASSERT_EQ(m_form->WriteSelectionToFile(out), 0);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("3 text\nline")) << "the selected bytes as they stand in the file";

    const QString copy = m_dir.PathOf("copy.txt");
    EXPECT_EQ(m_form->SaveActiveFileAs(copy), 0);
    QFile c(copy);
    ASSERT_TRUE(c.open(QIODevice::ReadOnly));
    EXPECT_EQ(c.readAll(), text);
    EXPECT_EQ(QFileInfo(copy).lastModified(), QFileInfo(a).lastModified());
    EXPECT_NE(m_form->SaveActiveFileAs(m_dir.PathOf("no/such/dir/x.txt")), 0);
    EXPECT_FALSE(QFile::exists(m_dir.PathOf("no/such/dir/x.txt")));
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
    EXPECT_EQ(m_form->EncodingPanel()->text(), "Auto: UTF-16 LE");
    EXPECT_EQ(Viewer(0)->EffectiveEncoding(), TTextEncoding::Utf8);
    EXPECT_EQ(Viewer(1)->EffectiveEncoding(), TTextEncoding::Windows1252);
    EXPECT_TRUE(m_form->EncodingAction(TTextEncoding::Auto)->isChecked());

    // View > Encoding changes the active window only.
    m_form->ClientArea()->setActiveSubWindow(m_form->FrameOf(m_form->Children().at(1)));
    m_form->EncodingAction(TTextEncoding::Iso8859_1)->trigger();
    EXPECT_EQ(Viewer(1)->Encoding(), TTextEncoding::Iso8859_1);
    EXPECT_EQ(Viewer(0)->Encoding(), TTextEncoding::Auto);
    EXPECT_EQ(m_form->EncodingPanel()->text(), "ISO-8859-1");
    EXPECT_TRUE(m_form->EncodingAction(TTextEncoding::Iso8859_1)->isChecked());
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
        m_form->Action(hy::app::TCommand::SynchronizeScrolling)->trigger();
        HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
        EXPECT_TRUE(watcher.Seen.at(0).contains("You must open at least two files"));
        EXPECT_FALSE(m_form->Action(hy::app::TCommand::SynchronizeScrolling)->isChecked());
    }
    ASSERT_TRUE(m_form->OpenFileInViewer(b, ViewMode::Hex, false));
    m_form->Action(hy::app::TCommand::SynchronizeScrolling)->trigger();
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::SynchronizeScrolling)->isChecked());
    EXPECT_FALSE(Viewer(1)->InHexMode()) << "switching it on shows every window in Standard view";
    TChildForm* active = m_form->ActiveChild();
    TChildForm* other = m_form->Children().at(0) == active ? m_form->Children().at(1) : m_form->Children().at(0);
    active->FileViewer()->ScrollToLine(120);
    active->FileViewer()->MoveCaretTo(130, 0, false);
    HY_ASSERT_EQ_SOON(other->FileViewer()->FirstVisibleLine(), active->FileViewer()->FirstVisibleLine());
    // Closing one of two windows switches it off.
    m_form->FrameOf(other)->close();
    HY_ASSERT_EQ_SOON(m_form->Children().size(), 1);
    EXPECT_FALSE(m_form->Action(hy::app::TCommand::SynchronizeScrolling)->isChecked());
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
    m_form->Action(hy::app::TCommand::Hex)->trigger();
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
    const QString png = m_dir.PathOf("small.png");
    ASSERT_TRUE(image.save(png));
    ASSERT_TRUE(m_form->OpenFileInViewer(png, ViewMode::BySettings, false));
    TChildForm* child = m_form->Children().last();
    EXPECT_EQ(child->Kind(), PageKind::Image);
    EXPECT_EQ(child->TabSet()->count(), 3);
    EXPECT_EQ(child->TabSet()->tabText(2), "Image");
    EXPECT_EQ(child->ActivePage(), hy::settings::PageKind::Image);
    EXPECT_GE(child->width(), 100);
    EXPECT_GE(child->height(), 100);
    HY_EXPECT_SOON(m_form->InfoPanel()->text().startsWith(" File size: 50 x 20"));
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::Native)->isVisible());
    EXPECT_EQ(m_form->Action(hy::app::TCommand::Native)->text(), "&Image");

    // With mode Hex, the picture's window shows the Text page in Hex with the Image tab still there.
    const QString png2 = m_dir.PathOf("second.png");
    ASSERT_TRUE(image.save(png2));
    ASSERT_TRUE(m_form->OpenFileInViewer(png2, ViewMode::Hex, false));
    EXPECT_EQ(m_form->Children().last()->ActivePage(), hy::settings::PageKind::Text);
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
    int error = 0;
    const QString temp = hy::platform::TempCopies().NewCopy(m_dir.Path(), QStringLiteral("member.txt"), error);
    ASSERT_FALSE(m_dir.Write(temp, "extracted\n").isEmpty());
    ASSERT_TRUE(m_form->OpenFileInViewer(temp, ViewMode::BySettings, true));
    m_form->Action(hy::app::TCommand::Close)->trigger();
    HY_ASSERT_SOON(m_form->Children().isEmpty());
    HY_EXPECT_SOON(!QFileInfo::exists(QFileInfo(temp).path())) << "the copy and its folder";
    EXPECT_FALSE(m_form->Action(hy::app::TCommand::Close)->isEnabled());
    EXPECT_TRUE(m_form->InfoPanel()->text().isEmpty());

    // A window that should delete a file the program did not make as a temporary copy deletes nothing.
    const QString users = Make("users.txt", "the user's own\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(users, ViewMode::BySettings, true));
    const QPointer<TChildForm> window = m_form->Children().last();
    m_form->Action(hy::app::TCommand::Close)->trigger();
    HY_ASSERT_SOON(window.isNull()) << "the window is gone";
    EXPECT_TRUE(QFile::exists(users));
}

TEST_F(MainCommands, ANameThatIsNotUtf8OpensFromTheCommandLineAHandOverAndTheFileList)
{
    // Linux names are bytes: these are no UTF-8, and each way in must reach the file with all of them.
    const QByteArray folder = hy::platform::EncodeFileName(m_dir.Path());
    const QByteArray names[] = { "cmd-\xff\xfe.txt", "handed-\xe9t\xe9.txt", "listed-\xc0\xaf.txt" };
    for (const QByteArray& name : names)
        ASSERT_FALSE(m_dir.Write(hy::platform::DecodeFileName(name), "line of " + name + "\n").isEmpty());
    const auto expectShown = [&](TMainForm& form, const QByteArray& name) {
        ASSERT_EQ(form.Children().size(), 1) << name.constData();
        hy::viewer::THvFileViewer* v = form.Children().at(0)->FileViewer();
        int len = 0;
        const char* text = v->LineText(0, len);
        EXPECT_EQ(QByteArray(text, len), "line of " + name);
        EXPECT_EQ(hy::platform::EncodeFileName(form.Children().at(0)->FileName()), folder + "/" + name);
        // Shown with replacement marks for the bytes that are not UTF-8.
        const QString title = form.Children().at(0)->windowTitle();
        EXPECT_EQ(title, hy::platform::DisplayFileName(form.Children().at(0)->FileName()));
        EXPECT_TRUE(title.contains(QChar::ReplacementCharacter)) << title.toStdString();
    };

    // The command line: the bytes of argv, relative to the current folder.
    QDir::setCurrent(m_dir.Path());
    const char* argv[] = { "hyview", names[0].constData() };
    QStringList arguments = hy::platform::ArgumentsOf(2, argv);
    arguments.removeFirst();
    {
        TMainForm form;
        form.SetCommandLine(arguments);
        form.show();
        expectShown(form, names[0]);
        form.close();
    }

    // A hand-over: a second start sends its names to the running instance, which opens them.
    {
        const QString key = "hy-test-" + QString::number(QCoreApplication::applicationPid()) + "-names";
        hy::platform::TSingleInstance running(key);
        ASSERT_FALSE(running.HandOverOrListen({}));
        TMainForm form;
        QObject::connect(&running, &hy::platform::TSingleInstance::Activated, &form,
            [&form](const QStringList& handed) { form.OpenDroppedFiles(handed); });
        form.show();
        const char* secondArgv[] = { "hyview", names[1].constData() };
        QStringList secondArguments = hy::platform::ArgumentsOf(2, secondArgv);
        secondArguments.removeFirst();
        hy::platform::TSingleInstance second(key);
        ASSERT_TRUE(second.HandOver(hy::platform::HandOverNames(secondArguments, hy::platform::CurrentFolder())));
        HY_ASSERT_EQ_SOON(form.Children().size(), 1);
        expectShown(form, names[1]);
        form.close();
    }

    // The file list: its entries carry the names as read from the folder.
    hy::filelist::TFileListEngine list;
    list.SetListDetails({ hy::filelist::ldFiles });
    list.ReadDirectory(m_dir.Path());
    ASSERT_EQ(list.LastError(), 0);
    QString listed;
    for (int i = 0; i < list.Count(); ++i) {
        if (hy::platform::EncodeFileName(list.EntryName(i)).startsWith("listed-"))
            listed = list.EntryPath(i);
    }
    ASSERT_FALSE(listed.isEmpty());
    ASSERT_TRUE(m_form->OpenFileInViewer(listed, ViewMode::BySettings, false));
    expectShown(*m_form, names[2]);
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
        EXPECT_EQ(child->ActivePage(), hy::settings::PageKind::Image) << c.file;
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
    QMenu* menu = m_form->Action(hy::app::TCommand::TileVertical)->associatedObjects().isEmpty()
        ? nullptr
        : qobject_cast<QMenu*>(m_form->Action(hy::app::TCommand::TileVertical)->associatedObjects().first());
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
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::TileVertical)->isEnabled());
}

TEST_F(MainCommands, TheCommandLineGoesOnPastAFileShownAlreadyAndStopsAtOneThatFails)
{
    const QString a = Make("a.txt", "a\n");
    const QString b = Make("b.txt", "b\n");
    const QString c = Make("c.txt", "c\n");
    QDir::setCurrent(m_dir.Path());
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

TEST_F(MainCommands, TextModeOptionsActOnTheNamesAfterThemInCommandLineOrder)
{
    for (const char* name : { "a.bin", "b.txt", "c.txt", "d.txt" })
        Make(name, "text\n");
    QDir::setCurrent(m_dir.Path());
    TMainForm form;
    form.SetCommandLine({ "-h", "a.bin", "-s", "b.txt", "/H", "c.txt", "d.txt", "-s" });
    form.show();
    ASSERT_EQ(form.Children().size(), 4);
    const bool hex[] = { true, false, true, true };
    for (int i = 0; i < 4; ++i) {
        TChildForm* child = form.Children().at(i);
        EXPECT_EQ(child->FileViewer()->InHexMode(), hex[i]) << child->FileName().toStdString();
        EXPECT_EQ(child->TabSet()->currentIndex(), hex[i] ? 1 : 0) << child->FileName().toStdString();
    }
    // The option after the last name is the mode of what opens next.
    EXPECT_FALSE(form.CurrentTextModeHex());
    form.close();
}

TEST_F(MainCommands, SavingOverTheSameFileUnderAnotherNameIsRefused)
{
    const QString a = Make("a.txt", "keep me\n");
    QFile::link(a, m_dir.PathOf("alias.txt"));
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    EXPECT_EQ(m_form->SaveActiveFileAs(m_dir.PathOf("alias.txt")), 10003);
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
    QAction* follow = m_form->Action(hy::app::TCommand::Follow);
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
    // Coming back to the program refreshes the windows: a followed one shows what was added, in place.
    {
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("four\n");
    }
    m_form->RefreshAllViewers();
    EXPECT_EQ(Viewer(0)->LineTotal(), 5);
    EXPECT_EQ(Viewer(0)->CaretLocation().Line, 4);
    EXPECT_TRUE(Viewer(0)->Follow());
    follow->trigger();
    EXPECT_FALSE(Viewer(0)->Follow());
}

TEST_F(MainCommands, TheStatusBarShowsFollowForTheActiveWindowAndKeepsItThroughAReopening)
{
    const QString a = Make("a.log", "one\n");
    const QString b = Make("b.log", "other\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    QLabel* panel = m_form->FollowPanel();
    EXPECT_FALSE(panel->isVisibleTo(m_form.get()));
    m_form->Action(hy::app::TCommand::Follow)->trigger();
    EXPECT_TRUE(panel->isVisibleTo(m_form.get()));
    EXPECT_EQ(panel->text(), "Follow");

    // Another window that does not follow: the panel goes with the active window.
    ASSERT_TRUE(m_form->OpenFileInViewer(b, ViewMode::BySettings, false));
    HY_EXPECT_SOON(!panel->isVisibleTo(m_form.get()));
    TChildForm* followed = nullptr;
    for (TChildForm* c : m_form->Children()) {
        if (c->FileViewer()->Follow())
            followed = c;
    }
    ASSERT_NE(followed, nullptr);
    m_form->ClientArea()->setActiveSubWindow(m_form->FrameOf(followed));
    HY_EXPECT_SOON(panel->isVisibleTo(m_form.get()));

    // The log is rotated: the note comes, the panel stays, and what is written next is followed.
    ASSERT_TRUE(QFile::rename(a, a + ".1"));
    {
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("fresh\n");
    }
    HY_EXPECT_SOON(m_form->InfoPanel()->text().startsWith("The file was truncated or replaced"));
    EXPECT_TRUE(panel->isVisibleTo(m_form.get()));
    {
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("after the note\n");
    }
    hy::viewer::THvFileViewer* v = followed->FileViewer();
    HY_EXPECT_SOON(v->LineTotal() == 3);
    EXPECT_EQ(v->CaretLocation().Line, 2);
    EXPECT_EQ(v->TextOfRange(1, 0, 100), "after the note");
    EXPECT_TRUE(panel->isVisibleTo(m_form.get()));

    m_form->Action(hy::app::TCommand::Follow)->trigger();
    EXPECT_FALSE(panel->isVisibleTo(m_form.get()));
}

TEST_F(MainCommands, TheFollowKeyActsOnTheViewerAndNeverOnATextField)
{
    ASSERT_TRUE(m_form->OpenFileInViewer(Make("keys.log", "one\n"), ViewMode::BySettings, false));
    QApplication::setActiveWindow(m_form.get());
    hy::viewer::THvFileViewer* v = Viewer(0);
    v->setFocus();
    HY_ASSERT_SOON(v->hasFocus());
    QTest::keyClick(v, Qt::Key_F);
    EXPECT_TRUE(v->Follow()) << "F on the viewer follows";

    // A line edit in the main window, and the Find dialog's text: F is a letter typed there.
    auto* edit = new QLineEdit(m_form->statusBar());
    m_form->statusBar()->addWidget(edit);
    edit->show();
    edit->setFocus();
    HY_ASSERT_SOON(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_F, Qt::NoModifier);
    EXPECT_EQ(edit->text(), "f");
    EXPECT_TRUE(v->Follow());

    TSearchDialog find(m_form->SearchState(), false, m_form.get());
    find.show();
    QApplication::setActiveWindow(&find);
    auto* text = find.findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    text->setFocus();
    HY_ASSERT_SOON(text->hasFocus());
    text->clear();
    QTest::keyClick(text, Qt::Key_F, Qt::NoModifier);
    EXPECT_EQ(text->text(), "f");
    EXPECT_TRUE(v->Follow());
}

TEST_F(MainCommands, FoldersDevicesAndPipesAreRefusedBeforeAnythingOpensThem)
{
    hy::common::SetErrorTitle("Halcyra Viewer");
    // Opening a pipe waits for a writer: a pipe with a media or picture name must never get that far.
    for (const char* name : { "fifo.wav", "fifo.png", "fifo.txt" })
        ASSERT_EQ(::mkfifo(QFile::encodeName(m_dir.PathOf(name)).constData(), 0600), 0);
    QDir(m_dir.Path()).mkdir("folder.jpg");
    struct Case {
        QString path;
        QString what;
    } cases[] = {
        { m_dir.PathOf("fifo.wav"), "is a device or pipe, not a regular file." },
        { m_dir.PathOf("fifo.png"), "is a device or pipe, not a regular file." },
        { m_dir.PathOf("fifo.txt"), "is a device or pipe, not a regular file." },
        { "/dev/null", "is a device or pipe, not a regular file." },
        { m_dir.PathOf("folder.jpg"), "is a folder, not a file." },
        { m_dir.Path(), "is a folder, not a file." },
    };
    ModalWatcher watcher;
    for (const Case& c : cases) {
        EXPECT_FALSE(m_form->OpenFileInViewer(c.path, ViewMode::BySettings, false));
        HY_ASSERT_SOON(!watcher.Seen.isEmpty());
        EXPECT_EQ(QString(watcher.Seen.takeFirst()).remove(QChar(0x200B)), "Halcyra Viewer|" + c.path + "\n" + c.what);
    }
    EXPECT_TRUE(m_form->Children().isEmpty());
}

TEST_F(MainCommands, AHandOverDuringALongReadWaitsUntilTheReadEnds)
{
    QByteArray big;
    while (big.size() < (8 << 20))
        big += "0123456789012345678901234567890123456789012345678901234567890123456789\n";
    const QString large = Make("large.txt", big);
    const QString next = Make("next.txt", "next\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(large, ViewMode::Standard, false));
    hy::viewer::THvFileViewer* v = Viewer(0);

    // A second start's names arrive while the scan pumps events; one names a file that is not there.
    bool modalDuringRead = false;
    int windowsDuringRead = -1;
    ModalWatcher watcher([&](QDialog* d) {
        modalDuringRead = modalDuringRead || v->LongWorkRunning();
        d->reject();
    });
    QObject::connect(v, &hy::viewer::THvFileViewer::OnLongWork, m_form.get(), [&](bool running) {
        if (!running)
            return;
        QTimer::singleShot(0, m_form.get(), [&]() {
            m_form->OpenDroppedFiles({ m_dir.PathOf("missing.txt"), next });
            windowsDuringRead = int(m_form->Children().size());
        });
    });
    hy::viewer::THvCustomFileViewer::SetLongWorkDelay(0);
    v->ClampLine(hy::viewer::kUndeterminedTotal);
    hy::viewer::THvCustomFileViewer::SetLongWorkDelay(400);
    ASSERT_NE(windowsDuringRead, -1) << "the names did not arrive during the read";
    EXPECT_EQ(windowsDuringRead, 1) << "nothing opens from inside the read";
    // Once the read has ended the names are taken: the missing file is reported, and ends the drop.
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.at(0).contains("File not found!"));
    EXPECT_FALSE(modalDuringRead);
    EXPECT_EQ(m_form->Children().size(), 1);
    m_form->OpenDroppedFiles({ next });
    EXPECT_EQ(m_form->Children().size(), 2);
}

TEST_F(MainCommands, ALongReadShowsItsMessageInTheInfoPanelLeavingTheOtherPanelsAlone)
{
    QByteArray big;
    while (big.size() < (8 << 20))
        big += "0123456789012345678901234567890123456789012345678901234567890123456789\n";
    ASSERT_TRUE(m_form->OpenFileInViewer(Make("large.txt", big), ViewMode::Standard, false));
    hy::viewer::THvFileViewer* v = Viewer(0);
    m_form->UpdateStatus();
    const QString encoding = m_form->EncodingPanel()->text();
    const QString info = m_form->InfoPanel()->text();
    ASSERT_FALSE(encoding.isEmpty());

    QString infoDuringRead, encodingDuringRead, messageDuringRead;
    bool encodingShownDuringRead = false;
    QObject::connect(v, &hy::viewer::THvFileViewer::OnLongWork, m_form.get(), [&](bool running) {
        if (!running)
            return;
        QTimer::singleShot(0, m_form.get(), [&]() {
            // Whatever refreshes the status bar meanwhile must not take the message away.
            m_form->UpdateStatus();
            infoDuringRead = m_form->InfoPanel()->text();
            encodingDuringRead = m_form->EncodingPanel()->text();
            encodingShownDuringRead = m_form->EncodingPanel()->isVisible();
            messageDuringRead = m_form->statusBar()->currentMessage();
        });
    });
    hy::viewer::THvCustomFileViewer::SetLongWorkDelay(0);
    v->ClampLine(hy::viewer::kUndeterminedTotal);
    hy::viewer::THvCustomFileViewer::SetLongWorkDelay(400);
    ASSERT_FALSE(infoDuringRead.isEmpty()) << "the read ended before its message was looked at";
    EXPECT_EQ(infoDuringRead, "Reading the file... Press Esc to stop.");
    EXPECT_EQ(encodingDuringRead, encoding);
    EXPECT_TRUE(encodingShownDuringRead);
    EXPECT_TRUE(messageDuringRead.isEmpty()) << "a status bar message covers the panels";
    EXPECT_FALSE(v->LongWorkRunning());
    EXPECT_NE(m_form->InfoPanel()->text(), "Reading the file... Press Esc to stop.");
    EXPECT_FALSE(m_form->InfoPanel()->text().isEmpty());
    m_form->UpdateStatus();
    EXPECT_NE(m_form->InfoPanel()->text(), info) << "the count that ended the read shows";
    EXPECT_EQ(m_form->EncodingPanel()->text(), encoding);
}

TEST_F(MainCommands, ManyFilesOpenWithProgressAndStopOnEscKeepingWhatOpened)
{
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names << Make(QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')), "text\n");
    TStoppableWork::SetPumpInterval(0);
    QStringList messages;
    Qt::CursorShape cursorMidway = Qt::ArrowCursor;
    auto seen = QObject::connect(m_form->statusBar(), &QStatusBar::messageChanged, [&](const QString& m) {
        if (m.startsWith("Opening"))
            messages << m;
        if (m.startsWith("Opening 50 of 300") && QApplication::overrideCursor())
            cursorMidway = QApplication::overrideCursor()->shape();
        // Esc once a hundred windows are open.
        if (m.startsWith("Opening 101 of 300"))
            QTest::keyClick(m_form.get(), Qt::Key_Escape);
    });
    m_form->OpenDroppedFiles(names);
    QObject::disconnect(seen);
    TStoppableWork::SetPumpInterval(100);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.first(), "Opening 1 of 300... Press Esc to stop.");
    EXPECT_EQ(cursorMidway, Qt::WaitCursor) << "a long batch shows the wait cursor";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "and puts it back at its end";
    EXPECT_EQ(m_form->Children().size(), 100) << "what opened before Esc stays open";
    EXPECT_EQ(m_form->Children().last()->FileName(), names.at(99));
    for (TChildForm* child : m_form->Children())
        EXPECT_TRUE(m_form->FrameOf(child)->isVisible());
    EXPECT_EQ(m_form->ActiveChild(), m_form->Children().last());
    EXPECT_TRUE(m_form->statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::Close)->isEnabled());
}

TEST_F(MainCommands, OpeningManyFilesCostsAboutAsMuchPerFileAsOpeningAFew)
{
    // Processor time of this process, so that other work on the machine does not count.
    const auto cpuMs = []() {
        timespec ts {};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    };
    const auto openBatch = [&](int count) {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << Make(QStringLiteral("n%1-%2.txt").arg(count).arg(i), "x\n");
        TMainForm form;
        form.resize(900, 700);
        form.show();
        const qint64 start = cpuMs();
        form.OpenFiles(names, true);
        const qint64 spent = cpuMs() - start;
        EXPECT_EQ(form.Children().size(), count);
        form.Action(hy::app::TCommand::CloseAll)->trigger();
        form.close();
        return std::max<qint64>(spent, 1);
    };
    openBatch(20);
    const qint64 few = openBatch(100);
    const qint64 many = openBatch(800);
    // Eight times the files: about eight times the work, far from the sixty-four times of a square.
    EXPECT_LT(many, few * 20) << few << " ms for 100 files, " << many << " ms for 800";
}

TEST_F(MainCommands, FindFindsWindows1252CharactersAsTheyAreShown)
{
    // "€uro “quoted” – dash" in Windows-1252.
    const QString a = Make("cp1252.txt", "plain line\n\x80uro \x93quoted\x94 \x96 dash\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    hy::viewer::THvFileViewer* v = Viewer(0);
    for (const char* text : { "€uro", "“quoted”", "–", "” – d" }) {
        v->MoveCaretTo(0, 0, false);
        m_form->SearchState().Text = QString::fromUtf8(text);
        m_form->SearchState().OriginTop = true;
        m_form->RunFind();
        hy::viewer::LineNumber sl = 0, el = 0;
        qint64 si = 0, ei = 0;
        ASSERT_TRUE(v->SelectionBounds(sl, si, ei, el)) << text;
        EXPECT_EQ(sl, 1) << text;
        EXPECT_EQ(ei - si, QString::fromUtf8(text).size()) << text;
    }
}

TEST_F(MainCommands, TheCharacterAndEncodingPanelsGiveWayToMessagesAndToAMinimisedWindow)
{
    const QString a = Make("a.txt", "abc\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::Standard, false));
    HY_ASSERT_SOON(m_form->CharPanel()->isVisible());
    m_form->statusBar()->showMessage("Open a file");
    EXPECT_FALSE(m_form->CharPanel()->isVisible());
    m_form->UpdateStatus();
    EXPECT_FALSE(m_form->CharPanel()->isVisible()) << "a status update while a hint shows keeps the panel away";
    m_form->statusBar()->clearMessage();
    EXPECT_TRUE(m_form->CharPanel()->isVisible());

    // The encoding panel too: a status update under a message keeps it covered until the message ends.
    ASSERT_TRUE(m_form->EncodingPanel()->isVisible());
    m_form->statusBar()->showMessage("Compare shows the files tiled side by side");
    m_form->UpdateStatus();
    EXPECT_FALSE(m_form->EncodingPanel()->isVisible());
    m_form->statusBar()->clearMessage();
    EXPECT_TRUE(m_form->EncodingPanel()->isVisible());

    m_form->FrameOf(m_form->Children().first())->showMinimized();
    m_form->UpdateStatus();
    EXPECT_FALSE(m_form->CharPanel()->isVisible());
}

TEST_F(MainCommands, ArrangedWindowsKeepTheirTabsInViewAndCascadeUsefully)
{
    // Pictures, so that each window has its third tab.
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    for (int i = 0; i < 5; ++i) {
        const QString png = m_dir.PathOf(QStringLiteral("w%1.png").arg(i));
        ASSERT_TRUE(picture.save(png));
        ASSERT_TRUE(m_form->OpenFileInViewer(png, ViewMode::Hex, false));
    }
    // The arrangements show free windows: the client area loses the tabs' bar, and grows.
    QRect area;
    const auto tabsShown = [&](TChildForm* child) {
        const QRect tabs(
            child->TabSet()->mapTo(m_form->ClientArea()->viewport(), QPoint(0, 0)), child->TabSet()->size());
        const QRect frame = m_form->FrameOf(child)->geometry();
        return frame.contains(tabs) && area.contains(tabs);
    };
    for (const char* command : { "TileVertical1", "TileHorizontal1", "Cascade1" }) {
        m_form->findChild<QAction*>(command)->trigger();
        QCoreApplication::processEvents();
        EXPECT_FALSE(m_form->TabbedWindows()) << command;
        area = m_form->ClientArea()->viewport()->rect();
        for (TChildForm* child : m_form->Children())
            EXPECT_TRUE(tabsShown(child)) << command << " " << child->FileName().toStdString();
    }
    // Cascaded windows are each a good share of the area, each caption below the one before.
    QList<QMdiSubWindow*> frames;
    for (TChildForm* child : m_form->Children())
        frames << m_form->FrameOf(child);
    for (int i = 0; i < frames.size(); ++i) {
        EXPECT_GE(frames.at(i)->width(), area.width() / 2);
        EXPECT_GE(frames.at(i)->height(), area.height() / 2);
        if (i > 0) {
            EXPECT_GT(frames.at(i)->y(), frames.at(i - 1)->y());
        }
    }
}

TEST_F(MainCommands, SaveAsStopsOnEscWithoutAPartialCopyAndToFileReportsFailures)
{
    hy::common::SetErrorTitle("Halcyra Viewer");
    const QString a = Make("big.txt", QByteArray(8 << 20, 'b') + "\n");
    // In Standard whatever an earlier test left in the settings: the selection below is made in text lines.
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::Standard, false));
    TStoppableWork::SetPumpInterval(0);
    QStringList messages;
    auto seen = QObject::connect(m_form->statusBar(), &QStatusBar::messageChanged, [&](const QString& m) {
        if (m.startsWith("Saving")) {
            messages << m;
            QTest::keyClick(m_form.get(), Qt::Key_Escape);
        }
    });
    const QString target = m_dir.PathOf("copy.txt");
    EXPECT_EQ(m_form->SaveActiveFileAs(target), hy::base::kErrorSearchStopped);
    QObject::disconnect(seen);
    TStoppableWork::SetPumpInterval(100);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.first().startsWith("Saving copy.txt: ")) << messages.first().toStdString();
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(QDir(m_dir.Path()).entryList(QDir::Files), QStringList({ "big.txt" })) << "no partial file is left";

    // To File into a folder that cannot exist: the error, and no file.
    Viewer(0)->SelectRange(0, 0, true, 10, 0);
    EXPECT_EQ(m_form->WriteSelectionToFile(m_dir.PathOf("big.txt/out.txt")), hy::base::kErrorPathNotFound);
    EXPECT_EQ(m_form->WriteSelectionToFile("/dev/null"), hy::base::kErrorAccessDenied);
    EXPECT_EQ(QDir(m_dir.Path()).entryList(QDir::Files), QStringList({ "big.txt" }));
}

TEST_F(MainCommands, RunIsOfferedForProgramsOnlyAndCFilesGoToTheirApplication)
{
    struct Case {
        QString file;
        bool run;
    } cases[] = {
        { Make("main.c", "int main;\n"), false },
        { Make("tool.sh", "#!/bin/sh\n"), true },
        { Make("SETUP.EXE", "MZ"), true },
    };
    ::chmod(QFile::encodeName(cases[1].file).constData(), 0755);
    for (const Case& c : cases) {
        ASSERT_TRUE(m_form->OpenFileInViewer(c.file, ViewMode::BySettings, false));
        EXPECT_EQ(m_form->Action(hy::app::TCommand::Run)->isVisible(), c.run) << c.file.toStdString();
        EXPECT_EQ(m_form->Action(hy::app::TCommand::UseAssociatedApplication)->isEnabled(), !c.run)
            << c.file.toStdString();
    }
}

// The windows of the main window: a new viewer window opens wholly inside the client area, title bar and
// buttons in reach; the keys that close a window elsewhere close the active viewer window; the search results
// window comes back from the Window menu; hints of menus and buttons show over the info panel only and go
// when the pointer leaves or the menu closes.
TEST_F(MainCommands, NewViewerWindowsOpenInsideTheClientArea)
{
    m_form->SetTabbedWindows(false); // free windows, which the area places
    m_form->resize(1024, 720);
    QList<QString> names;
    for (int i = 0; i < 5; ++i)
        names << Make(QStringLiteral("w%1.txt").arg(i), "some text\n");
    // One by one, as the Open command and a hand-over open them: each where the area puts it, then kept inside.
    for (const QString& name : names) {
        ASSERT_TRUE(m_form->OpenFileInViewer(name, ViewMode::BySettings, false));
        const QRect area = m_form->ClientArea()->viewport()->rect();
        for (TChildForm* c : m_form->Children())
            EXPECT_TRUE(area.contains(m_form->FrameOf(c)->geometry())) << c->FileName().toStdString();
    }
}

TEST_F(MainCommands, TheKeysThatCloseAWindowCloseTheActiveViewerWindow)
{
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(
            m_form->OpenFileInViewer(Make(QStringLiteral("k%1.txt").arg(i), "x\n"), ViewMode::BySettings, false));
    // The same keys on every desktop, whatever its own key bindings say.
    EXPECT_EQ(m_form->Action(hy::app::TCommand::Close)->shortcuts(),
        QList<QKeySequence>({ QKeySequence("Ctrl+E"), QKeySequence("Ctrl+W"), QKeySequence("Ctrl+F4") }));
    QApplication::setActiveWindow(m_form.get());
    for (const QKeyCombination key : { Qt::CTRL | Qt::Key_W, Qt::CTRL | Qt::Key_F4, Qt::CTRL | Qt::Key_E }) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        const int before = int(m_form->Children().size());
        TChildForm* active = m_form->ActiveChild();
        ASSERT_NE(active, nullptr);
        const QPointer<TChildForm> watched(active);
        active->FileViewer()->setFocus();
        HY_ASSERT_SOON(active->FileViewer()->hasFocus());
        QTest::keyClick(active->FileViewer(), key.key(), key.keyboardModifiers());
        HY_EXPECT_SOON(watched.isNull());
        EXPECT_EQ(int(m_form->Children().size()), before - 1);
    }
}

TEST_F(MainCommands, TheSearchResultsWindowComesBackFromTheWindowMenu)
{
    const QString file = Make("r.txt", "x\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(file, ViewMode::BySettings, false));
    QMenu* window = nullptr;
    for (QMenu* m : m_form->menuBar()->findChildren<QMenu*>()) {
        if (m->title() == "&Window")
            window = m;
    }
    ASSERT_NE(window, nullptr);
    const auto itemNamed = [window](const char* name) {
        for (QAction* a : window->actions()) {
            if (a->objectName() == QLatin1String(name))
                return a;
        }
        return static_cast<QAction*>(nullptr);
    };
    Q_EMIT window->aboutToShow();
    EXPECT_EQ(itemNamed("SearchResults1"), nullptr) << "no results window, no item";

    // The browser of a File Search made from this window.
    m_form->Action(hy::app::TCommand::FileSearch)->trigger();
    hy::search::TFileSearchDialog* search = m_form->FileSearch();
    ASSERT_NE(search, nullptr);
    search->Location->setText(QFileInfo(file).path());
    search->FileName->setText(QStringLiteral("r.txt"));
    search->SearchButtonClick();
    search->hide();
    hy::search::TSearchResultsDialog* results = m_form->SearchResults();
    ASSERT_NE(results, nullptr);
    ASSERT_TRUE(results->isVisible());
    QApplication::setActiveWindow(m_form.get());
    HY_ASSERT_SOON(QApplication::activeWindow() == m_form.get());
    Q_EMIT window->aboutToShow();
    QAction* item = itemNamed("SearchResults1");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Search &Results");
    item->trigger();
    HY_EXPECT_SOON(QApplication::activeWindow() == results);
    results->close();
    EXPECT_EQ(m_form->SearchResults(), nullptr) << "a closed browser is gone from the menu";
}

TEST_F(MainCommands, HintsShowOverTheInfoPanelOnlyAndGoWhenThePointerLeaves)
{
    ASSERT_TRUE(m_form->OpenFileInViewer(Make("h.txt", "one\ntwo\n"), ViewMode::BySettings, false));
    QLabel* position = m_form->CursorPosPanel();
    QLabel* encoding = m_form->EncodingPanel();
    ASSERT_TRUE(position->isVisible());
    ASSERT_TRUE(encoding->isVisible());
    const QString info = m_form->InfoPanel()->text();

    // A hint, as a menu item or a button tells it when the pointer is on it.
    const auto tell = [this](const QString& tip) {
        QStatusTipEvent e(tip);
        QApplication::sendEvent(m_form.get(), &e);
    };
    tell("Open a file");
    QLabel* hint = m_form->HintPanel();
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), "Open a file");
    EXPECT_TRUE(m_form->InfoPanel()->geometry().contains(hint->geometry().translated(m_form->InfoPanel()->pos())));
    EXPECT_TRUE(position->isVisible()) << "the position panel stays";
    EXPECT_TRUE(encoding->isVisible()) << "the encoding panel stays";
    EXPECT_TRUE(m_form->statusBar()->currentMessage().isEmpty());
    tell(QString());
    EXPECT_FALSE(hint->isVisible());
    EXPECT_EQ(m_form->InfoPanel()->text(), info) << "the info panel's own text is back";

    // Whatever told it last, a hint goes when the pointer leaves the buttons or a menu closes.
    tell("Print a file");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(m_form->BigButtonBar(), &leave);
    EXPECT_FALSE(hint->isVisible());
    QMenu* file = m_form->menuBar()->findChildren<QMenu*>().first();
    file->popup(QPoint(0, 0));
    HY_ASSERT_SOON(file->isVisible());
    tell("Exit the Halcyra Viewer");
    file->hide();
    EXPECT_FALSE(hint->isVisible());
}

TEST_F(MainCommands, EscStillStopsALongReadAfterAHandOverArrivedDuringIt)
{
    hy::common::SetErrorTitle("Halcyra Viewer");
    // One line of a terabyte without a line end, sparse: nothing is written, and reading all of it would
    // take far longer than the test.
    const QString huge = Make("huge.txt", QByteArray());
    if (::truncate(QFile::encodeName(huge).constData(), qint64(1) << 40) != 0)
        GTEST_SKIP() << "the temporary folder takes no sparse file of a terabyte";
    ASSERT_TRUE(m_form->OpenFileInViewer(huge, ViewMode::Standard, false));
    hy::viewer::THvFileViewer* v = Viewer(0);
    QApplication::setActiveWindow(m_form.get());
    HY_ASSERT_SOON(m_form->isActiveWindow());

    // The running instance, as the program sets it up.
    const QString key = "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    hy::platform::TSingleInstance instance(key);
    ASSERT_FALSE(instance.HandOverOrListen({}));
    ASSERT_TRUE(instance.IsListening());
    QObject::connect(&instance, &hy::platform::TSingleInstance::Activated, m_form.get(),
        [this](const QStringList& names) { m_form->OpenDroppedFiles(names); });
    const QString missing = m_dir.PathOf("missing.txt");

    // While the read runs: a second start from another window hands over a missing file, the keyboard comes
    // back, and Esc is typed as a person types it (through the window system, not to a widget).
    QWidget elsewhere;
    std::atomic<bool> handedOver = false;
    int stage = 0;
    int turnsAfterEsc = 0;
    bool stoppedByHand = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&]() {
        if (!v->LongWorkRunning())
            return;
        switch (stage) {
        case 0: {
            elsewhere.show();
            elsewhere.activateWindow();
            QThread* second = QThread::create([&handedOver, key, missing]() {
                handedOver = hy::platform::TSingleInstance(key).HandOver({ missing });
            });
            QObject::connect(second, &QThread::finished, second, &QObject::deleteLater);
            second->start();
            ++stage;
            break;
        }
        case 1:
            if (handedOver && elsewhere.isActiveWindow()) {
                m_form->activateWindow();
                ++stage;
            }
            break;
        case 2:
            if (m_form->isActiveWindow()) {
                QTest::keyClick(m_form->windowHandle(), Qt::Key_Escape);
                ++stage;
            }
            break;
        default:
            // Esc did not stop it: the test ends the read another way rather than wait for the terabyte.
            if (++turnsAfterEsc > 50 && !stoppedByHand) {
                stoppedByHand = true;
                QTest::keyClick(v, Qt::Key_Escape);
            }
            break;
        }
    });
    driver.start(20);
    ModalWatcher watcher;
    hy::viewer::THvCustomFileViewer::SetLongWorkDelay(0);
    v->ClampLine(hy::viewer::kUndeterminedTotal);
    hy::viewer::THvCustomFileViewer::SetLongWorkDelay(400);
    driver.stop();
    EXPECT_EQ(stage, 3) << "the read ended before the hand-over and Esc";
    EXPECT_FALSE(stoppedByHand) << "Esc typed after the hand-over did not stop the read";
    EXPECT_EQ(v->LineTotal(), hy::viewer::kUndeterminedTotal);
    // The names handed over are taken once the read has stopped.
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.at(0).contains("File not found!")) << watcher.Seen.at(0).toStdString();
    EXPECT_EQ(m_form->Children().size(), 1);
}

TEST_F(MainCommands, CtrlFOpensTheFindBarAndF3FollowsIt)
{
    const QString a = Make("bar.log", "one ERROR\ntwo\nthree ERROR\nfour error\n");
    ModalWatcher watcher;
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    TChildForm* child = m_form->ActiveChild();
    ASSERT_NE(child, nullptr);
    hy::viewer::THvFindBar* bar = child->FindBar();
    EXPECT_EQ(m_form->Action(TCommand::FindBar)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    m_form->Action(TCommand::FindBar)->trigger();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->Field()->hasFocus());
    bar->SetQuery({ QStringLiteral("error"), true });
    HY_ASSERT_SOON(Viewer(0)->HasSelection());
    EXPECT_EQ(Viewer(0)->SelectionStart(), (hy::viewer::TTextPosition { 3, 5 }));
    // F3 and Shift+F3 from the menu go to the bar's next and previous match, with no pop-up.
    ASSERT_TRUE(m_form->Action(TCommand::FindNext)->isEnabled());
    m_form->Action(TCommand::FindNext)->trigger();
    EXPECT_EQ(Viewer(0)->SelectionStart(), (hy::viewer::TTextPosition { 3, 5 }));
    EXPECT_EQ(bar->NoteText(), QStringLiteral("Reached the end; went on from the start"));
    m_form->Action(TCommand::FindPrevious)->trigger();
    EXPECT_EQ(Viewer(0)->SelectionStart(), (hy::viewer::TTextPosition { 3, 5 }));
    EXPECT_TRUE(watcher.Seen.isEmpty());
    // With the setting, Ctrl+F belongs to the Find dialog again.
    m_form->Settings().CtrlFOpensFindDialog = true;
    m_form->ApplyFindKeys();
    EXPECT_EQ(m_form->Action(TCommand::Find)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_TRUE(m_form->Action(TCommand::FindBar)->shortcut().isEmpty());
}

TEST_F(MainCommands, RecentFilesReopenAtTheirPlaceAndNameWhatIsGone)
{
    ModalWatcher watcher;
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    const QString a = Make("recent-a.log", text);
    const QString b = Make("recent-b.log", "bee\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    ASSERT_TRUE(m_form->OpenFileInViewer(b, ViewMode::BySettings, false));
    Viewer(0)->PlaceCaretOnLine(150);
    m_form->FrameOf(m_form->Children().at(0))->close();
    HY_ASSERT_EQ_SOON(m_form->Children().size(), 1);
    QMenu* file = m_form->Action(TCommand::Exit)->associatedObjects().isEmpty()
        ? nullptr
        : qobject_cast<QMenu*>(m_form->Action(TCommand::Exit)->associatedObjects().front());
    ASSERT_NE(file, nullptr);
    Q_EMIT file->aboutToShow();
    auto* first = m_form->findChild<QAction*>(QStringLiteral("Recent1"));
    auto* second = m_form->findChild<QAction*>(QStringLiteral("Recent2"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->text(), "&1 " + b);
    EXPECT_EQ(second->text(), "&2 " + a);
    // Chosen again, the file opens at the line it was left at.
    second->trigger();
    ASSERT_EQ(m_form->Children().size(), 2);
    EXPECT_EQ(m_form->ActiveChild()->FileViewer()->CaretCharLocation().Line, 150);
    // A renamed file and a deleted one are named as gone, and say so when chosen.
    m_form->FrameOf(m_form->ActiveChild())->close();
    HY_ASSERT_EQ_SOON(m_form->Children().size(), 1);
    ASSERT_TRUE(QFile::rename(a, a + ".old"));
    m_form->FrameOf(m_form->Children().at(0))->close();
    HY_ASSERT_EQ_SOON(m_form->Children().size(), 0);
    ASSERT_TRUE(QFile::remove(b));
    Q_EMIT file->aboutToShow();
    for (const char* name : { "Recent1", "Recent2" }) {
        QAction* item = m_form->findChild<QAction*>(QLatin1String(name));
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->text().endsWith("(no longer there)")) << item->text().toStdString();
        item->trigger();
    }
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 2);
    EXPECT_TRUE(watcher.Seen.at(0).endsWith("Does not exist!"));
    EXPECT_TRUE(m_form->Children().isEmpty());
    m_form->Action(TCommand::ClearRecent)->trigger();
    Q_EMIT file->aboutToShow();
    EXPECT_EQ(m_form->findChild<QAction*>(QStringLiteral("Recent1")), nullptr);
}

// The recent files reach the settings file a moment after a file opens (a batch writes them once, and the
// window's first frame does not wait for the disk), and at once when the program closes.
TEST_F(MainCommands, RecentFilesAreStoredSoonAfterOpeningAndAtClosing)
{
    const auto stored = []() {
        hy::settings::TRecentFiles recent;
        recent.Load(hy::platform::SettingsStore());
        QStringList names;
        for (const auto& f : recent.Files())
            names << f.Name;
        return names;
    };
    const QString a = Make("soon-a.log", "a\n");
    const QString b = Make("soon-b.log", "b\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(a, ViewMode::BySettings, false));
    HY_ASSERT_SOON(stored().value(0) == a);
    ASSERT_TRUE(m_form->OpenFileInViewer(b, ViewMode::BySettings, false));
    m_form->close();
    EXPECT_EQ(stored().mid(0, 2), QStringList({ b, a }));
}

TEST_F(MainCommands, CodePagesAreChosenByRegionShownAndRememberedWithTheRecentFiles)
{
    using hy::viewer::TTextEncoding;
    // "日本語のテキストを表示するソース表" in Shift_JIS, a few times over: Auto names what it chose.
    const QByteArray line
        = QByteArray::fromHex("93fa967b8cea82cc8365834c8358836782f0955c8ea682b782e9835c815b8358955c") + "\n";
    const QString name = Make("sjis.txt", line.repeated(30));
    ASSERT_TRUE(m_form->OpenFileInViewer(name, ViewMode::BySettings, false));
    EXPECT_EQ(m_form->EncodingPanel()->text(), "Auto: Shift_JIS");
    // The items the menu always had stay at its top; the others are in a submenu for each region.
    QAction* encoding = m_form->Action(TCommand::Encoding);
    ASSERT_NE(encoding->menu(), nullptr);
    const QList<QAction*> top = encoding->menu()->actions();
    ASSERT_GE(top.size(), 6);
    EXPECT_EQ(top[0]->text(), "Auto");
    EXPECT_EQ(top[5]->text(), "UTF-16 BE");
    QStringList regions;
    for (QAction* a : top) {
        if (a->menu())
            regions << a->text();
    }
    EXPECT_TRUE(regions.contains("Japanese") && regions.contains("Cyrillic") && regions.contains("Korean"))
        << regions.join(',').toStdString();
    auto* japanese = m_form->findChild<QAction*>(QStringLiteral("EncodingGroupJapanese"));
    ASSERT_NE(japanese, nullptr);
    QStringList items;
    for (QAction* a : japanese->menu()->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList { "Shift_JIS", "EUC-JP", "ISO-2022-JP" }));
    // A choice from a region's submenu applies, shows, checks its twin, and comes back with the file.
    auto* eucKr = m_form->findChild<QAction*>(EncodingActionName(TTextEncoding::EucKr));
    ASSERT_NE(eucKr, nullptr);
    eucKr->trigger();
    EXPECT_EQ(m_form->EncodingPanel()->text(), "EUC-KR");
    TChildForm* child = m_form->ActiveChild();
    Q_EMIT child->ChildPopupMenu()->aboutToShow();
    EXPECT_TRUE(
        child->ChildPopupMenu()->findChild<QAction*>(EncodingActionName(TTextEncoding::EucKr, true))->isChecked());
    m_form->FrameOf(child)->close();
    HY_ASSERT_EQ_SOON(m_form->Children().size(), 0);
    QMenu* file = qobject_cast<QMenu*>(m_form->Action(TCommand::Exit)->associatedObjects().front());
    ASSERT_NE(file, nullptr);
    Q_EMIT file->aboutToShow();
    auto* recent = m_form->findChild<QAction*>(QStringLiteral("Recent1"));
    ASSERT_NE(recent, nullptr);
    recent->trigger();
    ASSERT_EQ(m_form->Children().size(), 1);
    EXPECT_EQ(m_form->ActiveChild()->FileViewer()->Encoding(), TTextEncoding::EucKr);
    EXPECT_EQ(m_form->EncodingPanel()->text(), "EUC-KR");
}

TEST_F(MainCommands, HighlightRulesAreEditedInOrderAndReachTheViewers)
{
    settings::THighlightRules start;
    start.Rules = { { QStringLiteral("alpha"), false, false, settings::kNoColor, 0x00FF00, false } };
    THighlightRulesDialog dialog(start);
    dialog.AddRule();
    dialog.PatternField()->setText(QStringLiteral("beta\\d"));
    Q_EMIT dialog.PatternField()->textEdited(dialog.PatternField()->text());
    dialog.RegexBox()->setChecked(true);
    dialog.ScopeBox()->setCurrentIndex(1);
    dialog.SetRuleColor(true, 0xFF0000);
    dialog.MoveRule(-1);
    dialog.AddRule(); // left empty: not kept
    dialog.BuiltInBox()->setChecked(false);
    const settings::THighlightRules result = dialog.Result();
    EXPECT_FALSE(result.BuiltIn);
    ASSERT_EQ(result.Rules.size(), 2);
    EXPECT_EQ(result.Rules[0],
        (settings::THighlightRule { QStringLiteral("beta\\d"), true, false, 0xFF0000, 0xFFFF80, true }));
    EXPECT_EQ(result.Rules[1].Pattern, QStringLiteral("alpha"));
    dialog.List()->setCurrentRow(1);
    dialog.RemoveRule();
    EXPECT_EQ(dialog.Result().Rules.size(), 2); // the empty one went, then alpha

    // The rules, after the built-in set, colour the text of every window.
    ASSERT_TRUE(m_form->OpenFileInViewer(Make("rules.log", "INFO start\nbeta7 here\n"), ViewMode::BySettings, false));
    m_form->HighlightRules() = result;
    m_form->HighlightRules().BuiltIn = true;
    m_form->ApplyHighlightRules(m_form->ActiveChild());
    EXPECT_EQ(Viewer(0)->MarkRules().size(), size_t(settings::BuiltInHighlightRules().size() + 2));
    const std::vector<hy::viewer::THvMark> marks = Viewer(0)->MarksOf(1);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_TRUE(marks[0].WholeLine);
    EXPECT_EQ(marks[0].Text, QColor(255, 0, 0));
    EXPECT_FALSE(Viewer(0)->MarksOf(0).empty()); // INFO, by the built-in set
}
