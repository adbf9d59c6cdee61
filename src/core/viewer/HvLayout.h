// The viewer's geometry as plain functions: the scroll-bar mappings for huge line totals and long lines, the
// caret's place inside its cell, mapping a point to a cell, the view that shows the caret, and the gutter's
// width. Characters, cells and words are the text layout's (HvTextLayout). Nothing here knows a widget, so
// tests call it directly.
#pragma once

#include "core/viewer/HvTypes.h"

namespace hy::viewer {

inline constexpr qint64 kEndOfLineIndex = qint64(1) << 60; // "end of the line" for caret moves; clamped to the line
inline constexpr qint64 kClipboardLimit = qint64(64) << 20; // largest clipboard copy in bytes

// --- Vertical scroll-bar mapping ---

// Totals far beyond what a scroll bar holds are divided down so the range stays below 16384 steps.
struct TVScrollMapping {
    LineNumber MaxTop = 0; // highest first visible line
    LineNumber Divisor = 1; // lines per scroll-bar step
    int Range = 0; // scroll-bar maximum (minimum is 0)

    int Position(LineNumber firstLine) const;
};
TVScrollMapping VerticalScrollMapping(LineNumber lineTotal, int visibleRows);

// While lines wrap the scroll bar goes through screen rows. With few lines each line gets an equal share of
// the steps and its rows spread evenly over them, so that the thumb moves through a line of a million rows;
// with many lines (or an undetermined total) steps go by lines as without wrap.
struct TWrapScrollMapping {
    LineNumber Divisor = 1; // lines per step
    qint64 Steps = 1; // steps per line
    int Range = 0; // scroll-bar maximum (minimum is 0)

    // The step of a line's row, given how many rows the line has.
    int Position(LineNumber line, qint64 row, qint64 rows) const;
    // The line a step stands in, and the row of that line (of rows) where it starts.
    LineNumber LineAt(int position) const;
    qint64 RowAt(int position, qint64 rows) const;
};
TWrapScrollMapping WrappedScrollMapping(LineNumber lineTotal);

// --- Caret ---

enum TCaretShape { csBlock, csHalfBlock, csVertLine, csHorzLine, csCustom, csBitmap };
enum TCaretAlign { caLeft, caTop, caRight, caBottom, caCenter };

// Offset of the caret inside its character cell and its linked size.
struct TCaretCell {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TCaretCell&) const = default;
};
// caretWidth/caretHeight are the caret's own sizes (the bitmap's for csBitmap); the shape links them to
// the cell, the alignment places them, and a bitmap's hot spot is subtracted.
TCaretCell CaretCellGeometry(TCaretShape shape, TCaretAlign align, int caretWidth, int caretHeight, int cellWidth,
    int cellHeight, int hotSpotX = 0, int hotSpotY = 0);

// --- The character grid ---

struct TGridMetrics {
    int RowHeight = 12;
    int CharWidth = 12;
    int VisibleRows = 1;
    int VisibleColumns = 1;
    int Margin = 0;
    LineNumber FirstLine = 0;
    qint64 FirstColumn = 0;
    LineNumber LineTotal = 0;
};

struct TGridCell {
    LineNumber Line = 0;
    qint64 Column = 0; // display column
    bool operator==(const TGridCell&) const = default;
};

// The cell under a point of the text area. Points outside map to one line or column beyond the view, so
// that holding the button outside the window scrolls step by step.
TGridCell PointToCell(const TGridMetrics& grid, int x, int y);

// Where the view must stand so that the caret at (line, column) shows. keepRow keeps the caret at
// rowOffset rows below the first visible line.
struct TViewOrigin {
    LineNumber FirstLine = 0;
    qint64 FirstColumn = 0;
    bool operator==(const TViewOrigin&) const = default;
};
TViewOrigin ViewToShowCaret(
    const TGridMetrics& grid, LineNumber line, qint64 column, bool keepRow, LineNumber rowOffset);

// Scroll-bar steps for a range of columns that may be far beyond what a scroll bar holds.
struct THScrollMapping {
    qint64 MaxFirst = 0; // highest first visible column
    qint64 Divisor = 1;
    int Range = 0;
    int Position(qint64 firstColumn) const;
};
// The view may scroll so that the widest line seen (and the caret) show to their end: extent counts the
// cells needed, the one after a line's end included.
THScrollMapping HorizontalScrollMapping(qint64 extent, int visibleColumns);

// Width in cells of the line-number gutter for numbers up to lastNumber: at least 4 digits and a blank.
int GutterColumns(qint64 lastNumber);

} // namespace hy::viewer
