// Display and navigation of the viewer control: metrics, painting, scrolling and the scroll bars, the
// caret and its moves, keys, mouse, bookmarks, the wait cursor and the status signal.
#include "viewer/HvViewr.h"

#include "viewer/HvBase.h"
#include "viewer/HvCaret.h"
#include "viewer/HvCmd.h"
#include "viewer/HvColor.h"
#include "viewer/HvCommands.h"
#include "viewer/HvFxFnt.h"
#include "viewer/HvLayout.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

namespace hy::viewer {

ENoControllerAssigned::ENoControllerAssigned()
    : EHvException(QStringLiteral("No Controller assigned"))
{
}

namespace {
    constexpr int kHiddenCaret = 32767;
    constexpr int kDragInterval = 30; // ms between drag steps while the pointer is outside the text
    constexpr int kWheelLines = 3;
    constexpr int kPageColumns = 10;
    const QString kAlphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");

    LineNumber AddLines(LineNumber a, LineNumber b)
    {
        LineNumber sum = 0;
        if (__builtin_add_overflow(a, b, &sum))
            return b > 0 ? std::numeric_limits<LineNumber>::max() : std::numeric_limits<LineNumber>::min();
        return sum;
    }

    bool IsExtendCommand(int command)
    {
        switch (command) {
        case ccExtendLeft:
        case ccExtendRight:
        case ccExtendUp:
        case ccExtendDown:
        case ccExtendHome:
        case ccExtendEnd:
        case ccExtendPgUp:
        case ccExtendPgDn:
        case ccExtFirstPage:
        case ccExtLastPage:
        case ccExtTopOfPage:
        case ccExtBotOfPage:
        case ccExtWordLeft:
        case ccExtWordRight:
            return true;
        default:
            return false;
        }
    }
} // namespace

// The layout reads the lines through the viewer's own ReadLine.
class THvBaseViewer::LayoutSource : public THvTextSource {
public:
    explicit LayoutSource(THvBaseViewer* viewer)
        : m_viewer(viewer)
    {
    }
    qint64 SourceRead(LineNumber line, qint64 from, uint8_t* buf, qint64 n) override
    {
        if (line < 0 || m_viewer->m_lineTotal == 0 || line >= m_viewer->m_lineTotal)
            return 0;
        return m_viewer->ReadLine(line, from, buf, n);
    }
    qint64 SourceKnownSize(LineNumber line) override
    {
        if (line < 0 || m_viewer->m_lineTotal == 0 || line >= m_viewer->m_lineTotal)
            return 0;
        return m_viewer->KnownLineSize(line);
    }

private:
    THvBaseViewer* m_viewer;
};

THvBaseViewer::HourglassScope::HourglassScope(THvBaseViewer* viewer, bool show)
    : m_viewer(viewer)
{
    if (show)
        m_viewer->ShowHourglass();
}

THvBaseViewer::HourglassScope::~HourglassScope() { m_viewer->HideHourglass(); }

THvBaseViewer::THvBaseViewer(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_fixedFont(new THvFixedFont(this))
    , m_highlightColors(new THvColors(palette().color(QPalette::Active, QPalette::Highlight),
          palette().color(QPalette::Active, QPalette::HighlightedText), this))
    , m_marginColor(palette().color(QPalette::Base))
    , m_color(palette().color(QPalette::Base))
    , m_layoutSource(std::make_unique<LayoutSource>(this))
    , m_layout(m_layoutSource.get())
    , m_singleCaret(new THvSingleCaret(viewport()))
    , m_dragTimer(new QTimer(this))
{
    m_layout.SetTabs(m_expandTabs, m_tabSize);
    m_bookmarks.fill({ -1, 0 });
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    SetBorderStyle(bsSingle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    // The thumb acts only when it is released; every other action is taken over here.
    for (QScrollBar* bar : { verticalScrollBar(), horizontalScrollBar() }) {
        bar->setTracking(false);
        bar->installEventFilter(this);
    }
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &THvBaseViewer::VerticalAction);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, &THvBaseViewer::HorizontalAction);

    connect(m_fixedFont, &THvFixedFont::Changed, this, [this] {
        UpdateMetrics();
        Repaint();
    });
    connect(m_highlightColors, &THvColors::Changed, this, [this] {
        if (HasSelection())
            Repaint();
    });
    m_dragTimer->setInterval(kDragInterval);
    connect(m_dragTimer, &QTimer::timeout, this, &THvBaseViewer::DragStep);

    UpdateMetrics();
    resize(200, 150);
}

THvBaseViewer::~THvBaseViewer() { HideHourglass(); }

LineNumber THvBaseViewer::ClampLine(LineNumber line) { return line; }

qint64 THvBaseViewer::ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n)
{
    int len = 0;
    const char* text = LineText(line, len);
    if (!text || from >= len || from < 0 || n <= 0)
        return 0;
    const qint64 count = std::min<qint64>(n, len - from);
    std::memcpy(buf, text + from, size_t(count));
    return count;
}

void THvBaseViewer::SetTextEncoding(TTextEncoding encoding)
{
    m_layout.SetEncoding(encoding);
    m_caretIndex = m_lineTotal != 0 ? ClampIndex(m_caretLine, m_caretIndex) : 0;
    CollapseSelection();
    UpdateCaret();
    Repaint();
}

void THvBaseViewer::ResetLayout() { m_layout.Reset(); }

void THvBaseViewer::SetLayoutTabs(bool expand) { m_layout.SetTabs(expand, m_tabSize); }

void THvBaseViewer::SetShowLineNumbers(bool show)
{
    if (show == m_showLineNumbers)
        return;
    const bool caretShown = CaretShown();
    m_showLineNumbers = show;
    UpdateGutter();
    UpdateMetrics();
    KeepCaretShown(caretShown);
    Repaint();
}

void THvBaseViewer::SetWrapLines(bool wrap)
{
    if (wrap == m_wrapLines)
        return;
    const bool caretShown = CaretShown();
    m_wrapLines = wrap;
    m_firstRow = 0;
    m_firstColumn = 0;
    UpdateScrollBars();
    KeepCaretShown(caretShown);
    Repaint();
}

bool THvBaseViewer::Wrapping() const { return m_wrapLines && PresentsTextLines(); }

int THvBaseViewer::WrapWidth() const { return std::max(1, m_visibleColumns - 1); }

qint64 THvBaseViewer::ColumnExtent() const { return std::max(m_layout.WidestSeen(), m_caretColumn) + 1; }

void THvBaseViewer::UpdateGutter()
{
    int columns = 0;
    if (m_showLineNumbers && PresentsTextLines()) {
        const LineNumber last = m_lineTotal == kUndeterminedTotal ? m_firstLine + m_visibleRows : m_lineTotal;
        columns = GutterColumns(last);
    }
    if (columns == m_gutterColumns)
        return;
    m_gutterColumns = columns;
    m_marginWidth = columns * m_charWidth;
    UpdateMetrics();
}
// --- Properties ---

void THvBaseViewer::SetBorderStyle(TBorderStyle style)
{
    m_borderStyle = style;
    if (style == bsSingle) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    UpdateMinimumSize();
}

THvCaret* THvBaseViewer::Caret() const { return m_singleCaret->Caret(); }

void THvBaseViewer::SetCaret(std::shared_ptr<THvCaret> caret) { m_singleCaret->SetCaret(std::move(caret)); }

void THvBaseViewer::SetController(THvController* controller) { m_controller = controller; }

THvController* THvBaseViewer::EnsureController()
{
    if (!m_controller) {
        if (QWidget* form = window(); form && form != this)
            m_controller = form->findChild<THvController*>();
        else
            m_controller = findChild<THvController*>();
    }
    if (!m_controller)
        throw ENoControllerAssigned();
    return m_controller;
}

void THvBaseViewer::SetExpandTabs(bool expand)
{
    if (expand == m_expandTabs)
        return;
    m_expandTabs = expand;
    m_layout.SetTabs(m_expandTabs, m_tabSize);
    ExpandTabsChanged();
    UpdateCaret();
    Repaint();
}

void THvBaseViewer::SetMarginColor(const QColor& color)
{
    m_marginColor = color;
    Repaint();
}

void THvBaseViewer::SetColor(const QColor& color)
{
    m_color = color;
    Repaint();
}

void THvBaseViewer::SetScrollBars(TScrollStyle style)
{
    m_scrollBars = style;
    const bool horizontal = style == ssHorizontal || style == ssBoth;
    const bool vertical = style == ssVertical || style == ssBoth;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    UpdateMinimumSize();
}

void THvBaseViewer::SetShowBookmarks(bool show)
{
    m_showBookmarks = show;
    Repaint();
}

void THvBaseViewer::SetShowCaret(bool show)
{
    if (show == m_showCaret)
        return;
    m_showCaret = show;
    m_singleCaret->SetShown(show);
}

void THvBaseViewer::SetTabSize(int size)
{
    if (size <= 0 || size == m_tabSize)
        return;
    m_tabSize = std::min(size, 255);
    m_layout.SetTabs(m_expandTabs, m_tabSize);
    ExpandTabsChanged(); // a descendant may show lines whose tabs mean nothing
    if (m_expandTabs) {
        UpdateCaret();
        Repaint();
    }
}

// --- Line total ---

void THvBaseViewer::SetLineTotal(LineNumber count)
{
    m_lineTotal = std::max<LineNumber>(count, 0);
    UpdateGutter();
    UpdateScrollBars();
}

void THvBaseViewer::ShiftLines(LineNumber above, LineNumber delta)
{
    auto shift = [&](LineNumber& line) {
        if (line > above)
            line += delta;
    };
    shift(m_firstLine);
    shift(m_caretLine);
    shift(m_selStart.Line);
    shift(m_selEnd.Line);
    shift(m_selAnchor.Line);
    for (TextPosition& b : m_bookmarks) {
        if (b.Line >= 0)
            shift(b.Line);
    }
    m_layout.Reset(); // it knows lines by their numbers
    UpdateGutter();
    UpdateScrollBars();
    Repaint();
    PostStatus();
}

void THvBaseViewer::ResetLineTotal(LineNumber count)
{
    if (count != m_lineTotal)
        ResetView(count);
}

void THvBaseViewer::ResetView(LineNumber count)
{
    m_lineTotal = std::max<LineNumber>(count, 0);
    m_layout.Reset();
    m_firstRow = 0;
    UpdateGutter();
    if (m_lineTotal == 0) {
        m_caretLine = 0;
        m_caretIndex = 0;
        m_caretColumn = 0;
        m_firstLine = 0;
    } else {
        PlaceCaret(0, 0);
    }
    CollapseSelection();
    m_firstColumn = 0;
    m_bookmarks.fill({ -1, 0 });
    UpdateScrollBars();
    Repaint();
    UpdateCaret();
}

// --- Metrics ---

void THvBaseViewer::UpdateMetrics()
{
    const QFont& font = m_fixedFont->Font();
    const QFontMetrics fm(font);
    const QFontMetricsF fmf(font);
    m_rowHeight = std::max(fm.height() + 2, 12);
    m_charWidth = std::max(1, qRound(fmf.horizontalAdvance(kAlphabet) / kAlphabet.size()));
    m_ascent = fm.ascent();
    // Glyph advances may be fractional; spacing them out to the whole-pixel cell keeps runs on the grid.
    m_drawFont = font;
    m_drawFont.setLetterSpacing(QFont::AbsoluteSpacing, m_charWidth - fmf.horizontalAdvance(QLatin1Char('M')));
    for (size_t code = 0; code < m_inFont.size(); ++code) {
        const char32_t c = char32_t(code);
        m_inFont[code] = IsDrawable(c) && CharCells(c) == 1 && fm.inFontUcs4(c)
            && qRound(fmf.horizontalAdvance(CharText(c))) == qRound(fmf.horizontalAdvance(QLatin1Char('M')));
    }
    m_defaultGlyph = fm.inFontUcs4(0x25A1) ? QChar(0x25A1) : QLatin1Char('?');
    m_marginWidth = m_gutterColumns * m_charWidth;

    const QSize area = viewport()->size();
    m_visibleRows = std::max(area.height() / m_rowHeight, 1);
    m_visibleColumns = std::max((area.width() - m_marginWidth) / m_charWidth, 1);
    m_singleCaret->SetCellSize(m_charWidth, m_rowHeight);
    UpdateScrollBars();
    UpdateMinimumSize();
    UpdateCaret();
}

void THvBaseViewer::UpdateMinimumSize()
{
    // The client area never gets smaller than one character cell.
    // Scroll bars shown as needed are counted as shown, so the bound holds whichever appear.
    int extraWidth = 2 * frameWidth();
    int extraHeight = 2 * frameWidth();
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        extraWidth += verticalScrollBar()->sizeHint().width();
    if (horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        extraHeight += horizontalScrollBar()->sizeHint().height();
    setMinimumSize(extraWidth + m_marginWidth + m_charWidth, extraHeight + m_rowHeight);
}

void THvBaseViewer::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateMetrics();
}

LineNumber THvBaseViewer::PageLines() const { return std::max(1, m_visibleRows - 1); }

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
        const WrapScrollMapping map = WrappedScrollMapping(m_lineTotal);
        v->setRange(0, map.Range);
        // A page's share of the first visible line's steps, or of the lines' steps.
        const qint64 page = map.Steps > 1
            ? m_visibleRows * map.Steps / std::max<qint64>(KnownRows(m_firstLine), m_visibleRows)
            : m_visibleRows / map.Divisor;
        v->setPageStep(static_cast<int>(std::clamp<qint64>(page, 1, std::max(map.Range, 1))));
    } else {
        const VScrollMapping map = VerticalScrollMapping(m_lineTotal, m_visibleRows);
        v->setRange(0, map.Range);
        v->setPageStep(static_cast<int>(std::max<LineNumber>(1, m_visibleRows / map.Divisor)));
    }
    v->setSingleStep(1);
    if (!v->isSliderDown())
        v->setValue(VerticalPosition());
    QScrollBar* h = horizontalScrollBar();
    const HScrollMapping hmap = HorizontalScrollMapping(ColumnExtent(), m_visibleColumns);
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
    const WrapScrollMapping map = WrappedScrollMapping(m_lineTotal);
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
        const WrapScrollMapping before = WrappedScrollMapping(m_lineTotal);
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
            const WrapScrollMapping map = WrappedScrollMapping(m_lineTotal);
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
    const VScrollMapping before = VerticalScrollMapping(m_lineTotal, m_visibleRows);
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
            const VScrollMapping after = VerticalScrollMapping(m_lineTotal, m_visibleRows);
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
    const HScrollMapping map = HorizontalScrollMapping(ColumnExtent(), m_visibleColumns);
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
    const VScrollMapping map = VerticalScrollMapping(m_lineTotal, m_visibleRows);
    const HScrollMapping hmap = HorizontalScrollMapping(ColumnExtent(), m_visibleColumns);
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

void THvBaseViewer::MoveCaret(qint64 deltaColumn, LineNumber deltaLine, bool keepRow, bool extend, bool columnIsIndex)
{
    if (m_lineTotal == 0)
        return;
    const bool wrapping = Wrapping();
    LineNumber rowOffset = 0;
    if (wrapping) {
        const int row = CaretScreenRow();
        if (row >= 0)
            rowOffset = row;
        else
            keepRow = false;
    } else if (m_caretLine >= m_firstLine && m_caretLine - m_firstLine < m_visibleRows) {
        rowOffset = m_caretLine - m_firstLine;
    } else {
        keepRow = false;
    }

    LineNumber line = m_caretLine;
    qint64 index = m_caretIndex;
    if (wrapping && deltaLine != 0 && !columnIsIndex && std::abs(deltaLine) <= 100000) {
        // Up and down go by screen rows, keeping the caret's place within the row.
        ScreenRow r = RowOfPosition(m_caretLine, m_caretIndex);
        const qint64 x = m_caretColumn - RowStartColumn(r);
        for (LineNumber k = 0; k < deltaLine && NextRow(r); ++k) { }
        for (LineNumber k = 0; k > deltaLine && PrevRow(r); --k) { }
        line = r.Line;
        index = IndexOfColumn(line, RowStartColumn(r) + x);
        const qint64 next = m_layout.RowStart(line, WrapWidth(), r.Row + 1);
        if (next >= 0 && index >= next)
            index = m_layout.PrevIndex(line, next);
    } else {
        line = AddLines(m_caretLine, deltaLine);
        if (line < 0 || line == std::numeric_limits<LineNumber>::max()) {
            line = deltaLine < 0 ? 0 : std::numeric_limits<LineNumber>::max();
        } else if (line >= m_lineTotal) {
            line = m_lineTotal - 1;
            if (line == m_caretLine && deltaColumn == 0)
                return;
        }
        line = ClampLine(line);
        // ClampLine may have found the end; a line beyond it never becomes the caret's.
        line = std::clamp<LineNumber>(line, 0, std::max<LineNumber>(m_lineTotal - 1, 0));
        if (m_lineTotal == 0)
            return;
        if (line != m_caretLine && !columnIsIndex)
            index = IndexOfColumn(line, m_caretColumn);
        qint64 sum = 0;
        if (__builtin_add_overflow(index, deltaColumn, &sum))
            sum = deltaColumn > 0 ? kEndOfLineIndex : 0;
        index = sum;
    }
    index = ClampIndex(line, index);
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

GridMetrics THvBaseViewer::Grid() const
{
    GridMetrics grid;
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
    const ViewOrigin origin = ViewToShowCaret(Grid(), line, column, keepRow, rowOffset);
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

// --- Bookmarks and the wait cursor ---

void THvBaseViewer::SetBookmark(int index, LineNumber line, qint64 column)
{
    if (index < 0 || index >= kBookmarkCount)
        return;
    const TextPosition old = m_bookmarks[index];
    m_bookmarks[index] = { line, column };
    if (old.Line >= 0)
        InvalidateLines(old.Line, old.Line);
    InvalidateLines(line, line);
}

void THvBaseViewer::JumpToBookmark(int index)
{
    if (index < 0 || index >= kBookmarkCount || m_bookmarks[index].Line < 0)
        return;
    MoveCaretTo(m_bookmarks[index].Line, m_bookmarks[index].Index, false);
}

TextPosition THvBaseViewer::Bookmark(int index) const
{
    if (index < 0 || index >= kBookmarkCount)
        return { -1, 0 };
    return m_bookmarks[index];
}

void THvBaseViewer::ShowHourglass()
{
    if (m_hourglass || !testAttribute(Qt::WA_WState_Created))
        return;
    m_hourglass.emplace();
}

void THvBaseViewer::HideHourglass() { m_hourglass.reset(); }

// --- Painting ---

void THvBaseViewer::Repaint() { viewport()->update(); }

void THvBaseViewer::InvalidateLines(LineNumber from, LineNumber to)
{
    if (from > to)
        std::swap(from, to);
    if (Wrapping()) {
        if (to >= m_firstLine && from < m_firstLine + m_visibleRows)
            viewport()->update();
        return;
    }
    const LineNumber first = std::max(from, m_firstLine);
    const LineNumber last = std::min<LineNumber>(to, m_firstLine + m_visibleRows - 1);
    if (first > last)
        return;
    viewport()->update(QRect(0, static_cast<int>(first - m_firstLine) * m_rowHeight, viewport()->width(),
        static_cast<int>(last - first + 1) * m_rowHeight));
}

void THvBaseViewer::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect clip = event->rect();
    painter.fillRect(clip, m_color);
    if (m_marginWidth > 0)
        painter.fillRect(QRect(0, 0, m_marginWidth, viewport()->height()), m_marginColor);
    painter.setFont(m_drawFont);

    struct PaintFlag {
        bool& flag;
        explicit PaintFlag(bool& f)
            : flag(f)
        {
            flag = true;
        }
        ~PaintFlag() { flag = false; }
    } inPaint(m_inPaint);

    if (m_lineTotal > 0) {
        const int firstRow = std::max(0, clip.top() / m_rowHeight);
        const int lastRow = std::min(m_visibleRows - 1, clip.bottom() / m_rowHeight);
        try {
            if (Wrapping()) {
                ScreenRow r { m_firstLine, m_firstRow };
                for (int row = 0; row <= lastRow; ++row) {
                    if (r.Line >= m_lineTotal || ClampLine(r.Line) != r.Line || r.Line >= m_lineTotal)
                        break;
                    if (row >= firstRow) {
                        const int width = WrapWidth();
                        const qint64 start = m_layout.RowStart(r.Line, width, r.Row);
                        if (start < 0)
                            break;
                        const qint64 next = m_layout.RowStart(r.Line, width, r.Row + 1);
                        std::vector<TCell> cells = m_layout.CellsOfRange(
                            r.Line, start, next >= 0 ? next : std::numeric_limits<qint64>::max());
                        DecorateCells(r.Line, cells);
                        const qint64 origin = cells.empty() ? 0 : cells.front().Column;
                        qint64 selFrom = 0, selTo = 0;
                        if (HasSelection() && r.Line >= m_selStart.Line && r.Line <= m_selEnd.Line) {
                            selFrom = r.Line == m_selStart.Line ? m_selStart.Index : 0;
                            selTo = r.Line == m_selEnd.Line ? m_selEnd.Index : std::numeric_limits<qint64>::max();
                        }
                        PaintCells(painter, r.Line, cells, origin, row * m_rowHeight, selFrom, selTo);
                        RowPainted(row, r.Line, cells);
                        if (r.Row == 0)
                            PaintGutter(painter, r.Line, row * m_rowHeight);
                    }
                    if (!NextRow(r))
                        break;
                }
            } else {
                for (int row = firstRow; row <= lastRow; ++row)
                    PaintRow(painter, row);
            }
        } catch (const hy::Exception& e) {
            // A file that cannot be read is left blank here; the next command that reads it reports it.
            qWarning("Viewer: %s", e.what());
        }
    }
    m_singleCaret->Paint(painter);
    PostStatus();
    // Painting may have found wider lines: the horizontal range follows.
    if (!Wrapping()
        && horizontalScrollBar()->maximum()
            != (m_lineTotal != 0 ? HorizontalScrollMapping(ColumnExtent(), m_visibleColumns).Range : 0))
        UpdateScrollBars();
}

void THvBaseViewer::PaintRow(QPainter& painter, int row)
{
    const LineNumber line = m_firstLine + row;
    // Lets a file model find its end while the last screen is drawn; a line it cannot vouch for (yet) is
    // left blank.
    if (ClampLine(line) != line || line < 0 || line >= m_lineTotal)
        return;
    std::vector<TCell> cells = m_layout.Cells(line, m_firstColumn, m_firstColumn + m_visibleColumns);
    DecorateCells(line, cells);
    qint64 selFrom = 0;
    qint64 selTo = 0;
    if (HasSelection() && line >= m_selStart.Line && line <= m_selEnd.Line) {
        selFrom = line == m_selStart.Line ? m_selStart.Index : 0;
        selTo = line == m_selEnd.Line ? m_selEnd.Index : std::numeric_limits<qint64>::max();
    }
    PaintCells(painter, line, cells, m_firstColumn, row * m_rowHeight, selFrom, selTo);
    RowPainted(row, line, cells);
    PaintGutter(painter, line, row * m_rowHeight);
}

void THvBaseViewer::PaintGutter(QPainter& painter, LineNumber line, int top)
{
    if (m_gutterColumns <= 0)
        return;
    const QRect box(0, top, m_marginWidth, m_rowHeight);
    painter.fillRect(box, m_marginColor);
    QColor ink = m_fixedFont->Color();
    ink.setAlphaF(0.55);
    painter.setPen(ink);
    if (!LineNumberKnown(line))
        return; // no number rather than a wrong one
    const QString number = QString::number(line + 1);
    const int x = (m_gutterColumns - 1 - int(number.size())) * m_charWidth;
    painter.drawText(QPointF(x, top + 1 + m_ascent), number);
}

void THvBaseViewer::PaintCells(QPainter& painter, LineNumber, const std::vector<TCell>& cells, qint64 originColumn,
    int top, qint64 selFrom, qint64 selTo)
{
    const int baseline = top + 1 + m_ascent;
    const qint64 lastColumn = originColumn + m_visibleColumns;
    const QRect textArea(m_marginWidth, top, m_visibleColumns * m_charWidth, m_rowHeight);
    // Runs of one-cell characters that the font has are drawn together, spaced to the grid; any other
    // cluster is drawn alone in its own cells, so glyphs of any width or font stay on the grid.
    QString run;
    int runX = 0;
    bool runSelected = false;
    auto flush = [&] {
        if (run.isEmpty())
            return;
        painter.setPen(runSelected ? m_highlightColors->TextColor() : m_fixedFont->Color());
        painter.drawText(QPointF(runX, baseline), run);
        run.clear();
    };
    for (const TCell& cell : cells) {
        if (cell.Width == 0 && cell.Type != TCell::Glyph)
            continue;
        const qint64 col = cell.Column;
        if (col >= lastColumn || col + std::max(cell.Width, 1) <= originColumn)
            continue;
        const int x = m_marginWidth + static_cast<int>(col - originColumn) * m_charWidth;
        const int width = std::max(cell.Width, 1) * m_charWidth;
        const bool selected = cell.Index >= selFrom && cell.Index < selTo;
        const QRect box(x, top, width, m_rowHeight);
        if (selected)
            painter.fillRect(box, m_highlightColors->BackColor());
        QString text;
        switch (cell.Type) {
        case TCell::Glyph:
            text = cell.Text;
            break;
        case TCell::Blank:
            flush();
            continue;
        case TCell::Placeholder:
            text = QString(m_defaultGlyph);
            break;
        case TCell::Replacement:
            text = QString(QChar(QChar::ReplacementCharacter));
            break;
        }
        const bool simple = cell.Type == TCell::Glyph && cell.Width == 1 && text.size() == 1
            && cell.Code < m_inFont.size() && m_inFont[cell.Code] && col >= originColumn;
        if (simple && !run.isEmpty() && selected == runSelected && x == runX + int(run.size()) * m_charWidth) {
            run += text;
            continue;
        }
        flush();
        if (simple) {
            run = text;
            runX = x;
            runSelected = selected;
            continue;
        }
        painter.setPen(selected ? m_highlightColors->TextColor() : m_fixedFont->Color());
        painter.save();
        painter.setFont(m_fixedFont->Font());
        painter.setClipRect(box.intersected(textArea), Qt::IntersectClip);
        // The replacement mark often comes from another font, wider than a cell: it is drawn smaller, whole
        // and centred in its cell, rather than cut at the cell's edges.
        const QRectF inside = QRectF(box).adjusted(1, 1, -1, -1);
        const QRectF ink = cell.Type == TCell::Replacement
            ? QFontMetricsF(m_fixedFont->Font()).tightBoundingRect(text).translated(x, baseline)
            : QRectF();
        if (!ink.isEmpty() && !inside.contains(ink)) {
            // Narrowed to the cell, it may stay somewhat taller than wide, which keeps its question mark legible.
            const qreal sx = std::min({ 1.0, inside.width() / ink.width(), inside.height() / ink.height() });
            const qreal sy = std::min({ 1.0, inside.height() / ink.height(), sx * 1.5 });
            painter.translate(inside.center());
            painter.scale(sx, sy);
            painter.translate(-ink.center());
        }
        painter.drawText(QPointF(x, baseline), text);
        painter.restore();
    }
    flush();
}

// --- Keys ---

void THvBaseViewer::keyPressEvent(QKeyEvent* event)
{
    THvController* controller = EnsureController();
    const quint16 command = controller->EntryCommands()->TranslateQtKey(event->key(), event->modifiers());
    if (ExecuteCommand(command)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool THvBaseViewer::ExecuteCommand(int command)
{
    if (command >= ccUserFirst) {
        Q_EMIT OnUserCommand(command);
        return true;
    }
    HourglassScope scope(this);
    return m_showCaret ? ExecuteCaretCommand(command) : ExecuteScrollCommand(command);
}

bool THvBaseViewer::ExecuteCaretCommand(int command)
{
    const bool extend = IsExtendCommand(command);
    const bool caretOnScreen = m_caretLine >= m_firstLine && m_caretLine - m_firstLine < m_visibleRows;
    switch (command) {
    case ccLeft:
    case ccExtendLeft:
        if (m_caretIndex > 0)
            MoveCaret(m_layout.PrevIndex(m_caretLine, m_caretIndex) - m_caretIndex, 0, false, extend, true);
        else if (m_caretLine > 0)
            MoveCaretTo(m_caretLine - 1, kEndOfLineIndex, extend);
        return true;
    case ccRight:
    case ccExtendRight:
        if (m_layout.CellAt(m_caretLine, m_caretIndex).Length > 0)
            MoveCaret(m_layout.NextIndex(m_caretLine, m_caretIndex) - m_caretIndex, 0, false, extend, true);
        else
            MoveToNextLineStart(extend);
        return true;
    case ccUp:
    case ccExtendUp:
        MoveCaret(0, -1, false, extend, false);
        return true;
    case ccDown:
    case ccExtendDown:
        MoveCaret(0, 1, false, extend, false);
        return true;
    case ccHome:
    case ccExtendHome:
        MoveCaret(-m_caretIndex, 0, false, extend, true);
        return true;
    case ccEnd:
    case ccExtendEnd:
        MoveCaret(kEndOfLineIndex - m_caretIndex, 0, false, extend, true);
        return true;
    case ccPrevPage:
    case ccExtendPgUp:
        MoveCaret(0, -PageLines(), true, extend, false);
        return true;
    case ccNextPage:
    case ccExtendPgDn:
        MoveCaret(0, PageLines(), true, extend, false);
        return true;
    case ccFirstPage:
    case ccExtFirstPage:
        MoveCaretTo(0, 0, extend);
        return true;
    case ccLastPage:
    case ccExtLastPage:
        PrepareEnd();
        MoveCaret(kEndOfLineIndex - m_caretIndex, m_lineTotal, false, extend, true);
        return true;
    case ccTopOfPage:
    case ccExtTopOfPage:
        if (caretOnScreen)
            MoveCaret(0, m_firstLine - m_caretLine, false, extend, false);
        else
            ScrollToLine(m_caretLine);
        return true;
    case ccBotOfPage:
    case ccExtBotOfPage:
        if (caretOnScreen)
            MoveCaret(0, m_firstLine + m_visibleRows - 1 - m_caretLine, false, extend, false);
        else
            ScrollToLine(m_caretLine - (m_visibleRows - 1));
        return true;
    case ccWordLeft:
    case ccExtWordLeft:
        MoveWord(false, extend);
        return true;
    case ccWordRight:
    case ccExtWordRight:
        MoveWord(true, extend);
        return true;
    case ccScrollUp:
        ScrollBy(0, -1);
        return true;
    case ccScrollDown:
        ScrollBy(0, 1);
        return true;
    case ccCopy:
        CopySelection();
        return true;
    default:
        break;
    }
    if (command >= ccSetMarker0 && command <= ccSetMarker9) {
        SetBookmark(command - ccSetMarker0, m_caretLine, m_caretIndex);
        return true;
    }
    if (command >= ccGotoMarker0 && command <= ccGotoMarker9) {
        JumpToBookmark(command - ccGotoMarker0);
        return true;
    }
    return false;
}

bool THvBaseViewer::ExecuteScrollCommand(int command)
{
    switch (command) {
    case ccLeft:
        ScrollBy(-1, 0);
        return true;
    case ccRight:
        ScrollBy(1, 0);
        return true;
    case ccUp:
    case ccScrollUp:
        ScrollBy(0, -1);
        return true;
    case ccDown:
    case ccScrollDown:
        ScrollBy(0, 1);
        return true;
    case ccHome:
    case ccFirstPage:
        MoveCaretTo(0, 0, false);
        return true;
    case ccEnd:
    case ccLastPage:
        PrepareEnd();
        MoveCaret(kEndOfLineIndex - m_caretIndex, m_lineTotal, false, false, true);
        return true;
    case ccPrevPage:
        MoveCaret(0, -PageLines(), true, false, false);
        return true;
    case ccNextPage:
        MoveCaret(0, PageLines(), true, false, false);
        return true;
    default:
        return false;
    }
}

void THvBaseViewer::MoveWord(bool right, bool extend)
{
    if (m_lineTotal == 0)
        return;
    if (right) {
        const qint64 index = m_layout.WordRight(m_caretLine, m_caretIndex);
        if (index < 0)
            MoveToNextLineStart(extend);
        else
            MoveCaret(index - m_caretIndex, 0, false, extend, true);
    } else {
        const qint64 index = m_layout.WordLeft(m_caretLine, m_caretIndex);
        if (index >= 0)
            MoveCaret(index - m_caretIndex, 0, false, extend, true);
        else if (m_caretLine > 0)
            MoveCaretTo(m_caretLine - 1, kEndOfLineIndex, extend);
    }
}

// --- Mouse ---

TextPosition THvBaseViewer::CellAt(const QPoint& point)
{
    if (Wrapping() && m_lineTotal != 0) {
        // Rows above or below the text area are the rows just outside it, so a drag scrolls by rows.
        ScreenRow r { m_firstLine, m_firstRow };
        int row = point.y() < 0 ? -1 : point.y() / m_rowHeight;
        if (row < 0) {
            PrevRow(r);
        } else {
            row = std::min(row, m_visibleRows);
            for (int k = 0; k < row && NextRow(r); ++k) { }
        }
        const qint64 x = std::clamp<qint64>((point.x() - m_marginWidth) / m_charWidth, 0, m_visibleColumns);
        qint64 index = IndexOfColumn(r.Line, RowStartColumn(r) + x);
        const qint64 next = m_layout.RowStart(r.Line, WrapWidth(), r.Row + 1);
        if (next >= 0 && index >= next)
            index = m_layout.PrevIndex(r.Line, next);
        return { r.Line, index };
    }
    const GridCell cell = PointToCell(Grid(), point.x(), point.y());
    return { cell.Line, IndexOfColumn(cell.Line, cell.Column) };
}

void THvBaseViewer::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    HourglassScope scope(this);
    if (!hasFocus() && (focusPolicy() & Qt::ClickFocus))
        setFocus(Qt::MouseFocusReason);
    const QPoint point = event->position().toPoint();
    const TextPosition cell = CellAt(point);
    MoveCaretTo(cell.Line, cell.Index, event->modifiers() & Qt::ShiftModifier);
    m_dragging = true;
    m_dragPoint = point;
    m_dragTimer->start();
    event->accept();
}

void THvBaseViewer::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    HourglassScope scope(this);
    m_dragPoint = event->position().toPoint();
    const TextPosition cell = CellAt(m_dragPoint);
    MoveCaretTo(cell.Line, cell.Index, true);
    event->accept();
}

void THvBaseViewer::DragStep()
{
    // While the button is held outside the text the view keeps scrolling one line or column a step.
    if (!m_dragging) {
        m_dragTimer->stop();
        return;
    }
    const QRect text(m_marginWidth, 0, m_visibleColumns * m_charWidth, m_visibleRows * m_rowHeight);
    if (text.contains(m_dragPoint))
        return;
    HourglassScope scope(this);
    const TextPosition cell = CellAt(m_dragPoint);
    MoveCaretTo(cell.Line, cell.Index, true);
}

void THvBaseViewer::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        m_dragTimer->stop();
        event->accept();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void THvBaseViewer::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    SelectWordAt(event->position().toPoint());
    event->accept();
}

} // namespace hy::viewer
