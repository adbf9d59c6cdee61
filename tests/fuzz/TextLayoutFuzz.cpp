// libFuzzer target: any bytes laid out as one line in any encoding (the first byte chooses it, Auto
// included) never crash, and every byte is accounted for: the clusters follow each other without a gap or an
// overlap from the line's start to its end, columns grow with them, and walking cluster by cluster forwards
// and backwards, or by column, meets the same starts.
#include "core/viewer/HvTextLayout.h"

#include "FuzzSupport.h"

#include <QCoreApplication>
#include <cstring>

using namespace hy::viewer;

namespace {
class TBytesSource : public THvTextSource {
public:
    explicit TBytesSource(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
    }
    qint64 SourceRead(LineNumber line, qint64 from, uint8_t* buf, qint64 n) override
    {
        if (line != 0 || from >= m_bytes.size())
            return 0;
        const qint64 count = qMin(n, m_bytes.size() - from);
        std::memcpy(buf, m_bytes.constData() + from, size_t(count));
        return count;
    }

private:
    QByteArray m_bytes;
};

constexpr qsizetype kMaxLine = 16 << 10;
} // namespace

HY_FUZZ_APPLICATION(QCoreApplication)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hy::fuzz::TInput input(data, size);
    const uint8_t choice = input.Byte();
    const QByteArray line = input.Rest().left(kMaxLine);
    TTextEncoding encoding = TTextEncoding(choice % kEncodingCount);
    if (encoding == TTextEncoding::Auto)
        encoding = DetectEncoding(reinterpret_cast<const uint8_t*>(line.constData()), size_t(line.size()));
    HY_FUZZ_CHECK(encoding != TTextEncoding::Auto);

    TBytesSource source(line);
    THvTextLayout layout(&source);
    layout.SetEncoding(encoding);
    layout.SetTabs((choice & 0x80) != 0, 1 + (choice >> 4 & 7));
    const qint64 n = line.size();
    HY_FUZZ_CHECK(layout.LineSize(0) == n);

    // Every byte belongs to exactly one cluster, in order.
    const std::vector<TCell> cells = layout.CellsOfRange(0, 0, n);
    qint64 index = 0;
    qint64 column = 0;
    for (const TCell& c : cells) {
        HY_FUZZ_CHECK(c.Index == index && c.Length > 0);
        HY_FUZZ_CHECK(c.Column >= column && c.Width >= 0);
        HY_FUZZ_CHECK(c.Type != TCell::Glyph || !c.Text.isEmpty());
        index += c.Length;
        column = c.Column + c.Width;
    }
    HY_FUZZ_CHECK(index == n);
    const qint64 columns = layout.LineColumns(0);
    HY_FUZZ_CHECK(columns == column);

    // Walking by clusters meets the same starts both ways, and each start maps to its column and back.
    size_t k = 0;
    for (qint64 at = 0; at < n; at = layout.NextIndex(0, at), ++k) {
        HY_FUZZ_CHECK(k < cells.size() && cells[k].Index == at);
        HY_FUZZ_CHECK(layout.ClusterStart(0, at) == at);
        HY_FUZZ_CHECK(layout.ColumnOf(0, at) == cells[k].Column);
        // Column 0 is the line's start, whatever zero-width marks (a direction mark, say) stand there first;
        // further on, the cluster at a column is the one that covers it.
        if (cells[k].Width > 0)
            HY_FUZZ_CHECK(layout.ClusterAtColumn(0, cells[k].Column) == (cells[k].Column == 0 ? 0 : at));
        if (k > 0)
            HY_FUZZ_CHECK(layout.PrevIndex(0, at) == cells[k - 1].Index);
    }
    HY_FUZZ_CHECK(k == cells.size());
    // The cells a window of columns shows are the ones that overlap it.
    const std::vector<TCell> shown = layout.Cells(0, columns / 3, columns / 3 + 40);
    for (const TCell& c : shown)
        HY_FUZZ_CHECK(c.Column < columns / 3 + 40 && c.Column + qMax(c.Width, 1) > columns / 3);
    // Each character of the text comes from a byte at least, and takes at most two UTF-16 units.
    HY_FUZZ_CHECK(layout.Text(0, 0, n).size() <= 2 * n);
    return 0;
}
