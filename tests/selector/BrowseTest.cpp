// The file selector run through BrowseForFile as a person would use it: a file chosen by typing, by double
// click, after a mask or location change and through a whole-drive search; the view hint it returns; the
// settings it keeps; a preview of a file that vanished; a file whose name is not UTF-8. Alerts and questions
// go through the modal watcher.
#include "ui/selector/Browse.h"

#include "base/ErrorCodes.h"
#include "platform/FileNames.h"
#include "platform/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/common/Ask.h"
#include "ui/filelist/FILELIST.h"
#include "ui/image/MultiImg.h"
#include "ui/search/HySpeedBtn.h"
#include "ui/search/PreviewBook.h"
#include "ui/search/SrchAll.h"
#include "ui/viewer/HvViewr.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

using namespace hy;
using namespace hy::base;
using namespace hy::common;
using namespace hy::filelist;
using namespace hy::search;
using namespace hy::selector;

namespace {

struct TBrowseResult {
    bool ok = false;
    QString directory;
    QString mask;
    int viewMode = -2;
    QString fileName;
};

struct TBrowseCall {
    QString directory;
    QString mask;
    bool keepName = false;
    bool showTabs = true;
    bool allowPreview = true;
    QString fileName;
};

TBrowseCall Call(const QString& directory)
{
    TBrowseCall call;
    call.directory = directory;
    return call;
}

// Runs the selector with the script played on it.
TBrowseResult RunBrowser(const TBrowseCall& call, const std::function<void(TBrowserDialog*)>& script)
{
    test::PlayOnModal<TBrowserDialog>(script);
    TBrowseResult r;
    r.directory = call.directory;
    r.mask = call.mask;
    r.fileName = call.fileName;
    r.ok = BrowseForFile(QStringLiteral("Select a File"), r.directory, r.mask, r.viewMode, call.keepName, call.showTabs,
        call.allowPreview, r.fileName, []() { return TPreviewSettings(); });
    return r;
}

int IndexOf(TFileList* list, const QString& name)
{
    for (int i = 0; i < list->Count(); ++i) {
        if (list->EntryName(i) == name || list->EntryPath(i) == name)
            return i;
    }
    return -1;
}

void DoubleClick(TFileList* list, int index)
{
    ASSERT_GE(index, 0);
    list->SetItemIndex(index);
    const QRect r = list->visualRect(list->model()->index(index, 0));
    // The view takes a double click only on the entry the first click pressed.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

void Focus(TBrowserDialog* d, int index)
{
    d->FileList->setFocus();
    d->FileList->SetItemIndex(index);
    d->FileListChange();
}

// What the watcher saw besides the selector itself, line breaks as the program writes them.
QStringList Alerts(const test::ModalWatcher& watcher)
{
    QStringList seen;
    for (QString s : watcher.Seen) {
        if (!s.startsWith(QStringLiteral("Select a File|")))
            seen << s.remove(QChar(0x200B)).replace(QLatin1Char('\n'), QLatin1Char('\r'));
    }
    return seen;
}

// Leaves a box for the list, which applies it.
void TypeAndLeave(QLineEdit* box, TFileList* list, const QString& text)
{
    // Focus moves only inside the active window (an alert may just have closed).
    box->window()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(box->window()));
    box->setFocus(Qt::TabFocusReason);
    box->setText(text);
    list->setFocus(Qt::TabFocusReason);
}

// Whether the highlighted row, the file name box and the preview tell the same story: a highlighted file is
// named and on show; with no file highlighted, nothing is on show.
::testing::AssertionResult Agree(TBrowserDialog* d)
{
    const int index = d->FileList->ItemIndex();
    const QString shown = d->ViewerPanel->ShownFile();
    if (index >= 0 && d->FileList->EntryKind(index) == ekFile) {
        const QString path = d->FileList->EntryPath(index);
        if (d->FName->text() == path && shown == path && d->FileList->Selected(index))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "highlighted " << path.toStdString() << ", named "
                                             << d->FName->text().toStdString() << ", on show " << shown.toStdString();
    }
    if (shown.isEmpty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no file highlighted, yet " << shown.toStdString() << " on show";
}

void ShowPreview(bool on)
{
    platform::SettingsStore store;
    store.WriteBool(QStringLiteral("File Browser"), QStringLiteral("Preview"), on);
    store.Flush();
}

class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_root = QDir(m_dir.path()).canonicalPath();
        QDir(m_root).mkpath(QStringLiteral("data/deep"));
        Make(QStringLiteral("readme.txt"), "hello\n");
        Make(QStringLiteral("notes.log"), "log line\n");
        Make(QStringLiteral("b.txt"), "b\n");
        Make(QStringLiteral("data/deep/found.txt"), "deep\n");
        // Every test starts from the built-in layout.
        platform::SettingsStore store;
        const QString section = QStringLiteral("File Browser");
        for (const char* name : { "WindowPos", "DetailWidth", "SplitPos" })
            store.WriteString(section, QLatin1String(name), QString());
        for (const char* name : { "ShowFileDetails", "InvertFileList", "Preview" })
            store.WriteBool(section, QLatin1String(name), false);
        store.WriteString(section, QStringLiteral("SplitDir"), QStringLiteral("Vert"));
        store.Flush();
        TBrowserDialog::SetDriveRoots([root = m_root]() { return QStringList { QStringLiteral("/"), root }; });
    }
    void TearDown() override { TBrowserDialog::SetDriveRoots({}); }

    QString Make(const QString& name, const QByteArray& content)
    {
        const QString path = m_root + QLatin1Char('/') + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    QTemporaryDir m_dir;
    QString m_root;
};

TEST(DriveRoot, LongestContainingRoot)
{
    const QStringList roots { "/", "/home", "/media/usb", "/media/usb2" };
    const struct {
        const char* directory;
        const char* root;
    } cases[] = {
        { "/home/ann/docs", "/home" },
        { "/home", "/home" },
        { "/homework", "/" },
        { "/media/usb2/x", "/media/usb2" },
        { "/media/usb/", "/media/usb" },
        { "/etc", "/" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveRootOf(QString::fromLatin1(c.directory), roots), QString::fromLatin1(c.root)) << c.directory;
    EXPECT_EQ(DriveRootOf(QStringLiteral("/anything"), {}), QStringLiteral("/"));
}

TEST_F(BrowseTest, TypedNameIsJoinedToTheListDirectory)
{
    const TBrowseResult r = RunBrowser(Call(m_root), [](TBrowserDialog* d) {
        d->FName->setFocus();
        QTest::keyClicks(d->FName, QStringLiteral("readme.txt"));
        QTest::keyClick(d->FName, Qt::Key_Return);
    });
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.fileName, m_root + QStringLiteral("/readme.txt"));
    EXPECT_EQ(r.directory, m_root);
    EXPECT_EQ(r.mask, QStringLiteral("*.*"));
    EXPECT_EQ(r.viewMode, -1);
}

TEST_F(BrowseTest, OkWithoutANameKeepsTheDialogOpen)
{
    bool stillOpen = false;
    const TBrowseResult r = RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        d->FName->setFocus();
        d->FName->clear();
        d->OKButton->click();
        stillOpen = d->isVisible();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(r.ok);
}

TEST_F(BrowseTest, DoubleClickingAFolderThenAFileChoosesIt)
{
    const TBrowseResult r = RunBrowser(Call(m_root), [](TBrowserDialog* d) {
        DoubleClick(d->FileList, IndexOf(d->FileList, QStringLiteral("data")));
        DoubleClick(d->FileList, IndexOf(d->FileList, QStringLiteral("deep")));
        DoubleClick(d->FileList, IndexOf(d->FileList, QStringLiteral("found.txt")));
    });
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.fileName, m_root + QStringLiteral("/data/deep/found.txt"));
    EXPECT_EQ(r.directory, m_root + QStringLiteral("/data/deep"));
}

TEST_F(BrowseTest, MaskAndLocationBoxesChangeTheListAndCancelStillReportsThem)
{
    QStringList afterMask;
    QString filterAfterLocation;
    test::ModalWatcher watcher([](QDialog* d) {
        if (!qobject_cast<TBrowserDialog*>(d))
            d->reject();
    });
    const TBrowseResult r = RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        TypeAndLeave(d->FilterBox, d->FileList, QStringLiteral("*.log"));
        for (int i = 0; i < d->FileList->Count(); ++i) {
            if (d->FileList->EntryKind(i) == ekFile)
                afterMask << d->FileList->EntryName(i);
        }
        // A location that does not exist is refused and the list stays.
        TypeAndLeave(d->LocationBox, d->FileList, m_root + QStringLiteral("/nowhere"));
        EXPECT_EQ(d->FileList->Directory(), m_root);
        // A location with wildcards gives the mask as well.
        TypeAndLeave(d->LocationBox, d->FileList, m_root + QStringLiteral("/data/deep/*.txt"));
        filterAfterLocation = d->FilterBox->text();
        d->reject();
    });
    EXPECT_EQ(afterMask, QStringList { QStringLiteral("notes.log") });
    EXPECT_EQ(filterAfterLocation, QStringLiteral("*.txt"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.directory, m_root + QStringLiteral("/data/deep"));
    EXPECT_EQ(r.mask, QStringLiteral("*.txt"));
    ASSERT_EQ(Alerts(watcher).size(), 1);
    EXPECT_TRUE(Alerts(watcher).at(0).startsWith(QStringLiteral("Invalid Location|")))
        << Alerts(watcher).at(0).toStdString();
}

TEST_F(BrowseTest, KeepNameFollowsTheFolderDoubleClicked)
{
    QString nameInData;
    TBrowseCall call = Call(m_root);
    call.keepName = true;
    call.fileName = m_root + QStringLiteral("/REPORT.TXT");
    const TBrowseResult r = RunBrowser(call, [&](TBrowserDialog* d) {
        DoubleClick(d->FileList, IndexOf(d->FileList, QStringLiteral("data")));
        nameInData = d->FName->text();
        d->FName->setFocus();
        d->OKButton->click();
    });
    EXPECT_EQ(nameInData, m_root + QStringLiteral("/data/REPORT.TXT"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.fileName, m_root + QStringLiteral("/data/REPORT.TXT"));
}

TEST_F(BrowseTest, WholeDriveSearchListsTheTreeWithoutFollowingLinks)
{
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    QFile f(outside.filePath(QStringLiteral("outside.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(QFile::link(outside.path(), m_root + QStringLiteral("/link")));
    ASSERT_TRUE(QFile::link(m_root, m_root + QStringLiteral("/data/loop")));

    QString searchedFrom;
    bool sawOutside = true;
    const TBrowseResult r = RunBrowser(Call(m_root + QStringLiteral("/data")), [&](TBrowserDialog* d) {
        d->SearchAll->click();
        searchedFrom = d->FileList->Directory();
        EXPECT_TRUE(d->isEnabled());
        EXPECT_EQ(test::FindWindow<TFileSearchProgressDialog>(), nullptr);
        sawOutside = IndexOf(d->FileList, outside.filePath(QStringLiteral("outside.txt"))) >= 0;
        DoubleClick(d->FileList, IndexOf(d->FileList, m_root + QStringLiteral("/data/deep/found.txt")));
    });
    EXPECT_EQ(searchedFrom, m_root);
    EXPECT_FALSE(sawOutside);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.fileName, m_root + QStringLiteral("/data/deep/found.txt"));
}

TEST_F(BrowseTest, StopEndsAWholeDriveSearchAndTheDialogGoesOn)
{
    for (int i = 0; i < 40; ++i)
        QDir(m_root).mkpath(QStringLiteral("many/d%1").arg(i));
    int stopCode = 0;
    bool enabledAfter = false;
    test::ModalWatcher watcher([](QDialog* d) {
        if (auto* ask = qobject_cast<TAskUserDialog*>(d))
            ask->YesButton->click();
    });
    const TBrowseResult r = RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        // The first round of messages inside the walk presses Stop.
        QTimer::singleShot(0, []() {
            if (TFileSearchProgressDialog* p = test::FindWindow<TFileSearchProgressDialog>())
                p->StopButton->click();
        });
        d->SearchAll->click();
        stopCode = d->FileList->LastError();
        enabledAfter = d->isEnabled();
        d->SearchAll->click();
        d->FName->setFocus();
        d->FName->setText(QStringLiteral("b.txt"));
        d->OKButton->click();
    });
    EXPECT_EQ(stopCode, -1000);
    EXPECT_TRUE(enabledAfter);
    EXPECT_EQ(test::FindWindow<TFileSearchProgressDialog>(), nullptr);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.fileName, m_root + QStringLiteral("/b.txt"));
}

TEST_F(BrowseTest, ViewHintFollowsThePreview)
{
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(m_root + QStringLiteral("/pic.png")));
    const struct {
        const char* file;
        bool preview;
        bool allowPreview;
        int tab; // -1: leave the tab the preview chose
        int hint;
    } cases[] = {
        { "readme.txt", true, true, 1, 1 },
        { "readme.txt", true, true, 0, 0 },
        { "pic.png", true, true, -1, 2 },
        { "readme.txt", false, true, 1, -1 },
        { "pic.png", true, false, -1, -1 },
    };
    for (const auto& c : cases) {
        platform::SettingsStore store;
        store.WriteBool(QStringLiteral("File Browser"), QStringLiteral("Preview"), c.preview);
        store.Flush();
        TBrowseCall call = Call(m_root);
        call.allowPreview = c.allowPreview;
        bool boxShown = true;
        const TBrowseResult r = RunBrowser(call, [&](TBrowserDialog* d) {
            boxShown = !d->Preview->isHidden();
            Focus(d, IndexOf(d->FileList, QString::fromLatin1(c.file)));
            if (c.tab >= 0)
                d->ViewerPanel->TabSet->setCurrentIndex(c.tab);
            d->OKButton->click();
        });
        EXPECT_TRUE(r.ok) << c.file;
        EXPECT_EQ(r.viewMode, c.hint) << c.file << " preview " << c.preview << " allowed " << c.allowPreview;
        EXPECT_EQ(boxShown, c.allowPreview);
    }
}

TEST_F(BrowseTest, AStoppedPictureKeepsTheImageTabAndTheTextPage)
{
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(m_root + QStringLiteral("/pic.png")));
    platform::SettingsStore store;
    store.WriteBool(QStringLiteral("File Browser"), QStringLiteral("Preview"), true);
    store.Flush();
    test::ModalWatcher watcher([](QDialog* d) {
        if (!qobject_cast<TBrowserDialog*>(d))
            d->reject();
    });
    bool panelShown = false, panelHidden = false, textOpen = false, hasPicture = true;
    QString thirdTab;
    RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        // The first round of messages while the picture loads presses the panel's stop button.
        QTimer::singleShot(0, [&]() {
            panelShown = d->ViewerPanel->ProgressPanel->isVisible();
            d->ViewerPanel->StopButton->click();
        });
        Focus(d, IndexOf(d->FileList, QStringLiteral("pic.png")));
        panelHidden = d->ViewerPanel->ProgressPanel->isHidden();
        thirdTab = d->ViewerPanel->TabSet->count() > 2 ? d->ViewerPanel->TabSet->tabText(2) : QString();
        textOpen = d->ViewerPanel->FileViewer->IsOpen();
        hasPicture = d->ViewerPanel->ImageViewer->HasGraphic();
    });
    EXPECT_TRUE(panelShown);
    EXPECT_TRUE(panelHidden);
    EXPECT_EQ(thirdTab, QStringLiteral("Image"));
    EXPECT_TRUE(textOpen);
    EXPECT_FALSE(hasPicture);
    EXPECT_TRUE(Alerts(watcher).isEmpty()) << Alerts(watcher).join(QLatin1Char(';')).toStdString();
}

TEST_F(BrowseTest, MovingOnWhileAPictureLoadsPreviewsTheNewFile)
{
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(m_root + QStringLiteral("/pic.png")));
    platform::SettingsStore store;
    store.WriteBool(QStringLiteral("File Browser"), QStringLiteral("Preview"), true);
    store.Flush();
    QString shown, page, name;
    int tabs = 0;
    RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        QTimer::singleShot(0, [&]() { Focus(d, IndexOf(d->FileList, QStringLiteral("readme.txt"))); });
        Focus(d, IndexOf(d->FileList, QStringLiteral("pic.png")));
        shown = d->ViewerPanel->FileViewer->FileName();
        page = d->ViewerPanel->ActivePageName();
        tabs = d->ViewerPanel->TabSet->count();
        name = d->FName->text();
    });
    EXPECT_EQ(shown, m_root + QStringLiteral("/readme.txt"));
    EXPECT_EQ(page, QStringLiteral("Text"));
    EXPECT_EQ(tabs, 2);
    EXPECT_EQ(name, m_root + QStringLiteral("/readme.txt"));
}

TEST_F(BrowseTest, SettingsComeBackInTheNextDialog)
{
    RunBrowser(Call(m_root), [](TBrowserDialog* d) {
        d->ShowDetail->click();
        d->Invert->click();
        d->Preview->click();
        d->SplitHButton->click();
        d->resize(600, 450);
        d->reject();
    });
    platform::SettingsStore store;
    const QString section = QStringLiteral("File Browser");
    EXPECT_TRUE(store.ReadBool(section, QStringLiteral("ShowFileDetails"), false));
    EXPECT_TRUE(store.ReadBool(section, QStringLiteral("InvertFileList"), false));
    EXPECT_TRUE(store.ReadBool(section, QStringLiteral("Preview"), false));
    EXPECT_EQ(store.ReadString(section, QStringLiteral("SplitDir"), QString()), QStringLiteral("Horz"));
    EXPECT_EQ(store.ReadString(section, QStringLiteral("DetailWidth"), QString()).split(QLatin1Char(',')).size(), 5);

    bool details = false, inverted = false, preview = false, sideBySide = true;
    QSize size;
    RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        details = d->ShowDetail->isChecked() && !d->HeaderPanel->isHidden();
        inverted = d->FileList->ListOrder() == flInverted;
        preview = d->Preview->isChecked() && d->PreviewVisible();
        sideBySide = !d->SplitHButton->isChecked();
        size = d->size();
    });
    EXPECT_TRUE(details);
    EXPECT_TRUE(inverted);
    EXPECT_TRUE(preview);
    EXPECT_FALSE(sideBySide);
    EXPECT_EQ(size, QSize(600, 450));
}

TEST_F(BrowseTest, AVanishedFileIsReportedAndTheSelectorGoesOn)
{
    platform::SettingsStore store;
    store.WriteBool(QStringLiteral("File Browser"), QStringLiteral("Preview"), true);
    store.Flush();
    const QString doomed = Make(QStringLiteral("doomed.txt"), "soon gone\n");
    test::ModalWatcher watcher([](QDialog* d) {
        if (!qobject_cast<TBrowserDialog*>(d))
            d->reject();
    });
    const TBrowseResult r = RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        const int index = IndexOf(d->FileList, QStringLiteral("doomed.txt"));
        QFile::remove(doomed);
        Focus(d, index);
        EXPECT_EQ(d->ViewerPanel->Kind(), TPreviewKind::None);
        Focus(d, IndexOf(d->FileList, QStringLiteral("readme.txt")));
        d->OKButton->click();
    });
    ASSERT_EQ(Alerts(watcher).size(), 1);
    EXPECT_EQ(Alerts(watcher).at(0).section(QLatin1Char('|'), 1), doomed + QStringLiteral("\rDoes not exist!"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.fileName, m_root + QStringLiteral("/readme.txt"));
}

TEST_F(BrowseTest, ANameThatIsNotUtf8IsListedPreviewedDraggedAndChosen)
{
    platform::SettingsStore store;
    store.WriteBool(QStringLiteral("File Browser"), QStringLiteral("Preview"), true);
    store.Flush();
    const QByteArray bytes = platform::EncodeFileName(m_root) + "/caf\xe9.txt";
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "bonjour\n", 8), 8);
    ::close(fd);
    const QString name = platform::DecodeFileName(QByteArray("caf\xe9.txt"));
    test::ModalWatcher watcher([](QDialog* d) {
        if (!qobject_cast<TBrowserDialog*>(d))
            d->reject();
    });
    bool previewed = false;
    QString dragged;
    const TBrowseResult r = RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        const int index = IndexOf(d->FileList, name);
        ASSERT_GE(index, 0);
        Focus(d, index);
        previewed = d->ViewerPanel->FileViewer->IsOpen()
            && d->ViewerPanel->FileViewer->DisplayLineText(0).startsWith(QStringLiteral("bonjour"));
        const std::unique_ptr<QMimeData> carried(
            d->FileList->model()->mimeData({ d->FileList->model()->index(index, 0) }));
        if (carried && carried->urls().size() == 1)
            dragged = platform::FileNameOfUrl(carried->urls().at(0));
        DoubleClick(d->FileList, index);
    });
    EXPECT_TRUE(Alerts(watcher).isEmpty()) << Alerts(watcher).join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(previewed);
    EXPECT_EQ(platform::EncodeFileName(dragged), bytes);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(platform::EncodeFileName(r.fileName), bytes);
}

} // namespace

namespace {

// Every way the list changes under the highlight (a mask, a folder, a whole-drive search, its Stop, and back)
// leaves the highlighted row, the name and the preview in agreement, and the file named stays highlighted
// while the list holds it.
TEST_F(BrowseTest, ListChangesKeepTheHighlightTheNameAndThePreviewTogether)
{
    ShowPreview(true);
    for (int i = 0; i < 30; ++i)
        QDir(m_root).mkpath(QStringLiteral("many/d%1").arg(i));
    test::ModalWatcher watcher([](QDialog* d) {
        if (auto* ask = qobject_cast<TAskUserDialog*>(d))
            ask->YesButton->click();
        else if (!qobject_cast<TBrowserDialog*>(d))
            d->reject();
    });
    QStringList steps;
    RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        const auto check = [&](const char* step) {
            steps << QString::fromLatin1(step);
            EXPECT_TRUE(Agree(d)) << step;
        };
        Focus(d, IndexOf(d->FileList, QStringLiteral("readme.txt")));
        check("focus");
        TypeAndLeave(d->FilterBox, d->FileList, QStringLiteral("*.log"));
        check("mask *.log");
        EXPECT_EQ(d->FName->text(), m_root + QStringLiteral("/notes.log"));
        Focus(d, IndexOf(d->FileList, QStringLiteral("notes.log")));
        TypeAndLeave(d->FilterBox, d->FileList, QStringLiteral("*.*"));
        check("mask *.*");
        EXPECT_EQ(d->FileList->EntryName(d->FileList->ItemIndex()), QStringLiteral("notes.log"));

        d->SearchAll->click();
        check("whole drive");
        EXPECT_EQ(d->FileList->EntryPath(d->FileList->ItemIndex()), m_root + QStringLiteral("/notes.log"));
        d->SearchAll->click();
        check("whole drive off");
        EXPECT_EQ(d->FileList->EntryName(d->FileList->ItemIndex()), QStringLiteral("notes.log"));

        QTimer::singleShot(0, []() {
            if (TFileSearchProgressDialog* p = test::FindWindow<TFileSearchProgressDialog>())
                p->StopButton->click();
        });
        d->SearchAll->click();
        EXPECT_EQ(d->FileList->LastError(), kErrorSearchStopped);
        check("whole drive stopped");
        d->SearchAll->click();
        check("stopped search off");

        DoubleClick(d->FileList, IndexOf(d->FileList, QStringLiteral("data")));
        check("folder");
        DoubleClick(d->FileList, IndexOf(d->FileList, QStringLiteral("deep")));
        check("inner folder");
        DoubleClick(d->FileList, IndexOf(d->FileList, QStringLiteral("..")));
        check("back up");
    });
    EXPECT_EQ(steps.size(), 10);
}

// A name typed over the highlighted file gives way when that row is clicked again: it is named and shown.
TEST_F(BrowseTest, ClickingTheHighlightedRowNamesAndPreviewsIt)
{
    ShowPreview(true);
    QString named, shown;
    RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        const int index = IndexOf(d->FileList, QStringLiteral("readme.txt"));
        Focus(d, index);
        d->FName->setText(QStringLiteral("b.txt"));
        d->ViewerPanel->Withdraw();
        const QRect r = d->FileList->visualRect(d->FileList->model()->index(index, 0));
        QTest::mouseClick(d->FileList->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        named = d->FName->text();
        shown = d->ViewerPanel->ShownFile();
    });
    EXPECT_EQ(named, m_root + QStringLiteral("/readme.txt"));
    EXPECT_EQ(shown, m_root + QStringLiteral("/readme.txt"));
}

// OK opens the file named on the view the preview shows only when the preview shows that file; another file
// opens on its own page.
TEST_F(BrowseTest, OkTakesTheViewOnlyFromAPreviewOfTheNamedFile)
{
    ShowPreview(true);
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::green);
    ASSERT_TRUE(picture.save(m_root + QStringLiteral("/picture.png")));
    const struct {
        const char* what;
        std::function<void(TBrowserDialog*)> act;
        const char* file;
        int hint;
    } cases[] = {
        { "a text previewed, a picture typed",
            [this](TBrowserDialog* d) {
                Focus(d, IndexOf(d->FileList, QStringLiteral("readme.txt")));
                d->FName->setFocus();
                d->FName->setText(m_root + QStringLiteral("/picture.png"));
            },
            "picture.png", -1 },
        { "a text previewed, the mask leaves only the picture",
            [](TBrowserDialog* d) {
                Focus(d, IndexOf(d->FileList, QStringLiteral("readme.txt")));
                TypeAndLeave(d->FilterBox, d->FileList, QStringLiteral("*.png"));
                d->FName->setFocus();
            },
            "picture.png", 2 },
        { "the picture previewed on its Standard tab",
            [](TBrowserDialog* d) {
                Focus(d, IndexOf(d->FileList, QStringLiteral("picture.png")));
                d->ViewerPanel->TabSet->setCurrentIndex(0);
            },
            "picture.png", 0 },
        { "a text previewed in Hex",
            [](TBrowserDialog* d) {
                Focus(d, IndexOf(d->FileList, QStringLiteral("readme.txt")));
                d->ViewerPanel->TabSet->setCurrentIndex(1);
            },
            "readme.txt", 1 },
    };
    for (const auto& c : cases) {
        const TBrowseResult r = RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
            c.act(d);
            d->OKButton->click();
        });
        EXPECT_TRUE(r.ok) << c.what;
        EXPECT_EQ(r.fileName, m_root + QLatin1Char('/') + QLatin1String(c.file)) << c.what;
        EXPECT_EQ(r.viewMode, c.hint) << c.what;
    }
}

// Saving: after a double click into a folder the list keeps the focus, and OK saves under the name carried
// along; a new list never replaces that name with a file it happens to highlight.
TEST_F(BrowseTest, SaveAsOkAfterADoubleClickIntoAFolderSaves)
{
    Make(QStringLiteral("data/other.txt"), "other\n");
    TBrowseCall call = Call(m_root);
    call.keepName = true;
    call.fileName = m_root + QStringLiteral("/REPORT.TXT");
    QString afterMask;
    bool listFocused = false;
    const TBrowseResult r = RunBrowser(call, [&](TBrowserDialog* d) {
        DoubleClick(d->FileList, IndexOf(d->FileList, QStringLiteral("data")));
        TypeAndLeave(d->FilterBox, d->FileList, QStringLiteral("*.txt"));
        afterMask = d->FName->text();
        listFocused = d->focusWidget() == d->FileList;
        d->OKButton->click();
    });
    EXPECT_TRUE(listFocused);
    EXPECT_EQ(afterMask, m_root + QStringLiteral("/data/REPORT.TXT"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.fileName, m_root + QStringLiteral("/data/REPORT.TXT"));
    EXPECT_EQ(r.directory, m_root + QStringLiteral("/data"));
}

} // namespace

namespace {

// With details in a narrow list pane, Invert keeps the right end of the header strip to itself: the header,
// scrolled sideways with the list or not, ends where Invert begins.
TEST_F(BrowseTest, InvertStandsBesideTheHeaderNeverOverIt)
{
    RunBrowser(Call(m_root), [&](TBrowserDialog* d) {
        d->ShowDetail->click();
        d->Preview->click();
        QCoreApplication::sendPostedEvents();
        ASSERT_LT(d->HeaderPanel->width(), d->FileList->HorizontalExtent());
        for (const int scroll : { 0, 60 }) {
            d->FileList->horizontalScrollBar()->setValue(scroll);
            const QRect header = d->Header->geometry();
            const QRect invert = d->Invert->geometry();
            EXPECT_EQ(header.left(), -d->FileList->horizontalScrollBar()->value()) << scroll;
            EXPECT_LT(header.right(), invert.left()) << scroll;
            EXPECT_EQ(invert.right(), d->HeaderPanel->width() - 1) << scroll;
            EXPECT_TRUE(d->Invert->isVisible());
        }
    });
}

} // namespace
