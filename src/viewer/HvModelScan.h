// Byte-scanning primitives of the file model: counting and finding line ends (CR LF, CR alone, LF alone)
// and finding either of two bytes, over whole blocks with vector instructions where the processor has them.
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

inline uint64_t CountLineEnds(const uint8_t* p, size_t n, bool prevCR)
{
    uint64_t found = 0;
    FindNthLineEnd(p, n, prevCR, kAll, found);
    return found;
}

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

} // namespace hy::viewer::scan
