// A viewer window: one file shown on the Text page (Standard or Hex) and, for pictures, archives and
// media, on a page of its own; the tab bar at the bottom switches between them.
#pragma once

#include "app/MainActions.h"
#include "core/settings/ViewRules.h"

#include <QDateTime>
#include <QWidget>
#include <functional>

class QAction;
class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QVideoWidget;

namespace hy::viewer {
class THvFileViewer;
class THvFilterPane;
class THvFindBar;
}

namespace hy::image {
class TMultiImage;
class TPictureView;
}

namespace hy::archive {
class TArchivePage;
}

namespace hy::document {
class TDocumentPage;
class TPdfPage;
}

namespace hy::app {

class TMainForm;

// What a viewer window opens and how.
struct TOpenRequest {
    QString FileName;
    settings::ViewMode Mode = settings::ViewMode::BySettings; // the view asked for
    settings::TPageRules Rules; // which files show natively, and whether text opens in Hex
    bool KeepPages = false; // the pages of other kinds stay for the next file (the command interface's window)
    bool CountAllLines = false; // count the lines of any text file when it opens, not only of small ones
};

class TChildForm : public QWidget {
    Q_OBJECT
public:
    explicit TChildForm(TMainForm* mainForm);
    ~TChildForm() override;

    viewer::THvFileViewer* FileViewer() const { return m_fileViewer; }
    // The find bar under the text (hidden until Ctrl+F).
    viewer::THvFindBar* FindBar() const { return m_findBar; }
    // Shows the find bar on the Text page, with the keyboard in its field.
    void OpenFindBar();
    // The pane of matching lines under the text (hidden until asked for).
    viewer::THvFilterPane* FilterPane() const { return m_filterPane; }
    // Shows the pane for the find bar's pattern (opening the bar when it holds none), or closes it.
    void ToggleFilterPane();
    image::TMultiImage* ImageViewer() const { return m_imageViewer; }
    // The Image page, which fits, zooms and turns the picture; null while not made.
    image::TPictureView* PictureView() const { return m_imagePage; }
    QTabBar* TabSet() const { return m_tabSet; }
    QStackedWidget* NoteBook() const { return m_noteBook; }
    QMenu* ChildPopupMenu();

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& name) { m_fileName = name; }
    settings::PageKind Kind() const { return m_pageKind; }
    void SetKind(settings::PageKind kind) { m_pageKind = kind; }
    // The window shows a temporary copy (a viewed archive member), which goes when the window is done.
    bool DeleteOnClose() const { return m_deleteOnClose; }
    void SetDeleteOnClose(bool on) { m_deleteOnClose = on; }
    bool Loaded() const { return m_loaded; }
    void SetLoaded(bool loaded);
    QDateTime FileStamp() const { return m_fileStamp; }
    void SetFileStamp(const QDateTime& stamp) { m_fileStamp = stamp; }

    // The notebook page on show.
    settings::PageKind ActivePage() const;
    // Selects the tab and the notebook page; tab 0 or 1 also sets the current text mode.
    void ShowPage(settings::PageKind page, int tabIndex);
    // The third tab, for the file's native page: added when missing, else renamed; removed for plain text.
    void SetThirdTab(settings::PageKind page);
    void RemoveThirdTab();
    // The page of the third tab; Text when there is none.
    settings::PageKind ThirdTab() const { return m_thirdTab; }
    void DeleteUnusedPages();

    // Loads a file into the window and shows it on the page that the view asked for and the rules give it
    // (a picture, an archive's member list, a media file, or text); see TOpenRequest. Says itself why a page
    // could not be shown; false when nothing is shown (a picture file that is not there). Throws what opening
    // the file throws.
    bool Open(const TOpenRequest& request);

    // Loads the picture of an Image window; false when it could not be decoded (the component has said why).
    // Reads the file into the picture page; progress (if any) hears the percentage done and stops the load
    // by returning 0.
    bool LoadImage(const std::function<int(int percent)>& progress = {});
    bool HasGraphic() const;
    // Reads the archive onto the Archive page.
    void LoadArchive();
    archive::TArchivePage* ArchivePage() const { return m_archivePage; }
    qint64 ArchiveMemberCount() const;

    // The operations of the page on show: Text selects the whole file and copies its selection, Archive
    // selects every member and extracts the selected ones, Image copies its picture.
    void SelectAll();
    void CopyToClipboard();
    bool CanCopyToClipboard() const;
    bool CanCopyToFile() const;
    void ExtractSelectedMembers();
    // Gives the keyboard to the page on show: the text, or an archive's member list.
    void FocusPage();
    // Counts the lines of the open text when CountsLinesOnOpen says so and the total is not known yet: a long
    // read, which shows in the status bar and stops with Esc (the total then stays unknown until asked for).
    void CountLines();
    // Extracts the selected archive members into a folder; viewing opens each in a window of its own.
    void ExtractMembers(const QString& directory, bool view);

    // The PDF page and the Document page (Markdown, HTML), or null while not made.
    document::TPdfPage* PdfPage() const { return m_pdfPage; }
    document::TDocumentPage* DocumentPage() const { return m_documentPage; }
    // Find on the PDF page: the next (previous) hit of the text, or the first (last) when fromStart; says so
    // when there is none. False when nothing was found.
    bool FindInPdf(const QString& text, bool backward, bool fromStart);

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
    // For a compressed file shown decompressed: its format, its size and the decompressed size ("gzip: 1,024
    // bytes, 65,536 bytes decompressed", or "decompressing" until decoding reaches the end); else empty.
    QString CompressedSizes() const;

Q_SIGNALS:
    void Activated();
    // The viewer's caret, selection or view moved: the status bar has something new to show.
    void StatusChanged();
    // A long read of the viewer began or ended.
    void LongWorkChanged(bool running);
    // A note about the file (a followed file was reopened).
    void NoteShown(const QString& note);
    // The Standard or Hex tab was chosen: text opens that way next.
    void TextModeChosen(bool hex);
    // A tab was clicked and its page shown.
    void PageShown(settings::PageKind page);
    // An archive's selection changed.
    void SelectionChanged();
    // A picture is being decoded (Open): its progress in percent, and its start and end.
    void PictureLoading(bool running);
    void PictureProgress(int percent);
    // The window is closing.
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void TabSetClick(int index);
    void CreateImagePage();
    void CreateMediaPage();
    void CreateArchivePage();
    void CreatePdfPage();
    void CreateDocumentPage();
    // Shows the file on the PDF or Document page; the page to show instead when it cannot be.
    settings::TPageChoice OpenDocument(const settings::TPageChoice& choice, const TOpenRequest& request);
    void PopupAboutToShow();
    void ShowVideoOrPoster();
    // Decodes the picture with progress; Esc stops it.
    bool LoadImageShowingProgress();
    // Shows the tab and page of a choice, with the third tab for its native page.
    void ShowChoice(const settings::TPageChoice& choice);
    // The notebook's page of a kind, or null while it is not made.
    QWidget* PageWidget(settings::PageKind page) const;

    TMainForm* m_main;
    QStackedWidget* m_noteBook;
    QWidget* m_textPage;
    viewer::THvFileViewer* m_fileViewer;
    viewer::THvFindBar* m_findBar;
    viewer::THvFilterPane* m_filterPane;
    image::TPictureView* m_imagePage = nullptr;
    image::TMultiImage* m_imageViewer = nullptr;
    archive::TArchivePage* m_archivePage = nullptr;
    document::TPdfPage* m_pdfPage = nullptr;
    document::TDocumentPage* m_documentPage = nullptr;
    QWidget* m_mediaPage = nullptr;
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QVideoWidget* m_video = nullptr;
    QLabel* m_mediaLabel = nullptr;
    QLabel* m_mediaTime = nullptr;
    image::TMultiImage* m_poster = nullptr; // a video's first picture, shown before Play
    QTabBar* m_tabSet;
    QMenu* m_popup = nullptr;
    QList<std::pair<QAction*, TCommand>> m_twins; // the context menu's items and the commands they mirror
    QList<QAction*> m_encodingTwins; // in the order of kAllEncodings

    QString m_fileName;
    settings::PageKind m_pageKind = settings::PageKind::Text;
    settings::PageKind m_thirdTab = settings::PageKind::Text;
    bool m_deleteOnClose = false;
    bool m_loaded = false;
    QDateTime m_fileStamp;
    bool m_inTabClick = false;
    bool m_countAllLines = false;
};

// The colour a stored colour value names: system colours (top bit set) come from the palette.
QColor ColorFromSetting(quint32 value);

} // namespace hy::app
