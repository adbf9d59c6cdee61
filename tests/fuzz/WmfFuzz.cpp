// libFuzzer target: any bytes given to the metafile decoder give a picture or an error, never a crash.
#include "core/image/WmfDecoder.h"

#include "FuzzSupport.h"

#include <QGuiApplication>

HY_FUZZ_APPLICATION(QGuiApplication)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const hy::image::TDecodeResult result = hy::image::TWmfDecoder::Decode(data, std::int64_t(size));
    HY_FUZZ_CHECK(!result.Ok() || (!result.Image.isNull() && result.Image.width() <= hy::image::TWmfDecoder::MaxSide));
    HY_FUZZ_CHECK(result.Ok() || !result.ErrorText.isEmpty());
    return 0;
}
