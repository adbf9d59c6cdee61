// The find bar's background count and filter against the viewer's own Find walked match by match over the
// same file: literal and regular-expression queries, case, whole words, UTF-8, Windows-1252, UTF-16 and the
// code pages of other countries,
// matches on the edges of pages and of the scan's blocks; the match number of each hit; filters inverted and
// combined; a scan that goes on where a growing file's last scan stopped; a million lines in the list.
#include "HvFileModelTest.h"

#include "core/viewer/HvMatchScan.h"
#include "core/viewer/HvModelIo.h"

#include <fcntl.h>
#include <set>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

struct Hit {
    LineNumber line;
    qint64 index;
    FileOffset offset;
};

// Every match of a query, found by the viewer's Find from the start, each search going on after the last hit.
std::vector<Hit> FindAll(THvFileModel& m, const TMatchQuery& q)
{
    std::vector<Hit> hits;
    LineNumber line = 0;
    qint64 index = 0;
    for (;;) {
        const std::optional<TSearchHit> h = m.FindText(q.FindText(), q.FindOptions(), line, index);
        if (!h)
            return hits;
        hits.push_back({ h->StartLine, h->StartIndex, m.LineStart(h->StartLine) + h->StartIndex });
        line = h->EndLine;
        index = h->EndIndex;
    }
}

TReadAt ReaderOf(const QString& path, std::shared_ptr<hy::platform::TFileDescriptor>& fd)
{
    fd = std::make_shared<hy::platform::TFileDescriptor>(::open(path.toLocal8Bit().constData(), O_RDONLY));
    return [fd](FileOffset offset, uint8_t* buf, size_t n) { return ReadAt(*fd, offset, buf, n); };
}

void WaitDone(const THvMatchScan& scan)
{
    while (!scan.Finished())
        std::this_thread::yield();
}

// A log whose matches fall on page edges and on the scan's 1 MiB block edges, in the encoding's bytes.
QByteArray EdgeLog(TTextEncoding enc, const QString& word)
{
    const QByteArray w = EncodeText(enc, word);
    const QByteArray filler = EncodeText(enc, QStringLiteral("lorem ipsum dolor\n"));
    const QByteArray crlf = EncodeText(enc, QStringLiteral("\r\n"));
    QByteArray out;
    for (const qint64 edge :
        { qint64(4096), qint64(8192), qint64(1) << 20, (qint64(1) << 20) + 4096, qint64(2) << 20 }) {
        while (out.size() + filler.size() < edge - w.size() - 3 * UnitSize(enc))
            out += filler;
        // A line that ends just past the edge, with the word across it, then one right at the next line.
        while (out.size() < edge - w.size() / 2)
            out += EncodeText(enc, QStringLiteral("x"));
        out += w + crlf + w + w + EncodeText(enc, QStringLiteral(" ")) + w + crlf;
    }
    out += filler + w; // the last line has no line end
    return out;
}

struct CountCase {
    const char* name;
    TTextEncoding enc;
    QString written; // the word the file holds
    TMatchQuery query;
    size_t expected; // four on each of the five edges and one at the end, where each word is a match
};

} // namespace

TEST(HvMatchScan, CountsAndNumbersWhatFindFinds)
{
    const std::vector<CountCase> cases = {
        { "literal", TTextEncoding::Utf8, QStringLiteral("Error"), { QStringLiteral("error") }, 21 },
        { "match case misses", TTextEncoding::Utf8, QStringLiteral("Error"), { QStringLiteral("error"), true }, 0 },
        { "utf8 folding", TTextEncoding::Utf8, QStringLiteral("CAFÉ"), { QStringLiteral("café") }, 21 },
        { "windows-1252", TTextEncoding::Windows1252, QStringLiteral("Größe"), { QStringLiteral("GRÖßE") }, 21 },
        { "windows-1252 folding", TTextEncoding::Windows1252, QStringLiteral("Ärger"), { QStringLiteral("ärger") },
            21 },
        { "utf16", TTextEncoding::Utf16LE, QStringLiteral("Fehler"), { QStringLiteral("FEHLER") }, 21 },
        { "utf32", TTextEncoding::Utf32BE, QStringLiteral("Fehler"), { QStringLiteral("FEHLER") }, 21 },
        { "shift_jis", TTextEncoding::ShiftJis, QStringLiteral("ソース表示"), { QStringLiteral("ソース表") }, 21 },
        { "shift_jis fullwidth folding", TTextEncoding::ShiftJis, QStringLiteral("Ｄａｔａ"),
            { QStringLiteral("ｄＡＴＡ") }, 21 },
        { "gbk", TTextEncoding::Gbk, QStringLiteral("数据库"), { QStringLiteral("数据") }, 21 },
        { "gb18030 four bytes", TTextEncoding::Gb18030, QStringLiteral("𠀀字"), { QStringLiteral("𠀀字") }, 21 },
        { "big5", TTextEncoding::Big5, QStringLiteral("資料庫"), { QStringLiteral("資料") }, 21 },
        { "euc-kr", TTextEncoding::EucKr, QStringLiteral("데이터"), { QStringLiteral("데이터") }, 21 },
        { "koi8-r folding", TTextEncoding::Koi8R, QStringLiteral("Ошибка"), { QStringLiteral("ОШИБКА") }, 21 },
        { "iso-2022-jp", TTextEncoding::Iso2022Jp, QStringLiteral("エラー"), { QStringLiteral("エラー") }, 21 },
        { "regex", TTextEncoding::Utf8, QStringLiteral("id-4711"), { QStringLiteral("id-\\d+"), false, false, true },
            21 },
        { "regex no literal", TTextEncoding::Utf8, QStringLiteral("ab"),
            { QStringLiteral("ab|zq"), false, false, true }, 21 },
        // Only the word after the blank stands alone: the others touch the filler or each other.
        { "whole word", TTextEncoding::Utf8, QStringLiteral("warn"), { QStringLiteral("warn"), false, true }, 6 },
        { "whole word inside", TTextEncoding::Utf8, QStringLiteral("warned"), { QStringLiteral("warn"), false, true },
            0 },
    };
    hy::test::TTempFolder dir;
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.Write(QString::fromLatin1(c.name), EdgeLog(c.enc, c.written));
        THvFileModel model;
        model.SetFileName(path);
        model.SetEncoding(c.enc);
        model.Open();
        const std::vector<Hit> hits = FindAll(model, c.query);
        EXPECT_EQ(hits.size(), c.expected);
        std::shared_ptr<hy::platform::TFileDescriptor> fd;
        THvMatchScan::Setup s;
        s.Read = ReaderOf(path, fd);
        s.Encoding = c.enc;
        s.Queries = { c.query };
        THvMatchScan count(s);
        WaitDone(count);
        ASSERT_TRUE(count.Complete());
        EXPECT_EQ(count.Found(), qint64(hits.size()));
        // The number of each hit, from the count's checkpoints and a look at the lines after it.
        const THvLineMatcher matcher(c.query, c.enc);
        for (size_t i = 0; i < hits.size(); ++i) {
            const THvMatchScan::Checkpoint cp = count.CheckpointAtOrBefore(hits[i].offset);
            EXPECT_EQ(cp.Before + CountMatchesBefore(s.Read, c.enc, matcher, cp.Offset, hits[i].offset), qint64(i))
                << "hit at " << hits[i].offset;
        }
        // The filter lists the lines of the hits, each once, with its start.
        s.CollectLines = true;
        THvMatchScan filter(s);
        WaitDone(filter);
        std::vector<TLinePlace> expected;
        for (const Hit& h : hits) {
            if (expected.empty() || expected.back().Line != h.line)
                expected.push_back({ h.line, model.LineStart(h.line) });
        }
        ASSERT_EQ(filter.LineCount(), qint64(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(filter.LineAt(qint64(i)), expected[i]) << i;
    }
}

TEST(HvMatchScan, FiltersInvertedAndCombined)
{
    hy::test::TTempFolder dir;
    QByteArray text;
    std::vector<std::string> lines;
    for (int i = 0; i < 30000; ++i) {
        std::string line = (i % 3 == 0          ? "ERROR "
                                   : i % 3 == 1 ? "info "
                                                : "WARN ")
            + std::to_string(i) + (i % 5 == 0 ? " disk" : "") + (i % 7 == 0 ? " net" : "");
        lines.push_back(line);
        text += QByteArray::fromStdString(line) + (i % 2 ? "\r\n" : "\n");
    }
    const QString path = dir.Write(QStringLiteral("log"), text);
    struct Case {
        const char* name;
        std::vector<TMatchQuery> queries;
        TCombine how;
        bool invert;
        std::function<bool(const std::string&)> expect;
    };
    const auto has = [](const std::string& l, const char* w) { return l.find(w) != std::string::npos; };
    const std::vector<Case> cases = {
        { "inverted", { { QStringLiteral("error") } }, TCombine::All, true,
            [&](const std::string& l) { return !has(l, "ERROR"); } },
        { "all", { { QStringLiteral("disk") }, { QStringLiteral("net") } }, TCombine::All, false,
            [&](const std::string& l) { return has(l, "disk") && has(l, "net"); } },
        { "any", { { QStringLiteral("disk") }, { QStringLiteral("^WARN"), false, false, true } }, TCombine::Any, false,
            [&](const std::string& l) { return has(l, "disk") || l.rfind("WARN", 0) == 0; } },
        { "any inverted", { { QStringLiteral("disk") }, { QStringLiteral("net") } }, TCombine::Any, true,
            [&](const std::string& l) { return !has(l, "disk") && !has(l, "net"); } },
        { "nothing can match, inverted", { { QStringLiteral("("), false, false, true } }, TCombine::All, true,
            [&](const std::string&) { return true; } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<hy::platform::TFileDescriptor> fd;
        THvMatchScan::Setup s;
        s.Read = ReaderOf(path, fd);
        s.Queries = c.queries;
        s.Combine = c.how;
        s.Invert = c.invert;
        s.CollectLines = true;
        THvMatchScan scan(s);
        WaitDone(scan);
        std::vector<LineNumber> expected;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (c.expect(lines[i]))
                expected.push_back(LineNumber(i));
        }
        ASSERT_EQ(scan.LineCount(), qint64(expected.size()));
        for (size_t i = 0; i < expected.size(); i += 97)
            EXPECT_EQ(scan.LineAt(qint64(i)).Line, expected[i]);
    }
}

TEST(HvMatchScan, GoesOnWhereAGrowingFileStopped)
{
    hy::test::TTempFolder dir;
    const QString path = dir.Write(QStringLiteral("grow"), "a hit\nnone\nhalf a hi");
    std::shared_ptr<hy::platform::TFileDescriptor> fd;
    THvMatchScan::Setup s;
    s.Read = ReaderOf(path, fd);
    s.Queries = { { QStringLiteral("hit") } };
    s.CollectLines = true;
    auto first = std::make_unique<THvMatchScan>(s);
    WaitDone(*first);
    ASSERT_TRUE(first->Complete());
    EXPECT_EQ(first->LineCount(), 1);
    EXPECT_EQ(first->Resume(), (TLinePlace { 2, 11 }));
    // The last line was written on, and more lines came.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("t\nno\nhit again\n");
    f.close();
    s.From = first->Resume();
    THvMatchScan more(s);
    WaitDone(more);
    ASSERT_EQ(more.LineCount(), 2);
    EXPECT_EQ(more.LineAt(0), (TLinePlace { 2, 11 }));
    EXPECT_EQ(more.LineAt(1), (TLinePlace { 4, 25 }));
    EXPECT_EQ(more.Resume(), (TLinePlace { 5, 35 }));
}

TEST(HvMatchScan, ListKeepsAMillionLinesInEightBytesEach)
{
    THvLineList list;
    // Lines far apart and offsets beyond 40 bits start blocks of their own.
    for (qint64 i = 0; i < 1000000; ++i)
        list.Append({ i * 3 + (i > 500000 ? qint64(1) << 30 : 0), i * 97 + (i > 700000 ? qint64(1) << 42 : 0) });
    ASSERT_EQ(list.Size(), 1000000);
    for (qint64 i = 0; i < 1000000; i += 4999) {
        const TLinePlace p = list.At(i);
        EXPECT_EQ(p.Line, i * 3 + (i > 500000 ? qint64(1) << 30 : 0));
        EXPECT_EQ(p.Offset, i * 97 + (i > 700000 ? qint64(1) << 42 : 0));
    }
    EXPECT_EQ(list.LowerBound(301), 101);
    EXPECT_EQ(list.LowerBound(qint64(1) << 30), 500001);
    EXPECT_LE(list.BytesUsed(), size_t(8.5 * 1000000));
    list.TruncateFrom(97 * 10);
    EXPECT_EQ(list.Size(), 10);
}

TEST(HvMatchScan, StopsWhenAsked)
{
    hy::test::TTempFolder dir;
    const QString path = dir.Write(QStringLiteral("big"), QByteArray(8 << 20, 'a'));
    std::shared_ptr<hy::platform::TFileDescriptor> fd;
    THvMatchScan::Setup s;
    s.Read = ReaderOf(path, fd);
    s.Queries = { { QStringLiteral("a") } };
    THvMatchScan scan(s);
    scan.Stop();
    WaitDone(scan);
    if (scan.BytesDone() < (8 << 20)) {
        EXPECT_FALSE(scan.Complete());
    }
    const TMatchQuery bad { QStringLiteral("(unclosed"), false, false, true };
    EXPECT_FALSE(THvLineMatcher(bad, TTextEncoding::Utf8).Valid());
}
