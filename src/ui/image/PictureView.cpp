// Fitting, zooming, panning and turning the picture of the Image page.
#include "ui/image/PictureView.h"

#include "core/image/PictureZoom.h"
#include "ui/image/MultiImg.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace hy::image {

TPictureView::TPictureView(QWidget* parent)
    : QScrollArea(parent)
    , m_image(new TMultiImage(this))
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    m_image->SetAutoSize(false);
    m_image->SetStretch(true);
    m_image->SetStretchRatio(true);
    m_image->installEventFilter(this);
    setWidget(m_image);
    connect(m_image, &TMultiImage::PictureChanged, this, qOverload<>(&TPictureView::Layout));
}

QString TPictureView::ZoomText() const { return hy::image::ZoomText(m_shownZoom); }

void TPictureView::ZoomIn() { SetZoom(StepZoom(m_shownZoom, 1)); }
void TPictureView::ZoomOut() { SetZoom(StepZoom(m_shownZoom, -1)); }
void TPictureView::ActualSize() { SetZoom(1.0); }

void TPictureView::FitToWindow()
{
    m_fit = true;
    Layout();
}

void TPictureView::SetZoom(double zoom)
{
    m_fit = false;
    m_zoom = std::clamp(zoom, kSmallestZoom, kLargestZoom);
    Layout();
}

void TPictureView::RotateLeft() { m_image->SetQuarterTurns(m_image->QuarterTurns() - 1); }
void TPictureView::RotateRight() { m_image->SetQuarterTurns(m_image->QuarterTurns() + 1); }

void TPictureView::Reset()
{
    m_fit = true;
    m_image->SetQuarterTurns(0);
}

void TPictureView::Layout() { Layout(viewport()->rect().center()); }

void TPictureView::Layout(const QPoint& anchor)
{
    const QSize picture = TurnedSize(m_image->Picture().size(), m_image->QuarterTurns());
    if (picture.isEmpty()) {
        m_image->resize(0, 0);
        return;
    }
    // A fitted picture needs no scroll bars: it is fitted into the whole view.
    const Qt::ScrollBarPolicy bars = m_fit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(bars);
    setVerticalScrollBarPolicy(bars);
    // The point of the picture under the anchor, as a share of the picture, stays under it.
    const QPointF at = m_image->mapFrom(viewport(), anchor);
    const QPointF share(m_image->width() > 0 ? at.x() / m_image->width() : 0.5,
        m_image->height() > 0 ? at.y() / m_image->height() : 0.5);
    const double zoom = m_fit ? FitZoom(picture, maximumViewportSize()) : m_zoom;
    const QSize shown = ZoomedSize(picture, zoom);
    if (m_image->size() != shown)
        m_image->resize(shown);
    if (!m_fit) {
        horizontalScrollBar()->setValue(qRound(share.x() * shown.width() - anchor.x()));
        verticalScrollBar()->setValue(qRound(share.y() * shown.height() - anchor.y()));
    }
    ShowHandIfScrollable();
    if (zoom != m_shownZoom) {
        m_shownZoom = zoom;
        Q_EMIT ZoomChanged();
    }
}

bool TPictureView::Scrollable() const
{
    return horizontalScrollBar()->maximum() > 0 || verticalScrollBar()->maximum() > 0;
}

void TPictureView::ShowHandIfScrollable() { m_image->setCursor(Scrollable() ? Qt::OpenHandCursor : Qt::ArrowCursor); }

void TPictureView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    if (m_fit)
        Layout();
    else
        ShowHandIfScrollable();
}

void TPictureView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QScrollArea::wheelEvent(event);
        return;
    }
    // Ctrl and the wheel zoom about the point under the pointer.
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) {
        m_fit = false;
        m_zoom = StepZoom(m_shownZoom, steps);
        Layout(viewport()->mapFrom(this, event->position().toPoint()));
    }
    event->accept();
}

bool TPictureView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_image)
        return QScrollArea::eventFilter(watched, event);
    // A picture larger than the view follows the pointer while the left button holds it.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Scrollable()) {
            m_dragging = true;
            m_dragFrom = mouse->globalPosition().toPoint();
            m_image->setCursor(Qt::ClosedHandCursor);
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            const QPoint now = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            const QPoint moved = now - m_dragFrom;
            m_dragFrom = now;
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - moved.x());
            verticalScrollBar()->setValue(verticalScrollBar()->value() - moved.y());
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragging && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_dragging = false;
            ShowHandIfScrollable();
            return true;
        }
        break;
    default:
        break;
    }
    return QScrollArea::eventFilter(watched, event);
}

} // namespace hy::image
