// The type icons load from the resources at their size, with the maroon background transparent.
#include "ui/filelist/FileIcons.h"
#include "core/filelist/ExtStrList.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace hy;
using namespace hy::filelist;

TEST(FileIcons, EveryIconLoadsWithATransparentBackground)
{
    QSet<QByteArray> distinct;
    for (int n = 1; n <= kFileIconCount; ++n) {
        const QImage& icon = FileTypeIcon(n);
        ASSERT_FALSE(icon.isNull()) << n;
        EXPECT_EQ(icon.size(), QSize(kFileIconWidth, kFileIconHeight)) << n;
        int transparent = 0, opaque = 0;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) {
                const QRgb p = icon.pixel(x, y);
                if (qAlpha(p) == 0)
                    ++transparent;
                else if (qAlpha(p) == 255 && (p & 0xFFFFFF) != 0x800000)
                    ++opaque;
            }
        }
        EXPECT_GT(transparent, 0) << n;
        EXPECT_EQ(transparent + opaque, kFileIconWidth * kFileIconHeight) << n;
        distinct.insert(QByteArray(reinterpret_cast<const char*>(icon.constBits()), int(icon.sizeInBytes())));
    }
    EXPECT_EQ(distinct.size(), kFileIconCount);
}

TEST(FileIcons, UnknownNumbersGiveTheOtherFileIcon)
{
    EXPECT_EQ(FileTypeIcon(0), FileTypeIcon(fiOtherFile));
    EXPECT_EQ(FileTypeIcon(29), FileTypeIcon(fiOtherFile));
}
