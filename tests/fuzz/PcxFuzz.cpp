// libFuzzer target: any bytes given to the PCX decoder give a picture or an error, never a crash.
#include "core/image/PcxDecoder.h"

#include "FuzzSupport.h"

#include <QGuiApplication>

HY_FUZZ_APPLICATION(QGuiApplication)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int calls = 0;
    const hy::image::ProgressCallback progress = [&calls](int) { return ++calls < 1000000 ? 1 : 0; };
    const hy::image::TDecodeResult result = hy::image::TPcxDecoder::Decode(data, std::int64_t(size), progress);
    HY_FUZZ_CHECK(!result.Ok() || (!result.Image.isNull() && result.Image.width() == result.Info.Width));
    HY_FUZZ_CHECK(result.Ok() || !result.ErrorText.isEmpty());
    return 0;
}
