// TFileSearchProgressDialog: the small progress window of a whole-drive search ("Searching entire
// drive...", the folder being read, the files found so far, and Stop). A file list's whole-drive searches
// can be made to show one with one call: it exists while such a read is under way.
#pragma once

#include "ui/common/HyForm.h"

#include <QElapsedTimer>

class QLabel;
class QPushButton;

namespace hy::filelist {
class TFileList;
}

namespace hy::search {

class TProgressLine;

class TFileSearchProgressDialog : public common::THyForm {
    Q_OBJECT
public:
    // A window of its own, kept above the window of over when one is given; hidden until the first Update.
    explicit TFileSearchProgressDialog(QWidget* over = nullptr);
    // For the next search: stop flag off, total 0, no location.
    void Reset();

    // Lets pending window messages be processed (for every folder, and a few times a second otherwise).
    // Once the user has stopped, returns -1000 and changes nothing; else a given text becomes the
    // location line, a positive count is added to the total, the window shows itself and 0 is returned.
    int Update(int count, const QString& text = QString());

    qint64 Total() const { return m_total; }
    bool StopFlag() const { return m_stop; }
    void SetStopFlag(bool stop) { m_stop = stop; }
    // Asks whether to stop; the answer becomes the stop flag.
    void StopButtonClick();

    // Makes the file list's reads in sub-directory search mode show this window: when such a read begins,
    // the window is made, the owner disabled and every file and folder passed to Update (a stop ends the
    // read with -1000); when it ends, the owner is enabled again and the window destroyed.
    static void WatchWholeDriveSearch(filelist::TFileList* list, QWidget* owner);

    QLabel* Prompt;
    TProgressLine* LocationLine;
    TProgressLine* FoundLine;
    QPushButton* StopButton;

protected:
    void reject() override;

private:
    void ShowValues();

    bool m_stop = false;
    bool m_asking = false;
    qint64 m_total = 0;
    QString m_location;
    QElapsedTimer m_sinceMessages;
};

} // namespace hy::search
