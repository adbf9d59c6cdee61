// Types shared by the imaging boundary and its decoders: colour depths, the progress callback, the
// information kept about a loaded picture and the result of one decode.
#pragma once

#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <functional>

namespace hy::image {

// Colour depth asked of the decoder when a picture is read.
enum class TLoadResolution { lColorVga, lMonoChrome, lColor16, lColor256, lColorTrue, lAutoMatic };
// Depth a picture would be saved with (kept by the component, the program saves no pictures).
enum class TSaveResolution { sColorVga, sMonoChrome, sColor16, sColor256, sColorTrue, sJpegGray, sAutoMatic };
enum class TTiffCompression { sNONE, sCCITT, sLZW, sPACKBITS };

// Called with the percentage done; returning 0 stops the decoder, anything else lets it go on.
using ProgressCallback = std::function<int(int percent)>;

// Error numbers of the imaging library: a load result of 1 or more is success.
enum ImageError : int {
    ImageOk = 1,
    ErrCannotOpen = -1,
    ErrNotThisFormat = -2,
    ErrTruncated = -3,
    ErrCorrupt = -4,
    ErrTooLarge = -5,
    ErrUnsupported = -6,
    ErrStopped = -7,
    ErrNoMemory = -8,
};

// Largest picture any decoder builds; larger declared sizes are refused before anything is allocated.
inline constexpr std::int64_t MaxPixels = 256LL * 1024 * 1024;

// What the library tells about a picture after a load.
struct TImageInfo {
    QString FormatName; // short name such as "PCX" or "JPEG" (at most 9 characters)
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0; // bits of one plane's pixel, 0 when the format has no pixels (metafiles)
    int Planes = 0; // colour planes; the colour count is 2 ^ (BitsPerPixel * Planes)
    int PaletteSize = 0; // entries of the file's colour table, 0 without one
    QString Description; // short text about the encoding (at most 25 characters)
    std::int64_t FileSize = 0;
};

// Result of one decode: Code is ImageOk or an ImageError, ErrorText the decoder's own words on failure.
struct TDecodeResult {
    int Code = ImageOk;
    QString ErrorText;
    QImage Image;
    TImageInfo Info;
    // The file's bytes, where the picture is shown from them again after decoding (the frames of an animation,
    // a drawing rendered at each size); read on the loading thread with the picture.
    QByteArray Source;

    bool Ok() const { return Code >= 1; }
    static TDecodeResult Failure(int code, const QString& text)
    {
        TDecodeResult r;
        r.Code = code;
        r.ErrorText = text;
        return r;
    }
};

// Reports progress to a callback in whole percents, calling it only when the percentage changes.
class TProgressSteps {
public:
    TProgressSteps(const ProgressCallback& callback, std::int64_t total)
        : m_callback(callback)
        , m_total(total > 0 ? total : 1)
    {
    }
    // Returns false when the callback asked to stop.
    bool Step(std::int64_t done)
    {
        if (!m_callback)
            return true;
        const int percent = int(std::clamp<std::int64_t>(done * 100 / m_total, 0, 100));
        if (percent == m_last)
            return true;
        m_last = percent;
        return m_callback(percent) != 0;
    }

private:
    const ProgressCallback& m_callback;
    std::int64_t m_total;
    int m_last = -1;
};

} // namespace hy::image
