// The imaging boundary: loads a picture file of a named kind into a QImage with its information, reporting
// progress and giving the decoder's own error text on failure. Qt's readers handle BMP, JPEG, PNG, GIF,
// TIFF, WebP and ICO, Qt SVG draws SVG drawings; PCX and WMF have decoders of our own.
#pragma once

#include "core/image/ImageTypes.h"

#include <functional>

namespace hy::image {

// The kinds of picture the component loads, named by their extension; Unknown is judged by the content alone.
enum class TImageKind { Bmp, Jpg, Png, Gif, Tif, Pcx, Wmf, Ico, Webp, Svg, Unknown };

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

    // Runs a load on a thread of its own and waits for it here, so that a picture that takes long (or one whose
    // records ask for much drawing) never keeps the calling thread from its other work. report is called on
    // the calling thread with each new percentage the load tells (the load waits for the answer) and, while
    // the load has nothing new to tell, every PumpMilliseconds with the last one: the caller keeps its windows
    // painted and answering there. When report answers 0 the wait ends at once with ErrStopped; the load is
    // told to stop, ends by itself and its result is dropped. Without report the wait is plain. Loads still
    // running when the application ends are stopped and waited for before it takes its fonts and screens away.
    static TDecodeResult RunAside(
        std::function<TDecodeResult(const ProgressCallback& progress)> load, const ProgressCallback& report);
    static constexpr int PumpMilliseconds = 20;

    // Decodes bytes already in memory with the decoder for `kind` (no depth reduction).
    static TDecodeResult DecodeData(TImageKind kind, const QByteArray& data, const ProgressCallback& progress = {});

    // Draws an SVG drawing (plain or gzip-compressed) into a picture of the given size, or of the drawing's own
    // size when size is empty; the sides are held to MaxVectorSide keeping the drawing's proportions. Info
    // names the format "SVG" and gives the drawing's own size.
    static TDecodeResult RenderSvg(const QByteArray& data, const QSize& size = {});
    static constexpr int MaxVectorSide = 8192;

    // The library's text for an error number.
    static QString ErrorText(int code);
};

} // namespace hy::image
