// Search text preparation and candidate finding for the file model's searches.
#include "viewer/HvTextSearch.h"

#include "platform/Cp1252.h"
#include "viewer/HvModelScan.h"

#include <cstring>
#include <vector>

namespace hy::viewer {

uint8_t AnsiUpper(uint8_t c) { return platform::Cp1252Upper(c); }

namespace {

    // A rough idea of how common a byte is in text, used to break ties between equally rare sample bytes.
    int TextWeight(uint8_t c)
    {
        if (c == ' ')
            return 100;
        if (c && std::strchr("etaoinsrhl", c))
            return 60;
        if (c >= 'a' && c <= 'z')
            return 30;
        if (c >= '0' && c <= '9')
            return 25;
        if (c >= 'A' && c <= 'Z')
            return 15;
        if (c >= 33 && c < 127)
            return 10;
        return 1;
    }

} // namespace

THvSearchPattern::THvSearchPattern(const QByteArray& text, bool matchCase, Kind kind)
{
    const qsizetype zero = text.indexOf('\0');
    const QByteArray cut = zero >= 0 ? text.left(zero) : text;
    for (int c = 0; c < 256; ++c) {
        uint8_t t = uint8_t(c);
        if (!matchCase && (kind == Kind::TextLine || c >= 33))
            t = AnsiUpper(t);
        m_table[c] = t;
    }
    if (kind == Kind::TextLine)
        m_table[0] = ' ';
    m_folded.reserve(size_t(cut.size()));
    for (char ch : cut) {
        const uint8_t c = uint8_t(ch);
        m_folded.push_back(char(matchCase ? c : AnsiUpper(c)));
        if (c == '\r' || c == '\n')
            m_hasLineBreak = true;
    }
}

bool THvSearchPattern::Matches(const uint8_t* p) const
{
    const auto* f = reinterpret_cast<const uint8_t*>(m_folded.data());
    for (size_t i = 0; i < m_folded.size(); ++i) {
        if (m_table[p[i]] != f[i])
            return false;
    }
    return true;
}

void THvSearchPattern::ChooseProbe(const uint8_t* sample, size_t n)
{
    m_probeCount = 0;
    if (m_folded.empty())
        return;
    std::vector<size_t> counts(256, 0);
    for (size_t i = 0; i < n; ++i)
        ++counts[sample[i]];
    double best = -1;
    for (size_t j = 0; j < m_folded.size(); ++j) {
        const uint8_t want = uint8_t(m_folded[j]);
        double score = 0;
        int members = 0;
        for (int c = 0; c < 256; ++c) {
            if (m_table[c] == want) {
                score += double(counts[size_t(c)]) * 1000.0 + TextWeight(uint8_t(c));
                ++members;
            }
        }
        if (members == 0)
            score = -1; // nothing in any file can match this byte
        if (best < 0 || score < best) {
            best = score;
            m_probe = j;
        }
        if (score < 0)
            break;
    }
    const uint8_t want = uint8_t(m_folded[m_probe]);
    std::memset(m_probeTable, 0, sizeof m_probeTable);
    for (int c = 0; c < 256; ++c) {
        if (m_table[c] == want) {
            m_probeTable[c] = true;
            if (m_probeCount < 2)
                m_probeBytes[m_probeCount] = uint8_t(c);
            ++m_probeCount;
        }
    }
}

const uint8_t* THvSearchPattern::NextCandidate(const uint8_t* lo, const uint8_t* hi) const
{
    if (lo >= hi || m_probeCount == 0)
        return nullptr;
    const uint8_t* p = lo + m_probe;
    const uint8_t* end = hi + m_probe;
    if (m_probeCount <= 2) {
        const uint8_t b = m_probeCount == 1 ? m_probeBytes[0] : m_probeBytes[1];
        p = scan::FindEither(p, end, m_probeBytes[0], b);
        return p < end ? p - m_probe : nullptr;
    }
    for (; p < end; ++p) {
        if (m_probeTable[*p])
            return p - m_probe;
    }
    return nullptr;
}

const uint8_t* THvSearchPattern::PrevCandidate(const uint8_t* lo, const uint8_t* hi) const
{
    if (lo >= hi || m_probeCount == 0)
        return nullptr;
    const uint8_t* begin = lo + m_probe;
    const uint8_t* end = hi + m_probe;
    if (m_probeCount <= 2) {
        const uint8_t b = m_probeCount == 1 ? m_probeBytes[0] : m_probeBytes[1];
        const uint8_t* p = scan::FindLastEither(begin, end, m_probeBytes[0], b);
        return p ? p - m_probe : nullptr;
    }
    while (end > begin) {
        --end;
        if (m_probeTable[*end])
            return end - m_probe;
    }
    return nullptr;
}

} // namespace hy::viewer
