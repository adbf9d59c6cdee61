// Decoder of Windows metafiles (placeable and plain): plays the drawing records onto a QImage with QPainter.
#pragma once

#include "core/image/ImageTypes.h"

namespace hy::image {

class TWmfDecoder {
public:
    // Resolution at which a placeable metafile's size in inches becomes pixels.
    static constexpr int ScreenDpi = 96;
    // Longest side of the picture a metafile is played onto; larger frames are scaled down to it.
    static constexpr int MaxSide = 4096;

    // True when the bytes start like a metafile (placeable key or a plain metafile header).
    static bool Recognise(const uchar* data, std::int64_t size);
    // Plays a whole metafile held in memory onto a white picture. Progress is reported by records.
    static TDecodeResult Decode(const uchar* data, std::int64_t size, const ProgressCallback& progress = {});
};

} // namespace hy::image
