// The comparing run: large plain reads from every file (or its decoded bytes), compared block against block.
#include "core/compare/FileCompare.h"

#include "base/ErrorCodes.h"
#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "core/compress/StreamDecoder.h"
#include "platform/PlatformFiles.h"
#include "platform/ReadOnlyFile.h"

#include <QElapsedTimer>
#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace hy::compare {

using namespace hy::base;
using namespace hy::common;

namespace {
    // Reads land several times faster in a block that starts on a page boundary.
    constexpr size_t kPageSize = 4096;

    struct FreeBlock {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    using Block = std::unique_ptr<unsigned char, FreeBlock>;

    quint64 Load(const unsigned char* p)
    {
        quint64 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }

    // The number of bytes of v that are not zero.
    int NonZeroBytes(quint64 v)
    {
        constexpr quint64 low7 = 0x7F7F7F7F7F7F7F7FULL;
        const quint64 high = (((v & low7) + low7) | v) & ~low7;
        return std::popcount(high);
    }

    // One file of the run, read front to back: its plain bytes, or the bytes its decoder produces.
    class TCompareInput {
    public:
        int Open(const QString& name, compress::TCompressKind kind)
        {
            if (kind == compress::TCompressKind::None)
                return m_plain.Open(name);
            if (const int code = platform::OpenForReading(m_fd, name))
                return code;
            m_decoder = compress::MakeStreamDecoder(kind, m_fd);
            if (!m_decoder || !m_decoder->Start(compress::TRestartPoint()))
                return kErrorDiskRead;
            return 0;
        }

        // Up to n bytes; fewer only where the bytes end (for decoded bytes also where the data is damaged or
        // cut short: the viewer's decoded text ends there too). -1 with LastError() when a read failed.
        qint64 Read(unsigned char* buffer, qint64 n)
        {
            if (!m_decoder)
                return m_plain.Read(buffer, n);
            qint64 filled = 0;
            while (filled < n && !m_ended) {
                size_t produced = 0;
                const auto status = m_decoder->Decode(buffer + filled, size_t(n - filled), produced);
                filled += qint64(produced);
                m_ended = status != compress::TStreamDecoder::TStatus::Ok;
            }
            return filled;
        }

        int LastError() const { return m_decoder ? kErrorDiskRead : m_plain.LastError(); }

    private:
        platform::TReadOnlyFile m_plain;
        platform::TFileDescriptor m_fd; // the decoder's input; declared before it, so it closes after it
        std::unique_ptr<compress::TStreamDecoder> m_decoder;
        bool m_ended = false;
    };

    qint64 FirstDifference(const unsigned char* const* blocks, int count, qint64 n)
    {
        qint64 first = n;
        for (int i = 1; i < count; ++i) {
            const auto at = std::mismatch(blocks[0], blocks[0] + first, blocks[i]).first - blocks[0];
            first = std::min<qint64>(first, at);
        }
        return first;
    }
} // namespace

qint64 CountDifferingPositions(const unsigned char* const* blocks, int count, qint64 n)
{
    qint64 differing = 0;
    qint64 k = 0;
    for (; k + 8 <= n; k += 8) {
        const quint64 first = Load(blocks[0] + k);
        quint64 any = 0;
        for (int i = 1; i < count; ++i)
            any |= first ^ Load(blocks[i] + k);
        if (any)
            differing += NonZeroBytes(any);
    }
    for (; k < n; ++k) {
        for (int i = 1; i < count; ++i) {
            if (blocks[i][k] != blocks[0][k]) {
                ++differing;
                break;
            }
        }
    }
    return differing;
}

TCompareResult TFileCompare::Run(
    const QStringList& names, const QList<qint64>& sizes, const TCompareEvents& events, int progressInterval)
{
    QList<TCompareFile> files;
    const qsizetype count = std::min(names.size(), sizes.size());
    for (qsizetype i = 0; i < count; ++i)
        files.append({ names.at(i), sizes.at(i), compress::TCompressKind::None });
    return Run(files, events, progressInterval);
}

TCompareResult TFileCompare::Run(const QList<TCompareFile>& list, const TCompareEvents& events, int progressInterval)
{
    TCompareResult result;
    const int count = int(std::min<qsizetype>(list.size(), kMaxCompareFiles));
    if (count < 2)
        return result;
    // The end of the comparison: the smallest size known so far. A file of unknown size lowers it when its
    // decoded bytes end.
    qint64 limit = std::numeric_limits<qint64>::max();
    bool anyUnknown = false;
    std::array<qint64, kMaxCompareFiles> sizes {};
    for (int i = 0; i < count; ++i) {
        sizes[i] = list.at(i).Size;
        if (sizes[i] < 0)
            anyUnknown = true;
        else
            limit = std::min(limit, sizes[i]);
    }

    std::array<TCompareInput, kMaxCompareFiles> files;
    for (int i = 0; i < count; ++i) {
        if (const int code = files[i].Open(list.at(i).Name, list.at(i).Kind)) {
            result.Outcome = TCompareOutcome::OpenFailed;
            result.FailedFile = i;
            result.ErrorCode = code;
            return result;
        }
    }
    const qint64 blockSize = anyUnknown ? kCompareBlockSize : std::clamp<qint64>(limit, 1, kCompareBlockSize);
    const size_t allocation = (size_t(blockSize) + kPageSize - 1) / kPageSize * kPageSize;
    std::array<Block, kMaxCompareFiles> owned;
    std::array<const unsigned char*, kMaxCompareFiles> blocks {};
    for (int i = 0; i < count; ++i) {
        owned[i].reset(static_cast<unsigned char*>(std::aligned_alloc(kPageSize, allocation)));
        if (!owned[i]) {
            result.Outcome = TCompareOutcome::ReadFailed;
            result.FailedFile = i;
            result.ErrorCode = kErrorNotEnoughMemory;
            return result;
        }
        blocks[i] = owned[i].get();
    }

    QElapsedTimer clock;
    clock.start();
    qint64 unreported = 0;
    bool firstPending = true;
    // Lets the caller answer; false when it said stop.
    const auto report = [&](bool force) {
        if (!force && clock.elapsed() < progressInterval)
            return true;
        if (events.Progress && !events.Progress(result.Errors, unreported))
            return false;
        unreported = 0;
        clock.restart();
        return true;
    };
    const auto fail = [&](int i, qint64 got) {
        result.Outcome = TCompareOutcome::ReadFailed;
        result.FailedFile = i;
        result.ErrorCode = got < 0 ? files[i].LastError() : kErrorDiskRead;
        return result;
    };
    for (qint64 offset = 0; offset < limit;) {
        const qint64 want = std::min(blockSize, limit - offset);
        qint64 have = want;
        for (int i = 0; i < count; ++i) {
            const qint64 got = files[i].Read(owned[i].get(), want);
            if (got == want)
                continue;
            // A file that ends before the size it had when the run began has changed under it; one whose size
            // was unknown has just shown it.
            if (got < 0 || sizes[i] >= 0)
                return fail(i, got);
            sizes[i] = offset + got;
            have = std::min(have, got);
        }
        if (have < want)
            limit = offset + have;
        bool differ = false;
        for (int i = 1; i < count && !differ; ++i)
            differ = std::memcmp(blocks[0], blocks[i], size_t(have)) != 0;
        if (differ) {
            if (firstPending) {
                firstPending = false;
                const qint64 at = FirstDifference(blocks.data(), count, have);
                if (events.FirstDifference && !events.FirstDifference(offset + at + 1)) {
                    result.Outcome = TCompareOutcome::Declined;
                    return result;
                }
            }
            result.Errors += CountDifferingPositions(blocks.data(), count, have);
        }
        offset += have;
        unreported += have;
        if (!report(offset >= limit)) {
            result.Outcome = TCompareOutcome::Stopped;
            return result;
        }
    }
    // A file still of unknown size is decoded on to its end, only to learn its size.
    for (int i = 0; i < count; ++i) {
        for (qint64 at = limit; sizes[i] < 0;) {
            const qint64 got = files[i].Read(owned[i].get(), blockSize);
            if (got < 0)
                return fail(i, got);
            at += got;
            if (got < blockSize)
                sizes[i] = at;
            if (!report(false)) {
                result.Outcome = TCompareOutcome::Stopped;
                return result;
            }
        }
    }
    // Bytes beyond the smallest file's end are never compared; they count through the difference in size.
    const qint64 largest = *std::max_element(sizes.cbegin(), sizes.cbegin() + count);
    result.Errors += largest - limit;
    return result;
}

QString TooFewFilesToCompareText()
{
    return QStringLiteral("You must open two files before\ryou can use the compare feature.");
}

QString TooManyFilesToCompareText()
{
    return QStringLiteral("I can only compare ") + QString::number(kMaxCompareFiles)
        + QStringLiteral(" files at a time.\rClose some of your open files and\rtry again.");
}

QString UnableToAccessText(const QString& fileName, int errorCode)
{
    return QStringLiteral("Unable to access file: ") + fileName + QStringLiteral("\r\r") + ErrorText(errorCode);
}

QString UnableToOpenText(const QString& fileName, int errorCode)
{
    return QStringLiteral("Unable to open file: ") + fileName + QStringLiteral("\r\r") + ErrorText(errorCode);
}

QString UnableToReadText(const QString& fileName, int errorCode)
{
    return QStringLiteral("Unable to read file: ") + fileName + QStringLiteral("\r\r") + ErrorText(errorCode);
}

QString CompareFailedQuestion(qint64 position)
{
    return QStringLiteral("Compare has failed ") + ThousandsText(position) + QStringLiteral(" byte")
        + PluralSuffix(position) + QStringLiteral(" into the files.\r\rThe files are not identical.\r\r")
        + QStringLiteral("Do you want to continue anyway?");
}

QString CompareResultText(qint64 errors)
{
    if (errors == 0)
        return QStringLiteral("The files are 100% identical.");
    return QStringLiteral("The files contain ") + ThousandsText(errors) + QStringLiteral(" byte") + PluralSuffix(errors)
        + QStringLiteral(" of dissimilar\rdata and therefore are not identical.");
}

} // namespace hy::compare
