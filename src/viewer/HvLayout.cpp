// Geometry and text rules of the viewer grid.
#include "viewer/HvLayout.h"

#include "platform/Cp1252.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace hy::viewer {

namespace {
    int NextColumn(char c, int column, int tabSize)
    {
        return c == '\t' ? (column / tabSize + 1) * tabSize : column + 1;
    }
    int SafeTab(int tabSize) { return tabSize > 0 ? tabSize : 1; }
} // namespace

int DisplayColumn(const char* text, int len, int index, int tabSize)
{
    tabSize = SafeTab(tabSize);
    if (index <= 0)
        return 0;
    const int stop = std::min(index, len);
    int column = 0;
    for (int i = 0; i < stop; ++i)
        column = NextColumn(text[i], column, tabSize);
    return column + (index - stop);
}

int IndexFromColumn(const char* text, int len, int column, int tabSize)
{
    tabSize = SafeTab(tabSize);
    if (column <= 0)
        return 0;
    int col = 0;
    for (int i = 0; i < len; ++i) {
        const int next = NextColumn(text[i], col, tabSize);
        if (next == column)
            return i + 1;
        if (next > column)
            return i;
        col = next;
    }
    return len;
}

QByteArray ExpandTabs(const char* text, int len, int tabSize)
{
    tabSize = SafeTab(tabSize);
    QByteArray out;
    out.reserve(len + 16);
    for (int i = 0; i < len; ++i) {
        if (text[i] == '\t') {
            const int stop = (static_cast<int>(out.size()) / tabSize + 1) * tabSize;
            out.append(stop - static_cast<int>(out.size()), ' ');
        } else {
            out.append(text[i]);
        }
    }
    return out;
}

bool IsDisplayableByte(unsigned char code) { return code >= 32 && code != 127 && platform::Cp1252Defined(code); }

QChar DisplayChar(unsigned char code) { return IsDisplayableByte(code) ? platform::Cp1252ToUnicode(code) : QChar(); }

void ReplaceUndisplayable(QByteArray& text)
{
    for (char& c : text) {
        if (!IsDisplayableByte(static_cast<unsigned char>(c)))
            c = static_cast<char>(kDefaultChar);
    }
}

QString DisplayString(const QByteArray& displayBytes, QChar placeholder)
{
    QString s;
    s.reserve(displayBytes.size());
    for (char c : displayBytes) {
        const QChar q = DisplayChar(static_cast<unsigned char>(c));
        s += q.isNull() ? placeholder : q;
    }
    return s;
}

QString ClipboardText(const QByteArray& bytes)
{
    QStringDecoder utf8(
        QStringDecoder::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return platform::Cp1252Decode(bytes);
}

int VScrollMapping::Position(LineNumber firstLine) const
{
    return static_cast<int>(std::clamp<LineNumber>(firstLine, 0, MaxTop) / Divisor);
}

VScrollMapping VerticalScrollMapping(LineNumber lineTotal, int visibleRows)
{
    VScrollMapping m;
    m.MaxTop = std::max<LineNumber>(lineTotal - std::max(visibleRows, 1), 0);
    m.Divisor = m.MaxTop / 16384 + 1;
    m.Range = static_cast<int>(m.MaxTop / m.Divisor);
    return m;
}

CaretCell CaretCellGeometry(TCaretShape shape, TCaretAlign align, int caretWidth, int caretHeight, int cellWidth,
    int cellHeight, int hotSpotX, int hotSpotY)
{
    CaretCell c { 0, 0, caretWidth, caretHeight };
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

int HScrollMapping::Position(qint64 firstColumn) const
{
    return static_cast<int>(std::clamp<qint64>(firstColumn, 0, MaxFirst) / Divisor);
}

HScrollMapping HorizontalScrollMapping(qint64 extent, int visibleColumns)
{
    HScrollMapping m;
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

GridCell PointToCell(const GridMetrics& g, int x, int y)
{
    GridCell cell;
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

ViewOrigin ViewToShowCaret(const GridMetrics& g, LineNumber line, qint64 column, bool keepRow, LineNumber rowOffset)
{
    ViewOrigin o { g.FirstLine, g.FirstColumn };
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

int WordLeftIndex(const char* text, int len, int index)
{
    int i = std::clamp(index, 0, len);
    if (i == 0)
        return -1;
    while (i > 0 && IsWordBlank(text[i - 1]))
        --i;
    while (i > 0 && !IsWordBlank(text[i - 1]))
        --i;
    return i;
}

int WordRightIndex(const char* text, int len, int index)
{
    int i = std::max(index, 0);
    if (i >= len)
        return -1;
    while (i < len && !IsWordBlank(text[i]))
        ++i;
    while (i < len && IsWordBlank(text[i]))
        ++i;
    return i;
}

std::pair<int, int> WordRangeAt(const char* text, int len, int index)
{
    if (len <= 0)
        return { 0, 0 };
    int p = std::clamp(index, 0, len - 1);
    while (p >= 0 && IsWordBlank(text[p]))
        --p;
    while (p >= 0 && !IsWordBlank(text[p]))
        --p;
    const int start = p + 1;
    int end = start;
    while (end < len && !IsWordBlank(text[end]))
        ++end;
    while (end < len && IsWordBlank(text[end]))
        ++end;
    return { start, end };
}

THvTextMatcher::THvTextMatcher(const QByteArray& pattern, bool matchCase)
    : m_pattern(matchCase ? pattern : platform::Cp1252Upper(pattern))
    , m_matchCase(matchCase)
{
    const int m = Length();
    m_shift.fill(m);
    for (int i = 0; i + 1 < m; ++i)
        m_shift[static_cast<unsigned char>(m_pattern[i])] = m - 1 - i;
}

unsigned char THvTextMatcher::Fold(char c) const
{
    const auto u = static_cast<unsigned char>(c);
    return m_matchCase ? u : platform::Cp1252Upper(u);
}

int THvTextMatcher::FindFirst(const char* text, int len, int from) const
{
    const int m = Length();
    from = std::max(from, 0);
    if (m == 0 || len - from < m)
        return -1;
    const auto* pat = reinterpret_cast<const unsigned char*>(m_pattern.constData());
    if (m == 1) {
        for (int i = from; i < len; ++i) {
            if (Fold(text[i]) == pat[0])
                return i;
        }
        return -1;
    }
    int pos = from;
    while (pos <= len - m) {
        int j = m - 1;
        while (j >= 0 && Fold(text[pos + j]) == pat[j])
            --j;
        if (j < 0)
            return pos;
        pos += m_shift[Fold(text[pos + m - 1])];
    }
    return -1;
}

int THvTextMatcher::FindLast(const char* text, int len) const
{
    int last = -1;
    int p = FindFirst(text, len, 0);
    while (p >= 0) {
        last = p;
        p = FindFirst(text, len, p + 1);
    }
    return last;
}

} // namespace hy::viewer
