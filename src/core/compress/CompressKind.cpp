// Magic bytes of the compressed formats.
#include "core/compress/CompressKind.h"

#include "platform/PlatformFiles.h"

#include <cstring>

namespace hy::compress {

namespace {

    uint32_t Le32(const uint8_t* p)
    {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

    // The lzma format has no magic: its header is a properties byte, a dictionary size and the decoded size.
    // Encoders write dictionary sizes of 2^n or 2^n + 2^(n-1), and a size that is either unknown (all ones)
    // or plausible; anything else is taken for other data.
    bool LooksLikeLzma(const uint8_t* p, size_t n)
    {
        if (n < 13 || p[0] >= 9 * 5 * 5)
            return false;
        const uint32_t dict = Le32(p + 1);
        if (dict < 4096)
            return false;
        const int top = 31 - __builtin_clz(dict);
        const uint32_t rest = dict - (uint32_t(1) << top);
        if (rest != 0 && (top == 0 || rest != (uint32_t(1) << (top - 1))))
            return false;
        uint64_t size = 0;
        for (int i = 0; i < 8; ++i)
            size |= uint64_t(p[5 + i]) << (8 * i);
        return size == ~uint64_t(0) || size < (uint64_t(1) << 48);
    }

} // namespace

TCompressKind DetectCompression(const uint8_t* p, size_t n)
{
    if (n >= 3 && p[0] == 0x1F && p[1] == 0x8B && p[2] == 8)
        return TCompressKind::Gzip;
    if (n >= 3 && p[0] == 0x1F && p[1] == 0x9D) {
        const int bits = p[2] & 0x1F;
        return bits >= 9 && bits <= 16 ? TCompressKind::Compress : TCompressKind::None;
    }
    if (n >= 4 && std::memcmp(p, "BZh", 3) == 0 && p[3] >= '1' && p[3] <= '9')
        return TCompressKind::Bzip2;
    if (n >= 6
        && std::memcmp(p,
               "\xFD"
               "7zXZ\0",
               6)
            == 0)
        return TCompressKind::Xz;
    if (n >= 4 && Le32(p) == 0xFD2FB528u)
        return TCompressKind::Zstd;
    if (n >= 4 && (Le32(p) & 0xFFFFFFF0u) == 0x184D2A50u)
        return TCompressKind::Zstd; // a skippable frame, which zstd writes and reads
    if (n >= 4 && Le32(p) == 0x184D2204u)
        return TCompressKind::Lz4;
    if (LooksLikeLzma(p, n))
        return TCompressKind::Lzma;
    return TCompressKind::None;
}

TCompressKind DetectCompressionOfFile(const QString& path)
{
    platform::TFileDescriptor file;
    if (platform::OpenForReading(file, path) != 0)
        return TCompressKind::None;
    uint8_t head[kCompressHeadSize];
    const qint64 got = platform::ReadFileAt(file, 0, head, sizeof head);
    return got > 0 ? DetectCompression(head, size_t(got)) : TCompressKind::None;
}

QString CompressKindName(TCompressKind kind)
{
    switch (kind) {
    case TCompressKind::Gzip:
        return QStringLiteral("gzip");
    case TCompressKind::Bzip2:
        return QStringLiteral("bzip2");
    case TCompressKind::Xz:
        return QStringLiteral("xz");
    case TCompressKind::Lzma:
        return QStringLiteral("lzma");
    case TCompressKind::Zstd:
        return QStringLiteral("zstd");
    case TCompressKind::Lz4:
        return QStringLiteral("lz4");
    case TCompressKind::Compress:
        return QStringLiteral("compress");
    case TCompressKind::None:
        break;
    }
    return QString();
}

} // namespace hy::compress
