// Keys and mouse of the viewer control: commands from the key table, caret and scroll commands, word
// moves, and selecting with the mouse.
#include "ui/viewer/HvViewr.h"

#include "core/viewer/HvBase.h"
#include "core/viewer/HvCmd.h"
#include "core/viewer/HvCommands.h"
#include "core/viewer/HvLayout.h"
#include "ui/viewer/HvFxFnt.h"

#include <QKeyEvent>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>

namespace hy::viewer {

namespace {
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
    CommandStarted();
    const auto ended = qScopeGuard([this] { CommandEnded(); });
    return m_showCaret ? ExecuteCaretCommand(command) : ExecuteScrollCommand(command);
}

bool THvBaseViewer::ExecuteCaretCommand(int command)
{
    const bool extend = IsExtendCommand(command);
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
        MoveCaretToPageEdge(false, extend);
        return true;
    case ccBotOfPage:
    case ccExtBotOfPage:
        MoveCaretToPageEdge(true, extend);
        return true;
    case ccWordLeft:
    case ccExtWordLeft:
        MoveWord(false, extend);
        return true;
    case ccWordRight:
    case ccExtWordRight:
        MoveWord(true, extend);
        return true;
    default:
        return ExecuteOtherCaretCommand(command);
    }
}

// The commands of caret mode that leave the caret where it is or set it by a bookmark.
bool THvBaseViewer::ExecuteOtherCaretCommand(int command)
{
    switch (command) {
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

// The caret to the top (or bottom) row of the page; a caret out of view brings its page into view instead.
void THvBaseViewer::MoveCaretToPageEdge(bool bottom, bool extend)
{
    const bool caretOnScreen = m_caretLine >= m_firstLine && m_caretLine - m_firstLine < m_visibleRows;
    if (caretOnScreen)
        MoveCaret(0, m_firstLine + (bottom ? m_visibleRows - 1 : 0) - m_caretLine, false, extend, false);
    else
        ScrollToLine(bottom ? m_caretLine - (m_visibleRows - 1) : m_caretLine);
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

TTextPosition THvBaseViewer::CellAt(const QPoint& point)
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
    const TGridCell cell = PointToCell(Grid(), point.x(), point.y());
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
    const TTextPosition cell = CellAt(point);
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
    const TTextPosition cell = CellAt(m_dragPoint);
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
    const TTextPosition cell = CellAt(m_dragPoint);
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
