// libFuzzer target: any bytes given to the metafile decoder give a picture or an error, never a crash.
#include "core/image/WmfDecoder.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const hy::image::TDecodeResult result = hy::image::TWmfDecoder::Decode(data, std::int64_t(size));
    if (result.Ok() && (result.Image.isNull() || result.Image.width() > hy::image::TWmfDecoder::MaxSide))
        __builtin_trap();
    if (!result.Ok() && result.ErrorText.isEmpty())
        __builtin_trap();
    return 0;
}
