// Decoder of ZSoft PCX pictures: 1, 2, 4 and 8 bits per plane, one to four planes, run-length or raw data,
// the 16-colour palette of the header and the 256-colour palette at the end of the file.
#pragma once

#include "core/image/ImageTypes.h"

namespace hy::image {

class TPcxDecoder {
public:
    // True when the bytes start like a PCX file.
    static bool Recognise(const uchar* data, std::int64_t size);
    // Decodes a whole PCX file held in memory. Progress is reported by rows.
    static TDecodeResult Decode(const uchar* data, std::int64_t size, const ProgressCallback& progress = {});
};

} // namespace hy::image
