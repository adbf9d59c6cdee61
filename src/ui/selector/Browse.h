// TBrowserDialog, the program's own modal file selector, and BrowseForFile, the way the program asks for a
// file with it: one directory in a file list, boxes for the location, the file name and the mask, a search
// of the whole drive, and a preview of the focused file beside or below the list. It remembers its layout
// in the "File Browser" settings.
#pragma once

#include "ui/common/HyForm.h"
#include "ui/search/PreviewHost.h"

#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QHeaderView;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QToolButton;

namespace hy::filelist {
class TDetailHeader;
class TFileList;
}

namespace hy::search {
class THySpeedButton;
class TPreviewBook;
class TSplitArea;
}

namespace hy::selector {

inline constexpr int kBrowserHelpContext = 100;

// The root of the drive that holds a directory: the longest of the roots that contains it ("/" when none
// does).
QString DriveRootOf(const QString& directory, const QStringList& roots);

class TBrowserDialog : public common::THyForm {
    Q_OBJECT
public:
    explicit TBrowserDialog(QWidget* parent = nullptr);
    ~TBrowserDialog() override;

    // Where the drive roots of a whole-drive search come from (the mounted drives unless set).
    static void SetDriveRoots(std::function<QStringList()> source);

    // The viewer settings the preview takes (the stored "File Viewer" settings unless set).
    void SetSettingsSource(std::function<search::TPreviewSettings()> source);
    // When set, a directory double-clicked keeps the file name typed so far.
    void SetKeepName(bool keep) { m_keepName = keep; }
    // Whether the Standard and Hex tabs are offered below the preview, and whether a preview is offered.
    void SetShowTabs(bool show);
    void SetAllowPreview(bool allow);
    bool AllowPreview() const { return m_allowPreview; }

    // The "File Browser" settings; reading applies them (details, order, preview and split).
    void ReadSettings();
    void WriteSettings();
    // Shows or hides the preview pane and the split buttons as "Show Preview" and the caller allow.
    void ApplyPreview(bool halfway);

    // The file named in the file name box, joined to the list's directory unless it holds a path.
    QString ChosenFile() const;
    // -1 when no preview of the chosen file is on show; else the selected tab, or 2 for a page other than
    // Text, or 0.
    int ViewHint() const;
    bool PreviewVisible() const;

    void FileListRead();
    void FileListChange();
    void FileListDblClick();
    void OKButtonClick();
    void ShowDetailClick();
    void SearchAllClick();
    void PreviewClick();
    void InvertClick();
    void SplitButtonClick(bool sideBySide);
    void FilterBoxExit();
    void LocationBoxExit();

    QLabel* LocationLabel;
    QLineEdit* LocationBox;
    QComboBox* LocationList;
    QWidget* SplitBtnPanel;
    search::THySpeedButton* SplitVButton;
    search::THySpeedButton* SplitHButton;
    search::TSplitArea* MainPanel;
    QWidget* FileListPanel;
    QWidget* HeaderPanel;
    QHeaderView* Header;
    QToolButton* Invert;
    filelist::TFileList* FileList;
    search::TPreviewBook* ViewerPanel;
    QLabel* FNameLabel;
    QLineEdit* FName;
    QLabel* FilterLabel;
    QLineEdit* FilterBox;
    QComboBox* FilterList;
    QCheckBox* ShowDetail;
    QCheckBox* SearchAll;
    QCheckBox* Preview;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHBoxLayout* BuildLocationRow();
    void BuildFileListPanel();
    QHBoxLayout* BuildNameRows();
    void ConnectControls();
    void GoTo(const QString& target);
    QString FocusedFilePath() const;
    // The entry of the file the file name box names, or -1 when the list does not hold it.
    int NamedEntry() const;

    QStandardItemModel* m_headerModel;
    bool m_keepName = false;
    bool m_allowPreview = true;
    bool m_showTabs = true;
    filelist::TDetailHeader* m_details = nullptr;
    bool m_inExit = false;
    int m_splitPos = 250;
    bool m_splitSideBySide = true;
};

// Shows the selector titled caption in directory (the current directory when empty) with mask ("*.*" when
// empty) and fileName in the file name box. True when OK ended it with a file name: fileName receives the
// file and viewMode the view hint (-1 unless a preview was on show). Either way directory and mask receive
// where the user ended, and the settings are written. settings feeds the preview (the stored viewer
// settings when empty).
bool BrowseForFile(const QString& caption, QString& directory, QString& mask, int& viewMode, bool keepName,
    bool showTabs, bool allowPreview, QString& fileName,
    const std::function<search::TPreviewSettings()>& settings = {});

} // namespace hy::selector
