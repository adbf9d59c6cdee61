// The archive list control: reading, columns, keys, selection drawing, the library's messages and
// extracting single members, plain and encrypted; a list of 100,000 members.
#include "ui/archive/ZIPLIST.h"
#include "archive/ArchiveFixtures.h"
#include "core/archive/HyUnzip.h"
#include "core/archive/UnzipLib.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace hy::archive;
using hy::test::ArchiveFixtures;
using hy::test::ModalWatcher;
using hy::test::ZipInput;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Answers questions the way a test wants: alerts with OK, the password dialog with a text, questions by
// a fixed answer.
std::function<void(QDialog*)> Answer(const QString& password, bool okToQuestions = false)
{
    return [password, okToQuestions](QDialog* d) {
        if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("PasswordEdit"))) {
            if (password.isEmpty()) {
                d->reject();
                return;
            }
            edit->setText(password);
            d->accept();
            return;
        }
        if (auto* ask = qobject_cast<hy::common::TAskUserDialog*>(d)) {
            (okToQuestions ? ask->YesButton : ask->NoButton)->click();
            return;
        }
        d->reject();
    };
}

class ZipListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ArchiveFixtures::HaveZipTools())
            GTEST_SKIP() << "zip and zipinfo are not installed";
        m_zip = m_fx.MakeZip(QStringLiteral("list.zip"),
            { { QStringLiteral("banana.txt"), QByteArray(3000, 'b'), {} },
                { QStringLiteral("apple.c"), "int apple;\n", {} },
                { QStringLiteral("cherry/pie.txt"), QByteArray(100, 'c'), {} },
                { QStringLiteral("Apricot.bin"), QByteArray(20000, 'a'), {} },
                { QStringLiteral("date.doc"), "dates\n", {} } });
        ASSERT_FALSE(m_zip.isEmpty());
        m_list.resize(400, 300);
        m_list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_list));
    }

    QStringList Names() const
    {
        QStringList names;
        for (int i = 0; i < m_list.Count(); ++i)
            names << m_list.MemberName(i);
        return names;
    }

    ArchiveFixtures m_fx;
    QString m_zip;
    TZipList m_list;
};

} // namespace

TEST_F(ZipListTest, ReadsSortsAndKeepsItsState)
{
    QSignalSpy changed(&m_list, &TZipList::OnChange);
    m_list.SetFileName(QString());
    EXPECT_EQ(changed.count(), 0) << "an empty name does nothing";
    m_list.SetTextCase(tcNone);
    m_list.SetFileName(m_zip);
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(m_list.LastError(), 0);
    EXPECT_EQ(Names(), (QStringList { "apple.c", "Apricot.bin", "banana.txt", "cherry/pie.txt", "date.doc" }));
    EXPECT_EQ(m_list.ListCount(), 5);
    EXPECT_EQ(m_list.ListSize(), 3000 + 11 + 100 + 20000 + 6);

    m_list.SetSortBy(sbOrigSize);
    EXPECT_EQ(Names(), (QStringList { "date.doc", "apple.c", "cherry/pie.txt", "banana.txt", "Apricot.bin" }));
    m_list.SetSortBy(sbZipName);

    m_list.SetTextCase(tcUpperCase);
    EXPECT_EQ(m_list.MemberName(0), QStringLiteral("APPLE.C")) << "a new text case reads again";

    // Reload keeps the focused item.
    m_list.SetMultiSelect(true);
    m_list.SetItemIndex(3);
    m_list.Reload();
    EXPECT_EQ(m_list.ItemIndex(), 3);

    // A file that is no archive: nothing listed, and the library's reason kept.
    QFile bad(m_fx.Path(QStringLiteral("bad.zip")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("PK\x03\x04 cut short");
    bad.close();
    m_list.SetFileName(bad.fileName());
    EXPECT_EQ(m_list.LastError(), 1);
    EXPECT_EQ(m_list.LastReadResult(), int(kUnzipNotAnArchive));
    EXPECT_EQ(m_list.Count(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone";
}

TEST_F(ZipListTest, ColumnsAndTheirWidths)
{
    m_list.SetFileName(m_zip);
    m_list.SetColumnWidth(zdName, 10);
    EXPECT_EQ(m_list.ColumnWidth(zdName), 30);
    m_list.SetColumnWidth(zdDate, -5);
    EXPECT_EQ(m_list.ColumnWidth(zdDate), 0);
    m_list.SetColumnWidth(zdName, 150);
    m_list.SetColumnWidth(zdDate, 70);
    m_list.SetFileDetails(ZipDetail(zdName) | ZipDetail(zdDate));
    EXPECT_EQ(m_list.HorizontalExtent(), 220);
    m_list.SetFileDetails(ZipDetail(zdName));
    const int widest = QFontMetrics(m_list.font()).horizontalAdvance(QStringLiteral("cherry/pie.txt")) + 20;
    EXPECT_EQ(m_list.HorizontalExtent(), QFontMetrics(m_list.font()).horizontalAdvance(m_list.MemberName(4)) + 20)
        << "names only: the last name's width when all fit";
    EXPECT_LE(m_list.HorizontalExtent(), widest);
    EXPECT_GE(m_list.ItemHeight(), 16);
    EXPECT_EQ(m_list.ItemHeight() % 2, 0);
}

TEST_F(ZipListTest, TheHeaderFollowsSidewaysScrolling)
{
    QHeaderView header(Qt::Horizontal);
    m_list.SetHeader(&header);
    m_list.SetFileName(m_zip);
    m_list.SetFileDetails(ZipDetail(zdName) | ZipDetail(zdCompSize) | ZipDetail(zdOrigSize) | ZipDetail(zdCompPcnt)
        | ZipDetail(zdDate) | ZipDetail(zdTime) | ZipDetail(zdAttr));
    m_list.resize(200, 200);
    HY_ASSERT_SOON(m_list.horizontalScrollBar()->maximum() > 0);
    m_list.horizontalScrollBar()->setValue(120);
    EXPECT_EQ(header.offset(), 120);
    m_list.horizontalScrollBar()->setValue(0);
    EXPECT_EQ(header.offset(), 0);
}

TEST_F(ZipListTest, KeysJumpAndEnterViews)
{
    m_list.SetTextCase(tcNone);
    m_list.SetFileName(m_zip);
    m_list.SetMultiSelect(true);
    m_list.setFocus();
    QSignalSpy changed(&m_list, &TZipList::OnChange);
    QSignalSpy views(&m_list, &TZipList::OnDblClick);
    QTest::keyClick(&m_list, 'z');
    EXPECT_EQ(m_list.ItemIndex(), -1) << "no member starts with z";
    EXPECT_EQ(changed.count(), 0);
    QTest::keyClick(&m_list, 'a');
    EXPECT_EQ(m_list.ItemIndex(), 0);
    QTest::keyClick(&m_list, 'a');
    EXPECT_EQ(m_list.ItemIndex(), 1) << "the next one with that letter";
    QTest::keyClick(&m_list, 'A');
    EXPECT_EQ(m_list.ItemIndex(), 0) << "wraps around, any letter case";
    EXPECT_EQ(m_list.SelCount(), 1);
    EXPECT_GE(changed.count(), 3);
    QTest::keyClick(&m_list, Qt::Key_Return);
    EXPECT_EQ(views.count(), 1);
    m_list.SelectAll();
    EXPECT_EQ(m_list.SelCount(), 5);
    EXPECT_EQ(m_list.ItemIndex(), 0) << "select all keeps the focused item";
}

TEST_F(ZipListTest, HiddenSelectionPaintsLikeTheOthers)
{
    m_list.SetFileName(m_zip);
    m_list.SetMultiSelect(true);
    const QColor highlight(10, 200, 30);
    m_list.SetHighlightBG(highlight);
    const QRect row = m_list.visualRect(m_list.model()->index(1, 0));
    const QPoint spot(row.right() - 2, row.center().y());
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, spot);
    EXPECT_EQ(m_list.SelCount(), 1);
    EXPECT_EQ(m_list.grab().toImage().pixelColor(spot + m_list.viewport()->pos()), highlight);
    m_list.SetShowSelection(false);
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, spot);
    EXPECT_EQ(m_list.SelCount(), 1) << "still selected";
    EXPECT_NE(m_list.grab().toImage().pixelColor(spot + m_list.viewport()->pos()), highlight);
}

TEST_F(ZipListTest, AnswersTheLibrarysMessages)
{
    m_list.SetFileName(m_zip);
    struct Case {
        quint16 id;
        qint32 p1, p2;
        const char* shown; // title|text start, empty when nothing is shown
        bool ok; // the answer given
        qint32 result;
    };
    const Case cases[] = {
        { 0, 3, 5, "Extracting...|Please Insert Disk 3 and press Enter", false, 2 },
        { 0, 3, 5, "Extracting...|Please Insert Disk 3 and press Enter", true, 1 },
        { 0, -1, 0, "Extracting...|Because this archive file has been spanned across multiple disks,", true, 1 },
        { 0, 2, -1, "Extracting...|Because this archive file has been spanned across multiple disks,", false, 2 },
        { 10, 0, 0, "Extracting...|Because this archive file has been spanned across multiple disks,", true, 1 },
        { 8, 0, 0, "", true, 6 },
        { 9, 0, 0, "Archive|This Archive file list.zip has been Encrypted.", true, 2 },
        { 42, 0, 0, "", true, 1 },
    };
    for (const Case& c : cases) {
        ModalWatcher watcher(Answer(QString(), c.ok));
        qint32 result = -1;
        m_list.UnzipMessage(&m_list.UnzipFile(), c.id, 0, c.p1, c.p2, QString(), QString(), result);
        EXPECT_EQ(result, c.result) << c.id;
        if (*c.shown) {
            ASSERT_EQ(watcher.Seen.size(), 1) << c.id;
            EXPECT_TRUE(watcher.Seen.first().startsWith(QString::fromLatin1(c.shown)))
                << watcher.Seen.first().toStdString();
        } else {
            EXPECT_TRUE(watcher.Seen.isEmpty()) << c.id;
        }
    }
}

TEST_F(ZipListTest, ExtractsMembersWithTheirFoldersOrAlone)
{
    m_list.SetFileName(m_zip);
    const QString out = m_fx.Path(QStringLiteral("out"));
    QDir().mkpath(out);
    EXPECT_EQ(m_list.ExtractMember(-1, out + "/x"), 0);
    const int pie = int(Names().indexOf(QStringLiteral("cherry/pie.txt")));
    ASSERT_GE(pie, 0);
    EXPECT_EQ(m_list.ExtractMember(pie, out + "/cherry/pie.txt"), 0);
    EXPECT_EQ(ReadAll(out + "/cherry/pie.txt"), QByteArray(100, 'c'));
    EXPECT_EQ(m_list.ExtractMember(pie, out + "/flat/pie.txt"), int(kUnzipNoDirectory)) << "no such folder";
    QDir().mkpath(out + "/flat");
    EXPECT_EQ(m_list.ExtractMember(pie, out + "/flat/pie.txt"), 0);
    EXPECT_EQ(ArchiveFixtures::Tree(out + "/flat"), QStringList { QStringLiteral("pie.txt") });
}

TEST_F(ZipListTest, MembersOfOneNameAreAllListedAndGiveTheirOwnData)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    // Two members whose rows look alike in every column, and one of another size.
    const QString zip = m_fx.MakeSameNameZip(QStringLiteral("dup.zip"), { "first", "other", "third and longer" });
    ASSERT_FALSE(zip.isEmpty());
    m_list.SetFileName(zip);
    ASSERT_EQ(m_list.Count(), 3) << "no row hides another member";
    EXPECT_EQ(m_list.ListCount(), 3);
    const QString out = m_fx.Path(QStringLiteral("dup"));
    QList<QByteArray> got;
    for (int i = 0; i < 3; ++i) {
        QDir().mkpath(out + QString::number(i));
        ASSERT_EQ(m_list.ExtractMember(i, out + QString::number(i) + QStringLiteral("/dup.txt")), 0) << i;
        got << ReadAll(out + QString::number(i) + QStringLiteral("/dup.txt"));
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (QList<QByteArray> { "first", "other", "third and longer" }));
    EXPECT_EQ(m_list.UnzipFile().IndexofItem(), 0) << "the next caller starts from the name again";
}

TEST_F(ZipListTest, EncryptedMembersAskForThePasswordOnce)
{
    const QString zip = m_fx.MakeZip(QStringLiteral("locked.zip"),
        { { QStringLiteral("one.txt"), "first secret\n", {} }, { QStringLiteral("two.txt"), "second secret\n", {} } },
        { QStringLiteral("-P"), QStringLiteral("open sesame") });
    m_list.SetFileName(zip);
    const QString out = m_fx.Path(QStringLiteral("locked"));
    QDir().mkpath(out);
    {
        ModalWatcher watcher(Answer(QString()));
        EXPECT_EQ(m_list.ExtractMember(0, out + "/one.txt"), int(kUnzipNoPassword)) << "cancelled";
        EXPECT_EQ(watcher.Seen.value(0), QStringLiteral("Archive|This Archive file locked.zip has been Encrypted."));
        EXPECT_TRUE(watcher.Seen.value(1).startsWith(QStringLiteral("Archive|Enter the password for one.txt")));
    }
    {
        ModalWatcher watcher(Answer(QStringLiteral("wrong")));
        EXPECT_EQ(m_list.ExtractMember(0, out + "/one.txt"), int(kUnzipWrongPassword));
    }
    EXPECT_TRUE(ArchiveFixtures::Tree(out).isEmpty()) << "nothing written, nothing left behind";
    {
        ModalWatcher watcher(Answer(QStringLiteral("open sesame")));
        EXPECT_EQ(m_list.ExtractMember(0, out + "/one.txt"), 0);
        EXPECT_EQ(m_list.ExtractMember(1, out + "/two.txt"), 0);
        EXPECT_EQ(watcher.Seen.size(), 2) << "the password is asked once for the archive";
    }
    EXPECT_EQ(ReadAll(out + "/one.txt"), QByteArray("first secret\n"));
    EXPECT_EQ(ReadAll(out + "/two.txt"), QByteArray("second secret\n"));
}

TEST_F(ZipListTest, AHundredThousandMembersListUnderTheHourglass)
{
    const QString zip = m_fx.MakeManyZip(QStringLiteral("many.zip"), 100000);
    ASSERT_FALSE(zip.isEmpty());
    int alive = 0;
    bool hourglass = true;
    TZipList::SetKeepAliveDelay(0);
    m_list.SetKeepAlive([&]() {
        ++alive;
        hourglass
            = hourglass && QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        EXPECT_EQ(m_list.Count(), 0) << "the view shows no half-read list";
    });
    m_list.SetTextCase(tcNone);
    m_list.SetFileMask(QStringLiteral("*"));
    m_list.SetFileName(zip);
    TZipList::SetKeepAliveDelay(200);
    EXPECT_EQ(m_list.ListCount(), 100000);
    EXPECT_EQ(m_list.Count(), 100000);
    EXPECT_GE(alive, 40) << "the window is kept painted every few thousand members";
    EXPECT_TRUE(hourglass);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(m_list.MemberName(99999), QStringLiteral("d099/file_99999.txt"));
    m_list.scrollToBottom();
    m_list.SetMultiSelect(true);
    m_list.SelectAll();
    EXPECT_EQ(m_list.SelCount(), 100000);
}
