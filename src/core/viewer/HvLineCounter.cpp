// The background line count: big sequential reads through the counter's own handle, line ends counted with
// the scan kernels (one-byte units) or unit by unit (UTF-16), checkpoints recorded as lines pass.
#include "core/viewer/HvLineCounter.h"

#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvModelScan.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace hy::viewer {

namespace {
    constexpr size_t kCountBlock = size_t(2) << 20;
} // namespace

THvLineCounter::THvLineCounter(Setup setup, std::function<void()> finished)
    : m_setup(std::move(setup))
    , m_onFinished(std::move(finished))
{
    m_result.Interval = std::max<LineNumber>(m_setup.Interval, 1);
    m_next = m_setup.NextCheckpoint >= m_setup.Line ? m_setup.NextCheckpoint : 0;
    m_thread = std::thread([this] { Run(); });
}

THvLineCounter::~THvLineCounter()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
}

void THvLineCounter::Stop() { m_stop.store(true, std::memory_order_relaxed); }

bool THvLineCounter::WaitFor(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    return m_done.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return Finished(); });
}

void THvLineCounter::Run()
{
    try {
        Count();
    } catch (...) {
        m_result.Complete = false; // a failed read leaves the count to the model's own scans
    }
    {
        std::lock_guard lock(m_mutex);
        m_finished.store(true, std::memory_order_release);
    }
    m_done.notify_all();
    if (m_onFinished)
        m_onFinished();
}

void THvLineCounter::Record(LineNumber line, FileOffset offset)
{
    auto& table = m_result.Checkpoints;
    table.push_back({ line, offset });
    LineNumber& interval = m_result.Interval;
    m_next = line + interval;
    if (int(table.size()) < m_setup.CheckpointLimit)
        return;
    // As the model's own table does: every second entry goes and the interval doubles.
    const LineNumber wider = interval * 2;
    table.erase(
        std::remove_if(table.begin(), table.end(), [wider](const Checkpoint& c) { return c.Line % wider != 0; }),
        table.end());
    interval = wider;
    m_next = (line / interval + 1) * interval;
}

void THvLineCounter::Count()
{
    const scan::TLineEnds e { m_setup.Unit, m_setup.BigEndian };
    const platform::TFileDescriptor& fd = m_setup.Handle;
    const size_t u = size_t(e.unit);
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    FileOffset end = m_setup.Size - m_setup.Size % FileOffset(u);
    // A CR as the file's last unit ends no line; before half a UTF-16 unit it does.
    if (end == m_setup.Size && end - m_setup.Start >= FileOffset(u)) {
        uint8_t last[4] = {};
        if (ReadAt(fd, end - FileOffset(u), last, u) == u && e.IsCR(last))
            end -= FileOffset(u);
    }
    LineNumber line = m_setup.Line;
    FileOffset pos = m_setup.Start;
    if (m_next != 0 && m_next == line)
        Record(line, pos);
    bool prevCR = false; // the byte before a line start never joins an LF at it
    THvAlignedBuffer buffer;
    while (pos < end) {
        if (m_stop.load(std::memory_order_relaxed))
            return;
        const size_t want = size_t(std::min<FileOffset>(FileOffset(kCountBlock), end - pos));
        uint8_t* p = buffer.Reserve(want);
        size_t n = ReadAt(fd, pos, p, want);
        n -= n % u;
        if (n == 0)
            return; // the file shrank under the count
        size_t i = 0;
        while (i < n) {
            const uint64_t k = m_next != 0 ? uint64_t(m_next - line) : scan::kAll;
            const bool before = i > 0 ? e.IsCR(p + i - u) : prevCR;
            uint64_t found = 0;
            const size_t idx = e.FindNth(p + i, n - i, before, k, found);
            if (idx >= n - i) {
                line += LineNumber(found);
                break;
            }
            const size_t q = i + idx;
            line += LineNumber(k);
            FileOffset start = pos + FileOffset(q + u);
            if (e.IsCR(p + q)) {
                uint8_t next[4] = {};
                if (q + 2 * u <= n) {
                    if (e.IsLF(p + q + u))
                        start += FileOffset(u);
                } else if (start < end && ReadAt(fd, start, next, u) == u && e.IsLF(next)) {
                    start += FileOffset(u);
                }
            }
            Record(line, start);
            i = q + u;
        }
        prevCR = e.IsCR(p + n - u);
        pos += FileOffset(n);
        m_bytesDone.store(pos - m_setup.Start, std::memory_order_relaxed);
    }
    m_result.LastLine = line;
    m_result.Complete = true;
}

} // namespace hy::viewer
