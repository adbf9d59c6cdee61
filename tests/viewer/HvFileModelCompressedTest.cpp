// Compressed single files shown decompressed: every format's text reads as the tool's own decompression
// does, line by line and byte by byte; the end is exact once decoding is done; a file that only grows
// goes on, and a damaged one shows what decoded before the damage.
#include "HvFileModelTest.h"

#include "core/compress/DecodedSource.h"
#include "support/CompressFixtures.h"
#include "support/Tools.h"

#include <QRandomGenerator>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

// Takes in what the decoding thread has done so far until it is done.
void TakeAllDecoded(THvFileModel& m)
{
    while (m.DecodedBytesPending())
        m.FollowFile();
}

void ExpectSameText(THvFileModel& m, const QByteArray& data)
{
    const std::vector<std::string> lines = ReferenceLines(data);
    ASSERT_EQ(m.ClampLine(kUndeterminedTotal), LineNumber(lines.size()) - 1); // the last line
    const LineNumber n = LineNumber(lines.size());
    for (const LineNumber line : { LineNumber(0), n / 3, n / 2, n - 2, n - 1 }) {
        if (line < 0)
            continue;
        int len = 0;
        const char* text = m.LineText(line, len);
        EXPECT_EQ(std::string(text, size_t(len)), Shown(lines[size_t(line)])) << "line " << line;
    }
    QRandomGenerator random(7);
    for (int i = 0; i < 20; ++i) {
        const qint64 at = random.bounded(qint64(data.size()));
        uint8_t buf[300];
        const qint64 got = m.ReadRaw(at, buf, sizeof buf);
        ASSERT_EQ(got, std::min<qint64>(sizeof buf, data.size() - at));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buf), int(got)), data.mid(at, got)) << "offset " << at;
    }
}

} // namespace

TEST(HvFileModelCompressed, EveryFormatReadsAsTheToolDecompressesIt)
{
    hy::test::TTempFolder files;
    // Mixed line ends, and more than one gzip checkpoint span.
    const QByteArray data = hy::test::MakeLogText(qint64(5) << 20, 11, "mixed");
    int tried = 0;
    for (const hy::test::TCompressTool& tool : hy::test::CompressTools()) {
        if (!hy::test::HaveTool(QString::fromLatin1(tool.Program)))
            continue;
        SCOPED_TRACE(tool.Name);
        const QString path = hy::test::CompressInto(files, QStringLiteral("log.") + QLatin1String(tool.Name), data,
            QString::fromLatin1(tool.Program), tool.Args);
        ASSERT_FALSE(path.isEmpty());
        ++tried;
        THvFileModel m;
        m.SetDecodeCompressed(true);
        m.SetFileName(path);
        m.Open();
        ASSERT_NE(m.DecodedSource(), nullptr);
        EXPECT_GT(m.FileSize(), 0);
        EXPECT_LE(m.FileSize(), data.size());
        // The end at once: the decoder's own count gives the exact last line.
        ASSERT_TRUE(m.JumpToEnd());
        EXPECT_FALSE(m.DecodedBytesPending());
        EXPECT_EQ(m.FileSize(), data.size());
        EXPECT_EQ(m.LineTotal(), LineNumber(ReferenceLines(data).size()));
        ExpectSameText(m, data);
        m.SetInHexMode(true);
        EXPECT_EQ(m.LineTotal(), (data.size() + 15) / 16);
    }
    if (tried == 0)
        GTEST_SKIP() << "no compressing tool installed";
}

TEST(HvFileModelCompressed, TheLastLineEndsAsThePlainFileWould)
{
    if (!hy::test::HaveTool(QStringLiteral("gzip")))
        GTEST_SKIP() << "gzip is not installed";
    hy::test::TTempFolder files;
    const QByteArray body = hy::test::MakeLogText(200000, 3, "\r\n");
    const QByteArray endings[] = { "", "\n", "\r", "\r\n", "tail without end", "\n\r" };
    int i = 0;
    for (const QByteArray& ending : endings) {
        SCOPED_TRACE(ending.toStdString());
        const QByteArray data = body + ending;
        const QString path = hy::test::CompressInto(
            files, QStringLiteral("end%1.gz").arg(i++), data, QStringLiteral("gzip"), { QStringLiteral("-c") });
        ASSERT_FALSE(path.isEmpty());
        // The exact total straight from the decoder's count, and from a scan of the decoded text: the same.
        for (const bool jump : { true, false }) {
            THvFileModel m;
            m.SetDecodeCompressed(true);
            m.SetFileName(path);
            m.Open();
            if (jump)
                ASSERT_TRUE(m.JumpToEnd());
            else
                TakeAllDecoded(m);
            ExpectSameText(m, data);
        }
    }
}

TEST(HvFileModelCompressed, DecodingIsTheCallersChoice)
{
    if (!hy::test::HaveTool(QStringLiteral("gzip")))
        GTEST_SKIP() << "gzip is not installed";
    hy::test::TTempFolder files;
    const QByteArray data = "one\ntwo\nthree\n";
    const QString path = hy::test::CompressInto(files, QStringLiteral("a.gz"), data, QStringLiteral("gzip"), { "-c" });
    const QString plain = files.Write(QStringLiteral("plain.gz"), data); // named like one, not one
    THvFileModel m;
    m.SetFileName(path);
    m.Open();
    EXPECT_EQ(m.DecodedSource(), nullptr);
    EXPECT_NE(m.FileSize(), data.size());

    m.SetDecodeCompressed(true);
    m.SetFileName(plain);
    m.Open();
    EXPECT_EQ(m.DecodedSource(), nullptr);
    ExpectSameText(m, data);
}

TEST(HvFileModelCompressed, AGrowingGzipAndADamagedOne)
{
    if (!hy::test::HaveTool(QStringLiteral("gzip")))
        GTEST_SKIP() << "gzip is not installed";
    hy::test::TTempFolder files;
    const QByteArray first = hy::test::MakeLogText(300000, 5);
    const QByteArray second = hy::test::MakeLogText(200000, 6);
    const hy::test::TToolResult a = hy::test::RunTool(QStringLiteral("gzip"), { "-c" }, first);
    const hy::test::TToolResult b = hy::test::RunTool(QStringLiteral("gzip"), { "-c" }, second);
    ASSERT_EQ(a.ExitCode, 0);
    ASSERT_EQ(b.ExitCode, 0);
    const QString path = files.Write(QStringLiteral("app.log.gz"), a.Output);

    Recorder events;
    THvFileModel m(&events);
    m.SetDecodeCompressed(true);
    m.SetFileName(path);
    m.Open();
    ASSERT_TRUE(m.JumpToEnd());
    ExpectSameText(m, first);

    // Another member appended (as logrotate's delaycompress and gzip >> do): the text goes on.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        ASSERT_EQ(file.write(b.Output), b.Output.size());
    }
    EXPECT_NE(m.FollowFile(), TFollowChange::Restarted);
    TakeAllDecoded(m);
    EXPECT_EQ(events.changed, 0);
    ExpectSameText(m, first + second);

    // Cut short in the second member: what decoded before the cut reads, and the source says why it ended.
    const QByteArray whole = a.Output + b.Output;
    const QString cut = files.Write(QStringLiteral("cut.log.gz"), whole.left(a.Output.size() + b.Output.size() / 2));
    THvFileModel damaged;
    damaged.SetDecodeCompressed(true);
    damaged.SetFileName(cut);
    damaged.Open();
    ASSERT_TRUE(damaged.JumpToEnd());
    ASSERT_NE(damaged.DecodedSource(), nullptr);
    EXPECT_EQ(damaged.DecodedSource()->Problem().Kind, hy::compress::TSourceProblem::Truncated);
    const QByteArray decoded
        = hy::test::RunTool(QStringLiteral("gzip"), { "-dc" }, whole.left(a.Output.size() + b.Output.size() / 2))
              .Output;
    ASSERT_GE(decoded.size(), first.size());
    EXPECT_GE(damaged.FileSize(), first.size());
    EXPECT_LE(damaged.FileSize(), decoded.size());
    ExpectSameText(damaged, decoded.left(damaged.FileSize()));
}

TEST(HvFileModelCompressed, SearchesFindWhatTheTextHolds)
{
    if (!hy::test::HaveTool(QStringLiteral("xz")))
        GTEST_SKIP() << "xz is not installed";
    hy::test::TTempFolder files;
    QByteArray data = hy::test::MakeLogText(qint64(3) << 20, 9);
    const qint64 at = data.indexOf('\n', data.size() * 2 / 3) + 1;
    data.insert(at, "needle in the log\n");
    const QString path = hy::test::CompressInto(files, QStringLiteral("s.xz"), data, QStringLiteral("xz"), { "-c" });
    THvFileModel m;
    m.SetDecodeCompressed(true);
    m.SetFileName(path);
    m.Open();
    const std::optional<TSearchHit> hit = m.FindText(QStringLiteral("NEEDLE"), soWholeFile, 0, 0);
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->StartLine, LineNumber(data.left(at).count('\n')));
    EXPECT_EQ(hit->StartIndex, 0);
    const std::optional<TSearchHit> back
        = m.FindText(QStringLiteral("needle"), soWholeFile | soBackward | soMatchCase, 0, 0);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->StartLine, hit->StartLine);
}
