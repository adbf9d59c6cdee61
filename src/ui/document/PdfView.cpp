// The PDF view: page layout, rendering on the renderer's thread, marks, selection and paging keys.
#include "ui/document/PdfView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfLink>
#include <QPdfPageRenderer>
#include <QPdfSearchModel>
#include <QPdfSelection>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace hy::document {

namespace {

    // A picture larger than this is rendered at this many pixels and drawn scaled: one page at a very high
    // zoom would otherwise take gigabytes.
    constexpr double kLargestPicture = 32.0 * 1024 * 1024;
    constexpr double kSmallestZoom = 0.1;
    constexpr double kLargestZoom = 8.0;
    // Pictures kept beyond the pages in view, and how far from them a kept page may be.
    constexpr int kKeptPictures = 16;
    constexpr int kKeptDistance = 4;

} // namespace

TPdfView::TPdfView(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_renderer(new QPdfPageRenderer(this))
{
    m_renderer->setRenderMode(QPdfPageRenderer::RenderMode::MultiThreaded);
    connect(m_renderer, &QPdfPageRenderer::pageRendered, this,
        [this](int page, QSize pixels, const QImage& image, QPdfDocumentRenderOptions, quint64 request) {
            PageRendered(page, pixels, image, request);
        });
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
}

TPdfView::~TPdfView() = default;

void TPdfView::SetDocument(QPdfDocument* document)
{
    m_document = document;
    m_renderer->setDocument(document);
    m_pictures.clear();
    m_requests.clear();
    m_requested.clear();
    m_pagePoints.clear();
    m_hitPage = -1;
    m_hitRects.clear();
    m_shownPage = 0;
    m_lastCurrent = -1;
    ClearSelection();
    if (document) {
        for (int page = 0; page < document->pageCount(); ++page)
            m_pagePoints.append(document->pagePointSize(page));
    }
    m_layout.Arrange({}, 1.0, m_continuous, 0);
    Relayout();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    NoteCurrentPage();
}

void TPdfView::SetSearchModel(QPdfSearchModel* model)
{
    m_search = model;
    viewport()->update();
}

void TPdfView::SetCurrentHit(int page, const QList<QRectF>& rectangles)
{
    m_hitPage = page;
    m_hitRects = rectangles;
    viewport()->update();
}

void TPdfView::SetContinuous(bool on)
{
    if (on == m_continuous)
        return;
    const int page = CurrentPage();
    m_continuous = on;
    m_shownPage = page;
    Relayout();
    GoToPage(page);
}

void TPdfView::SetZoomMode(TPdfZoomMode mode)
{
    if (mode == TPdfZoomMode::Custom)
        m_zoom = Zoom();
    m_zoomMode = mode;
    Relayout();
}

double TPdfView::Zoom() const { return Scale() / (logicalDpiX() / 72.0); }

void TPdfView::SetZoom(double zoom)
{
    m_zoom = std::clamp(zoom, kSmallestZoom, kLargestZoom);
    m_zoomMode = TPdfZoomMode::Custom;
    Relayout();
}

double TPdfView::Scale() const
{
    // The fit modes fit the page shown, or in continuous form the largest page, so that the scale holds still
    // while the pages go by.
    QSizeF reference;
    if (!m_continuous && m_shownPage < m_pagePoints.size()) {
        reference = m_pagePoints.at(m_shownPage);
    } else {
        for (const QSizeF& p : m_pagePoints)
            reference = reference.expandedTo(p);
    }
    const double scale = ScaleFor(m_zoomMode, m_zoom, logicalDpiX() / 72.0, reference, viewport()->size());
    const double screen = logicalDpiX() / 72.0;
    return std::clamp(scale, kSmallestZoom * screen, kLargestZoom * screen);
}

int TPdfView::PageCount() const { return int(m_pagePoints.size()); }

int TPdfView::CurrentPage() const
{
    if (m_pagePoints.isEmpty())
        return 0;
    if (!m_continuous)
        return m_shownPage;
    // The page that takes up most of the view, the first of equals.
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    int best = std::max(0, m_layout.PageAt(top + TPdfLayout::kGap));
    int bestShare = 0;
    for (const int page : m_layout.PagesBetween(top, bottom)) {
        const QRect r = m_layout.PageRect(page);
        const int share = std::min(bottom, r.bottom() + 1) - std::max(top, r.top());
        if (share > bestShare) {
            best = page;
            bestShare = share;
        }
    }
    return best;
}

void TPdfView::NoteCurrentPage()
{
    const int page = CurrentPage();
    if (page != m_lastCurrent) {
        m_lastCurrent = page;
        Q_EMIT CurrentPageChanged(page);
    }
}

void TPdfView::GoToPage(int page)
{
    if (m_pagePoints.isEmpty())
        return;
    page = std::clamp(page, 0, PageCount() - 1);
    if (!m_continuous) {
        if (page != m_shownPage) {
            m_shownPage = page;
            m_layout.Arrange(m_pagePoints, Scale(), false, m_shownPage);
            UpdateScrollBars();
        }
        verticalScrollBar()->setValue(0);
    } else {
        verticalScrollBar()->setValue(m_layout.PageRect(page).top() - TPdfLayout::kGap);
    }
    viewport()->update();
    NoteCurrentPage();
}

void TPdfView::ShowArea(int page, const QRectF& points)
{
    if (page < 0 || page >= PageCount())
        return;
    if (!m_continuous && page != m_shownPage)
        GoToPage(page);
    const QRect r = m_layout.PageRect(page);
    const double scale = r.width() / std::max(1.0, m_pagePoints.at(page).width());
    const QRect area = QRectF(r.left() + points.left() * scale, r.top() + points.top() * scale, points.width() * scale,
        points.height() * scale)
                           .toAlignedRect();
    QScrollBar* v = verticalScrollBar();
    if (area.top() < v->value() || area.bottom() > v->value() + viewport()->height())
        v->setValue(area.center().y() - viewport()->height() / 2);
    QScrollBar* h = horizontalScrollBar();
    if (area.left() < h->value() || area.right() > h->value() + viewport()->width())
        h->setValue(area.center().x() - viewport()->width() / 2);
    viewport()->update();
    NoteCurrentPage();
}

void TPdfView::Relayout()
{
    const bool laidOut = m_layout.PageCount() > 0;
    const int current = CurrentPage();
    double within = 0;
    if (laidOut) {
        const QRect r = m_layout.PageRect(current);
        within = r.height() > 0 ? double(verticalScrollBar()->value() - r.top()) / r.height() : 0;
    }
    m_layout.Arrange(m_pagePoints, Scale(), m_continuous, m_shownPage);
    UpdateScrollBars();
    if (laidOut && !m_pagePoints.isEmpty()) {
        const QRect r = m_layout.PageRect(current);
        verticalScrollBar()->setValue(r.top() + int(std::lround(within * r.height())));
    }
    viewport()->update();
    NoteCurrentPage();
    Q_EMIT ZoomChanged();
}

void TPdfView::UpdateScrollBars()
{
    const QSize content = m_layout.ContentSize();
    const QSize view = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, content.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
}

QPoint TPdfView::ContentOrigin() const
{
    const QSize content = m_layout.ContentSize();
    const int x = content.width() < viewport()->width() ? (viewport()->width() - content.width()) / 2
                                                        : -horizontalScrollBar()->value();
    return QPoint(x, -verticalScrollBar()->value());
}

QSize TPdfView::PixelsOf(int page) const
{
    const QSizeF shown = QSizeF(m_layout.PageRect(page).size()) * devicePixelRatioF();
    const double area = shown.width() * shown.height();
    const double shrink = area > kLargestPicture ? std::sqrt(kLargestPicture / area) : 1.0;
    return QSize(
        std::max(1, int(std::lround(shown.width() * shrink))), std::max(1, int(std::lround(shown.height() * shrink))));
}

bool TPdfView::PageIsSharp(int page) const
{
    const auto it = m_pictures.constFind(page);
    return it != m_pictures.cend() && it->Pixels == PixelsOf(page);
}

QList<int> TPdfView::VisiblePages() const
{
    const int top = verticalScrollBar()->value();
    return m_layout.PagesBetween(top, top + viewport()->height());
}

void TPdfView::Request(int page)
{
    if (!m_document || page < 0 || page >= PageCount())
        return;
    const QSize pixels = PixelsOf(page);
    if (m_requested.value(page) == pixels || PageIsSharp(page))
        return;
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    const quint64 id = m_renderer->requestPage(page, pixels, options);
    m_requests.insert(id, page);
    m_requested.insert(page, pixels);
}

void TPdfView::PageRendered(int page, QSize pixels, const QImage& image, quint64 request)
{
    // A picture asked for before the document changed belongs to no page any more.
    if (m_requests.take(request) != page || image.isNull())
        return;
    if (m_requested.value(page) == pixels)
        m_requested.remove(page);
    // An outdated size still beats a blank page.
    if (pixels == PixelsOf(page) || !m_pictures.contains(page))
        m_pictures.insert(page, { image, pixels });
    viewport()->update();
}

void TPdfView::DropFarPictures(const QList<int>& visible)
{
    if (m_pictures.size() <= kKeptPictures || visible.isEmpty())
        return;
    const int first = visible.first() - kKeptDistance;
    const int last = visible.last() + kKeptDistance;
    for (auto it = m_pictures.begin(); it != m_pictures.end();) {
        if (it.key() < first || it.key() > last)
            it = m_pictures.erase(it);
        else
            ++it;
    }
}

QTransform TPdfView::PageTransform(int page) const
{
    const QRect r = m_layout.PageRect(page).translated(ContentOrigin());
    const double scale = r.width() / std::max(1.0, m_pagePoints.at(page).width());
    QTransform t;
    t.translate(r.left(), r.top());
    t.scale(scale, scale);
    return t;
}

void TPdfView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Dark));
    const QList<int> visible = VisiblePages();
    bool sharp = !visible.isEmpty();
    const QPoint origin = ContentOrigin();
    for (const int page : visible) {
        const QRect r = m_layout.PageRect(page).translated(origin);
        const auto it = m_pictures.constFind(page);
        const bool exact = it != m_pictures.cend() && it->Pixels == PixelsOf(page);
        // Pages are rendered on nothing: the paper is white.
        painter.fillRect(r, Qt::white);
        if (!exact) {
            Request(page);
            sharp = false;
        }
        if (it != m_pictures.cend()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, !exact);
            painter.drawImage(r, it->Image);
        }
        painter.setPen(palette().color(QPalette::Shadow));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(-1, -1, 0, 0));

        painter.save();
        painter.setTransform(PageTransform(page));
        painter.setPen(Qt::NoPen);
        if (m_search && !m_search->searchString().isEmpty()) {
            painter.setBrush(QColor(255, 210, 0, 100));
            for (const QPdfLink& hit : m_search->resultsOnPage(page)) {
                for (const QRectF& rect : hit.rectangles())
                    painter.drawRect(rect);
            }
        }
        if (page == m_hitPage) {
            painter.setBrush(QColor(255, 120, 0, 140));
            for (const QRectF& rect : std::as_const(m_hitRects))
                painter.drawRect(rect);
        }
        if (page == m_selectPage && !m_selectionBounds.isEmpty()) {
            QColor selection = palette().color(QPalette::Highlight);
            selection.setAlpha(90);
            painter.setBrush(selection);
            for (const QPolygonF& polygon : std::as_const(m_selectionBounds))
                painter.drawPolygon(polygon);
        }
        painter.restore();
    }
    // The page after the ones in view is rendered ahead, so that paging finds it ready.
    if (!visible.isEmpty() && sharp)
        Request(m_continuous ? visible.last() + 1 : -1);
    DropFarPictures(visible);
    if (sharp)
        Q_EMIT ViewSharp();
}

void TPdfView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
}

void TPdfView::scrollContentsBy(int, int)
{
    viewport()->update();
    NoteCurrentPage();
}

void TPdfView::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int current = CurrentPage();
    switch (event->key()) {
    case Qt::Key_PageDown:
        GoToPage(current + 1);
        return;
    case Qt::Key_PageUp: {
        // From within a page, back to its top first.
        const bool atTop = !m_continuous
            ? verticalScrollBar()->value() == 0
            : verticalScrollBar()->value() <= m_layout.PageRect(current).top() - TPdfLayout::kGap;
        GoToPage(atTop ? current - 1 : current);
        return;
    }
    case Qt::Key_Home:
        if (ctrl) {
            GoToPage(0);
            return;
        }
        break;
    case Qt::Key_End:
        if (ctrl) {
            GoToPage(PageCount() - 1);
            return;
        }
        break;
    default:
        break;
    }
    if (event->matches(QKeySequence::Copy) && HasSelection()) {
        QApplication::clipboard()->setText(m_selectionText);
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectPageText();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TPdfView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int steps = event->angleDelta().y() / 120;
        if (steps != 0)
            SetZoom(Zoom() * std::pow(1.1, steps));
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

int TPdfView::PageUnder(const QPoint& at, QPointF& points) const
{
    const QPoint inContent = at - ContentOrigin();
    const int page = m_layout.PageAt(inContent.y());
    if (page < 0 || !m_layout.PageRect(page).contains(inContent))
        return -1;
    points = PageTransform(page).inverted().map(QPointF(at));
    return page;
}

void TPdfView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_document) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    ClearSelection();
    QPointF points;
    const int page = PageUnder(event->position().toPoint(), points);
    if (page >= 0) {
        m_selectPage = page;
        m_selectStart = points;
        m_dragging = true;
    }
}

void TPdfView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !m_document)
        return;
    // The drag stays on the page it began on, wherever the mouse goes.
    const QPointF end = PageTransform(m_selectPage).inverted().map(event->position());
    const QPdfSelection selection = SelectionTo(end);
    m_selectionBounds = selection.bounds();
    m_selectionText = selection.text();
    viewport()->update();
}

QPdfSelection TPdfView::SelectionTo(const QPointF& end) const
{
    // The document selects only between two characters: a drag that ends beyond the end of a line, or in the
    // margin, selects up to the last character before it on its line.
    constexpr double kStep = 6.0;
    QPointF at = end;
    for (;;) {
        QPdfSelection selection = m_document->getSelection(m_selectPage, m_selectStart, at);
        const bool rightward = end.x() >= m_selectStart.x();
        if (selection.isValid()
            || (rightward ? at.x() - kStep < m_selectStart.x() : at.x() + kStep > m_selectStart.x()))
            return selection;
        at.rx() += rightward ? -kStep : kStep;
    }
}

void TPdfView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        Q_EMIT SelectionChanged();
    }
}

void TPdfView::SelectPageText()
{
    if (!m_document || m_pagePoints.isEmpty())
        return;
    m_selectPage = CurrentPage();
    const QPdfSelection selection = m_document->getAllText(m_selectPage);
    m_selectionBounds = selection.bounds();
    m_selectionText = selection.text();
    viewport()->update();
    Q_EMIT SelectionChanged();
}

void TPdfView::ClearSelection()
{
    const bool had = !m_selectionText.isEmpty() || !m_selectionBounds.isEmpty();
    m_selectPage = -1;
    m_selectionBounds.clear();
    m_selectionText.clear();
    m_dragging = false;
    viewport()->update();
    if (had)
        Q_EMIT SelectionChanged();
}

} // namespace hy::document
