// TFileSearchDialog: the File Search dialog. Five pages, chosen by the tabs at the bottom, describe the
// files to find: names and location, date, time of day, size and contained text. Search walks the tree
// with the results browser's file list while every other window of the program waits, and shows the
// browser with what was found. The dialog is made once and kept, so its pages keep their values.
#pragma once

#include "core/search/SearchRun.h"
#include "ui/common/HyForm.h"
#include "ui/search/PreviewHost.h"

#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabBar;
class QToolButton;

namespace hy::search {

class TSearchProgressDialog;
class TSearchResultsDialog;

inline constexpr int kFileSearchHelpContext = 201; // the first page's; each next page has the next number

class TFileSearchDialog : public common::THyForm {
    Q_OBJECT
public:
    explicit TFileSearchDialog(const TSearchHooks& hooks, QWidget* parent = nullptr);
    ~TFileSearchDialog() override;

    // Shows the dialog held by dialog, made first (over the hooks' main window) when there is none: the
    // program keeps one, so that its pages keep their values.
    static TFileSearchDialog* ShowFileSearch(QPointer<TFileSearchDialog>& dialog, const TSearchHooks& hooks);
    // The results browser of the last search while the user has not closed it, else none.
    TSearchResultsDialog* Results() const;

    // What the pages say now.
    TSearchCriteria Criteria() const;
    // Runs the search described by the pages.
    void SearchButtonClick();
    void ClearButtonClick();
    void BrowseButtonClick();
    // Shows the page whose caption is the tab's text.
    void TabSetClick(int index);
    bool Searching() const { return m_searching; }

    TSearchProgressDialog* ProgressDialog() const { return m_progress.get(); }
    const TSearchRun& Run() const { return m_run; }

    QStackedWidget* NoteBook;
    QTabBar* TabSet;
    QPushButton* SearchButton;
    QPushButton* ClearButton;
    QPushButton* CloseButton;
    QPushButton* HelpButton;

    // Name && Location
    QLineEdit* FileName;
    QLineEdit* Location;
    QToolButton* BrowseButton;
    QCheckBox* SearchSubDirs;
    // Date
    QRadioButton* IgnoreDate;
    QRadioButton* SearchOnDate;
    QRadioButton* DateBetween;
    QLineEdit* FileDate1;
    QLineEdit* FileDate2;
    QRadioButton* DateMonths;
    QSpinBox* MonthRange;
    QRadioButton* DateDays;
    QSpinBox* DayRange;
    // Time
    QRadioButton* IgnoreTime;
    QRadioButton* SearchOnTime;
    QRadioButton* TimeBetween;
    QLineEdit* FileTime1;
    QLineEdit* FileTime2;
    QRadioButton* TimeHours;
    QSpinBox* HourRange;
    // Size
    QRadioButton* IgnoreSize;
    QRadioButton* SearchOnSize;
    QComboBox* SizeType;
    QLineEdit* FileSize1;
    QWidget* SizePart2;
    QLineEdit* FileSize2;
    // Contents
    QRadioButton* IgnoreContents;
    QRadioButton* SearchOnContents;
    QLineEdit* SearchString;
    QCheckBox* MatchCase;
    QCheckBox* SearchCompressed;
    QCheckBox* WholeWords;

protected:
    void reject() override;

private:
    QWidget* BuildNamePage();
    QWidget* BuildDatePage();
    QWidget* BuildTimePage();
    QWidget* BuildSizePage();
    QWidget* BuildContentsPage();
    void ConnectRules();
    void GoToFirstPage();
    void ContentsChanged();
    void MarkField(QLineEdit* field, bool valid);
    void RunSearch(const TSearchCriteria& criteria);
    void ShowOutcome(
        TSearchResultsDialog& results, const TSearchCriteria& criteria, bool stopped, int error, int found);

    TSearchHooks m_hooks;
    QPointer<TSearchResultsDialog> m_results;
    TSearchRun m_run;
    std::unique_ptr<TSearchProgressDialog> m_progress;
    bool m_searching = false;
};

} // namespace hy::search
