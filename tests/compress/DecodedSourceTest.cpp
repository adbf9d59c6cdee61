// The decoded source against the tools: every format decodes to what the tool decodes, reads anywhere
// agree with a straight decode (across restart points, from the cache file and beyond its limit), and
// damaged or cut files keep what decoded before the fault.
#include "core/compress/DecodedSource.h"
#include "support/CompressFixtures.h"
#include "support/Tools.h"

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace hy::compress;
using namespace hy::test;

namespace {

constexpr int kWaitMs = 120000;
constexpr qint64 kSmallSpan = qint64(256) << 10;
// Checkpoints are made at the first deflate block boundary after a span: a block of text holds a few
// hundred KiB at most.
constexpr qint64 kBlockSlack = qint64(1) << 20;

// Every decoded byte, read in pieces of the given size.
QByteArray ReadWhole(TDecodedSource& source, qint64 piece = qint64(1) << 20)
{
    QByteArray all;
    QByteArray buffer(piece, Qt::Uninitialized);
    for (qint64 pos = 0;;) {
        const qint64 got = source.Read(pos, buffer.data(), piece);
        if (got <= 0)
            break;
        all.append(buffer.constData(), got);
        pos += got;
    }
    return all;
}

// Reads at random offsets (and at the restart points' edges) of random lengths, each checked against the
// text. Returns how many failed.
int RandomReadsDiffer(TDecodedSource& source, const QByteArray& text, quint32 seed, int count, qint64 edgeSpan = 0)
{
    QRandomGenerator random(seed);
    int bad = 0;
    QByteArray buffer(200000, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) {
        qint64 offset = qint64(random.bounded(quint64(text.size())));
        if (edgeSpan > 0 && i % 2 == 0) {
            // Close to a multiple of the span, where checkpoints and marks lie.
            offset = (offset / edgeSpan) * edgeSpan + qint64(random.bounded(-300, 300));
            offset = qBound<qint64>(0, offset, text.size() - 1);
        }
        const qint64 n = random.bounded(1, 200000);
        const qint64 got = source.Read(offset, buffer.data(), n);
        const qint64 expected = qMin(n, qint64(text.size()) - offset);
        if (got != expected || QByteArray(buffer.constData(), got) != text.mid(offset, expected))
            ++bad;
    }
    return bad;
}

QString Compress(const TTempFolder& folder, const QString& name, const QByteArray& data, const char* program,
    const QStringList& args)
{
    return CompressInto(folder, name, data, QString::fromLatin1(program), args);
}

} // namespace

// Each format, made by its own tool, decodes to the text; the line count, kind and sizes are right.
TEST(DecodedSource, EveryFormatDecodesAsTheToolDoes)
{
    TTempFolder folder;
    const QByteArray text = MakeLogText(3 << 20, 11, "mixed");
    for (const TCompressTool& tool : CompressTools()) {
        if (!HaveTool(tool.Program)) {
            std::printf("skipped %s: %s is not installed\n", tool.Name, tool.Program);
            continue;
        }
        SCOPED_TRACE(tool.Name);
        const QString path = CompressInto(folder, tool.Name, text, tool.Program, tool.Args);
        ASSERT_FALSE(path.isEmpty());
        TSourceOptions options;
        options.TempFolder = folder.Path();
        TDecodedSource source(path, options);
        ASSERT_TRUE(source.Open()) << source.Problem().Message.toStdString();
        EXPECT_EQ(CompressKindName(source.Kind()), QString::fromLatin1(tool.Name));
        ASSERT_TRUE(source.WaitForEnd(kWaitMs));
        EXPECT_TRUE(source.Complete()) << source.Problem().Message.toStdString();
        EXPECT_EQ(source.Problem().Kind, TSourceProblem::None);
        EXPECT_EQ(source.KnownSize(), text.size());
        EXPECT_EQ(source.LineEnds(), PlainLineEnds(text));
        EXPECT_EQ(source.CompressedSize(), QFile(path).size());
        EXPECT_DOUBLE_EQ(source.Progress(), 1.0);
        const QByteArray decoded = ReadWhole(source, 65536);
        EXPECT_TRUE(decoded == text);
        if (QByteArray(tool.Name) != "lzma") {
            EXPECT_TRUE(decoded == ToolDecompress(QString::fromLatin1(tool.Program), path));
        }
        EXPECT_EQ(RandomReadsDiffer(source, text, 3, 60), 0);
    }
}

// Random reads across the gzip checkpoints agree with a straight decode, and each costs at most one span
// of decoding (a read never decodes from the start of a large file).
TEST(DecodedSource, GzipReadsAnywhereCostAtMostOneSpan)
{
    TTempFolder folder;
    const QByteArray text = MakeLogText(12 << 20, 21, "\r\n");
    const QString path = Compress(folder, "log.gz", text, "gzip", { "-c", "-6" });
    ASSERT_FALSE(path.isEmpty());
    TSourceOptions options;
    options.CheckpointSpan = kSmallSpan;
    TDecodedSource source(path, options);
    ASSERT_TRUE(source.Open());
    ASSERT_TRUE(source.WaitForEnd(kWaitMs));
    ASSERT_TRUE(source.Complete());
    // A checkpoint every span or so (each at a deflate block boundary).
    EXPECT_GE(source.RestartPointCount(), int(text.size() / (kSmallSpan + kBlockSlack)));
    EXPECT_GT(source.CheckpointMemory(), 0);
    EXPECT_TRUE(source.CacheFolder().isEmpty());

    QRandomGenerator random(5);
    QByteArray buffer(65536, Qt::Uninitialized);
    for (int i = 0; i < 80; ++i) {
        const qint64 offset = random.bounded(quint64(text.size()));
        const qint64 before = source.BytesDecodedForReads();
        const qint64 got = source.Read(offset, buffer.data(), 4096);
        ASSERT_EQ(got, qMin<qint64>(4096, text.size() - offset));
        ASSERT_TRUE(QByteArray(buffer.constData(), got) == text.mid(offset, got)) << offset;
        // One span (and a deflate block) to reach the read's block of 256 KiB from a checkpoint.
        EXPECT_LE(source.BytesDecodedForReads() - before, kSmallSpan + kBlockSlack + (qint64(256) << 10));
    }
    EXPECT_EQ(RandomReadsDiffer(source, text, 9, 200, kSmallSpan), 0);
    // Reading on from where the last read stopped decodes nothing twice.
    const qint64 before = source.BytesDecodedForReads();
    QByteArray run;
    for (qint64 pos = 6 << 20; pos < (8 << 20); pos += 4096) {
        ASSERT_EQ(source.Read(pos, buffer.data(), 4096), 4096);
        run.append(buffer.constData(), 4096);
    }
    EXPECT_TRUE(run == text.mid(6 << 20, 2 << 20));
    EXPECT_LE(
        source.BytesDecodedForReads() - before, (qint64(2) << 20) + kSmallSpan + kBlockSlack + (qint64(256) << 10));
}

// The formats with independent blocks, frames or streams restart at them; the others read from the cache
// file, and past its limit decode again from the start.
TEST(DecodedSource, RestartPointsAndTheCacheFileServeRandomReads)
{
    TTempFolder folder;
    const QByteArray text = MakeLogText(6 << 20, 31, "\n");
    struct Case {
        const char* Name;
        QString Path;
        qint64 CacheLimit;
        bool MoreRestartPoints; // than the start of the file and the end of its one frame or stream
        bool Cached;
    };
    QList<Case> cases;
    if (HaveTool("xz")) {
        cases.append({ "xz blocks", Compress(folder, "blocks.xz", text, "xz", { "-c", "-T2", "--block-size=1MiB" }),
            qint64(1) << 30, true, true });
        cases.append({ "xz single block", Compress(folder, "one.xz", text, "xz", { "-c", "-T1" }), qint64(1) << 30,
            false, true });
        cases.append({ "xz past the cache limit", Compress(folder, "limit.xz", text, "xz", { "-c", "-T1" }),
            qint64(1) << 20, false, true });
    }
    if (HaveTool("zstd")) {
        // Frames: several files compressed apart and put one after the other, as pzstd writes them.
        QByteArray frames;
        for (int i = 0; i < 6; ++i)
            frames += RunTool("zstd", { "-q", "-c" }, text.mid(i << 20, 1 << 20)).Output;
        cases.append({ "zstd frames", folder.Write("frames.zst", frames), qint64(1) << 30, true, true });
        cases.append({ "zstd one frame", Compress(folder, "one.zst", text, "zstd", { "-q", "-c" }), 0, false, false });
    }
    if (HaveTool("bzip2")) {
        QByteArray streams;
        for (int i = 0; i < 3; ++i)
            streams += RunTool("bzip2", { "-c" }, text.mid(i << 21, 1 << 21)).Output;
        cases.append({ "bzip2 streams", folder.Write("streams.bz2", streams), qint64(1) << 30, true, true });
    }
    if (HaveTool("lz4"))
        cases.append({ "lz4", Compress(folder, "one.lz4", text, "lz4", { "-q", "-c" }), qint64(1) << 30, false, true });
    if (HaveTool("compress"))
        cases.append(
            { "compress", Compress(folder, "one.Z", text, "compress", { "-f", "-c" }), qint64(1) << 30, false, true });
    if (cases.isEmpty())
        GTEST_SKIP() << "none of xz, zstd, bzip2, lz4 and compress is installed";

    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_FALSE(c.Path.isEmpty());
        TSourceOptions options;
        options.TempFolder = folder.Path();
        options.CheckpointSpan = kSmallSpan;
        options.CacheLimit = c.CacheLimit;
        QString cacheFolder;
        {
            TDecodedSource source(c.Path, options);
            ASSERT_TRUE(source.Open());
            ASSERT_TRUE(source.WaitForEnd(kWaitMs));
            ASSERT_TRUE(source.Complete()) << source.Problem().Message.toStdString();
            EXPECT_EQ(source.RestartPointCount() > 2, c.MoreRestartPoints);
            EXPECT_LE(source.CacheFileBytes(), c.CacheLimit);
            EXPECT_EQ(source.CacheFileBytes() > 0, c.Cached);
            cacheFolder = source.CacheFolder();
            if (c.Cached) {
                // A private folder of this user only.
                ASSERT_FALSE(cacheFolder.isEmpty());
                EXPECT_TRUE(cacheFolder.startsWith(folder.Path()));
                EXPECT_EQ(QFile(cacheFolder).permissions() & 0x0077, QFileDevice::Permissions());
            }
            EXPECT_EQ(RandomReadsDiffer(source, text, 17, 40, kSmallSpan), 0);
            EXPECT_TRUE(ReadWhole(source) == text);
        }
        if (!cacheFolder.isEmpty()) {
            EXPECT_FALSE(QFile::exists(cacheFolder));
        }
    }
}

// A gzip file of several members (appended, as logrotate and cat make them) is one text, whatever padding
// of zeros follows; bytes that are not another member are left alone with a note.
TEST(DecodedSource, ConcatenatedGzipMembersAreOneText)
{
    TTempFolder folder;
    const QByteArray parts[] = { MakeLogText(3 << 20, 41), MakeLogText(100, 42), MakeLogText(2 << 20, 43) };
    QByteArray file;
    QByteArray text;
    for (const QByteArray& part : parts) {
        file += RunTool("gzip", { "-c" }, part).Output;
        text += part;
    }
    const struct {
        const char* Name;
        QByteArray Tail;
        bool Noted;
    } cases[] = {
        { "plain", QByteArray(), false },
        { "zero padding", QByteArray(4096, '\0'), false },
        { "garbage", QByteArray("trailing words\n"), true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSourceOptions options;
        options.CheckpointSpan = kSmallSpan;
        TDecodedSource source(folder.Write(QString::fromLatin1(c.Name), file + c.Tail), options);
        ASSERT_TRUE(source.Open());
        ASSERT_TRUE(source.WaitForEnd(kWaitMs));
        EXPECT_TRUE(source.Complete());
        EXPECT_EQ(source.Note().isEmpty(), !c.Noted);
        EXPECT_EQ(source.KnownSize(), text.size());
        EXPECT_EQ(source.LineEnds(), PlainLineEnds(text));
        EXPECT_EQ(RandomReadsDiffer(source, text, 23, 100, kSmallSpan), 0);
        // Reads across the members' seams.
        QByteArray buffer(1000, Qt::Uninitialized);
        for (qint64 seam : { parts[0].size(), parts[0].size() + parts[1].size() }) {
            ASSERT_EQ(source.Read(seam - 500, buffer.data(), 1000), 1000);
            EXPECT_TRUE(buffer == text.mid(seam - 500, 1000));
        }
    }
}

// A fault in the data stops decoding there with a message naming the offsets, and what decoded before it
// stays readable; a file cut short says so.
TEST(DecodedSource, DamagedAndTruncatedFilesKeepWhatDecodedBefore)
{
    TTempFolder folder;
    const QByteArray text = MakeLogText(2 << 20, 51);
    int tried = 0;
    for (const TCompressTool& tool : CompressTools()) {
        if (!HaveTool(tool.Program))
            continue;
        SCOPED_TRACE(tool.Name);
        const QByteArray whole = RunTool(tool.Program, tool.Args, text).Output;
        ASSERT_GT(whole.size(), 1000);
        ++tried;

        // Cut in the middle: every format but compress knows its data is incomplete (compress has no end).
        TDecodedSource cut(folder.Write(QString::fromLatin1(tool.Name) + ".cut", whole.left(whole.size() / 2)));
        ASSERT_TRUE(cut.Open());
        ASSERT_TRUE(cut.WaitForEnd(kWaitMs));
        const bool noEndMark = QByteArray(tool.Name) == "compress";
        EXPECT_EQ(cut.Complete(), noEndMark);
        if (!noEndMark) {
            const TSourceProblem problem = cut.Problem();
            EXPECT_EQ(problem.Kind, TSourceProblem::Truncated);
            EXPECT_EQ(problem.DecodedOffset, cut.KnownSize());
            EXPECT_TRUE(problem.Message.contains(QStringLiteral("ends early")));
            EXPECT_TRUE(problem.Message.contains(QString::number(problem.CompressedOffset)));
        }
        // lz4 writes blocks of 4 MiB: half of its file holds no whole block.
        if (QByteArray(tool.Name) != "lz4") {
            EXPECT_GT(cut.KnownSize(), 0);
        }
        EXPECT_TRUE(ReadWhole(cut) == text.left(cut.KnownSize()));

        // Damaged past the first quarter: the bytes before the fault are the text's.
        QByteArray damaged = whole;
        for (qsizetype i = whole.size() * 3 / 4; i < whole.size() * 3 / 4 + 64; ++i)
            damaged[i] = char(damaged[i] ^ 0x5A);
        TDecodedSource bad(folder.Write(QString::fromLatin1(tool.Name) + ".bad", damaged));
        ASSERT_TRUE(bad.Open());
        ASSERT_TRUE(bad.WaitForEnd(kWaitMs));
        if (!noEndMark) {
            EXPECT_FALSE(bad.Complete());
            const TSourceProblem problem = bad.Problem();
            EXPECT_EQ(problem.Kind, TSourceProblem::Damaged);
            EXPECT_TRUE(problem.Message.contains(QStringLiteral("damaged"))) << problem.Message.toStdString();
            EXPECT_GE(problem.CompressedOffset, whole.size() * 3 / 4 - 65536);
            EXPECT_GE(problem.DecodedOffset, 0);
        }
        // A check at the end of a block or stream may find the fault after bytes that already came out
        // wrong; everything well before the damaged place (a block of bzip2 is 900 kB) is the text.
        const qint64 sure = qMin(bad.KnownSize(), qint64(text.size() / 4));
        QByteArray head(sure, Qt::Uninitialized);
        if (sure > 0) {
            ASSERT_EQ(bad.Read(0, head.data(), sure), sure);
            EXPECT_TRUE(head == text.left(sure));
        }
    }
    if (tried == 0)
        GTEST_SKIP() << "no compressor is installed";
}

TEST(DecodedSource, FilesThatAreNotCompressedAreRefused)
{
    TTempFolder folder;
    TDecodedSource plain(folder.Write("plain.gz", "just text\n"));
    EXPECT_FALSE(plain.Open());
    EXPECT_EQ(plain.Problem().Kind, TSourceProblem::NotCompressed);
    EXPECT_EQ(plain.KnownSize(), 0);
    char byte = 0;
    EXPECT_EQ(plain.Read(0, &byte, 1), 0);

    TDecodedSource missing(folder.PathOf("missing.gz"));
    EXPECT_FALSE(missing.Open());
    EXPECT_EQ(missing.Problem().Kind, TSourceProblem::OpenFailed);
    EXPECT_FALSE(missing.Problem().Message.isEmpty());

    // A folder is no file to decode, and nothing blocks on it.
    TDecodedSource dir(folder.Path());
    EXPECT_FALSE(dir.Open());
    EXPECT_EQ(dir.Problem().Kind, TSourceProblem::OpenFailed);
}

// compress: largest code sizes from small to the usual 16 bits, and data that fills the table and makes
// compress clear it (random bytes between text), decode as compress -d decodes them. (compress cannot read
// its own -b9 files back, so they are not tried.)
TEST(DecodedSource, CompressCodeSizesAndClearCodes)
{
    if (!HaveTool("compress"))
        GTEST_SKIP() << "compress is not installed";
    TTempFolder folder;
    QByteArray noise(1500000, Qt::Uninitialized);
    QRandomGenerator random(13);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const QByteArray data = MakeLogText(1 << 20, 121) + noise + MakeLogText(1 << 20, 122);
    for (const char* bits : { "-b10", "-b12", "-b16" }) {
        SCOPED_TRACE(bits);
        const QString path = Compress(folder, QString::fromLatin1(bits) + ".Z", data, "compress", { "-f", "-c", bits });
        ASSERT_FALSE(path.isEmpty());
        TDecodedSource source(path);
        ASSERT_TRUE(source.Open());
        ASSERT_TRUE(source.WaitForEnd(kWaitMs));
        EXPECT_TRUE(source.Complete());
        EXPECT_TRUE(ReadWhole(source) == data);
    }
}
