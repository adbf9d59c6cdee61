// The PDF page with documents the program printed itself: pages, rendering, paging keys, zoom, Find,
// selection, passwords and damaged files.
#include "ui/document/PdfPage.h"
#include "PdfFixtures.h"
#include "support/ModalWatcher.h"
#include "support/TempFiles.h"
#include "support/TestWait.h"
#include "ui/document/PdfView.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QInputDialog>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QScopeGuard>
#include <QScrollBar>
#include <gtest/gtest.h>
using namespace hy::document;

using hy::document::TPdfPage;
using hy::document::TPdfView;
using hy::document::TPdfZoomMode;

namespace {

class PdfPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        m_page.resize(640, 520);
        m_page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_page));
    }
    // Four printed pages; "needle" once on the second and twice on the fourth.
    QString Printed()
    {
        const QString path = m_dir.PathOf("printed.pdf");
        EXPECT_TRUE(hy::test::PrintPdf(path,
            { "first page alpha", "second page\nthe needle is here", "third page gamma",
                "fourth page\nneedle one\nand needle two" }));
        return path;
    }
    QString Protected(const QString& password)
    {
        const QString path = m_dir.PathOf("locked.pdf");
        if (!hy::test::RunFixtureTool("qpdf", { "--encrypt", password, password, "256", "--", Printed(), path }))
            return {};
        return path;
    }

    hy::test::TTempFolder m_dir;
    TPdfPage m_page;
};

TEST_F(PdfPage, APrintedDocumentShowsEveryPageRenderedAtItsShownSize)
{
    ASSERT_EQ(m_page.Open(Printed()), TPdfPage::TOpenResult::Shown) << m_page.ErrorText().toStdString();
    EXPECT_EQ(m_page.PageCount(), 4);
    EXPECT_EQ(m_page.CurrentPage(), 0);
    TPdfView* view = m_page.View();
    const QList<int> visible = view->VisiblePages();
    ASSERT_FALSE(visible.isEmpty());
    EXPECT_EQ(visible.first(), 0);
    for (const int page : visible)
        HY_EXPECT_SOON(view->PageIsSharp(page));
    // The first page shows ink: its text is drawn, not a blank sheet.
    const QImage shot = view->viewport()->grab().toImage();
    const QRect r = view->Layout().PageRect(0).intersected(shot.rect());
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ink += qGray(shot.pixel(x, y)) < 128 ? 1 : 0;
    EXPECT_GT(ink, 20);
}

TEST_F(PdfPage, PagingKeysMoveByWholePagesInBothForms)
{
    ASSERT_EQ(m_page.Open(Printed()), TPdfPage::TOpenResult::Shown);
    TPdfView* view = m_page.View();
    view->SetZoom(1.0);
    for (const bool continuous : { true, false }) {
        SCOPED_TRACE(continuous ? "continuous" : "one page");
        view->SetContinuous(continuous);
        view->GoToPage(0);
        struct Step {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int page;
        } steps[] = {
            { Qt::Key_PageDown, Qt::NoModifier, 1 },
            { Qt::Key_PageDown, Qt::NoModifier, 2 },
            { Qt::Key_PageUp, Qt::NoModifier, 1 },
            { Qt::Key_End, Qt::ControlModifier, 3 },
            { Qt::Key_PageDown, Qt::NoModifier, 3 },
            { Qt::Key_Home, Qt::ControlModifier, 0 },
            { Qt::Key_PageUp, Qt::NoModifier, 0 },
        };
        for (const Step& s : steps) {
            QTest::keyClick(view, s.key, s.modifiers);
            EXPECT_EQ(view->CurrentPage(), s.page) << QKeySequence(s.key | s.modifiers).toString().toStdString();
        }
        // In one-page form only the page on show is laid out.
        EXPECT_EQ(view->Layout().PageRect(1).isNull(), !continuous);
    }
    // Page Up from the middle of a page goes to that page's top first.
    view->SetContinuous(true);
    view->GoToPage(2);
    const int top = view->verticalScrollBar()->value();
    view->verticalScrollBar()->setValue(top + 100);
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(view->CurrentPage(), 2);
    EXPECT_EQ(view->verticalScrollBar()->value(), top);
}

TEST_F(PdfPage, ZoomModesFitTheViewAndTheBarFollows)
{
    ASSERT_EQ(m_page.Open(Printed()), TPdfPage::TOpenResult::Shown);
    TPdfView* view = m_page.View();
    const int gap = hy::document::TPdfLayout::kGap;
    view->SetZoomMode(TPdfZoomMode::FitWidth);
    EXPECT_NEAR(view->Layout().PageRect(0).width(), view->viewport()->width() - 2 * gap, 1);
    view->SetZoomMode(TPdfZoomMode::FitPage);
    const QRect fitted = view->Layout().PageRect(0);
    EXPECT_LE(fitted.height(), view->viewport()->height() - 2 * gap + 1);
    EXPECT_LE(fitted.width(), view->viewport()->width() - 2 * gap + 1);
    view->SetZoom(1.0);
    EXPECT_NEAR(view->Zoom(), 1.0, 1e-9);
    const int atOne = view->Layout().PageRect(0).width();
    m_page.findChild<QAction*>("PdfZoomIn")->trigger();
    EXPECT_NEAR(view->Zoom(), 1.25, 1e-9);
    EXPECT_NEAR(view->Layout().PageRect(0).width(), atOne * 1.25, 2);
    m_page.findChild<QAction*>("PdfActualSize")->trigger();
    EXPECT_NEAR(view->Zoom(), 1.0, 1e-9);
    // After a zoom the pages are rendered again at their new size.
    for (const int page : view->VisiblePages())
        HY_EXPECT_SOON(view->PageIsSharp(page));
}

TEST_F(PdfPage, FindGoesThroughEveryHitOfTheDocumentInBothDirections)
{
    ASSERT_EQ(m_page.Open(Printed()), TPdfPage::TOpenResult::Shown);
    ASSERT_TRUE(m_page.Find("needle", false, true));
    EXPECT_EQ(m_page.CurrentPage(), 1);
    EXPECT_EQ(m_page.HitCount(), 3);
    ASSERT_TRUE(m_page.Find("needle", false, false));
    EXPECT_EQ(m_page.CurrentPage(), 3);
    ASSERT_TRUE(m_page.Find("needle", false, false));
    EXPECT_EQ(m_page.CurrentPage(), 3);
    EXPECT_FALSE(m_page.Find("needle", false, false)) << "no hit after the last";
    ASSERT_TRUE(m_page.Find("needle", true, false));
    ASSERT_TRUE(m_page.Find("needle", true, false));
    EXPECT_EQ(m_page.CurrentPage(), 1);
    EXPECT_FALSE(m_page.Find("needle", true, false)) << "no hit before the first";
    // From the end backwards, and without regard to letter case.
    ASSERT_TRUE(m_page.Find("NEEDLE", true, true));
    EXPECT_EQ(m_page.CurrentPage(), 3);
    EXPECT_FALSE(m_page.Find("nothing like it", false, true));
    EXPECT_EQ(m_page.HitCount(), 0);
}

TEST_F(PdfPage, SelectedTextCopies)
{
    ASSERT_EQ(m_page.Open(Printed()), TPdfPage::TOpenResult::Shown);
    EXPECT_FALSE(m_page.HasSelection());
    m_page.GoToPage(2);
    m_page.SelectAll();
    ASSERT_TRUE(m_page.HasSelection());
    EXPECT_TRUE(m_page.SelectedText().contains("gamma")) << m_page.SelectedText().toStdString();
    EXPECT_FALSE(m_page.SelectedText().contains("alpha"));
    m_page.CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), m_page.SelectedText());
    // A drag from the start of the first line to the page's right edge selects the line.
    TPdfView* view = m_page.View();
    view->SetZoom(1.0);
    view->GoToPage(0);
    const QRect page = view->Layout().PageRect(0).translated(0, -view->verticalScrollBar()->value());
    const double scale = page.width() / m_page.PagePoints(0).width();

    const QList<QPolygonF> bounds = m_page.Document()->getAllText(0).bounds();
    ASSERT_FALSE(bounds.isEmpty());
    const QRectF first = bounds.first().boundingRect();
    const QPoint start = page.topLeft() + QPointF(first.left() * scale + 1, first.center().y() * scale).toPoint();
    const QPoint end(page.right() - 2, start.y());
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, start);
    QTest::mouseMove(view->viewport(), end);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, end);
    EXPECT_TRUE(m_page.SelectedText().contains("first")) << m_page.SelectedText().toStdString();
}

TEST_F(PdfPage, AProtectedDocumentAsksForItsPasswordUntilItIsRightOrRefused)
{
    const QString locked = Protected("s3cret");
    if (locked.isEmpty())
        GTEST_SKIP() << "qpdf is not installed";
    QList<bool> retries;
    QStringList answers { "wrong", "s3cret" };
    TPdfPage::SetPasswordPrompt([&](QWidget*, const QString& name, bool retry, QString& password) {
        EXPECT_EQ(name, locked);
        retries << retry;
        if (answers.isEmpty())
            return false;
        password = answers.takeFirst();
        return true;
    });
    const auto restore = qScopeGuard([]() { TPdfPage::SetPasswordPrompt({}); });
    ASSERT_EQ(m_page.Open(locked), TPdfPage::TOpenResult::Shown);
    EXPECT_EQ(retries, QList<bool>({ false, true }));
    EXPECT_EQ(m_page.PageCount(), 4);
    EXPECT_TRUE(m_page.Find("gamma", false, true));

    answers = { "wrong" };
    retries.clear();
    EXPECT_EQ(m_page.Open(locked), TPdfPage::TOpenResult::Cancelled);
    EXPECT_EQ(retries, QList<bool>({ false, true }));
    EXPECT_FALSE(m_page.IsOpen());
    EXPECT_EQ(m_page.PageCount(), 0);
}

TEST_F(PdfPage, ThePasswordDialogTakesThePassword)
{
    const QString locked = Protected("s3cret");
    if (locked.isEmpty())
        GTEST_SKIP() << "qpdf is not installed";
    hy::test::ModalWatcher watcher([](QDialog* d) {
        auto* input = qobject_cast<QInputDialog*>(d);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->textEchoMode(), QLineEdit::Password);
        input->setTextValue("s3cret");
        input->accept();
    });
    ASSERT_EQ(m_page.Open(locked), TPdfPage::TOpenResult::Shown);
    ASSERT_EQ(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.first().startsWith("PDF Password|")) << watcher.Seen.first().toStdString();
}

TEST_F(PdfPage, DamagedAndForeignFilesSayWhyAndShowNothing)
{
    QByteArray whole;
    {
        QFile f(Printed());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        whole = f.readAll();
    }
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        { "cut.pdf", whole.left(whole.size() / 3), "damaged" },
        { "text.pdf", "just some text, no PDF at all\n", "damaged" },
        { "empty.pdf", "", "damaged" },
    };
    for (const Case& c : cases) {
        const QString path = m_dir.Write(c.name, c.bytes);
        EXPECT_EQ(m_page.Open(path), TPdfPage::TOpenResult::Failed) << c.name;
        EXPECT_TRUE(m_page.ErrorText().contains(c.reason)) << c.name << ": " << m_page.ErrorText().toStdString();
        EXPECT_FALSE(m_page.IsOpen());
        EXPECT_EQ(m_page.PageCount(), 0);
    }
    EXPECT_EQ(m_page.Open(m_dir.PathOf("missing.pdf")), TPdfPage::TOpenResult::Failed);
    EXPECT_FALSE(m_page.ErrorText().isEmpty());
    // A good file opens after the failures.
    EXPECT_EQ(m_page.Open(Printed()), TPdfPage::TOpenResult::Shown);
}

TEST_F(PdfPage, DocumentsOfOtherWritersOpenAndPagesRenderForPrinting)
{
    const QString drawn = m_dir.PathOf("drawn.pdf");
    if (!hy::test::RunFixtureTool("convert", { "-size", "200x100", "xc:white", "xc:gray", "xc:black", drawn }))
        GTEST_SKIP() << "ImageMagick's convert is not installed or may not write PDF";
    ASSERT_EQ(m_page.Open(drawn), TPdfPage::TOpenResult::Shown) << m_page.ErrorText().toStdString();
    EXPECT_EQ(m_page.PageCount(), 3);
    const QSizeF points = m_page.PagePoints(2);
    ASSERT_GT(points.width(), 0);
    // A page drawn for the printer fills the size given as far as its proportions allow.
    const QImage page = m_page.RenderPage(2, QSize(400, 1000));
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.width(), 400);
    EXPECT_NEAR(page.height(), 400 * points.height() / points.width(), 1);
    EXPECT_LT(qGray(page.pixel(200, page.height() / 2)), 40) << "the third page is black";
    EXPECT_TRUE(m_page.RenderPage(3, QSize(100, 100)).isNull());
}

} // namespace
