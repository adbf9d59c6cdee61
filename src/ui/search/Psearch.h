// TSearchProgressDialog: the progress window of the File Search dialog's search. It shows where the walk
// is, the file being searched and both counts, and asks before Stop (or Esc) sets its stop flag.
#pragma once

#include "ui/common/HyForm.h"

class QPushButton;

namespace hy::search {

class TProgressLine;

class TSearchProgressDialog : public common::THyForm {
    Q_OBJECT
public:
    explicit TSearchProgressDialog(QWidget* parent = nullptr);
    ~TSearchProgressDialog() override;

    // Stop flag off, Location the start location, Searching empty, both counts "0".
    void Reset(const QString& location);
    // The folder being entered; the window shows itself when hidden.
    void ShowDirectory(const QString& path);
    // The file being searched and both counts; the window shows itself when hidden.
    void ShowFile(const QString& name, qint64 searched, qint64 found);

    bool StopFlag() const { return m_stop; }
    void SetStopFlag(bool stop) { m_stop = stop; }

    // Asks whether to stop; the answer becomes the stop flag.
    void StopButtonClick();

    TProgressLine* LocationLine;
    TProgressLine* SearchingLine;
    TProgressLine* SearchedLine;
    TProgressLine* FoundLine;
    QPushButton* StopButton;

protected:
    // Esc and the close box ask as Stop does.
    void reject() override;

private:
    void ShowIfHidden();

    bool m_stop = false;
    bool m_asking = false;
};

} // namespace hy::search
