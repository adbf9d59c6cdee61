// Stoppable long work with its progress in the status bar.
#include "app/StoppableWork.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStatusBar>

namespace hy::app {

namespace {
    int g_pumpInterval = 100;
} // namespace

void TStoppableWork::SetPumpInterval(int milliseconds) { g_pumpInterval = milliseconds; }

TStoppableWork::TStoppableWork(QStatusBar* bar)
    : m_bar(bar)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
    m_sincePump.start();
}

TStoppableWork::~TStoppableWork()
{
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    if (m_bar && m_pumped)
        m_bar->clearMessage();
}

bool TStoppableWork::Step(const std::function<QString()>& text)
{
    if (m_sincePump.elapsed() < g_pumpInterval)
        return m_stopped;
    if (m_bar)
        m_bar->showMessage(text());
    m_pumped = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    m_sincePump.restart();
    return m_stopped;
}

bool TStoppableWork::eventFilter(QObject* watched, QEvent* event)
{
    // Only what the user does is held back, not what the program sends itself (a failed window closing).
    // A dialog that the work itself raised waits for the user, who must be able to answer it.
    if (!event->spontaneous() || QApplication::activeModalWidget())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_stopped = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
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

} // namespace hy::app
