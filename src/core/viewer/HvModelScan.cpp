// The scanning primitives: the AVX2 build when the processor has it, otherwise SSE2 on x86-64 and plain
// byte loops elsewhere. The builds are listed once, on first use.
#include "core/viewer/HvModelScan.h"

#include "core/viewer/HvModelScanKernels.h"

#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#define HY_SCAN_X86_64 1
#endif

namespace hy::viewer::scan {

#ifdef HY_SCAN_X86_64
size_t FindNthLineEndAvx2(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found);
size_t FindNthLineEndReverseAvx2(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found);
const uint8_t* FindEitherAvx2(const uint8_t* p, const uint8_t* end, uint8_t a, uint8_t b);
const uint8_t* FindLastEitherAvx2(const uint8_t* begin, const uint8_t* end, uint8_t a, uint8_t b);
#endif

namespace {

#ifdef HY_SCAN_X86_64
    struct Sse2Masks {
        static inline uint64_t Eq(const uint8_t* p, __m128i v)
        {
            uint64_t m = 0;
            for (int i = 0; i < 4; ++i) {
                const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
                m |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(x, v)))) << (16 * i);
            }
            return m;
        }
        static inline void Get(const uint8_t* p, uint8_t a, uint8_t b, uint64_t& ma, uint64_t& mb)
        {
            ma = Eq(p, _mm_set1_epi8(char(a)));
            mb = Eq(p, _mm_set1_epi8(char(b)));
        }
    };
    using PortableMasks = Sse2Masks;
#else
    struct PlainMasks {
        static inline void Get(const uint8_t* p, uint8_t a, uint8_t b, uint64_t& ma, uint64_t& mb)
        {
            ma = mb = 0;
            for (int i = 0; i < 64; ++i) {
                ma |= uint64_t(p[i] == a) << i;
                mb |= uint64_t(p[i] == b) << i;
            }
        }
    };
    using PortableMasks = PlainMasks;
#endif

#ifdef HY_SCAN_X86_64
    // LZCNT is announced in the extended feature leaf (ECX bit 5); not every compiler's feature test
    // knows its name.
    bool HasLzcnt()
    {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        return __get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx) != 0 && (ecx & (1u << 5)) != 0;
    }
#endif

    bool HasAvx2()
    {
#ifdef HY_SCAN_X86_64
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi")
            && HasLzcnt();
#else
        return false;
#endif
    }

    const TKernelSet& Pick() { return KernelSets().back(); }

#ifdef HY_SCAN_X86_64
    constexpr const char* kPortableName = "sse2";
#else
    constexpr const char* kPortableName = "plain";
#endif

} // namespace

size_t FindNthLineEnd(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found)
{
    found = 0;
    return k == 0 ? 0 : Pick().FindNthLineEnd(p, n, prevCR, k, found);
}

size_t FindNthLineEndReverse(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found)
{
    found = 0;
    return k == 0 ? n : Pick().FindNthLineEndReverse(p, n, prevCR, k, found);
}

const uint8_t* FindEither(const uint8_t* p, const uint8_t* end, uint8_t a, uint8_t b)
{
    if (p >= end)
        return end;
    if (a == b) {
        const void* hit = std::memchr(p, a, size_t(end - p));
        return hit ? static_cast<const uint8_t*>(hit) : end;
    }
    return Pick().FindEither(p, end, a, b);
}

const uint8_t* FindLastEither(const uint8_t* begin, const uint8_t* end, uint8_t a, uint8_t b)
{
    if (begin >= end)
        return nullptr;
    if (a == b)
        return static_cast<const uint8_t*>(::memrchr(begin, a, size_t(end - begin)));
    return Pick().FindLastEither(begin, end, a, b);
}

const std::vector<TKernelSet>& KernelSets()
{
    static const std::vector<TKernelSet> sets = [] {
        std::vector<TKernelSet> list { { kPortableName, FindNthImpl<PortableMasks>, FindNthReverseImpl<PortableMasks>,
            FindEitherImpl<PortableMasks>, FindLastEitherImpl<PortableMasks> } };
#ifdef HY_SCAN_X86_64
        if (HasAvx2())
            list.push_back(
                { "avx2", FindNthLineEndAvx2, FindNthLineEndReverseAvx2, FindEitherAvx2, FindLastEitherAvx2 });
#endif
        return list;
    }();
    return sets;
}

} // namespace hy::viewer::scan
