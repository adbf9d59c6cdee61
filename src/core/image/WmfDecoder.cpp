// Metafile decoding: reads the placeable and plain headers, walks the record chain once to check every
// record's size and to find the frame, chooses the picture size and plays the records onto it.
#include "core/image/WmfDecoder.h"

#include "core/image/WmfPlayer.h"

#include <QCoreApplication>
#include <QPainter>
#include <QtEndian>
#include <cmath>
#include <optional>
#include <vector>

namespace hy::image {

namespace {

    constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
    constexpr std::int64_t PlaceableSize = 22;
    constexpr std::int64_t HeaderSize = 18;

    QString Text(const char* s) { return QCoreApplication::translate("TWmfDecoder", s); }

    int S(const uchar* p) { return qFromLittleEndian<std::int16_t>(p); }
    unsigned U(const uchar* p) { return qFromLittleEndian<std::uint16_t>(p); }
    std::uint32_t L(const uchar* p) { return qFromLittleEndian<std::uint32_t>(p); }

    struct TRecord {
        std::int64_t Offset; // of the parameters
        std::int64_t Length; // of the parameters
        unsigned Function;
    };

    bool PlainHeader(const uchar* p, std::int64_t size)
    {
        if (size < HeaderSize)
            return false;
        const unsigned type = U(p), words = U(p + 2), version = U(p + 4);
        return (type == 1 || type == 2) && words == 9 && (version == 0x0100 || version == 0x0300);
    }

    // Bounds of the points drawing records name, for plain metafiles that set no window.
    struct TBounds {
        bool Empty = true;
        double Left = 0, Top = 0, Right = 0, Bottom = 0;
        void Add(double x, double y)
        {
            if (Empty) {
                Left = Right = x;
                Top = Bottom = y;
                Empty = false;
                return;
            }
            Left = std::min(Left, x);
            Right = std::max(Right, x);
            Top = std::min(Top, y);
            Bottom = std::max(Bottom, y);
        }
    };

    void AddBounds(const TRecord& r, const uchar* p, TBounds& bounds)
    {
        const auto add = [&bounds](double x, double y) { bounds.Add(x, y); };
        switch (r.Function) {
        case 0x041B: // rectangle, ellipse and the arcs end on their bounding rectangle
        case 0x0418:
        case 0x061C:
        case 0x0817:
        case 0x081A:
        case 0x0830: {
            const std::int64_t at = r.Length - 8;
            if (at >= 0) {
                add(S(p + at + 6), S(p + at + 4));
                add(S(p + at + 2), S(p + at));
            }
            break;
        }
        case 0x0213:
        case 0x0214:
            if (r.Length >= 4)
                add(S(p + 2), S(p));
            break;
        case 0x0324:
        case 0x0325: {
            const std::int64_t count = r.Length >= 2 ? S(p) : 0;
            for (std::int64_t i = 0; i < count && 2 + i * 4 + 4 <= r.Length; ++i)
                add(S(p + 2 + i * 4), S(p + 4 + i * 4));
            break;
        }
        case 0x0538: {
            const std::int64_t polygons = r.Length >= 2 ? U(p) : 0;
            const std::int64_t start = 2 + polygons * 2;
            for (std::int64_t at = start; at + 4 <= r.Length; at += 4)
                add(S(p + at), S(p + at + 2));
            break;
        }
        default:
            break;
        }
    }

    // What one walk along the record chain learns: the records, the first window origin and extent and
    // viewport extent the file sets, the bounds of what a plain metafile without a window draws, and whether
    // the end record came.
    struct TRecordChain {
        std::vector<TRecord> Records;
        std::optional<QPointF> WindowOrg, WindowExt, ViewportExt;
        TBounds Bounds;
        bool SawEnd = false;
    };

    // Walks the record chain from at once: every record must lie inside the file. The failure, or nothing.
    std::optional<TDecodeResult> WalkRecords(
        const uchar* data, std::int64_t size, std::int64_t at, bool placeable, TRecordChain& chain)
    {
        while (at < size) {
            if (size - at < 6)
                return TDecodeResult::Failure(ErrTruncated, Text("The metafile ends inside a record header."));
            const std::int64_t words = L(data + at);
            const unsigned function = U(data + at + 4);
            if (words < 3)
                return TDecodeResult::Failure(
                    ErrCorrupt, Text("A metafile record at offset %1 gives a size of %2 words.").arg(at).arg(words));
            if (words * 2 > size - at)
                return TDecodeResult::Failure(
                    ErrTruncated, Text("A metafile record at offset %1 runs past the end of the file.").arg(at));
            const TRecord record { at + 6, words * 2 - 6, function };
            const uchar* p = data + record.Offset;
            if (function == 0x0000) {
                chain.SawEnd = true;
                break;
            }
            if (record.Length >= 4) {
                const QPointF value(S(p + 2), S(p));
                if (function == 0x020B && !chain.WindowOrg)
                    chain.WindowOrg = value;
                else if (function == 0x020C && !chain.WindowExt && value.x() != 0 && value.y() != 0)
                    chain.WindowExt = value;
                else if (function == 0x020E && !chain.ViewportExt && value.x() != 0 && value.y() != 0)
                    chain.ViewportExt = value;
            }
            if (!placeable && !chain.WindowExt)
                AddBounds(record, p, chain.Bounds);
            chain.Records.push_back(record);
            at += words * 2;
        }
        return std::nullopt;
    }

    struct TFrame {
        QRectF Frame; // the logical rectangle that fills the picture
        double Width = 0, Height = 0; // the picture's size in pixels
    };

    // A placeable metafile's frame is its window (else its box), sized by its box and units per inch; a plain
    // one's is its window sized by its viewport (else the window), else the bounds of what it draws.
    TFrame FrameOf(bool placeable, const QRectF& box, int inch, const TRecordChain& chain)
    {
        const QPointF origin = chain.WindowOrg.value_or(QPointF());
        if (placeable) {
            const double units = inch > 0 ? inch : 1440;
            return { chain.WindowExt ? QRectF(origin, QSizeF(chain.WindowExt->x(), chain.WindowExt->y())) : box,
                std::abs(box.width()) * TWmfDecoder::ScreenDpi / units,
                std::abs(box.height()) * TWmfDecoder::ScreenDpi / units };
        }
        if (chain.WindowExt) {
            const QPointF size = chain.ViewportExt ? *chain.ViewportExt : *chain.WindowExt;
            return { QRectF(origin, QSizeF(chain.WindowExt->x(), chain.WindowExt->y())), std::abs(size.x()),
                std::abs(size.y()) };
        }
        if (!chain.Bounds.Empty) {
            const double width = std::max(1.0, chain.Bounds.Right - chain.Bounds.Left);
            const double height = std::max(1.0, chain.Bounds.Bottom - chain.Bounds.Top);
            return { QRectF(chain.Bounds.Left, chain.Bounds.Top, width, height), width, height };
        }
        return { QRectF(0, 0, 1, 1), 1, 1 };
    }

} // namespace

bool TWmfDecoder::Recognise(const uchar* data, std::int64_t size)
{
    if (size >= PlaceableSize + HeaderSize && L(data) == PlaceableKey)
        return true;
    return PlainHeader(data, size);
}

TDecodeResult TWmfDecoder::Decode(const uchar* data, std::int64_t size, const ProgressCallback& progress)
{
    if (size < HeaderSize)
        return TDecodeResult::Failure(ErrTruncated, Text("The file is too short for a metafile header."));

    const bool placeable = L(data) == PlaceableKey;
    QRectF box;
    int inch = 0;
    std::int64_t at = 0;
    if (placeable) {
        if (size < PlaceableSize + HeaderSize)
            return TDecodeResult::Failure(ErrTruncated, Text("The file is too short for a metafile header."));
        const int left = S(data + 6), top = S(data + 8), right = S(data + 10), bottom = S(data + 12);
        box = QRectF(QPointF(left, top), QPointF(right, bottom));
        inch = int(U(data + 14));
        at = PlaceableSize;
    }
    if (!PlainHeader(data + at, size - at))
        return TDecodeResult::Failure(ErrNotThisFormat, Text("The file is not a Windows metafile."));
    const std::int64_t declaredBytes = std::int64_t(L(data + at + 6)) * 2;
    const int objectCount = int(U(data + at + 10));
    at += HeaderSize;

    TRecordChain chain;
    if (std::optional<TDecodeResult> failure = WalkRecords(data, size, at, placeable, chain))
        return std::move(*failure);
    if (!chain.SawEnd && declaredBytes > size - (placeable ? PlaceableSize : 0))
        return TDecodeResult::Failure(ErrTruncated, Text("The metafile ends before its last record."));
    const std::vector<TRecord>& records = chain.Records;

    if (placeable && (box.width() == 0 || box.height() == 0))
        return TDecodeResult::Failure(ErrCorrupt, Text("The metafile's bounding box is empty."));
    auto [frame, width, height] = FrameOf(placeable, box, inch, chain);
    const double longest = std::max(width, height);
    if (longest > MaxSide) {
        width = width * MaxSide / longest;
        height = height * MaxSide / longest;
    }
    const QSize pictureSize(std::max(1, int(std::ceil(width - 1e-6))), std::max(1, int(std::ceil(height - 1e-6))));

    QImage image(pictureSize, QImage::Format_RGB32);
    if (image.isNull())
        return TDecodeResult::Failure(ErrNoMemory, Text("There is not enough memory for the metafile picture."));
    image.fill(Qt::white);

    TImageInfo info;
    info.FormatName = QStringLiteral("WMF");
    info.Width = pictureSize.width();
    info.Height = pictureSize.height();
    info.Description = placeable ? Text("Placeable metafile") : Text("Windows metafile");

    {
        QPainter painter(&image);
        TWmfPlayer player(painter, frame, pictureSize, !placeable, objectCount, size);
        TProgressSteps steps(progress, std::int64_t(records.size()));
        for (std::size_t i = 0; i < records.size(); ++i) {
            const TRecord& r = records[i];
            if (!player.Play(r.Function, data + r.Offset, r.Length))
                return TDecodeResult::Failure(ErrCorrupt, player.ErrorText());
            if (!steps.Step(std::int64_t(i) + 1))
                return TDecodeResult::Failure(ErrStopped, Text("Playing the metafile was stopped."));
        }
    }

    TDecodeResult result;
    result.Image = std::move(image);
    result.Info = info;
    return result;
}

} // namespace hy::image
