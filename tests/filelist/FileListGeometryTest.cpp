// The file list's geometry and letter jumps as plain functions.
#include "core/filelist/FileListGeometry.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace hy;
using namespace hy::filelist;

TEST(FileListGeometry, ItemHeightFromTheFont)
{
    const struct {
        int pixels, points, height;
    } cases[] = { { 12, 9, 16 }, { 13, 10, 16 }, { 16, 12, 20 }, { 17, 13, 20 }, { -15, -11, 18 }, { 4, 3, 16 } };
    for (const auto& c : cases)
        EXPECT_EQ(ListItemHeight(c.pixels, c.points), c.height) << c.pixels << "/" << c.points;
}

TEST(FileListGeometry, ColumnsAndExtents)
{
    EXPECT_EQ(ClampColumnWidth(fdName, 10), 30);
    EXPECT_EQ(ClampColumnWidth(fdSize, -5), 0);
    EXPECT_EQ(ClampColumnWidth(fdAttr, 45), 45);
    EXPECT_EQ(DetailsExtent(kDefaultColumnWidths, { fdName, fdDate }), 220);
    EXPECT_EQ(DetailsExtent(kDefaultColumnWidths, { fdName, fdSize, fdDate, fdTime, fdAttr }), 430);

    const std::vector<int> widths { 40, 300, 500, 10 };
    auto width = [&](int i) { return widths[size_t(i)]; };
    EXPECT_EQ(NamesExtent(4, width), 520);
    EXPECT_EQ(NamesExtent(0, width), 0);

    EXPECT_EQ(HeaderGeometry(QRect(0, 3, 430, 20), 75, 300), QRect(-75, 3, 375, 20));
}

TEST(FileListGeometry, LetterJumpsWrapAndStop)
{
    const QStringList names { "..", "alpha", "Beta", "apple", "9lives", "avocado" };
    auto name = [&](int i) { return names.at(i); };
    EXPECT_EQ(LetterJumpTarget(6, 1, QLatin1Char('a'), name), 3);
    EXPECT_EQ(LetterJumpTarget(6, 5, QLatin1Char('A'), name), 1);
    EXPECT_EQ(LetterJumpTarget(6, -1, QLatin1Char('b'), name), 2);
    EXPECT_EQ(LetterJumpTarget(6, 2, QLatin1Char('b'), name), 2);
    EXPECT_EQ(LetterJumpTarget(6, 0, QLatin1Char('9'), name), 4);
    EXPECT_EQ(LetterJumpTarget(6, 0, QLatin1Char('z'), name), -1);
    EXPECT_EQ(LetterJumpTarget(0, -1, QLatin1Char('a'), name), -1);
}
