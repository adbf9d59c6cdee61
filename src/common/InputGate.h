// TInputGate: while long work runs on the GUI thread and lets events through, the windows keep painting
// but take no input from the user, so that nothing can close a window or start another command halfway.
// Esc asks the work to stop. A modal dialog that the work itself raised (an alert, a question) takes input
// as usual, and so does whatever the program sends itself.
#pragma once

#include <QObject>

namespace hy {

class TInputGate : public QObject {
public:
    // Holds input until destroyed; Esc sets stop.
    explicit TInputGate(bool& stop);
    ~TInputGate() override;
    TInputGate(const TInputGate&) = delete;
    TInputGate& operator=(const TInputGate&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool& m_stop;
};

} // namespace hy
