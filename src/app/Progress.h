// TProgressReport: the progress window of long commands (comparing files, printing text), with a gauge and
// a Stop button. It is not modal; the command updates it, lets pending events run and polls Cancelled.
#pragma once

#include "ui/common/HyForm.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace hy::app {

class TProgressReport : public common::THyForm {
    Q_OBJECT
public:
    explicit TProgressReport(QWidget* parent = nullptr);
    ~TProgressReport() override;

    // The program's progress window, a hidden child of the main window made on first use.
    static TProgressReport* Of(QWidget* mainWindow);

    // Cancelled off, position 0; caption and prompt emptied. The gauge shows only for a total above 1.
    void Start(qint64 total);
    // Shows the window; a non-empty title becomes the caption, a non-empty text the prompt ("\r" breaks its
    // lines, and the window grows to hold them); a step of 0 or more moves the gauge (never past the total).
    // The window is painted at once.
    void Update(const QString& title, const QString& text, qint64 step);
    // Cancelled off, window hidden.
    void Finish();

    bool Cancelled() const { return m_cancelled; }
    qint64 Position() const { return m_position; }
    qint64 Total() const { return m_total; }

    QLabel* Prompt;
    QWidget* ProgressPanel;
    QProgressBar* ProgressBar;
    QPushButton* StopButton;

protected:
    // Escape is the Stop button.
    void reject() override;

private:
    void StopClick();
    void Layout();
    void SetPrompt(const QString& text);

    bool m_cancelled = false;
    bool m_asking = false;
    bool m_placed = false;
    qint64 m_position = 0;
    qint64 m_total = 0;
    int m_promptLines = 1;
};

} // namespace hy::app
