// The main window: menus, bars, options of the command line, the settings written on close, where the window
// comes back, and help over modal dialogs.
#include "app/Brview1.h"

#include "app/Brview2.h"
#include "app/HelpWindow.h"
#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "platform/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "support/TempFiles.h"
#include "support/TestWait.h"
#include "ui/common/HelpHook.h"
#include "ui/launch/Brview6.h"
#include "ui/search/Fsearch.h"
#include "ui/search/PreviewHost.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <gtest/gtest.h>
using namespace hy::app;

using hy::app::TMainForm;

namespace {
void ClearStoredSettings()
{
    hy::platform::SettingsStore store;
    QFile::remove(store.FileName());
}
} // namespace

TEST(MainForm, MenusCarryTheirCaptionsShortcutsAndHints)
{
    ClearStoredSettings();
    TMainForm form;
    struct Item {
        const char* name;
        const char* caption;
        const char* shortcut;
    } items[] = {
        { "Open1", "&Open...", "Ctrl+O" },
        { "SaveAs1", "Save &As...", "Ctrl+A" },
        { "Close1", "&Close", "Ctrl+E" },
        { "CloseAll1", "Close A&ll", "" },
        { "Print1", "&Print...", "Ctrl+P" },
        { "Exit1", "E&xit", "Alt+X" },
        { "ToClipboard1", "To &Clipboard", "Ctrl+C" },
        { "ToClipboard2", "To Clipboard", "Ctrl+Ins" },
        { "Find1", "&Find...", "" },
        { "FindBar1", "Find &Bar", "Ctrl+F" },
        { "FindNext1", "Find &Next", "F3" },
        { "FindPrevious1", "Find &Previous", "Shift+F3" },
        { "GotoLine1", "&Go to Line...", "F4" },
        { "Standard1", "&Standard", "F6" },
        { "Hex1", "&Hex", "F7" },
        { "Native1", "Native", "F8" },
        { "Refresh1", "&Refresh", "F5" },
        { "RefreshAll1", "R&efresh All", "Ctrl+F5" },
        { "UsingTheViewer1", "&Using the Viewer", "F1" },
        { "About1", "&About...", "F2" },
    };
    for (const Item& it : items) {
        auto* a = form.findChild<QAction*>(QLatin1String(it.name));
        ASSERT_NE(a, nullptr) << it.name;
        EXPECT_EQ(a->text(), QString::fromLatin1(it.caption)) << it.name;
        EXPECT_EQ(a->shortcut().toString(), QString::fromLatin1(it.shortcut)) << it.name;
    }
    EXPECT_EQ(form.Action(hy::app::TCommand::Open)->statusTip(), "Open a file");
    QStringList menus;
    for (QAction* a : form.menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({ "&File", "&Edit", "&Search", "&View", "&Options", "&Window", "&Help" }));
    EXPECT_FALSE(form.Action(hy::app::TCommand::Run)->isVisible());
    EXPECT_FALSE(form.Action(hy::app::TCommand::Native)->isVisible());
    EXPECT_TRUE(form.Action(hy::app::TCommand::Standard)->isChecked());
}

TEST(MainForm, WithoutViewerWindowsOnlyOpenExitAndHelpAboutWork)
{
    ClearStoredSettings();
    TMainForm form;
    for (const char* name :
        { "SaveAs1", "Close1", "Print1", "Compare1", "Find1", "GotoLine1", "Information1", "ToClipboard1" })
        EXPECT_FALSE(form.findChild<QAction*>(name)->isEnabled()) << name;
    EXPECT_TRUE(form.Action(hy::app::TCommand::Open)->isEnabled());
    EXPECT_TRUE(form.Action(hy::app::TCommand::Exit)->isEnabled());
    EXPECT_TRUE(form.Action(hy::app::TCommand::FileSearch)->isEnabled());
    EXPECT_TRUE(form.Action(hy::app::TCommand::SetPreferences)->isEnabled());
    EXPECT_TRUE(form.Action(hy::app::TCommand::About)->isEnabled());
    // The buttons follow their items: all but Open, disk search and Exit start disabled.
    for (const char* name : { "SaveAsBtnL", "CopyBtnL", "InfoBtnL", "PrintBtnL", "FindBtnL", "NextBtnS" })
        EXPECT_FALSE(form.findChild<QAction*>(name)->isEnabled()) << name;
    EXPECT_TRUE(form.findChild<QAction*>("OpenBtnL")->isEnabled());
    EXPECT_TRUE(form.findChild<QAction*>("DiskSearchBtnL")->isEnabled());
    EXPECT_TRUE(form.findChild<QAction*>("ExitBtnS")->isEnabled());
}

TEST(MainForm, ButtonBarSettingChoosesOneBar)
{
    ClearStoredSettings();
    TMainForm form;
    form.SetButtonBar(1);
    EXPECT_EQ(form.ButtonBarSetting(), 1);
    form.SetButtonBar(2);
    EXPECT_EQ(form.ButtonBarSetting(), 2);
    EXPECT_EQ(form.BigButtonBar()->height(), 49);
    form.SetButtonBar(7);
    EXPECT_EQ(form.ButtonBarSetting(), 0);
}

TEST(MainForm, CommandLineOptionsAreAppliedOnFirstShow)
{
    ClearStoredSettings();
    TMainForm form;
    form.SetCommandLine({ "-r", "/h", "DDESERVERCONV", "ddeserverconv" });
    form.show();
    EXPECT_TRUE(form.PreferencesHidden());
    EXPECT_TRUE(form.Action(hy::app::TCommand::Hex)->isChecked());
    EXPECT_FALSE(form.Action(hy::app::TCommand::Standard)->isChecked());
    EXPECT_TRUE(form.CurrentTextModeHex());
    form.close();
}

TEST(MainForm, ClosingWritesEveryValueAndTheNextStartReadsThem)
{
    ClearStoredSettings();
    {
        TMainForm form;
        form.show();
        form.SetButtonBar(1);
        form.Settings().LastDir = "/srv/data, old";
        form.Action(hy::app::TCommand::HexFilter)->setChecked(true);
        form.close();
    }
    hy::platform::SettingsStore store;
    for (const char* name : { "LastDir", "LastMask", "TempDir", "ArchiveDir", "WindowPos", "FontName", "FontSize",
             "FontStyle", "ButtonBar", "StatusBar", "HexMode", "HexFilter", "ExpandTabs", "TabSize", "Header", "Footer",
             "LeftMargin", "TopMargin", "RightMargin", "BottomMargin", "UnitOfMeasure", "WrapLines",
             "WindowsFileSelector", "AllowAppLaunching", "CalcFileLength", "ShowSystemFiles", "ShowImageFiles",
             "ShowArchiveFiles", "ShowMediaFiles", "Editor", "NormalText", "SelectedText" })
        EXPECT_TRUE(store.HasValue("File Viewer", name)) << name;
    EXPECT_EQ(store.ReadString("File Viewer", "ButtonBar", ""), "1");
    EXPECT_EQ(store.ReadString("File Viewer", "HexFilter", ""), "1");
    EXPECT_FALSE(store.ReadString("File Viewer", "Editor", "").isEmpty());

    TMainForm again;
    again.show();
    EXPECT_EQ(again.ButtonBarSetting(), 1);
    EXPECT_EQ(again.Settings().LastDir, "/srv/data, old");
    EXPECT_TRUE(again.Action(hy::app::TCommand::HexFilter)->isChecked());
    again.close();
}

TEST(MainForm, AnEmptiedEditorStaysEmptyAndAMissingOneGetsTheDefault)
{
    ClearStoredSettings();
    {
        TMainForm form;
        form.show();
        EXPECT_FALSE(form.Settings().Editor.isEmpty()) << "a first start looks the default editor up";
        form.close();
    }
    {
        hy::platform::SettingsStore store;
        store.WriteString("File Viewer", "Editor", "");
        store.Flush();
    }
    TMainForm form;
    form.show();
    EXPECT_TRUE(form.Settings().Editor.isEmpty());
    form.close();
}

TEST(MainForm, StoredBoundsThatDoNotFitTheScreenAreBroughtOntoIt)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* stored : { "0,0,100000,100000", "-5000,-5000,600,400", "100000,100000,600,400" }) {
        ClearStoredSettings();
        {
            hy::platform::SettingsStore store;
            store.WriteString("File Viewer", "WindowPos", stored);
            store.Flush();
        }
        TMainForm form;
        form.show();
        // The frame is known only once the window is on screen; then it is brought in too.
        HY_EXPECT_SOON(available.contains(form.frameGeometry()));
        form.close();
        hy::platform::SettingsStore store;
        const QRect written
            = QRect(hy::common::GetListItem(store.ReadString("File Viewer", "WindowPos", ""), 1).toInt(),
                hy::common::GetListItem(store.ReadString("File Viewer", "WindowPos", ""), 2).toInt(),
                hy::common::GetListItem(store.ReadString("File Viewer", "WindowPos", ""), 3).toInt(),
                hy::common::GetListItem(store.ReadString("File Viewer", "WindowPos", ""), 4).toInt());
        EXPECT_TRUE(available.contains(written)) << stored << " was written back as it was";
    }
}

TEST(MainForm, TheWindowComesBackWhereItWasLeft)
{
    ClearStoredSettings();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed(available.left() + 37, available.top() + 41, 611, 433);
    {
        TMainForm form;
        form.show();
        form.setGeometry(placed);
        form.close();
    }
    for (int start = 0; start < 3; ++start) {
        TMainForm form;
        form.show();
        EXPECT_EQ(form.geometry(), placed) << "start " << start;
        form.close();
    }
}

TEST(MainForm, SettingsThatCannotBeSavedSayWhereAndWhy)
{
    ClearStoredSettings();
    hy::test::TTempFolder dir;
    dir.Write("blocker", "a file where the settings folder should be");
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.PathOf("blocker")));
    hy::common::SetErrorTitle("Halcyra Viewer");
    hy::test::ModalWatcher watcher;
    {
        TMainForm form;
        form.show();
        form.close();
    }
    qputenv("XDG_CONFIG_HOME", saved);
    HY_ASSERT_EQ_SOON(watcher.Seen.size(), 1);
    // The balloon lets long paths wrap after their slashes.
    EXPECT_EQ(QString(watcher.Seen.at(0)).remove(QChar(0x200B)),
        "Halcyra Viewer|The settings were not saved to\n" + dir.PathOf("blocker/Halcyra/Brimlow.conf")
            + "\n\nInvalid filename or directory!");
}

TEST(MainForm, HelpAskedForFromAModalDialogComesUpInFrontAndTakesInput)
{
    // The program hands the dialogs its help window at start.
    const hy::common::THelpHandler previous = hy::common::SetHelpHandler(&hy::app::ShowHelpContext);
    hy::app::THelpWindow* help = hy::app::HelpWindow();
    help->hide();
    bool helpUsable = false;
    bool helpOverDialog = false;
    QTimer::singleShot(0, [&]() {
        auto* dialog = qobject_cast<hy::launch::TInfoDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->HelpButton->click();
        helpOverDialog = help->isVisible() && help->parentWidget() == dialog;
        // A click on the help window's Contents button reaches it while the dialog waits.
        help->ShowContext(211);
        auto* contents = help->findChild<QToolBar*>()->widgetForAction(help->findChild<QToolBar*>()->actions().first());
        QTest::mouseClick(contents, Qt::LeftButton);
        helpUsable = help->CurrentPage() == "index.html";
        dialog->OKButton->click();
    });
    hy::launch::ShowFileInfo(QStringLiteral("/etc/hostname"));
    EXPECT_TRUE(helpOverDialog);
    EXPECT_TRUE(helpUsable);
    EXPECT_TRUE(help->isVisible()) << "the help stays when the dialog closes";
    EXPECT_EQ(help->parentWidget(), nullptr);
    help->hide();
    hy::common::SetHelpHandler(previous);
}

TEST(MainForm, FilesDroppedFromTheProgramsListsOpenInTheViewTheyAsk)
{
    ClearStoredSettings();
    hy::test::TTempFolder dir;
    for (const char* name : { "a.txt", "b.txt" })
        dir.Write(QLatin1String(name), "text\n");
    TMainForm form;
    form.show();
    const auto drop = [&form](const QString& path, const QByteArray& hint) {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        if (!hint.isNull())
            data.setData(QLatin1String(hy::search::kViewHintMimeType), hint);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // The application delivers drops only during a drag the platform runs: the window gets it directly.
        static_cast<QObject&>(form).event(&event);
        EXPECT_TRUE(event.isAccepted());
    };
    drop(dir.PathOf("b.txt"), QByteArray());
    drop(dir.PathOf("a.txt"), "1");
    const QList<hy::app::TChildForm*> children = form.Children();
    ASSERT_EQ(children.size(), 2);
    EXPECT_FALSE(children.at(0)->FileViewer()->InHexMode());
    EXPECT_TRUE(children.at(1)->FileViewer()->InHexMode());
    EXPECT_EQ(children.at(1)->TabSet()->currentIndex(), 1);

    // File > File Search... shows the search dialog over the main window, and the same one again later.
    form.Action(hy::app::TCommand::FileSearch)->trigger();
    hy::search::TFileSearchDialog* search = form.FileSearch();
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(search->parentWidget(), &form);
    search->CloseButton->click();
    EXPECT_FALSE(search->isVisible());
    form.Action(hy::app::TCommand::FileSearch)->trigger();
    EXPECT_EQ(form.FileSearch(), search);
    EXPECT_TRUE(search->isVisible());
}
