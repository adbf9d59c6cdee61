// libFuzzer target: any bytes read as a compressed file decode without a crash, and reads anywhere in what
// decoded (served from restart points, the cache file or the decoder's last pages) give exactly the bytes a
// straight read from the start gives. The cache folder goes with the source.
#include "core/compress/DecodedSource.h"

#include "FuzzSupport.h"

#include <QCoreApplication>

using namespace hy::compress;
using hy::fuzz::TScratch;

namespace {
// What one input decodes at most, and how long it may take, so that a small input that decodes to a lot
// stays quick.
constexpr qint64 kMaxDecoded = qint64(4) << 20;
constexpr int kDecodeMs = 300;
constexpr qint64 kChunk = 64 << 10;
} // namespace

HY_FUZZ_APPLICATION(QCoreApplication)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TScratch scratch;
    {
        const QString path = scratch.Write("a.bin", data, size);
        TSourceOptions options;
        options.TempFolder = scratch.Name();
        options.CheckpointSpan = 0; // the smallest span the source allows
        options.CacheLimit = qint64(1) << 20; // small, so that reads past it decode again
        TDecodedSource source(path, options);
        if (!source.Open()) {
            HY_FUZZ_CHECK(source.Problem().Kind != TSourceProblem::None);
            return 0;
        }
        source.WaitForSize(kMaxDecoded, kDecodeMs);
        source.Stop();
        const qint64 known = qMin(source.KnownSize(), kMaxDecoded);

        // The straight read, from the start.
        QByteArray straight;
        QByteArray buffer(kChunk, Qt::Uninitialized);
        while (straight.size() < known) {
            const qint64 want = qMin(kChunk, known - straight.size());
            const qint64 got = source.Read(straight.size(), buffer.data(), want);
            if (got <= 0)
                break;
            HY_FUZZ_CHECK(got <= want);
            straight.append(buffer.constData(), got);
            if (got < want)
                break;
        }
        // A source that decoded without a problem reads whole.
        if (source.Problem().Kind == TSourceProblem::None)
            HY_FUZZ_CHECK(straight.size() == known);

        // Reads at random places, in an order that jumps back and forth across the restart points.
        quint32 seed = quint32(size) * 2654435761u + 1;
        for (int i = 0; i < 24 && !straight.isEmpty(); ++i) {
            seed = seed * 1103515245u + 12345u;
            const qint64 offset = qint64(seed >> 8) % straight.size();
            const qint64 want = qMin<qint64>(qint64(seed & 0x1FFF) + 1, straight.size() - offset);
            const qint64 got = source.Read(offset, buffer.data(), want);
            HY_FUZZ_CHECK(got == want);
            HY_FUZZ_CHECK(QByteArrayView(buffer.constData(), got) == QByteArrayView(straight).sliced(offset, got));
        }
    }
    for (const hy::fuzz::TTreeEntry& e : hy::fuzz::ListTree(scratch.Path()))
        HY_FUZZ_CHECK(e.Path == "a.bin");
    return 0;
}
