// Scrolling and the caret of the viewer control: the scroll bars, scrolling by rows and columns, the
// lengths and columns of lines, and the caret's moves and place on the screen.
#include "ui/viewer/HvViewr.h"

#include "core/viewer/HvBase.h"
#include "core/viewer/HvCmd.h"
#include "core/viewer/HvLayout.h"
#include "ui/viewer/HvCaret.h"
#include "ui/viewer/HvFxFnt.h"

#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

namespace hy::viewer {

namespace {
    constexpr int kHiddenCaret = 32767;
    constexpr int kWheelLines = 3;
    constexpr int kPageColumns = 10;

    LineNumber AddLines(LineNumber a, LineNumber b)
    {
        LineNumber sum = 0;
        if (__builtin_add_overflow(a, b, &sum))
            return b > 0 ? std::numeric_limits<LineNumber>::max() : std::numeric_limits<LineNumber>::min();
        return sum;
    }
} // namespace

// --- Scroll bars ---

void THvBaseViewer::UpdateScrollBars()
{
    if (m_inPaint) {
        // A total found while painting: range changes may relayout the viewport, so they wait.
        if (!m_scrollBarsPending) {
            m_scrollBarsPending = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_scrollBarsPending = false;
                    UpdateScrollBars();
                },
                Qt::QueuedConnection);
        }
        return;
    }
    if (Wrapping() && !MayRead()) {
        // Placing the thumb among wrapped rows reads lines: it waits until the descendant may read again.
        m_scrollBarsStale = true;
        return;
    }
    m_scrollBarsStale = false;
    QScrollBar* v = verticalScrollBar();
    if (Wrapping()) {
        const TWrapScrollMapping map = WrappedScrollMapping(m_lineTotal);
        v->setRange(0, map.Range);
        // A page's share of the first visible line's steps, or of the lines' steps.
        const qint64 page = map.Steps > 1
            ? m_visibleRows * map.Steps / std::max<qint64>(KnownRows(m_firstLine), m_visibleRows)
            : m_visibleRows / map.Divisor;
        v->setPageStep(static_cast<int>(std::clamp<qint64>(page, 1, std::max(map.Range, 1))));
    } else {
        const TVScrollMapping map = VerticalScrollMapping(m_lineTotal, m_visibleRows);
        v->setRange(0, map.Range);
        v->setPageStep(static_cast<int>(std::max<LineNumber>(1, m_visibleRows / map.Divisor)));
    }
    v->setSingleStep(1);
    if (!v->isSliderDown())
        v->setValue(VerticalPosition());
    QScrollBar* h = horizontalScrollBar();
    const THScrollMapping hmap = HorizontalScrollMapping(ColumnExtent(), m_visibleColumns);
    h->setRange(0, m_lineTotal != 0 && !Wrapping() ? hmap.Range : 0);
    h->setSingleStep(1);
    h->setPageStep(static_cast<int>(std::max<qint64>(1, kPageColumns / hmap.Divisor)));
    if (!h->isSliderDown())
        h->setValue(hmap.Position(m_firstColumn));
}

void THvBaseViewer::scrollContentsBy(int, int)
{
    // The view follows its own first line and column; scroll-bar values only mirror them.
}

bool THvBaseViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void THvBaseViewer::VerticalAction(int action)
{
    HourglassScope scope(this);
    QScrollBar* v = verticalScrollBar();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        ScrollBy(0, 1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        ScrollBy(0, -1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        ScrollBy(0, m_visibleRows);
        break;
    case QAbstractSlider::SliderPageStepSub:
        ScrollBy(0, -m_visibleRows);
        break;
    case QAbstractSlider::SliderToMinimum:
        ReleaseVerticalThumb(0);
        break;
    case QAbstractSlider::SliderToMaximum:
        ReleaseVerticalThumb(v->maximum());
        break;
    case QAbstractSlider::SliderMove:
        ReleaseVerticalThumb(v->sliderPosition());
        break;
    default:
        break;
    }
    // The slider applies this position when the action returns.
    v->setSliderPosition(VerticalPosition());
}

int THvBaseViewer::VerticalPosition()
{
    if (!Wrapping())
        return VerticalScrollMapping(m_lineTotal, m_visibleRows).Position(m_firstLine);
    const TWrapScrollMapping map = WrappedScrollMapping(m_lineTotal);
    if (m_lineTotal != kUndeterminedTotal && m_lineTotal > 0) {
        // The last screen is the end of the range, as the last row shows at its bottom.
        ScreenRow r { m_firstLine, m_firstRow };
        int shown = 1;
        while (shown < m_visibleRows && NextRow(r))
            ++shown;
        if (shown < m_visibleRows || (r.Line == m_lineTotal - 1 && !NextRow(r)))
            return map.Range;
    }
    return map.Position(m_firstLine, m_firstRow, map.Steps > 1 ? KnownRows(m_firstLine) : 1);
}

qint64 THvBaseViewer::KnownRows(LineNumber line)
{
    const int width = WrapWidth();
    const qint64 rows = m_layout.RowCount(line, width);
    if (rows >= 0)
        return rows;
    const qint64 size = m_layout.KnownSize(line) >= 0 ? m_layout.KnownSize(line) : KnownLineSize(line);
    if (size >= 0)
        return m_layout.RowOf(line, width, size) + 1;
    // The end is not known yet: as far as the line was read, and never fewer than the rows on screen.
    const qint64 seen = m_layout.KnownColumns(line) / width + 1;
    return std::max(seen, line == m_firstLine ? m_firstRow + m_visibleRows : 1);
}

void THvBaseViewer::ReleaseVerticalThumb(int position)
{
    if (Wrapping()) {
        const TWrapScrollMapping before = WrappedScrollMapping(m_lineTotal);
        const bool toEnd = position >= before.Range;
        if (toEnd)
            PrepareEnd();
        const LineNumber last = ClampLine(m_lineTotal);
        if (m_lineTotal == 0)
            return;
        ScreenRow top;
        if (toEnd) {
            // The last screen: the last row of the last line at the bottom.
            top = { last, m_layout.RowOf(last, WrapWidth(), m_layout.LineSize(last)) };
            for (int k = 0; k < m_visibleRows - 1 && PrevRow(top); ++k) { }
        } else if (position > 0) {
            // The total may have been found just now: the position keeps its share of the range.
            const TWrapScrollMapping map = WrappedScrollMapping(m_lineTotal);
            const int at = static_cast<int>(qint64(position) * map.Range / std::max(before.Range, 1));
            top.Line = ClampLine(map.LineAt(at));
            if (map.Steps > 1) {
                const qint64 rows = m_layout.RowOf(top.Line, WrapWidth(), m_layout.LineSize(top.Line)) + 1;
                top.Row = map.RowAt(at, rows);
            }
        }
        ShowFromRow(top);
        UpdateCaret();
        return;
    }
    const TVScrollMapping before = VerticalScrollMapping(m_lineTotal, m_visibleRows);
    LineNumber target = 0;
    if (position <= 0) {
        target = 0;
    } else if (position >= before.Range) {
        // The last screen: an undetermined total is determined first.
        PrepareEnd();
        const LineNumber last = ClampLine(m_lineTotal);
        target = last > m_visibleRows ? VerticalScrollMapping(m_lineTotal, m_visibleRows).MaxTop : 0;
    } else {
        const LineNumber totalBefore = m_lineTotal;
        ClampLine(m_lineTotal);
        if (m_lineTotal != totalBefore) {
            const TVScrollMapping after = VerticalScrollMapping(m_lineTotal, m_visibleRows);
            target = static_cast<LineNumber>(position) * after.Range / std::max(before.Range, 1) * after.Divisor;
        } else {
            target = ClampLine(static_cast<LineNumber>(position) * before.Divisor);
        }
    }
    target = ClampLine(std::max<LineNumber>(target, 0));
    ScrollToLine(target);
}

void THvBaseViewer::HorizontalAction(int action)
{
    QScrollBar* h = horizontalScrollBar();
    const THScrollMapping map = HorizontalScrollMapping(ColumnExtent(), m_visibleColumns);
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        ScrollBy(1, 0);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        ScrollBy(-1, 0);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        ScrollBy(kPageColumns, 0);
        break;
    case QAbstractSlider::SliderPageStepSub:
        ScrollBy(-kPageColumns, 0);
        break;
    case QAbstractSlider::SliderToMinimum:
        ScrollBy(-m_firstColumn, 0);
        break;
    case QAbstractSlider::SliderToMaximum:
        ScrollBy(map.MaxFirst - m_firstColumn, 0);
        break;
    case QAbstractSlider::SliderMove:
        ScrollBy(qint64(h->sliderPosition()) * map.Divisor - m_firstColumn, 0);
        break;
    default:
        break;
    }
    h->setSliderPosition(HorizontalScrollMapping(ColumnExtent(), m_visibleColumns).Position(m_firstColumn));
}

void THvBaseViewer::wheelEvent(QWheelEvent* event)
{
    HourglassScope scope(this);
    const QPoint delta = event->angleDelta();
    if (std::abs(delta.y()) >= std::abs(delta.x())) {
        m_wheelRemainder += delta.y();
        const int steps = m_wheelRemainder / 120;
        m_wheelRemainder %= 120;
        if (steps != 0)
            ScrollBy(0, static_cast<LineNumber>(-steps) * kWheelLines);
    } else if (delta.x() != 0) {
        ScrollBy(delta.x() > 0 ? -kWheelLines : kWheelLines, 0);
    }
    event->accept();
}

// --- Scrolling ---

void THvBaseViewer::ScrollBy(qint64 columns, LineNumber lines)
{
    if (Wrapping()) {
        if (lines != 0)
            ScrollRows(lines);
        return;
    }
    const TVScrollMapping map = VerticalScrollMapping(m_lineTotal, m_visibleRows);
    const THScrollMapping hmap = HorizontalScrollMapping(ColumnExtent(), m_visibleColumns);
    qint64 sumColumn = 0;
    if (__builtin_add_overflow(m_firstColumn, columns, &sumColumn))
        sumColumn = columns > 0 ? hmap.MaxFirst : 0;
    const qint64 newColumn = std::clamp<qint64>(sumColumn, 0, std::max(hmap.MaxFirst, m_firstColumn));
    const LineNumber newLine = std::clamp<LineNumber>(AddLines(m_firstLine, lines), 0, map.MaxTop);
    if (newColumn == m_firstColumn && newLine == m_firstLine)
        return;

    const qint64 shiftColumns = newColumn - m_firstColumn;
    const LineNumber shiftRows = newLine - m_firstLine;
    const QRect textArea(m_marginWidth, 0, m_visibleColumns * m_charWidth, m_visibleRows * m_rowHeight);
    const bool repaintAll = (shiftColumns != 0 && shiftRows != 0) || std::abs(shiftColumns) >= m_visibleColumns
        || std::abs(shiftRows) >= m_visibleRows || (m_showLineNumbers && shiftRows != 0);
    const QRect oldCaret = m_singleCaret->Rect();

    m_firstColumn = newColumn;
    m_firstLine = newLine;
    UpdateGutter();
    UpdateScrollBars();
    if (repaintAll) {
        viewport()->update();
    } else {
        const int dx = -static_cast<int>(shiftColumns) * m_charWidth;
        const int dy = -static_cast<int>(shiftRows) * m_rowHeight;
        viewport()->scroll(dx, dy, textArea);
        // The drawn caret moved with the pixels; its new place is repainted from the text.
        if (!oldCaret.isEmpty())
            viewport()->update(oldCaret.translated(dx, dy));
    }
    UpdateCaret();
    if (shiftRows != 0)
        Q_EMIT OnTopLineChanged(m_firstLine);
}

void THvBaseViewer::ScrollRows(LineNumber rows)
{
    ScreenRow r { m_firstLine, m_firstRow };
    const ScreenRow before = r;
    for (LineNumber k = 0; k < rows && NextRow(r); ++k) { }
    for (LineNumber k = 0; k > rows && PrevRow(r); --k) { }
    if (r == before)
        return;
    ShowFromRow(r);
    UpdateCaret();
}

void THvBaseViewer::ShowFromRow(const ScreenRow& top)
{
    const bool lineChanged = top.Line != m_firstLine;
    m_firstLine = top.Line;
    m_firstRow = top.Row;
    UpdateGutter();
    UpdateScrollBars();
    viewport()->update();
    if (lineChanged)
        Q_EMIT OnTopLineChanged(m_firstLine);
}

bool THvBaseViewer::NextRow(ScreenRow& r)
{
    if (m_layout.RowStart(r.Line, WrapWidth(), r.Row + 1) >= 0) {
        ++r.Row;
        return true;
    }
    if (r.Line + 1 >= m_lineTotal || ClampLine(r.Line + 1) != r.Line + 1 || r.Line + 1 >= m_lineTotal)
        return false;
    r = { r.Line + 1, 0 };
    return true;
}

bool THvBaseViewer::PrevRow(ScreenRow& r)
{
    if (r.Row > 0) {
        --r.Row;
        return true;
    }
    if (r.Line <= 0)
        return false;
    const LineNumber line = r.Line - 1;
    qint64 rows = m_layout.RowCount(line, WrapWidth());
    if (rows < 0)
        rows = m_layout.RowOf(line, WrapWidth(), m_layout.LineSize(line)) + 1;
    r = { line, std::max<qint64>(rows - 1, 0) };
    return true;
}

THvBaseViewer::ScreenRow THvBaseViewer::RowOfPosition(LineNumber line, qint64 index)
{
    return { line, m_layout.RowOf(line, WrapWidth(), index) };
}

qint64 THvBaseViewer::RowStartColumn(const ScreenRow& r)
{
    return r.Row == 0 ? 0 : m_layout.ColumnOf(r.Line, m_layout.RowStart(r.Line, WrapWidth(), r.Row));
}

int THvBaseViewer::CaretScreenRow()
{
    // The caret's row on screen, or -1 when it is not among the visible rows.
    if (m_caretLine < m_firstLine)
        return -1;
    const ScreenRow target = RowOfPosition(m_caretLine, m_caretIndex);
    ScreenRow r { m_firstLine, m_firstRow };
    for (int k = 0; k < m_visibleRows; ++k) {
        if (r == target)
            return k;
        if (target < r || !NextRow(r))
            return -1;
    }
    return -1;
}

void THvBaseViewer::EnsureCaretRowShown(bool keepRow, LineNumber rowOffset)
{
    const ScreenRow target = RowOfPosition(m_caretLine, m_caretIndex);
    const ScreenRow first { m_firstLine, m_firstRow };
    ScreenRow want = first;
    if (keepRow) {
        want = target;
        for (LineNumber k = 0; k < rowOffset && PrevRow(want); ++k) { }
    } else if (target < first) {
        want = target;
    } else if (CaretScreenRow() < 0) {
        want = target;
        for (int k = 0; k < m_visibleRows - 1 && PrevRow(want); ++k) { }
    }
    if (want != first)
        ShowFromRow(want);
}

void THvBaseViewer::ScrollToLine(LineNumber line)
{
    if (!Wrapping()) {
        ScrollBy(0, AddLines(line, -m_firstLine));
        return;
    }
    line = std::clamp<LineNumber>(line, 0, std::max<LineNumber>(m_lineTotal - 1, 0));
    if (line == m_firstLine && m_firstRow == 0)
        return;
    ShowFromRow({ line, 0 });
    UpdateCaret();
}

// --- Lines ---

qint64 THvBaseViewer::LineLength(LineNumber line)
{
    if (m_lineTotal == 0)
        return 0;
    return m_layout.LineSize(line);
}

qint64 THvBaseViewer::ColumnOfIndex(LineNumber line, qint64 index)
{
    if (m_lineTotal == 0)
        return index;
    return m_layout.ColumnOf(line, index);
}

qint64 THvBaseViewer::IndexOfColumn(LineNumber line, qint64 column)
{
    if (m_lineTotal == 0)
        return column;
    return m_layout.IndexAtColumn(line, column);
}

qint64 THvBaseViewer::ClampIndex(LineNumber line, qint64 index)
{
    if (m_lineTotal == 0)
        return 0;
    if (index >= kEndOfLineIndex / 2 && KnownLineSize(line) < 0) {
        // The end of a line whose end is not known yet: a descendant finds it as it finds lines (a long read
        // that Esc stops), rather than the layout reading the whole line. Stopped, the caret stays.
        ClampLine(AddLines(line, 1));
        if (KnownLineSize(line) < 0 && LastReadStopped())
            return line == m_caretLine ? m_caretIndex : 0;
    }
    // The line is read even for index 0: a file that changed on disk shows itself here.
    const TCell cell = m_layout.CellAt(line, std::max<qint64>(index, 0));
    return cell.Length == 0 ? m_layout.LineSize(line) : cell.Index;
}

// --- Caret ---

// The caret's row counted from the top of the view, or -1 while the caret is out of view.
LineNumber THvBaseViewer::CaretRowInView()
{
    if (Wrapping())
        return CaretScreenRow();
    if (m_caretLine >= m_firstLine && m_caretLine - m_firstLine < m_visibleRows)
        return m_caretLine - m_firstLine;
    return -1;
}

// While lines wrap, up and down go by screen rows, keeping the caret's place within the row.
TTextPosition THvBaseViewer::StepScreenRows(LineNumber deltaLine)
{
    ScreenRow r = RowOfPosition(m_caretLine, m_caretIndex);
    const qint64 x = m_caretColumn - RowStartColumn(r);
    for (LineNumber k = 0; k < deltaLine && NextRow(r); ++k) { }
    for (LineNumber k = 0; k > deltaLine && PrevRow(r); --k) { }
    const LineNumber line = r.Line;
    qint64 index = IndexOfColumn(line, RowStartColumn(r) + x);
    const qint64 next = m_layout.RowStart(line, WrapWidth(), r.Row + 1);
    if (next >= 0 && index >= next)
        index = m_layout.PrevIndex(line, next);
    return { line, index };
}

// The caret moved by whole lines (kept among the lines there are) and by columns, or by indexes when
// columnIsIndex; nothing when the move leads nowhere.
std::optional<TTextPosition> THvBaseViewer::StepLines(qint64 deltaColumn, LineNumber deltaLine, bool columnIsIndex)
{
    LineNumber line = AddLines(m_caretLine, deltaLine);
    if (line < 0 || line == std::numeric_limits<LineNumber>::max()) {
        line = deltaLine < 0 ? 0 : std::numeric_limits<LineNumber>::max();
    } else if (line >= m_lineTotal) {
        line = m_lineTotal - 1;
        if (line == m_caretLine && deltaColumn == 0)
            return std::nullopt;
    }
    line = ClampLine(line);
    // ClampLine may have found the end; a line beyond it never becomes the caret's.
    line = std::clamp<LineNumber>(line, 0, std::max<LineNumber>(m_lineTotal - 1, 0));
    if (m_lineTotal == 0)
        return std::nullopt;
    qint64 index = m_caretIndex;
    if (line != m_caretLine && !columnIsIndex)
        index = IndexOfColumn(line, m_caretColumn);
    qint64 sum = 0;
    if (__builtin_add_overflow(index, deltaColumn, &sum))
        sum = deltaColumn > 0 ? kEndOfLineIndex : 0;
    return TTextPosition { line, sum };
}

void THvBaseViewer::MoveCaret(qint64 deltaColumn, LineNumber deltaLine, bool keepRow, bool extend, bool columnIsIndex)
{
    if (m_lineTotal == 0)
        return;
    const bool wrapping = Wrapping();
    LineNumber rowOffset = CaretRowInView();
    if (rowOffset < 0) {
        rowOffset = 0;
        keepRow = false;
    }
    TTextPosition to;
    if (wrapping && deltaLine != 0 && !columnIsIndex && std::abs(deltaLine) <= 100000) {
        to = StepScreenRows(deltaLine);
    } else if (const std::optional<TTextPosition> step = StepLines(deltaColumn, deltaLine, columnIsIndex)) {
        to = *step;
    } else {
        return;
    }
    LineNumber line = to.Line;
    qint64 index = ClampIndex(line, to.Index);
    if (line >= m_lineTotal) {
        // Reading the line found the file shorter than before (it changed on disk).
        if (m_lineTotal == 0)
            return;
        line = std::clamp<LineNumber>(ClampLine(m_lineTotal - 1), 0, m_lineTotal - 1);
        index = ClampIndex(line, index);
    }
    const qint64 column = ColumnOfIndex(line, index);

    const qint64 oldFirstColumn = m_firstColumn;
    const LineNumber oldFirstLine = m_firstLine;
    const qint64 oldFirstRow = m_firstRow;
    if (!wrapping)
        ScrollToShow(line, column, keepRow, rowOffset);

    const bool viewMoved = m_firstColumn != oldFirstColumn || m_firstLine != oldFirstLine || m_firstRow != oldFirstRow;
    if (line == m_caretLine && index == m_caretIndex && !viewMoved && HasSelection() == extend && !keepRow)
        return;
    m_caretLine = line;
    m_caretIndex = index;
    m_caretColumn = column;
    if (wrapping)
        EnsureCaretRowShown(keepRow, rowOffset);
    if (extend)
        ExtendSelection();
    else
        CollapseSelection();
    UpdateScrollBars();
    UpdateCaret();
}

void THvBaseViewer::MoveToNextLineStart(bool extend)
{
    // At the end of the last line the caret stays, and so does the selection.
    const LineNumber next = ClampLine(AddLines(m_caretLine, 1));
    if (next > m_caretLine && next < m_lineTotal)
        MoveCaretTo(next, 0, extend);
}

TGridMetrics THvBaseViewer::Grid() const
{
    TGridMetrics grid;
    grid.RowHeight = m_rowHeight;
    grid.CharWidth = m_charWidth;
    grid.VisibleRows = m_visibleRows;
    grid.VisibleColumns = m_visibleColumns;
    grid.Margin = m_marginWidth;
    grid.FirstLine = m_firstLine;
    grid.FirstColumn = m_firstColumn;
    grid.LineTotal = m_lineTotal;
    return grid;
}

void THvBaseViewer::ScrollToShow(LineNumber line, qint64 column, bool keepRow, LineNumber rowOffset)
{
    const TViewOrigin origin = ViewToShowCaret(Grid(), line, column, keepRow, rowOffset);
    ScrollBy(origin.FirstColumn - m_firstColumn, origin.FirstLine - m_firstLine);
}

bool THvBaseViewer::CaretShown() const { return CaretPixelPosition().x() != kHiddenCaret; }

void THvBaseViewer::KeepCaretShown(bool shownBefore)
{
    if (m_lineTotal == 0)
        return;
    if (!shownBefore) {
        UpdateCaret();
        return;
    }
    if (Wrapping())
        EnsureCaretRowShown(false, 0);
    else
        ScrollToShow(m_caretLine, ColumnOfIndex(m_caretLine, m_caretIndex), false, 0);
    UpdateCaret();
}

void THvBaseViewer::MoveCaretTo(LineNumber line, qint64 column, bool extend)
{
    column = std::clamp<qint64>(column, 0, kEndOfLineIndex);
    MoveCaret(column - m_caretIndex, AddLines(line, -m_caretLine), false, extend, true);
}

void THvBaseViewer::PlaceCaret(LineNumber line, qint64 column)
{
    if (m_lineTotal != 0)
        MoveCaretTo(ClampLine(std::max<LineNumber>(line, 0)), column, false);
}

QPoint THvBaseViewer::CaretPixelPosition() const
{
    if (m_caretScreen.y() >= 0)
        return m_caretScreen;
    const bool onView = m_caretLine >= m_firstLine && m_caretLine - m_firstLine < m_visibleRows
        && m_caretColumn >= m_firstColumn && m_caretColumn - m_firstColumn < m_visibleColumns;
    if (!onView)
        return { kHiddenCaret, kHiddenCaret };
    return { static_cast<int>(m_caretColumn - m_firstColumn) * m_charWidth + m_marginWidth,
        static_cast<int>(m_caretLine - m_firstLine) * m_rowHeight };
}

void THvBaseViewer::UpdateCaret()
{
    m_caretColumn = ColumnOfIndex(m_caretLine, m_caretIndex);
    m_caretScreen = QPoint(-1, -1);
    if (Wrapping() && m_lineTotal != 0) {
        const int row = CaretScreenRow();
        const qint64 x = m_caretColumn - RowStartColumn(RowOfPosition(m_caretLine, m_caretIndex));
        m_caretScreen = row >= 0 && x <= m_visibleColumns
            ? QPoint(static_cast<int>(x) * m_charWidth + m_marginWidth, row * m_rowHeight)
            : QPoint(kHiddenCaret, kHiddenCaret);
    }
    const QPoint cell = CaretPixelPosition();
    if (cell.x() == kHiddenCaret)
        m_singleCaret->SetOffView();
    else
        m_singleCaret->SetCellPosition(cell);
    PostStatus();
}

void THvBaseViewer::PostStatus()
{
    if (m_statusPending)
        return;
    m_statusPending = true;
    QMetaObject::invokeMethod(this, &THvBaseViewer::DeliverStatus, Qt::QueuedConnection);
}

void THvBaseViewer::DeliverStatus()
{
    m_statusPending = false;
    Q_EMIT OnShowStatus(m_caretLine, m_caretColumn);
}

void THvBaseViewer::focusInEvent(QFocusEvent* event)
{
    m_singleCaret->Create();
    m_singleCaret->SetShown(m_showCaret);
    UpdateCaret();
    QAbstractScrollArea::focusInEvent(event);
}

void THvBaseViewer::focusOutEvent(QFocusEvent* event)
{
    m_singleCaret->Destroy();
    m_dragging = false;
    m_dragTimer->stop();
    QAbstractScrollArea::focusOutEvent(event);
}

void THvBaseViewer::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    UpdateMetrics();
    EnsureController();
}

} // namespace hy::viewer
