// The main window: an MDI frame with the menu bar, the two button bars, the status bar and the viewer
// windows. It owns the settings and routes every way of opening a file to one entry point.
#pragma once

#include "app/Brview3.h"
#include "app/MainActions.h"
#include "core/settings/HighlightRules.h"
#include "core/settings/RecentFiles.h"
#include "core/settings/ViewRules.h"
#include "core/settings/ViewerSettings.h"
#include "core/viewer/HvEncoding.h"
#include "ui/launch/ClipView.h"
#include "ui/search/Fsearch.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <array>
#include <thread>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QProgressBar;
class QMdiSubWindow;
class QTabBar;
class QToolBar;
class QToolButton;

namespace hy::viewer {
class THvFindBar;
}

class QTimer;

namespace hy::app {

class TChildForm;

// The object name of the View > Encoding item for an encoding ("EncodingUtf81" ...); the context menu's
// twin ends in 2 instead of 1.
QString EncodingActionName(viewer::TTextEncoding encoding, bool twin = false);
// Fills an Encoding menu through make, which adds the item of one encoding to a menu: Auto, UTF-8,
// Windows-1252, ISO-8859-1 and UTF-16 at the top, the others in a submenu for each region.
void FillEncodingMenu(QMenu* menu, const std::function<QAction*(QMenu*, viewer::TTextEncoding)>& make);

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // The main window's caption, and the title of the program's own messages.
    static constexpr const char* kProgramTitle = "Halcyra Viewer";
    static QString ProgramTitle() { return QString::fromLatin1(kProgramTitle); }

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The command line without the program name; applied when the window is first shown.
    void SetCommandLine(const QStringList& parameters);

    settings::TViewerSettings& Settings() { return m_settings; }
    const settings::TViewerSettings& Settings() const { return m_settings; }
    void LoadSettings();
    void SaveSettings();

    // The File Search dialog (made by its first use and kept), and the results browser of its last search
    // while the user has not closed it.
    search::TFileSearchDialog* FileSearch() const { return m_fileSearch; }
    search::TSearchResultsDialog* SearchResults() const;

    // 1 small bar, 2 large bar, anything else neither.
    void SetButtonBar(int n);
    int ButtonBarSetting() const;

    // Opens files handed over by a second start or dropped on the window, in order, stopping at the first
    // that fails, in the view mode names (a drop from the program's own lists carries one); tiles when no
    // viewer window was open before; brings the window to the front. Names that arrive while a long read, a
    // picture load or another batch of files is under way wait until it ends: nothing is opened from inside
    // that work's event pumping.
    void OpenDroppedFiles(const QStringList& names, settings::ViewMode mode = settings::ViewMode::BySettings);
    // Opens names one by one with progress in the status bar ("Opening 120 of 1,000..."); Esc stops, and what
    // opened stays open. The first name that fails to load ends the batch, and with stopAtOpen so does the
    // first that is shown already. Returns how many names were handled.
    int OpenFiles(const QStringList& names, bool stopAtOpen, settings::ViewMode mode = settings::ViewMode::BySettings);
    // True while work runs that pumps events: hand-overs wait for it.
    bool Busy() const;
    // The one entry point that opens a file into a new viewer window; false when it is open already or failed.
    bool OpenFileInViewer(const QString& fileName, settings::ViewMode mode, bool deleteOnClose);
    // The same for the window that the command interface reuses: made when window is empty, else emptied
    // and reused; it stays, empty, when the file fails to open. A file open elsewhere opens again here, all
    // pages stay for the next file, and the window is neither sized to a picture nor given the keyboard.
    bool OpenFileInDdeViewer(QPointer<TChildForm>& window, const QString& fileName);

    void UpdateCommands(bool enabled);
    void UpdateStatus();
    void ClearStatus();
    void RefreshViewer(TChildForm* child);
    void RefreshAllViewers();

    // The viewer windows in creation order, and the active one (or none).
    QList<TChildForm*> Children() const;
    TChildForm* ActiveChild() const;
    QMdiSubWindow* FrameOf(TChildForm* child) const;

    // What a viewer window tells through its signals.
    void ViewerStatusChanged(TChildForm* child);
    // A viewer's long read began or ended.
    void ShowLongWork(TChildForm* child, bool running);
    void SetInfoText(const QString& text);
    // A note about a window's file (a followed log was reopened) that leads the info panel for a while.
    void ShowViewerNote(const QString& note);
    void ChildClosing(TChildForm* child);
    void SetCurrentTextModeHex(bool hex) { m_currentTextHex = hex; }

    // The search of the Find dialog, kept between searches.
    TSearchState& SearchState() { return m_search; }
    // Runs the search held in SearchState over the active window or all of them (Find's OK).
    void RunFind();
    bool SearchPatternValid(); // false, after saying why, for an invalid regular expression
    void FindNextClick();
    void FindPreviousClick();
    void FindBarClick();
    void FilterClick();
    void ReopenAtLastPlaceClick();
    void ClearRecentClick();
    void HighlightRulesClick();
    // The colour rules of the text, and putting them into a window's viewer.
    settings::THighlightRules& HighlightRules() { return m_highlight; }
    void ApplyHighlightRules(TChildForm* child);
    // The recently opened files (File menu).
    settings::TRecentFiles& RecentFiles() { return m_recent; }
    // Opens a recent file; one that is gone is named as such.
    void OpenRecent(const QString& name);
    // Ctrl+F opens the find bar, or the Find dialog when Preferences says so.
    void ApplyFindKeys();
    // The open find bar of the active window when it holds a pattern, else null.
    viewer::THvFindBar* ActiveFindBar() const;
    void GotoLine(qint64 lineNumber);
    // Writes the active viewer's selection to a file, as To File... does once the name is chosen: the selected
    // bytes exactly, with progress and Stop for large selections. 0, or the error code of the failure
    // (kErrorSearchStopped when Esc stopped it); nothing is left of a file that was not written whole.
    int WriteSelectionToFile(const QString& target);
    // Copies the active viewer's file, as Save As does once the target is chosen; 0 or an error code
    // (kErrorSearchStopped when Esc stopped it).
    int SaveActiveFileAs(const QString& target);
    // The arrangements of Window menu: tabs give way to free windows, which are then placed.
    void TileVertical();
    void TileHorizontal();
    void Cascade();
    // Window > Tabbed Windows: the viewer windows as tabs of the client area (titled with the file's name, its
    // full name as their tip), or as free windows.
    bool TabbedWindows() const;
    void SetTabbedWindows(bool tabbed);
    // The client area's tab bar while the windows are tabs, else null.
    QTabBar* WindowTabs() const;

    // Whether the "R" option hid Set Preferences.
    bool PreferencesHidden() const;
    bool CurrentTextModeHex() const { return m_currentTextHex; }
    QString MediaExtensions() const { return m_mediaExtensions; }

    QAction* Action(TCommand command) const { return m_actions[size_t(command)]; }
    // The View > Encoding item of an encoding.
    QAction* EncodingAction(viewer::TTextEncoding encoding) const { return m_encodingActions[size_t(encoding)]; }
    QLabel* CursorPosPanel() const { return m_cursorPosPanel; }
    QLabel* InfoPanel() const { return m_infoPanel; }
    QLabel* CharPanel() const { return m_charPanel; }
    QLabel* EncodingPanel() const { return m_encodingPanel; }
    QLabel* FollowPanel() const { return m_followPanel; }
    QProgressBar* ProgressGauge() const { return m_progressGauge; }
    QToolBar* BigButtonBar() const { return m_bigButtonBar; }
    QToolBar* SmButtonBar() const { return m_smButtonBar; }
    QMdiArea* ClientArea() const { return m_mdiArea; }
    // The hint of the menu item or button under the pointer, shown over the info panel; empty hides it.
    void ShowHint(const QString& hint);
    QLabel* HintPanel() const { return m_hintPanel; }

Q_SIGNALS:
    // The main window has closed: the program ends.
    void Closed();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend std::span<const TCommandSpec> CommandSpecs();

    void CreateMenus();
    void CreateButtonBars();
    void CreateStatusBar();
    void ProcessCommandLine();
    void ApplySettingsToWindow();
    void CollectSettingsFromWindow();

    void OptionsMenuAboutToShow();
    void WindowMenuAboutToShow();
    void AboutClick();
    void ExitClick();
    void ConnectCommands();
    void InformationClick();
    void UseTextEditorClick();
    void UseAssociatedApplicationClick();
    void RunClick();
    void CompareClick();
    void PrintFileClick();
    void ShowClipboardClick();
    void FileSearchClick();
    void SmallBarClick();
    void LargeBarClick();
    void NoBarClick();
    void ShowStatusBarClick();
    void SetPreferencesClick();
    void ArrangeIconsClick();
    void TabbedWindowsClick();
    void NextWindowClick();
    void ZoomInClick();
    void ZoomOutClick();
    void ActualSizeClick();
    void FitToWindowClick();
    void RotateLeftClick();
    void RotateRightClick();
    void PreviousWindowClick();
    // Windows that a command line, a drop or a search over all files opened are tiled when they are free.
    void TileAfterOpening();
    void TileFrames(bool vertical);
    void LabelTab(QMdiSubWindow* frame);
    void LabelTabs();
    // In tabs the main window's caption names the current tab's file, as it names a maximised free window.
    void NameCurrentTab();
    // Puts the close button on the current tab; off the tab of a window that closes first.
    void PlaceTabCloseButton();
    void TakeTabCloseButtonFrom(QMdiSubWindow* frame);
    void RefreshClick();
    void ContentsClick();
    void TopicSearchClick();
    void HowToUseHelpClick();
    void UsingTheViewerClick();
    void OpenClick();
    void SaveAsClick();
    void CloseClick();
    void CloseAllClick();
    void FindClick();
    void GotoLineClick();
    void SelectAllClick();
    void ToClipboardClick();
    void ToFileClick();
    void ExpandTabsClick();
    void HexFilterClick();
    void StandardClick();
    void HexClick();
    void NativeClick();
    void SynchronizeScrollingClick();
    void EncodingClick(viewer::TTextEncoding encoding);
    void LineNumbersClick();
    void WrapLinesClick();
    void FollowClick();
    void CopyWithCrLfClick();
    void RepeatFind(bool reverse);
    // The Find command's search of one window, and of every window at once (from the last in the window list
    // to the first, each told on a thread of its own whether it can hold a match, the results reported in that
    // order); setSelection sets the selection again first so that the search starts behind it.
    void SearchWindow(TChildForm* child, const QString& text, unsigned options, bool allWindows, bool setSelection);
    void SearchWindows(const QList<TChildForm*>& children, const QString& text, unsigned options, bool setSelection);
    void PrepareWindowSearch(TChildForm* child, bool setSelection);
    // Reports a search's outcome in a window; false when Esc stopped it.
    bool ReportWindowSearch(TChildForm* child, const QString& text, unsigned options, bool allWindows, bool found);
    TChildForm* NewChild(bool hex);
    bool OpenFile(
        QPointer<TChildForm>* ddeWindow, const QString& fileName, settings::ViewMode mode, bool deleteOnClose);
    void SetViewerFromSettings(TChildForm* child, bool hex);
    bool RefuseUnopenable(const QString& fileName);
    QMdiSubWindow* AddFrame(TChildForm* child);
    void ShowBatchFrames();
    void AddChild(TChildForm* child);
    void ForgetOpenName(TChildForm* child);
    void RemoveChild(TChildForm* child);
    void RunPendingWork();
    void FlushPendingDrops();
    void ScheduleIdleWork();
    void BringToFront();
    void FitOnScreen();
    void SetCharPanelWanted(bool wanted);
    void SetPanelWanted(QWidget* panel, bool wanted);
    void FitImageWindow(TChildForm* child, QMdiSubWindow* frame, bool sizeToPicture);
    void KeepInsideClientArea(QMdiSubWindow* frame);
    // A name of a batch and whether text opens in Hex for it: on the command line, as the -h and -s before
    // the name left it.
    struct TBatchName {
        QString Name;
        bool TextHex;
    };
    // OpenFiles for names that each carry their own text mode.
    int OpenBatch(const QList<TBatchName>& names, bool stopAtOpen, settings::ViewMode mode);
    void UpdateCopyCommands(TChildForm* child);
    // The zoom and turn commands follow the page on show: a picture's, a PDF document's, or none.
    void UpdateZoomCommands(const TChildForm* child);

    settings::TViewerSettings m_settings;
    TSearchState m_search;
    QPointer<search::TFileSearchDialog> m_fileSearch;
    QPointer<launch::TClipboardViewer> m_clipboardViewer; // Edit > Show Clipboard's window while it is open
    std::array<QAction*, kCommandCount> m_actions {};
    std::array<QAction*, std::size(viewer::kAllEncodings)> m_encodingActions {};
    QList<TChildForm*> m_children; // creation order
    QHash<QString, TChildForm*> m_openNames; // clean absolute name of each window's file
    QPointer<TChildForm> m_lastActive;
    QSet<TChildForm*> m_longWork; // windows whose long read is under way
    struct TPendingDrop {
        QStringList Names;
        settings::ViewMode Mode;
    };
    QList<TPendingDrop> m_pendingDrops;
    bool m_refreshPending = false;
    bool m_idleWorkScheduled = false;
    int m_batch = 0; // batches of files being opened
    QList<QPointer<QMdiSubWindow>> m_batchFrames; // opened by the batch, shown when it ends
    int m_opening = 0; // picture loads under way
    bool m_lastOpenFailed = false; // the last OpenFileInViewer failed, as opposed to finding the file open
    QStringList m_commandLine;
    bool m_firstShow = true;
    // Loads what Auto's guess uses while the user looks at the window.
    std::thread m_encodingWarmUp;
    bool m_currentTextHex = false;
    QString m_mediaExtensions;

    QMdiArea* m_mdiArea = nullptr;
    QToolBar* m_bigButtonBar = nullptr;
    QToolBar* m_smButtonBar = nullptr;
    QLabel* m_cursorPosPanel = nullptr;
    QLabel* m_infoPanel = nullptr;
    QString m_viewerNote;
    QString m_infoUnderRead; // the info panel's own text while a long read's message stands in it
    QLabel* m_charPanel = nullptr;
    QLabel* m_hintPanel = nullptr;
    QLabel* m_encodingPanel = nullptr;
    QLabel* m_followPanel = nullptr; // shown while the active window follows its file
    QProgressBar* m_progressGauge = nullptr;
    QMenu* m_fileMenu = nullptr;
    settings::TRecentFiles m_recent;
    settings::THighlightRules m_highlight;
    QList<QAction*> m_recentItems; // the numbered items of the File menu
    void FileMenuAboutToShow();
    void SaveRecentFiles();
    // The recent files go to the settings file a moment after a file opens, once the window is painted: a batch
    // writes the list once, and no frame waits for the disk. Closing the program writes what is still due.
    QTimer* m_recentSaveTimer = nullptr;
    void ReopenAtLastPlace(TChildForm* child, const QString& name);
    QMenu* m_editFileMenu = nullptr;
    QMenu* m_editPopup = nullptr;
    QMenu* m_optionsMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QAction* m_preferencesSeparator = nullptr;
    QList<QAction*> m_windowListActions;
    QPointer<QToolButton> m_tabClose; // the close button of the current tab
};

} // namespace hy::app
