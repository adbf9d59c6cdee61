// A viewer window: one file shown on the Text page (Standard or Hex) and, for pictures, archives and
// media, on a page of its own; the tab bar at the bottom switches between them.
#pragma once

#include "app/MainActions.h"
#include "app/ViewRules.h"

#include <QDateTime>
#include <QWidget>

class QAction;
class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QMenu;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTabBar;
class QVideoWidget;

namespace hy::viewer {
class THvFileViewer;
}

namespace hy {
class TMultiImage;
}

namespace hy::archive {
class TArchivePage;
}

namespace hy::app {

class TMainForm;

class TChildForm : public QWidget {
    Q_OBJECT
public:
    explicit TChildForm(TMainForm* mainForm);
    ~TChildForm() override;

    viewer::THvFileViewer* FileViewer() const { return m_fileViewer; }
    TMultiImage* ImageViewer() const { return m_imageViewer; }
    QTabBar* TabSet() const { return m_tabSet; }
    QStackedWidget* NoteBook() const { return m_noteBook; }
    QMenu* ChildPopupMenu();

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& name) { m_fileName = name; }
    PageKind Kind() const { return m_pageKind; }
    void SetKind(PageKind kind) { m_pageKind = kind; }
    // The window shows a temporary copy (a viewed archive member), which goes when the window is done.
    bool DeleteOnClose() const { return m_deleteOnClose; }
    void SetDeleteOnClose(bool on) { m_deleteOnClose = on; }
    bool Loaded() const { return m_loaded; }
    void SetLoaded(bool loaded);
    QDateTime FileStamp() const { return m_fileStamp; }
    void SetFileStamp(const QDateTime& stamp) { m_fileStamp = stamp; }

    // The notebook page on show.
    PageKind ActivePage() const;
    // Selects the tab and the notebook page; tab 0 or 1 also sets the current text mode.
    void ShowPage(PageKind page, int tabIndex);
    // The third tab, for the file's native page: added when missing, else renamed; removed for plain text.
    void SetThirdTab(PageKind page);
    void RemoveThirdTab();
    // The page of the third tab; Text when there is none.
    PageKind ThirdTab() const { return m_thirdTab; }
    void DeleteUnusedPages();

    // Loads the picture of an Image window; false when it could not be decoded (the component has said why).
    bool LoadImage();
    bool HasGraphic() const;
    // Reads the archive onto the Archive page.
    void LoadArchive();
    archive::TArchivePage* ArchivePage() const { return m_archivePage; }
    // Extracts the selected archive members into a folder; viewing opens each in a window of its own.
    void ExtractMembers(const QString& directory, bool view);

    // Opens the media file; returns the player's error text, empty on success.
    QString OpenMedia();
    void CloseMedia();
    qint64 MediaLength() const;
    QMediaPlayer* MediaPlayer() const { return m_player; }

    // Rereads the file when its time stamp changed since it was loaded; true when it did.
    bool Refresh();

    // Empties the window for reuse (the command interface's window): a temporary copy is removed, the
    // viewer closes its file, picture, archive list and player are cleared, and the Text page shows.
    void ResetViewer();

    // The caption: the full name, or the name without directory while minimised.
    void UpdateCaption();

Q_SIGNALS:
    void Activated();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void TabSetClick(int index);
    void FileViewerShowStatus();
    void CreateImagePage();
    void CreateMediaPage();
    void CreateArchivePage();
    void PopupAboutToShow();
    void ShowVideoOrPoster();
    // The notebook's page of a kind, or null while it is not made.
    QWidget* PageWidget(PageKind page) const;

    TMainForm* m_main;
    QStackedWidget* m_noteBook;
    QWidget* m_textPage;
    viewer::THvFileViewer* m_fileViewer;
    QScrollArea* m_imagePage = nullptr;
    TMultiImage* m_imageViewer = nullptr;
    archive::TArchivePage* m_archivePage = nullptr;
    QWidget* m_mediaPage = nullptr;
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QVideoWidget* m_video = nullptr;
    QLabel* m_mediaLabel = nullptr;
    QLabel* m_mediaTime = nullptr;
    TMultiImage* m_poster = nullptr; // a video's first picture, shown before Play
    QTabBar* m_tabSet;
    QMenu* m_popup = nullptr;
    QList<std::pair<QAction*, TCommand>> m_twins; // the context menu's items and the commands they mirror
    QList<QAction*> m_encodingTwins; // in the order of kAllEncodings

    QString m_fileName;
    PageKind m_pageKind = PageKind::Text;
    PageKind m_thirdTab = PageKind::Text;
    bool m_deleteOnClose = false;
    bool m_loaded = false;
    QDateTime m_fileStamp;
    bool m_inTabClick = false;
};

// The colour a stored colour value names: system colours (top bit set) come from the palette.
QColor ColorFromSetting(quint32 value);

} // namespace hy::app
