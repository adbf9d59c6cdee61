// Where the pages of a PDF stand in the view: one under the other (continuous) or one at a time, at a scale
// that a zoom mode gives, in the view's pixels.
#pragma once

#include <QList>
#include <QRect>
#include <QSizeF>

namespace hy::document {

enum class TPdfZoomMode { Custom, FitWidth, FitPage };

// Pixels per point for a zoom mode. Custom is zoom times the screen's pixels per point (1.0 shows the page at
// its printed size); FitWidth makes the page as wide as the viewport less the gaps around it; FitPage makes it
// fit whole. A page or viewport with no area keeps the custom scale.
double ScaleFor(
    TPdfZoomMode mode, double zoom, double screenPixelsPerPoint, const QSizeF& pagePoints, const QSize& viewport);

class TPdfLayout {
public:
    // Pixels around and between pages.
    static constexpr int kGap = 8;

    // Lays the pages out at a scale: in continuous form every page, one under the other and centred across the
    // widest; else only shownPage.
    void Arrange(const QList<QSizeF>& pagePoints, double pixelsPerPoint, bool continuous, int shownPage);

    int PageCount() const { return int(m_rects.size()); }
    bool Continuous() const { return m_continuous; }
    // The size of everything laid out, gaps included.
    QSize ContentSize() const { return m_content; }
    // A page's place in the content; empty for a page not laid out (in one-page form, every other page).
    QRect PageRect(int page) const;
    // The page that the content's height y falls on (a gap counts for the page above it); -1 without pages.
    int PageAt(int y) const;
    // The laid out pages that meet the band of heights [top, bottom).
    QList<int> PagesBetween(int top, int bottom) const;

private:
    QList<QRect> m_rects;
    QSize m_content;
    bool m_continuous = true;
    int m_shown = 0;
};

} // namespace hy::document
