// Writing a range of a file's bytes to another file exactly as they stand: line ends, zero bytes and lines of
// any length included. The target is written under a temporary name beside it and takes its name only when
// every byte is in, so a copy that fails or is stopped leaves no partial target (an existing one stays, and
// the new one keeps its permissions); a target that is a device or pipe is refused.
#pragma once

#include "base/ErrorCodes.h"
#include "core/viewer/HvTypes.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace hy::viewer {

using hy::base::kErrorSearchStopped;

// The result of a copy that the person stopped.
inline constexpr int kRangeCopyStopped = base::kErrorSearchStopped;

// Reads up to n bytes at offset; fewer only at the end of the source.
using TRangeReader = std::function<qint64(FileOffset offset, uint8_t* buf, qint64 n)>;
// Told the bytes written so far and the total every few MiB; false stops the copy.
using TRangeProgress = std::function<bool(qint64 done, qint64 total)>;

// Copies bytes [from, to) to target. Returns 0, a platform error code (a source that ends early gives the
// copy-size error 10004), or kRangeCopyStopped.
int WriteByteRange(const TRangeReader& read, FileOffset from, FileOffset to, const QString& target,
    const TRangeProgress& progress = {});

} // namespace hy::viewer
