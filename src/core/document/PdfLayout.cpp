// Page geometry of the PDF view.
#include "core/document/PdfLayout.h"

#include <algorithm>
#include <cmath>

namespace hy::document {

double ScaleFor(
    TPdfZoomMode mode, double zoom, double screenPixelsPerPoint, const QSizeF& pagePoints, const QSize& viewport)
{
    const double custom = zoom * screenPixelsPerPoint;
    if (mode == TPdfZoomMode::Custom || pagePoints.width() <= 0 || pagePoints.height() <= 0)
        return custom;
    const double width = viewport.width() - 2.0 * TPdfLayout::kGap;
    const double height = viewport.height() - 2.0 * TPdfLayout::kGap;
    if (width <= 0 || height <= 0)
        return custom;
    const double byWidth = width / pagePoints.width();
    if (mode == TPdfZoomMode::FitWidth)
        return byWidth;
    return std::min(byWidth, height / pagePoints.height());
}

void TPdfLayout::Arrange(const QList<QSizeF>& pagePoints, double pixelsPerPoint, bool continuous, int shownPage)
{
    m_continuous = continuous;
    m_shown = std::clamp(shownPage, 0, std::max(0, int(pagePoints.size()) - 1));
    m_rects.clear();
    m_rects.reserve(pagePoints.size());
    int widest = 0;
    for (const QSizeF& p : pagePoints) {
        const QSize size(std::max(1, int(std::lround(p.width() * pixelsPerPoint))),
            std::max(1, int(std::lround(p.height() * pixelsPerPoint))));
        m_rects.append(QRect(QPoint(0, 0), size));
        widest = std::max(widest, size.width());
    }
    int y = kGap;
    for (int i = 0; i < m_rects.size(); ++i) {
        QRect& r = m_rects[i];
        if (!continuous && i != m_shown) {
            r = QRect();
            continue;
        }
        r.moveTo(kGap + (widest - r.width()) / 2, y);
        y += r.height() + kGap;
    }
    m_content = m_rects.isEmpty() ? QSize() : QSize(widest + 2 * kGap, y);
}

QRect TPdfLayout::PageRect(int page) const { return page >= 0 && page < m_rects.size() ? m_rects.at(page) : QRect(); }

int TPdfLayout::PageAt(int y) const
{
    if (m_rects.isEmpty())
        return -1;
    if (!m_continuous)
        return m_shown;
    // The first page whose bottom gap ends below y.
    const auto it = std::lower_bound(m_rects.cbegin(), m_rects.cend(), y,
        [](const QRect& r, int height) { return r.bottom() + 1 + kGap <= height; });
    return it == m_rects.cend() ? int(m_rects.size()) - 1 : int(it - m_rects.cbegin());
}

QList<int> TPdfLayout::PagesBetween(int top, int bottom) const
{
    QList<int> pages;
    if (m_rects.isEmpty() || bottom <= top)
        return pages;
    if (!m_continuous) {
        const QRect& r = m_rects.at(m_shown);
        if (r.top() < bottom && r.bottom() >= top)
            pages.append(m_shown);
        return pages;
    }
    for (int page = std::max(0, PageAt(top)); page < m_rects.size(); ++page) {
        const QRect& r = m_rects.at(page);
        if (r.top() >= bottom)
            break;
        if (r.bottom() >= top)
            pages.append(page);
    }
    return pages;
}

} // namespace hy::document
