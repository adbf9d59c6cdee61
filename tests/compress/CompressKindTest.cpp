// Telling compressed files by their first bytes, and counting line ends as the viewer numbers lines.
#include "core/compress/CompressKind.h"
#include "core/compress/LineEnds.h"
#include "support/CompressFixtures.h"
#include "support/Tools.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace hy::compress;
using namespace hy::test;

namespace {

TCompressKind KindOf(const QByteArray& head)
{
    return DetectCompression(reinterpret_cast<const uint8_t*>(head.constData()), size_t(head.size()));
}

} // namespace

TEST(CompressKind, MagicBytes)
{
    const struct {
        QByteArray Head;
        TCompressKind Kind;
    } cases[] = {
        { QByteArray("\x1F\x8B\x08\x00", 4), TCompressKind::Gzip },
        { QByteArray("\x1F\x8B\x07\x00", 4), TCompressKind::None }, // not deflate
        { "BZh91AY&SY", TCompressKind::Bzip2 },
        { "BZh0", TCompressKind::None },
        { QByteArray("\xFD"
                     "7zXZ\0\0",
              7),
            TCompressKind::Xz },
        { QByteArray("\x28\xB5\x2F\xFD\x04", 5), TCompressKind::Zstd },
        { QByteArray("\x50\x2A\x4D\x18\x00", 5), TCompressKind::Zstd }, // a skippable frame first
        { QByteArray("\x04\x22\x4D\x18\x64", 5), TCompressKind::Lz4 },
        { QByteArray("\x02\x21\x4C\x18", 4), TCompressKind::None }, // the legacy lz4 format is not read
        { QByteArray("\x1F\x9D\x90", 3), TCompressKind::Compress },
        { QByteArray("\x1F\x9D\x11", 3), TCompressKind::None }, // 17-bit codes do not exist
        // lzma: properties, a dictionary of 2^23 or 3 * 2^21, then an unknown or a plausible size.
        { QByteArray("\x5D\x00\x00\x80\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 13), TCompressKind::Lzma },
        { QByteArray("\x5D\x00\x00\x60\x00\x10\x00\x00\x00\x00\x00\x00\x00", 13), TCompressKind::Lzma },
        { QByteArray("\x5D\x00\x00\x70\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 13), TCompressKind::None },
        { QByteArray("\x5D\x00\x00\x80\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 13), TCompressKind::None },
        { "]\n[section]\nkey=1", TCompressKind::None },
        { "plain text", TCompressKind::None },
        { QByteArray("\x1F", 1), TCompressKind::None },
        { QByteArray(), TCompressKind::None },
    };
    for (const auto& c : cases)
        EXPECT_EQ(KindOf(c.Head), c.Kind) << c.Head.toHex().constData();
}

TEST(CompressKind, FilesMadeByTheTools)
{
    TTempFolder folder;
    const QByteArray text = MakeLogText(20000, 1);
    const TCompressKind expected[] = { TCompressKind::Gzip, TCompressKind::Bzip2, TCompressKind::Xz,
        TCompressKind::Lzma, TCompressKind::Zstd, TCompressKind::Lz4, TCompressKind::Compress };
    int i = 0;
    for (const TCompressTool& tool : CompressTools()) {
        const TCompressKind kind = expected[i++];
        if (!HaveTool(tool.Program)) {
            std::printf("skipped %s: %s is not installed\n", tool.Name, tool.Program);
            continue;
        }
        const QString path = CompressInto(folder, tool.Name, text, tool.Program, tool.Args);
        ASSERT_FALSE(path.isEmpty()) << tool.Name;
        EXPECT_EQ(DetectCompressionOfFile(path), kind) << tool.Name;
        EXPECT_EQ(CompressKindName(kind), QString::fromLatin1(tool.Name));
    }
    EXPECT_EQ(DetectCompressionOfFile(folder.Write("plain", text)), TCompressKind::None);
    EXPECT_EQ(DetectCompressionOfFile(folder.PathOf("missing")), TCompressKind::None);
}

TEST(LineEnds, CountsMatchThePlainRuleAtEverySplit)
{
    // Texts dense in CR, LF and CR LF, cut at every kind of place, so that a CR at the end of one piece
    // and an LF at the start of the next count once.
    QRandomGenerator random(7);
    for (int round = 0; round < 40; ++round) {
        QByteArray text(int(random.bounded(1, 5000)), 'x');
        for (char& c : text) {
            const int r = int(random.bounded(10));
            c = r == 0 ? '\r' : r == 1 ? '\n' : char('a' + r);
        }
        const qint64 expected = PlainLineEnds(text);
        const auto* p = reinterpret_cast<const uint8_t*>(text.constData());
        bool afterCR = false;
        EXPECT_EQ(qint64(CountLineEnds(p, size_t(text.size()), afterCR)), expected);
        EXPECT_EQ(afterCR, text.endsWith('\r'));
        // In pieces of random sizes, carrying the CR across.
        afterCR = false;
        qint64 total = 0;
        for (qsizetype at = 0; at < text.size();) {
            const qsizetype n = qMin<qsizetype>(text.size() - at, random.bounded(1, 200));
            total += qint64(CountLineEnds(p + at, size_t(n), afterCR));
            at += n;
        }
        EXPECT_EQ(total, expected) << round;
    }
    // Long runs without a CR take the fast path; a CR LF straddling its 64-byte blocks counts once.
    QByteArray log = MakeLogText(1 << 20, 3, "\n");
    log[4095] = '\r';
    log[4096] = '\n';
    log[127] = '\r';
    bool afterCR = false;
    EXPECT_EQ(qint64(CountLineEnds(reinterpret_cast<const uint8_t*>(log.constData()), size_t(log.size()), afterCR)),
        PlainLineEnds(log));
}

TEST(LineEnds, FindLineEndNamesEveryEndInTurn)
{
    const QByteArray text = MakeLogText(300000, 5, "mixed");
    const QList<qint64> starts = PlainLineStarts(text);
    const auto* p = reinterpret_cast<const uint8_t*>(text.constData());
    for (qsizetype k = 0; k + 1 < starts.size(); k += 97) {
        uint64_t seen = 0;
        const size_t at = FindLineEnd(p, size_t(text.size()), false, uint64_t(k), &seen);
        ASSERT_LT(at, size_t(text.size()));
        EXPECT_EQ(seen, uint64_t(k));
        // The end lies just before the next line's start: its CR (of a CR LF) or its only byte.
        const qint64 next = starts[k + 1];
        EXPECT_TRUE(qint64(at) == next - 1 || (qint64(at) == next - 2 && text[qsizetype(at)] == '\r')) << k;
    }
    uint64_t seen = 0;
    EXPECT_EQ(FindLineEnd(p, size_t(text.size()), false, uint64_t(PlainLineEnds(text)), &seen), size_t(text.size()));
    EXPECT_EQ(seen, uint64_t(PlainLineEnds(text)));
    // An LF right after a CR before the piece is no end of its own.
    const QByteArray tail("\nab\ncd");
    EXPECT_EQ(FindLineEnd(reinterpret_cast<const uint8_t*>(tail.constData()), 6, true, 0), size_t(3));
    EXPECT_EQ(FindLineEnd(reinterpret_cast<const uint8_t*>(tail.constData()), 6, false, 0), size_t(0));
}
