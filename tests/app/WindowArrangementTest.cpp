// Tiling, cascading, and a stored main window brought onto the screen.
#include "core/program/WindowArrangement.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace hy::program;

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

// Tiled horizontally (as Compare tiles its windows) they stand one above the other, each the full width of the
// area, from two to five and beyond; when they do not fit at their smallest height they overlap by equal steps
// from the top to the bottom.
TEST(WindowArrangement, HorizontalTilesAreOneColumnOfFullWidthWindows)
{
    const QSize area(900, 760);
    const struct {
        int Count;
        QList<int> Tops;
        QList<int> Heights;
    } cases[] = {
        { 2, { 0, 380 }, { 380, 380 } },
        { 3, { 0, 253, 506 }, { 253, 253, 254 } },
        { 4, { 0, 190, 380, 570 }, { 190, 190, 190, 190 } },
        { 5, { 0, 152, 304, 456, 608 }, { 152, 152, 152, 152, 152 } },
    };
    for (const auto& c : cases) {
        const QList<QRect> rects = TileRects(c.Count, area, false);
        ASSERT_EQ(rects.size(), c.Count);
        for (int i = 0; i < c.Count; ++i) {
            EXPECT_EQ(rects.at(i), QRect(0, c.Tops.at(i), 900, c.Heights.at(i))) << c.Count << " windows, #" << i;
        }
    }
    // Five in 600 pixels: each keeps the smallest height, stepping (600 - 150) / 4 down, the last at the bottom.
    EXPECT_EQ(TileRects(5, QSize(1000, 600), false),
        QList<QRect>({ QRect(0, 0, 1000, 150), QRect(0, 112, 1000, 150), QRect(0, 225, 1000, 150),
            QRect(0, 337, 1000, 150), QRect(0, 450, 1000, 150) }));
    // Narrower than a window can be: still one column, at the smallest width.
    for (const QRect& r : TileRects(3, QSize(100, 600), false))
        EXPECT_EQ(QRect(r.left(), 0, r.width(), 1), QRect(0, 0, kChildMinWidth, 1));
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
