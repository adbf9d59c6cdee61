// TStoppableWork: long work of the main window run on the one GUI thread. It keeps the windows painted,
// shows its progress in the status bar, shows the wait cursor once the work goes past its first step (work of
// one step, such as opening the one file named at start, never loads the cursor), and stops when Esc is
// pressed. While it runs, other input is held back, so that nothing can close a window or start another
// command halfway; a modal dialog that the work raises (an alert) takes input as usual.
#pragma once

#include "ui/common/CursorScope.h"
#include "ui/common/InputGate.h"

#include <QElapsedTimer>
#include <QPointer>
#include <functional>
#include <optional>

class QStatusBar;

namespace hy::app {

class TStoppableWork {
public:
    explicit TStoppableWork(QStatusBar* bar);
    ~TStoppableWork();
    TStoppableWork(const TStoppableWork&) = delete;
    TStoppableWork& operator=(const TStoppableWork&) = delete;

    // Every so often shows the text it is given and lets pending events through; true once Esc was pressed.
    bool Step(const std::function<QString()>& text);
    bool Stopped() const { return m_stopped; }

    // How often Step lets events through; tests make it every step.
    static void SetPumpInterval(int milliseconds);

private:
    std::optional<common::TCursorScope> m_busy;
    int m_steps = 0;
    QPointer<QStatusBar> m_bar;
    QElapsedTimer m_sincePump;
    bool m_stopped = false;
    bool m_pumped = false;
    common::TInputGate m_gate { m_stopped };
};

} // namespace hy::app
