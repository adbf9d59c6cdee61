// The bodies of the scanning primitives, written once over a 64-byte mask builder. Each translation unit
// that includes this file gets its own copy (internal linkage), compiled for its own instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hy::viewer::scan {
namespace {

    // Masks::Get(p, a, b, ma, mb): bit i of ma (mb) is set when p[i] == a (b), for the 64 bytes at p.

    inline bool IsEnd(const uint8_t* p, size_t i, bool prevCR)
    {
        const uint8_t c = p[i];
        if (c == '\r')
            return true;
        return c == '\n' && !(i > 0 ? p[i - 1] == '\r' : prevCR);
    }

    template <class Masks> size_t FindNthImpl(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found)
    {
        uint64_t carry = prevCR ? 1 : 0;
        uint64_t total = 0;
        size_t i = 0;
        for (; i + 64 <= n; i += 64) {
            uint64_t mcr, mlf;
            Masks::Get(p + i, '\r', '\n', mcr, mlf);
            uint64_t ends = mcr | (mlf & ~((mcr << 1) | carry));
            carry = mcr >> 63;
            const uint64_t count = uint64_t(__builtin_popcountll(ends));
            if (count >= k) {
                for (uint64_t j = 1; j < k; ++j)
                    ends &= ends - 1;
                found = total + k;
                return i + size_t(__builtin_ctzll(ends));
            }
            k -= count;
            total += count;
        }
        for (; i < n; ++i) {
            if (IsEnd(p, i, prevCR)) {
                ++total;
                if (--k == 0) {
                    found = total;
                    return i;
                }
            }
        }
        found = total;
        return n;
    }

    template <class Masks>
    size_t FindNthReverseImpl(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found)
    {
        uint64_t total = 0;
        size_t e = n;
        while (e >= 64) {
            const size_t b = e - 64;
            uint64_t mcr, mlf;
            Masks::Get(p + b, '\r', '\n', mcr, mlf);
            const uint64_t carry = (b > 0 ? p[b - 1] == '\r' : prevCR) ? 1 : 0;
            uint64_t ends = mcr | (mlf & ~((mcr << 1) | carry));
            const uint64_t count = uint64_t(__builtin_popcountll(ends));
            if (count >= k) {
                for (uint64_t j = 1; j < k; ++j)
                    ends &= ~(uint64_t(1) << (63 - __builtin_clzll(ends)));
                found = total + k;
                return b + size_t(63 - __builtin_clzll(ends));
            }
            k -= count;
            total += count;
            e = b;
        }
        while (e > 0) {
            --e;
            if (IsEnd(p, e, prevCR)) {
                ++total;
                if (--k == 0) {
                    found = total;
                    return e;
                }
            }
        }
        found = total;
        return n;
    }

    template <class Masks> const uint8_t* FindEitherImpl(const uint8_t* p, const uint8_t* end, uint8_t a, uint8_t b)
    {
        while (end - p >= 64) {
            uint64_t ma, mb;
            Masks::Get(p, a, b, ma, mb);
            if (const uint64_t m = ma | mb)
                return p + __builtin_ctzll(m);
            p += 64;
        }
        for (; p < end; ++p) {
            if (*p == a || *p == b)
                return p;
        }
        return end;
    }

    template <class Masks>
    const uint8_t* FindLastEitherImpl(const uint8_t* begin, const uint8_t* end, uint8_t a, uint8_t b)
    {
        while (end - begin >= 64) {
            const uint8_t* p = end - 64;
            uint64_t ma, mb;
            Masks::Get(p, a, b, ma, mb);
            if (const uint64_t m = ma | mb)
                return p + (63 - __builtin_clzll(m));
            end = p;
        }
        while (end > begin) {
            --end;
            if (*end == a || *end == b)
                return end;
        }
        return nullptr;
    }

} // namespace
} // namespace hy::viewer::scan
