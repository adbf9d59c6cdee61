// The caret's description and the drawn caret of one widget.
#include "ui/viewer/HvCaret.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace hy::viewer {

THvCaret::THvCaret(QObject* parent)
    : QObject(parent)
{
}

void THvCaret::SetBitmap(const QImage& bitmap)
{
    m_bitmap = bitmap;
    if (m_shape == csBitmap && !bitmap.isNull()) {
        m_width = bitmap.width();
        m_height = bitmap.height();
    }
    Q_EMIT Changed();
}

void THvCaret::SetBitmapHotSpotX(int x)
{
    if (x == m_hotSpotX)
        return;
    m_hotSpotX = x;
    Q_EMIT Changed();
}

void THvCaret::SetBitmapHotSpotY(int y)
{
    if (y == m_hotSpotY)
        return;
    m_hotSpotY = y;
    Q_EMIT Changed();
}

void THvCaret::SetShape(TCaretShape shape)
{
    m_shape = shape;
    switch (shape) {
    case csBlock:
        m_align = caLeft;
        break;
    case csHalfBlock:
        m_align = caBottom;
        break;
    case csVertLine:
        m_align = caLeft;
        m_width = 2;
        break;
    case csHorzLine:
        m_align = caBottom;
        m_height = 2;
        break;
    case csCustom:
        break;
    case csBitmap:
        if (!m_bitmap.isNull()) {
            m_width = m_bitmap.width();
            m_height = m_bitmap.height();
        }
        break;
    }
    Q_EMIT Changed();
}

void THvCaret::SetAlign(TCaretAlign align)
{
    if (align == m_align)
        return;
    m_align = align;
    Q_EMIT Changed();
}

void THvCaret::SetBlinkTime(int milliseconds)
{
    if (milliseconds < 0 || milliseconds == m_blinkTime)
        return;
    m_blinkTime = milliseconds;
    Q_EMIT Changed();
}

void THvCaret::SetCaretHeight(int height)
{
    if (height <= 0 || height == m_height)
        return;
    m_height = height;
    Q_EMIT Changed();
}

void THvCaret::SetCaretWidth(int width)
{
    if (width <= 0 || width == m_width)
        return;
    m_width = width;
    Q_EMIT Changed();
}

void THvCaret::SetIsGray(bool gray)
{
    if (gray == m_isGray)
        return;
    m_isGray = gray;
    Q_EMIT Changed();
}

TCaretCell THvCaret::Geometry(int cellWidth, int cellHeight) const
{
    return CaretCellGeometry(m_shape, m_align, m_width, m_height, cellWidth, cellHeight, m_hotSpotX, m_hotSpotY);
}

THvSingleCaret::THvSingleCaret(QWidget* widget)
    : QObject(widget)
    , m_widget(widget)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &THvSingleCaret::Blink);
    SetCaret(std::make_shared<THvCaret>());
}

THvSingleCaret::~THvSingleCaret() = default;

void THvSingleCaret::SetCaret(std::shared_ptr<THvCaret> caret)
{
    if (!caret || caret == m_caret)
        return;
    if (m_caret)
        disconnect(m_caret.get(), nullptr, this, nullptr);
    m_caret = std::move(caret);
    connect(m_caret.get(), &THvCaret::Changed, this, &THvSingleCaret::Relink);
    Relink();
}

void THvSingleCaret::SetCellSize(int width, int height)
{
    m_cellWidth = width;
    m_cellHeight = height;
    Relink();
}

void THvSingleCaret::Relink()
{
    Invalidate();
    m_geometry = m_caret->Geometry(m_cellWidth, m_cellHeight);
    if (m_created) {
        // A changed caret is made anew: visible phase first, with the new interval.
        m_phaseOn = true;
        const int interval = BlinkInterval();
        if (interval > 0)
            m_timer->start(interval);
        else
            m_timer->stop();
    }
    Invalidate();
}

int THvSingleCaret::BlinkInterval() const
{
    if (m_caret->BlinkTime() >= THvCaret::kSteadyBlinkTime)
        return 0;
    if (m_caret->BlinkTime() > 0)
        return m_caret->BlinkTime();
    const int flash = QApplication::cursorFlashTime();
    return flash > 0 ? flash / 2 : 0;
}

bool THvSingleCaret::IsBlinking() const { return m_timer->isActive(); }

void THvSingleCaret::Create()
{
    if (m_created)
        return;
    m_created = true;
    Relink();
}

void THvSingleCaret::Destroy()
{
    if (!m_created)
        return;
    Invalidate();
    m_created = false;
    m_timer->stop();
}

void THvSingleCaret::SetShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    m_phaseOn = true;
    Invalidate();
}

void THvSingleCaret::SetCellPosition(const QPoint& cellTopLeft)
{
    if (m_onView && cellTopLeft == m_cell)
        return;
    Invalidate();
    m_cell = cellTopLeft;
    m_onView = true;
    m_phaseOn = true;
    if (m_timer->isActive())
        m_timer->start(); // restart the interval so a moving caret stays visible
    Invalidate();
}

void THvSingleCaret::SetOffView()
{
    if (!m_onView)
        return;
    Invalidate();
    m_onView = false;
}

QRect THvSingleCaret::Rect() const
{
    if (!m_onView)
        return {};
    return QRect(m_cell.x() + m_geometry.X, m_cell.y() + m_geometry.Y, m_geometry.Width, m_geometry.Height);
}

bool THvSingleCaret::IsVisibleNow() const { return m_created && m_shown && m_onView && m_phaseOn; }

void THvSingleCaret::Blink()
{
    m_phaseOn = !m_phaseOn;
    Invalidate();
}

void THvSingleCaret::Invalidate()
{
    if (m_onView && m_widget)
        m_widget->update(Rect());
}

void THvSingleCaret::Paint(QPainter& painter) const
{
    if (!IsVisibleNow())
        return;
    const QRect r = Rect();
    painter.save();
    // Inverting the pixels keeps the character under a block caret readable.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    if (m_caret->Shape() == csBitmap && !m_caret->Bitmap().isNull())
        painter.drawImage(r.topLeft(), m_caret->Bitmap());
    else
        painter.fillRect(r, QBrush(Qt::white, m_caret->IsGray() ? Qt::Dense4Pattern : Qt::SolidPattern));
    painter.restore();
}

} // namespace hy::viewer
