// The scanning primitives compiled for AVX2 (this file is built with -mavx2 and friends and only called
// after the processor was checked).
#include "core/viewer/HvModelScanKernels.h"

#include <immintrin.h>

namespace hy::viewer::scan {

namespace {
    struct Avx2Masks {
        static inline void Get(const uint8_t* p, uint8_t a, uint8_t b, uint64_t& ma, uint64_t& mb)
        {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
            const __m256i va = _mm256_set1_epi8(char(a));
            const __m256i vb = _mm256_set1_epi8(char(b));
            ma = uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, va))))
                | (uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(y, va)))) << 32);
            mb = uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, vb))))
                | (uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(y, vb)))) << 32);
        }
    };
} // namespace

size_t FindNthLineEndAvx2(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found)
{
    return FindNthImpl<Avx2Masks>(p, n, prevCR, k, found);
}

size_t FindNthLineEndReverseAvx2(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found)
{
    return FindNthReverseImpl<Avx2Masks>(p, n, prevCR, k, found);
}

const uint8_t* FindEitherAvx2(const uint8_t* p, const uint8_t* end, uint8_t a, uint8_t b)
{
    return FindEitherImpl<Avx2Masks>(p, end, a, b);
}

const uint8_t* FindLastEitherAvx2(const uint8_t* begin, const uint8_t* end, uint8_t a, uint8_t b)
{
    return FindLastEitherImpl<Avx2Masks>(begin, end, a, b);
}

} // namespace hy::viewer::scan
