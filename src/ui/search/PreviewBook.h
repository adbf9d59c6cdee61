// TPreviewBook: the preview pane of a browser window. A notebook with a Text page (the file viewer in
// Standard or Hex form), an Image page, an Archive page (the member list under a caption line), a Media
// page, and the PDF and Document pages of the viewer windows, chosen by the tab set below it; beside the tabs, Find
// Prev and Find Next go through the occurrences of a contents search's text. Every previewed file is also opened on the
// Text page, so that Standard and Hex are always there.
#pragma once

#include "ui/search/PreviewHost.h"

#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTabBar;

namespace hy::image {
class TMultiImage;
}

namespace hy::viewer {
class THvFileViewer;
}

namespace hy::archive {
class TZipList;
}

namespace hy::document {
class TDocumentPage;
class TPdfPage;
}

namespace hy::search {

class TMediaPanel;

enum class TPreviewKind { None, Image, Archive, Media, Pdf, Document };

class TPreviewBook : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewBook(QWidget* parent = nullptr);
    ~TPreviewBook() override;

    // Where the program's settings come from (read at each preview).
    void SetSettingsSource(std::function<TPreviewSettings()> source) { m_settings = std::move(source); }
    TPreviewSettings Settings() const;
    // The text viewer takes the program's font and colours.
    void ApplyViewerSettings();

    // Whether the files come from a search for text: then the find buttons show (disabled until a file is
    // open on the Text page) and each preview selects the first occurrence.
    void SetContentSearch(bool used, const QString& text, bool matchCase);

    // Previews a file on the page that fits it (the same file twice is not read again). Failures are
    // reported to the user and leave the preview empty.
    void Preview(const QString& path);
    // Empties every page: the viewer closed, the picture, the archive list and its caption cleared, a media
    // file closed.
    void Reset();
    // The preview is put away: back to the Standard or Hex tab, no third tab, every page empty.
    void Withdraw();

    TPreviewKind Kind() const { return m_kind; }
    // The file on show on any page; empty when none is (also after a failure).
    QString ShownFile() const;
    // "Text", "Image", "Archive", "Media", "PDF" or "Document".
    QString ActivePageName() const;
    // The selected tab: 0 Standard, 1 Hex, 2 the third tab.
    int TabIndex() const;
    void SelectTab(int index);

    void FindNextClick();
    void FindPrevClick();

    // Pictures load with a gauge and a stop button over the tabs instead of the busy cursor; a stopped load
    // still leaves the Image tab and the file on the Text page.
    void SetPictureProgress(bool on) { m_pictureProgress = on; }
    // Asks a picture load under way to stop (the focus moved on, the window closes).
    void StopLoading() { m_stopLoading = true; }

    QStackedWidget* NoteBook;
    QWidget* TabRow;
    QTabBar* TabSet;
    QPushButton* FindPrevButton;
    QPushButton* FindNextButton;
    viewer::THvFileViewer* FileViewer;
    QScrollArea* ImagePage;
    image::TMultiImage* ImageViewer;
    QWidget* ArchivePage;
    QLabel* ArchiveCaption;
    archive::TZipList* ZipList;
    TMediaPanel* MediaPanel;
    document::TPdfPage* PdfPage;
    document::TDocumentPage* DocumentPage;
    QWidget* ProgressPanel;
    QProgressBar* ProgressGauge;
    QPushButton* StopButton;

Q_SIGNALS:
    // A preview selected the first occurrence of the text: the owner takes the focus back.
    void OccurrenceShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTextPage();
    void BuildNativePages();
    void BuildTabRow();
    void BuildProgressPanel();
    void TabSetClick(int index);
    void ShowPage(const QString& name);
    void SetThirdTab(const QString& caption);
    void RemoveThirdTab();
    void UpdateFindButtons();
    void PlaceFindButtons();
    bool SearchText(unsigned options);
    void ReportFailure(const QString& path, const std::exception& e);
    void LoadPicture(const QString& path);
    // Shows a PDF or a Markdown or HTML file on its page; false (having said why) when it cannot be.
    bool PreviewDocument(const QString& path, bool pdf);
    void PlaceProgressPanel();

    std::function<TPreviewSettings()> m_settings;
    TPreviewKind m_kind = TPreviewKind::None;
    QString m_shownPath;
    bool m_contentSearch = false;
    QString m_searchText;
    bool m_matchCase = false;
    bool m_inTabClick = false;
    bool m_pictureProgress = false;
    bool m_stopLoading = false;
    bool m_loadingPicture = false;
    // A file focused while a picture loads: previewed once that load has stopped.
    QString m_pendingPath;
};

} // namespace hy::search
