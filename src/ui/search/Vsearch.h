// TSearchResultsDialog: the window that lists the files a disk search found, by their full paths, and
// previews the focused one. The list and the preview share the main area, one above the other or side by
// side, divided by a splitter the user drags; a result opens in a viewer window of the main window by the
// Open button, a double click, or by dragging it there. Its place and arrangement are kept in the
// "Search Browser" settings.
#pragma once

#include "ui/common/HyForm.h"
#include "ui/search/PreviewHost.h"

class QCheckBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;

namespace hy::filelist {
class TDetailHeader;
class TFileList;
}

namespace hy::search {

class THySpeedButton;
class TPreviewBook;
class TSplitArea;

inline constexpr int kSearchResultsHelpContext = 206;

class TSearchResultsDialog : public common::THyForm {
    Q_OBJECT
public:
    // Created by the first search; the settings are read at once.
    explicit TSearchResultsDialog(const TSearchHooks& hooks, QWidget* parent = nullptr);
    ~TSearchResultsDialog() override;

    // True once the user has closed the browser: it is on its way out, and the next search makes another.
    bool Closed() const { return m_closed; }

    // For the next search: the file name emptied, the preview reset, the window hidden.
    void Clear();
    // Whether the results come from a search for text, with that text and its case rule.
    void SetContentSearch(bool used, const QString& text, bool matchCase);
    // Shows the window with the results: the viewer takes the program's font and colours, and the first
    // result is focused and previewed.
    void ShowResults(const QString& caption);

    void ReadSettings();
    void WriteSettings();

    // -1 when the preview is hidden, else the selected tab (0 Standard, 1 Hex, 2 the third tab).
    int ViewHint() const;
    // Opens the path in the file name field in a viewer window of the main window.
    void OpenFile();

    void OpenButtonClick();
    void FileListDblClick();
    void FileListChange();
    void ShowDetailClick();
    void PreviewClick();
    void SplitButtonClick(bool sideBySide);

    QLabel* FNameLabel;
    QLineEdit* FName;
    THySpeedButton* SplitVButton;
    THySpeedButton* SplitHButton;
    TSplitArea* MainArea;
    QWidget* FileListPanel;
    QWidget* HeaderStrip;
    QHeaderView* Header;
    filelist::TFileList* FileList;
    TPreviewBook* ViewerPanel;
    QCheckBox* ShowDetail;
    QCheckBox* Preview;
    QPushButton* OpenButton;
    QPushButton* CloseButton;
    QPushButton* HelpButton;

protected:
    void reject() override;

private:
    void BuildFileListPanel();
    void ConnectControls();
    void ApplyPreview(bool halfway);
    void SetArrangement(bool sideBySide);
    void FileListEndDrag(bool accepted);
    void UpdateOpenButton();

    bool m_closed = false;
    TSearchHooks m_hooks;
    QStandardItemModel* m_headerModel;
    filelist::TDetailHeader* m_details = nullptr;
};

} // namespace hy::search
