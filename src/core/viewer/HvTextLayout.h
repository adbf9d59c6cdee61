// Characters and cells of text lines: how the bytes of a line decode into characters in the window's
// encoding, how characters group into clusters (a character with the marks that join it), and which grid
// cells each cluster takes (wide characters two, tabs up to the next stop). Positions are byte indexes into
// the line; columns are cells from the line's start.
//
// Lines may be of any length. Only what is asked for is read, through the source; for each recently used
// line the layout keeps (index, column) checkpoints at cluster starts every few KiB, so that a place far
// into a long line is found from the nearest checkpoint, and memory stays bounded whatever the line's size.
// A place more than a few MiB beyond what was read of a line is not counted up to: its column is estimated
// as one cell per code unit beyond the counted part (exact for text of one-cell characters without tabs),
// and the cells around it are decoded from the character that starts there. Jumping to the end of a line of
// a gigabyte therefore reads nothing but what is shown.
#pragma once

#include "core/viewer/HvEncoding.h"
#include "core/viewer/HvTypes.h"

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace hy::viewer {

// Where the layout reads lines from.
class THvTextSource {
public:
    virtual ~THvTextSource() = default;
    // Copies up to n bytes of the line's text (without its line end) from index from; returns how many. Fewer
    // than n means the line ends there; a line that does not exist has no bytes.
    virtual qint64 SourceRead(LineNumber line, qint64 from, uint8_t* buf, qint64 n) = 0;
    // Long reads poll this every few MiB; true stops them (what was read so far stays known).
    virtual bool SourceShouldStop(qint64 bytes)
    {
        (void)bytes;
        return false;
    }
    // The line's size when the source knows it without reading, else -1.
    virtual qint64 SourceKnownSize(LineNumber line)
    {
        (void)line;
        return -1;
    }
};

// One cluster as the grid shows it.
struct TCell {
    enum Kind : uint8_t {
        Glyph, // Text drawn in the cell(s)
        Blank, // space, tab, or a zero byte: nothing drawn
        Placeholder, // a control character or an undefined code: the placeholder glyph
        Replacement, // a byte (UTF-16: a unit) that is no valid character: the replacement mark
    };
    qint64 Column = 0; // first cell, counted from the line's start
    int Width = 1; // cells
    qint64 Index = 0; // first byte in the line
    int Length = 1; // bytes
    Kind Type = Glyph;
    char32_t Code = 0; // the first character (for invalid bytes: the byte)
    QString Text; // the characters of the cluster (Glyph only)
};

// An undefined code of a code page shows as a placeholder, an invalid sequence as the replacement mark.
inline TCell::Kind InvalidCellKind(TTextEncoding e)
{
    return IsSingleByte(e) ? TCell::Placeholder : TCell::Replacement;
}

class THvTextLayout {
public:
    explicit THvTextLayout(THvTextSource* source);

    void SetEncoding(TTextEncoding encoding); // Auto reads as UTF-8 here; the model resolves Auto
    TTextEncoding Encoding() const { return m_encoding; }
    // Tabs expand to the next multiple of size when expand is on, else take one cell and show a placeholder.
    void SetTabs(bool expand, int size);
    // Forgets every line: call when the lines change (file reopened, encoding, presentation).
    void Reset();

    // Bytes of the line's text; reads the line to its end when that is not known yet.
    qint64 LineSize(LineNumber line);
    // The clusters that show in columns [fromColumn, toColumn).
    std::vector<TCell> Cells(LineNumber line, qint64 fromColumn, qint64 toColumn);
    // The clusters that start in byte indexes [fromIndex, toIndex).
    std::vector<TCell> CellsOfRange(LineNumber line, qint64 fromIndex, qint64 toIndex);
    // The column where the cluster holding index starts; past the end, one column per missing byte.
    qint64 ColumnOf(LineNumber line, qint64 index);
    // The index shown at a column: a cluster spanning it maps to its own index unless it ends exactly there;
    // column 0 gives 0; beyond the line's end, the line's size.
    qint64 IndexAtColumn(LineNumber line, qint64 column);
    // The start of the cluster containing column (the line's size beyond its end).
    qint64 ClusterAtColumn(LineNumber line, qint64 column);
    // The start of the cluster holding index (index itself at or past the end).
    qint64 ClusterStart(LineNumber line, qint64 index);
    qint64 NextIndex(LineNumber line, qint64 index); // the next cluster's start; the size at the end
    qint64 PrevIndex(LineNumber line, qint64 index); // the previous cluster's start; 0 at the start
    // The cluster starting at index (Length 0 at or past the end).
    TCell CellAt(LineNumber line, qint64 index);

    // Words are runs of clusters other than space and tab.
    qint64 WordLeft(LineNumber line, qint64 index); // -1 at index 0
    qint64 WordRight(LineNumber line, qint64 index); // -1 at or past the end
    std::pair<qint64, qint64> WordRange(LineNumber line, qint64 index);

    // The characters of [from, to) as text: tabs stay tabs, zero bytes read as spaces, invalid bytes as U+FFFD.
    QString Text(LineNumber line, qint64 from, qint64 to);

    // Columns of the whole line, scanning it when needed (a long line is a long read that may stop).
    qint64 LineColumns(LineNumber line);
    // Columns known without reading further: the whole line's when it was scanned, else as far as it was.
    qint64 KnownColumns(LineNumber line) const;
    // The line's size in bytes when a read has found its end, else -1.
    qint64 KnownSize(LineNumber line) const;
    // The most columns of any line seen so far (since Reset).
    qint64 WidestSeen() const { return m_widest; }

    // Wrapped rows of width cells. A line of up to kWrapOnBlanksBytes breaks after blanks where it can; a
    // longer one breaks at every width columns. Row 0 always exists.
    qint64 RowStart(LineNumber line, int width, qint64 row); // -1 when the line has no such row
    qint64 RowOf(LineNumber line, int width, qint64 index);
    // The row count when it is known without a long read, else -1.
    qint64 RowCount(LineNumber line, int width);

    static constexpr qint64 kWrapOnBlanksBytes = qint64(64) << 10;
    // How far beyond the counted part of a line a single request counts exactly.
    static constexpr qint64 kExactBytes = qint64(4) << 20;

    // Checkpoints kept for a line (tests and diagnostics).
    int CheckpointCount(LineNumber line) const;

private:
    struct Checkpoint {
        qint64 Index;
        qint64 Column;
        TDecodeState State; // ISO-2022-JP's character set there
    };
    struct LineInfo {
        LineNumber Line = -1;
        qint64 Size = -1; // -1 until a read found the line's end
        std::vector<Checkpoint> Points; // at cluster starts, ascending; Points[0] is (0, 0)
        qint64 Interval = 4096;
        qint64 ScanIndex = 0; // cluster start up to which the line was scanned
        qint64 ScanColumn = 0;
        TDecodeState ScanState = 0;
        bool Complete = false;
        quint64 Stamp = 0;
        // Wrap rows of a short line for one width.
        int WrapWidth = 0;
        std::vector<qint64> WrapStarts;
        // Estimates beyond the counted part: columns count one per code unit from (EstIndex, EstColumn).
        qint64 EstIndex = -1;
        qint64 EstColumn = 0;
        std::vector<Checkpoint> EstPoints; // character starts beyond ScanIndex, ascending
    };
    class Cursor;

    LineInfo& Info(LineNumber line);
    const LineInfo* FindInfo(LineNumber line) const;
    void ScanTo(LineInfo& info, qint64 index, qint64 column);
    const Checkpoint& PointAtOrBeforeIndex(const LineInfo& info, qint64 index) const;
    const Checkpoint& PointAtOrBeforeColumn(const LineInfo& info, qint64 column) const;
    void AddPoint(LineInfo& info, const Checkpoint& point);
    void NoteWidth(qint64 columns);
    bool IsShort(LineInfo& info);
    void LearnSize(LineInfo& info);
    // The line's info with its whole length scanned.
    LineInfo& WholeLine(LineNumber line);
    // Where a walk to a byte index (or, with index -1, to a column) starts: a checkpoint at or before it,
    // counted or estimated.
    Checkpoint StartFor(LineInfo& info, qint64 index, qint64 column);
    qint64 EstimatedColumn(LineInfo& info, qint64 index);
    // The start of the character that holds byte index target, beyond the counted part of a line.
    qint64 CharStartNear(LineInfo& info, qint64 target);
    qint64 TotalColumns(LineInfo& info);
    const std::vector<qint64>& ShortWrap(LineInfo& info, int width);

    THvTextSource* m_source;
    TTextEncoding m_encoding = TTextEncoding::Windows1252;
    bool m_expandTabs = true;
    int m_tabSize = 8;
    std::vector<LineInfo> m_lines;
    quint64 m_clock = 0;
    qint64 m_widest = 0;
};

} // namespace hy::viewer
