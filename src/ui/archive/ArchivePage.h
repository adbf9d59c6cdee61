// TArchivePage: the Archive page of a viewer window. The archive list under its column header, the View
// and Extract To... buttons, and extracting the selected members into the temporary folder (to view
// them) or into a chosen folder, with the questions about files that exist, progress and Esc.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

class QHeaderView;
class QLabel;
class QPushButton;
class QStandardItemModel;

namespace hy::archive {

class TZipList;

class TArchivePage : public QWidget {
    Q_OBJECT
public:
    // What the page needs from the window that holds it.
    struct THooks {
        // The temporary folder, inside which each viewed member gets a private folder.
        std::function<QString()> TempDir;
        // The folder last chosen for Extract To..., and keeping the new choice.
        std::function<QString()> ArchiveDir;
        std::function<void(const QString&)> SetArchiveDir;
        // Opens an extracted member in a viewer window that deletes it when it closes; false when that
        // failed or the file is shown already.
        std::function<bool(const QString& fileName)> OpenViewed;
        // The directory selector: true with the chosen folder.
        std::function<bool(const QString& prompt, QString& directory)> ChooseDirectory;
        // Progress of a long extraction for the status bar; an empty text ends it.
        std::function<void(const QString& text, int percent)> ShowProgress;
        // The selection changed: the window's commands follow it.
        std::function<void()> SelectionChanged;
    };

    explicit TArchivePage(QWidget* parent = nullptr);
    ~TArchivePage() override;

    void SetHooks(THooks hooks) { m_hooks = std::move(hooks); }

    TZipList* ZipList() const { return m_zipList; }
    QHeaderView* ZipHeader() const { return m_header; }
    QPushButton* ViewZipButton() const { return m_viewButton; }
    QPushButton* CopyZipButton() const { return m_copyButton; }

    // Shows an archive: multi-selection on, the members read.
    void Open(const QString& fileName);
    // Reads the archive again (after it changed on disk).
    void Reload();
    int SelectedCount() const;
    qint64 MemberCount() const;

    // Extracts the selected members into a folder, asking before a file is replaced. Viewing puts each
    // member into a new private folder of its own inside the folder (nothing is ever replaced) and opens
    // it in a window of its own.
    void ExtractMembers(const QString& directory, bool view);
    void ViewZipButtonClick();
    void CopyZipButtonClick();
    // Selects every member.
    void SelectAll();

    // Milliseconds an extraction runs before the progress shows and Esc is watched.
    static void SetProgressDelay(int milliseconds);

private:
    void ZipHeaderSized(int section, int oldSize, int newSize);
    void UpdateButtons();
    void UpdateNotice();
    bool Progress(const QString& member, int percent);
    void ExtractInOnePass(const std::vector<int>& members, const QString& directory, const QString& title);
    void BeginBatch(int size);
    void EndBatch();

    THooks m_hooks;
    QHeaderView* m_header;
    QStandardItemModel* m_headerModel;
    QLabel* m_notice;
    TZipList* m_zipList;
    QPushButton* m_viewButton;
    QPushButton* m_copyButton;
    // State of the extraction under way.
    qint64 m_batchStarted = 0;
    int m_batchSize = 0;
    int m_batchDone = 0;
    qint64 m_lastPump = 0;
    bool m_stopRequested = false;
    bool m_progressShown = false;
};

} // namespace hy::archive
