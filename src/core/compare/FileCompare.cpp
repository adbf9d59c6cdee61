// The comparing run: large plain reads from every file, compared block against block.
#include "core/compare/FileCompare.h"

#include "base/ErrorCodes.h"
#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "platform/ReadOnlyFile.h"

#include <QElapsedTimer>
#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
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
    TCompareResult result;
    const int count = int(std::min<qsizetype>(names.size(), kMaxCompareFiles));
    if (count < 2 || sizes.size() < count)
        return result;
    const qint64 smallest = *std::min_element(sizes.cbegin(), sizes.cbegin() + count);
    const qint64 largest = *std::max_element(sizes.cbegin(), sizes.cbegin() + count);
    // Bytes beyond the smallest file's end are never read; they count through the difference in size.
    result.Errors = largest - smallest;

    std::array<platform::TReadOnlyFile, kMaxCompareFiles> files;
    for (int i = 0; i < count; ++i) {
        if (const int code = files[i].Open(names.at(i))) {
            result.Outcome = TCompareOutcome::OpenFailed;
            result.FailedFile = i;
            result.ErrorCode = code;
            return result;
        }
    }
    const qint64 blockSize = std::clamp<qint64>(smallest, 1, kCompareBlockSize);
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
    for (qint64 offset = 0; offset < smallest;) {
        const qint64 want = std::min(blockSize, smallest - offset);
        for (int i = 0; i < count; ++i) {
            const qint64 got = files[i].Read(owned[i].get(), want);
            // A file that ends before the size it had when the run began has changed under it.
            if (got != want) {
                result.Outcome = TCompareOutcome::ReadFailed;
                result.FailedFile = i;
                result.ErrorCode = got < 0 ? files[i].LastError() : kErrorDiskRead;
                return result;
            }
        }
        bool differ = false;
        for (int i = 1; i < count && !differ; ++i)
            differ = std::memcmp(blocks[0], blocks[i], size_t(want)) != 0;
        if (differ) {
            if (firstPending) {
                firstPending = false;
                const qint64 at = FirstDifference(blocks.data(), count, want);
                if (events.FirstDifference && !events.FirstDifference(offset + at + 1)) {
                    result.Outcome = TCompareOutcome::Declined;
                    return result;
                }
            }
            result.Errors += CountDifferingPositions(blocks.data(), count, want);
        }
        offset += want;
        unreported += want;
        if (clock.elapsed() >= progressInterval || offset >= smallest) {
            if (events.Progress && !events.Progress(result.Errors, unreported)) {
                result.Outcome = TCompareOutcome::Stopped;
                return result;
            }
            unreported = 0;
            clock.restart();
        }
    }
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
