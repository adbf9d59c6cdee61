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
    , m_singleCaret(new THvSingleCaret(viewport()))
    , m_dragTimer(new QTimer(this))
{
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
    if (m_expandTabs) {
        UpdateCaret();
        Repaint();
    }
}

// --- Line total ---

void THvBaseViewer::SetLineTotal(LineNumber count)
{
    m_lineTotal = std::max<LineNumber>(count, 0);
    UpdateScrollBars();
}

void THvBaseViewer::ResetLineTotal(LineNumber count)
{
    if (count != m_lineTotal)
        ResetView(count);
}

void THvBaseViewer::ResetView(LineNumber count)
{
    m_lineTotal = std::max<LineNumber>(count, 0);
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
    for (int code = 0; code < 256; ++code) {
        const QChar ch = DisplayChar(static_cast<unsigned char>(code));
        m_inFont[code] = !ch.isNull() && fm.inFont(ch);
    }
    m_defaultGlyph = fm.inFontUcs4(0x25A1) ? QChar(0x25A1) : QLatin1Char('?');

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
    const VScrollMapping map = VerticalScrollMapping(m_lineTotal, m_visibleRows);
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, map.Range);
    v->setSingleStep(1);
    v->setPageStep(static_cast<int>(std::max<LineNumber>(1, m_visibleRows / map.Divisor)));
    if (!v->isSliderDown())
        v->setValue(map.Position(m_firstLine));
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, m_lineTotal != 0 ? kMaxFirstColumn : 0);
    h->setSingleStep(1);
    h->setPageStep(kPageColumns);
    if (!h->isSliderDown())
        h->setValue(m_firstColumn);
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
    v->setSliderPosition(VerticalScrollMapping(m_lineTotal, m_visibleRows).Position(m_firstLine));
}

void THvBaseViewer::ReleaseVerticalThumb(int position)
{
    const VScrollMapping before = VerticalScrollMapping(m_lineTotal, m_visibleRows);
    LineNumber target = 0;
    if (position <= 0) {
        target = 0;
    } else if (position >= before.Range) {
        // The last screen: an undetermined total is determined first.
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
        ScrollBy(kMaxFirstColumn - m_firstColumn, 0);
        break;
    case QAbstractSlider::SliderMove:
        ScrollBy(h->sliderPosition() - m_firstColumn, 0);
        break;
    default:
        break;
    }
    h->setSliderPosition(m_firstColumn);
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

void THvBaseViewer::ScrollBy(int columns, LineNumber lines)
{
    const VScrollMapping map = VerticalScrollMapping(m_lineTotal, m_visibleRows);
    const int newColumn
        = static_cast<int>(std::clamp<qint64>(static_cast<qint64>(m_firstColumn) + columns, 0, kMaxFirstColumn));
    const LineNumber newLine = std::clamp<LineNumber>(AddLines(m_firstLine, lines), 0, map.MaxTop);
    if (newColumn == m_firstColumn && newLine == m_firstLine)
        return;

    const int shiftColumns = newColumn - m_firstColumn;
    const LineNumber shiftRows = newLine - m_firstLine;
    const QRect textArea(m_marginWidth, 0, m_visibleColumns * m_charWidth, m_visibleRows * m_rowHeight);
    const bool repaintAll = (shiftColumns != 0 && shiftRows != 0) || std::abs(shiftColumns) >= m_visibleColumns
        || std::abs(shiftRows) >= m_visibleRows;
    const QRect oldCaret = m_singleCaret->Rect();

    m_firstColumn = newColumn;
    m_firstLine = newLine;
    UpdateScrollBars();
    if (repaintAll) {
        viewport()->update();
    } else {
        const int dx = -shiftColumns * m_charWidth;
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

void THvBaseViewer::ScrollToLine(LineNumber line) { ScrollBy(0, AddLines(line, -m_firstLine)); }

// --- Lines ---

QByteArray THvBaseViewer::LineBytes(LineNumber line)
{
    if (m_lineTotal == 0)
        return {};
    int len = 0;
    const char* text = LineText(line, len);
    return (text && len > 0) ? QByteArray(text, len) : QByteArray();
}

int THvBaseViewer::LineLength(LineNumber line)
{
    if (m_lineTotal == 0)
        return 0;
    int len = 0;
    LineText(line, len);
    return std::max(len, 0);
}

int THvBaseViewer::ColumnOfIndex(LineNumber line, int index)
{
    if (!m_expandTabs || m_lineTotal == 0)
        return index;
    int len = 0;
    const char* text = LineText(line, len);
    return DisplayColumn(text, len, index, m_tabSize);
}

int THvBaseViewer::IndexOfColumn(LineNumber line, int column)
{
    if (!m_expandTabs || m_lineTotal == 0)
        return column;
    int len = 0;
    const char* text = LineText(line, len);
    return IndexFromColumn(text, len, column, m_tabSize);
}

// --- Caret ---

void THvBaseViewer::MoveCaret(int deltaColumn, LineNumber deltaLine, bool keepRow, bool extend, bool columnIsIndex)
{
    if (m_lineTotal == 0)
        return;
    LineNumber rowOffset = 0;
    if (m_caretLine >= m_firstLine && m_caretLine - m_firstLine < m_visibleRows)
        rowOffset = m_caretLine - m_firstLine;
    else
        keepRow = false;

    LineNumber line = AddLines(m_caretLine, deltaLine);
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

    QByteArray text = LineBytes(line);
    if (line >= m_lineTotal) {
        // Reading the line found the file shorter than before (it changed on disk).
        if (m_lineTotal == 0)
            return;
        line = std::clamp<LineNumber>(ClampLine(m_lineTotal - 1), 0, m_lineTotal - 1);
        text = LineBytes(line);
    }
    const int len = static_cast<int>(text.size());
    int index = m_caretIndex;
    if (m_expandTabs && line != m_caretLine && !columnIsIndex)
        index = IndexFromColumn(text.constData(), len, m_caretColumn, m_tabSize);
    index = static_cast<int>(std::clamp<qint64>(static_cast<qint64>(index) + deltaColumn, 0, len));
    const int column = m_expandTabs ? DisplayColumn(text.constData(), len, index, m_tabSize) : index;

    const int oldFirstColumn = m_firstColumn;
    GridMetrics grid;
    grid.VisibleRows = m_visibleRows;
    grid.VisibleColumns = m_visibleColumns;
    grid.FirstLine = m_firstLine;
    grid.FirstColumn = m_firstColumn;
    grid.LineTotal = m_lineTotal;
    const ViewOrigin origin = ViewToShowCaret(grid, line, column, keepRow, rowOffset);
    ScrollBy(origin.FirstColumn - m_firstColumn, origin.FirstLine - m_firstLine);

    if (line == m_caretLine && index == m_caretIndex && m_firstColumn == oldFirstColumn && HasSelection() == extend)
        return;
    m_caretLine = line;
    m_caretIndex = index;
    m_caretColumn = column;
    if (extend)
        ExtendSelection();
    else
        CollapseSelection();
    UpdateCaret();
}

void THvBaseViewer::MoveCaretTo(LineNumber line, int column, bool extend)
{
    column = std::clamp(column, 0, 1 << 24);
    MoveCaret(column - m_caretIndex, AddLines(line, -m_caretLine), false, extend, true);
}

void THvBaseViewer::PlaceCaret(LineNumber line, int column)
{
    if (m_lineTotal != 0)
        MoveCaretTo(ClampLine(std::max<LineNumber>(line, 0)), column, false);
}

QPoint THvBaseViewer::CaretPixelPosition() const
{
    const bool onView = m_caretLine >= m_firstLine && m_caretLine - m_firstLine < m_visibleRows
        && m_caretColumn >= m_firstColumn && m_caretColumn - m_firstColumn < m_visibleColumns;
    if (!onView)
        return { kHiddenCaret, kHiddenCaret };
    return { (m_caretColumn - m_firstColumn) * m_charWidth + m_marginWidth,
        static_cast<int>(m_caretLine - m_firstLine) * m_rowHeight };
}

void THvBaseViewer::UpdateCaret()
{
    m_caretColumn = ColumnOfIndex(m_caretLine, m_caretIndex);
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

void THvBaseViewer::SetBookmark(int index, LineNumber line, int column)
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_hourglass = true;
}

void THvBaseViewer::HideHourglass()
{
    if (!m_hourglass)
        return;
    m_hourglass = false;
    QApplication::restoreOverrideCursor();
}

// --- Painting ---

void THvBaseViewer::Repaint() { viewport()->update(); }

void THvBaseViewer::InvalidateLines(LineNumber from, LineNumber to)
{
    if (from > to)
        std::swap(from, to);
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
            for (int row = firstRow; row <= lastRow; ++row)
                PaintRow(painter, row);
        } catch (const hy::Exception& e) {
            // A file that cannot be read is left blank here; the next command that reads it reports it.
            qWarning("Viewer: %s", e.what());
        }
    }
    m_singleCaret->Paint(painter);
    PostStatus();
}

void THvBaseViewer::PaintRow(QPainter& painter, int row)
{
    const LineNumber line = m_firstLine + row;
    // Lets a file model find its end while the last screen is drawn; a line it cannot vouch for (yet) is
    // left blank.
    if (ClampLine(line) != line || line < 0 || line >= m_lineTotal)
        return;
    const QByteArray raw = LineBytes(line);
    const int len = static_cast<int>(raw.size());
    const QByteArray shown
        = (m_expandTabs && raw.contains('\t')) ? hy::viewer::ExpandTabs(raw.constData(), len, m_tabSize) : raw;

    int selFrom = 0;
    int selTo = 0;
    if (HasSelection() && line >= m_selStart.Line && line <= m_selEnd.Line) {
        selFrom = std::clamp(line == m_selStart.Line ? m_selStart.Index : 0, 0, len);
        selTo = std::clamp(line == m_selEnd.Line ? m_selEnd.Index : len, 0, len);
        if (m_expandTabs) {
            selFrom = DisplayColumn(raw.constData(), len, selFrom, m_tabSize);
            selTo = DisplayColumn(raw.constData(), len, selTo, m_tabSize);
        }
    }

    const int from = m_firstColumn;
    const int to = std::min(static_cast<int>(shown.size()), m_firstColumn + m_visibleColumns);
    if (to <= from)
        return;
    const int top = row * m_rowHeight;
    const int baseline = top + 1 + m_ascent;
    const int hlFrom = std::clamp(selFrom, from, to);
    const int hlTo = std::clamp(selTo, hlFrom, to);

    painter.setPen(m_fixedFont->Color());
    DrawRun(painter, shown, from, hlFrom, top, baseline);
    DrawRun(painter, shown, hlTo, to, top, baseline);
    if (hlTo > hlFrom) {
        painter.fillRect(
            QRect(m_marginWidth + (hlFrom - from) * m_charWidth, top, (hlTo - hlFrom) * m_charWidth, m_rowHeight),
            m_highlightColors->BackColor());
        painter.setPen(m_highlightColors->TextColor());
        DrawRun(painter, shown, hlFrom, hlTo, top, baseline);
    }
}

void THvBaseViewer::DrawRun(QPainter& painter, const QByteArray& text, int from, int to, int, int baseline)
{
    if (to <= from)
        return;
    auto cellX = [this](int column) { return qreal(m_marginWidth + (column - m_firstColumn) * m_charWidth); };
    QString run;
    int runStart = from;
    auto flush = [&] {
        if (!run.isEmpty())
            painter.drawText(QPointF(cellX(runStart), baseline), run);
        run.clear();
    };
    for (int i = from; i < to; ++i) {
        const auto code = static_cast<unsigned char>(text[i]);
        if (m_inFont[code]) {
            if (run.isEmpty())
                runStart = i;
            run += DisplayChar(code);
            continue;
        }
        // The default character, and glyphs that come from another font, stand in their own cell.
        flush();
        const QChar ch = DisplayChar(code);
        painter.drawText(QPointF(cellX(i), baseline), QString(ch.isNull() ? m_defaultGlyph : ch));
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
            MoveCaret(-1, 0, false, extend, true);
        else if (m_caretLine > 0)
            MoveCaretTo(m_caretLine - 1, kEndOfLineIndex, extend);
        return true;
    case ccRight:
    case ccExtendRight:
        if (m_caretIndex < LineLength(m_caretLine))
            MoveCaret(1, 0, false, extend, true);
        else
            MoveCaretTo(m_caretLine + 1, 0, extend);
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
    const QByteArray text = LineBytes(m_caretLine);
    const int len = static_cast<int>(text.size());
    if (right) {
        const int index = WordRightIndex(text.constData(), len, m_caretIndex);
        if (index < 0)
            MoveCaretTo(m_caretLine + 1, 0, extend);
        else
            MoveCaret(index - m_caretIndex, 0, false, extend, true);
    } else {
        const int index = WordLeftIndex(text.constData(), len, m_caretIndex);
        if (index >= 0)
            MoveCaret(index - m_caretIndex, 0, false, extend, true);
        else if (m_caretLine > 0)
            MoveCaretTo(m_caretLine - 1, kEndOfLineIndex, extend);
    }
}

// --- Mouse ---

TextPosition THvBaseViewer::CellAt(const QPoint& point)
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
    const GridCell cell = PointToCell(grid, point.x(), point.y());
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
