// Line-end counts at memory speed: 64 bytes at a time, LFs summed in byte lanes, and the exact CR rule
// only for the blocks that hold a CR (logs seldom do).
#include "core/compress/LineEnds.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hy::compress {

namespace {

    inline bool IsEnd(const uint8_t* p, size_t i, bool afterCR)
    {
        if (p[i] == '\r')
            return true;
        return p[i] == '\n' && !(i > 0 ? p[i - 1] == '\r' : afterCR);
    }

    uint64_t CountScalar(const uint8_t* p, size_t n, bool afterCR)
    {
        uint64_t count = 0;
        for (size_t i = 0; i < n; ++i)
            count += IsEnd(p, i, afterCR) ? 1 : 0;
        return count;
    }

} // namespace

uint64_t CountLineEnds(const uint8_t* p, size_t n, bool& afterCR)
{
    if (n == 0)
        return 0;
    uint64_t count = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    bool prevCR = afterCR;
    while (i + 64 <= n) {
        // Up to 255 blocks per lane sum before the byte lanes could overflow.
        __m128i lanes = _mm_setzero_si128();
        const size_t stop = i + 64 * 255 <= n ? i + 64 * 255 : n - (n - i) % 64;
        for (; i < stop; i += 64) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 32));
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 48));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(a, lf));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(b, lf));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(c, lf));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(d, lf));
            const __m128i anyCR = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a, cr), _mm_cmpeq_epi8(b, cr)),
                _mm_or_si128(_mm_cmpeq_epi8(c, cr), _mm_cmpeq_epi8(d, cr)));
            if (_mm_movemask_epi8(anyCR) != 0) {
                // Every CR is an end; the LFs right after one were summed above and are not.
                for (size_t j = 0; j < 64; ++j) {
                    const uint8_t ch = p[i + j];
                    if (ch == '\r')
                        ++count;
                    else if (ch == '\n' && (j > 0 ? p[i + j - 1] == '\r' : prevCR))
                        --count;
                }
            } else if (prevCR && p[i] == '\n') {
                --count;
            }
            prevCR = p[i + 63] == '\r';
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += uint64_t(_mm_cvtsi128_si64(sums)) + uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
    if (i > 0) {
        count += CountScalar(p + i, n - i, prevCR);
        afterCR = p[n - 1] == '\r';
        return count;
    }
#endif
    count += CountScalar(p, n, afterCR);
    afterCR = p[n - 1] == '\r';
    return count;
}

size_t FindLineEnd(const uint8_t* p, size_t n, bool afterCR, uint64_t k, uint64_t* seen)
{
    uint64_t found = 0;
    // Whole 64 KiB stretches are counted fast while the wanted end lies beyond them.
    constexpr size_t kStretch = size_t(64) << 10;
    size_t i = 0;
    bool before = afterCR;
    while (i + kStretch <= n) {
        bool after = before;
        const uint64_t c = CountLineEnds(p + i, kStretch, after);
        if (found + c > k)
            break;
        found += c;
        before = after;
        i += kStretch;
    }
    for (; i < n; ++i) {
        if (IsEnd(p, i, before)) {
            if (found == k)
                break;
            ++found;
        }
    }
    if (seen)
        *seen = found;
    return i;
}

} // namespace hy::compress
