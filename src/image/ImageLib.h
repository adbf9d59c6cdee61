// The imaging boundary: loads a picture file of a named kind into a QImage with its information, reporting
// progress and giving the decoder's own error text on failure. Qt's readers handle BMP, JPEG, PNG, GIF,
// TIFF, WebP and ICO; PCX and WMF have decoders of our own.
#pragma once

#include "image/ImageTypes.h"

namespace hy::image {

// The kinds of picture the component loads, named by their extension; Unknown is judged by the content alone.
enum class TImageKind { Bmp, Jpg, Png, Gif, Tif, Pcx, Wmf, Ico, Webp, Unknown };

class TImageLib {
public:
    // Colour depth asked of the decoder: lColorVga 0, lMonoChrome 1, lColor16 4, lColor256 8, lColorTrue 24;
    // lAutoMatic follows the screen: 4 or less gives 4, below 16 gives 8, otherwise 24.
    static int DecoderBits(TLoadResolution resolution, int screenDepth);

    // Loads a picture. `bits` is a depth from DecoderBits (the picture is reduced to it when it has more
    // colours), `dither` chooses error diffusion for that reduction. The progress callback is called with the
    // percentage done and stops the load when it returns 0. On success Info holds the file's facts (FileSize
    // included); on failure Code is an ImageError and ErrorText the decoder's words.
    static TDecodeResult LoadImage(
        TImageKind kind, const QString& fileName, int bits, bool dither, const ProgressCallback& progress = {});

    // Decodes bytes already in memory with the decoder for `kind` (no depth reduction).
    static TDecodeResult DecodeData(TImageKind kind, const QByteArray& data, const ProgressCallback& progress = {});

    // The library's text for an error number.
    static QString ErrorText(int code);
};

} // namespace hy::image
