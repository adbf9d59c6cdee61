// Counts the text lines of a file from a known line start to its end on a thread of its own, through a
// read handle of its own, and records (line, offset) checkpoints on the way. The thread touches nothing
// but its own state: the owner takes the result on its own thread once Finished() says so.
#pragma once

#include "core/viewer/HvTypes.h"
#include "platform/FileDescriptor.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace hy::viewer {

class THvLineCounter {
public:
    struct Setup {
        platform::TFileDescriptor Handle; // a read handle of the counter's own
        FileOffset Size = 0; // the file's size when the count began
        int Unit = 1; // code unit size: 1, 2 in UTF-16, 4 in UTF-32
        bool BigEndian = false;
        LineNumber Line = 0; // a line whose start is known
        FileOffset Start = 0; // its start
        LineNumber NextCheckpoint = 0; // the next line to record (a multiple of Interval), 0 for none
        LineNumber Interval = 64;
        int CheckpointLimit = 1 << 16; // past this many the interval doubles and every second entry goes
    };
    struct Checkpoint {
        LineNumber Line = 0;
        FileOffset Offset = 0;
    };
    struct Result {
        bool Complete = false; // false when stopped or when a read failed
        LineNumber LastLine = 0; // the number of the file's last line
        std::vector<Checkpoint> Checkpoints; // ascending, at multiples of Interval
        LineNumber Interval = 64;
    };

    // Starts counting at once; finished is called on the counting thread when it is done (or stopped).
    THvLineCounter(Setup setup, std::function<void()> finished = {});
    ~THvLineCounter(); // stops the count and waits for its thread
    THvLineCounter(const THvLineCounter&) = delete;
    THvLineCounter& operator=(const THvLineCounter&) = delete;

    void Stop();
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    // Waits until the count is done or the time has passed; true when done.
    bool WaitFor(int milliseconds);
    FileOffset BytesDone() const { return m_bytesDone.load(std::memory_order_relaxed); }
    FileOffset BytesTotal() const { return m_setup.Size - m_setup.Start; }
    // The result; only once Finished().
    const Result& Outcome() const { return m_result; }

private:
    void Run();
    void Count();
    void Record(LineNumber line, FileOffset offset);

    Setup m_setup;
    std::function<void()> m_onFinished;
    Result m_result;
    LineNumber m_next = 0;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_finished { false };
    std::atomic<FileOffset> m_bytesDone { 0 };
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::thread m_thread;
};

} // namespace hy::viewer
