// Geometry and text rules of the viewer grid.
#include "core/viewer/HvLayout.h"

#include <algorithm>

namespace hy::viewer {

int TVScrollMapping::Position(LineNumber firstLine) const
{
    return static_cast<int>(std::clamp<LineNumber>(firstLine, 0, MaxTop) / Divisor);
}

TVScrollMapping VerticalScrollMapping(LineNumber lineTotal, int visibleRows)
{
    TVScrollMapping m;
    m.MaxTop = std::max<LineNumber>(lineTotal - std::max(visibleRows, 1), 0);
    m.Divisor = m.MaxTop / 16384 + 1;
    m.Range = static_cast<int>(m.MaxTop / m.Divisor);
    return m;
}

namespace {
    constexpr LineNumber kScrollSteps = 16384;
}

TWrapScrollMapping WrappedScrollMapping(LineNumber lineTotal)
{
    TWrapScrollMapping m;
    if (lineTotal <= 0)
        return m;
    if (lineTotal <= kScrollSteps / 2) {
        m.Steps = kScrollSteps / lineTotal;
        m.Range = static_cast<int>(lineTotal * m.Steps - 1);
    } else {
        m.Divisor = (lineTotal - 1) / kScrollSteps + 1;
        m.Range = static_cast<int>((lineTotal - 1) / m.Divisor);
    }
    return m;
}

int TWrapScrollMapping::Position(LineNumber line, qint64 row, qint64 rows) const
{
    line = std::max<LineNumber>(line, 0);
    qint64 part = 0;
    // The first step within the row's share (rounded up), so that the step leads back to the row.
    if (Steps > 1 && rows > 0)
        part = std::min((std::clamp<qint64>(row, 0, rows - 1) * Steps + rows - 1) / rows, Steps - 1);
    return static_cast<int>(std::clamp<LineNumber>((line * Steps + part) / Divisor, 0, Range));
}

LineNumber TWrapScrollMapping::LineAt(int position) const
{
    return static_cast<LineNumber>(std::clamp(position, 0, Range)) * Divisor / Steps;
}

qint64 TWrapScrollMapping::RowAt(int position, qint64 rows) const
{
    if (Steps <= 1 || rows <= 1)
        return 0;
    // The row whose share of the line's steps holds the step.
    const qint64 part = static_cast<qint64>(std::clamp(position, 0, Range)) % Steps;
    return std::min<qint64>(part * rows / Steps, rows - 1);
}

TCaretCell CaretCellGeometry(TCaretShape shape, TCaretAlign align, int caretWidth, int caretHeight, int cellWidth,
    int cellHeight, int hotSpotX, int hotSpotY)
{
    TCaretCell c { 0, 0, caretWidth, caretHeight };
    switch (shape) {
    case csBlock:
        c.Width = cellWidth;
        c.Height = cellHeight;
        break;
    case csHalfBlock:
        c.Width = cellWidth;
        c.Height = cellHeight / 2;
        break;
    case csVertLine:
        c.Height = cellHeight;
        break;
    case csHorzLine:
        c.Width = cellWidth;
        break;
    case csCustom:
    case csBitmap:
        break;
    }
    const int centreX = (cellWidth - c.Width) / 2;
    const int centreY = (cellHeight - c.Height) / 2;
    switch (align) {
    case caLeft:
        c.X = 0;
        c.Y = centreY;
        break;
    case caTop:
        c.X = centreX;
        c.Y = 0;
        break;
    case caRight:
        c.X = cellWidth - c.Width;
        c.Y = centreY;
        break;
    case caBottom:
        c.X = centreX;
        c.Y = cellHeight - c.Height;
        break;
    case caCenter:
        c.X = centreX;
        c.Y = centreY;
        break;
    }
    if (shape == csBitmap) {
        c.X -= hotSpotX;
        c.Y -= hotSpotY;
    }
    return c;
}

int THScrollMapping::Position(qint64 firstColumn) const
{
    return static_cast<int>(std::clamp<qint64>(firstColumn, 0, MaxFirst) / Divisor);
}

THScrollMapping HorizontalScrollMapping(qint64 extent, int visibleColumns)
{
    THScrollMapping m;
    m.MaxFirst = std::max<qint64>(extent - std::max(visibleColumns, 1), 0);
    m.Divisor = m.MaxFirst / 1000000 + 1;
    m.Range = static_cast<int>(m.MaxFirst / m.Divisor);
    return m;
}

int GutterColumns(qint64 lastNumber)
{
    int digits = 1;
    for (qint64 n = std::max<qint64>(lastNumber, 1); n >= 10; n /= 10)
        ++digits;
    return std::max(digits, 4) + 1;
}

TGridCell PointToCell(const TGridMetrics& g, int x, int y)
{
    TGridCell cell;
    const int textRight = g.Margin + g.VisibleColumns * g.CharWidth;
    if (x < g.Margin)
        cell.Column = std::max<qint64>(0, g.FirstColumn - 1);
    else if (x >= textRight)
        cell.Column = g.FirstColumn + g.VisibleColumns;
    else
        cell.Column = (x - g.Margin) / g.CharWidth + g.FirstColumn;

    const LineNumber last = std::max<LineNumber>(g.LineTotal - 1, 0);
    if (y < 0)
        cell.Line = std::max<LineNumber>(0, g.FirstLine - 1);
    else if (y >= g.VisibleRows * g.RowHeight)
        cell.Line = std::min<LineNumber>(g.FirstLine + g.VisibleRows, last);
    else
        cell.Line = std::min<LineNumber>(y / g.RowHeight + g.FirstLine, last);
    return cell;
}

TViewOrigin ViewToShowCaret(const TGridMetrics& g, LineNumber line, qint64 column, bool keepRow, LineNumber rowOffset)
{
    TViewOrigin o { g.FirstLine, g.FirstColumn };
    const bool lineShown = line >= g.FirstLine && line - g.FirstLine < g.VisibleRows;
    const bool columnShown = column >= g.FirstColumn && column - g.FirstColumn < g.VisibleColumns;
    if (!keepRow && lineShown && columnShown)
        return o;

    if (keepRow)
        o.FirstLine = line - rowOffset;
    else if (lineShown)
        o.FirstLine = g.FirstLine;
    else if (line < g.FirstLine)
        o.FirstLine = line;
    else
        o.FirstLine = line - (g.VisibleRows - 1);
    o.FirstLine = std::max<LineNumber>(o.FirstLine, 0);
    if (line - o.FirstLine >= g.VisibleRows)
        o.FirstLine = line - (g.VisibleRows - 1);

    if (column < g.FirstColumn)
        o.FirstColumn = 0;
    else if (column >= g.FirstColumn + g.VisibleColumns)
        o.FirstColumn = column - (g.VisibleColumns - 1);
    return o;
}

} // namespace hy::viewer
