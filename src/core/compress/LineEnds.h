// Counting line ends in decoded text as the viewer numbers lines: a CR ends a line, and so does an LF that
// does not follow a CR (CR LF is one line end, counted at its CR).
#pragma once

#include <cstddef>
#include <cstdint>

namespace hy::compress {

// The line ends in the n bytes at p. afterCR says whether the byte before p was a CR (so that an LF at p[0]
// belongs to it); on return it says whether p's last byte is a CR (unchanged when n is 0).
uint64_t CountLineEnds(const uint8_t* p, size_t n, bool& afterCR);

// Where the (k+1)-th line end of the n bytes at p is (k counts from 0), or n when they hold k or fewer;
// *seen gets how many line ends lie before the returned index. afterCR as above, for the byte before p.
size_t FindLineEnd(const uint8_t* p, size_t n, bool afterCR, uint64_t k, uint64_t* seen = nullptr);

} // namespace hy::compress
