// THyGraphicControl.
#include "ui/common/Hygraph.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace hy::common {

THyGraphicControl::THyGraphicControl(QWidget* parent)
    : QWidget(parent)
{
    WatchParent();
}

THyGraphicControl::~THyGraphicControl() = default;

void THyGraphicControl::SetAlign(TAlign align)
{
    if (m_align == align)
        return;
    m_align = align;
    ApplyAlign();
}

void THyGraphicControl::SetShowHint(bool show)
{
    m_showHint = show;
    setToolTip(m_showHint ? m_hint : QString());
}

void THyGraphicControl::SetHint(const QString& hint)
{
    m_hint = hint;
    setToolTip(m_showHint ? m_hint : QString());
}

const QList<QRgb>* THyGraphicControl::GetPalette() const { return nullptr; }

void THyGraphicControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_canvas = &painter;
    Paint();
    m_canvas = nullptr;
}

void THyGraphicControl::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void THyGraphicControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseMove(event->modifiers(), p.x(), p.y());
}

void THyGraphicControl::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(p);
    m_pressed = false;
    if (click)
        Q_EMIT Click();
    Q_EMIT MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

void THyGraphicControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT DblClick();
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

bool THyGraphicControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedParent && event->type() == QEvent::Resize)
        ApplyAlign();
    return QWidget::eventFilter(watched, event);
}

bool THyGraphicControl::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange) {
        WatchParent();
        ApplyAlign();
    }
    return QWidget::event(event);
}

void THyGraphicControl::WatchParent()
{
    if (m_watchedParent == parentWidget())
        return;
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    m_watchedParent = parentWidget();
    if (m_watchedParent)
        m_watchedParent->installEventFilter(this);
}

void THyGraphicControl::ApplyAlign()
{
    const QWidget* p = parentWidget();
    if (!p || m_align == alNone)
        return;
    const QRect area = p->contentsRect();
    switch (m_align) {
    case alTop:
        setGeometry(area.x(), area.y(), area.width(), height());
        break;
    case alBottom:
        setGeometry(area.x(), area.y() + area.height() - height(), area.width(), height());
        break;
    case alLeft:
        setGeometry(area.x(), area.y(), width(), area.height());
        break;
    case alRight:
        setGeometry(area.x() + area.width() - width(), area.y(), width(), area.height());
        break;
    case alClient:
        setGeometry(area);
        break;
    case alNone:
        break;
    }
}

} // namespace hy::common
