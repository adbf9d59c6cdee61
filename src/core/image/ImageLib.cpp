// Imaging boundary: chooses the decoder, maps the file for our own decoders, reduces colour depth and fills
// the picture information.
#include "core/image/ImageLib.h"

#include "core/image/PcxDecoder.h"
#include "core/image/WmfDecoder.h"
#include "platform/PlatformFiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace hy::image {

namespace {
    QString Text(const char* s) { return QCoreApplication::translate("TImageLib", s); }

    // Our decoders read from memory; larger files than this are refused.
    constexpr qint64 MaxReadBytes = 512LL * 1024 * 1024;

    QString LongName(const QByteArray& format)
    {
        if (format == "bmp")
            return Text("Windows bitmap");
        if (format == "jpeg" || format == "jpg")
            return Text("JPEG File Interchange");
        if (format == "png")
            return Text("Portable Network Graphics");
        if (format == "gif")
            return Text("Graphics Interchange");
        if (format == "tiff" || format == "tif")
            return Text("Tagged Image File");
        if (format == "ico" || format == "cur")
            return Text("Windows icon");
        if (format == "webp")
            return Text("WebP");
        return QString::fromLatin1(format).toUpper();
    }

    void FillDepth(const QImage& image, TImageInfo& info)
    {
        info.Planes = 1;
        info.PaletteSize = int(image.colorCount());
        switch (image.format()) {
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB:
            info.BitsPerPixel = 1;
            break;
        case QImage::Format_Indexed8: {
            int bits = 1;
            while (bits < 8 && (1 << bits) < image.colorCount())
                ++bits;
            info.BitsPerPixel = bits;
            break;
        }
        case QImage::Format_Grayscale8:
            info.BitsPerPixel = 8;
            break;
        default:
            info.BitsPerPixel = image.hasAlphaChannel() ? 32 : 24;
            break;
        }
    }

    QList<QRgb> VgaPalette()
    {
        return { qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0), qRgb(0, 0, 128), qRgb(128, 0, 128),
            qRgb(0, 128, 128), qRgb(192, 192, 192), qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(0, 255, 0),
            qRgb(255, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255) };
    }

    // Reduces a picture to the asked depth when it has more colours than that depth holds.
    QImage ReduceDepth(const QImage& image, int bits, bool dither)
    {
        const Qt::ImageConversionFlags flags
            = Qt::ColorOnly | (dither ? Qt::DiffuseDither | Qt::DiffuseAlphaDither : Qt::ThresholdDither);
        const bool indexed = image.format() == QImage::Format_Indexed8 || image.depth() == 1;
        if (bits == 1)
            return image.depth() == 1 ? image : image.convertToFormat(QImage::Format_Mono, flags);
        if (bits == 0 || bits == 4) {
            if (indexed && image.colorCount() <= 16)
                return image;
            return image.convertToFormat(QImage::Format_Indexed8, VgaPalette(), flags);
        }
        if (bits == 8)
            return indexed ? image : image.convertToFormat(QImage::Format_Indexed8, flags);
        if (indexed)
            return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        return image;
    }

    TDecodeResult DecodeOwn(TImageKind kind, const uchar* data, qint64 size, const ProgressCallback& progress)
    {
        if (kind == TImageKind::Pcx)
            return TPcxDecoder::Decode(data, size, progress);
        return TWmfDecoder::Decode(data, size, progress);
    }

    // Bits per pixel as the file stores them, where its header says so plainly; 0 when it does not.
    int StoredBits(const QByteArray& format, const QByteArray& header)
    {
        const auto* h = reinterpret_cast<const uchar*>(header.constData());
        const qsizetype n = header.size();
        if (format == "png" && n >= 26) {
            const int channels[] = { 1, 0, 3, 1, 2, 0, 4 };
            return h[25] <= 6 ? h[24] * channels[h[25]] : 0;
        }
        if (format == "gif" && n >= 11 && (h[10] & 0x80))
            return (h[10] & 7) + 1;
        if (format == "bmp" && n >= 30) {
            const unsigned headerSize = h[14] | (h[15] << 8);
            return headerSize == 12 ? (h[24] | (h[25] << 8)) : headerSize >= 40 ? (h[28] | (h[29] << 8)) : 0;
        }
        return 0;
    }

    // Moves the reader to its largest picture (by area, then by colour depth); the first among equals.
    void JumpToLargestImage(QImageReader& reader)
    {
        const int count = reader.imageCount();
        if (count <= 1)
            return;
        int best = 0;
        std::int64_t bestArea = -1;
        int bestDepth = -1;
        for (int i = 0; i < count; ++i) {
            if (!reader.jumpToImage(i))
                continue;
            const QSize size = reader.size();
            const std::int64_t area = std::int64_t(size.width()) * size.height();
            const int depth = QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel();
            if (area > bestArea || (area == bestArea && depth > bestDepth)) {
                best = i;
                bestArea = area;
                bestDepth = depth;
            }
        }
        reader.jumpToImage(best);
    }

    TDecodeResult DecodeWithQt(QIODevice* device, const ProgressCallback& progress)
    {
        TProgressSteps steps(progress, 100);
        if (!steps.Step(0))
            return TDecodeResult::Failure(ErrStopped, TImageLib::ErrorText(ErrStopped));
        const QByteArray header = device->peek(32);
        QImageReader reader(device);
        // One limit for every format: Qt's own default would refuse ordinary large photographs first.
        reader.setAllocationLimit(512); // MiB: a 100-megapixel photograph in 32 bits fits

        reader.setDecideFormatFromContent(true);
        // Photographs are shown the way up the camera recorded (the EXIF orientation of JPEG and TIFF).
        reader.setAutoTransform(true);
        const QByteArray format = reader.format();
        // An icon file holds several pictures: the largest is shown.
        if (format == "ico" || format == "cur")
            JumpToLargestImage(reader);
        const QSize size = reader.size();
        if (size.isValid() && std::int64_t(size.width()) * size.height() > MaxPixels)
            return TDecodeResult::Failure(ErrTooLarge, TImageLib::ErrorText(ErrTooLarge));
        QImage image = reader.read();
        if (image.isNull()) {
            const int code = reader.error() == QImageReader::UnsupportedFormatError ? ErrNotThisFormat : ErrCorrupt;
            return TDecodeResult::Failure(code, reader.errorString());
        }
        if (!steps.Step(100))
            return TDecodeResult::Failure(ErrStopped, TImageLib::ErrorText(ErrStopped));
        TDecodeResult result;
        result.Info.FormatName = QString::fromLatin1(format).toUpper().left(9);
        result.Info.Width = image.width();
        result.Info.Height = image.height();
        result.Info.Description = LongName(format).left(25);
        FillDepth(image, result.Info);
        if (const int bits = StoredBits(format, header); bits > 0)
            result.Info.BitsPerPixel = bits;
        result.Image = std::move(image);
        return result;
    }

    bool OwnDecoder(TImageKind kind) { return kind == TImageKind::Pcx || kind == TImageKind::Wmf; }

} // namespace

int TImageLib::DecoderBits(TLoadResolution resolution, int screenDepth)
{
    switch (resolution) {
    case TLoadResolution::lColorVga:
        return 0;
    case TLoadResolution::lMonoChrome:
        return 1;
    case TLoadResolution::lColor16:
        return 4;
    case TLoadResolution::lColor256:
        return 8;
    case TLoadResolution::lColorTrue:
        return 24;
    case TLoadResolution::lAutoMatic:
        break;
    }
    if (screenDepth <= 4)
        return 4;
    if (screenDepth < 16)
        return 8;
    return 24;
}

TDecodeResult TImageLib::DecodeData(TImageKind kind, const QByteArray& data, const ProgressCallback& progress)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    if (OwnDecoder(kind))
        return DecodeOwn(kind, bytes, data.size(), progress);
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    TDecodeResult result = DecodeWithQt(&buffer, progress);
    if (result.Code == ErrNotThisFormat) {
        if (TPcxDecoder::Recognise(bytes, data.size()))
            return DecodeOwn(TImageKind::Pcx, bytes, data.size(), progress);
        if (TWmfDecoder::Recognise(bytes, data.size()))
            return DecodeOwn(TImageKind::Wmf, bytes, data.size(), progress);
    }
    return result;
}

TDecodeResult TImageLib::RenderSvg(const QByteArray& data, const QSize& size)
{
    QSvgRenderer renderer;
    if (!renderer.load(data) || !renderer.isValid())
        return TDecodeResult::Failure(ErrNotThisFormat, Text("The file is not a valid SVG drawing."));
    const QSize own = renderer.defaultSize();
    QSize target = size.isEmpty() ? own : size;
    if (target.isEmpty())
        return TDecodeResult::Failure(ErrCorrupt, Text("The SVG drawing has no size."));
    if (target.width() > MaxVectorSide || target.height() > MaxVectorSide)
        target = target.scaled(MaxVectorSide, MaxVectorSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    TDecodeResult result;
    result.Image = QImage(target, QImage::Format_ARGB32_Premultiplied);
    if (result.Image.isNull())
        return TDecodeResult::Failure(ErrNoMemory, ErrorText(ErrNoMemory));
    result.Image.fill(Qt::transparent);
    QPainter painter(&result.Image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(target)));
    painter.end();
    result.Info.FormatName = QStringLiteral("SVG");
    result.Info.Width = own.width();
    result.Info.Height = own.height();
    result.Info.Description = QStringLiteral("Vector drawing");
    result.Code = ImageOk;
    return result;
}

TDecodeResult TImageLib::LoadImage(
    TImageKind kind, const QString& fileName, int bits, bool dither, const ProgressCallback& progress)
{
    QFile file;
    if (platform::OpenForReading(file, fileName) != 0)
        return TDecodeResult::Failure(ErrCannotOpen, Text("The file %1 cannot be opened.").arg(fileName));
    const qint64 fileSize = file.size();

    TDecodeResult result;
    // The bytes are read, not mapped: a file cut short by another program while it decodes must not take the
    // viewer down with it.
    QByteArray bytes;
    if (fileSize > 0 && fileSize <= MaxReadBytes)
        bytes = file.readAll();
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();

    if (fileSize == 0) {
        result = TDecodeResult::Failure(ErrTruncated, Text("The file is empty."));
    } else if (bytes.isEmpty()) {
        result = TDecodeResult::Failure(ErrTooLarge, ErrorText(ErrTooLarge));
    } else if (OwnDecoder(kind)) {
        result = DecodeOwn(kind, data, size, progress);
    } else if (kind == TImageKind::Svg) {
        result = RenderSvg(bytes);
    } else {
        file.seek(0);
        result = DecodeWithQt(&file, progress);
        // A picture named after one format but holding another is read all the same.
        if (result.Code == ErrNotThisFormat && TPcxDecoder::Recognise(data, size))
            result = DecodeOwn(TImageKind::Pcx, data, size, progress);
        else if (result.Code == ErrNotThisFormat && TWmfDecoder::Recognise(data, size))
            result = DecodeOwn(TImageKind::Wmf, data, size, progress);
    }

    if (!result.Ok()) {
        if (result.ErrorText.isEmpty())
            result.ErrorText = ErrorText(result.Code);
        return result;
    }
    if (kind != TImageKind::Wmf && kind != TImageKind::Ico && kind != TImageKind::Svg) {
        result.Image = ReduceDepth(result.Image, bits, dither);
        // A conversion that could not get its memory gives no picture: that is a failure, not a picture.
        if (result.Image.isNull())
            return TDecodeResult::Failure(ErrNoMemory, ErrorText(ErrNoMemory));
    }
    result.Info.FileSize = fileSize;
    return result;
}

namespace {
    // One load on its thread, and what it and the waiting thread tell each other.
    struct TAsideLoad {
        std::mutex Lock;
        std::condition_variable Changed;
        bool Finished = false;
        bool Stop = false;
        bool Waiting = false; // the load waits for the answer to Percent
        int Percent = 0;
        TDecodeResult Result;
    };

    std::mutex g_asideLock;
    std::vector<std::weak_ptr<TAsideLoad>> g_asideLoads;
    QThreadPool* g_asidePool = nullptr;

    // At the end of the application: every load still running is told to stop and waited for.
    void StopLoadsAside()
    {
        QThreadPool* pool = nullptr;
        {
            const std::lock_guard guard(g_asideLock);
            for (const std::weak_ptr<TAsideLoad>& weak : g_asideLoads) {
                if (const std::shared_ptr<TAsideLoad> load = weak.lock()) {
                    const std::lock_guard loadGuard(load->Lock);
                    load->Stop = true;
                    load->Changed.notify_all();
                }
            }
            g_asideLoads.clear();
            pool = std::exchange(g_asidePool, nullptr);
        }
        if (pool) {
            pool->waitForDone();
            delete pool;
        }
    }

    // Starts a load on the pool of loading threads, made with the first load.
    void StartAside(const std::shared_ptr<TAsideLoad>& load, std::function<void()> work)
    {
        const std::lock_guard guard(g_asideLock);
        if (!g_asidePool) {
            g_asidePool = new QThreadPool;
            g_asidePool->setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
            qAddPostRoutine(StopLoadsAside);
        }
        g_asideLoads.erase(std::remove_if(g_asideLoads.begin(), g_asideLoads.end(),
                               [](const std::weak_ptr<TAsideLoad>& w) { return w.expired(); }),
            g_asideLoads.end());
        g_asideLoads.push_back(load);
        g_asidePool->start(std::move(work));
    }
} // namespace

TDecodeResult TImageLib::RunAside(
    std::function<TDecodeResult(const ProgressCallback& progress)> load, const ProgressCallback& report)
{
    const auto aside = std::make_shared<TAsideLoad>();
    const bool reporting = bool(report);
    StartAside(aside, [aside, reporting, load = std::move(load)]() {
        const ProgressCallback progress = [aside, reporting](int percent) {
            std::unique_lock lock(aside->Lock);
            if (aside->Stop)
                return 0;
            if (!reporting)
                return 1;
            aside->Percent = percent;
            aside->Waiting = true;
            aside->Changed.notify_all();
            aside->Changed.wait(lock, [&aside]() { return !aside->Waiting || aside->Stop; });
            return aside->Stop ? 0 : 1;
        };
        // Nothing may leave the loading thread but the result.
        TDecodeResult result;
        try {
            result = load(progress);
        } catch (const std::bad_alloc&) {
            result = TDecodeResult::Failure(ErrNoMemory, ErrorText(ErrNoMemory));
        } catch (const std::exception& e) {
            result = TDecodeResult::Failure(ErrCorrupt, QString::fromUtf8(e.what()));
        }
        const std::lock_guard guard(aside->Lock);
        aside->Result = std::move(result);
        aside->Finished = true;
        aside->Changed.notify_all();
    });

    std::unique_lock lock(aside->Lock);
    if (!reporting) {
        aside->Changed.wait(lock, [&aside]() { return aside->Finished; });
        return std::move(aside->Result);
    }
    while (!aside->Finished) {
        aside->Changed.wait_for(lock, std::chrono::milliseconds(PumpMilliseconds),
            [&aside]() { return aside->Finished || aside->Waiting; });
        if (aside->Finished)
            break;
        const bool answering = aside->Waiting;
        const int percent = aside->Percent;
        lock.unlock();
        const int goOn = report(percent);
        lock.lock();
        if (!goOn) {
            aside->Stop = true;
            aside->Changed.notify_all();
            return TDecodeResult::Failure(ErrStopped, ErrorText(ErrStopped));
        }
        if (answering) {
            aside->Waiting = false;
            aside->Changed.notify_all();
        }
    }
    return std::move(aside->Result);
}

QString TImageLib::ErrorText(int code)
{
    switch (code) {
    case ErrCannotOpen:
        return Text("The picture file cannot be opened.");
    case ErrNotThisFormat:
        return Text("The file does not hold a picture of this kind.");
    case ErrTruncated:
        return Text("The picture file is truncated.");
    case ErrCorrupt:
        return Text("The picture data is damaged.");
    case ErrTooLarge:
        return Text("The picture is too large.");
    case ErrUnsupported:
        return Text("This kind of picture is not supported.");
    case ErrStopped:
        return Text("Reading the picture was stopped.");
    case ErrNoMemory:
        return Text("There is not enough memory for the picture.");
    default:
        return Text("Imaging error %1.").arg(code);
    }
}

} // namespace hy::image
