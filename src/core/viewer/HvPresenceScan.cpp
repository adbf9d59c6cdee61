// The scan that tells whether a search can find anything from an offset on.
#include "core/viewer/HvPresenceScan.h"

#include "core/viewer/HvModelIo.h"

#include <algorithm>
#include <cstring>

namespace hy::viewer {

namespace {
    // Each read takes this much: large enough that the reads cost little beside the scan of their bytes.
    constexpr size_t kPresenceBlock = size_t(4) << 20;
    // Bytes of the first block counted to choose the probe byte, as the model's searches do.
    constexpr size_t kPresenceSample = size_t(64) << 10;
} // namespace

std::optional<TTextPattern> THvPresenceScan::PatternOf(const QString& text, unsigned options, TTextEncoding encoding)
{
    if (text.isEmpty() || IsStateful(encoding))
        return std::nullopt;
    TMatchQuery query;
    query.Text = text;
    query.MatchCase = (options & soMatchCase) != 0;
    query.Regex = (options & soRegex) != 0;
    const THvLineMatcher matcher(query, encoding);
    if (!matcher.Valid() || !matcher.Literal())
        return std::nullopt;
    return *matcher.Literal();
}

THvPresenceScan::THvPresenceScan(TReadAt read, TTextPattern pattern, FileOffset from, std::function<void()> finished)
    : m_read(std::move(read))
    , m_pattern(std::move(pattern))
    , m_from(std::max<FileOffset>(from, 0))
    , m_finished(std::move(finished))
{
    m_thread = std::thread([this] {
        TAnswer answer = TAnswer::Stopped;
        try {
            answer = Scan();
        } catch (...) {
            answer = TAnswer::Stopped; // a failed read: the search proper meets it and says so
        }
        m_answer.store(answer, std::memory_order_release);
        if (m_finished)
            m_finished();
    });
}

THvPresenceScan::~THvPresenceScan()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
}

THvPresenceScan::TAnswer THvPresenceScan::Scan()
{
    return std::visit(
        [this](auto& pattern) {
            // A match may straddle two reads: the last (longest match - 1) bytes of a read come again at the
            // start of the next one.
            const size_t keep = pattern.MaxLength() - 1;
            THvAlignedBuffer buffer;
            uint8_t* p = buffer.Reserve(kPresenceBlock + keep);
            FileOffset pos = m_from; // the file offset of p[0]
            size_t have = 0; // bytes carried over at p
            bool probed = false;
            for (;;) {
                if (m_stop.load(std::memory_order_relaxed))
                    return TAnswer::Stopped;
                const size_t got = m_read(pos + FileOffset(have), p + have, kPresenceBlock);
                const size_t n = have + got;
                const bool eof = got < kPresenceBlock;
                if (!probed && n > 0) {
                    TByteCounts counts {};
                    CountBytes(p, std::min(n, kPresenceSample), counts);
                    pattern.ChooseProbe(counts);
                    probed = true;
                }
                // Candidate starts with the shortest match's bytes all read; in the file's last block every
                // start that leaves room for one.
                const size_t room = eof ? pattern.MinLength() : pattern.MaxLength();
                const size_t starts = n >= room ? n - room + 1 : 0;
                const uint8_t* const hi = p + starts;
                for (const uint8_t* c = starts ? pattern.NextCandidate(p, hi) : nullptr; c;
                     c = pattern.NextCandidate(c + 1, hi)) {
                    if (pattern.MatchLength(c, n - size_t(c - p)))
                        return TAnswer::Possible;
                }
                m_done.store(pos + FileOffset(n) - m_from, std::memory_order_relaxed);
                if (eof)
                    return TAnswer::Absent;
                // The starts not tried yet come again at the start of the next block.
                const size_t carry = n - starts;
                std::memmove(p, p + starts, carry);
                pos += FileOffset(starts);
                have = carry;
            }
        },
        m_pattern);
}

} // namespace hy::viewer
