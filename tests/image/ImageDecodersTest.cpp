// Tests of the imaging boundary and its decoders: PCX against ImageMagick's decoding of the same files, metafiles
// against ImageMagick's rendering and hand-built records, hostile input, progress and the Qt formats' information.
#include "core/image/ImageLib.h"
#include "core/image/PcxDecoder.h"
#include "core/image/WmfDecoder.h"
#include "support/TempFiles.h"
#include "support/TestData.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QtEndian>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

using namespace hy::image;

namespace {

QString DataPath(const char* name) { return TestDataPath(QStringLiteral("image/") + QLatin1String(name)); }

QByteArray ReadData(const char* name)
{
    const QByteArray bytes = hy::test::ReadAll(DataPath(name));
    EXPECT_FALSE(bytes.isEmpty()) << name;
    return bytes;
}

TDecodeResult DecodePcx(const QByteArray& bytes, const ProgressCallback& progress = {})
{
    return TPcxDecoder::Decode(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), progress);
}

TDecodeResult DecodeWmf(const QByteArray& bytes, const ProgressCallback& progress = {})
{
    return TWmfDecoder::Decode(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), progress);
}

void Put16(QByteArray& b, int offset, int value)
{
    qToLittleEndian<std::uint16_t>(std::uint16_t(value), b.data() + offset);
}

// ---- PCX ----

struct TPcxCase {
    const char* Name;
    int Bits;
    int Planes;
    int PaletteSize;
};

class PcxReference : public ::testing::TestWithParam<TPcxCase> { };

TEST_P(PcxReference, PixelsMatchImageMagick)
{
    const TPcxCase c = GetParam();
    const TDecodeResult r = DecodePcx(ReadData(c.Name));
    ASSERT_TRUE(r.Ok()) << r.ErrorText.toStdString();
    EXPECT_EQ(r.Info.Width, 37);
    EXPECT_EQ(r.Info.Height, 23);
    EXPECT_EQ(r.Info.BitsPerPixel, c.Bits);
    EXPECT_EQ(r.Info.Planes, c.Planes);
    EXPECT_EQ(r.Info.PaletteSize, c.PaletteSize);
    EXPECT_EQ(r.Info.FormatName, QStringLiteral("PCX"));

    const QString rgbaName = QString::fromLatin1(c.Name).replace(QLatin1String(".pcx"), QLatin1String(".rgba"));
    const QByteArray reference = ReadData(rgbaName.toLatin1().constData());
    ASSERT_EQ(reference.size(), 37 * 23 * 4);
    int mismatches = 0;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            const uchar* p = reinterpret_cast<const uchar*>(reference.constData()) + (y * 37 + x) * 4;
            const QRgb ours = r.Image.pixel(x, y);
            if (qRed(ours) != p[0] || qGreen(ours) != p[1] || qBlue(ours) != p[2] || qAlpha(ours) != p[3]) {
                if (++mismatches <= 3)
                    ADD_FAILURE() << c.Name << " pixel " << x << "," << y << " ours " << std::hex << ours;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PcxReference,
    ::testing::Values(TPcxCase { "mono1.pcx", 1, 1, 2 }, TPcxCase { "mono1_tinted.pcx", 1, 1, 2 },
        TPcxCase { "mono1_nopalette.pcx", 1, 1, 0 }, TPcxCase { "cga2.pcx", 2, 1, 4 },
        TPcxCase { "ega4_1plane.pcx", 4, 1, 16 }, TPcxCase { "planes1x2.pcx", 1, 2, 4 },
        TPcxCase { "planes1x3.pcx", 1, 3, 8 }, TPcxCase { "ega1x4.pcx", 1, 4, 16 },
        TPcxCase { "ega1x4_across.pcx", 1, 4, 16 }, TPcxCase { "gray8_raw.pcx", 8, 1, 256 },
        TPcxCase { "pal8.pcx", 8, 1, 256 }, TPcxCase { "rgb24.pcx", 8, 3, 0 }, TPcxCase { "rgba32.pcx", 8, 4, 0 }));

// A version 3 header (no palette expected at the end) for a picture of the given size, followed by `data`.
QByteArray PcxFile(int width, int height, const QByteArray& data, int bits = 8, int planes = 1, int version = 3)
{
    QByteArray b(128, '\0');
    b[0] = 0x0A;
    b[1] = char(version);
    b[2] = 1;
    b[3] = char(bits);
    Put16(b, 8, width - 1);
    Put16(b, 10, height - 1);
    b[65] = char(planes);
    Put16(b, 66, (width * bits + 7) / 8);
    return b + data;
}

TEST(PcxDecoder, HostileInputGivesAnError)
{
    const QByteArray good = ReadData("ega1x4.pcx");
    QByteArray badMagic = good;
    badMagic[0] = 0x0B;
    QByteArray negative = good;
    Put16(negative, 4, 40);
    QByteArray shortLines = good;
    Put16(shortLines, 66, 2);
    QByteArray unknownDepth = good;
    unknownDepth[3] = 3;
    QByteArray badEncoding = good;
    badEncoding[2] = 7;
    // The header palette holds 16 colours; a 6-bit picture must not read past it.
    const QByteArray sixBits = PcxFile(4, 1, QByteArray(6, '\x11'), 2, 3);

    const struct {
        const char* What;
        QByteArray Bytes;
        int Code;
    } cases[] = {
        { "empty", QByteArray(), ErrTruncated },
        { "half a header", good.left(64), ErrTruncated },
        { "bad magic", badMagic, ErrNotThisFormat },
        { "xmin above xmax", negative, ErrCorrupt },
        { "line length below width", shortLines, ErrCorrupt },
        { "3 bits per plane", unknownDepth, ErrUnsupported },
        { "unknown encoding", badEncoding, ErrCorrupt },
        { "truncated data", good.left(good.size() / 2), ErrTruncated },
        { "run without value", PcxFile(4, 1, QByteArray("\xC4", 1)), ErrTruncated },
        { "65536 squared", PcxFile(65536, 65536, QByteArray(100, '\0')), ErrTooLarge },
        { "more than the bytes describe", PcxFile(10000, 10000, QByteArray(1000, '\xFF')), ErrTruncated },
        { "version 5 without its 256 colours", PcxFile(4, 1, QByteArray(4, '\x01'), 8, 1, 5), ErrTruncated },
    };
    for (const auto& c : cases) {
        const TDecodeResult r = DecodePcx(c.Bytes);
        EXPECT_EQ(r.Code, c.Code) << c.What;
        EXPECT_FALSE(r.ErrorText.isEmpty()) << c.What;
        EXPECT_TRUE(r.Image.isNull()) << c.What;
    }
    const TDecodeResult six = DecodePcx(sixBits);
    ASSERT_TRUE(six.Ok());
    EXPECT_EQ(six.Image.colorCount(), 64);
}

TEST(PcxDecoder, ProgressRisesByRowsAndCanStop)
{
    const QByteArray bytes = ReadData("rgb24.pcx");
    std::vector<int> seen;
    ASSERT_TRUE(DecodePcx(bytes, [&seen](int p) {
        seen.push_back(p);
        return 1;
    }).Ok());
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 100);
    EXPECT_GE(seen.size(), 20u); // 23 rows, one report per new percentage

    int calls = 0;
    const TDecodeResult stopped = DecodePcx(bytes, [&calls](int p) {
        ++calls;
        return p < 50 ? 1 : 0;
    });
    EXPECT_EQ(stopped.Code, ErrStopped);
    EXPECT_LT(calls, int(seen.size()));
}

// ---- Metafiles ----

// Builds metafiles record by record.
class TWmfBuilder {
public:
    TWmfBuilder& Rec(unsigned function, std::initializer_list<int> words, const QByteArray& raw = {})
    {
        QByteArray body;
        for (int w : words) {
            char b[2];
            qToLittleEndian<std::uint16_t>(std::uint16_t(w), b);
            body.append(b, 2);
        }
        body += raw;
        if (body.size() % 2)
            body.append('\0');
        QByteArray r(6, '\0');
        qToLittleEndian<std::uint32_t>(std::uint32_t(3 + body.size() / 2), r.data());
        qToLittleEndian<std::uint16_t>(std::uint16_t(function), r.data() + 4);
        m_records += r + body;
        return *this;
    }
    TWmfBuilder& Raw(const QByteArray& bytes)
    {
        m_records += bytes;
        return *this;
    }
    // A plain metafile, or a placeable one with the bounding box and units per inch.
    QByteArray Build(bool placeable = false, QRect box = {}, int inch = 1440) const
    {
        QByteArray header(18, '\0');
        Put16(header, 0, 1);
        Put16(header, 2, 9);
        Put16(header, 4, 0x0300);
        qToLittleEndian<std::uint32_t>(std::uint32_t((18 + m_records.size()) / 2), header.data() + 6);
        Put16(header, 10, 8);
        if (!placeable)
            return header + m_records;
        QByteArray p(22, '\0');
        qToLittleEndian<std::uint32_t>(0x9AC6CDD7u, p.data());
        Put16(p, 6, box.left());
        Put16(p, 8, box.top());
        Put16(p, 10, box.right() + 1);
        Put16(p, 12, box.bottom() + 1);
        Put16(p, 14, inch);
        return p + header + m_records;
    }

private:
    QByteArray m_records;
};

QByteArray Colour(int r, int g, int b)
{
    const char bytes[4] = { char(r), char(g), char(b), 0 };
    return QByteArray(bytes, 4);
}

// A window of 100 x 100 logical units on a 100 x 100 picture, a solid brush of the colour selected as object 0.
TWmfBuilder Canvas(int r, int g, int b)
{
    TWmfBuilder w;
    w.Rec(0x020B, { 0, 0 }).Rec(0x020C, { 100, 100 });
    w.Rec(0x02FC, { 0 }, Colour(r, g, b) + QByteArray(2, '\0')).Rec(0x012D, { 0 });
    w.Rec(0x02FA, { 5, 0, 0 }, Colour(0, 0, 0)).Rec(0x012D, { 1 }); // no pen
    return w;
}

QByteArray Dib24(int width, int height, QRgb colour)
{
    QByteArray d(40, '\0');
    qToLittleEndian<std::uint32_t>(40, d.data());
    qToLittleEndian<std::int32_t>(width, d.data() + 4);
    qToLittleEndian<std::int32_t>(height, d.data() + 8);
    Put16(d, 12, 1);
    Put16(d, 14, 24);
    const int stride = (width * 3 + 3) / 4 * 4;
    QByteArray bits(stride * height, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bits[y * stride + x * 3] = char(qBlue(colour));
            bits[y * stride + x * 3 + 1] = char(qGreen(colour));
            bits[y * stride + x * 3 + 2] = char(qRed(colour));
        }
    }
    return d + bits;
}

QByteArray WidePenRectangle()
{
    return Canvas(255, 255, 255)
        .Rec(0x02FA, { 2, 20, 0 }, Colour(0, 0, 255))
        .Rec(0x012D, { 2 })
        .Rec(0x041B, { 80, 80, 20, 20 })
        .Build();
}

TEST(WmfDecoder, RecordsDrawWhatTheySay)
{
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
    const struct {
        const char* What;
        QByteArray File;
        QPoint At;
        QRgb Expected;
    } cases[] = {
        { "rectangle", Canvas(255, 0, 0).Rec(0x041B, { 60, 60, 20, 20 }).Build(), { 40, 40 }, red },
        { "outside the rectangle", Canvas(255, 0, 0).Rec(0x041B, { 60, 60, 20, 20 }).Build(), { 70, 70 }, white },
        { "ellipse centre", Canvas(0, 0, 255).Rec(0x0418, { 90, 90, 10, 10 }).Build(), { 50, 50 }, blue },
        { "ellipse corner stays empty", Canvas(0, 0, 255).Rec(0x0418, { 90, 90, 10, 10 }).Build(), { 13, 13 }, white },
        { "polygon", Canvas(255, 0, 0).Rec(0x0324, { 3, 0, 0, 99, 0, 0, 99 }).Build(), { 20, 20 }, red },
        { "polygon's other half", Canvas(255, 0, 0).Rec(0x0324, { 3, 0, 0, 99, 0, 0, 99 }).Build(), { 80, 80 }, white },
        { "polypolygon hole (alternate fill)",
            Canvas(255, 0, 0)
                .Rec(0x0538, { 2, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100, 30, 30, 70, 30, 70, 70, 30, 70 })
                .Build(),
            { 50, 50 }, white },
        { "polypolygon ring",
            Canvas(255, 0, 0)
                .Rec(0x0538, { 2, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100, 30, 30, 70, 30, 70, 70, 30, 70 })
                .Build(),
            { 10, 50 }, red },
        // The first brush is deleted; the next object created takes its slot 0.
        { "freed slot is reused",
            Canvas(255, 0, 0)
                .Rec(0x01F0, { 0 })
                .Rec(0x02FC, { 0 }, Colour(0, 0, 255) + QByteArray(2, '\0'))
                .Rec(0x012D, { 0 })
                .Rec(0x041B, { 90, 90, 10, 10 })
                .Build(),
            { 50, 50 }, blue },
        { "restored state brings the brush back",
            Canvas(255, 0, 0)
                .Rec(0x001E, {})
                .Rec(0x02FC, { 0 }, Colour(0, 0, 255) + QByteArray(2, '\0'))
                .Rec(0x012D, { 2 })
                .Rec(0x0127, { -1 })
                .Rec(0x041B, { 90, 90, 10, 10 })
                .Build(),
            { 50, 50 }, red },
        { "window origin moves the drawing",
            Canvas(255, 0, 0).Rec(0x020B, { 50, 50 }).Rec(0x041B, { 60, 60, 50, 50 }).Build(), { 5, 5 }, red },
        { "clip rectangle", Canvas(255, 0, 0).Rec(0x0416, { 50, 50, 0, 0 }).Rec(0x041B, { 100, 100, 0, 0 }).Build(),
            { 75, 75 }, white },
        { "excluded rectangle", Canvas(255, 0, 0).Rec(0x0415, { 50, 50, 0, 0 }).Rec(0x041B, { 100, 100, 0, 0 }).Build(),
            { 25, 25 }, white },
        { "stretched bitmap",
            Canvas(255, 0, 0).Rec(0x0F43, { 0x0020, 0x00CC, 0, 2, 2, 0, 0, 80, 80, 10, 10 }, Dib24(2, 2, blue)).Build(),
            { 50, 50 }, blue },
        // A pen wider than a pixel draws solid whatever its style: no gaps along a dotted 20-unit edge.
        { "wide dotted pen, upper edge", WidePenRectangle(), { 20, 30 }, blue },
        { "wide dotted pen, middle", WidePenRectangle(), { 20, 50 }, blue },
        { "wide dotted pen, lower edge", WidePenRectangle(), { 20, 70 }, blue },
        { "pattern blt whiteness",
            Canvas(255, 0, 0).Rec(0x041B, { 100, 100, 0, 0 }).Rec(0x061D, { 0x0062, 0x00FF, 40, 40, 30, 30 }).Build(),
            { 50, 50 }, white },
    };
    for (const auto& c : cases) {
        const TDecodeResult r = DecodeWmf(c.File);
        ASSERT_TRUE(r.Ok()) << c.What << ": " << r.ErrorText.toStdString();
        ASSERT_EQ(r.Image.size(), QSize(100, 100)) << c.What;
        EXPECT_EQ(r.Image.pixel(c.At), c.Expected) << c.What << std::hex << " got " << r.Image.pixel(c.At);
    }
}

TEST(WmfDecoder, PictureSizeFollowsHeaderWindowAndViewport)
{
    const struct {
        const char* What;
        QByteArray File;
        QSize Expected;
    } cases[] = {
        { "placeable, one inch at 1440 units", TWmfBuilder().Build(true, QRect(0, 0, 1440, 720), 1440), { 96, 48 } },
        { "placeable in hundredths of a millimetre", TWmfBuilder().Build(true, QRect(0, 0, 2540, 2540), 2540),
            { 96, 96 } },
        { "plain with a window", TWmfBuilder().Rec(0x020C, { 30, 40 }).Build(), { 40, 30 } },
        { "plain with window and viewport", TWmfBuilder().Rec(0x020C, { 300, 400 }).Rec(0x020E, { 60, 80 }).Build(),
            { 80, 60 } },
        { "plain without a window: the drawing's bounds", TWmfBuilder().Rec(0x041B, { 50, 70, 10, 20 }).Build(),
            { 50, 40 } },
        { "huge frame scaled down", TWmfBuilder().Build(true, QRect(0, 0, 32000, 16000), 1), { 4096, 2048 } },
    };
    for (const auto& c : cases) {
        const TDecodeResult r = DecodeWmf(c.File);
        ASSERT_TRUE(r.Ok()) << c.What << ": " << r.ErrorText.toStdString();
        EXPECT_EQ(r.Image.size(), c.Expected) << c.What;
        EXPECT_EQ(QSize(r.Info.Width, r.Info.Height), c.Expected) << c.What;
    }
}

TEST(WmfDecoder, HostileInputGivesAnError)
{
    QByteArray zeroSize = TWmfBuilder().Build();
    zeroSize += QByteArray("\0\0\0\0\x1B\x04", 6);
    QByteArray pastEnd = TWmfBuilder().Rec(0x041B, { 1, 2, 3, 4 }).Build();
    qToLittleEndian<std::uint32_t>(1000, pastEnd.data() + 18);
    const QByteArray declaredLonger = [] {
        QByteArray b = TWmfBuilder().Rec(0x041B, { 1, 2, 3, 4 }).Build();
        qToLittleEndian<std::uint32_t>(5000, b.data() + 6);
        return b;
    }();
    const struct {
        const char* What;
        QByteArray Bytes;
        int Code;
    } cases[] = {
        { "empty", QByteArray(), ErrTruncated },
        { "not a metafile", QByteArray(64, 'x'), ErrNotThisFormat },
        { "placeable key alone", TWmfBuilder().Build(true, QRect(0, 0, 10, 10)).left(24), ErrTruncated },
        { "record of zero words", zeroSize, ErrCorrupt },
        { "record past the end", pastEnd, ErrTruncated },
        { "ends inside a record header", TWmfBuilder().Build() + QByteArray(4, '\x05'), ErrTruncated },
        { "declared size beyond the file, no end record", declaredLonger, ErrTruncated },
        { "polygon claims more points than it holds", TWmfBuilder().Rec(0x0324, { 3000, 1, 2 }).Build(), ErrCorrupt },
        { "polypolygon counts lie", TWmfBuilder().Rec(0x0538, { 2, 3000, 3000 }).Build(), ErrCorrupt },
        { "text longer than the record", TWmfBuilder().Rec(0x0521, { 200 }, "abc").Build(), ErrCorrupt },
        { "empty placeable box", TWmfBuilder().Build(true, QRect(5, 5, 0, 0)), ErrCorrupt },
    };
    for (const auto& c : cases) {
        const TDecodeResult r = DecodeWmf(c.Bytes);
        EXPECT_EQ(r.Code, c.Code) << c.What << ": " << r.ErrorText.toStdString();
        EXPECT_FALSE(r.ErrorText.isEmpty()) << c.What;
    }

    // A bitmap declaring 60000 x 60000 pixels in a few bytes is skipped, not allocated.
    QByteArray hugeDib = Dib24(1, 1, 0);
    qToLittleEndian<std::int32_t>(60000, hugeDib.data() + 4);
    qToLittleEndian<std::int32_t>(60000, hugeDib.data() + 8);
    const TDecodeResult r
        = DecodeWmf(Canvas(255, 0, 0).Rec(0x0F43, { 0x0020, 0x00CC, 0, 1, 1, 0, 0, 80, 80, 10, 10 }, hugeDib).Build());
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Image.pixel(50, 50), qRgb(255, 255, 255));
}

// The fuzzing seed uses every record kind the player knows; all of them play and leave marks.
TEST(WmfDecoder, EveryRecordKindPlays)
{
    QFile file(SourcePath(QStringLiteral("tests/fuzz/corpus/wmf/seed-all_records.wmf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const TDecodeResult r = DecodeWmf(file.readAll());
    ASSERT_TRUE(r.Ok()) << r.ErrorText.toStdString();
    EXPECT_EQ(r.Image.size(), QSize(150, 100)); // the viewport's extent
    int painted = 0;
    for (int y = 0; y < r.Image.height(); ++y)
        for (int x = 0; x < r.Image.width(); ++x)
            painted += r.Image.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(painted, r.Image.width() * r.Image.height() / 3);
}

TEST(WmfDecoder, ProgressByRecordsCanStop)
{
    TWmfBuilder w = Canvas(1, 2, 3);
    for (int i = 0; i < 200; ++i)
        w.Rec(0x041B, { i % 100, i % 100, 0, 0 });
    const QByteArray bytes = w.Build();
    int last = -1;
    ASSERT_TRUE(DecodeWmf(bytes, [&last](int p) {
        last = p;
        return 1;
    }).Ok());
    EXPECT_EQ(last, 100);
    EXPECT_EQ(DecodeWmf(bytes, [](int p) { return p < 30 ? 1 : 0; }).Code, ErrStopped);
}

// Our rendering of real LibreOffice metafiles against ImageMagick's at the same resolution. ImageMagick places
// the drawing a few pixels off the records' coordinates, so the two are compared inside each shape.
TEST(WmfDecoder, LibreOfficeFilesMatchImageMagick)
{
    const TDecodeResult r = DecodeWmf(ReadData("shapes.wmf"));
    ASSERT_TRUE(r.Ok()) << r.ErrorText.toStdString();
    const QImage reference = QImage(DataPath("shapes_ref.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(r.Image.size(), reference.size());
    const struct {
        QPoint At;
        QRgb Colour;
    } samples[] = { { { 43, 28 }, qRgb(255, 0, 0) }, { { 143, 33 }, qRgb(0, 160, 0) },
        { { 53, 100 }, qRgb(255, 208, 0) }, { { 90, 75 }, qRgb(255, 255, 255) }, { { 180, 5 }, qRgb(255, 255, 255) } };
    for (const auto& s : samples) {
        EXPECT_EQ(r.Image.pixel(s.At), s.Colour) << s.At.x() << "," << s.At.y();
        EXPECT_EQ(reference.pixel(s.At), s.Colour) << s.At.x() << "," << s.At.y();
    }

    // The second file holds a stretched bitmap, a rounded rectangle and text.
    const TDecodeResult b = DecodeWmf(ReadData("bitmap.wmf"));
    ASSERT_TRUE(b.Ok()) << b.ErrorText.toStdString();
    EXPECT_EQ(b.Image.size(), QImage(DataPath("bitmap_ref.png")).size());
    EXPECT_EQ(b.Image.pixel(30, 8), qRgb(0, 0, 255)); // top row of the blue-to-yellow bitmap
    EXPECT_EQ(b.Image.pixel(30, 53), qRgb(255, 255, 0));
    EXPECT_EQ(b.Image.pixel(92, 20), qRgb(255, 128, 0)); // rounded rectangle
    EXPECT_EQ(b.Image.pixel(60, 60), qRgb(224, 224, 255)); // background rectangle
    int dark = 0;
    for (int y = 62; y < 80; ++y)
        for (int x = 5; x < 60; ++x)
            dark += qGray(b.Image.pixel(x, y)) < 80;
    EXPECT_GT(dark, 40); // the text "WMF 1"
}

// ---- Both decoders of our own ----

struct TDecoderCase {
    const char* Fixture;
    TDecodeResult (*Decode)(const QByteArray&, const ProgressCallback&);
};

class OwnDecoder : public ::testing::TestWithParam<TDecoderCase> { };

// Every prefix of a real file decodes to a picture or to an error with its text, and no prefix shorter than the
// picture data claims the whole picture.
TEST_P(OwnDecoder, EveryTruncationIsHandled)
{
    const QByteArray whole = ReadData(GetParam().Fixture);
    const TDecodeResult full = GetParam().Decode(whole, {});
    ASSERT_TRUE(full.Ok());
    int failures = 0;
    for (qsizetype n = 0; n < whole.size(); ++n) {
        const TDecodeResult r = GetParam().Decode(whole.left(n), {});
        if (r.Ok()) {
            EXPECT_FALSE(r.Image.isNull()) << n;
        } else {
            ++failures;
            EXPECT_FALSE(r.ErrorText.isEmpty()) << n;
            EXPECT_TRUE(r.Image.isNull()) << n;
        }
    }
    EXPECT_GT(failures, whole.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, OwnDecoder,
    ::testing::Values(TDecoderCase { "ega1x4_across.pcx", DecodePcx }, TDecoderCase { "rgba32.pcx", DecodePcx },
        TDecoderCase { "pal8.pcx", DecodePcx }, TDecoderCase { "bitmap.wmf", DecodeWmf }));

// ---- The boundary ----

TEST(ImageLib, EachFormatLoadsWithItsInformation)
{
    const struct {
        const char* Name;
        TImageKind Kind;
        const char* Format;
        int Width, Height, Bits;
    } cases[] = {
        { "rgb24.bmp", TImageKind::Bmp, "BMP", 37, 23, 24 },
        { "pal4.bmp", TImageKind::Bmp, "BMP", 37, 23, 4 },
        { "photo.jpg", TImageKind::Jpg, "JPEG", 37, 23, 24 },
        { "rgb.png", TImageKind::Png, "PNG", 37, 23, 24 },
        { "mono.png", TImageKind::Png, "PNG", 37, 23, 1 },
        { "pal16.gif", TImageKind::Gif, "GIF", 37, 23, 4 },
        { "rgb.tif", TImageKind::Tif, "TIFF", 37, 23, 24 },
        { "icon.ico", TImageKind::Ico, "ICO", 32, 32, 32 },
        { "pal8.pcx", TImageKind::Pcx, "PCX", 37, 23, 8 },
        { "shapes.wmf", TImageKind::Wmf, "WMF", 187, 137, 0 },
    };
    for (const auto& c : cases) {
        const QString path = DataPath(c.Name);
        const TDecodeResult r = TImageLib::LoadImage(c.Kind, path, 24, false);
        ASSERT_TRUE(r.Ok()) << c.Name << ": " << r.ErrorText.toStdString();
        EXPECT_EQ(r.Info.FormatName, QLatin1String(c.Format)) << c.Name;
        EXPECT_EQ(r.Info.Width, c.Width) << c.Name;
        EXPECT_EQ(r.Info.Height, c.Height) << c.Name;
        EXPECT_EQ(r.Info.BitsPerPixel, c.Bits) << c.Name;
        EXPECT_EQ(r.Info.FileSize, QFile(path).size()) << c.Name;
        EXPECT_EQ(r.Image.size(), QSize(c.Width, c.Height)) << c.Name;
    }
}

TEST(ImageLib, DepthAskedOfTheDecoder)
{
    using R = TLoadResolution;
    const struct {
        R Resolution;
        int Screen, Bits;
    } cases[] = { { R::lColorVga, 24, 0 }, { R::lMonoChrome, 24, 1 }, { R::lColor16, 24, 4 }, { R::lColor256, 24, 8 },
        { R::lColorTrue, 1, 24 }, { R::lAutoMatic, 1, 4 }, { R::lAutoMatic, 4, 4 }, { R::lAutoMatic, 8, 8 },
        { R::lAutoMatic, 15, 8 }, { R::lAutoMatic, 16, 24 }, { R::lAutoMatic, 32, 24 } };
    for (const auto& c : cases)
        EXPECT_EQ(TImageLib::DecoderBits(c.Resolution, c.Screen), c.Bits) << int(c.Resolution) << " " << c.Screen;

    const QString path = DataPath("rgb24.pcx");
    EXPECT_EQ(TImageLib::LoadImage(TImageKind::Pcx, path, 1, true).Image.depth(), 1);
    const QImage vga = TImageLib::LoadImage(TImageKind::Pcx, path, 4, false).Image;
    EXPECT_EQ(vga.format(), QImage::Format_Indexed8);
    EXPECT_LE(vga.colorCount(), 16);
    EXPECT_EQ(TImageLib::LoadImage(TImageKind::Pcx, path, 8, false).Image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(
        TImageLib::LoadImage(TImageKind::Pcx, DataPath("pal8.pcx"), 24, false).Image.format(), QImage::Format_RGB32);
}

TEST(ImageLib, FailuresCarryTheDecodersText)
{
    hy::test::TTempFolder dir;
    const QString garbage = dir.Write(QStringLiteral("x.jpg"), "this is not a picture at all");
    ASSERT_FALSE(garbage.isEmpty());

    const TDecodeResult missing = TImageLib::LoadImage(TImageKind::Png, dir.PathOf(QStringLiteral("no.png")), 24, 0);
    EXPECT_EQ(missing.Code, ErrCannotOpen);
    const TDecodeResult notJpeg = TImageLib::LoadImage(TImageKind::Jpg, garbage, 24, false);
    EXPECT_LE(notJpeg.Code, 0);
    EXPECT_FALSE(notJpeg.ErrorText.isEmpty());

    // A PCX file named .bmp is read by what it holds.
    const QString misnamed = dir.Write(QStringLiteral("pcx.bmp"), hy::test::ReadAll(DataPath("ega1x4.pcx")));
    const TDecodeResult r = TImageLib::LoadImage(TImageKind::Bmp, misnamed, 24, false);
    ASSERT_TRUE(r.Ok()) << r.ErrorText.toStdString();
    EXPECT_EQ(r.Info.FormatName, QStringLiteral("PCX"));

    for (int code = ErrNoMemory; code <= ErrCannotOpen; ++code)
        EXPECT_FALSE(TImageLib::ErrorText(code).isEmpty());
}

} // namespace

// Pictures built to keep the window busy: thousands of clip records, a huge wide-pen polyline, tens of
// thousands of objects. Each draws in well under the time a person would wait.
TEST(WmfDecoderLimits, CostlyRecordsStayQuick)
{
    TWmfBuilder clips = Canvas(200, 200, 200);
    for (int i = 0; i < 3000; ++i)
        clips.Rec(0x0415, { (i % 90) + 5, (i % 90) + 5, i % 90, i % 90 });
    clips.Rec(0x041B, { 90, 90, 10, 10 });

    TWmfBuilder wide = Canvas(200, 200, 200);
    wide.Rec(0x02FA, { 0, 800, 0 }, Colour(0, 0, 255)).Rec(0x012D, { 2 });
    QByteArray points;
    for (int i = 0; i < 16000; ++i) {
        char b[4];
        qToLittleEndian<std::uint16_t>(std::uint16_t(i % 100), b);
        qToLittleEndian<std::uint16_t>(std::uint16_t((i * 7) % 100), b + 2);
        points.append(b, 4);
    }
    wide.Rec(0x0325, { 16000 }, points);

    TWmfBuilder objects = Canvas(200, 200, 200);
    for (int i = 0; i < 70000; ++i)
        objects.Rec(0x00F7, { 0x300, 0 });

    for (const QByteArray& data : { clips.Build(), wide.Build(), objects.Build() }) {
        QElapsedTimer clock;
        clock.start();
        const TDecodeResult r = TImageLib::DecodeData(TImageKind::Wmf, data);
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_TRUE(r.Ok()) << r.ErrorText.toStdString();
    }
}

// The drawing a metafile asks for is counted. A wide pen whose strokes would cost more than any real picture
// does is drawn one pixel wide; records that go on asking for more stop with an error instead of keeping the
// program drawing. On a 4096 x 4096 picture: a zigzag of 79 lines across it, 50 pixels apart.
TEST(WmfDecoderLimits, WideStrokesBeyondTheWorkLeftAreDrawnThin)
{
    const auto zigzag = [](int penWidth) {
        TWmfBuilder w;
        w.Rec(0x020B, { 0, 0 }).Rec(0x020C, { 4096, 4096 });
        w.Rec(0x02FA, { 0, penWidth, 0 }, Colour(0, 0, 255)).Rec(0x012D, { 0 });
        QByteArray points;
        for (int i = 0; i < 80; ++i) {
            char b[4];
            qToLittleEndian<std::uint16_t>(std::uint16_t(i % 2 ? 4000 : 96), b);
            qToLittleEndian<std::uint16_t>(std::uint16_t(48 + i * 50), b + 2);
            points.append(b, 4);
        }
        w.Rec(0x0325, { 80 }, points);
        return w.Build(true, QRect(0, 0, 4096, 4096), 96);
    };
    // The share of a column across the lines that the pen covered.
    const auto covered = [](const QImage& image) {
        int blue = 0;
        for (int y = 100; y < 3900; ++y)
            blue += qBlue(image.pixel(2048, y)) > 128 && qRed(image.pixel(2048, y)) < 128;
        return blue / 3800.0;
    };
    const TDecodeResult modest = DecodeWmf(zigzag(20));
    ASSERT_TRUE(modest.Ok()) << modest.ErrorText.toStdString();
    ASSERT_EQ(modest.Image.size(), QSize(4096, 4096));
    EXPECT_GT(covered(modest.Image), 0.3) << "a 20-pixel pen is drawn at its width";
    EXPECT_LT(covered(modest.Image), 0.6);

    const TDecodeResult huge = DecodeWmf(zigzag(4096));
    ASSERT_TRUE(huge.Ok()) << huge.ErrorText.toStdString();
    EXPECT_GT(covered(huge.Image), 0.0) << "the lines are there";
    EXPECT_LT(covered(huge.Image), 0.1) << "a pen as wide as the picture along 79 lines is drawn thin";
}

// The corpus's costly seed (tests/fuzz/wmf_seed.py --costly): a few hundred bytes of wide pens across
// the picture, bitmaps stretched over it with raster operations, huge text, nested states and clips. Before
// its work was counted it kept the program drawing for minutes; now it ends with an error long before.
TEST(WmfDecoderLimits, TheCostlySeedEndsWithinItsWork)
{
    QFile file(SourcePath(QStringLiteral("tests/fuzz/corpus/wmf/seed-costly.wmf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_LT(bytes.size(), 2000);
    QElapsedTimer clock;
    clock.start();
    const TDecodeResult r = DecodeWmf(bytes);
    EXPECT_LT(clock.elapsed(), 60000) << "drawing is counted, not left to run";
    EXPECT_EQ(r.Code, ErrCorrupt);
    EXPECT_EQ(r.ErrorText, QStringLiteral("The metafile is too complex to draw."));
}

// A load on a thread of its own: the caller hears each percentage it tells, in order, and is called again
// and again while it tells none; answering 0 ends the wait at once though the load is still busy, and the
// load is then told to stop.
TEST(ImageLibAside, TheCallerGoesOnWhileTheLoadIsBusyAndCanStopIt)
{
    std::vector<int> seen;
    TDecodeResult r = TImageLib::RunAside(
        [](const ProgressCallback& progress) {
            for (const int percent : { 0, 30, 100 }) {
                if (!progress(percent))
                    return TDecodeResult::Failure(ErrStopped, QStringLiteral("stopped"));
            }
            TDecodeResult done;
            done.Image = QImage(2, 3, QImage::Format_RGB32);
            return done;
        },
        [&seen](int percent) {
            seen.push_back(percent);
            return 1;
        });
    ASSERT_TRUE(r.Ok()) << r.ErrorText.toStdString();
    EXPECT_EQ(r.Image.size(), QSize(2, 3));
    EXPECT_EQ(seen, (std::vector<int> { 0, 30, 100 }));

    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> finished { false };
    std::atomic<int> toldLater { -1 };
    int calls = 0;
    r = TImageLib::RunAside(
        [released, &finished, &toldLater](const ProgressCallback& progress) {
            progress(10);
            released.wait();
            toldLater = progress(20);
            finished = true;
            return TDecodeResult();
        },
        [&calls](int percent) {
            EXPECT_EQ(percent, 10) << "the last percentage told, again";
            return ++calls < 5 ? 1 : 0;
        });
    EXPECT_EQ(r.Code, ErrStopped);
    EXPECT_EQ(calls, 5) << "once for 10, then four times while the load told nothing";
    EXPECT_FALSE(finished) << "the wait ended while the load was still busy";
    release.set_value();
    EXPECT_TRUE(QTest::qWaitFor([&finished]() { return finished.load(); }, 5000));
    EXPECT_EQ(toldLater, 0) << "the load hears that it is to stop";

    // Without a caller to hear it the wait is plain; what the load throws comes back as a failure.
    r = TImageLib::RunAside([](const ProgressCallback&) -> TDecodeResult { throw std::runtime_error("broken"); }, {});
    EXPECT_EQ(r.Code, ErrCorrupt);
    EXPECT_EQ(r.ErrorText, QStringLiteral("broken"));
}
