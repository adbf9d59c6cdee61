// The viewer's geometry and text rules as plain functions: tab expansion and the column/index mapping,
// the characters a byte shows as, the vertical scroll-bar mapping for huge line totals, the caret's place
// inside its cell, mapping a point to a cell, word boundaries, and the byte matcher of the text search.
// Nothing here knows a widget, so tests call it directly.
#pragma once

#include "viewer/HvTypes.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <array>
#include <utility>

namespace hy::viewer {

inline constexpr qint64 kEndOfLineIndex = qint64(1) << 60; // "end of the line" for caret moves; clamped to the line
inline constexpr qint64 kClipboardLimit = qint64(64) << 20; // largest clipboard copy in bytes
inline constexpr int kDisplayLineSize = 1024; // buffer size used for printing and copying to a file
inline constexpr unsigned char kDefaultChar = 0x7F; // the byte that stands for an undisplayable character

// --- Tabs and columns ---

// The display column of character index (tabs expanded to multiples of tabSize); an index past the end
// counts one column per missing character.
int DisplayColumn(const char* text, int len, int index, int tabSize);
// The character index shown at display column: a tab spanning the column maps to itself unless it ends
// exactly there; column 0 gives 0; the walk stops at the end of the text.
int IndexFromColumn(const char* text, int len, int column, int tabSize);
// The text with every tab replaced by blanks up to the next tab stop.
QByteArray ExpandTabs(const char* text, int len, int tabSize);

// --- Characters ---

// True for bytes the viewer draws with their own Windows-1252 glyph: not below 32, not 127, and not one of
// the five codes that Windows-1252 leaves undefined.
bool IsDisplayableByte(unsigned char code);
// The character a byte shows as, or QChar::Null where the viewer's default character stands instead.
QChar DisplayChar(unsigned char code);
// Replaces every undisplayable byte by kDefaultChar.
void ReplaceUndisplayable(QByteArray& text);
// A display line as text, the default character drawn as placeholder.
QString DisplayString(const QByteArray& displayBytes, QChar placeholder);

// The text the clipboard receives for copied bytes: UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString ClipboardText(const QByteArray& bytes);

// --- Vertical scroll-bar mapping ---

// Totals far beyond what a scroll bar holds are divided down so the range stays below 16384 steps.
struct VScrollMapping {
    LineNumber MaxTop = 0; // highest first visible line
    LineNumber Divisor = 1; // lines per scroll-bar step
    int Range = 0; // scroll-bar maximum (minimum is 0)

    int Position(LineNumber firstLine) const;
};
VScrollMapping VerticalScrollMapping(LineNumber lineTotal, int visibleRows);

// --- Caret ---

enum TCaretShape { csBlock, csHalfBlock, csVertLine, csHorzLine, csCustom, csBitmap };
enum TCaretAlign { caLeft, caTop, caRight, caBottom, caCenter };

// Offset of the caret inside its character cell and its linked size.
struct CaretCell {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const CaretCell&) const = default;
};
// caretWidth/caretHeight are the caret's own sizes (the bitmap's for csBitmap); the shape links them to
// the cell, the alignment places them, and a bitmap's hot spot is subtracted.
CaretCell CaretCellGeometry(TCaretShape shape, TCaretAlign align, int caretWidth, int caretHeight, int cellWidth,
    int cellHeight, int hotSpotX = 0, int hotSpotY = 0);

// --- The character grid ---

struct GridMetrics {
    int RowHeight = 12;
    int CharWidth = 12;
    int VisibleRows = 1;
    int VisibleColumns = 1;
    int Margin = 0;
    LineNumber FirstLine = 0;
    qint64 FirstColumn = 0;
    LineNumber LineTotal = 0;
};

struct GridCell {
    LineNumber Line = 0;
    qint64 Column = 0; // display column
    bool operator==(const GridCell&) const = default;
};

// The cell under a point of the text area. Points outside map to one line or column beyond the view, so
// that holding the button outside the window scrolls step by step.
GridCell PointToCell(const GridMetrics& grid, int x, int y);

// Where the view must stand so that the caret at (line, column) shows. keepRow keeps the caret at
// rowOffset rows below the first visible line.
struct ViewOrigin {
    LineNumber FirstLine = 0;
    qint64 FirstColumn = 0;
    bool operator==(const ViewOrigin&) const = default;
};
ViewOrigin ViewToShowCaret(const GridMetrics& grid, LineNumber line, qint64 column, bool keepRow, LineNumber rowOffset);

// Scroll-bar steps for a range of columns that may be far beyond what a scroll bar holds.
struct HScrollMapping {
    qint64 MaxFirst = 0; // highest first visible column
    qint64 Divisor = 1;
    int Range = 0;
    int Position(qint64 firstColumn) const;
};
// The view may scroll so that the widest line seen (and the caret) show to their end: extent counts the
// cells needed, the one after a line's end included.
HScrollMapping HorizontalScrollMapping(qint64 extent, int visibleColumns);

// Width in cells of the line-number gutter for numbers up to lastNumber: at least 4 digits and a blank.
int GutterColumns(qint64 lastNumber);

// --- Words ---

inline bool IsWordBlank(char c) { return c == ' ' || c == '\t'; }
// Start of the word left of index (skipping blanks first); -1 when index is 0 (go to the previous line).
int WordLeftIndex(const char* text, int len, int index);
// Index after the rest of the word and the blanks that follow; -1 at or past the end (go to the next line).
int WordRightIndex(const char* text, int len, int index);
// The word under index with its trailing blanks, as [first, second); the index is limited to the text.
std::pair<int, int> WordRangeAt(const char* text, int len, int index);

// --- Text search ---

// Finds a byte pattern with a Boyer-Moore-Horspool shift table, optionally ignoring Windows-1252 case.
class THvTextMatcher {
public:
    THvTextMatcher(const QByteArray& pattern, bool matchCase);
    int Length() const { return static_cast<int>(m_pattern.size()); }
    // First match starting at or after from, or -1.
    int FindFirst(const char* text, int len, int from = 0) const;
    // Last match lying wholly inside text[0, len) (matches may overlap), or -1.
    int FindLast(const char* text, int len) const;

private:
    unsigned char Fold(char c) const;

    QByteArray m_pattern;
    bool m_matchCase;
    std::array<int, 256> m_shift {};
};

} // namespace hy::viewer
