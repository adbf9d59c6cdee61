// The clipboard viewer follows the clipboard: text, pictures, and nothing.
#include "ui/launch/ClipView.h"
#include "ui/launch/Launch.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <gtest/gtest.h>

using namespace hy::launch;

namespace {

TEST(ClipViewTest, FollowsTheClipboard)
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("first line\nsecond"));
    QPointer<TClipboardViewer> held;
    TClipboardViewer::Open(held);
    QPointer<TClipboardViewer> viewer = held;
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->Shown(), TClipboardViewer::Content::Text);
    EXPECT_EQ(viewer->TextView()->toPlainText(), QStringLiteral("first line\nsecond"));
    EXPECT_EQ(viewer->StatusLine()->text(), QStringLiteral("Text: 17 characters"));

    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    clipboard->setImage(image);
    EXPECT_EQ(viewer->Shown(), TClipboardViewer::Content::Picture);
    EXPECT_EQ(viewer->PictureView()->pixmap().size(), QSize(40, 30));
    EXPECT_EQ(viewer->StatusLine()->text(), QStringLiteral("Picture: 40 x 30"));

    clipboard->setText(QStringLiteral("x"));
    EXPECT_EQ(viewer->Shown(), TClipboardViewer::Content::Text);
    EXPECT_EQ(viewer->StatusLine()->text(), QStringLiteral("Text: 1 character"));
    EXPECT_TRUE(viewer->PictureView()->pixmap().isNull());

    auto* other = new QMimeData;
    other->setData(QStringLiteral("application/x-qq-private"), "data");
    clipboard->setMimeData(other);
    EXPECT_EQ(viewer->Shown(), TClipboardViewer::Content::Other);

    clipboard->clear();
    EXPECT_EQ(viewer->Shown(), TClipboardViewer::Content::Empty);
    EXPECT_TRUE(viewer->TextView()->toPlainText().isEmpty());

    // Show Clipboard again raises the same window; closing it frees it.
    EXPECT_EQ(TClipboardViewer::Open(held), viewer.data());
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(viewer.isNull());
    EXPECT_TRUE(held.isNull());
}

} // namespace
