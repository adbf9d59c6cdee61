// The pane of matching lines under a file viewer: it lists each matching line with its number and text, fills
// while a followed file grows (a last line written on is looked at again), lists the other lines when
// inverted, combines patterns, holds a million rows in little memory, takes the viewer to a clicked line and
// follows the viewer's caret.
#include "ui/viewer/HvFilterPane.h"
#include "core/viewer/HvFileModel.h"
#include "ui/viewer/HvViewr.h"

#include "support/TempFiles.h"
#include "support/TestWait.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace hy::viewer;

namespace {

struct TPaneWindow {
    QWidget window;
    THvFileViewer* viewer = new THvFileViewer(&window);
    THvFilterPane* pane = new THvFilterPane(viewer, &window);
    THvController controller;

    explicit TPaneWindow(const QString& path)
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(viewer, 1);
        layout->addWidget(pane, 1);
        viewer->SetController(&controller);
        viewer->SetFileName(path);
        viewer->SetIsOpen(true);
        window.resize(800, 600);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }

    // The rows as "number: text".
    QStringList Rows() const
    {
        QStringList rows;
        THvFilterModel* m = pane->Model();
        for (int i = 0; i < m->rowCount(); ++i)
            rows << m->data(m->index(i)).toString();
        return rows;
    }
};

void Append(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(HvFilterPane, FillsWhileAFollowedFileGrows)
{
    hy::test::TTempFolder dir;
    const QString path = dir.Write(QStringLiteral("grow.log"), "start\nERROR one\nfine\nERROR tw");
    TPaneWindow w(path);
    w.viewer->SetFollow(true);
    w.pane->ShowLines({ QStringLiteral("error") }, false);
    HY_ASSERT_SOON(!w.pane->Model()->Filling());
    w.pane->Model()->Poll();
    EXPECT_EQ(w.Rows(), QStringList({ "2: ERROR one", "4: ERROR tw" }));
    // The writer finishes the last line and adds more; the pane takes them in as the viewer follows.
    Append(path, "o\nfine\nERROR three\n");
    HY_EXPECT_SOON(w.Rows().size() == 3);
    EXPECT_EQ(w.Rows(), QStringList({ "2: ERROR one", "4: ERROR two", "6: ERROR three" }));
    EXPECT_EQ(w.pane->StatusText(), QStringLiteral("3 matching lines"));
}

TEST(HvFilterPane, InvertsAndCombinesPatterns)
{
    hy::test::TTempFolder dir;
    TPaneWindow w(dir.Write(QStringLiteral("c.log"), "ERROR disk\nWARN disk\nERROR net\nINFO\n"));
    struct Case {
        const char* name;
        bool invert;
        int combine; // 0 all, 1 any
        QStringList rows;
    } cases[] = {
        { "all", false, 0, { "1: ERROR disk" } },
        { "any", false, 1, { "1: ERROR disk", "2: WARN disk", "3: ERROR net" } },
        { "all inverted", true, 0, { "2: WARN disk", "3: ERROR net", "4: INFO" } },
        { "any inverted", true, 1, { "4: INFO" } },
    };
    w.pane->ShowLines({ QStringLiteral("error") }, false);
    w.pane->AddPatternField()->setText(QStringLiteral("disk"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.pane->ShowLines({ QStringLiteral("error") }, c.invert);
        w.pane->CombineBox()->setCurrentIndex(c.combine);
        w.pane->ShowLines({ QStringLiteral("error") }, c.invert);
        HY_ASSERT_SOON(!w.pane->Model()->Filling());
        w.pane->Model()->Poll();
        EXPECT_EQ(w.Rows(), c.rows);
    }
}

TEST(HvFilterPane, HoldsAMillionRowsInLittleMemory)
{
    hy::test::TTempFolder dir;
    QByteArray data;
    data.reserve(8 << 20);
    for (int i = 0; i < 1000000; ++i)
        data += i % 2 ? "hit\n" : "a hit\n";
    TPaneWindow w(dir.Write(QStringLiteral("million"), data));
    w.pane->ShowLines({ QStringLiteral("hit"), false, true }, false);
    HY_ASSERT_SOON(!w.pane->Model()->Filling());
    w.pane->Model()->Poll();
    ASSERT_EQ(w.pane->Model()->rowCount(), 1000000);
    EXPECT_EQ(w.pane->Model()->Place(999999), (TLinePlace { 999999, 4999996 }));
    EXPECT_EQ(w.pane->Model()->RowText(999998), QStringLiteral("a hit"));
    EXPECT_LE(w.pane->Model()->BytesUsed(), size_t(8.5 * 1000000));
    EXPECT_EQ(w.pane->StatusText(), QStringLiteral("1,000,000 matching lines"));
}

TEST(HvFilterPane, TakesTheViewerToARowAndFollowsItsCaret)
{
    hy::test::TTempFolder dir;
    QByteArray data;
    for (int i = 0; i < 500; ++i)
        data += i % 10 == 3 ? "match here\n" : "other\n";
    TPaneWindow w(dir.Write(QStringLiteral("nav"), data));
    w.pane->ShowLines({ QStringLiteral("match") }, false);
    HY_ASSERT_SOON(!w.pane->Model()->Filling());
    w.pane->Model()->Poll();
    ASSERT_EQ(w.pane->Model()->rowCount(), 50);
    QListView* list = w.pane->List();
    const QModelIndex row = w.pane->Model()->index(20);
    list->scrollTo(row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    EXPECT_EQ(w.viewer->CaretCharLocation(), (TTextPosition { 203, 0 }));
    // Enter on a row does the same.
    list->setCurrentIndex(w.pane->Model()->index(4));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(w.viewer->CaretCharLocation(), (TTextPosition { 43, 0 }));
    // The caret moved in the text: the pane shows the first listed line from there on.
    w.viewer->PlaceCaretOnLine(300);
    HY_EXPECT_SOON(list->currentIndex().row() == 30);
    w.viewer->PlaceCaretOnLine(304);
    HY_EXPECT_SOON(list->currentIndex().row() == 31);
}
