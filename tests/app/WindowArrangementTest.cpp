// Tiling, cascading, and a stored main window brought onto the screen.
#include "app/WindowArrangement.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace hy::app;

namespace {
bool Inside(const QRect& inner, const QRect& outer) { return outer.contains(inner); }
} // namespace

TEST(WindowArrangement, TilesFillTheAreaAndNeverGetTooSmall)
{
    const QSize area(1000, 600);
    EXPECT_EQ(TileRects(1, area, true), QList<QRect>({ QRect(0, 0, 1000, 600) }));
    EXPECT_EQ(TileRects(3, area, true),
        QList<QRect>({ QRect(0, 0, 333, 600), QRect(333, 0, 333, 600), QRect(666, 0, 334, 600) }));
    EXPECT_EQ(TileRects(2, area, false), QList<QRect>({ QRect(0, 0, 1000, 300), QRect(0, 300, 1000, 300) }));
    EXPECT_TRUE(TileRects(0, area, true).isEmpty());

    // Five windows side by side in a narrow area, and many more than fit: never below the minimum.
    for (const int count : { 5, 7, 40, 1000 }) {
        for (const bool vertical : { true, false }) {
            const QList<QRect> rects = TileRects(count, QSize(700, 500), vertical);
            ASSERT_EQ(rects.size(), count);
            for (const QRect& r : rects) {
                EXPECT_GE(r.width(), kChildMinWidth) << count;
                EXPECT_GE(r.height(), kChildMinHeight) << count;
                EXPECT_GE(r.left(), 0);
                EXPECT_GE(r.top(), 0);
            }
        }
    }
    // Windows that do not fit in one row go into more rows, each as wide as a share of the row.
    const QList<QRect> rows = TileRects(8, QSize(700, 500), true);
    EXPECT_EQ(rows.at(0), QRect(0, 0, 175, 250));
    EXPECT_EQ(rows.at(4), QRect(0, 250, 175, 250));
}

TEST(WindowArrangement, CascadedWindowsAreAGoodShareOfTheAreaAndStepBackToTheCorner)
{
    const QSize area(1000, 600);
    const QList<QRect> rects = CascadeRects(12, area, 25);
    ASSERT_EQ(rects.size(), 12);
    for (const QRect& r : rects) {
        EXPECT_EQ(r.size(), QSize(750, 450));
        EXPECT_TRUE(Inside(r, QRect(QPoint(0, 0), area)));
    }
    EXPECT_EQ(rects.at(1).topLeft(), QPoint(25, 25));
    // (600 - 450) / 25 + 1 = 7 steps, then the corner again.
    EXPECT_EQ(rects.at(6).topLeft(), QPoint(150, 150));
    EXPECT_EQ(rects.at(7).topLeft(), QPoint(0, 0));
    // A tiny area still gives usable windows.
    for (const QRect& r : CascadeRects(3, QSize(100, 80), 25))
        EXPECT_EQ(r.size(), QSize(kChildMinWidth, kChildMinHeight));
}

TEST(WindowArrangement, StoredBoundsFitTheScreen)
{
    const QRect screen(0, 0, 1024, 768);
    const QRect second(1024, 0, 800, 600);
    struct Case {
        QRect stored;
        QRect available;
        QRect fitted;
    } cases[] = {
        { QRect(10, 20, 600, 400), screen, QRect(10, 20, 600, 400) },
        { QRect(0, 0, 100000, 100000), screen, screen },
        { QRect(-5000, -5000, 600, 400), screen, QRect(0, 0, 600, 400) },
        { QRect(900, 700, 600, 400), screen, QRect(424, 368, 600, 400) },
        { QRect(10, -30, 600, 400), screen, QRect(10, 0, 600, 400) },
        { QRect(1100, 10, 400, 300), second, QRect(1100, 10, 400, 300) },
        { QRect(0, 0, 2000, 300), second, QRect(1024, 0, 800, 300) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitInside(c.stored, c.available), c.fitted);
}
