// Painting of the viewer control: the rows of text or hex, the gutter with line numbers and bookmarks,
// and the cells of a row in their colours.
#include "ui/viewer/HvViewr.h"

#include "core/viewer/HvBase.h"
#include "core/viewer/HvLayout.h"
#include "ui/viewer/HvCaret.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvFxFnt.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace hy::viewer {

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
        } catch (const hy::base::Exception& e) {
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

// A cluster drawn alone in its cells (box), clipped to them within the text area.
void THvBaseViewer::PaintLoneCell(QPainter& painter, const TCell& cell, const QString& text, const QRect& box,
    const QRect& clip, int baseline, const QColor& color)
{
    const int x = box.x();
    painter.setPen(color);
    painter.save();
    painter.setFont(m_fixedFont->Font());
    painter.setClipRect(clip, Qt::IntersectClip);
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

void THvBaseViewer::PaintCells(QPainter& painter, LineNumber line, const std::vector<TCell>& cells, qint64 originColumn,
    int top, qint64 selFrom, qint64 selTo)
{
    const int baseline = top + 1 + m_ascent;
    const qint64 lastColumn = originColumn + m_visibleColumns;
    const QRect textArea(m_marginWidth, top, m_visibleColumns * m_charWidth, m_rowHeight);
    m_marks.clear();
    LineMarks(line, m_marks);
    for (const THvMark& m : m_marks) {
        if (m.WholeLine && m.Back.isValid())
            painter.fillRect(textArea, m.Back);
    }
    // The last mark over a byte gives its colours.
    auto markOf = [&](qint64 index) -> const THvMark* {
        for (auto it = m_marks.crbegin(); it != m_marks.crend(); ++it) {
            if (it->WholeLine || (index >= it->From && index < it->To))
                return &*it;
        }
        return nullptr;
    };
    // Runs of one-cell characters that the font has are drawn together, spaced to the grid; any other
    // cluster is drawn alone in its own cells, so glyphs of any width or font stay on the grid.
    QString run;
    int runX = 0;
    QColor runInk;
    auto flush = [&] {
        if (run.isEmpty())
            return;
        painter.setPen(runInk);
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
        const THvMark* mark = selected || m_marks.empty() ? nullptr : markOf(cell.Index);
        QColor ink = m_fixedFont->Color();
        if (selected) {
            painter.fillRect(box, m_highlightColors->BackColor());
            ink = m_highlightColors->TextColor();
        } else if (mark) {
            if (mark->Back.isValid() && !mark->WholeLine)
                painter.fillRect(box, mark->Back);
            if (mark->Text.isValid())
                ink = mark->Text;
        }
        QString text;
        switch (cell.Type) {
        case TCell::Glyph:
            text = cell.Text;
            break;
        case TCell::Blank:
            flush();
            continue;
        case TCell::Placeholder:
            text = QString(DefaultCharGlyph());
            break;
        case TCell::Replacement:
            text = QString(QChar(QChar::ReplacementCharacter));
            break;
        }
        const bool simple = cell.Type == TCell::Glyph && cell.Width == 1 && text.size() == 1 && col >= originColumn
            && DrawsInOneCell(cell.Code);
        if (simple && !run.isEmpty() && ink == runInk && x == runX + int(run.size()) * m_charWidth) {
            run += text;
            continue;
        }
        flush();
        if (simple) {
            run = text;
            runX = x;
            runInk = ink;
            continue;
        }
        PaintLoneCell(painter, cell, text, box, box.intersected(textArea), baseline, ink);
    }
    flush();
}

} // namespace hy::viewer
