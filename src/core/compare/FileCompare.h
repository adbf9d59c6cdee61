// The byte-by-byte comparison of two to five files (File > Compare): the run over the files in lock-step,
// the count of differing positions, and the texts the command shows. A compressed single file that the
// viewer shows decompressed is compared as its decoded bytes. Windows and dialogs stay with the caller,
// which hears of the first difference and of the progress through callbacks.
#pragma once

#include "core/compress/CompressKind.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace hy::compare {

inline constexpr int kMaxCompareFiles = 5;
// Bytes read from each file at once. Positions are still compared in lock-step, block by block.
inline constexpr qint64 kCompareBlockSize = qint64(1) << 20;
// How often the run reports its progress (and so lets the user interface answer), in milliseconds.
inline constexpr int kCompareProgressInterval = 200;

struct TCompareEvents {
    // The first differing position of the run, counted from 1; returns whether to go on.
    std::function<bool(qint64 position)> FirstDifference;
    // The count of errors so far and the bytes compared since the last report; false stops the run.
    std::function<bool(qint64 errors, qint64 step)> Progress;
};

enum class TCompareOutcome {
    Finished, // every byte up to the smallest size was compared
    Declined, // the answer at the first difference was no
    Stopped, // the progress report said stop
    OpenFailed, // a file could not be opened
    ReadFailed, // a read failed, or a file ended before the size it had
};

struct TCompareResult {
    TCompareOutcome Outcome = TCompareOutcome::Finished;
    // Differing positions plus the difference between the largest and the smallest size.
    qint64 Errors = 0;
    // The file that failed to open or read, and the error code.
    int FailedFile = -1;
    int ErrorCode = 0;
};

// One file of a comparison.
struct TCompareFile {
    QString Name;
    // Its size as looked up before the run; -1 when it is not known until its decoded bytes end (a compressed
    // file whose decoding has not reached its end yet).
    qint64 Size = -1;
    // Not None: the file is compared as its decoded bytes, decoded by the run from the start.
    compress::TCompressKind Kind = compress::TCompressKind::None;
};

class TFileCompare {
public:
    // Compares the files in lock-step up to the smallest size; a file of unknown size is read until its
    // decoded bytes end (its size then counts like a known one), and decoded on past the others' end only to
    // learn its size. Decoded bytes that end in damage end where the viewer's ends: what decoded before counts.
    TCompareResult Run(const QList<TCompareFile>& files, const TCompareEvents& events,
        int progressInterval = kCompareProgressInterval);
    // Compares the files in lock-step up to the smallest of sizes (as looked up before); memory use is one
    // block per file whatever the sizes. A position counts once however many files differ there.
    TCompareResult Run(const QStringList& names, const QList<qint64>& sizes, const TCompareEvents& events,
        int progressInterval = kCompareProgressInterval);
};

// The differing positions among the first n bytes of count blocks: a position counts when any block
// differs there from the first.
qint64 CountDifferingPositions(const unsigned char* const* blocks, int count, qint64 n);

// The texts of the command ("\r" breaks lines).
QString TooFewFilesToCompareText();
QString TooManyFilesToCompareText();
QString UnableToAccessText(const QString& fileName, int errorCode);
QString UnableToOpenText(const QString& fileName, int errorCode);
QString UnableToReadText(const QString& fileName, int errorCode);
QString CompareFailedQuestion(qint64 position);
QString CompareResultText(qint64 errors);

} // namespace hy::compare
