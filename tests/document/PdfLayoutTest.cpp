// Where the PDF view puts its pages and at which scale.
#include "core/document/PdfLayout.h"

#include <gtest/gtest.h>

using namespace hy::document;

TEST(PdfLayout, ZoomModesFitThePageIntoTheViewport)
{
    const QSizeF letter(612, 792);
    const double screen = 96.0 / 72.0;
    const QSize view(600 + 2 * TPdfLayout::kGap, 400 + 2 * TPdfLayout::kGap);
    EXPECT_DOUBLE_EQ(ScaleFor(TPdfZoomMode::Custom, 1.0, screen, letter, view), screen);
    EXPECT_DOUBLE_EQ(ScaleFor(TPdfZoomMode::Custom, 2.5, screen, letter, view), 2.5 * screen);
    EXPECT_DOUBLE_EQ(ScaleFor(TPdfZoomMode::FitWidth, 1.0, screen, letter, view), 600.0 / 612);
    // The height is the narrower fit of a portrait page in a landscape view.
    EXPECT_DOUBLE_EQ(ScaleFor(TPdfZoomMode::FitPage, 1.0, screen, letter, view), 400.0 / 792);
    EXPECT_DOUBLE_EQ(ScaleFor(TPdfZoomMode::FitPage, 1.0, screen, QSizeF(1200, 100), view), 600.0 / 1200);
    // Nothing to fit, or nowhere to fit it: the custom zoom stands.
    EXPECT_DOUBLE_EQ(ScaleFor(TPdfZoomMode::FitWidth, 1.5, screen, QSizeF(), view), 1.5 * screen);
    EXPECT_DOUBLE_EQ(ScaleFor(TPdfZoomMode::FitPage, 1.5, screen, letter, QSize(10, 10)), 1.5 * screen);
}

TEST(PdfLayout, ContinuousPagesStandOneUnderTheOtherCentredOnTheWidest)
{
    TPdfLayout layout;
    layout.Arrange({ QSizeF(100, 200), QSizeF(300, 100), QSizeF(100, 50) }, 1.0, true, 0);
    const int g = TPdfLayout::kGap;
    EXPECT_EQ(layout.PageRect(0), QRect(g + 100, g, 100, 200));
    EXPECT_EQ(layout.PageRect(1), QRect(g, g + 200 + g, 300, 100));
    EXPECT_EQ(layout.PageRect(2), QRect(g + 100, 3 * g + 300, 100, 50));
    EXPECT_EQ(layout.ContentSize(), QSize(300 + 2 * g, 350 + 4 * g));
    EXPECT_TRUE(layout.PageRect(3).isNull());

    // A height in a page or in the gap under it belongs to that page.
    struct Case {
        int y;
        int page;
    } cases[] = { { 0, 0 }, { g, 0 }, { g + 199, 0 }, { g + 200 + g - 1, 0 }, { 2 * g + 200, 1 }, { 3 * g + 299, 1 },
        { 3 * g + 300, 2 }, { 100000, 2 } };
    for (const Case& c : cases)
        EXPECT_EQ(layout.PageAt(c.y), c.page) << c.y;

    EXPECT_EQ(layout.PagesBetween(0, g + 10), QList<int>({ 0 }));
    EXPECT_EQ(layout.PagesBetween(g + 150, 3 * g + 300), QList<int>({ 0, 1 }));
    EXPECT_EQ(layout.PagesBetween(0, 10000), QList<int>({ 0, 1, 2 }));
    EXPECT_TRUE(layout.PagesBetween(g + 201, g + 202).isEmpty()) << "the gap between pages shows none";
    EXPECT_TRUE(layout.PagesBetween(50, 50).isEmpty());
}

TEST(PdfLayout, OnePageFormLaysOutOnlyTheShownPageAtTheScale)
{
    TPdfLayout layout;
    layout.Arrange({ QSizeF(100, 200), QSizeF(300, 100) }, 2.0, false, 1);
    const int g = TPdfLayout::kGap;
    EXPECT_TRUE(layout.PageRect(0).isNull());
    EXPECT_EQ(layout.PageRect(1), QRect(g, g, 600, 200));
    EXPECT_EQ(layout.ContentSize(), QSize(600 + 2 * g, 200 + 2 * g));
    EXPECT_EQ(layout.PageAt(0), 1);
    EXPECT_EQ(layout.PagesBetween(0, 50), QList<int>({ 1 }));
    // A page beyond the document shows the last.
    layout.Arrange({ QSizeF(100, 200), QSizeF(300, 100) }, 1.0, false, 7);
    EXPECT_FALSE(layout.PageRect(1).isNull());
    layout.Arrange({}, 1.0, true, 0);
    EXPECT_EQ(layout.PageAt(10), -1);
    EXPECT_TRUE(layout.ContentSize().isEmpty());
}
