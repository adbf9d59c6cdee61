// The file model's page cache.
#include "core/viewer/HvPageCache.h"

#include <algorithm>
#include <cstring>

namespace hy::viewer {

namespace {
    constexpr quint16 kStampWrap = 65535;
}

THvPageCache::THvPageCache(int count) { Resize(count); }

void THvPageCache::Resize(int count)
{
    count = std::clamp(count, kMinPages, kMaxPages);
    const int old = Count();
    if (count == old)
        return;
    if (count > old) {
        // The buffers come with the first page each entry holds: a window that reads little holds little.
        m_entries.resize(size_t(count));
        return;
    }
    // The current page moves to entry 0 so that the page being read is never the one dropped.
    if (m_current >= count) {
        std::swap(m_entries[0], m_entries[size_t(m_current)]);
        m_current = 0;
    }
    m_entries.resize(size_t(count));
}

void THvPageCache::Clear()
{
    for (Entry& e : m_entries) {
        e.page = -1;
        e.valid = 0;
        e.stamp = 0;
    }
    m_useCounter = 0;
    m_current = -1;
}

int THvPageCache::Fetch(const THvSourceRef& source, qint64 page, FileOffset fileSize, bool* loaded)
{
    int found = -1;
    int oldest = 0;
    for (int i = 0; i < Count(); ++i) {
        const Entry& e = m_entries[size_t(i)];
        if (e.page == page) {
            found = i;
            break;
        }
        if (e.stamp < m_entries[size_t(oldest)].stamp)
            oldest = i;
    }
    if (found < 0) {
        found = oldest;
        Entry& e = m_entries[size_t(found)];
        // Marked empty first: after a failed read the entry must not serve its old page again.
        e.page = -1;
        e.valid = 0;
        m_current = -1;
        std::memset(e.buffer.Reserve(kPageSize), 0, kPageSize);
        const FileOffset start = FileOffset(page) * kPageSize;
        const size_t want = size_t(std::clamp<FileOffset>(fileSize - start, 0, kPageSize));
        e.valid = int(ReadAt(source, start, e.buffer.Data(), want));
        if (loaded)
            *loaded = true;
    }
    if (++m_useCounter == kStampWrap) {
        m_useCounter = 1;
        for (Entry& e : m_entries)
            e.stamp = 0;
    }
    Entry& e = m_entries[size_t(found)];
    e.page = page;
    e.stamp = m_useCounter;
    m_current = found;
    return found;
}

int THvPageCache::BuffersHeld() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& e) { return e.buffer.Data(); }));
}

std::vector<THvPageInfo> THvPageCache::Table() const
{
    std::vector<THvPageInfo> rows;
    rows.reserve(m_entries.size());
    for (const Entry& e : m_entries)
        rows.push_back({ e.page, e.valid, e.stamp });
    return rows;
}

} // namespace hy::viewer
