// Holding back the user's input during long work.
#include "ui/common/InputGate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace hy::common {

TInputGate::TInputGate(bool& stop)
    : m_stop(stop)
{
    qApp->installEventFilter(this);
}

TInputGate::TInputGate(bool& stop, const QList<QWidget*>& heldWindows, const QWidget* frozen)
    : m_stop(stop)
    , m_someWindows(true)
    , m_frozen(frozen)
{
    for (const QWidget* w : heldWindows) {
        m_held << w->window();
        m_heldHandles << w->window()->windowHandle();
    }
    qApp->installEventFilter(this);
}

TInputGate::~TInputGate() { qApp->removeEventFilter(this); }

bool TInputGate::Holds(QObject* watched, const QEvent* event) const
{
    if (!m_someWindows)
        return event->spontaneous() && !QApplication::activeModalWidget();
    // Events of the held windows: their widgets, their platform windows, and shortcuts typed there.
    if (const auto* widget = qobject_cast<QWidget*>(watched))
        return m_held.contains(widget->window());
    const QWindow* window = qobject_cast<QWindow*>(watched);
    if (!window)
        window = QGuiApplication::focusWindow();
    return !window || m_heldHandles.contains(window);
}

bool TInputGate::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (!Holds(watched, event))
            return false;
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_stop = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Close:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return Holds(watched, event);
    case QEvent::ApplicationStateChange:
    case QEvent::ApplicationActivate:
    case QEvent::ApplicationDeactivate:
        return m_someWindows;
    case QEvent::Paint:
        return m_frozen && watched == m_frozen;
    default:
        return false;
    }
}

} // namespace hy::common
