// The viewer control: THvBaseViewer draws a fixed-pitch grid of lines that it asks its descendant for,
// with caret, selection, scrolling, keys and mouse; THvCustomFileViewer and THvFileViewer bind it to a
// file through THvFileModel (Standard text lines or Hex dump rows).
//
// Lines are decoded into characters by the viewer's text layout in the window's encoding; the control
// paints the cells the layout hands it. Positions in a line are byte indexes, always at the start of a
// character cluster; columns are cells.
#pragma once

#include "base/HyExceptions.h"
#include "core/viewer/HvBase.h"
#include "core/viewer/HvMatchScan.h"
#include "core/viewer/HvPresenceScan.h"
#include "core/viewer/HvTextLayout.h"
#include "core/viewer/HvTypes.h"
#include "ui/common/CursorScope.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QColor>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QFileSystemWatcher;
class QTimer;

namespace hy::viewer {

class THvCaret;
class THvColors;
class THvFileModel;
class THvFixedFont;
class THvSingleCaret;
struct TGridMetrics;
class TFontCells;

class ENoControllerAssigned : public base::EHvException {
public:
    ENoControllerAssigned();
};

enum TBorderStyle { bsNone, bsSingle };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A place in the text: a line and a byte index into it (or a display column where named so).
struct TTextPosition {
    LineNumber Line = 0;
    qint64 Index = 0;
    auto operator<=>(const TTextPosition&) const = default;
};

// Colours for bytes [From, To) of a line; a mark with WholeLine colours the whole row behind the text too.
struct THvMark {
    qint64 From = 0;
    qint64 To = 0;
    QColor Back;
    QColor Text;
    bool WholeLine = false;
};

class THvBaseViewer : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit THvBaseViewer(QWidget* parent = nullptr);
    ~THvBaseViewer() override;

    // --- What a descendant supplies ---

    // The nearest existing line not above line; may scan to find the end. The base returns line.
    virtual LineNumber ClampLine(LineNumber line);
    // The text of a line and its length; valid until the next call. Empty for lines that do not exist.
    // A file viewer hands out at most the first 1023 bytes here; the whole line comes through ReadLine.
    virtual const char* LineText(LineNumber line, int& len) = 0;
    // The bytes of a line's text from index from, up to n of them and up to its end; the base reads LineText.
    virtual qint64 ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n);
    // The size of a line's text when it is known without reading, else -1.
    virtual qint64 KnownLineSize(LineNumber line)
    {
        (void)line;
        return -1;
    }
    // True when the last read was stopped before it was done (Esc).
    virtual bool LastReadStopped() const { return false; }

    // The characters, clusters and cells of the lines, in the viewer's encoding.
    THvTextLayout& Layout() { return m_layout; }
    // The encoding lines are decoded in (never Auto here; a file viewer resolves Auto).
    TTextEncoding TextEncoding() const { return m_layout.Encoding(); }
    void SetTextEncoding(TTextEncoding encoding);

    // --- Properties ---

    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle style);
    THvCaret* Caret() const;
    // Shares caret with other viewers; a change of any of its properties makes the caret anew.
    void SetCaret(std::shared_ptr<THvCaret> caret);
    // The controller whose command processor translates keys. When none is set, the first controller
    // owned by the window is adopted; a controller that is destroyed is forgotten.
    THvController* Controller() const { return m_controller; }
    void SetController(THvController* controller);
    // The assigned or adopted controller; throws ENoControllerAssigned when the window has none.
    THvController* EnsureController();
    bool ExpandTabs() const { return m_expandTabs; }
    void SetExpandTabs(bool expand);
    THvFixedFont* FixedFont() const { return m_fixedFont; }
    THvColors* HighlightColors() const { return m_highlightColors; }
    QColor MarginColor() const { return m_marginColor; }
    void SetMarginColor(const QColor& color);
    QColor Color() const { return m_color; }
    void SetColor(const QColor& color);
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle style);
    bool ShowBookmarks() const { return m_showBookmarks; }
    void SetShowBookmarks(bool show);
    // True: keys move the caret; False: keys scroll and the caret is hidden.
    bool ShowCaret() const { return m_showCaret; }
    void SetShowCaret(bool show);
    int TabSize() const { return m_tabSize; }
    void SetTabSize(int size); // 0 (or less) is ignored
    // A gutter left of the text with the file line numbers.
    bool ShowLineNumbers() const { return m_showLineNumbers; }
    void SetShowLineNumbers(bool show);
    // Long lines wrap at the window's width, on blanks where they can; lines keep their numbers.
    bool WrapLines() const { return m_wrapLines; }
    void SetWrapLines(bool wrap);
    // Copies put CR LF between lines instead of LF.
    bool CopyWithCrLf() const { return m_copyCrLf; }
    void SetCopyWithCrLf(bool crlf) { m_copyCrLf = crlf; }

    // --- View state ---

    LineNumber LineTotal() const { return m_lineTotal; }
    LineNumber FirstVisibleLine() const { return m_firstLine; }
    // With wrap, the first visible screen row of FirstVisibleLine.
    qint64 FirstVisibleRow() const { return m_firstRow; }
    qint64 FirstVisibleColumn() const { return m_firstColumn; }
    // The horizontal extent: the widest line seen, and the caret's column.
    qint64 ColumnExtent() const;
    // Sets the total and the vertical scroll bar; caret, selection and view stay.
    void SetLineTotal(LineNumber count);
    // When count differs from the total: caret to the start, selection collapsed, first column 0,
    // bookmarks cleared, scroll bars updated, repaint.
    void ResetLineTotal(LineNumber count);

    int RowHeight() const { return m_rowHeight; }
    int CharWidth() const { return m_charWidth; }
    int VisibleRows() const { return m_visibleRows; }
    int VisibleColumns() const { return m_visibleColumns; }
    int MarginWidth() const { return m_marginWidth; }
    // The glyph drawn for characters the font range leaves out.
    QChar DefaultCharGlyph() const;

    // Scrolls by columns and lines (screen rows while lines wrap).
    void ScrollBy(qint64 columns, LineNumber lines);
    void ScrollToLine(LineNumber line);

    void MoveCaret(qint64 deltaColumn, LineNumber deltaLine, bool keepRow, bool extend, bool columnIsIndex);
    void MoveCaretTo(LineNumber line, qint64 column, bool extend);
    void PlaceCaret(LineNumber line, qint64 column);
    // Caret line and display column.
    TTextPosition CaretLocation() const { return { m_caretLine, m_caretColumn }; }
    // Caret line and character index.
    TTextPosition CaretCharLocation() const { return { m_caretLine, m_caretIndex }; }
    // The caret's top-left pixel in the viewport, or (32767, 32767) while it is outside the view.
    QPoint CaretPixelPosition() const;

    static constexpr int kBookmarkCount = 10;
    void SetBookmark(int index, LineNumber line, qint64 column);
    void JumpToBookmark(int index);
    // Line -1 when unset.
    TTextPosition Bookmark(int index) const;

    // The wait cursor; one flag, so the first HideHourglass ends any number of ShowHourglass calls.
    void ShowHourglass();
    void HideHourglass();
    bool HourglassShown() const { return m_hourglass.has_value(); }

    // --- Selection and copying ---

    void SelectRange(LineNumber startLine, qint64 startIndex, bool caretAtEnd, qint64 endIndex, LineNumber endLine);
    // True when the selection is not empty.
    bool SelectionBounds(LineNumber& startLine, qint64& startIndex, qint64& endIndex, LineNumber& endLine) const;
    TTextPosition SelectionStart() const { return m_selStart; }
    TTextPosition SelectionEnd() const { return m_selEnd; }
    bool HasSelection() const { return m_selStart != m_selEnd; }
    // Everything, to the end of the last line; the caret goes to the end or stays at the start.
    void SelectEntireFile(bool caretAtEnd);
    // The selected text, decoded, with LF between lines (CR LF with CopyWithCrLf); tabs stay tabs, zero bytes
    // read as spaces, invalid bytes as U+FFFD. Throws ERegionTooLarge when the selection holds more than
    // 64 MiB.
    QString SelectedText();
    // SelectedText to the clipboard; an empty selection copies nothing.
    void CopySelection();
    // A line as shown: tabs expanded (whatever ExpandTabs says), characters without a glyph as
    // DefaultCharGlyph, at most size cells.
    QString DisplayLineText(LineNumber line, int size = 1024);
    // The text of bytes [from, to) of a line as copies (and prints) take it; a range past the line's end ends
    // there.
    QString TextOfRange(LineNumber line, qint64 from, qint64 to) { return RangeText(line, from, to); }

    // Carries out a translated command as a key would; False when it is left to ordinary key handling.
    bool ExecuteCommand(int command);

Q_SIGNALS:
    // After caret updates, delivered from the event loop; repeated updates before delivery give one signal.
    void OnShowStatus(qint64 lineNum, qint64 colNum);
    void OnTopLineChanged(qint64 line);
    void OnUserCommand(int command);

protected:
    // True while the viewer paints its rows.
    bool Painting() const { return m_inPaint; }
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Hooks for descendants.
    virtual void ExpandTabsChanged() { }
    // Bracket one command (a key, a menu item), which may read the file many times over.
    virtual void CommandStarted() { }
    virtual void CommandEnded() { }
    // The cells of a line as the layout decoded them, for a descendant to change before they are drawn.
    virtual void DecorateCells(LineNumber line, std::vector<TCell>& cells)
    {
        (void)line;
        (void)cells;
    }
    // The coloured ranges of a line, later ones drawn over earlier ones (the selection over all of them).
    virtual void LineMarks(LineNumber line, std::vector<THvMark>& marks)
    {
        (void)line;
        (void)marks;
    }
    // Told of each screen row as it is painted: the line it shows and the cells drawn there (decorated), for
    // a descendant that watches what reaches the screen.
    virtual void RowPainted(int row, LineNumber line, const std::vector<TCell>& cells)
    {
        (void)row;
        (void)line;
        (void)cells;
    }
    // False while the rows are no text lines (hex rows): they neither wrap nor get line numbers.
    virtual bool PresentsTextLines() const { return true; }
    // The text of bytes [from, to) of a line as copies take it; the base decodes them.
    virtual QString RangeText(LineNumber line, qint64 from, qint64 to) { return m_layout.Text(line, from, to); }
    // Asked before the caret or the view goes to the last line: a descendant may find the end its own way.
    virtual void PrepareEnd() { }
    // False while a line's number is not known exactly: the gutter leaves it blank.
    virtual bool LineNumberKnown(LineNumber line) const
    {
        (void)line;
        return true;
    }
    // False while lines may not be read (a descendant's source is busy): the scroll bars wait, and are set once
    // the descendant calls UpdateStaleScrollBars.
    virtual bool MayRead() const { return true; }
    bool ScrollBarsStale() const { return m_scrollBarsStale; }
    void UpdateStaleScrollBars()
    {
        if (m_scrollBarsStale)
            UpdateScrollBars();
    }
    // Lines above `above` were renumbered by delta: caret, selection, bookmarks and view follow them.
    void ShiftLines(LineNumber above, LineNumber delta);
    // Forgets what the layout knew of the lines (they changed).
    void ResetLayout();
    // The tab settings the layout uses; a descendant may show lines whose tabs mean nothing (hex rows).
    void SetLayoutTabs(bool expand);
    // The reset of ResetLineTotal, also when the total is unchanged.
    void ResetView(LineNumber count);
    // Ends the wait cursor when the scope ends, whatever path it takes.
    class HourglassScope {
    public:
        explicit HourglassScope(THvBaseViewer* viewer, bool show = false);
        ~HourglassScope();
        HourglassScope(const HourglassScope&) = delete;
        HourglassScope& operator=(const HourglassScope&) = delete;

    private:
        THvBaseViewer* m_viewer;
    };
    // Selects a search hit: the caret after the match going forward, on its first character backward.
    void SelectSearchHit(const TSearchHit& hit, unsigned options);
    void Repaint();

private:
    class LayoutSource;
    qint64 ColumnOfIndex(LineNumber line, qint64 index);
    qint64 IndexOfColumn(LineNumber line, qint64 column);
    qint64 ClampIndex(LineNumber line, qint64 index);
    qint64 LineLength(LineNumber line);
    TTextPosition CellAt(const QPoint& point);
    bool Wrapping() const;
    int WrapWidth() const;
    // Screen rows while lines wrap: (line, row of that line).
    struct ScreenRow {
        LineNumber Line = 0;
        qint64 Row = 0;
        auto operator<=>(const ScreenRow&) const = default;
    };
    bool NextRow(ScreenRow& r);
    bool PrevRow(ScreenRow& r);
    ScreenRow RowOfPosition(LineNumber line, qint64 index);
    qint64 RowStartColumn(const ScreenRow& r);
    void ScrollRows(LineNumber rows);
    // Makes top the first visible screen row.
    void ShowFromRow(const ScreenRow& top);
    // The rows of a wrapped line as far as they are known without a long read.
    qint64 KnownRows(LineNumber line);
    // The vertical scroll bar's position for the view as it stands.
    int VerticalPosition();
    void EnsureCaretRowShown(bool keepRow, LineNumber rowOffset);
    // The grid as it stands, for the geometry functions.
    TGridMetrics Grid() const;
    // Without wrap: scrolls so that the cell at (line, column) shows (keepRow: rowOffset rows below the top).
    void ScrollToShow(LineNumber line, qint64 column, bool keepRow, LineNumber rowOffset);
    // True while the caret's cell is in view.
    bool CaretShown() const;
    // After the grid changed under the caret (wrap or line numbers switched): a caret that was in view is kept
    // in view; a view scrolled away from the caret stays where it is.
    void KeepCaretShown(bool shownBefore);
    int CaretScreenRow();
    LineNumber CaretRowInView();
    TTextPosition StepScreenRows(LineNumber deltaLine);
    std::optional<TTextPosition> StepLines(qint64 deltaColumn, LineNumber deltaLine, bool columnIsIndex);
    void UpdateGutter();
    void UpdateMetrics();
    void UpdateScrollBars();
    void UpdateMinimumSize();
    void UpdateCaret();
    void PostStatus();
    void DeliverStatus();
    void InvalidateLines(LineNumber from, LineNumber to);
    void ExtendSelection();
    void CollapseSelection();
    void PaintRow(QPainter& painter, int row);
    void PaintCells(QPainter& painter, LineNumber line, const std::vector<TCell>& cells, qint64 originColumn, int top,
        qint64 selFrom, qint64 selTo);
    void PaintLoneCell(QPainter& painter, const TCell& cell, const QString& text, const QRect& box, const QRect& clip,
        int baseline, const QColor& ink);
    std::vector<THvMark> m_marks; // the marks of the line being painted
    void PaintGutter(QPainter& painter, LineNumber line, int top);
    void VerticalAction(int action);
    void HorizontalAction(int action);
    void ReleaseVerticalThumb(int position);
    void DragStep();
    bool ExecuteCaretCommand(int command);
    bool ExecuteOtherCaretCommand(int command);
    void MoveCaretToPageEdge(bool bottom, bool extend);
    bool ExecuteScrollCommand(int command);
    void MoveWord(bool right, bool extend);
    void MoveToNextLineStart(bool extend);
    void SelectWordAt(const QPoint& point);
    LineNumber PageLines() const;

    // Properties.
    TBorderStyle m_borderStyle = bsSingle;
    QPointer<THvController> m_controller;
    bool m_expandTabs = true;
    THvFixedFont* m_fixedFont;
    THvColors* m_highlightColors;
    QColor m_marginColor;
    QColor m_color;
    TScrollStyle m_scrollBars = ssBoth;
    bool m_showBookmarks = true;
    bool m_showCaret = true;
    int m_tabSize = 8;
    bool m_showLineNumbers = false;
    bool m_wrapLines = false;
    bool m_copyCrLf = false;
    std::unique_ptr<LayoutSource> m_layoutSource;
    THvTextLayout m_layout;

    // View state.
    LineNumber m_lineTotal = 0;
    LineNumber m_firstLine = 0;
    qint64 m_firstRow = 0;
    qint64 m_firstColumn = 0;
    LineNumber m_caretLine = 0;
    qint64 m_caretIndex = 0;
    qint64 m_caretColumn = 0;
    TTextPosition m_selStart;
    TTextPosition m_selEnd;
    TTextPosition m_selAnchor;
    std::array<TTextPosition, kBookmarkCount> m_bookmarks;

    // Metrics.
    int m_rowHeight = 12;
    int m_charWidth = 12;
    int m_visibleRows = 1;
    int m_visibleColumns = 1;
    int m_marginWidth = 0;
    int m_gutterColumns = 0;
    int m_ascent = 10;
    QFont m_drawFont;
    std::shared_ptr<TFontCells> m_fontCells; // the font's measures, shared by every viewer of the font
    bool DrawsInOneCell(char32_t code) const; // whether a character joins a run drawn straight on the cell grid

    QPoint m_caretScreen { -1, -1 }; // the caret's pixel place while lines wrap
    THvSingleCaret* m_singleCaret;
    std::optional<common::TCursorScope> m_hourglass;
    bool m_statusPending = false;
    bool m_inPaint = false;
    bool m_scrollBarsPending = false;
    bool m_scrollBarsStale = false; // set while lines could not be read
    bool m_dragging = false;
    QPoint m_dragPoint;
    QTimer* m_dragTimer;
    int m_wheelRemainder = 0;
};

// A pattern whose matches a file viewer paints in colours (Standard only): the match, or its whole line.
struct THvMarkRule {
    TMatchQuery Query;
    QColor Back;
    QColor Text;
    bool WholeLine = false;
};

// Adds the marks of one rule for a line's text [p, p + n) to marks, byte indexes shifted by shift.
void AppendMarks(const THvLineMatcher& matcher, const THvMarkRule& rule, const uint8_t* p, size_t n, qint64 shift,
    std::vector<THvMark>& marks);

// The viewer bound to a file: Standard text lines or Hex rows from a THvFileModel.
class THvCustomFileViewer : public THvBaseViewer {
    Q_OBJECT
public:
    explicit THvCustomFileViewer(QWidget* parent = nullptr);
    ~THvCustomFileViewer() override;

    LineNumber ClampLine(LineNumber line) override;
    const char* LineText(LineNumber line, int& len) override;
    qint64 ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n) override;
    qint64 KnownLineSize(LineNumber line) override;
    bool LastReadStopped() const override;
    // Finds text (options: soBackward, soMatchCase, soWholeFile, soRegex) and selects the match; False, with
    // selection and caret unchanged, when there is none or text is empty.
    bool SearchFor(const QString& text, unsigned options);
    // A scan on a thread of its own, through a read handle of its own, that tells whether SearchFor(text, options)
    // from where it would start now can find anything (finished is called on that thread at its end); none when
    // it cannot tell: the Hex view, a backward search, a compressed file, a pattern without a literal.
    std::unique_ptr<THvPresenceScan> StartPresenceScan(
        const QString& text, unsigned options, std::function<void()> finished = {});

    // The window's encoding (Auto by default); Auto is resolved when the file is opened.
    TTextEncoding Encoding() const;
    void SetEncoding(TTextEncoding encoding);
    TTextEncoding EffectiveEncoding() const;
    // The file offset of the caret (Standard: its line's start plus its index; Hex: the byte it stands on).
    FileOffset CaretOffset();
    // The selection as a range of file bytes [first, second); empty when nothing is selected.
    std::pair<FileOffset, FileOffset> SelectionByteRange();
    // Writes the selected bytes to target exactly as they stand in the file (see WriteByteRange): 0, an error
    // code, or kRangeCopyStopped.
    int WriteSelection(const QString& target, const std::function<bool(qint64 done, qint64 total)>& progress = {});

    QString FileName() const;
    // Closes the file, takes the name (as given) and reopens when the file was open, also when the name
    // is unchanged: assigning the same name reloads the file.
    void SetFileName(const QString& name);
    bool IsOpen() const;
    // Opening throws hy::EInOutError when the file cannot be opened; the viewer is closed then.
    void SetIsOpen(bool open);
    bool InHexMode() const;
    void SetInHexMode(bool hex);
    bool FilterChars() const;
    void SetFilterChars(bool filter);
    int BufferPageCount() const;
    void SetBufferPageCount(int count);
    FileOffset FileSize() const;

    THvFileModel& Model() { return *m_model; }

    // A read that runs longer than this (the scan to the end of a large file, a search) keeps the window
    // alive and stops when Esc is pressed. Painting never waits that long: a scan that painting needs goes
    // on after the paint as such a read.
    static void SetLongWorkDelay(int milliseconds);
    // True while such a read is under way and the window is answering in between.
    bool LongWorkRunning() const { return m_longWorkShown; }
    // True while any file viewer of the program is in such a read.
    static bool AnyLongWorkRunning();
    // The last read was stopped with Esc.
    bool WorkStopped() const { return m_workStopped; }

    // Looks at the file on disk: when it changed since it was opened, the viewer shows it as it now is and
    // starts the view over (as reopening does). Done whenever the application becomes active again; a
    // read that comes up short on a changed file does the same by itself.
    bool CheckFileOnDisk();

    // After a jump to the end of a large file the last lines carry estimated numbers, which are never
    // shown, while the lines are counted in the background; the exact numbers replace them when the count
    // arrives, without moving the view.
    bool CountingLines() const;
    double CountProgress() const; // the share of the count done, 0..1
    // Waits for the count as a long read (Esc stops the wait, not the count) and applies it; true when
    // every line number is exact.
    bool WaitForLineCount();
    // Places the caret at the start of a line given by its exact number (Go to Line).
    void PlaceCaretOnLine(LineNumber line);

    // Colour rules, in order (later ones over earlier ones), and the find bar's matches over them all (an
    // empty text shows none).
    void SetMarkRules(std::vector<THvMarkRule> rules);
    const std::vector<THvMarkRule>& MarkRules() const { return m_markRules; }
    void SetFindMarks(const THvMarkRule& find);
    const THvMarkRule& FindMarks() const { return m_findMark; }
    // The marks of a line as they are painted.
    std::vector<THvMark> MarksOf(LineNumber line);
    // The colour rules' marks of a line alone (no find bar matches), for printing.
    std::vector<THvMark> RuleMarksOf(LineNumber line);

    // Follows the file as it grows (View > Follow), told by the file system or, where it tells nothing, by
    // a look every quarter second: new lines appear, and the view stays at the end while the caret is on
    // the last line. A file that is truncated or replaced is reopened from the start (OnFollowNote).
    bool Follow() const { return m_follow; }
    void SetFollow(bool follow);

Q_SIGNALS:
    // A long read began (true) or ended (false).
    void OnLongWork(bool running);
    // Something the person should know about the followed file (it was reopened from the start).
    void OnFollowNote(const QString& note);

protected:
    void ExpandTabsChanged() override;
    void paintEvent(QPaintEvent* event) override;
    void DecorateCells(LineNumber line, std::vector<TCell>& cells) override;
    bool PresentsTextLines() const override;
    bool MayRead() const override { return m_workDepth == 0 && !m_pumping; }
    // Esc stops the rest of the command as well as the read it came in: Ctrl+End, for one, reads again after
    // its walk to the end was stopped.
    void CommandStarted() override;
    void CommandEnded() override { --m_commandDepth; }
    QString RangeText(LineNumber line, qint64 from, qint64 to) override;
    void PrepareEnd() override;
    bool LineNumberKnown(LineNumber line) const override;
    void LineMarks(LineNumber line, std::vector<THvMark>& marks) override;
    // The marks of a line's first bytes, by the colour rules and (withFind) the find bar; false when nothing
    // is marked in this view.
    bool CollectMarks(LineNumber line, bool withFind, std::vector<THvMark>& marks);

private:
    class Events;
    class WorkScope;
    bool PollStop();
    LineNumber KnownLastLine() const;
    bool SkipScanWhilePainting(LineNumber line);
    void ContinueScan();
    void FileChangedOnDisk();
    void ApplyPendingReset();
    void ApplyLayoutMode();
    FileOffset OffsetOf(const TTextPosition& p, bool end);
    void PlaceCaretAtOffset(FileOffset offset);
    void ApplyLineCount();
    void QueueCountWait();
    bool CaretOnLastLine() const;
    void FollowCheck();
    void WatchFile();

    std::unique_ptr<Events> m_events;
    std::unique_ptr<THvFileModel> m_model;
    int m_workDepth = 0;
    int m_commandDepth = 0;
    bool m_pumping = false;
    bool m_stopRequested = false;
    bool m_longWorkShown = false;
    bool m_workStopped = false;
    qint64 m_workStarted = 0;
    qint64 m_lastPump = 0;
    bool m_paintScanCut = false; // this paint stopped a scan that went on too long
    bool m_scanQueued = false; // the rest of that scan is to run after the paint
    bool m_paintScansHeld = false; // Esc stopped a read: painting scans no further until asked to
    bool m_resetPending = false; // the file changed: the view starts over once the model is idle
    bool m_recheckPending = false; // the application became active while the model was busy
    bool m_countWaitQueued = false; // a line needs the count: it is waited for once the call returns
    QTimer* m_countTimer; // refreshes the status while lines are counted
    bool m_follow = false;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_followTimer;
    std::vector<THvMarkRule> m_markRules;
    THvMarkRule m_findMark;
    std::vector<THvLineMatcher> m_markMatchers; // the rules' and then the find bar's, for m_markEncoding
    TTextEncoding m_markEncoding = TTextEncoding::Auto;
    bool m_markMatchersStale = true;
    LineNumber m_markLine = -1; // the line m_markCache holds, during one paint
    std::vector<THvMark> m_markCache;
};

class THvFileViewer : public THvCustomFileViewer {
    Q_OBJECT
public:
    using THvCustomFileViewer::THvCustomFileViewer;
};

} // namespace hy::viewer
