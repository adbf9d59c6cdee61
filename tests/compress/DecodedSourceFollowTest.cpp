// The decoded source over time: a file that grows or is replaced, stopping and resuming, the news hook,
// lines found from the marks, thinning checkpoints, and the search that reads behind the decoding thread.
#include "core/compress/DecodedSource.h"
#include "core/compress/SourceSearch.h"
#include "support/CompressFixtures.h"
#include "support/Tools.h"

#include <QFile>
#include <QRandomGenerator>
#include <atomic>
#include <gtest/gtest.h>

using namespace hy::compress;
using namespace hy::test;

namespace {

constexpr int kWaitMs = 120000;

QByteArray Gzip(const QByteArray& data, const QStringList& args = { "-c" })
{
    return RunTool("gzip", args, data).Output;
}

bool Append(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

QByteArray ReadAt(TDecodedSource& source, qint64 offset, qint64 n)
{
    QByteArray buffer(n, Qt::Uninitialized);
    const qint64 got = source.Read(offset, buffer.data(), n);
    return got < 0 ? QByteArray() : buffer.left(got);
}

} // namespace

// A gzip file still being written ends early; when it grows, decoding goes on where it stood (also into
// a member appended after a complete one), and nothing known is lost.
TEST(DecodedSourceFollow, GrowingGzipGoesOnWhereItStood)
{
    if (!HaveTool("gzip"))
        GTEST_SKIP() << "gzip is not installed";
    TTempFolder folder;
    const QByteArray first = MakeLogText(3 << 20, 61);
    const QByteArray second = MakeLogText(1 << 20, 62);
    const QByteArray member = Gzip(first);
    const QString path = folder.Write("growing.gz", member.left(member.size() / 2));

    TDecodedSource source(path);
    ASSERT_TRUE(source.Open());
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    EXPECT_EQ(source.Problem().Kind, TSourceProblem::Truncated);
    const qint64 before = source.KnownSize();
    ASSERT_GT(before, 0);
    EXPECT_EQ(source.CheckFile(), TSourceChange::None);

    ASSERT_TRUE(Append(path, member.mid(member.size() / 2)));
    EXPECT_EQ(source.CheckFile(), TSourceChange::Grew);
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    EXPECT_TRUE(source.Complete());
    EXPECT_EQ(source.Problem().Kind, TSourceProblem::None);
    EXPECT_EQ(source.KnownSize(), first.size());
    EXPECT_TRUE(ReadAt(source, 0, first.size()) == first);

    // Another member appended after a complete one, as gzip >> does.
    ASSERT_TRUE(Append(path, Gzip(second)));
    EXPECT_EQ(source.CheckFile(), TSourceChange::Grew);
    ASSERT_TRUE(source.WaitForSize(first.size() + second.size(), kWaitMs));
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    EXPECT_TRUE(source.Complete());
    EXPECT_EQ(source.LineEnds(), PlainLineEnds(first + second));
    EXPECT_TRUE(ReadAt(source, first.size() - 100, 200) == (first + second).mid(first.size() - 100, 200));
}

// A file replaced under its name (rotated), or cut and rewritten, starts over from nothing.
TEST(DecodedSourceFollow, ReplacedOrShrunkFilesStartOver)
{
    if (!HaveTool("gzip") || !HaveTool("xz"))
        GTEST_SKIP() << "gzip or xz is not installed";
    TTempFolder folder;
    const QByteArray oldText = MakeLogText(1 << 20, 71);
    const QByteArray newText = MakeLogText(300000, 72);
    const QString path = folder.Write("app.log.gz", Gzip(oldText));
    TDecodedSource source(path);
    ASSERT_TRUE(source.Open());
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    ASSERT_EQ(source.KnownSize(), oldText.size());

    // Replaced by a file of another kind under the same name.
    const QString other = folder.Write("next.xz", RunTool("xz", { "-c" }, newText).Output);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(other, path));
    EXPECT_EQ(source.CheckFile(), TSourceChange::Restarted);
    EXPECT_EQ(source.Kind(), TCompressKind::Xz);
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    EXPECT_EQ(source.KnownSize(), newText.size());
    EXPECT_TRUE(ReadAt(source, 0, newText.size()) == newText);

    // Shrunk in place: rewritten with less.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(Gzip(oldText.left(1000)));
    }
    EXPECT_EQ(source.CheckFile(), TSourceChange::Restarted);
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    EXPECT_EQ(source.Kind(), TCompressKind::Gzip);
    EXPECT_TRUE(ReadAt(source, 0, 5000) == oldText.left(1000));

    // Replaced by something that is not compressed: nothing to show, and it says why.
    const QString plain = folder.Write("plain", "text\n");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(plain, path));
    EXPECT_EQ(source.CheckFile(), TSourceChange::Restarted);
    EXPECT_EQ(source.Problem().Kind, TSourceProblem::NotCompressed);
    EXPECT_EQ(source.KnownSize(), 0);
}

// Stop pauses the thread (reads of what is known go on), Resume finishes; the hook hears of the news.
TEST(DecodedSourceFollow, StopResumeAndTheHook)
{
    if (!HaveTool("gzip"))
        GTEST_SKIP() << "gzip is not installed";
    TTempFolder folder;
    // Large enough that the thread is still at work when it is stopped.
    QByteArray text;
    const QByteArray block = MakeLogText(1 << 20, 81);
    for (int i = 0; i < 96; ++i)
        text += block;
    const QString path = folder.Write("big.gz", Gzip(text, { "-c", "-1" }));
    std::atomic<int> calls { 0 };
    TDecodedSource source(path);
    source.SetChangeHook([&calls]() { ++calls; });
    ASSERT_TRUE(source.Open());
    ASSERT_TRUE(source.WaitForSize(1 << 20, kWaitMs));
    source.Stop();
    if (source.Complete())
        GTEST_SKIP() << "the file was decoded before it could be stopped";
    EXPECT_TRUE(source.Stopped());
    const qint64 known = source.KnownSize();
    EXPECT_FALSE(source.WaitForSize(known + 1, 200)) << "a stopped source decodes nothing more";
    EXPECT_EQ(source.KnownSize(), known);
    EXPECT_TRUE(ReadAt(source, known / 2, 1000) == text.mid(known / 2, 1000));
    EXPECT_LT(source.Progress(), 1.0);

    source.Resume();
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    EXPECT_TRUE(source.Complete());
    EXPECT_FALSE(source.Stopped());
    EXPECT_EQ(source.LineEnds(), PlainLineEnds(text));
    EXPECT_GE(calls.load(), 2);
}

// Line marks every span give any line's start with at most a span of reading, whatever the line ends.
TEST(DecodedSourceFollow, LineStartsFromTheMarks)
{
    if (!HaveTool("gzip"))
        GTEST_SKIP() << "gzip is not installed";
    TTempFolder folder;
    const QByteArray text = MakeLogText(5 << 20, 91, "mixed");
    // A CR LF split by a mark: the LF after the mark belongs to the CR before it.
    QByteArray edged = text;
    const qint64 span = qint64(256) << 10;
    edged[span - 1] = '\r';
    edged[span] = '\n';
    TSourceOptions options;
    options.CheckpointSpan = span;
    TDecodedSource source(folder.Write("lines.gz", Gzip(edged)), options);
    ASSERT_TRUE(source.Open());
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    const QList<qint64> starts = PlainLineStarts(edged);
    ASSERT_EQ(source.LineEnds(), starts.size() - 1);

    const std::vector<TLineMark> marks = source.LineMarks();
    ASSERT_GE(marks.size(), size_t(edged.size() / span));
    for (const TLineMark& mark : marks) {
        EXPECT_EQ(mark.Offset % span, 0);
        EXPECT_EQ(mark.LineEnds, PlainLineEnds(edged.left(mark.Offset)));
        EXPECT_EQ(mark.AfterCR, mark.Offset > 0 && edged[mark.Offset - 1] == '\r');
    }
    EXPECT_TRUE(marks[1].AfterCR);
    EXPECT_EQ(source.MarkForOffset(span * 3 + 5).Offset, span * 3);
    const TLineMark byLine = source.MarkForLine(marks[4].LineEnds);
    EXPECT_EQ(byLine.LineEnds, marks[4].LineEnds);

    QRandomGenerator random(3);
    for (int i = 0; i < 60; ++i) {
        const qint64 line = i < 3 ? qint64(i) : random.bounded(qint64(starts.size()));
        EXPECT_EQ(source.LineStart(line), starts[line]) << line;
    }
    // The line after the mark's CR LF, and lines past the end.
    const qint64 afterEdge = std::lower_bound(starts.begin(), starts.end(), span + 1) - starts.begin();
    EXPECT_EQ(source.LineStart(afterEdge), span + 1);
    EXPECT_EQ(source.LineStart(starts.size()), -1);
    EXPECT_EQ(source.LineStart(100, []() { return true; }), -1);
}

// When the kept histories pass their limit, every second checkpoint goes and the span doubles; reads stay
// right.
TEST(DecodedSourceFollow, CheckpointsThinOutWithinTheMemoryLimit)
{
    if (!HaveTool("gzip"))
        GTEST_SKIP() << "gzip is not installed";
    TTempFolder folder;
    const QByteArray text = MakeLogText(16 << 20, 101);
    TSourceOptions options;
    options.CheckpointSpan = qint64(256) << 10;
    options.CheckpointMemoryLimit = 200 << 10;
    TDecodedSource source(folder.Write("thin.gz", Gzip(text)), options);
    ASSERT_TRUE(source.Open());
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    EXPECT_GT(source.CheckpointSpan(), options.CheckpointSpan);
    EXPECT_LE(source.CheckpointMemory(), options.CheckpointMemoryLimit);
    EXPECT_LT(source.RestartPointCount(), int(text.size() / options.CheckpointSpan));
    QRandomGenerator random(4);
    for (int i = 0; i < 40; ++i) {
        const qint64 offset = random.bounded(qint64(text.size()));
        ASSERT_TRUE(ReadAt(source, offset, 3000) == text.mid(offset, 3000)) << offset;
    }
}

// The search reads behind the decoding thread from the first byte and finds every occurrence, also one
// that straddles its pieces, exactly as a plain search of the text does.
TEST(DecodedSourceFollow, SearchFindsEveryOccurrenceWhileDecoding)
{
    if (!HaveTool("gzip"))
        GTEST_SKIP() << "gzip is not installed";
    TTempFolder folder;
    QByteArray text = MakeLogText(6 << 20, 111);
    const QByteArray needle("connection refused by peer");
    QList<qint64> planted { 10, (1 << 20) - 7, (3 << 20) + 12345, text.size() - needle.size() };
    for (qint64 at : planted)
        text.replace(at, needle.size(), needle);
    TDecodedSource source(folder.Write("search.gz", Gzip(text)));
    ASSERT_TRUE(source.Open());
    QList<qint64> hits;
    const qint64 count = FindInSource(source, needle, 0, [&hits](qint64 at) {
        hits.append(at);
        return true;
    });
    EXPECT_EQ(count, planted.size());
    EXPECT_EQ(hits, planted);
    // From an offset, and stopping at the first hit.
    hits.clear();
    EXPECT_EQ(FindInSource(source, needle, 11,
                  [&hits](qint64 at) {
                      hits.append(at);
                      return false;
                  }),
        1);
    EXPECT_EQ(hits, QList<qint64> { planted[1] });
    EXPECT_EQ(FindInSource(source, needle, 0, {}, []() { return true; }), -1);
}
