// Device-independent bitmaps as they are embedded in metafile records: header, colour table and bits.
#pragma once

#include <QImage>
#include <cstdint>

namespace hy::image {

class TDibImage {
public:
    // Decodes a packed DIB (BITMAPCOREHEADER or BITMAPINFOHEADER, colour table, bits) of at most `size` bytes.
    // Returns a null image for anything malformed, larger than `maxPixels` or larger than the bytes could hold.
    static QImage Decode(const uchar* data, std::int64_t size, std::int64_t maxPixels);
    // True when the DIB is stored bottom-up (the usual order), which decides where a source rectangle starts.
    static bool IsBottomUp(const uchar* data, std::int64_t size);
};

} // namespace hy::image
