// Selection of the viewer control: extending and collapsing with the caret, ranges, word selection,
// copying to the clipboard, lines in display form, and the line-by-line text search.
#include "viewer/HvViewr.h"

#include "viewer/HvLayout.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <climits>
#include <new>

namespace hy::viewer {

void THvBaseViewer::ExtendSelection()
{
    const TextPosition caret { m_caretLine, m_caretIndex };
    const TextPosition oldStart = m_selStart;
    const TextPosition oldEnd = m_selEnd;
    if (m_selAnchor == m_selStart)
        m_selEnd = caret;
    else
        m_selStart = caret;
    if (m_selEnd < m_selStart)
        std::swap(m_selStart, m_selEnd);
    InvalidateLines(oldStart.Line, m_selStart.Line);
    InvalidateLines(oldEnd.Line, m_selEnd.Line);
    InvalidateLines(m_caretLine, m_caretLine);
}

void THvBaseViewer::CollapseSelection()
{
    const bool hadSelection = HasSelection();
    const TextPosition oldStart = m_selStart;
    const TextPosition oldEnd = m_selEnd;
    m_selStart = m_selEnd = m_selAnchor = { m_caretLine, m_caretIndex };
    if (hadSelection)
        InvalidateLines(oldStart.Line, oldEnd.Line);
}

void THvBaseViewer::SelectRange(LineNumber startLine, int startIndex, bool caretAtEnd, int endIndex, LineNumber endLine)
{
    HourglassScope scope(this);
    CollapseSelection();
    if (m_lineTotal == 0)
        return;
    const LineNumber fixedLine = ClampLine(std::max<LineNumber>(caretAtEnd ? startLine : endLine, 0));
    TextPosition fixed { std::clamp<LineNumber>(fixedLine, 0, std::max<LineNumber>(m_lineTotal - 1, 0)),
        caretAtEnd ? startIndex : endIndex };
    fixed.Index = std::clamp(fixed.Index, 0, LineLength(fixed.Line));
    if (fixed != TextPosition { m_caretLine, m_caretIndex }) {
        // The anchor goes to the fixed end without scrolling; the caret's move to the other end scrolls.
        m_caretLine = fixed.Line;
        m_caretIndex = fixed.Index;
        m_caretColumn = ColumnOfIndex(m_caretLine, m_caretIndex);
        CollapseSelection();
    }
    if (caretAtEnd)
        MoveCaretTo(endLine, endIndex, true);
    else
        MoveCaretTo(startLine, startIndex, true);
}

bool THvBaseViewer::SelectionBounds(LineNumber& startLine, int& startIndex, int& endIndex, LineNumber& endLine) const
{
    startLine = m_selStart.Line;
    startIndex = m_selStart.Index;
    endIndex = m_selEnd.Index;
    endLine = m_selEnd.Line;
    return HasSelection();
}

void THvBaseViewer::SelectEntireFile(bool caretAtEnd)
{
    if (m_lineTotal == 0) {
        CollapseSelection();
        return;
    }
    SelectRange(0, 0, caretAtEnd, 0, m_lineTotal - 1);
}

void THvBaseViewer::SelectWordAt(const QPoint& point)
{
    if (m_lineTotal == 0)
        return;
    HourglassScope scope(this);
    const TextPosition cell = CellAt(point);
    const QByteArray text = LineBytes(cell.Line);
    if (text.isEmpty())
        return;
    const auto [start, end] = WordRangeAt(text.constData(), static_cast<int>(text.size()), cell.Index);
    SelectRange(cell.Line, start, true, end, cell.Line);
}

QByteArray THvBaseViewer::SelectedBytes()
{
    if (!HasSelection())
        return {};
    HourglassScope scope(this);
    QByteArray out;
    try {
        out.reserve(static_cast<qsizetype>(kClipboardLimit) + 1);
        for (LineNumber line = m_selStart.Line; line <= m_selEnd.Line; ++line) {
            const QByteArray text = LineBytes(line);
            const int len = static_cast<int>(text.size());
            const int from = line == m_selStart.Line ? std::clamp(m_selStart.Index, 0, len) : 0;
            const int to = line == m_selEnd.Line ? std::clamp(m_selEnd.Index, 0, len) : len;
            if (to > from)
                out.append(text.constData() + from, to - from);
            if (line != m_selEnd.Line)
                out.append("\r\n", 2);
            if (out.size() > kClipboardLimit)
                throw ERegionTooLarge();
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(QStringLiteral("Could not allocate memory for clipboard copy"));
    }
    return out;
}

void THvBaseViewer::CopySelection()
{
    const QByteArray bytes = SelectedBytes();
    if (bytes.isEmpty())
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(ClipboardText(bytes));
}

QByteArray THvBaseViewer::DisplayLineText(LineNumber line, int size)
{
    size = std::max(size, 0);
    QByteArray text = LineBytes(line);
    if (text.contains('\t'))
        text = hy::viewer::ExpandTabs(text.constData(), static_cast<int>(text.size()), m_tabSize);
    if (text.size() > size)
        text.truncate(size);
    ReplaceUndisplayable(text);
    return text;
}

QString THvBaseViewer::DisplayLineString(LineNumber line, int size)
{
    return DisplayString(DisplayLineText(line, size), m_defaultGlyph);
}

bool THvBaseViewer::SearchFor(const QByteArray& text, unsigned options)
{
    if (text.isEmpty() || m_lineTotal == 0)
        return false;
    HourglassScope scope(this, true);
    const bool backward = options & soBackward;
    const THvTextMatcher matcher(text, options & soMatchCase);
    const int length = matcher.Length();

    LineNumber line = m_caretLine;
    int index = m_caretIndex;
    if (options & soWholeFile) {
        if (backward) {
            line = std::clamp<LineNumber>(ClampLine(m_lineTotal - 1), 0, std::max<LineNumber>(m_lineTotal - 1, 0));
            index = INT_MAX;
        } else {
            line = 0;
            index = 0;
        }
    }

    if (!backward) {
        for (;;) {
            const QByteArray lineText = LineBytes(line);
            const int p = matcher.FindFirst(lineText.constData(), static_cast<int>(lineText.size()), index);
            if (p >= 0) {
                SelectRange(line, p, true, p + length, line);
                return true;
            }
            if (line + 1 >= m_lineTotal)
                return false;
            const LineNumber next = ClampLine(line + 1);
            if (next <= line || next >= m_lineTotal)
                return false;
            line = next;
            index = 0;
        }
    }
    for (;;) {
        const QByteArray lineText = LineBytes(line);
        const int before = std::min(index, static_cast<int>(lineText.size()));
        if (before >= length) {
            const int p = matcher.FindLast(lineText.constData(), before);
            if (p >= 0) {
                SelectRange(line, p, false, p + length, line);
                return true;
            }
        }
        if (line <= 0)
            return false;
        --line;
        index = INT_MAX;
    }
}

void THvBaseViewer::SelectSearchHit(const SearchHit& hit, unsigned options)
{
    SelectRange(hit.StartLine, hit.StartIndex, !(options & soBackward), hit.EndIndex, hit.EndLine);
}

} // namespace hy::viewer
