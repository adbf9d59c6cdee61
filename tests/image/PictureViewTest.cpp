// The Image page's view: a picture fitted to its view, zoomed in steps and with Ctrl and the wheel, panned by
// dragging, turned, and played when it has frames; the picture itself stays as it was read.
#include "ui/image/PictureView.h"

#include "support/TempFiles.h"
#include "support/TestWait.h"
#include "ui/image/MultiImg.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace hy::image;

namespace {

// A picture whose top-left pixel is red and the rest grey, so that a turn shows.
QImage MakePicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    return picture;
}

class PictureView : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_view.resize(400, 300);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    }
    QSize Shown() const { return m_view.Image()->size(); }

    TPictureView m_view;
};

} // namespace

TEST_F(PictureView, ALargePictureIsFittedAndASmallOneShownAtItsSize)
{
    m_view.Image()->SetPicture(MakePicture(2000, 1000));
    EXPECT_TRUE(m_view.Fitted());
    EXPECT_EQ(Shown(), QSize(400, 200));
    EXPECT_DOUBLE_EQ(m_view.Zoom(), 0.2);
    EXPECT_EQ(m_view.ZoomText(), "20%");
    EXPECT_EQ(m_view.horizontalScrollBar()->maximum(), 0);

    // A larger view fits it larger; a smaller one smaller.
    m_view.resize(1000, 800);
    EXPECT_EQ(Shown(), QSize(1000, 500));
    m_view.resize(400, 300);

    m_view.Image()->SetPicture(MakePicture(100, 50));
    EXPECT_EQ(Shown(), QSize(100, 50));
    EXPECT_DOUBLE_EQ(m_view.Zoom(), 1.0);
    // Centred in the view.
    EXPECT_EQ(m_view.Image()->geometry().center(), m_view.viewport()->rect().center());
}

TEST_F(PictureView, ZoomStepsActualSizeAndFitAgain)
{
    m_view.Image()->SetPicture(MakePicture(2000, 1000));
    int changes = 0;
    QObject::connect(&m_view, &TPictureView::ZoomChanged, [&]() { ++changes; });
    m_view.ZoomIn();
    EXPECT_FALSE(m_view.Fitted());
    EXPECT_DOUBLE_EQ(m_view.Zoom(), 0.25);
    EXPECT_EQ(Shown(), QSize(500, 250));
    EXPECT_GT(m_view.horizontalScrollBar()->maximum(), 0) << "wider than the view: it scrolls";
    m_view.ZoomOut();
    m_view.ZoomOut();
    EXPECT_DOUBLE_EQ(m_view.Zoom(), 0.16);
    m_view.ActualSize();
    EXPECT_EQ(Shown(), QSize(2000, 1000));
    m_view.FitToWindow();
    EXPECT_EQ(Shown(), QSize(400, 200));
    EXPECT_EQ(changes, 5);

    // Ctrl and the wheel zoom too; the wheel alone does not.
    const QPointF at(200, 150);
    QWheelEvent plain(
        at, m_view.mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_view.viewport(), &plain);
    EXPECT_TRUE(m_view.Fitted());
    QWheelEvent ctrl(
        at, m_view.mapToGlobal(at), {}, QPoint(0, 240), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_view.viewport(), &ctrl);
    EXPECT_FALSE(m_view.Fitted());
    EXPECT_DOUBLE_EQ(m_view.Zoom(), 0.3125);
}

TEST_F(PictureView, AZoomedPictureIsPannedByDragging)
{
    m_view.Image()->SetPicture(MakePicture(2000, 1000));
    m_view.ActualSize();
    QScrollBar* across = m_view.horizontalScrollBar();
    QScrollBar* down = m_view.verticalScrollBar();
    across->setValue(500);
    down->setValue(300);
    QWidget* image = m_view.Image();
    const QPoint from = image->mapFrom(m_view.viewport(), QPoint(200, 150));
    QTest::mousePress(image, Qt::LeftButton, {}, from);
    QTest::mouseMove(image, from + QPoint(-40, -30));
    QTest::mouseRelease(image, Qt::LeftButton, {}, from + QPoint(-40, -30));
    EXPECT_EQ(across->value(), 540) << "the picture follows the pointer";
    EXPECT_EQ(down->value(), 330);
}

TEST_F(PictureView, TurnsSwapWidthAndHeightOfTheViewOnly)
{
    const QImage picture = MakePicture(300, 200);
    m_view.Image()->SetPicture(picture);
    EXPECT_EQ(Shown(), QSize(300, 200));
    m_view.RotateRight();
    EXPECT_EQ(Shown(), QSize(200, 300)) << "fitted again: 300 high in a view 300 high";
    EXPECT_EQ(m_view.Image()->QuarterTurns(), 1);
    // The red corner is at the top right once turned right.
    const QImage drawn = m_view.Image()->grab().toImage();
    EXPECT_EQ(QColor(drawn.pixel(drawn.width() - 1, 0)), QColor(Qt::red));
    EXPECT_EQ(QColor(drawn.pixel(0, 0)), QColor(Qt::gray));
    m_view.RotateLeft();
    m_view.RotateLeft();
    EXPECT_EQ(m_view.Image()->QuarterTurns(), 3);
    // Copying gives the picture as it was read, not as it is shown.
    m_view.ZoomIn();
    ASSERT_TRUE(m_view.Image()->CopyToClipboard());
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(300, 200));
    EXPECT_EQ(QColor(copied.pixel(0, 0)), QColor(Qt::red));
    // A new picture shows upright and fitted.
    m_view.Reset();
    EXPECT_EQ(m_view.Image()->QuarterTurns(), 0);
    EXPECT_TRUE(m_view.Fitted());
}

TEST_F(PictureView, AnAnimatedGifPlaysItsFrames)
{
    // Two frames of one pixel, black then white, a tenth of a second each, looping.
    const QByteArray gif = QByteArray::fromHex("47494638396101000100800000000000ffffff"
                                               "21ff0b4e45545343415045322e300301000000"
                                               "21f904000a0000002c000000000100010000020244010"
                                               "021f904000a0000002c00000000010001000002024c01003b");
    // The first frame alone.
    const QByteArray still = QByteArray::fromHex("47494638396101000100800000000000ffffff"
                                                 "21f904000a0000002c00000000010001000002024401003b");
    hy::test::TTempFolder dir;
    const QString path = dir.Write("blink.gif", gif);
    m_view.Image()->SetMessageReporter([](const QString&, const QString&, bool) {});
    m_view.Image()->SetImageName(path);
    ASSERT_TRUE(m_view.Image()->HasGraphic());
    EXPECT_TRUE(m_view.Image()->Animated());
    const QRgb first = m_view.Image()->Picture().pixel(0, 0);
    HY_EXPECT_SOON(m_view.Image()->Picture().pixel(0, 0) != first);

    // A still picture does not play.
    m_view.Image()->SetImageName(dir.Write("still.gif", still));
    ASSERT_TRUE(m_view.Image()->HasGraphic());
    EXPECT_FALSE(m_view.Image()->Animated());
}
