// Fitting a picture into its view, the zoom steps and quarter turns, in pixels.
#include "core/image/PictureZoom.h"

#include <gtest/gtest.h>

using namespace hy::image;

TEST(PictureZoom, ALargerPictureFitsItsViewKeepingItsProportionsAndASmallerOneKeepsItsSize)
{
    struct Case {
        QSize Picture;
        QSize View;
        QSize Shown;
    };
    const Case cases[] = {
        { { 4000, 3000 }, { 800, 600 }, { 800, 600 } }, // the same proportions: the whole view
        { { 4000, 3000 }, { 1000, 600 }, { 800, 600 } }, // limited by the height
        { { 4000, 1000 }, { 800, 600 }, { 800, 200 } }, // limited by the width
        { { 3001, 2000 }, { 1000, 1000 }, { 1000, 666 } }, // rounded down: never a pixel more than the view
        { { 640, 480 }, { 800, 600 }, { 640, 480 } }, // smaller: never enlarged
        { { 800, 600 }, { 800, 600 }, { 800, 600 } },
        { { 20000, 10 }, { 500, 500 }, { 500, 1 } }, // at least a pixel each way
    };
    for (const Case& c : cases) {
        const QSize shown = ZoomedSize(c.Picture, FitZoom(c.Picture, c.View));
        EXPECT_EQ(shown, c.Shown) << c.Picture.width() << "x" << c.Picture.height();
        EXPECT_LE(shown.width(), std::max(1, c.View.width()));
        EXPECT_LE(shown.height(), std::max(1, c.View.height()));
    }
    EXPECT_DOUBLE_EQ(FitZoom(QSize(), QSize(10, 10)), 1.0) << "no picture: nothing to scale";
    EXPECT_DOUBLE_EQ(FitZoom(QSize(100, 100), QSize(0, 0)), 1.0) << "a view not laid out yet";
}

TEST(PictureZoom, StepsGoAQuarterUpAndAFifthDownStoppingAtTheActualSize)
{
    EXPECT_DOUBLE_EQ(StepZoom(1.0, 1), 1.25);
    EXPECT_DOUBLE_EQ(StepZoom(1.0, -1), 0.8);
    EXPECT_DOUBLE_EQ(StepZoom(1.25, -1), 1.0);
    EXPECT_DOUBLE_EQ(StepZoom(0.9, 1), 1.0) << "stepping through 100% stops there";
    EXPECT_DOUBLE_EQ(StepZoom(1.1, -1), 1.0);
    EXPECT_DOUBLE_EQ(StepZoom(0.5, 2), 0.78125);
    EXPECT_DOUBLE_EQ(StepZoom(kLargestZoom, 1), kLargestZoom);
    EXPECT_DOUBLE_EQ(StepZoom(kSmallestZoom, -3), kSmallestZoom);
    // Steps in and out again come back where they started.
    double zoom = 1.0;
    for (int i = 0; i < 5; ++i)
        zoom = StepZoom(zoom, 1);
    for (int i = 0; i < 5; ++i)
        zoom = StepZoom(zoom, -1);
    EXPECT_NEAR(zoom, 1.0, 1e-12);
}

TEST(PictureZoom, QuarterTurnsSwapWidthAndHeightWhenOdd)
{
    const QSize picture(300, 200);
    EXPECT_EQ(TurnedSize(picture, 0), QSize(300, 200));
    EXPECT_EQ(TurnedSize(picture, 1), QSize(200, 300));
    EXPECT_EQ(TurnedSize(picture, 2), QSize(300, 200));
    EXPECT_EQ(TurnedSize(picture, -1), QSize(200, 300));
    EXPECT_EQ(TurnedSize(picture, 7), QSize(200, 300));
    EXPECT_EQ(NormalTurns(-1), 3);
    EXPECT_EQ(NormalTurns(4), 0);
    // A tall picture turned fits a wide view at a larger size than upright.
    const QSize tall(600, 900);
    const QSize view(800, 400);
    const QSize turned = TurnedSize(tall, 1);
    EXPECT_EQ(ZoomedSize(tall, FitZoom(tall, view)), QSize(266, 400));
    EXPECT_EQ(ZoomedSize(turned, FitZoom(turned, view)), QSize(600, 400));
}

TEST(PictureZoom, TheZoomIsToldInWholePercentsAndTenthsBelowAHundred)
{
    EXPECT_EQ(ZoomText(1.0), "100%");
    EXPECT_EQ(ZoomText(2.5), "250%");
    EXPECT_EQ(ZoomText(0.125), "12.5%");
    EXPECT_EQ(ZoomText(0.25), "25%");
    EXPECT_EQ(ZoomText(0.8), "80%");
}
