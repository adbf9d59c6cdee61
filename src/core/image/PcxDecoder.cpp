// PCX decoding: the header is checked against what the remaining bytes could describe before any pixel
// memory is allocated, and the run-length reader never reads past the picture data.
#include "core/image/PcxDecoder.h"

#include <QCoreApplication>
#include <vector>

namespace hy::image {

namespace {

    constexpr std::int64_t HeaderSize = 128;
    constexpr std::int64_t TrailingPaletteSize = 769; // marker byte 12 and 256 RGB triples

    unsigned Word(const uchar* p) { return unsigned(p[0]) | (unsigned(p[1]) << 8); }

    QString Text(const char* s) { return QCoreApplication::translate("TPcxDecoder", s); }

    // Hands out the decoded bytes of the picture one line at a time; runs may go on across lines.
    class TRunReader {
    public:
        TRunReader(const uchar* begin, const uchar* end, bool compressed)
            : m_pos(begin)
            , m_end(end)
            , m_compressed(compressed)
        {
        }

        // Fills the whole line; false when the data ends first.
        bool ReadLine(uchar* line, std::size_t length)
        {
            std::size_t filled = 0;
            while (filled < length) {
                if (m_pending > 0) {
                    const std::size_t n = std::min<std::size_t>(m_pending, length - filled);
                    std::fill(line + filled, line + filled + n, m_value);
                    filled += n;
                    m_pending -= unsigned(n);
                    continue;
                }
                if (m_pos >= m_end)
                    return false;
                const uchar c = *m_pos++;
                if (m_compressed && (c & 0xC0) == 0xC0) {
                    if (m_pos >= m_end)
                        return false;
                    m_pending = c & 0x3F;
                    m_value = *m_pos++;
                } else {
                    line[filled++] = c;
                }
            }
            return true;
        }

    private:
        const uchar* m_pos;
        const uchar* m_end;
        bool m_compressed;
        unsigned m_pending = 0;
        uchar m_value = 0;
    };

    TImageInfo PcxInfo(int width, int height, int bits, int planes, int version, int encoding)
    {
        TImageInfo info;
        info.FormatName = QStringLiteral("PCX");
        info.Width = width;
        info.Height = height;
        info.BitsPerPixel = bits;
        info.Planes = planes;
        info.Description = Text("PCX version %1, %2").arg(version).arg(encoding == 1 ? Text("RLE") : Text("raw"));
        return info;
    }

    // Whether available bytes of picture data can describe height lines of lineBytes: one byte pair of
    // run-length data describes at most 63 bytes.
    bool CanHoldRows(std::int64_t available, int encoding, std::int64_t lineBytes, std::int64_t height)
    {
        const std::int64_t describable = encoding == 1 ? available / 2 * 63 + available % 2 : available;
        return lineBytes * height <= describable;
    }

    // The colours of an indexed picture, and into paletteSize how many of them the file gave. Up to 16 colours
    // come from the header; more from the palette at the end of the file, without which they are grey levels.
    QList<QRgb> ColourTable(const uchar* data, std::int64_t size, int totalBits, bool trailingPalette, int& paletteSize)
    {
        QList<QRgb> table;
        const int colours = 1 << totalBits;
        if (totalBits > 4) {
            const uchar* p = data + size - 768;
            for (int i = 0; i < colours; ++i) {
                const int grey = i * 255 / (colours - 1);
                table.append(trailingPalette ? qRgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]) : qRgb(grey, grey, grey));
            }
            paletteSize = trailingPalette ? colours : 0;
        } else if (totalBits == 1 && std::equal(data + 16, data + 19, data + 19)) {
            // A two-colour header palette with one colour twice is the usual mark of a plain black and white picture.
            table = { qRgb(0, 0, 0), qRgb(255, 255, 255) };
        } else {
            const uchar* p = data + 16;
            for (int i = 0; i < colours; ++i)
                table.append(qRgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]));
            paletteSize = colours;
        }
        return table;
    }

    // One decoded line (its planes one after the other) into a row of the picture: true colour from its red,
    // green, blue (and alpha) planes, indexes from the bits of each plane.
    void PutRow(const uchar* line, uchar* row, std::int64_t width, int bits, int planes, std::int64_t bytesPerLine,
        bool trueColour)
    {
        if (trueColour) {
            auto* out = reinterpret_cast<QRgb*>(row);
            const uchar* r = line;
            const uchar* g = r + bytesPerLine;
            const uchar* b = g + bytesPerLine;
            const uchar* a = planes == 4 ? b + bytesPerLine : nullptr;
            for (std::int64_t x = 0; x < width; ++x)
                out[x] = qRgba(r[x], g[x], b[x], a ? a[x] : 255);
        } else if (planes == 1 && bits == 8) {
            std::copy(line, line + width, row);
        } else {
            const unsigned mask = (1u << bits) - 1;
            for (std::int64_t x = 0; x < width; ++x) {
                const std::int64_t bit = x * bits;
                const int shift = 8 - bits - int(bit % 8);
                unsigned index = 0;
                for (int p = 0; p < planes; ++p)
                    index |= ((line[std::size_t(p * bytesPerLine + bit / 8)] >> shift) & mask) << (p * bits);
                row[x] = uchar(index);
            }
        }
    }

} // namespace

bool TPcxDecoder::Recognise(const uchar* data, std::int64_t size)
{
    return size >= HeaderSize && data[0] == 0x0A && data[1] <= 5 && data[2] <= 1;
}

TDecodeResult TPcxDecoder::Decode(const uchar* data, std::int64_t size, const ProgressCallback& progress)
{
    if (size < HeaderSize)
        return TDecodeResult::Failure(ErrTruncated, Text("The file is too short for a PCX header."));
    if (data[0] != 0x0A)
        return TDecodeResult::Failure(ErrNotThisFormat, Text("The file is not a PCX picture."));

    const int version = data[1];
    const int encoding = data[2];
    const int bits = data[3];
    const unsigned xMin = Word(data + 4), yMin = Word(data + 6), xMax = Word(data + 8), yMax = Word(data + 10);
    const int planes = data[65];
    const std::int64_t bytesPerLine = Word(data + 66);

    if (encoding > 1)
        return TDecodeResult::Failure(ErrCorrupt, Text("The PCX header names an unknown encoding."));
    const bool indexed = (bits == 1 || bits == 2 || bits == 4) && planes >= 1 && planes <= 4 && bits * planes <= 8;
    const bool trueColour = bits == 8 && (planes == 3 || planes == 4);
    if (!indexed && !trueColour && !(bits == 8 && planes == 1))
        return TDecodeResult::Failure(
            ErrUnsupported, Text("PCX pictures with %1 bits and %2 planes are not supported.").arg(bits).arg(planes));
    if (xMax < xMin || yMax < yMin)
        return TDecodeResult::Failure(ErrCorrupt, Text("The PCX header gives a negative picture size."));

    const std::int64_t width = std::int64_t(xMax) - xMin + 1;
    const std::int64_t height = std::int64_t(yMax) - yMin + 1;
    if (width * height > MaxPixels)
        return TDecodeResult::Failure(
            ErrTooLarge, Text("The PCX picture is too large (%1 x %2).").arg(width).arg(height));
    if (bytesPerLine == 0 || bytesPerLine * 8 < width * bits)
        return TDecodeResult::Failure(ErrCorrupt, Text("The PCX header gives a line length too short for the width."));

    const int totalBits = bits * planes;
    const uchar* dataEnd = data + size;
    bool trailingPalette = false;
    // The header holds 16 colours; deeper indexed pictures take theirs from the end of the file.
    if (totalBits > 4 && !trueColour && size >= HeaderSize + TrailingPaletteSize
        && data[size - TrailingPaletteSize] == 0x0C) {
        trailingPalette = true;
        dataEnd -= TrailingPaletteSize;
    }

    // Version 5 pictures of more than 16 colours carry their palette at the end; a file without it was cut short.
    if (totalBits > 4 && !trueColour && version >= 5 && !trailingPalette)
        return TDecodeResult::Failure(
            ErrTruncated, Text("The 256-colour palette at the end of the PCX file is missing."));

    const std::int64_t lineBytes = bytesPerLine * planes;
    if (!CanHoldRows(dataEnd - (data + HeaderSize), encoding, lineBytes, height))
        return TDecodeResult::Failure(ErrTruncated, Text("The PCX picture data ends before the last row."));

    QImage::Format format = QImage::Format_Indexed8;
    if (trueColour)
        format = planes == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    QImage image(int(width), int(height), format);
    if (image.isNull())
        return TDecodeResult::Failure(ErrNoMemory, Text("There is not enough memory for the PCX picture."));

    TImageInfo info = PcxInfo(int(width), int(height), bits, planes, version, encoding);

    if (!trueColour)
        image.setColorTable(ColourTable(data, size, totalBits, trailingPalette, info.PaletteSize));

    TRunReader reader(data + HeaderSize, dataEnd, encoding == 1);
    TProgressSteps steps(progress, height);
    std::vector<uchar> line(static_cast<std::size_t>(lineBytes));
    for (std::int64_t y = 0; y < height; ++y) {
        if (!reader.ReadLine(line.data(), line.size()))
            return TDecodeResult::Failure(
                ErrTruncated, Text("The PCX picture data ends at row %1 of %2.").arg(y + 1).arg(height));
        PutRow(line.data(), image.scanLine(int(y)), width, bits, planes, bytesPerLine, trueColour);
        if (!steps.Step(y + 1))
            return TDecodeResult::Failure(ErrStopped, Text("Reading the PCX picture was stopped."));
    }

    TDecodeResult result;
    result.Image = std::move(image);
    result.Info = info;
    return result;
}

} // namespace hy::image
