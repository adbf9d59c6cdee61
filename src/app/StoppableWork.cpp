// Stoppable long work with its progress in the status bar.
#include "app/StoppableWork.h"

#include <QApplication>
#include <QStatusBar>

namespace hy::app {

namespace {
    int g_pumpInterval = 100;
} // namespace

void TStoppableWork::SetPumpInterval(int milliseconds) { g_pumpInterval = milliseconds; }

TStoppableWork::TStoppableWork(QStatusBar* bar)
    : m_bar(bar)
{
    m_sincePump.start();
}

TStoppableWork::~TStoppableWork()
{
    if (m_bar && m_pumped)
        m_bar->clearMessage();
}

bool TStoppableWork::Step(const std::function<QString()>& text)
{
    const bool pump = m_sincePump.elapsed() >= g_pumpInterval;
    if (!m_busy && (++m_steps > 1 || pump))
        m_busy.emplace();
    if (!pump)
        return m_stopped;
    if (m_bar)
        m_bar->showMessage(text());
    m_pumped = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    m_sincePump.restart();
    return m_stopped;
}

} // namespace hy::app
