// The file list's geometry and key rules.
#include "core/filelist/FileListGeometry.h"

#include <cstdlib>

namespace hy::filelist {

int ListItemHeight(int fontPixelHeight, int fontPointSize)
{
    const int height = std::max(16, 2 * std::abs(fontPixelHeight) - std::abs(fontPointSize));
    return height & ~1;
}

int ClampColumnWidth(TFileDetailItems column, int width)
{
    width = std::max(0, width);
    return column == fdName ? std::max(kMinNameColumnWidth, width) : width;
}

int DetailsExtent(const TColumnWidths& widths, TFileDetails details)
{
    int extent = 0;
    for (int c = 0; c < kFileDetailCount; ++c) {
        if (details.Contains(TFileDetailItems(c)))
            extent += widths[size_t(c)];
    }
    return extent;
}

int NamesExtent(int count, const std::function<int(int)>& textWidth)
{
    int extent = 0;
    for (int i = 0; i < count; ++i)
        extent = std::max(extent, textWidth(i) + kNameIndent);
    return extent;
}

QRect HeaderGeometry(const QRect& header, int scrollPosition, int parentClientWidth)
{
    return QRect(-scrollPosition, header.top(), scrollPosition + parentClientWidth, header.height());
}

int LetterJumpTarget(int count, int focused, QChar key, const std::function<QString(int)>& name)
{
    if (count <= 0)
        return -1;
    const QChar wanted = key.toUpper();
    const int start = focused >= 0 && focused < count ? focused : -1;
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step) % count;
        const QString n = name(i);
        if (!n.isEmpty() && n.at(0).toUpper() == wanted)
            return i;
    }
    return -1;
}

} // namespace hy::filelist
