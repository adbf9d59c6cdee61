// The results browser over generated files: the preview page each kind of file gets, the archive caption,
// turning the preview off, Find Next and Find Prev, opening with the view hint (button, double click,
// drag), the details header and the "Search Browser" settings.
#include "ui/search/Vsearch.h"

#include "platform/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/filelist/FILELIST.h"
#include "ui/search/HySpeedBtn.h"
#include "ui/search/PreviewBook.h"
#include "ui/search/SplitArea.h"
#include "ui/viewer/HvViewr.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace hy;
using namespace hy::filelist;
using namespace hy::search;

namespace {

QByteArray Wave()
{
    const quint32 rate = 8000;
    const QByteArray pcm(int(rate / 4) * 2, '\0');
    QByteArray h;
    const auto u32 = [&h](quint32 v) { h.append(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&h](quint16 v) { h.append(reinterpret_cast<const char*>(&v), 2); };
    h += "RIFF";
    u32(36 + quint32(pcm.size()));
    h += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    h += "data";
    u32(quint32(pcm.size()));
    return h + pcm;
}

class SearchResultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
        platform::SettingsStore store;
        QFile::remove(store.FileName());
        m_settings.MediaExtensions = QStringLiteral(".WAV.MID");
        m_hooks.Settings = [this]() { return m_settings; };
        m_hooks.OpenFile = [this](const QString& path, int hint) {
            m_opened << QStringLiteral("%1 %2").arg(hint).arg(path.mid(m_root.size() + 1));
            return true;
        };
    }

    void TearDown() override { delete m_browser.data(); }

    QString Path(const QString& name) const { return m_root + QLatin1Char('/') + name; }

    void Write(const QString& name, const QByteArray& content)
    {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    bool MakeZip(const QString& name)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty())
            return false;
        QDir().mkpath(Path(QStringLiteral("zipsrc")));
        QFile a(Path(QStringLiteral("zipsrc/one.txt")));
        QFile b(Path(QStringLiteral("zipsrc/two.txt")));
        if (!a.open(QIODevice::WriteOnly) || !b.open(QIODevice::WriteOnly))
            return false;
        a.write("one\n");
        b.write("two\n");
        a.close();
        b.close();
        QProcess zip;
        zip.setWorkingDirectory(Path(QStringLiteral("zipsrc")));
        zip.start(QStringLiteral("zip"),
            { QStringLiteral("-q"), Path(name), QStringLiteral("one.txt"), QStringLiteral("two.txt") });
        return zip.waitForFinished() && zip.exitCode() == 0;
    }

    // A browser over the files of the root folder, shown with its preview; with a text, as the results of
    // a search for it.
    TSearchResultsDialog* Browse(bool preview = true, const QString& text = QString())
    {
        auto* d = new TSearchResultsDialog(m_hooks);
        m_browser = d;
        d->SetContentSearch(!text.isEmpty(), text, true);
        d->FileList->SetSearchMode(smSubDirectories);
        d->FileList->SetMaskAndDirectory(QStringLiteral("*.*"), m_root);
        d->Preview->setChecked(preview);
        d->PreviewClick();
        d->ShowResults(QStringLiteral("Search Results"));
        return d;
    }

    void Focus(TSearchResultsDialog* d, const QString& name)
    {
        for (int i = 0; i < d->FileList->Count(); ++i) {
            if (d->FileList->EntryPath(i) == Path(name)) {
                d->FileList->SetItemIndex(i);
                // As the list does when its focus moves (it stays put when the entry had it already).
                d->FileListChange();
                return;
            }
        }
        FAIL() << "no entry " << name.toStdString();
    }

    QStringList Tabs(TSearchResultsDialog* d) const
    {
        QStringList tabs;
        for (int i = 0; i < d->ViewerPanel->TabSet->count(); ++i)
            tabs << d->ViewerPanel->TabSet->tabText(i);
        return tabs;
    }

    QTemporaryDir m_temp;
    QString m_root;
    TPreviewSettings m_settings;
    TSearchHooks m_hooks;
    QPointer<TSearchResultsDialog> m_browser; // the browser of the test, until it is gone
    QStringList m_opened;
};

} // namespace

TEST_F(SearchResultsTest, EachKindOfFileGetsItsPage)
{
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(Path(QStringLiteral("pic.png"))));
    ASSERT_TRUE(picture.save(Path(QStringLiteral("pic.bmp"))));
    if (!MakeZip(QStringLiteral("pack.zip")))
        GTEST_SKIP() << "zip is not installed";
    ASSERT_TRUE(QFile::copy(Path(QStringLiteral("pack.zip")), Path(QStringLiteral("pack.zi"))));
    Write(QStringLiteral("notes.txt"), "plain text\n");
    Write(QStringLiteral("old.lzh"), "not an archive we read\n");
    Write(QStringLiteral("start.s"), "start:\n");
    Write(QStringLiteral("notes."), "notes\n");
    m_settings.ShowImageFiles = false;
    TSearchResultsDialog* d = Browse();

    struct Case {
        const char* file;
        bool images;
        TPreviewKind kind;
        const char* page;
        QStringList tabs;
    } cases[] = {
        { "notes.txt", true, TPreviewKind::None, "Text", { "Standard", "Hex" } },
        { "pic.png", true, TPreviewKind::Image, "Image", { "Standard", "Hex", "Image" } },
        { "pack.zip", true, TPreviewKind::Archive, "Archive", { "Standard", "Hex", "Archive" } },
        // Extensions count whole: a ZIP archive named .zi is text, and so are names like a picture's.
        { "pack.zi", true, TPreviewKind::None, "Text", { "Standard", "Hex" } },
        { "start.s", true, TPreviewKind::None, "Text", { "Standard", "Hex" } },
        { "notes.", true, TPreviewKind::None, "Text", { "Standard", "Hex" } },
        { "old.lzh", true, TPreviewKind::None, "Text", { "Standard", "Hex" } },
        { "pic.bmp", false, TPreviewKind::None, "Text", { "Standard", "Hex" } },
        { "pic.bmp", true, TPreviewKind::Image, "Image", { "Standard", "Hex", "Image" } },
    };
    for (const Case& c : cases) {
        m_settings.ShowImageFiles = c.images;
        d->ViewerPanel->Reset();
        Focus(d, QString::fromLatin1(c.file));
        EXPECT_EQ(d->ViewerPanel->Kind(), c.kind) << c.file;
        EXPECT_EQ(d->ViewerPanel->ActivePageName(), c.page) << c.file;
        EXPECT_EQ(Tabs(d), c.tabs) << c.file;
        EXPECT_EQ(d->ViewerPanel->TabIndex(), c.tabs.size() == 3 ? 2 : 0) << c.file;
        // The Text page holds every file, whatever page shows it.
        EXPECT_TRUE(d->ViewerPanel->FileViewer->IsOpen()) << c.file;
        EXPECT_EQ(d->FName->text(), Path(QString::fromLatin1(c.file)));
    }
    Focus(d, QStringLiteral("pack.zip"));
    EXPECT_EQ(d->ViewerPanel->ArchiveCaption->text(), " Contents of pack.zip (2 items)");
    EXPECT_EQ(d->ViewerPanel->ZipList->Count(), 2);
}

TEST_F(SearchResultsTest, TurningThePreviewOffPutsTheArchiveAway)
{
    if (!MakeZip(QStringLiteral("pack.zip")))
        GTEST_SKIP() << "zip is not installed";
    QFile::remove(Path(QStringLiteral("zipsrc/one.txt")));
    QFile::remove(Path(QStringLiteral("zipsrc/two.txt")));
    QDir().rmdir(Path(QStringLiteral("zipsrc")));
    TSearchResultsDialog* d = Browse();
    ASSERT_EQ(d->ViewerPanel->Kind(), TPreviewKind::Archive);
    ASSERT_EQ(d->ViewerPanel->ZipList->Count(), 2);

    d->Preview->click();
    EXPECT_FALSE(d->MainArea->PreviewShown());
    EXPECT_FALSE(d->ViewerPanel->isVisible());
    EXPECT_FALSE(d->SplitVButton->isVisible());
    EXPECT_EQ(Tabs(d), QStringList({ "Standard", "Hex" }));
    EXPECT_EQ(d->ViewerPanel->ZipList->Count(), 0);
    EXPECT_TRUE(d->ViewerPanel->ArchiveCaption->text().isEmpty());
    EXPECT_FALSE(d->ViewerPanel->FileViewer->IsOpen());
    EXPECT_EQ(d->FileList->geometry().size(), d->MainArea->size());

    // On again: the focused file is previewed at once, the list taking half the area.
    d->Preview->click();
    EXPECT_EQ(d->ViewerPanel->Kind(), TPreviewKind::Archive);
    EXPECT_EQ(d->MainArea->ListSize(), d->MainArea->Extent() / 2);
}

TEST_F(SearchResultsTest, TheSameResultIsNotReadAgainAndMissingFilesAreReported)
{
    Write(QStringLiteral("a.txt"), "1\n2\n3\n4\n5\n6\n7\n");
    Write(QStringLiteral("b.txt"), "b\n");
    TSearchResultsDialog* d = Browse();
    viewer::THvFileViewer* v = d->ViewerPanel->FileViewer;
    ASSERT_EQ(v->FileName(), Path(QStringLiteral("a.txt")));
    v->PlaceCaret(4, 0);
    d->FileListChange();
    EXPECT_EQ(v->CaretLocation().Line, 4);

    test::ModalWatcher watcher;
    QFile::remove(Path(QStringLiteral("b.txt")));
    Focus(d, QStringLiteral("b.txt"));
    ASSERT_EQ(watcher.Seen.size(), 1) << watcher.Seen.join(QLatin1Char('#')).toStdString();
    const QString said = QString(watcher.Seen.first()).remove(QChar(0x200B));
    EXPECT_TRUE(said.endsWith(Path(QStringLiteral("b.txt")) + QStringLiteral("\nDoes not exist!")))
        << said.toStdString();
    EXPECT_FALSE(v->IsOpen());
    EXPECT_EQ(d->ViewerPanel->Kind(), TPreviewKind::None);
}

TEST_F(SearchResultsTest, FindNextAndPrevWalkThroughTheOccurrences)
{
    Write(QStringLiteral("hay.txt"), "a\nNeedle one\nb\nc needle two\nd\nneedle three\n");
    TSearchResultsDialog* d = Browse(true, QStringLiteral("needle"));
    TPreviewBook* p = d->ViewerPanel;
    viewer::THvFileViewer* v = p->FileViewer;
    EXPECT_TRUE(p->FindNextButton->isVisibleTo(d));
    EXPECT_TRUE(p->FindNextButton->isEnabled());
    // The preview shows the first occurrence of the text, with the case as the search had it.
    EXPECT_EQ(v->SelectionStart().Line, 3);
    EXPECT_EQ(v->SelectionStart().Index, 2);

    p->FindNextButton->click();
    EXPECT_EQ(v->SelectionStart().Line, 5);
    p->FindNextButton->click(); // no further one: the selection stays
    EXPECT_EQ(v->SelectionStart().Line, 5);
    EXPECT_TRUE(v->HasSelection());
    p->FindPrevButton->click();
    EXPECT_EQ(v->SelectionStart().Line, 3);

    // Without a selection Find Next starts at the top of the file, and then goes on from there.
    v->PlaceCaret(4, 0);
    ASSERT_FALSE(v->HasSelection());
    p->FindNextButton->click();
    EXPECT_EQ(v->SelectionStart().Line, 3);
    p->FindNextButton->click();
    EXPECT_EQ(v->SelectionStart().Line, 5);

    // In Hex the occurrences are found as bytes; results of a search by other criteria have no buttons.
    p->SelectTab(1);
    EXPECT_TRUE(p->FindNextButton->isEnabled());
    v->PlaceCaret(0, 0);
    p->FindNextButton->click();
    EXPECT_TRUE(v->HasSelection());
    d->SetContentSearch(false, QString(), false);
    EXPECT_FALSE(p->FindNextButton->isVisibleTo(d));
}

// Beside the list the preview is narrow: the find buttons stay whole inside the tab row and off the tabs,
// for a text (two tabs) and a picture (three), in narrow and wide windows alike.
TEST_F(SearchResultsTest, FindButtonsAreNeverCutOffBesideTheList)
{
    Write(QStringLiteral("hay.txt"), "a needle\n");
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(Path(QStringLiteral("needle.png"))));
    TSearchResultsDialog* d = Browse(true, QStringLiteral("needle"));
    d->SplitButtonClick(true);
    TPreviewBook* p = d->ViewerPanel;
    for (const char* file : { "hay.txt", "needle.png" }) {
        Focus(d, QString::fromLatin1(file));
        for (const int width : { 620, 760, 1200 }) {
            d->resize(width, 420);
            QCoreApplication::sendPostedEvents();
            d->SplitButtonClick(false);
            d->SplitButtonClick(true);
            QCoreApplication::sendPostedEvents();
            const QRect row = p->TabRow->rect();
            const QRect tabs = p->TabSet->geometry();
            for (QPushButton* b : { p->FindPrevButton, p->FindNextButton }) {
                EXPECT_TRUE(row.contains(b->geometry()))
                    << file << " " << width << ": " << b->objectName().toStdString() << " outside the row "
                    << row.width() << "x" << row.height();
                EXPECT_FALSE(tabs.intersects(b->geometry())) << file << " " << width << " over the tabs";
            }
            EXPECT_FALSE(p->FindPrevButton->geometry().intersects(p->FindNextButton->geometry()));
        }
    }
}

TEST_F(SearchResultsTest, OpeningHandsOverThePathAndTheViewHint)
{
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(Path(QStringLiteral("b.png"))));
    Write(QStringLiteral("a.txt"), "text\n");
    TSearchResultsDialog* d = Browse();
    d->FileList->setFocus();

    Q_EMIT d->FileList->OnDblClick();
    d->ViewerPanel->SelectTab(1);
    d->OpenButton->click();
    Focus(d, QStringLiteral("b.png"));
    d->FileList->setFocus();
    d->OpenButton->click();
    d->Preview->click();
    d->OpenButton->click();
    EXPECT_EQ(m_opened, QStringList({ "0 a.txt", "1 a.txt", "2 b.png", "-1 b.png" }));

    // A drag carries the files and the same hint.
    d->Preview->click();
    Focus(d, QStringLiteral("a.txt"));
    d->ViewerPanel->SelectTab(1);
    const std::unique_ptr<QMimeData> data = d->FileList->DragData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->urls(), QList<QUrl>({ QUrl::fromLocalFile(Path(QStringLiteral("a.txt"))) }));
    EXPECT_EQ(data->data(QLatin1String(kViewHintMimeType)), "1");

    // With nothing in the file name field Open only beeps.
    m_opened.clear();
    d->FName->clear();
    d->ShowDetail->setFocus();
    EXPECT_FALSE(d->OpenButton->isEnabled());
    d->OpenButtonClick();
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(SearchResultsTest, DetailsHeaderKeepsTheNameColumnWide)
{
    Write(QStringLiteral("a.txt"), "x");
    TSearchResultsDialog* d = Browse();
    EXPECT_FALSE(d->HeaderStrip->isVisible());
    d->ShowDetail->click();
    EXPECT_TRUE(d->HeaderStrip->isVisible());
    EXPECT_EQ(d->FileList->FileDetails(), TFileDetails({ fdName, fdSize, fdDate, fdTime, fdAttr }));
    EXPECT_EQ(d->Header->sectionSize(1), d->FileList->ColumnWidth(fdSize));
    d->Header->resizeSection(0, 10);
    EXPECT_EQ(d->Header->sectionSize(0), 30);
    EXPECT_EQ(d->FileList->ColumnWidth(fdName), 30);
    d->Header->resizeSection(2, 111);
    EXPECT_EQ(d->FileList->ColumnWidth(fdDate), 111);
    d->ShowDetail->click();
    EXPECT_FALSE(d->HeaderStrip->isVisible());
    EXPECT_EQ(d->FileList->FileDetails(), TFileDetails({ fdName }));
}

TEST_F(SearchResultsTest, SettingsComeBackAndAreClampedToTheWindow)
{
    Write(QStringLiteral("a.txt"), "x");
    {
        platform::SettingsStore store;
        store.WriteString(
            QStringLiteral("Search Browser"), QStringLiteral("WindowPos"), QStringLiteral("10, 20, 600,x"));
        store.WriteString(QStringLiteral("Search Browser"), QStringLiteral("DetailWidth"), QStringLiteral("200,80"));
        store.WriteBool(QStringLiteral("Search Browser"), QStringLiteral("ShowFileDetails"), true);
        store.WriteBool(QStringLiteral("Search Browser"), QStringLiteral("Preview"), true);
        store.WriteString(QStringLiteral("Search Browser"), QStringLiteral("SplitDir"), QStringLiteral("Vert"));
        store.WriteInteger(QStringLiteral("Search Browser"), QStringLiteral("SplitPos"), 5000);
        store.Flush();
    }
    auto* d = new TSearchResultsDialog(m_hooks);
    m_browser = d;
    // An unreadable number counts as 0, which the smallest size the window takes then raises.
    EXPECT_EQ(d->size(), QSize(600, 300));
    EXPECT_TRUE(d->ShowDetail->isChecked());
    EXPECT_EQ(d->FileList->ColumnWidth(fdName), 200);
    EXPECT_EQ(d->FileList->ColumnWidth(fdSize), 80);
    EXPECT_TRUE(d->Preview->isChecked());
    EXPECT_TRUE(d->MainArea->SideBySide());
    EXPECT_TRUE(d->SplitVButton->isChecked());
    EXPECT_FALSE(d->SplitHButton->isChecked());
    // A split beyond the window leaves the list the whole area but the splitter.
    EXPECT_EQ(d->MainArea->ListSize(), d->MainArea->Extent() - 4);

    d->SplitButtonClick(false);
    EXPECT_FALSE(d->MainArea->SideBySide());
    EXPECT_EQ(d->MainArea->ListSize(), d->MainArea->Extent() / 2);
    const int listHeight = d->MainArea->ListSize();
    d->CloseButton->click();
    platform::SettingsStore store;
    EXPECT_EQ(store.ReadString(QStringLiteral("Search Browser"), QStringLiteral("SplitDir"), QString()), "Horz");
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Search Browser"), QStringLiteral("SplitPos"), 0), listHeight);
    EXPECT_EQ(
        store.ReadString(QStringLiteral("Search Browser"), QStringLiteral("DetailWidth"), QString()).section(',', 0, 1),
        "200,80");
    EXPECT_TRUE(store.ReadString(QStringLiteral("Search Browser"), QStringLiteral("WindowPos"), QString())
                    .endsWith(",600,300"));
    HY_EXPECT_SOON(m_browser.isNull());
}

TEST_F(SearchResultsTest, MediaFilesPlayOrFallBackToText)
{
    Write(QStringLiteral("tone.wav"), Wave());
    test::ModalWatcher watcher;
    TSearchResultsDialog* d = Browse();
    if (d->ViewerPanel->Kind() == TPreviewKind::Media) {
        EXPECT_EQ(Tabs(d), QStringList({ "Standard", "Hex", "Media" }));
        EXPECT_EQ(d->ViewerPanel->ActivePageName(), "Media");
        EXPECT_TRUE(watcher.Seen.isEmpty());
    } else {
        // No way to play it here: the player's reason is shown and the file is previewed as text.
        ASSERT_EQ(watcher.Seen.size(), 1);
        EXPECT_TRUE(watcher.Seen.first().startsWith("Media Player|"));
        EXPECT_EQ(Tabs(d), QStringList({ "Standard", "Hex" }));
        EXPECT_EQ(d->ViewerPanel->ActivePageName(), "Text");
    }
    EXPECT_TRUE(d->ViewerPanel->FileViewer->IsOpen());
}

TEST_F(SearchResultsTest, TheSplitterLandsWhereItIsDropped)
{
    Write(QStringLiteral("a.txt"), "x\n");
    TSearchResultsDialog* d = Browse();
    d->resize(640, 480);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    TSplitArea* area = d->MainArea;
    area->SetListSize(100);
    QWidget* splitter = area->SplitterPanel();
    ASSERT_EQ(splitter->geometry().top(), 100);

    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(20, 2));
    QTest::mouseMove(splitter, QPoint(20, 62));
    EXPECT_TRUE(area->Dragging());
    const QWidget* line = area->findChild<QWidget*>(QStringLiteral("DragLine"));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->geometry().top(), 160);
    EXPECT_EQ(area->ListSize(), 100); // nothing moves before the button is released
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(20, 62));
    EXPECT_FALSE(line->isVisible());
    EXPECT_EQ(area->ListSize(), 160);
    EXPECT_EQ(d->FileListPanel->height(), 160);

    // The line stays inside the area, so the list can take all of it but the splitter.
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(20, 1));
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(20, 5000));
    EXPECT_EQ(area->ListSize(), area->Extent() - 4);

    // Side by side the splitter moves across, and growing the window keeps the split.
    d->SplitButtonClick(true);
    const int half = area->ListSize();
    EXPECT_EQ(half, area->Extent() / 2);
    EXPECT_EQ(splitter->cursor().shape(), Qt::SplitHCursor);
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(1, 20));
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(-49, 20));
    EXPECT_EQ(area->ListSize(), half - 50);
    d->resize(700, 480);
    EXPECT_EQ(area->ListSize(), half - 50);
}
