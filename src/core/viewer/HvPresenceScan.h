// Whether a forward search can find anything from an offset to the end of the file, told on a thread of its own
// through a reader of its own: the scan looks for the bytes every match must hold (the text itself, or the literal
// every match of a regular expression holds) and answers Absent only when they occur nowhere from there on. A
// search over many windows runs one such scan for each at once, and only the windows where a match is possible
// are searched by the model afterwards.
#pragma once

#include "core/viewer/HvMatchScan.h"
#include "core/viewer/HvTextSearch.h"
#include "core/viewer/HvTypes.h"

#include <atomic>
#include <functional>
#include <thread>

namespace hy::viewer {

class THvPresenceScan {
public:
    enum class TAnswer {
        Running,
        Absent, // no match from the offset to the end of the file
        Possible, // the bytes a match holds occur: the search proper decides
        Stopped, // Stop() came first, or a read failed
    };

    // Starts at once. finished, when given, is called on the scan's thread as the answer is settled.
    THvPresenceScan(TReadAt read, TTextPattern pattern, FileOffset from, std::function<void()> finished = {});
    ~THvPresenceScan(); // stops the scan and waits for its thread
    THvPresenceScan(const THvPresenceScan&) = delete;
    THvPresenceScan& operator=(const THvPresenceScan&) = delete;

    void Stop() { m_stop.store(true, std::memory_order_relaxed); }
    TAnswer Answer() const { return m_answer.load(std::memory_order_acquire); }
    bool Finished() const { return Answer() != TAnswer::Running; }
    // Bytes looked through so far.
    FileOffset BytesDone() const { return m_done.load(std::memory_order_relaxed); }

    // The bytes every match of a search for text (options as the viewer's Find takes them: soMatchCase,
    // soRegex) in an encoding holds; none when the scan cannot tell (no such literal, a stateful encoding,
    // nothing that can match).
    static std::optional<TTextPattern> PatternOf(const QString& text, unsigned options, TTextEncoding encoding);

private:
    TAnswer Scan();

    TReadAt m_read;
    TTextPattern m_pattern;
    FileOffset m_from;
    std::function<void()> m_finished;
    std::atomic<bool> m_stop { false };
    std::atomic<TAnswer> m_answer { TAnswer::Running };
    std::atomic<FileOffset> m_done { 0 };
    std::thread m_thread;
};

} // namespace hy::viewer
