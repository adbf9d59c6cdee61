// The 16-colour grid of the Preferences dialog.
#include "app/ColorGrid.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace hy::app {

namespace {
    constexpr QRgb kColors[kGridColorCount] = { 0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080,
        0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF };
} // namespace

QColor GridColor(int index) { return QColor(kColors[std::clamp(index, 0, kGridColorCount - 1)]); }

quint32 StoredColorValue(const QColor& color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

TColorGrid::TColorGrid(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ColorGrid"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(8 * 16, 2 * 16);
}

void TColorGrid::SetForegroundIndex(int index)
{
    m_foreground = std::clamp(index, 0, kGridColorCount - 1);
    update();
    Q_EMIT Change();
}

void TColorGrid::SetBackgroundIndex(int index)
{
    m_background = std::clamp(index, 0, kGridColorCount - 1);
    update();
    Q_EMIT Change();
}

QRect TColorGrid::CellRect(int index) const
{
    const int w = width() / 8;
    const int h = height() / 2;
    return QRect((index % 8) * w, (index / 8) * h, w, h);
}

int TColorGrid::IndexAt(const QPoint& point) const
{
    for (int i = 0; i < kGridColorCount; ++i) {
        if (CellRect(i).contains(point))
            return i;
    }
    return -1;
}

void TColorGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    for (int i = 0; i < kGridColorCount; ++i) {
        const QRect cell = CellRect(i);
        const QColor color = GridColor(i);
        p.fillRect(cell.adjusted(1, 1, -1, -1), color);
        p.setPen(QColor(128, 128, 128));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        QString mark;
        if (i == m_foreground && i == m_background)
            mark = QStringLiteral("FB");
        else if (i == m_foreground)
            mark = QStringLiteral("FG");
        else if (i == m_background)
            mark = QStringLiteral("BG");
        if (!mark.isEmpty()) {
            p.setPen(color.lightness() > 128 ? Qt::black : Qt::white);
            p.drawText(cell, Qt::AlignCenter, mark);
        }
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(CellRect(m_foreground).adjusted(1, 1, -2, -2));
    }
}

void TColorGrid::mousePressEvent(QMouseEvent* event)
{
    const int index = IndexAt(event->position().toPoint());
    if (index < 0)
        return;
    if (event->button() == Qt::LeftButton)
        SetForegroundIndex(index);
    else if (event->button() == Qt::RightButton)
        SetBackgroundIndex(index);
}

} // namespace hy::app
