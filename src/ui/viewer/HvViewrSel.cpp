// Selection of the viewer control: extending and collapsing with the caret, ranges, word selection,
// copying to the clipboard, lines in display form, and the line-by-line text search.
#include "ui/viewer/HvViewr.h"

#include "core/viewer/HvLayout.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <climits>
#include <limits>
#include <new>

namespace hy::viewer {

using namespace hy::base;

void THvBaseViewer::ExtendSelection()
{
    const TTextPosition caret { m_caretLine, m_caretIndex };
    const TTextPosition oldStart = m_selStart;
    const TTextPosition oldEnd = m_selEnd;
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
    const TTextPosition oldStart = m_selStart;
    const TTextPosition oldEnd = m_selEnd;
    m_selStart = m_selEnd = m_selAnchor = { m_caretLine, m_caretIndex };
    if (hadSelection)
        InvalidateLines(oldStart.Line, oldEnd.Line);
}

void THvBaseViewer::SelectRange(
    LineNumber startLine, qint64 startIndex, bool caretAtEnd, qint64 endIndex, LineNumber endLine)
{
    HourglassScope scope(this);
    CollapseSelection();
    if (m_lineTotal == 0)
        return;
    const LineNumber fixedLine = ClampLine(std::max<LineNumber>(caretAtEnd ? startLine : endLine, 0));
    TTextPosition fixed { std::clamp<LineNumber>(fixedLine, 0, std::max<LineNumber>(m_lineTotal - 1, 0)),
        caretAtEnd ? startIndex : endIndex };
    fixed.Index = ClampIndex(fixed.Line, fixed.Index);
    if (fixed != TTextPosition { m_caretLine, m_caretIndex }) {
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

bool THvBaseViewer::SelectionBounds(
    LineNumber& startLine, qint64& startIndex, qint64& endIndex, LineNumber& endLine) const
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
    // To the end of the last line: a last line without a line end is text like any other.
    SelectRange(0, 0, caretAtEnd, kEndOfLineIndex, m_lineTotal - 1);
}

void THvBaseViewer::SelectWordAt(const QPoint& point)
{
    if (m_lineTotal == 0)
        return;
    HourglassScope scope(this);
    const TTextPosition cell = CellAt(point);
    if (m_layout.CellAt(cell.Line, 0).Length == 0)
        return;
    const auto [start, end] = m_layout.WordRange(cell.Line, cell.Index);
    SelectRange(cell.Line, start, true, end, cell.Line);
}

QString THvBaseViewer::SelectedText()
{
    if (!HasSelection())
        return {};
    HourglassScope scope(this);
    const QString lineEnd = m_copyCrLf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    // The size is known before anything is decoded: a selection beyond the limit costs no memory.
    std::vector<qint64> ends;
    qint64 bytes = 0;
    for (LineNumber line = m_selStart.Line; line <= m_selEnd.Line; ++line) {
        const qint64 from = line == m_selStart.Line ? m_selStart.Index : 0;
        const qint64 to = line == m_selEnd.Line ? m_selEnd.Index : LineLength(line);
        ends.push_back(to);
        bytes += std::max<qint64>(to - from, 0) + (line != m_selEnd.Line ? lineEnd.size() : 0);
        static_assert(kClipboardLimit == qint64(64) << 20, "ERegionTooLarge names the limit");
        if (bytes > kClipboardLimit)
            throw ERegionTooLarge();
    }
    // Decoding megabytes takes a moment: the wait cursor shows it.
    if (bytes > (qint64(1) << 20))
        ShowHourglass();
    QString out;
    try {
        out.reserve(qsizetype(bytes));
        for (LineNumber line = m_selStart.Line; line <= m_selEnd.Line; ++line) {
            const qint64 from = line == m_selStart.Line ? m_selStart.Index : 0;
            const qint64 to = ends[size_t(line - m_selStart.Line)];
            if (to > from)
                out += RangeText(line, from, to);
            if (line != m_selEnd.Line)
                out += lineEnd;
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(QStringLiteral("Could not allocate memory for clipboard copy"));
    }
    return out;
}

void THvBaseViewer::CopySelection()
{
    const QString text = SelectedText();
    if (text.isEmpty())
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

QString THvBaseViewer::DisplayLineText(LineNumber line, int size)
{
    size = std::max(size, 0);
    QString out;
    if (m_lineTotal == 0 || line < 0 || line >= m_lineTotal)
        return out;
    // Tabs always expand here, as printing and copies to text need them.
    const bool expand = m_expandTabs;
    if (!expand)
        m_layout.SetTabs(true, m_tabSize);
    std::vector<TCell> cells = m_layout.Cells(line, 0, size);
    if (!expand)
        m_layout.SetTabs(false, m_tabSize);
    DecorateCells(line, cells);
    for (const TCell& c : cells) {
        if (c.Type == TCell::Blank) {
            out += QString(std::min<qint64>(c.Width, size - c.Column), QLatin1Char(' '));
            continue;
        }
        if (c.Column + c.Width > size)
            break;
        switch (c.Type) {
        case TCell::Glyph:
            out += c.Text;
            break;
        case TCell::Blank:
            break;
        case TCell::Placeholder:
            out += DefaultCharGlyph();
            break;
        case TCell::Replacement:
            out += QChar(QChar::ReplacementCharacter);
            break;
        }
    }
    return out;
}

void THvBaseViewer::SelectSearchHit(const TSearchHit& hit, unsigned options)
{
    SelectRange(hit.StartLine, hit.StartIndex, !(options & soBackward), hit.EndIndex, hit.EndLine);
}

} // namespace hy::viewer
