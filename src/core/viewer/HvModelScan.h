// Byte-scanning primitives of the file model: counting and finding line ends (CR LF, CR alone, LF alone)
// and finding either of two bytes, over whole blocks with vector instructions where the processor has them;
// TLineEnds, the line-end rules in code units of one byte or of two (UTF-16), shared by the model and the
// background line count.
//
// A line end is counted at its first byte: every CR, and every LF that does not follow a CR. prevCR tells
// whether the byte just before the block is a CR (then an LF at the block's start belongs to that line end).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hy::viewer::scan {

inline constexpr uint64_t kAll = ~uint64_t(0);

// Index of the first byte of the k-th line end (k >= 1) in [p, p + n), or n when there are fewer; found
// receives how many line ends were counted (k when the k-th was found).
size_t FindNthLineEnd(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found);

// Index of the first byte of the k-th line end counted from the back, or n when there are fewer.
size_t FindNthLineEndReverse(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found);

// First byte in [p, end) equal to a or b; end when there is none.
const uint8_t* FindEither(const uint8_t* p, const uint8_t* end, uint8_t a, uint8_t b);

// Last byte in [begin, end) equal to a or b; nullptr when there is none.
const uint8_t* FindLastEither(const uint8_t* begin, const uint8_t* end, uint8_t a, uint8_t b);

inline const uint8_t* FindLineBreak(const uint8_t* p, const uint8_t* end) { return FindEither(p, end, '\r', '\n'); }
inline const uint8_t* FindLastLineBreak(const uint8_t* begin, const uint8_t* end)
{
    return FindLastEither(begin, end, '\r', '\n');
}

// One build of the primitives above. Its functions expect what the wrappers above make sure of: k >= 1,
// a non-empty range, a != b.
struct TKernelSet {
    const char* Name;
    size_t (*FindNthLineEnd)(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found);
    size_t (*FindNthLineEndReverse)(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found);
    const uint8_t* (*FindEither)(const uint8_t* p, const uint8_t* end, uint8_t a, uint8_t b);
    const uint8_t* (*FindLastEither)(const uint8_t* begin, const uint8_t* end, uint8_t a, uint8_t b);
};

// Every build this processor can run: the portable one first, then AVX2 when the processor has it. The
// wrappers above use the last one.
const std::vector<TKernelSet>& KernelSets();

// Line ends in code units: CR, LF or CR LF, where a unit is one byte, two bytes in UTF-16 or four in UTF-32. A line end
// is counted at its first unit: every CR, and every LF that does not follow a CR.
struct TLineEnds {
    int unit = 1;
    bool big = false;

    char32_t Unit(const uint8_t* q) const
    {
        if (unit == 1)
            return *q;
        if (unit == 2)
            return big ? char32_t(q[0] << 8 | q[1]) : char32_t(q[1] << 8 | q[0]);
        return big ? char32_t(q[0]) << 24 | char32_t(q[1]) << 16 | char32_t(q[2]) << 8 | q[3]
                   : char32_t(q[3]) << 24 | char32_t(q[2]) << 16 | char32_t(q[1]) << 8 | q[0];
    }
    bool IsCR(const uint8_t* q) const { return Unit(q) == '\r'; }
    bool IsLF(const uint8_t* q) const { return Unit(q) == '\n'; }
    size_t Whole(size_t n) const { return n - n % size_t(unit); }

    size_t FindNth(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found) const
    {
        if (unit == 1)
            return scan::FindNthLineEnd(p, n, prevCR, k, found);
        found = 0;
        bool prev = prevCR;
        const size_t u1 = size_t(unit);
        for (size_t i = 0; i + u1 <= n; i += u1) {
            const char32_t u = Unit(p + i);
            const bool end = u == '\r' || (u == '\n' && !prev);
            prev = u == '\r';
            if (end && ++found == k)
                return i;
        }
        return n;
    }

    size_t FindNthReverse(const uint8_t* p, size_t n, bool prevCR, uint64_t k, uint64_t& found) const
    {
        if (unit == 1)
            return scan::FindNthLineEndReverse(p, n, prevCR, k, found);
        found = 0;
        const size_t u1 = size_t(unit);
        for (size_t i = Whole(n); i >= u1; i -= u1) {
            const size_t q = i - u1;
            const char32_t u = Unit(p + q);
            const bool afterCR = q >= u1 ? IsCR(p + q - u1) : prevCR;
            if ((u == '\r' || (u == '\n' && !afterCR)) && ++found == k)
                return q;
        }
        return n;
    }

    const uint8_t* FindBreak(const uint8_t* p, const uint8_t* end) const
    {
        if (unit == 1)
            return scan::FindLineBreak(p, end);
        for (; p + unit <= end; p += unit) {
            if (IsCR(p) || IsLF(p))
                return p;
        }
        return end;
    }

    const uint8_t* FindLastBreak(const uint8_t* begin, const uint8_t* end) const
    {
        if (unit == 1)
            return scan::FindLastLineBreak(begin, end);
        for (const uint8_t* q = begin + Whole(size_t(end - begin)); q >= begin + unit;) {
            q -= unit;
            if (IsCR(q) || IsLF(q))
                return q;
        }
        return nullptr;
    }
};

} // namespace hy::viewer::scan
