// The Archive page of a viewer window, end to end through the main window: opening archives, the status
// text, View and extraction with their questions, refusals, passwords, progress and Esc, Select All,
// and viewed members deleted with their windows and at exit.
#include "ui/archive/ArchivePage.h"
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "archive/ArchiveFixtures.h"
#include "core/settings/ViewerSettings.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/common/Ask.h"
#include "ui/common/Askmulti.h"
#include "ui/selector/Dirsel.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy::app;
using namespace hy::archive;
using namespace hy::settings;
using hy::archive::TArchivePage;
using hy::archive::TZipList;
using hy::test::ArchiveFixtures;
using hy::test::ModalWatcher;
using hy::test::ZipInput;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
}

// Answers every dialog: questions with the next answer in line ("yes", "no", "all", "cancel"), the
// password dialog with the password, alerts with OK.
struct Answers {
    QStringList questions;
    QString password;
    bool chooseFolder = true;
    void operator()(QDialog* d)
    {
        if (auto* selector = qobject_cast<hy::selector::TDirSelectorDialog*>(d)) {
            if (!chooseFolder) {
                selector->reject();
                return;
            }
            selector->activateWindow();
            if (QTest::qWaitForWindowActive(selector))
                selector->OKButton->setFocus();
            selector->OKButton->click();
            return;
        }
        if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("PasswordEdit"))) {
            edit->setText(password);
            password.isEmpty() ? d->reject() : d->accept();
            return;
        }
        const QString answer = questions.isEmpty() ? QStringLiteral("no") : questions.takeFirst();
        if (auto* ask = qobject_cast<hy::common::TAskUserDialog*>(d)) {
            (answer == QLatin1String("yes") ? ask->YesButton : ask->NoButton)->click();
            return;
        }
        if (auto* multi = qobject_cast<hy::common::TAskMultiDialog*>(d)) {
            QPushButton* b = answer == QLatin1String("yes") ? multi->YesButton
                : answer == QLatin1String("all")            ? multi->YesToAllButton
                : answer == QLatin1String("cancel")         ? multi->CancelButton
                                                            : multi->NoButton;
            b->click();
            return;
        }
        d->reject();
    }
};

class ArchivePageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ArchiveFixtures::HaveZipTools())
            GTEST_SKIP() << "zip and zipinfo are not installed";
        ASSERT_TRUE(m_temp.isValid());
        m_form = std::make_unique<TMainForm>();
        m_form->resize(900, 700);
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        // Settings saved by an earlier test are not this test's business.
        m_form->Settings().TempDir = m_temp.path();
        m_form->Settings().ShowArchiveFiles = true;
        m_zip = m_fx.MakeZip(QStringLiteral("sample.zip"),
            { { QStringLiteral("readme.txt"), "read me first\n", {} },
                { QStringLiteral("docs/guide.txt"), "a guide\nin two lines\n", {} },
                { QStringLiteral("notes.txt"), "some notes\n", {} } });
        ASSERT_FALSE(m_zip.isEmpty());
    }
    void TearDown() override
    {
        if (m_form) {
            m_form->close();
            m_form.reset();
        }
    }

    // Opens an archive and returns its window.
    TChildForm* OpenArchive(const QString& zip)
    {
        if (!m_form->OpenFileInViewer(zip, ViewMode::BySettings, false))
            return nullptr;
        return m_form->Children().last();
    }
    TZipList* List(TChildForm* c) { return c->ArchivePage()->ZipList(); }
    int Row(TChildForm* c, const QString& name)
    {
        for (int i = 0; i < List(c)->Count(); ++i) {
            if (List(c)->MemberName(i) == name)
                return i;
        }
        return -1;
    }
    void Select(TChildForm* c, const QStringList& names)
    {
        List(c)->clearSelection();
        for (const QString& n : names)
            List(c)->SetSelected(Row(c, n), true);
    }
    void Activate(TChildForm* c) { m_form->ClientArea()->setActiveSubWindow(m_form->FrameOf(c)); }
    // Whether a viewed member's file is a copy in a private folder of its own inside the temporary folder.
    ::testing::AssertionResult IsPrivateCopy(const QString& path, const QString& name, const QString& tempDir = {})
    {
        const QFileInfo folder(QFileInfo(path).path());
        struct stat st { };
        if (::lstat(QFile::encodeName(folder.filePath()).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return ::testing::AssertionFailure() << path.toStdString() << " is not in a folder";
        if ((st.st_mode & 07777) != 0700 || st.st_uid != ::geteuid())
            return ::testing::AssertionFailure() << folder.filePath().toStdString() << " is open to others";
        if (folder.path() != (tempDir.isEmpty() ? m_temp.path() : tempDir))
            return ::testing::AssertionFailure() << path.toStdString() << " is not in the temporary folder";
        if (QFileInfo(path).fileName() != name)
            return ::testing::AssertionFailure() << path.toStdString() << " is not named " << name.toStdString();
        return ::testing::AssertionSuccess();
    }

    ArchiveFixtures m_fx;
    QTemporaryDir m_temp;
    QString m_zip;
    std::unique_ptr<TMainForm> m_form;
};

} // namespace

TEST_F(ArchivePageTest, ZipFilesOpenOnTheirArchivePageWithTheMemberCount)
{
    TChildForm* c = OpenArchive(m_zip);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Kind(), PageKind::Archive);
    ASSERT_EQ(c->TabSet()->count(), 3);
    EXPECT_EQ(c->TabSet()->tabText(2), QStringLiteral("Archive"));
    EXPECT_EQ(c->ActivePage(), hy::settings::PageKind::Archive);
    EXPECT_EQ(List(c)->Count(), 3);
    EXPECT_TRUE(List(c)->MultiSelect());
    EXPECT_EQ(m_form->InfoPanel()->text(), QStringLiteral("Contents: 3 compressed files"));
    EXPECT_FALSE(c->ArchivePage()->ViewZipButton()->isEnabled());
    EXPECT_FALSE(c->ArchivePage()->CopyZipButton()->isEnabled());
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::SelectAll)->isEnabled());
    EXPECT_FALSE(m_form->Action(hy::app::TCommand::ToFile)->isEnabled());
    EXPECT_EQ(m_form->Action(hy::app::TCommand::Native)->text(), QStringLiteral("&Archive"));
    HY_EXPECT_SOON(List(c)->hasFocus()) << "keys go to the list at once";

    // The Standard tab shows the archive's bytes; the Archive tab comes back with its status.
    c->TabSet()->setCurrentIndex(0);
    EXPECT_EQ(c->ActivePage(), hy::settings::PageKind::Text);
    c->TabSet()->setCurrentIndex(2);
    EXPECT_EQ(c->ActivePage(), hy::settings::PageKind::Archive);
    EXPECT_EQ(m_form->InfoPanel()->text(), QStringLiteral("Contents: 3 compressed files"));

    // One member reads without the plural; a damaged archive says so on its page and lists nothing.
    const QString one = m_fx.MakeZip(QStringLiteral("one.zip"), { { QStringLiteral("only.txt"), "1\n", {} } });
    ASSERT_NE(OpenArchive(one), nullptr);
    EXPECT_EQ(m_form->InfoPanel()->text(), QStringLiteral("Contents: 1 compressed file"));
    const QString broken = m_fx.Path(QStringLiteral("broken.zip"));
    WriteFile(broken, ReadAll(m_zip).left(100));
    TChildForm* b = OpenArchive(broken);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Kind(), PageKind::Archive);
    EXPECT_EQ(m_form->InfoPanel()->text(), QStringLiteral("Contents: 0 compressed files"));
    const auto* notice = b->ArchivePage()->findChild<QLabel*>(QStringLiteral("ZipNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().contains(QStringLiteral("not a ZIP archive")));

    // Other extensions and the setting keep archives as text.
    const QString lzh = m_fx.Path(QStringLiteral("old.lzh"));
    WriteFile(lzh, "lzh data\n");
    TChildForm* t = OpenArchive(lzh);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Kind(), PageKind::Text);
    m_form->Settings().ShowArchiveFiles = false;
    const QString copy = m_fx.Path(QStringLiteral("copy.zip"));
    QFile::copy(m_zip, copy);
    TChildForm* plain = OpenArchive(copy);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Kind(), PageKind::Text);
    EXPECT_EQ(plain->TabSet()->count(), 2);
}

TEST_F(ArchivePageTest, ViewedMembersOpenInWindowsThatDeleteThem)
{
    TChildForm* c = OpenArchive(m_zip);
    ASSERT_NE(c, nullptr);
    Select(c, { QStringLiteral("docs/guide.txt") });
    EXPECT_TRUE(c->ArchivePage()->ViewZipButton()->isEnabled());
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::ToFile)->isEnabled());
    QTest::mouseClick(c->ArchivePage()->ViewZipButton(), Qt::LeftButton);
    ASSERT_EQ(m_form->Children().size(), 2);
    TChildForm* viewed = m_form->Children().last();
    const QString guide = viewed->FileName();
    EXPECT_TRUE(IsPrivateCopy(guide, QStringLiteral("guide.txt")));
    EXPECT_TRUE(viewed->DeleteOnClose());
    EXPECT_EQ(viewed->Kind(), PageKind::Text);
    EXPECT_EQ(viewed->FileViewer()->FileName(), guide);
    EXPECT_EQ(ReadAll(guide), QByteArray("a guide\nin two lines\n"));

    // A double click views too.
    Activate(c);
    const int notes = Row(c, QStringLiteral("notes.txt"));
    Select(c, { QStringLiteral("notes.txt") });
    const QRect rect = List(c)->visualRect(List(c)->model()->index(notes, 0));
    // A person's double click: the first click, then the second arriving as a double click.
    QTest::mouseClick(List(c)->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(List(c)->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_EQ(m_form->Children().size(), 3);
    const QString notesFile = m_form->Children().last()->FileName();
    EXPECT_TRUE(IsPrivateCopy(notesFile, QStringLiteral("notes.txt")));
    EXPECT_EQ(ReadAll(notesFile), QByteArray("some notes\n"));

    // Closing a window takes its copy and the copy's folder.
    m_form->FrameOf(viewed)->close();
    HY_ASSERT_SOON(m_form->Children().size() == 2);
    HY_EXPECT_SOON(!QFileInfo::exists(QFileInfo(guide).path()));
    EXPECT_TRUE(QFile::exists(notesFile));
    // Leaving the program takes the rest with it.
    m_form->close();
    m_form.reset();
    EXPECT_TRUE(ArchiveFixtures::Tree(m_temp.path()).isEmpty());
    EXPECT_TRUE(QFile::exists(m_zip));
}

TEST_F(ArchivePageTest, ViewingNeverTouchesTheUsersFiles)
{
    // A first start takes the system's temporary folder, never the current folder with the user's files
    // in it; and a temporary folder the user chose gets private folders too.
    QTemporaryDir home;
    QTemporaryDir system;
    const QString users = home.filePath(QStringLiteral("a.txt"));
    WriteFile(users, "the user's own a.txt\n");
    const QString zip = m_fx.MakeZip(QStringLiteral("user.zip"),
        { { QStringLiteral("dir1/a.txt"), "member a\n", {} }, { QStringLiteral("a/readme.txt"), "first readme\n", {} },
            { QStringLiteral("b/readme.txt"), "second readme\n", {} } });
    const QString archive = home.filePath(QStringLiteral("user.zip"));
    ASSERT_TRUE(QFile::copy(zip, archive));
    const QString savedDir = QDir::currentPath();
    const QByteArray savedTmp = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&]() {
        QDir::setCurrent(savedDir);
        qputenv("TMPDIR", savedTmp);
    });
    ASSERT_TRUE(QDir::setCurrent(home.path()));
    qputenv("TMPDIR", QFile::encodeName(system.path()));

    for (const QString& tempDir : { EffectiveTempDir(QString()), home.path() }) {
        SCOPED_TRACE(tempDir.toStdString());
        m_form->Settings().TempDir = tempDir;
        TChildForm* c = OpenArchive(archive);
        ASSERT_NE(c, nullptr);
        Select(c, { QStringLiteral("dir1/a.txt") });
        {
            ModalWatcher watcher(Answers { { "yes" }, {} });
            c->ArchivePage()->ViewZipButtonClick();
            EXPECT_TRUE(watcher.Seen.isEmpty()) << "no question: " << watcher.Seen.join(QLatin1Char('/')).toStdString();
        }
        ASSERT_EQ(m_form->Children().size(), 2);
        TChildForm* viewed = m_form->Children().last();
        EXPECT_TRUE(IsPrivateCopy(
            viewed->FileName(), QStringLiteral("a.txt"), tempDir == home.path() ? tempDir : system.path()));
        EXPECT_EQ(ReadAll(viewed->FileName()), QByteArray("member a\n"));
        EXPECT_EQ(ReadAll(users), QByteArray("the user's own a.txt\n"));

        // Two members of one name open two windows, each on its own data.
        Activate(c);
        Select(c, { QStringLiteral("a/readme.txt"), QStringLiteral("b/readme.txt") });
        {
            ModalWatcher watcher(Answers { { "yes" }, {} });
            c->ArchivePage()->ViewZipButtonClick();
            EXPECT_TRUE(watcher.Seen.isEmpty()) << watcher.Seen.join(QLatin1Char('/')).toStdString();
        }
        ASSERT_EQ(m_form->Children().size(), 4);
        const QString first = m_form->Children().at(2)->FileName();
        const QString second = m_form->Children().at(3)->FileName();
        EXPECT_NE(first, second);
        EXPECT_EQ(ReadAll(first), QByteArray("first readme\n"));
        EXPECT_EQ(ReadAll(second), QByteArray("second readme\n"));

        m_form->Action(hy::app::TCommand::CloseAll)->trigger();
        HY_ASSERT_SOON(m_form->Children().isEmpty());
        EXPECT_EQ(ReadAll(users), QByteArray("the user's own a.txt\n")) << "closing left the user's file alone";
        // The windows go a moment after they close, and their copies with them.
        HY_EXPECT_SOON(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
            == (QStringList { QStringLiteral("a.txt"), QStringLiteral("user.zip") }));
        HY_EXPECT_SOON(ArchiveFixtures::Tree(system.path()).isEmpty());
    }
}

TEST_F(ArchivePageTest, AViewedMemberHandedToAnotherProgramStaysUntilTheEnd)
{
    // The editor and the associated program record what they find in the file they are given.
    const auto recorder = [this](const QString& name) {
        const QString script = m_fx.Path(name);
        WriteFile(script, "#!/bin/sh\ncat \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.seen\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return script;
    };
    const QString editor = recorder(QStringLiteral("editor.sh"));
    const QString associated = recorder(QStringLiteral("associated.sh"));
    QDir().mkpath(hy::platform::SettingsFolder());
    WriteFile(hy::platform::WinIniPath(), "[Extensions]\nqqzx=" + QFile::encodeName(associated) + " ^.qqzx\n");
    const auto forget = qScopeGuard([]() { QFile::remove(hy::platform::WinIniPath()); });
    m_form->Settings().Editor = editor;
    const QString zip = m_fx.MakeZip(QStringLiteral("edit.zip"),
        { { QStringLiteral("notes.txt"), "notes to edit\n", {} }, { QStringLiteral("data.qqzx"), "own kind\n", {} } });
    TChildForm* c = OpenArchive(zip);
    ASSERT_NE(c, nullptr);

    QStringList copies;
    for (const auto& [member, action, script] : { std::tuple { "notes.txt", "UseTextEditor1", editor },
             std::tuple { "data.qqzx", "UseAssociatedApplication1", associated } }) {
        SCOPED_TRACE(member);
        Activate(c);
        Select(c, { QString::fromLatin1(member) });
        c->ArchivePage()->ViewZipButtonClick();
        ASSERT_EQ(m_form->Children().size(), 2);
        const QString copy = m_form->Children().last()->FileName();
        Activate(m_form->Children().last());
        ModalWatcher watcher(Answers {});
        m_form->findChild<QAction*>(QLatin1String(action))->trigger();
        HY_ASSERT_SOON(m_form->Children().size() == 1) << "the viewer window closes";
        // A named value, not the binding itself: clang 14 cannot capture a structured binding in a lambda.
        const QString seen = script + ".seen";
        HY_EXPECT_SOON(QFile::exists(seen));
        EXPECT_EQ(ReadAll(seen), ReadAll(copy)) << "the program got the member's data";
        EXPECT_FALSE(ReadAll(copy).isEmpty());
        EXPECT_TRUE(watcher.Seen.isEmpty()) << watcher.Seen.join(QLatin1Char('/')).toStdString();
        copies << copy;
    }
    EXPECT_EQ(ReadAll(editor + ".seen"), QByteArray("notes to edit\n"));
    EXPECT_EQ(ReadAll(associated + ".seen"), QByteArray("own kind\n"));
    // The program's end takes the copies it handed on.
    m_form->close();
    m_form.reset();
    for (const QString& copy : copies)
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(copy).path())) << copy.toStdString();
    EXPECT_TRUE(ArchiveFixtures::Tree(m_temp.path()).isEmpty());
}

TEST_F(ArchivePageTest, FilesThatExistAreReplacedOnlyWhenTheUserSaysSo)
{
    TChildForm* c = OpenArchive(m_zip);
    ASSERT_NE(c, nullptr);
    // A file of the member's name in the temporary folder is in nobody's way and stays as it is.
    const QString readme = m_temp.filePath(QStringLiteral("readme.txt"));
    WriteFile(readme, "the user's own file\n");
    Select(c, { QStringLiteral("readme.txt") });
    {
        ModalWatcher watcher(Answers { { "no" }, {} });
        c->ArchivePage()->ViewZipButtonClick();
        EXPECT_TRUE(watcher.Seen.isEmpty());
    }
    ASSERT_EQ(m_form->Children().size(), 2);
    EXPECT_EQ(ReadAll(m_form->Children().last()->FileName()), QByteArray("read me first\n"));
    EXPECT_EQ(ReadAll(readme), QByteArray("the user's own file\n"));
    Activate(c);

    // Extracting asks with the same title and the word "destination".
    const QString dest = m_fx.Path(QStringLiteral("dest"));
    QDir().mkpath(dest + "/docs");
    WriteFile(dest + "/readme.txt", "keep\n");
    {
        ModalWatcher watcher(Answers { { "no" }, {} });
        c->ExtractMembers(dest, false);
        ASSERT_EQ(watcher.Seen.size(), 1);
        EXPECT_TRUE(watcher.Seen.first().startsWith(QStringLiteral("Open Archived File|")));
        EXPECT_TRUE(watcher.Seen.first().contains(QStringLiteral("your destination directory!")));
    }
    EXPECT_EQ(ReadAll(dest + "/readme.txt"), QByteArray("keep\n"));

    // With several members the four-answer question: Yes to All asks no more, Cancel stops.
    WriteFile(dest + "/docs/guide.txt", "old guide\n");
    WriteFile(dest + "/notes.txt", "old notes\n");
    Select(c, { QStringLiteral("readme.txt"), QStringLiteral("docs/guide.txt"), QStringLiteral("notes.txt") });
    {
        ModalWatcher watcher(Answers { { "cancel" }, {} });
        c->ExtractMembers(dest, false);
        ASSERT_EQ(watcher.Seen.size(), 1);
        EXPECT_TRUE(watcher.Seen.first().startsWith(QStringLiteral("Extract Archived File|The file \"guide.txt\"")));
    }
    EXPECT_EQ(ReadAll(dest + "/notes.txt"), QByteArray("old notes\n"));
    {
        ModalWatcher watcher(Answers { { "all" }, {} });
        c->ExtractMembers(dest, false);
        EXPECT_EQ(watcher.Seen.size(), 1);
    }
    EXPECT_EQ(ReadAll(dest + "/docs/guide.txt"), QByteArray("a guide\nin two lines\n"));
    EXPECT_EQ(ReadAll(dest + "/notes.txt"), QByteArray("some notes\n"));
    EXPECT_EQ(ReadAll(dest + "/readme.txt"), QByteArray("read me first\n"));
}

TEST_F(ArchivePageTest, ViewingSeveralMembersOpensAWindowForEach)
{
    TChildForm* c = OpenArchive(m_zip);
    ASSERT_NE(c, nullptr);
    for (const char* name : { "readme.txt", "guide.txt", "notes.txt" })
        WriteFile(m_temp.filePath(QString::fromLatin1(name)), "stale\n");
    m_form->Action(hy::app::TCommand::SelectAll)->trigger();
    EXPECT_EQ(List(c)->SelCount(), 3);
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::ToFile)->isEnabled());
    EXPECT_TRUE(c->ArchivePage()->CopyZipButton()->isEnabled());
    {
        ModalWatcher watcher(Answers { { "all" }, {} });
        c->ArchivePage()->ViewZipButtonClick();
        EXPECT_TRUE(watcher.Seen.isEmpty()) << "nothing is in the way of a viewed member";
    }
    ASSERT_EQ(m_form->Children().size(), 4);
    QStringList names;
    for (int i = 1; i < 4; ++i)
        names << QFileInfo(m_form->Children().at(i)->FileName()).fileName();
    names.sort();
    EXPECT_EQ(names, (QStringList { "guide.txt", "notes.txt", "readme.txt" }));
    for (const char* name : { "readme.txt", "guide.txt", "notes.txt" })
        EXPECT_EQ(ReadAll(m_temp.filePath(QString::fromLatin1(name))), QByteArray("stale\n"));
}

TEST_F(ArchivePageTest, HarmfulMembersAreRefusedAndTheOthersExtract)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    const QString zip = m_fx.MakePythonZip(QStringLiteral("hostile.zip"), QStringLiteral(R"(
z = zipfile.ZipFile(path, 'w')
for name in ['../escape.txt', 'good one.txt', '/etc/absolute.txt', 'sub/fine.txt', 'win\\dir\\back.txt']:
    z.writestr(name, 'data of ' + name)
link = zipfile.ZipInfo('link')
link.create_system = 3
link.external_attr = (0o120777 << 16)
z.writestr(link, '/etc/passwd')
z.close()
)"));
    ASSERT_FALSE(zip.isEmpty());
    TChildForm* c = OpenArchive(zip);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(List(c)->Count(), 6);
    const QString root = m_fx.Path(QStringLiteral("root"));
    const QString dest = root + "/dest";
    QDir().mkpath(dest);
    List(c)->SelectAll();
    {
        ModalWatcher watcher(Answers {});
        c->ExtractMembers(dest, false);
        EXPECT_EQ(watcher.Seen.size(), 3);
        for (const char* name : { "../escape.txt", "/etc/absolute.txt", "link" }) {
            EXPECT_TRUE(
                watcher.Seen.filter(QStringLiteral("\"%1\" was not extracted").arg(QLatin1String(name))).size() == 1)
                << name << ": " << watcher.Seen.join(QStringLiteral(" / ")).toStdString();
        }
    }
    EXPECT_EQ(ArchiveFixtures::Tree(root),
        (QStringList { "dest", "dest/good one.txt", "dest/sub", "dest/sub/fine.txt", "dest/win", "dest/win/dir",
            "dest/win/dir/back.txt" }));

    // A name with backslashes is asked about as the file it becomes.
    WriteFile(dest + "/win/dir/back.txt", "mine\n");
    Select(c, { QStringLiteral("win\\dir\\back.txt") });
    ModalWatcher again(Answers { { "no" }, {} });
    c->ExtractMembers(dest, false);
    ASSERT_EQ(again.Seen.size(), 1);
    EXPECT_TRUE(again.Seen.first().contains(QStringLiteral("The file \"back.txt\" already exists")));
    EXPECT_EQ(ReadAll(dest + "/win/dir/back.txt"), QByteArray("mine\n"));
}

TEST_F(ArchivePageTest, EncryptedMembersNeedTheirPassword)
{
    const QString zip = m_fx.MakeZip(QStringLiteral("locked.zip"), { { QStringLiteral("secret.txt"), "hidden\n", {} } },
        { QStringLiteral("-P"), QStringLiteral("letmein") });
    TChildForm* c = OpenArchive(zip);
    ASSERT_NE(c, nullptr);
    Select(c, { QStringLiteral("secret.txt") });
    {
        ModalWatcher watcher(Answers { {}, QStringLiteral("guess") });
        c->ArchivePage()->ViewZipButtonClick();
        ASSERT_EQ(watcher.Seen.size(), 3);
        EXPECT_EQ(watcher.Seen.at(0), QStringLiteral("Archive|This Archive file locked.zip has been Encrypted."));
        EXPECT_TRUE(watcher.Seen.at(2).contains(QStringLiteral("The password is not correct.")));
    }
    EXPECT_EQ(m_form->Children().size(), 1);
    EXPECT_TRUE(ArchiveFixtures::Tree(m_temp.path()).isEmpty()) << "no file is left behind";
    {
        ModalWatcher watcher(Answers { {}, QStringLiteral("letmein") });
        c->ArchivePage()->ViewZipButtonClick();
    }
    ASSERT_EQ(m_form->Children().size(), 2);
    EXPECT_EQ(ReadAll(m_form->Children().last()->FileName()), QByteArray("hidden\n"));
}

TEST_F(ArchivePageTest, MembersThisProgramCannotUnpackSaySoAndWinZipAesOnesOpen)
{
    if (!ArchiveFixtures::Have7z())
        GTEST_SKIP() << "7z is not installed";
    const QByteArray text = ArchiveFixtures::NumberedLines(3000);
    for (const char* method : { "LZMA", "Deflate64" }) {
        SCOPED_TRACE(method);
        const QString zip = m_fx.MakePackedWith(QLatin1String(method), text);
        ASSERT_FALSE(zip.isEmpty());
        TChildForm* c = OpenArchive(zip);
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(List(c)->Count(), 1) << "listed";
        EXPECT_FALSE(c->ArchivePage()->findChild<QLabel*>(QStringLiteral("ZipNotice"))->isVisible());
        Select(c, { QStringLiteral("packed.txt") });
        const QString dest = m_fx.Path(QStringLiteral("dest-") + QLatin1String(method));
        QDir().mkpath(dest);
        for (const bool view : { true, false }) {
            ModalWatcher watcher(Answers {});
            if (view)
                c->ArchivePage()->ViewZipButtonClick();
            else
                c->ExtractMembers(dest, false);
            ASSERT_EQ(watcher.Seen.size(), 1) << view;
            EXPECT_TRUE(watcher.Seen.first().contains(
                QStringLiteral("\"packed.txt\" could not be extracted.\nIt is compressed with a method this program "
                               "cannot unpack.")))
                << watcher.Seen.first().toStdString();
        }
        EXPECT_EQ(m_form->Children().size(), 1);
        EXPECT_TRUE(ArchiveFixtures::Tree(dest).isEmpty());
        EXPECT_TRUE(ArchiveFixtures::Tree(m_temp.path()).isEmpty()) << "the private folder went again";
        m_form->Action(hy::app::TCommand::CloseAll)->trigger();
        HY_ASSERT_SOON(m_form->Children().isEmpty());
    }

    // WinZip AES of the kind without a CRC, as 7z writes it, opens with its password.
    const QString aes = m_fx.Make7zZip(QStringLiteral("aes.zip"), { { QStringLiteral("packed.txt"), text, {} } },
        { QStringLiteral("-pPASS"), QStringLiteral("-mem=AES256") });
    ASSERT_FALSE(aes.isEmpty());
    TChildForm* c = OpenArchive(aes);
    ASSERT_NE(c, nullptr);
    Select(c, { QStringLiteral("packed.txt") });
    {
        ModalWatcher watcher(Answers { {}, QStringLiteral("PASS") });
        c->ArchivePage()->ViewZipButtonClick();
        EXPECT_EQ(watcher.Seen.size(), 2) << "the notice and the password: " << watcher.Seen.join('/').toStdString();
    }
    ASSERT_EQ(m_form->Children().size(), 2);
    EXPECT_EQ(ReadAll(m_form->Children().last()->FileName()), text);
}

TEST_F(ArchivePageTest, ALongExtractionShowsProgressAndStopsOnEsc)
{
    QByteArray big;
    big.reserve(6 << 20);
    for (int i = 0; big.size() < (6 << 20); ++i)
        big += QByteArray::number(qint64(i) * 7919) + '\n';
    const QString zip = m_fx.MakeZip(QStringLiteral("big.zip"), { { QStringLiteral("big.log"), big, {} } });
    TChildForm* c = OpenArchive(zip);
    ASSERT_NE(c, nullptr);
    Select(c, { QStringLiteral("big.log") });
    TArchivePage::SetProgressDelay(0);
    QString progress;
    QTimer::singleShot(0, m_form.get(), [&]() {
        progress = m_form->statusBar()->currentMessage();
        QTest::keyClick(m_form.get(), Qt::Key_Escape);
    });
    ModalWatcher watcher(Answers {});
    c->ArchivePage()->ViewZipButtonClick();
    TArchivePage::SetProgressDelay(300);
    EXPECT_TRUE(progress.startsWith(QStringLiteral("Extracting big.log: "))) << progress.toStdString();
    EXPECT_TRUE(progress.endsWith(QStringLiteral("Press Esc to stop."))) << progress.toStdString();
    ASSERT_EQ(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.first().contains(QStringLiteral("Extraction was stopped.")));
    EXPECT_EQ(m_form->Children().size(), 1);
    EXPECT_TRUE(ArchiveFixtures::Tree(m_temp.path()).isEmpty()) << "no partial and no temporary file";
    EXPECT_TRUE(m_form->statusBar()->currentMessage().isEmpty());
}

TEST_F(ArchivePageTest, ALongRunOfSmallMembersStopsOnEscToo)
{
    QList<ZipInput> files;
    for (int i = 0; i < 200; ++i)
        files.append(
            { QStringLiteral("m%1.txt").arg(i, 3, 10, QLatin1Char('0')), QByteArray(500, char('a' + i % 26)), {} });
    const QString zip = m_fx.MakeZip(QStringLiteral("run.zip"), files);
    TChildForm* c = OpenArchive(zip);
    ASSERT_NE(c, nullptr);
    List(c)->SelectAll();
    const QString dest = m_fx.Path(QStringLiteral("run"));
    QDir().mkpath(dest);
    TArchivePage::SetProgressDelay(0);
    QString progress;
    QTimer::singleShot(0, m_form.get(), [&]() {
        progress = m_form->statusBar()->currentMessage();
        QTest::keyClick(m_form.get(), Qt::Key_Escape);
    });
    ModalWatcher watcher(Answers {});
    c->ExtractMembers(dest, false);
    TArchivePage::SetProgressDelay(300);
    EXPECT_TRUE(progress.contains(QStringLiteral(" of 200): "))) << progress.toStdString();
    ASSERT_EQ(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.first().contains(QStringLiteral("Extraction was stopped.")))
        << watcher.Seen.first().toStdString();
    const QStringList extracted = ArchiveFixtures::Tree(dest);
    EXPECT_LT(extracted.size(), 200);
    for (const QString& name : extracted)
        EXPECT_EQ(ReadAll(dest + QLatin1Char('/') + name).size(), 500) << name.toStdString();
}

TEST_F(ArchivePageTest, RefreshReadsAChangedArchiveAgain)
{
    const QString zip = m_fx.Path(QStringLiteral("changing.zip"));
    QFile::copy(m_zip, zip);
    TChildForm* c = OpenArchive(zip);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(List(c)->Count(), 3);
    const QString bigger = m_fx.MakeZip(QStringLiteral("bigger.zip"),
        { { QStringLiteral("a.txt"), "a\n", {} }, { QStringLiteral("b.txt"), "b\n", {} },
            { QStringLiteral("c.txt"), "c\n", {} }, { QStringLiteral("d.txt"), "d\n", {} } });
    QFile::remove(zip);
    QFile::copy(bigger, zip);
    QFile f(zip);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    f.close();
    m_form->RefreshViewer(c);
    EXPECT_EQ(List(c)->Count(), 4);
    EXPECT_EQ(m_form->InfoPanel()->text(), QStringLiteral("Contents: 4 compressed files"));
}

TEST_F(ArchivePageTest, ExtractToAsksForTheFolderAndKeepsIt)
{
    TChildForm* c = OpenArchive(m_zip);
    ASSERT_NE(c, nullptr);
    const QString dest = m_fx.Path(QStringLiteral("chosen"));
    QDir().mkpath(dest);
    m_form->Settings().ArchiveDir = dest;
    Select(c, { QStringLiteral("readme.txt"), QStringLiteral("docs/guide.txt") });
    {
        ModalWatcher watcher(Answers { {}, {}, false });
        m_form->Action(hy::app::TCommand::ToFile)->trigger();
        ASSERT_EQ(watcher.Seen.size(), 1);
        EXPECT_TRUE(watcher.Seen.first().startsWith(QStringLiteral("Where do you want to put the extracted files?|")));
    }
    EXPECT_TRUE(ArchiveFixtures::Tree(dest).isEmpty()) << "cancelled: nothing extracted";
    {
        ModalWatcher watcher(Answers {});
        m_form->Action(hy::app::TCommand::ToFile)->trigger();
        EXPECT_EQ(watcher.Seen.size(), 1);
    }
    EXPECT_EQ(ArchiveFixtures::Tree(dest), (QStringList { "docs", "docs/guide.txt", "readme.txt" }));
    EXPECT_EQ(ReadAll(dest + "/docs/guide.txt"), QByteArray("a guide\nin two lines\n"));

    // One member: the prompt says "file"; the chosen folder is remembered.
    Select(c, { QStringLiteral("notes.txt") });
    {
        ModalWatcher watcher(Answers {});
        QTest::mouseClick(c->ArchivePage()->CopyZipButton(), Qt::LeftButton);
        ASSERT_EQ(watcher.Seen.size(), 1);
        EXPECT_TRUE(watcher.Seen.first().startsWith(QStringLiteral("Where do you want to put the extracted file?|")));
    }
    EXPECT_EQ(ReadAll(dest + "/notes.txt"), QByteArray("some notes\n"));
    EXPECT_EQ(QDir(m_form->Settings().ArchiveDir).canonicalPath(), QDir(dest).canonicalPath());
}
