// Searching a whole file held in memory as the file model searches it.
#include "core/viewer/HvTextFinder.h"

#include <algorithm>
#include <variant>

namespace hy::viewer {

namespace {

    // The first match of the block scan over one block that holds the whole file (see FindTextForward).
    template <class P> bool HoldsMatch(P& pattern, const uint8_t* p, size_t size)
    {
        const size_t shortest = pattern.MinLength();
        if (size == 0 || pattern.HasLineBreak() || shortest == 0 || size < shortest)
            return false;
        if (!pattern.HasProbe()) {
            // The first file's bytes choose the probe for all that follow, as the model's shared counts do.
            TByteCounts counts {};
            CountBytes(p, std::min(size, kDetectBytes), counts);
            pattern.ChooseProbe(counts);
        }
        const uint8_t* const end = p + (size - shortest + 1);
        const uint8_t* known = nullptr;
        for (const uint8_t* c = pattern.NextCandidate(p, end); c; c = pattern.NextCandidate(c + 1, end)) {
            const size_t at = size_t(c - p);
            if (!pattern.Aligned(qint64(at)))
                continue;
            if (pattern.MatchLength(c, size - at) == 0)
                continue;
            if (!pattern.NeedsCharCheck() || pattern.StartsChar(p, c, p + size, true, &known) == TCharStart::Yes)
                return true;
        }
        return false;
    }

} // namespace

THvTextFinder::THvTextFinder(const QString& text, bool matchCase)
    : m_text(text)
    , m_matchCase(matchCase)
{
}

std::optional<bool> THvTextFinder::Contains(const uint8_t* bytes, size_t size)
{
    const TTextEncoding encoding = DetectEncoding(bytes, std::min(size, kDetectBytes), size > kDetectBytes);
    if (IsStateful(encoding))
        return std::nullopt;
    auto slot = m_patterns.find(encoding);
    if (slot == m_patterns.end())
        slot = m_patterns
                   .emplace(encoding, MakeTextPattern(m_text, encoding, m_matchCase, THvSearchPattern::Kind::TextLine))
                   .first;
    if (!slot->second)
        return false;
    return std::visit([&](auto& pattern) { return HoldsMatch(pattern, bytes, size); }, *slot->second);
}

} // namespace hy::viewer
