// Packed DIBs are checked here and then wrapped in a BMP file header, so that Qt's BMP reader does the
// pixel work for every depth and compression it knows.
#include "core/image/DibImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QtEndian>

namespace hy::image {

namespace {

    constexpr std::int64_t CoreHeaderSize = 12;
    constexpr std::int64_t InfoHeaderSize = 40;

    std::uint32_t Long(const uchar* p) { return qFromLittleEndian<std::uint32_t>(p); }
    std::uint16_t Word(const uchar* p) { return qFromLittleEndian<std::uint16_t>(p); }

    struct TDibHeader {
        std::int64_t HeaderSize = 0;
        std::int64_t Width = 0;
        std::int64_t Height = 0; // negative for top-down bitmaps
        int BitCount = 0;
        std::uint32_t Compression = 0;
        std::int64_t TableBytes = 0; // colour table and bit masks
    };

    bool ReadHeader(const uchar* data, std::int64_t size, TDibHeader& h)
    {
        if (size < 4)
            return false;
        h.HeaderSize = Long(data);
        if (h.HeaderSize == CoreHeaderSize && size >= CoreHeaderSize) {
            h.Width = Word(data + 4);
            h.Height = Word(data + 6);
            h.BitCount = Word(data + 10);
            if (h.BitCount <= 8)
                h.TableBytes = 3LL << h.BitCount;
        } else if (h.HeaderSize >= InfoHeaderSize && h.HeaderSize <= 124 && size >= h.HeaderSize) {
            h.Width = std::int32_t(Long(data + 4));
            h.Height = std::int32_t(Long(data + 8));
            h.BitCount = Word(data + 14);
            h.Compression = Long(data + 16);
            const std::int64_t used = Long(data + 32);
            if (h.BitCount <= 8) {
                if (used > (1LL << h.BitCount))
                    return false;
                h.TableBytes = 4 * (used ? used : (1LL << h.BitCount));
            } else {
                h.TableBytes = used > 256 ? -1 : 4 * used;
            }
            if (h.Compression == 3 && h.HeaderSize == InfoHeaderSize)
                h.TableBytes += 12;
        } else {
            return false;
        }
        const int bits = h.BitCount;
        return h.TableBytes >= 0 && h.Width > 0 && h.Height != 0 && h.Height != INT32_MIN
            && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) && h.Compression <= 3;
    }

} // namespace

bool TDibImage::IsBottomUp(const uchar* data, std::int64_t size)
{
    TDibHeader h;
    return ReadHeader(data, size, h) && h.Height > 0;
}

QImage TDibImage::Decode(const uchar* data, std::int64_t size, std::int64_t maxPixels)
{
    TDibHeader h;
    if (!ReadHeader(data, size, h))
        return {};
    const std::int64_t height = h.Height < 0 ? -h.Height : h.Height;
    if (h.Width * height > maxPixels)
        return {};
    const std::int64_t bitsOffset = h.HeaderSize + h.TableBytes;
    if (bitsOffset > size)
        return {};
    const bool compressed = h.Compression == 1 || h.Compression == 2;
    if (compressed && h.Height < 0)
        return {};
    if (!compressed) {
        const std::int64_t stride = (h.Width * h.BitCount + 31) / 32 * 4;
        if (stride * height > size - bitsOffset)
            return {};
    }

    QByteArray file;
    file.reserve(int(14 + size));
    file.append("BM", 2);
    const auto put32 = [&file](std::uint32_t v) {
        uchar b[4];
        qToLittleEndian(v, b);
        file.append(reinterpret_cast<const char*>(b), 4);
    };
    put32(std::uint32_t(14 + size));
    put32(0);
    put32(std::uint32_t(14 + bitsOffset));
    file.append(reinterpret_cast<const char*>(data), qsizetype(size));

    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    QImage image = reader.read();
    if (image.isNull() || image.width() != h.Width || image.height() != height)
        return {};
    return image;
}

} // namespace hy::image
