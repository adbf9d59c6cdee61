// A plain byte search over the decoded bytes of a source, run while its thread still decodes: it reads
// behind the thread, waits for more when it catches up, and ends at the decoded end.
#pragma once

#include <QByteArray>
#include <functional>

namespace hy::compress {

class TDecodedSource;

// Calls found with the offset of every occurrence of needle at or after from, in order, until found
// returns false, stop returns true (polled every MiB), or the decoded bytes end. Returns the number of
// occurrences found, or -1 when a read failed or it was stopped.
qint64 FindInSource(TDecodedSource& source, const QByteArray& needle, qint64 from,
    const std::function<bool(qint64)>& found, const std::function<bool()>& stop = {});

} // namespace hy::compress
