// The file list control driven as a person would: reading and re-reading, keys, the header that follows
// sideways scrolling, which entries show as selected, and notifications.
#include "ui/filelist/FILELIST.h"

#include "support/QtPrinters.h"
#include "support/TestWait.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace hy;
using namespace hy::filelist;
using namespace hy::platform;

namespace {

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_list.resize(300, 200);
        m_list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_list));
    }

    QString Path(const QString& relative) const { return m_temp.path() + QLatin1Char('/') + relative; }

    void MakeFiles(const QString& dir, int count, const QString& pattern = QStringLiteral("file%1.txt"))
    {
        QDir().mkpath(Path(dir));
        for (int i = 0; i < count; ++i) {
            QFile f(Path(dir) + QLatin1Char('/') + pattern.arg(i, 3, 10, QLatin1Char('0')));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }

    int Row(char16_t kind, const QString& name) { return m_list.Engine().FindEntry(kind, name); }

    QColor PixelOfRow(int row)
    {
        const QImage image = m_list.viewport()->grab().toImage();
        const QRect rect = m_list.visualRect(m_list.model()->index(row, 0));
        return image.pixelColor(m_list.viewport()->width() - 5, rect.center().y());
    }

    QTemporaryDir m_temp;
    TFileList m_list;
};

} // namespace

TEST_F(FileListTest, UpdateListKeepsTheTopAndFocusedEntries)
{
    MakeFiles(QStringLiteral("many"), 60);
    m_list.SetListDetails({ ldFiles });
    m_list.SetDirectory(Path(QStringLiteral("many")));
    ASSERT_EQ(m_list.Count(), 60);
    m_list.SetTopIndex(20);
    m_list.SetItemIndex(25);
    QFile::remove(Path(QStringLiteral("many/file000.txt")));
    m_list.UpdateList();
    EXPECT_EQ(m_list.Count(), 59);
    EXPECT_EQ(m_list.TopIndex(), 20);
    EXPECT_EQ(m_list.ItemIndex(), 25);
    EXPECT_TRUE(m_list.Selected(25));

    // A failed change of folder puts back the list as it was, scrolled and focused as it was.
    EXPECT_EQ(m_list.SetMaskAndDirectory(QStringLiteral("*.doc"), Path(QStringLiteral("absent"))), 3);
    EXPECT_EQ(m_list.Directory(), Path(QStringLiteral("many")));
    EXPECT_EQ(m_list.FileMask(), u"*.*");
    EXPECT_EQ(m_list.TopIndex(), 20);
    EXPECT_EQ(m_list.ItemIndex(), 25);

    for (int i = 30; i < 60; ++i)
        QFile::remove(Path(QStringLiteral("many/file%1.txt").arg(i, 3, 10, QLatin1Char('0'))));
    m_list.SetItemIndex(50);
    m_list.UpdateList();
    EXPECT_EQ(m_list.ItemIndex(), m_list.Count() - 1);
}

TEST_F(FileListTest, GoingUpFocusesTheFolderLeftAndNotifiesOnce)
{
    QDir().mkpath(Path(QStringLiteral("up/Left")));
    MakeFiles(QStringLiteral("up"), 40, QStringLiteral("a%1"));
    m_list.SetTextCase(tcAuto);
    m_list.SetDirectory(Path(QStringLiteral("up/Left")));
    QSignalSpy changes(&m_list, &TFileList::OnChange);
    m_list.SetDirectory(QStringLiteral(".."));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(m_list.Directory(), Path(QStringLiteral("up")));
    ASSERT_GE(m_list.ItemIndex(), 0);
    EXPECT_EQ(m_list.EntryName(m_list.ItemIndex()), u"Left");
    EXPECT_EQ(m_list.EntryDisplayName(m_list.ItemIndex()), u"Left");
}

TEST_F(FileListTest, KeysJumpByLetterAndEnterActsAsDoubleClick)
{
    QDir().mkpath(Path(QStringLiteral("keys")));
    for (const char* name : { "apple", "Banana", "avocado", "cherry" })
        QFile(Path(QStringLiteral("keys/") + QString::fromUtf8(name))).open(QIODevice::WriteOnly);
    m_list.SetListDetails({ ldFiles });
    m_list.SetDirectory(Path(QStringLiteral("keys")));
    m_list.setFocus();
    QSignalSpy changes(&m_list, &TFileList::OnChange);
    QSignalSpy doubles(&m_list, &TFileList::OnDblClick);
    QTest::keyClick(&m_list, 'A');
    EXPECT_EQ(m_list.EntryName(m_list.ItemIndex()), u"apple");
    QTest::keyClick(&m_list, 'a');
    EXPECT_EQ(m_list.EntryName(m_list.ItemIndex()), u"avocado");
    QTest::keyClick(&m_list, 'a');
    EXPECT_EQ(m_list.EntryName(m_list.ItemIndex()), u"apple");
    QTest::keyClick(&m_list, 'z');
    EXPECT_EQ(m_list.EntryName(m_list.ItemIndex()), u"apple");
    EXPECT_EQ(changes.count(), 3);
    QTest::keyClick(&m_list, Qt::Key_Return);
    EXPECT_EQ(doubles.count(), 1);

    // A click on another row notifies once.
    const QRect row = m_list.visualRect(m_list.model()->index(3, 0));
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, QPoint(m_list.viewport()->width() - 3, row.center().y()));
    EXPECT_EQ(m_list.ItemIndex(), 3);
    EXPECT_EQ(changes.count(), 4);
}

TEST_F(FileListTest, SortingKeepsTheFocusedEntry)
{
    QDir().mkpath(Path(QStringLiteral("sort")));
    for (const char* name : { "b.txt", "a.zip", "c.bat" })
        QFile(Path(QStringLiteral("sort/") + QString::fromUtf8(name))).open(QIODevice::WriteOnly);
    m_list.SetListDetails({ ldFiles });
    m_list.SetDirectory(Path(QStringLiteral("sort")));
    m_list.SetItemIndex(Row(ekFile, QStringLiteral("a.zip")));
    m_list.SetSortBy(sbType);
    EXPECT_EQ(m_list.EntryName(0), u"c.bat");
    EXPECT_EQ(m_list.EntryName(m_list.ItemIndex()), u"a.zip");
}

TEST_F(FileListTest, HeaderFollowsSidewaysScrolling)
{
    MakeFiles(QStringLiteral("wide"), 5);
    QWidget panel(&m_list);
    panel.setGeometry(0, 0, 200, 20);
    QHeaderView header(Qt::Horizontal, &panel);
    header.setGeometry(0, 0, 430, 20);
    m_list.SetHeader(&header);
    m_list.SetFileDetails({ fdName, fdSize, fdDate, fdTime, fdAttr });
    m_list.SetDirectory(Path(QStringLiteral("wide")));
    EXPECT_EQ(m_list.HorizontalExtent(), 430);
    HY_ASSERT_SOON(m_list.horizontalScrollBar()->maximum() > 0);
    m_list.horizontalScrollBar()->setValue(70);
    EXPECT_EQ(header.x(), -70);
    EXPECT_EQ(header.width(), 70 + 200);
    m_list.SetFileDetails({ fdName });
    HY_EXPECT_SOON(m_list.horizontalScrollBar()->maximum() == 0);
}

// Names only: the list is as wide as its widest name as the text case shows it, the system entries as they
// are, names of any letters.
TEST_F(FileListTest, ANamesOnlyListIsAsWideAsItsWidestNameAsShown)
{
    QDir().mkpath(Path(QStringLiteral("widths")));
    for (const QString& name : { QStringLiteral("mixed WIDE wide.txt"), QStringLiteral("iiiiiiiiiiiiiiiiii.TXT"),
             QStringLiteral("\u00c4rger \u00e4rger.txt"), QStringLiteral("WWWWWWWW"), QStringLiteral("mmmmmmmm") }) {
        QFile f(Path(QStringLiteral("widths/")) + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    m_list.SetListDetails({ ldSystemDirectories, ldDirectories, ldFiles });
    m_list.SetDirectory(Path(QStringLiteral("widths")));
    const QFontMetrics metrics(m_list.font());
    for (const TTextCase textCase : { tcLowerCase, tcUpperCase, tcAuto, tcNone }) {
        m_list.SetTextCase(textCase);
        ASSERT_EQ(m_list.Count(), 7);
        int widest = 0;
        for (int i = 0; i < m_list.Count(); ++i) {
            int width = 0;
            for (const QChar c : m_list.EntryDisplayName(i))
                width += metrics.horizontalAdvance(c);
            widest = std::max(widest, width + kNameIndent);
        }
        EXPECT_EQ(m_list.HorizontalExtent(), widest) << int(textCase);
    }
}

TEST_F(FileListTest, OnlyDirectoriesAndFilesOfAFileListShowAsSelected)
{
    QDir().mkpath(Path(QStringLiteral("hl/folder")));
    MakeFiles(QStringLiteral("hl"), 1);
    m_list.SetHighlightBG(QColor(10, 200, 30));
    const QColor base = m_list.palette().color(QPalette::Base);

    m_list.SetListDetails({ ldSystemDirectories, ldDirectories });
    m_list.SetDirectory(Path(QStringLiteral("hl")));
    m_list.SetItemIndex(Row(ekDirectory, QStringLiteral("folder")));
    EXPECT_EQ(PixelOfRow(m_list.ItemIndex()), base);

    m_list.SetListDetails({ ldSystemDirectories, ldDirectories, ldFiles });
    m_list.SetItemIndex(Row(ekDirectory, QStringLiteral("folder")));
    EXPECT_EQ(PixelOfRow(m_list.ItemIndex()), QColor(10, 200, 30));
    m_list.SetItemIndex(Row(ekParent, QStringLiteral("..")));
    EXPECT_EQ(PixelOfRow(m_list.ItemIndex()), base);
}

TEST_F(FileListTest, MultipleSelectionsLeaveOutTheSystemEntries)
{
    MakeFiles(QStringLiteral("multi"), 3);
    m_list.SetMultiSelect(true);
    m_list.SetListDetails({ ldSystemDirectories, ldFiles });
    m_list.SetDirectory(Path(QStringLiteral("multi")));
    m_list.selectAll();
    EXPECT_FALSE(m_list.Selected(Row(ekRoot, QStringLiteral("/"))));
    EXPECT_FALSE(m_list.Selected(Row(ekParent, QStringLiteral(".."))));
    EXPECT_EQ(m_list.SelCount(), 3);

    // Dragged entries leave as the files' addresses.
    const QModelIndexList rows = m_list.selectionModel()->selectedRows();
    std::unique_ptr<QMimeData> data(m_list.model()->mimeData(rows));
    ASSERT_EQ(data->urls().size(), 3);
    EXPECT_EQ(data->urls().first().toLocalFile(), m_list.EntryPath(rows.first().row()));
}

TEST_F(FileListTest, ALongReadKeepsTheWindowServedAtABoundedRate)
{
    MakeFiles(QStringLiteral("pump"), 3000);
    int pumps = 0;
    m_list.Engine().SetPump([&]() { ++pumps; }, 0);
    m_list.SetDirectory(Path(QStringLiteral("pump")));
    // Pending work is served during the read, but once per batch of entries, never once per entry.
    EXPECT_GT(pumps, 0);
    EXPECT_LT(pumps, 100);
    EXPECT_EQ(m_list.ListCount(), 3000);
}

TEST_F(FileListTest, SearchHandlersRunWithTheDefaultCursorAndAThrowingHandlerLeavesNoTrace)
{
    MakeFiles(QStringLiteral("tree/sub"), 1);
    QStringList events;
    m_list.SetOnSearchBegin([&](TFileList* sender) { events << (sender == &m_list ? "begin" : "?"); });
    m_list.SetOnSearchEnd([&](TFileList*) { events << "end"; });
    m_list.SetOnAddFile([&](TFileList* sender, TSearchRec& s, const QString&, bool&, int&) {
        const QCursor* cursor = QApplication::overrideCursor();
        events << s.Name + (sender == &m_list && cursor && cursor->shape() == Qt::ArrowCursor ? "" : "!");
    });
    m_list.SetListDetails({ ldFiles });
    m_list.SetSearchMode(smSubDirectories);
    m_list.SetDirectory(Path(QStringLiteral("tree")));
    EXPECT_EQ(events, QStringList({ "begin", "sub", "file000.txt", "end" }));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    m_list.SetOnAddFile([&](TFileList*, TSearchRec&, const QString&, bool&, int&) { throw std::runtime_error("x"); });
    EXPECT_THROW(m_list.UpdateList(), std::runtime_error);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    m_list.SetOnAddFile({});
    m_list.UpdateList();
    EXPECT_EQ(m_list.Count(), 1);
}

// The owner hears of a new list once, when its focused entry is where it stays (also after a failed change
// of folder that put the old list back), and hears again of a click on the focused entry.
TEST_F(FileListTest, ANewListIsAnnouncedOnceItsFocusHasSettled)
{
    MakeFiles(QStringLiteral("settle"), 40);
    m_list.SetListDetails({ ldFiles });
    m_list.SetDirectory(Path(QStringLiteral("settle")));
    m_list.SetItemIndex(25);
    QList<int> focusAtRead;
    int changes = 0;
    QObject::connect(&m_list, &TFileList::OnRead, [&]() { focusAtRead << m_list.ItemIndex(); });
    QObject::connect(&m_list, &TFileList::OnChange, [&]() { ++changes; });

    m_list.UpdateList();
    EXPECT_EQ(focusAtRead, QList<int>({ 25 }));
    EXPECT_EQ(changes, 1);

    focusAtRead.clear();
    changes = 0;
    EXPECT_EQ(m_list.SetMaskAndDirectory(QStringLiteral("*.doc"), Path(QStringLiteral("absent"))), 3);
    EXPECT_EQ(focusAtRead, QList<int>({ 25 }));
    EXPECT_EQ(changes, 1);

    changes = 0;
    m_list.scrollTo(m_list.model()->index(25, 0));
    QTest::mouseClick(
        m_list.viewport(), Qt::LeftButton, Qt::NoModifier, m_list.visualRect(m_list.model()->index(25, 0)).center());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(m_list.ItemIndex(), 25);
}

// With details a name longer than its column shows whole as the entry's tip; a name that fits has none.
TEST_F(FileListTest, ANameCutShortInItsColumnShowsWholeAsATip)
{
    const QString longName = QString(120, QLatin1Char('n')) + QStringLiteral(".txt");
    QDir().mkpath(Path(QStringLiteral("tips")));
    for (const QString& name : { longName, QStringLiteral("a.txt") }) {
        QFile f(Path(QStringLiteral("tips/")) + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    m_list.SetListDetails({ ldFiles });
    m_list.SetTextCase(tcNone);
    m_list.SetDirectory(Path(QStringLiteral("tips")));
    const auto tip = [&](const QString& name) {
        return m_list.model()->data(m_list.model()->index(Row(ekFile, name), 0), Qt::ToolTipRole).toString();
    };
    EXPECT_TRUE(tip(longName).isEmpty()); // names only: the list scrolls sideways to show them
    m_list.SetFileDetails({ fdName, fdSize, fdDate, fdTime, fdAttr });
    EXPECT_EQ(tip(longName), longName);
    EXPECT_TRUE(tip(QStringLiteral("a.txt")).isEmpty());
}
