// TInputGate: while long work runs on the GUI thread and lets events through, the windows keep painting
// but take no input from the user, so that nothing can close a window or start another command halfway.
// Esc asks the work to stop. A modal dialog that the work itself raised (an alert, a question) takes input
// as usual, and so does whatever the program sends itself.
//
// A gate may instead hold only some windows: the ones whose state the work is in the middle of changing.
// Then every input to them waits, whoever sends it and whatever dialog is up, while other windows (an
// alert, a question, any dialog) work as usual; Esc typed into a held window asks the work to stop.
#pragma once

#include <QList>
#include <QObject>

class QWidget;
class QWindow;

namespace hy::common {

class TInputGate : public QObject {
public:
    // Holds input to every window until destroyed; Esc sets stop.
    explicit TInputGate(bool& stop);
    // Holds input to the given top-level windows only, and the paints of `frozen` (a widget that would have
    // to ask the busy work for what it shows keeps its pixels). Changes of the application's state wait too.
    TInputGate(bool& stop, const QList<QWidget*>& heldWindows, const QWidget* frozen = nullptr);
    ~TInputGate() override;
    TInputGate(const TInputGate&) = delete;
    TInputGate& operator=(const TInputGate&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when input of this event to this object waits.
    bool Holds(QObject* watched, const QEvent* event) const;

    bool& m_stop;
    bool m_someWindows = false; // only the windows below are held
    QList<const QWidget*> m_held;
    QList<const QWindow*> m_heldHandles; // their platform windows
    const QWidget* m_frozen = nullptr;
};

} // namespace hy::common
