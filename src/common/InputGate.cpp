// Holding back the user's input during long work.
#include "common/InputGate.h"

#include <QApplication>
#include <QKeyEvent>

namespace hy {

TInputGate::TInputGate(bool& stop)
    : m_stop(stop)
{
    qApp->installEventFilter(this);
}

TInputGate::~TInputGate() { qApp->removeEventFilter(this); }

bool TInputGate::eventFilter(QObject* watched, QEvent* event)
{
    if (!event->spontaneous() || QApplication::activeModalWidget())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
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
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace hy
