// The file model's read cache: a table of 4096-byte pages, refilled least recently used first, with a
// 16-bit use counter that wraps. An entry's buffer is allocated when it first takes a page.
#pragma once

#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvTypes.h"

#include <cstdint>
#include <vector>

namespace hy::viewer {

// One row of the page table as tests and diagnostics see it.
struct THvPageInfo {
    qint64 Page = -1; // page number (offset / 4096); -1 marks an empty entry
    int Valid = 0; // bytes the last read delivered
    quint16 Stamp = 0; // use counter value when the page was last touched
};

class THvPageCache {
public:
    static constexpr int kMinPages = 2;
    static constexpr int kMaxPages = 512;

    explicit THvPageCache(int count = 16);

    int Count() const { return int(m_entries.size()); }
    // Grows or shrinks the table (clamped to 2..512); the current page keeps its data when the table shrinks.
    void Resize(int count);
    // Empties every entry and restarts the use counter; the buffers stay.
    void Clear();
    // How many entries hold a buffer.
    int BuffersHeld() const;

    // The entry holding the page, reading it from the source when no entry holds it yet (then loaded is set). Reads
    // stop at fileSize. Returns the entry's index, which becomes the current page.
    int Fetch(const THvSourceRef& source, qint64 page, FileOffset fileSize, bool* loaded = nullptr);

    // The current page's entry, or -1 when there is none (the next access must fetch).
    int Current() const { return m_current; }
    void ForgetCurrent() { m_current = -1; }
    qint64 PageOf(int entry) const { return m_entries[size_t(entry)].page; }
    int ValidOf(int entry) const { return m_entries[size_t(entry)].valid; }
    const uint8_t* DataOf(int entry) const { return m_entries[size_t(entry)].buffer.Data(); }

    std::vector<THvPageInfo> Table() const;
    quint16 UseCounter() const { return m_useCounter; }

private:
    struct Entry {
        qint64 page = -1;
        int valid = 0;
        quint16 stamp = 0;
        THvAlignedBuffer buffer;
    };
    std::vector<Entry> m_entries;
    quint16 m_useCounter = 0;
    int m_current = -1;
};

} // namespace hy::viewer
