// Decoding lines into clusters and cells, with per-line checkpoints for lines of any length.
#include "core/viewer/HvTextLayout.h"

#include <algorithm>
#include <cstring>

namespace hy::viewer {

namespace {

    constexpr qint64 kChunk = qint64(64) << 10;
    constexpr qint64 kSlack = 16; // bytes read past a chunk so that a character and its marks decode whole
    constexpr size_t kLinesKept = 64;
    constexpr size_t kMaxPoints = 65536;
    constexpr qint64 kPollBytes = qint64(4) << 20;

    // Bytes below 0x80 other than tab: in UTF-8 each is a character of one cell.
    size_t SimpleAsciiRun(const uint8_t* p, size_t n)
    {
        size_t i = 0;
        while (i + 16 <= n) {
            uint8_t any = 0;
            uint8_t tab = 0;
            for (int k = 0; k < 16; ++k) {
                any |= p[i + k];
                tab |= uint8_t(p[i + k] == '\t');
            }
            if ((any & 0x80) || tab)
                break;
            i += 16;
        }
        while (i < n && p[i] < 0x80 && p[i] != '\t')
            ++i;
        return i;
    }

    bool IsBlankCell(const TCell& c) { return c.Type == TCell::Blank && (c.Code == ' ' || c.Code == '\t'); }

} // namespace

// Decodes the clusters of one line forward from a cluster start, reading the line in chunks. It learns where
// the line ends when a read comes up short.
class THvTextLayout::Cursor {
public:
    Cursor(THvTextLayout& layout, LineInfo& info, const Checkpoint& from)
        : m_layout(layout)
        , m_info(info)
        , Index(from.Index)
        , Column(from.Column)
        , State(from.State)
    {
    }

    bool AtEnd()
    {
        if (m_info.Size < 0)
            Ensure(1);
        return m_info.Size >= 0 && Index >= m_info.Size;
    }

    // Decodes the cluster at the position (not at the end) and moves past it.
    void Next(TCell& cell, bool wantText)
    {
        Ensure(kSlack);
        const TTextEncoding enc = m_layout.m_encoding;
        // The file's byte-order mark goes with the first character, so that the caret starts on that
        // character; alone on its line it is a cluster of its own.
        const qint64 mark
            = Index == 0 && m_info.Line == 0 ? ByteOrderMarkSize(enc, Here(), size_t(std::max<qint64>(Avail(), 0))) : 0;
        const qint64 joined = mark > 0 && Avail() > mark ? mark : 0;
        Index += joined;
        const TDecodedChar d = DecodeChar(enc, Here(), size_t(std::max<qint64>(Avail(), 1)), State);
        cell.Index = Index;
        cell.Column = Column;
        cell.Code = d.Code;
        cell.Length = d.Length;
        cell.Width = 1;
        cell.Text.clear();
        if (!d.Valid) {
            cell.Type = InvalidCellKind(enc);
        } else if (d.Shift) {
            cell.Type = TCell::Blank; // an escape sequence that switches the character set shows nothing
            cell.Width = 0;
        } else if (d.Code == '\t') {
            if (m_layout.m_expandTabs) {
                cell.Type = TCell::Blank;
                cell.Width = int((Column / m_layout.m_tabSize + 1) * m_layout.m_tabSize - Column);
            } else {
                cell.Type = TCell::Placeholder;
            }
        } else if (d.Code == 0 || d.Code == ' ') {
            cell.Type = TCell::Blank;
            cell.Code = ' ';
        } else if (!IsDrawable(d.Code)) {
            cell.Type = TCell::Placeholder;
        } else {
            cell.Type = TCell::Glyph;
            const int cells = CharCells(d.Code);
            if (cells == 0) {
                const QChar::Category cat = QChar::category(d.Code);
                if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_Enclosing) {
                    // A mark with nothing to join shows on a blank cell of its own.
                    if (wantText)
                        cell.Text = QStringLiteral(" ");
                } else {
                    cell.Type = TCell::Blank; // an invisible format character
                    cell.Width = 0;
                }
            } else {
                cell.Width = cells;
            }
            if (wantText && cell.Type == TCell::Glyph)
                cell.Text += CharText(d.Code);
        }
        Index += d.Length;
        // Marks that follow join the cluster.
        if (cell.Type == TCell::Glyph) {
            while (!AtEnd()) {
                Ensure(kSlack);
                TDecodeState after = State;
                const TDecodedChar m = DecodeChar(enc, Here(), size_t(Avail()), after);
                if (!m.Valid || m.Shift || m.Code < 0x300 || CharCells(m.Code) != 0)
                    break;
                if (wantText)
                    cell.Text += CharText(m.Code);
                cell.Length += m.Length;
                Index += m.Length;
            }
        }
        cell.Index -= joined;
        cell.Length += int(joined);
        Column += cell.Width;
    }

    // Moves over a run of one-byte, one-cell clusters, at most up to maxIndex and without passing maxColumn
    // columns; returns how many bytes it moved. Stops before a byte that a following mark could join.
    qint64 SkipSimple(qint64 maxIndex, qint64 maxColumn)
    {
        const TTextEncoding enc = m_layout.m_encoding;
        if (UnitSize(enc) != 1 || State != 0)
            return 0;
        Ensure(kSlack);
        qint64 limit = std::min({ maxIndex - Index, maxColumn - Column, Avail() });
        if (limit <= 0)
            return 0;
        const uint8_t* p = Here();
        if (IsStateful(enc)) {
            // Up to the next escape sequence, which may switch to a set of two-byte characters.
            if (const void* esc = std::memchr(p, 0x1B, size_t(limit)))
                limit = static_cast<const uint8_t*>(esc) - p;
        }
        qint64 run = 0;
        if (IsEightBit(enc) || (IsSingleByte(enc) && SingleByteUniform(enc))) {
            const void* tab = m_layout.m_expandTabs ? std::memchr(p, '\t', size_t(limit)) : nullptr;
            run = tab ? static_cast<const uint8_t*>(tab) - p : limit;
        } else {
            run = qint64(SimpleAsciiRun(p, size_t(limit)));
            const bool more = run < Avail() ? p[run] >= 0x80 : (m_info.Size < 0 || Index + run < m_info.Size);
            if (run > 0 && more)
                --run; // the last byte may be the base of a mark
        }
        Index += run;
        Column += run;
        return run;
    }

private:
    const uint8_t* Here() const { return m_buf.data() + (Index - m_bufStart); }
    qint64 Avail() const { return m_bufStart + m_bufLen - Index; }

    void Ensure(qint64 need)
    {
        const qint64 known = m_info.Size;
        const qint64 bufEnd = m_bufStart + m_bufLen;
        if (Index >= m_bufStart && (Index + need <= bufEnd || (known >= 0 && bufEnd >= known)))
            return;
        if (known >= 0 && Index >= known)
            return;
        // Reads start small, so that a short line costs one small read, and grow for long ones.
        qint64 want = std::max(m_chunk, need) + kSlack;
        m_chunk = std::min(m_chunk * 4, kChunk);
        if (known >= 0)
            want = std::min(want, known - Index);
        m_buf.resize(size_t(want));
        m_bufStart = Index;
        m_bufLen = std::max<qint64>(m_layout.m_source->SourceRead(m_info.Line, Index, m_buf.data(), want), 0);
        if (m_bufLen < want)
            m_info.Size = Index + m_bufLen; // the line ends here (or the file shrank while shown)
    }

    THvTextLayout& m_layout;
    LineInfo& m_info;
    std::vector<uint8_t> m_buf;
    qint64 m_bufStart = 0;
    qint64 m_bufLen = 0;
    qint64 m_chunk = 512;

public:
    qint64 Index;
    qint64 Column;
    TDecodeState State;
};

THvTextLayout::THvTextLayout(THvTextSource* source)
    : m_source(source)
{
}

void THvTextLayout::SetEncoding(TTextEncoding encoding)
{
    if (encoding == TTextEncoding::Auto)
        encoding = TTextEncoding::Utf8;
    if (encoding == m_encoding)
        return;
    m_encoding = encoding;
    Reset();
}

void THvTextLayout::SetTabs(bool expand, int size)
{
    size = std::max(size, 1);
    if (expand == m_expandTabs && size == m_tabSize)
        return;
    m_expandTabs = expand;
    m_tabSize = size;
    Reset();
}

void THvTextLayout::Reset()
{
    m_lines.clear();
    m_widest = 0;
}

const THvTextLayout::LineInfo* THvTextLayout::FindInfo(LineNumber line) const
{
    for (const LineInfo& i : m_lines) {
        if (i.Line == line)
            return &i;
    }
    return nullptr;
}

THvTextLayout::LineInfo& THvTextLayout::Info(LineNumber line)
{
    for (LineInfo& i : m_lines) {
        if (i.Line == line) {
            i.Stamp = ++m_clock;
            return i;
        }
    }
    if (m_lines.size() >= kLinesKept) {
        auto oldest = std::min_element(
            m_lines.begin(), m_lines.end(), [](const LineInfo& a, const LineInfo& b) { return a.Stamp < b.Stamp; });
        m_lines.erase(oldest);
    }
    LineInfo info;
    info.Line = line;
    if (line < 0) {
        info.Size = 0;
        info.Complete = true;
    }
    info.Points.push_back({ 0, 0, 0 });
    info.Stamp = ++m_clock;
    m_lines.push_back(std::move(info));
    return m_lines.back();
}

void THvTextLayout::AddPoint(LineInfo& info, const Checkpoint& point)
{
    info.Points.push_back(point);
    if (info.Points.size() <= kMaxPoints)
        return;
    size_t kept = 0;
    for (size_t i = 0; i < info.Points.size(); i += 2)
        info.Points[kept++] = info.Points[i];
    info.Points.resize(kept);
    info.Interval *= 2;
}

void THvTextLayout::NoteWidth(qint64 columns) { m_widest = std::max(m_widest, columns); }

void THvTextLayout::ScanTo(LineInfo& info, qint64 index, qint64 column)
{
    if (info.Complete || (info.ScanIndex >= index && info.ScanColumn > column))
        return;
    Cursor c(*this, info, { info.ScanIndex, info.ScanColumn, info.ScanState });
    TCell cell;
    qint64 polled = c.Index;
    bool stopped = false;
    while ((c.Index < index || c.Column <= column) && !c.AtEnd()) {
        const qint64 next = info.Points.back().Index + info.Interval;
        if (c.Index >= next)
            AddPoint(info, { c.Index, c.Column, c.State });
        if (c.SkipSimple(std::max(next, c.Index + 1), std::numeric_limits<qint64>::max()) == 0)
            c.Next(cell, false);
        if (c.Index - polled >= kPollBytes) {
            polled = c.Index;
            if (m_source->SourceShouldStop(kPollBytes)) {
                stopped = true;
                break;
            }
        }
    }
    info.ScanIndex = c.Index;
    info.ScanColumn = c.Column;
    info.ScanState = c.State;
    if (!stopped && c.AtEnd())
        info.Complete = true;
    // Estimates the counted part has passed give way to the counted columns.
    while (!info.EstPoints.empty() && info.EstPoints.front().Index <= info.ScanIndex)
        info.EstPoints.erase(info.EstPoints.begin());
    NoteWidth(info.ScanColumn);
}

const THvTextLayout::Checkpoint& THvTextLayout::PointAtOrBeforeIndex(const LineInfo& info, qint64 index) const
{
    auto it = std::upper_bound(
        info.Points.begin(), info.Points.end(), index, [](qint64 v, const Checkpoint& p) { return v < p.Index; });
    return *(it == info.Points.begin() ? it : it - 1);
}

const THvTextLayout::Checkpoint& THvTextLayout::PointAtOrBeforeColumn(const LineInfo& info, qint64 column) const
{
    auto it = std::upper_bound(
        info.Points.begin(), info.Points.end(), column, [](qint64 v, const Checkpoint& p) { return v < p.Column; });
    return *(it == info.Points.begin() ? it : it - 1);
}

void THvTextLayout::LearnSize(LineInfo& info)
{
    if (info.Size < 0)
        info.Size = m_source->SourceKnownSize(info.Line);
}

qint64 THvTextLayout::EstimatedColumn(LineInfo& info, qint64 index)
{
    if (info.EstIndex < 0) {
        info.EstIndex = info.ScanIndex;
        info.EstColumn = info.ScanColumn;
    }
    return info.EstColumn + (index - info.EstIndex) / UnitSize(m_encoding);
}

qint64 THvTextLayout::TotalColumns(LineInfo& info)
{
    LearnSize(info);
    if (info.Complete || info.Size < 0)
        return info.ScanColumn;
    if (info.Size - info.ScanIndex <= kExactBytes) {
        ScanTo(info, info.Size, -1);
        return info.ScanColumn;
    }
    return EstimatedColumn(info, info.Size);
}

qint64 THvTextLayout::CharStartNear(LineInfo& info, qint64 target)
{
    const int unit = UnitSize(m_encoding);
    // A multi-byte character is told from the bytes before it back to one that only ends a character.
    const qint64 back = std::min<qint64>(target - info.ScanIndex, HasTrailBytes(m_encoding) ? 60 : 4);
    uint8_t bytes[72] = {};
    const qint64 got = m_source->SourceRead(info.Line, target - back, bytes, back + std::max(unit, 4));
    if (got <= back)
        return target;
    const uint8_t* here = bytes + back;
    if (HasTrailBytes(m_encoding)) {
        // The start of the character that covers the place, when the bytes before it settle where that is.
        for (qint64 k = 0; k <= std::min<qint64>(back, 3); ++k) {
            if (CharStartAt(m_encoding, bytes, here - k, bytes + got, back == target - info.ScanIndex)
                == TCharStart::Yes) {
                TDecodeState state = 0;
                if (DecodeChar(m_encoding, here - k, size_t(got - (back - k)), state).Length > k || k == 0)
                    return target - k;
            }
        }
        return target;
    }
    if (m_encoding == TTextEncoding::Utf8 && (here[0] & 0xC0) == 0x80) {
        // Step back to a lead byte whose sequence covers the place; stray continuation bytes are their own.
        for (qint64 k = 1; k <= back && k <= 3; ++k) {
            const uint8_t b = here[-k];
            if ((b & 0xC0) == 0x80)
                continue;
            const int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 1;
            if (len > k)
                return target - k;
            break;
        }
    } else if (unit == 2 && back >= 2) {
        const bool big = m_encoding == TTextEncoding::Utf16BE;
        auto unitAt = [big](const uint8_t* q) { return char16_t(big ? (q[0] << 8) | q[1] : (q[1] << 8) | q[0]); };
        const char16_t u = unitAt(here);
        const char16_t prev = unitAt(here - 2);
        if (u >= 0xDC00 && u <= 0xDFFF && prev >= 0xD800 && prev <= 0xDBFF)
            return target - 2; // the place is the low half of a pair
    }
    return target;
}

THvTextLayout::Checkpoint THvTextLayout::StartFor(LineInfo& info, qint64 index, qint64 column)
{
    LearnSize(info);
    const int unit = UnitSize(m_encoding);
    // Within reach of the counted part (or anywhere in a line whose end is not known): count exactly.
    const bool byColumn = index < 0;
    const qint64 reach = info.ScanIndex + kExactBytes;
    const bool near = byColumn ? column <= info.ScanColumn + kExactBytes / unit : index <= reach;
    if (info.Complete || near || info.Size < 0 || info.Size <= reach) {
        ScanTo(info, byColumn ? 0 : index, byColumn ? column : -1);
        return byColumn ? PointAtOrBeforeColumn(info, column) : PointAtOrBeforeIndex(info, index);
    }
    if (info.EstIndex < 0)
        EstimatedColumn(info, info.ScanIndex);
    // The estimated place, on a unit boundary no further than the line's end.
    qint64 target = byColumn ? info.EstIndex + (column - info.EstColumn) * unit : index;
    target = std::clamp<qint64>(target, info.ScanIndex, info.Size);
    target -= target % unit;
    auto it = std::upper_bound(info.EstPoints.begin(), info.EstPoints.end(), target,
        [](qint64 v, const Checkpoint& p) { return v < p.Index; });
    if (it != info.EstPoints.begin() && target - (it - 1)->Index <= kChunk)
        return *(it - 1);
    // A new estimated checkpoint at the start of the character that holds the place.
    const qint64 at = CharStartNear(info, target);
    const Checkpoint pt { at, EstimatedColumn(info, at), 0 };
    it = std::upper_bound(
        info.EstPoints.begin(), info.EstPoints.end(), at, [](qint64 v, const Checkpoint& p) { return v < p.Index; });
    info.EstPoints.insert(it, pt);
    if (info.EstPoints.size() > kMaxPoints)
        info.EstPoints.erase(info.EstPoints.begin());
    return pt;
}

THvTextLayout::LineInfo& THvTextLayout::WholeLine(LineNumber line)
{
    LineInfo& info = Info(line);
    LearnSize(info);
    if (info.Size < 0)
        ScanTo(info, std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max());
    return info;
}

qint64 THvTextLayout::LineSize(LineNumber line)
{
    const LineInfo& info = WholeLine(line);
    return std::max<qint64>(info.Size, info.ScanIndex);
}

std::vector<TCell> THvTextLayout::Cells(LineNumber line, qint64 fromColumn, qint64 toColumn)
{
    std::vector<TCell> out;
    if (toColumn <= fromColumn)
        return out;
    LineInfo& info = Info(line);
    const Checkpoint pt = StartFor(info, -1, fromColumn);
    Cursor c(*this, info, pt);
    TCell cell;
    while (c.Column < toColumn && !c.AtEnd()) {
        if (c.Column < fromColumn && c.SkipSimple(std::numeric_limits<qint64>::max(), fromColumn) > 0)
            continue;
        c.Next(cell, true);
        if (cell.Column + cell.Width > fromColumn || (cell.Width == 0 && cell.Column >= fromColumn))
            out.push_back(cell);
    }
    // A line that is shown counts to the horizontal extent with its whole width: counted when that costs
    // little, else estimated from its size when that is known.
    ScanTo(info, kWrapOnBlanksBytes, -1);
    LearnSize(info);
    const qint64 width = info.Complete || info.Size < 0 ? info.ScanColumn : EstimatedColumn(info, info.Size);
    NoteWidth(std::max(width, c.Column));
    return out;
}

std::vector<TCell> THvTextLayout::CellsOfRange(LineNumber line, qint64 fromIndex, qint64 toIndex)
{
    std::vector<TCell> out;
    if (fromIndex >= toIndex)
        return out;
    LineInfo& info = Info(line);
    const Checkpoint pt = StartFor(info, fromIndex, -1);
    Cursor c(*this, info, pt);
    TCell cell;
    while (c.Index < toIndex && !c.AtEnd()) {
        if (c.Index < fromIndex && c.SkipSimple(fromIndex, std::numeric_limits<qint64>::max()) > 0)
            continue;
        c.Next(cell, true);
        if (cell.Index >= fromIndex)
            out.push_back(cell);
    }
    NoteWidth(std::max(info.ScanColumn, c.Column));
    return out;
}

TCell THvTextLayout::CellAt(LineNumber line, qint64 index)
{
    LineInfo& info = Info(line);
    index = std::max<qint64>(index, 0);
    LearnSize(info);
    TCell cell;
    if (info.Size >= 0 && index >= info.Size) {
        cell.Index = index;
        cell.Length = 0;
        cell.Width = 0;
        cell.Type = TCell::Blank;
        cell.Column = TotalColumns(info) + (index - info.Size);
        return cell;
    }
    const Checkpoint pt = StartFor(info, index, -1);
    if (info.Size >= 0 && index >= info.Size)
        return CellAt(line, index);
    Cursor c(*this, info, pt);
    while (!c.AtEnd()) {
        if (c.SkipSimple(index, std::numeric_limits<qint64>::max()) > 0)
            continue;
        c.Next(cell, true);
        if (c.Index > index)
            return cell;
    }
    cell = TCell();
    cell.Index = index;
    cell.Length = 0;
    cell.Width = 0;
    cell.Column = c.Column + (index - c.Index);
    return cell;
}

qint64 THvTextLayout::ColumnOf(LineNumber line, qint64 index)
{
    if (index <= 0)
        return 0;
    return CellAt(line, index).Column;
}

qint64 THvTextLayout::ClusterAtColumn(LineNumber line, qint64 column)
{
    if (column <= 0)
        return 0;
    LineInfo& info = Info(line);
    const Checkpoint pt = StartFor(info, -1, column);
    Cursor c(*this, info, pt);
    TCell cell;
    while (!c.AtEnd()) {
        if (c.SkipSimple(std::numeric_limits<qint64>::max(), column) > 0)
            continue;
        c.Next(cell, false);
        if (cell.Column + cell.Width > column)
            return cell.Index;
    }
    return c.Index;
}

qint64 THvTextLayout::IndexAtColumn(LineNumber line, qint64 column)
{
    if (column <= 0)
        return 0;
    LineInfo& info = Info(line);
    const Checkpoint pt = StartFor(info, -1, column);
    Cursor c(*this, info, pt);
    TCell cell;
    while (!c.AtEnd()) {
        if (c.SkipSimple(std::numeric_limits<qint64>::max(), column) > 0) {
            if (c.Column == column)
                return c.Index;
            continue;
        }
        c.Next(cell, false);
        const qint64 end = cell.Column + cell.Width;
        if (end == column)
            return c.Index;
        if (end > column)
            return cell.Index;
    }
    return c.Index;
}

qint64 THvTextLayout::ClusterStart(LineNumber line, qint64 index)
{
    if (index <= 0)
        return 0;
    const TCell cell = CellAt(line, index);
    return cell.Length == 0 ? index : cell.Index;
}

qint64 THvTextLayout::NextIndex(LineNumber line, qint64 index)
{
    const TCell cell = CellAt(line, index);
    return cell.Length == 0 ? LineSize(line) : cell.Index + cell.Length;
}

qint64 THvTextLayout::PrevIndex(LineNumber line, qint64 index)
{
    if (index <= 0)
        return 0;
    const TCell cell = CellAt(line, index - 1);
    return cell.Length == 0 ? LineSize(line) : cell.Index;
}

qint64 THvTextLayout::WordLeft(LineNumber line, qint64 index)
{
    qint64 i = std::max<qint64>(index, 0);
    if (i > 0 && CellAt(line, i - 1).Length == 0)
        i = LineSize(line);
    if (i == 0)
        return -1;
    for (const bool blank : { true, false }) {
        while (i > 0) {
            const TCell prev = CellAt(line, i - 1);
            if (IsBlankCell(prev) != blank)
                break;
            i = prev.Index;
        }
    }
    return i;
}

qint64 THvTextLayout::WordRight(LineNumber line, qint64 index)
{
    qint64 i = std::max<qint64>(index, 0);
    TCell cell = CellAt(line, i);
    if (cell.Length == 0)
        return -1;
    i = cell.Index;
    for (const bool blank : { false, true }) {
        for (;;) {
            cell = CellAt(line, i);
            if (cell.Length == 0 || IsBlankCell(cell) != blank)
                break;
            i = cell.Index + cell.Length;
        }
    }
    return i;
}

std::pair<qint64, qint64> THvTextLayout::WordRange(LineNumber line, qint64 index)
{
    TCell here = CellAt(line, std::max<qint64>(index, 0));
    if (here.Length == 0) {
        const qint64 size = LineSize(line);
        if (size <= 0)
            return { 0, 0 };
        here = CellAt(line, size - 1);
    }
    // Left over blanks, then over the word: the word starts there.
    qint64 start = here.Index + here.Length;
    for (const bool blank : { true, false }) {
        while (start > 0) {
            const TCell prev = CellAt(line, start - 1);
            if (IsBlankCell(prev) != blank)
                break;
            start = prev.Index;
        }
    }
    qint64 end = start;
    for (const bool blank : { false, true }) {
        for (;;) {
            const TCell cell = CellAt(line, end);
            if (cell.Length == 0 || IsBlankCell(cell) != blank)
                break;
            end = cell.Index + cell.Length;
        }
    }
    return { start, end };
}

QString THvTextLayout::Text(LineNumber line, qint64 from, qint64 to)
{
    QString out;
    from = std::max<qint64>(from, 0);
    std::vector<uint8_t> buf;
    qint64 pos = from;
    TDecodeState state = 0;
    if (IsStateful(m_encoding) && from > 0) {
        // The character set in use at from: the escape sequences before it in the line choose it.
        LineInfo& info = Info(line);
        Cursor c(*this, info, StartFor(info, from, -1));
        TCell cell;
        while (c.Index < from && !c.AtEnd())
            c.Next(cell, false);
        state = c.State;
    }
    while (pos < to) {
        const qint64 want = std::min(kChunk, to - pos);
        buf.resize(size_t(want + kSlack));
        const qint64 got = std::max<qint64>(m_source->SourceRead(line, pos, buf.data(), want + kSlack), 0);
        const qint64 usable = std::min(got, want);
        qint64 i = 0;
        // The file's byte-order mark is no text.
        if (line == 0 && pos == 0)
            i = ByteOrderMarkSize(m_encoding, buf.data(), size_t(got));
        while (i < usable) {
            const TDecodedChar d = DecodeChar(m_encoding, buf.data() + i, size_t(got - i), state);
            i += d.Length;
            if (d.Shift)
                continue; // an escape sequence is no text
            if (!d.Valid)
                out += QChar(QChar::ReplacementCharacter);
            else if (d.Code == 0)
                out += QLatin1Char(' ');
            else
                out += CharText(d.Code);
        }
        pos += i;
        if (got < want || i == 0)
            break;
    }
    return out;
}

qint64 THvTextLayout::LineColumns(LineNumber line)
{
    LineInfo& info = WholeLine(line);
    return TotalColumns(info);
}

qint64 THvTextLayout::KnownColumns(LineNumber line) const
{
    const LineInfo* info = FindInfo(line);
    return info ? info->ScanColumn : 0;
}

qint64 THvTextLayout::KnownSize(LineNumber line) const
{
    const LineInfo* info = FindInfo(line);
    return info ? info->Size : -1;
}

int THvTextLayout::CheckpointCount(LineNumber line) const
{
    const LineInfo* info = FindInfo(line);
    return info ? int(info->Points.size()) : 0;
}

bool THvTextLayout::IsShort(LineInfo& info)
{
    ScanTo(info, kWrapOnBlanksBytes + 1, -1);
    return info.Complete && info.Size <= kWrapOnBlanksBytes;
}

const std::vector<qint64>& THvTextLayout::ShortWrap(LineInfo& info, int width)
{
    if (info.WrapWidth == width && !info.WrapStarts.empty())
        return info.WrapStarts;
    info.WrapWidth = width;
    info.WrapStarts.assign(1, 0);
    std::vector<TCell> cells = CellsOfRange(info.Line, 0, info.Size);
    if (cells.empty())
        return info.WrapStarts;
    qint64 rowColumn = 0; // column where the current row starts
    size_t rowFirst = 0; // its first cluster
    size_t breakAfter = 0; // first cluster after the last blank in the row; 0 when there is none
    for (size_t k = 0; k < cells.size(); ++k) {
        const TCell& c = cells[k];
        while (k > rowFirst && c.Column + c.Width - rowColumn > width) {
            const size_t first = breakAfter > rowFirst && breakAfter <= k ? breakAfter : k;
            info.WrapStarts.push_back(cells[first].Index);
            rowFirst = first;
            rowColumn = cells[first].Column;
            breakAfter = 0;
        }
        if (IsBlankCell(c))
            breakAfter = k + 1;
    }
    return info.WrapStarts;
}

qint64 THvTextLayout::RowStart(LineNumber line, int width, qint64 row)
{
    width = std::max(width, 1);
    if (row <= 0)
        return 0;
    LineInfo& info = Info(line);
    if (IsShort(info)) {
        const std::vector<qint64>& starts = ShortWrap(info, width);
        return row < qint64(starts.size()) ? starts[size_t(row)] : -1;
    }
    const qint64 start = ClusterAtColumn(line, row * width);
    return CellAt(line, start).Length > 0 ? start : -1;
}

qint64 THvTextLayout::RowOf(LineNumber line, int width, qint64 index)
{
    width = std::max(width, 1);
    LineInfo& info = Info(line);
    if (IsShort(info)) {
        const std::vector<qint64>& starts = ShortWrap(info, width);
        return qint64(std::upper_bound(starts.begin(), starts.end(), index) - starts.begin()) - 1;
    }
    qint64 row = ColumnOf(line, index) / width;
    while (row > 0 && RowStart(line, width, row) < 0)
        --row;
    const qint64 next = RowStart(line, width, row + 1);
    if (next >= 0 && next <= index)
        ++row;
    return row;
}

qint64 THvTextLayout::RowCount(LineNumber line, int width)
{
    width = std::max(width, 1);
    LineInfo& info = Info(line);
    if (IsShort(info))
        return qint64(ShortWrap(info, width).size());
    if (!info.Complete)
        return -1;
    const qint64 size = info.Size;
    return RowOf(line, width, size) + 1;
}

} // namespace hy::viewer
