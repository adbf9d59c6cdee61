// Metafile playback. Coordinates are logical units mapped through the window and viewport onto the picture;
// every parameter read is bounds-checked, so a record whose size lies stops playback with an error.
#include "core/image/WmfPlayer.h"

#include "platform/Cp1252.h"

#include "core/image/DibImage.h"
#include "core/image/ImageTypes.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QtEndian>
#include <cmath>
#include <optional>
#include <vector>

namespace hy::image {

namespace {

    QString Text(const char* s) { return QCoreApplication::translate("TWmfPlayer", s); }

    // Record functions this player knows.
    enum : unsigned {
        META_EOF = 0x0000,
        META_SAVEDC = 0x001E,
        META_SETBKCOLOR = 0x0201,
        META_SETBKMODE = 0x0102,
        META_SETMAPMODE = 0x0103,
        META_SETPOLYFILLMODE = 0x0106,
        META_SETSTRETCHBLTMODE = 0x0107,
        META_SETTEXTCOLOR = 0x0209,
        META_SETWINDOWORG = 0x020B,
        META_SETWINDOWEXT = 0x020C,
        META_SETVIEWPORTORG = 0x020D,
        META_SETVIEWPORTEXT = 0x020E,
        META_OFFSETWINDOWORG = 0x020F,
        META_SCALEWINDOWEXT = 0x0410,
        META_OFFSETVIEWPORTORG = 0x0211,
        META_SCALEVIEWPORTEXT = 0x0412,
        META_LINETO = 0x0213,
        META_MOVETO = 0x0214,
        META_EXCLUDECLIPRECT = 0x0415,
        META_INTERSECTCLIPRECT = 0x0416,
        META_ARC = 0x0817,
        META_ELLIPSE = 0x0418,
        META_PIE = 0x081A,
        META_RECTANGLE = 0x041B,
        META_ROUNDRECT = 0x061C,
        META_PATBLT = 0x061D,
        META_SETPIXEL = 0x041F,
        META_TEXTOUT = 0x0521,
        META_POLYGON = 0x0324,
        META_POLYLINE = 0x0325,
        META_RESTOREDC = 0x0127,
        META_SELECTCLIPREGION = 0x012C,
        META_SELECTOBJECT = 0x012D,
        META_SETTEXTALIGN = 0x012E,
        META_CHORD = 0x0830,
        META_EXTTEXTOUT = 0x0A32,
        META_SETDIBTODEV = 0x0D33,
        META_POLYPOLYGON = 0x0538,
        META_DIBBITBLT = 0x0940,
        META_DIBSTRETCHBLT = 0x0B41,
        META_DIBCREATEPATTERNBRUSH = 0x0142,
        META_STRETCHDIB = 0x0F43,
        META_DELETEOBJECT = 0x01F0,
        META_CREATEPALETTE = 0x00F7,
        META_CREATEPATTERNBRUSH = 0x01F9,
        META_CREATEPENINDIRECT = 0x02FA,
        META_CREATEFONTINDIRECT = 0x02FB,
        META_CREATEBRUSHINDIRECT = 0x02FC,
        META_CREATEREGION = 0x06FF,
    };

    enum { MM_TEXT = 1, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8 };
    enum { TRANSPARENT = 1, OPAQUE = 2 };
    enum { ALTERNATE = 1, WINDING = 2 };
    enum { TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24 };
    enum { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };
    enum { HALFTONE = 4 };

    constexpr int MaxSavedStates = 1024;
    constexpr int MaxObjects = 65535;
    constexpr std::int64_t MaxBitmapPixels = 16LL * 1024 * 1024;

    // The drawing work one metafile may cause, counted in pixels filled: a few seconds of drawing at most. Real
    // pictures stay far below it; a file whose records ask for more (a few hundred bytes can ask for wide
    // pens across the whole picture, stretched bitmaps and huge text, over and over) stops with an error.
    constexpr double WorkBudget = 1.0e9;
    // What other work costs, in pixels filled: a pixel along a thin smoothed line, a pixel along the outline
    // of a wide stroke or a fill (the rasteriser visits every edge on every row it crosses), a pixel that a
    // raster operation or a smoothed stretch draws, a saved drawing state.
    constexpr double LinePixelCost = 100;
    constexpr double EdgePixelCost = 50;
    constexpr double BlendPixelCost = 8;
    constexpr double StateCost = 1000;

    // Bounds-checked reader of a record's parameters; reading past the end yields 0 and marks it bad.
    class TParams {
    public:
        TParams(const uchar* p, std::int64_t length)
            : m_p(p)
            , m_length(length)
        {
        }
        bool Ok() const { return m_ok; }
        std::int64_t Left() const { return m_length - m_pos; }
        const uchar* Here() const { return m_p + m_pos; }
        bool Need(std::int64_t n)
        {
            if (n < 0 || n > Left())
                m_ok = false;
            return m_ok;
        }
        void Skip(std::int64_t n)
        {
            if (Need(n))
                m_pos += n;
        }
        int S() { return Need(2) ? qFromLittleEndian<std::int16_t>(m_p + (m_pos += 2) - 2) : 0; }
        unsigned U() { return Need(2) ? qFromLittleEndian<std::uint16_t>(m_p + (m_pos += 2) - 2) : 0; }
        std::uint32_t L() { return Need(4) ? qFromLittleEndian<std::uint32_t>(m_p + (m_pos += 4) - 4) : 0; }
        uchar B() { return Need(1) ? m_p[m_pos++] : 0; }
        QColor Color()
        {
            const uchar r = B(), g = B(), b = B();
            B();
            return QColor(r, g, b);
        }

    private:
        const uchar* m_p;
        std::int64_t m_length;
        std::int64_t m_pos = 0;
        bool m_ok = true;
    };

    // Bytes of the program's text are Windows-1252.
    QString FromAnsi(const uchar* p, std::int64_t n)
    {
        return platform::Cp1252Decode(QByteArray(reinterpret_cast<const char*>(p), qsizetype(n)));
    }

    struct TLogPen {
        unsigned Style = 0;
        int Width = 0;
        QColor Color = Qt::black;
    };

    struct TLogBrush {
        unsigned Style = 0; // BS_SOLID 0, BS_NULL 1, BS_HATCHED 2, pattern brushes 3 and 5
        QColor Color = Qt::white;
        unsigned Hatch = 0;
        QImage Pattern;
    };

    struct TLogFont {
        int Height = 0;
        int Escapement = 0;
        int Weight = 400;
        bool Italic = false;
        bool Underline = false;
        bool StrikeOut = false;
        QString Face;
    };

    struct TObject {
        enum TKind { Empty, PenObject, BrushObject, FontObject, OtherObject } Kind = Empty;
        TLogPen Pen;
        TLogBrush Brush;
        TLogFont Font;
    };

    // Everything SaveDC keeps.
    struct TDc {
        TLogPen Pen;
        TLogBrush Brush;
        TLogFont Font;
        QColor TextColor = Qt::black;
        QColor BkColor = Qt::white;
        int BkMode = OPAQUE;
        unsigned TextAlign = 0;
        int PolyFillMode = ALTERNATE;
        int StretchMode = 0;
        int MapMode = MM_TEXT;
        QPointF WindowOrg, WindowExt, ViewportOrg, ViewportExt;
        QPointF Position;
        std::optional<QRegion> Clip; // in picture pixels; none while nothing is clipped
    };

} // namespace

struct TWmfPlayer::TState {
    QPainter& P;
    QSize PictureSize;
    bool UseViewport;
    TDc Dc;
    std::vector<TDc> Saved;
    std::vector<TObject> Objects;
    std::size_t FirstFree = 0; // no empty slot below this one
    double WorkLeft = WorkBudget;
    bool Exhausted = false; // a record asked for more work than was left
    QTransform Transform;
    QString Error;
    std::int64_t BitmapBudget;

    TState(QPainter& painter, QSize size, bool useViewport, std::int64_t fileSize)
        : P(painter)
        , PictureSize(size)
        , UseViewport(useViewport)
        , BitmapBudget(64LL * 1024 * 1024 + fileSize * 64)
    {
    }

    void UpdateTransform()
    {
        const TDc& dc = Dc;
        if (dc.WindowExt.x() == 0 || dc.WindowExt.y() == 0)
            return;
        double sx = dc.ViewportExt.x() / dc.WindowExt.x();
        double sy = dc.ViewportExt.y() / dc.WindowExt.y();
        if (dc.MapMode == MM_ISOTROPIC) {
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = sx < 0 ? -s : s;
            sy = sy < 0 ? -s : s;
        }
        // A mapping that magnifies or shrinks beyond any real drawing is a broken file: keep the last good one.
        const auto sane = [](double v) { return std::isfinite(v) && std::abs(v) >= 1e-6 && std::abs(v) <= 1e4; };
        if (!sane(sx) || !sane(sy))
            return;
        Transform = QTransform(
            sx, 0, 0, sy, dc.ViewportOrg.x() - dc.WindowOrg.x() * sx, dc.ViewportOrg.y() - dc.WindowOrg.y() * sy);
        P.setWorldTransform(Transform);
    }

    double ScaleX() const { return std::abs(Transform.m11()); }
    double ScaleY() const { return std::abs(Transform.m22()); }

    // GDI pens are never thinner than one device pixel.
    void UsePen(bool forText = false)
    {
        const TLogPen& pen = Dc.Pen;
        const unsigned style = pen.Style & 0x0F;
        if (style == 5 || forText) {
            P.setPen(Qt::NoPen);
            return;
        }
        QPen qpen(pen.Color);
        // Pens wider than a pixel are solid whatever their style, as the platform draws them; a width beyond the
        // picture's own size changes nothing visible and is cut to it.
        const double device = pen.Width * ScaleX();
        const bool thin = device < 1.5;
        const double widest = 2.0 * (PictureSize.width() + PictureSize.height());
        qpen.setWidthF(thin ? 0.0 : std::min(double(pen.Width), widest / ScaleX()));
        static const Qt::PenStyle styles[] = { Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
            Qt::DashDotDotLine, Qt::NoPen, Qt::SolidLine, Qt::SolidLine, Qt::SolidLine };
        qpen.setStyle(thin && style < 9 ? styles[style] : Qt::SolidLine);
        const unsigned cap = pen.Style & 0x0F00, join = pen.Style & 0xF000;
        qpen.setCapStyle(cap == 0x0100 ? Qt::SquareCap : cap == 0x0200 ? Qt::FlatCap : Qt::RoundCap);
        qpen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
        P.setPen(qpen);
    }

    void UseBrush()
    {
        const TLogBrush& b = Dc.Brush;
        if (b.Style == 1) {
            P.setBrush(Qt::NoBrush);
        } else if (b.Style == 2) {
            static const Qt::BrushStyle hatches[] = { Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern };
            P.setBrush(QBrush(b.Color, b.Hatch < 6 ? hatches[b.Hatch] : Qt::SolidPattern));
        } else if ((b.Style == 3 || b.Style == 5) && !b.Pattern.isNull()) {
            // Patterns repeat in device pixels, whatever the mapping.
            QBrush brush(b.Pattern);
            brush.setTransform(QTransform::fromScale(1 / Transform.m11(), 1 / Transform.m22()));
            P.setBrush(brush);
        } else {
            P.setBrush(b.Color);
        }
        P.setBackgroundMode(Dc.BkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
        P.setBackground(Dc.BkColor);
    }

    // Takes the cost of a drawing step from what is left; false, and nothing is to be drawn, when it is more.
    bool Spend(double cost)
    {
        if (!(cost <= WorkLeft)) {
            Exhausted = true;
            return false;
        }
        WorkLeft -= cost;
        return true;
    }

    double Area() const { return double(PictureSize.width()) * PictureSize.height(); }
    double Diagonal() const { return std::hypot(double(PictureSize.width()), double(PictureSize.height())); }
    double ClipRects() const { return Dc.Clip ? double(Dc.Clip->rectCount()) : 0.0; }

    // The part of the picture a logical rectangle covers, in pixels.
    QRectF OnPicture(const QRectF& logical) const
    {
        return Transform.mapRect(logical).intersected(QRectF(QPointF(0, 0), QSizeF(PictureSize)));
    }

    // Filling a shape: the pixels of its bounds on the picture, and each edge on each row it crosses.
    double FillCost(const QPainterPath& path) const
    {
        const QRectF r = OnPicture(path.controlPointRect());
        return r.width() * r.height() + (double(path.elementCount()) + ClipRects()) * (r.height() + 1) * EdgePixelCost;
    }

    // Stroking a path, each element taken as a line from the one before (a curve is never longer than its
    // control points' polygon), each line no longer than the picture's diagonal: along a thin line every pixel;
    // along a wide one the outline on each side of it and the area it covers.
    double StrokeCost(const QPainterPath& path, double width) const
    {
        const double diagonal = Diagonal();
        double cost = double(path.elementCount()) + ClipRects() * diagonal;
        QPointF last;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element& e = path.elementAt(i);
            const QPointF here = Transform.map(QPointF(e.x, e.y));
            if (!e.isMoveTo()) {
                const double length = std::min(QLineF(last, here).length(), diagonal) + 1;
                if (width <= 0)
                    cost += length * LinePixelCost;
                else
                    cost += std::min(length * width, Area()) + std::min(length + width, diagonal) * 2 * EdgePixelCost;
            }
            last = here;
        }
        return cost;
    }

    // Fills are drawn without smoothing, as the platform draws them, so shapes split into adjacent polygons
    // show no seams.
    bool FillPath(const QPainterPath& path)
    {
        if (P.brush().style() == Qt::NoBrush)
            return true;
        if (!Spend(FillCost(path)))
            return false;
        P.setRenderHint(QPainter::Antialiasing, false);
        const QPen pen = P.pen();
        P.setPen(Qt::NoPen);
        P.drawPath(path);
        P.setPen(pen);
        P.setRenderHint(QPainter::Antialiasing, true);
        return true;
    }

    // Outlines with the current pen. Thin lines are smoothed; wide pens are drawn as the platform draws them,
    // without smoothing, which is also what keeps a wide stroke across the picture quick to draw. A wide
    // stroke that would cost more than the work left is drawn one pixel wide.
    bool StrokePath(const QPainterPath& path)
    {
        if (P.pen().style() == Qt::NoPen)
            return true;
        const double width = P.pen().widthF() * ScaleX();
        double cost = width > 0 ? StrokeCost(path, width) : 0;
        if (width <= 0 || cost > WorkLeft) {
            QPen thin = P.pen();
            thin.setWidthF(0.0);
            P.setPen(thin);
            cost = StrokeCost(path, 0);
        }
        if (!Spend(cost))
            return false;
        const bool smooth = P.pen().widthF() <= 0;
        P.setRenderHint(QPainter::Antialiasing, smooth);
        P.setBrush(Qt::NoBrush);
        P.drawPath(path);
        P.setRenderHint(QPainter::Antialiasing, true);
        return true;
    }

    void Fill(const QPainterPath& path)
    {
        UseBrush();
        if (!FillPath(path))
            return;
        UsePen();
        StrokePath(path);
    }

    QRectF RectFromParams(TParams& in)
    {
        const int bottom = in.S(), right = in.S(), top = in.S(), left = in.S();
        return QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
    }

    int AddObject(const TObject& object)
    {
        // Slots below FirstFree are all taken, so a file of many objects costs one step per object.
        for (std::size_t i = FirstFree; i < Objects.size(); ++i) {
            if (Objects[i].Kind == TObject::Empty) {
                Objects[i] = object;
                FirstFree = i + 1;
                return int(i);
            }
        }
        FirstFree = Objects.size() + 1;
        if (Objects.size() < MaxObjects)
            Objects.push_back(object);
        return int(Objects.size()) - 1;
    }

    QPolygonF ReadPoints(TParams& in, std::int64_t count)
    {
        QPolygonF polygon;
        if (count < 0 || !in.Need(count * 4))
            return polygon;
        polygon.reserve(qsizetype(count));
        for (std::int64_t i = 0; i < count; ++i) {
            const int x = in.S(), y = in.S();
            polygon.append(QPointF(x, y));
        }
        return polygon;
    }

    // Angle on the ellipse, in the parametric sense QPainter uses, of the radial line through a point.
    static double ArcAngle(const QRectF& r, double x, double y)
    {
        const double a = r.width() / 2, b = r.height() / 2;
        if (a <= 0 || b <= 0)
            return 0;
        const QPointF c = r.center();
        return std::atan2(-(y - c.y()) / b, (x - c.x()) / a) * 180 / M_PI;
    }

    void ArcRecord(unsigned function, TParams& in)
    {
        const int yEnd = in.S(), xEnd = in.S(), yStart = in.S(), xStart = in.S();
        const QRectF r = RectFromParams(in);
        if (!in.Ok())
            return;
        const double start = ArcAngle(r, xStart, yStart);
        double span = ArcAngle(r, xEnd, yEnd) - start;
        if (span <= 0)
            span += 360;
        QPainterPath path;
        if (function == META_ARC) {
            path.arcMoveTo(r, start);
            path.arcTo(r, start, span);
            UsePen();
            StrokePath(path);
            return;
        }
        if (function == META_PIE) {
            path.moveTo(r.center());
            path.arcTo(r, start, span);
        } else {
            path.arcMoveTo(r, start);
            path.arcTo(r, start, span);
        }
        path.closeSubpath();
        Fill(path);
    }

    // The font a logical font asks for, at its size on the picture.
    QFont TextFont(const TLogFont& lf)
    {
        QFont font(lf.Face.isEmpty() ? QStringLiteral("Sans Serif") : lf.Face);
        const double sy = ScaleY();
        // A negative height is the character height, a positive one the cell height; 0 asks for the default.
        double pixels = lf.Height == 0 ? 16.0 : std::abs(lf.Height) * sy;
        pixels = std::clamp(pixels, 1.0, double(std::max(PictureSize.width(), PictureSize.height())) * 2 + 16);
        font.setPixelSize(std::max(1, int(std::lround(pixels))));
        if (lf.Height > 0) {
            const QFontMetricsF cell(font);
            const double height = cell.ascent() + cell.descent();
            if (height > 0)
                font.setPixelSize(std::max(1, int(std::lround(pixels * pixels / height))));
        }
        font.setWeight(QFont::Weight(std::clamp(lf.Weight == 0 ? 400 : lf.Weight, 1, 1000)));
        font.setItalic(lf.Italic);
        font.setUnderline(lf.Underline);
        font.setStrikeOut(lf.StrikeOut);
        return font;
    }

    void TextRecord(
        double x, double y, const QString& text, const std::vector<int>& dx, unsigned options, const QRectF& rect)
    {
        const bool opaqueRect = (options & ETO_OPAQUE) && !rect.isEmpty();
        if (opaqueRect) {
            const QRectF covered = OnPicture(rect);
            if (!Spend(covered.width() * covered.height()))
                return;
            P.fillRect(rect, Dc.BkColor);
        }
        if (text.isEmpty())
            return;
        P.save();
        if ((options & ETO_CLIPPED) && !rect.isEmpty())
            P.setClipRect(rect, Qt::IntersectClip);
        if (Dc.TextAlign & TA_UPDATECP) {
            x = Dc.Position.x();
            y = Dc.Position.y();
        }
        const QPointF origin = Transform.map(QPointF(x, y));
        const TLogFont& lf = Dc.Font;
        const QFont font = TextFont(lf);
        // Each character fills at most its cell and has an outline as tall as the font.
        const double size = font.pixelSize();
        if (!Spend(double(text.size()) * (std::min(size * size, Area()) + size * EdgePixelCost))) {
            P.restore();
            return;
        }
        const QFontMetricsF fm(font);

        double width = 0;
        std::vector<double> advances;
        if (!dx.empty()) {
            for (int delta : dx)
                advances.push_back(delta * ScaleX());
            for (double a : advances)
                width += a;
        } else {
            width = fm.horizontalAdvance(text);
        }
        double left = 0;
        const unsigned horizontal = Dc.TextAlign & TA_CENTER;
        if (horizontal == TA_CENTER)
            left = -width / 2;
        else if (horizontal == TA_RIGHT)
            left = -width;
        double baseline = fm.ascent();
        const unsigned vertical = Dc.TextAlign & TA_BASELINE;
        if (vertical == TA_BASELINE)
            baseline = 0;
        else if (vertical == TA_BOTTOM)
            baseline = -fm.descent();

        P.setWorldTransform(QTransform());
        P.translate(origin);
        if (lf.Escapement != 0)
            P.rotate(-lf.Escapement / 10.0);
        if (Dc.BkMode == OPAQUE && !opaqueRect)
            P.fillRect(QRectF(left, baseline - fm.ascent(), width, fm.ascent() + fm.descent()), Dc.BkColor);
        P.setFont(font);
        P.setPen(Dc.TextColor);
        if (advances.empty()) {
            P.drawText(QPointF(left, baseline), text);
        } else {
            double pen = left;
            for (qsizetype i = 0; i < text.size(); ++i) {
                P.drawText(QPointF(pen, baseline), QString(text.at(i)));
                pen += i < qsizetype(advances.size()) ? advances[std::size_t(i)] : fm.horizontalAdvance(text.at(i));
            }
        }
        P.restore();
        if (Dc.TextAlign & TA_UPDATECP)
            Dc.Position.rx() += Transform.m11() != 0 ? width / Transform.m11() : 0;
    }

    static QPainter::CompositionMode Rop(std::uint32_t rop)
    {
        switch ((rop >> 16) & 0xFF) {
        case 0x88:
            return QPainter::RasterOp_SourceAndDestination;
        case 0xEE:
            return QPainter::RasterOp_SourceOrDestination;
        case 0x66:
        case 0x5A:
            return QPainter::RasterOp_SourceXorDestination;
        case 0x33:
        case 0x0F:
            return QPainter::RasterOp_NotSource;
        case 0x44:
            return QPainter::RasterOp_SourceAndNotDestination;
        case 0x11:
            return QPainter::RasterOp_NotSourceAndNotDestination;
        case 0xBB:
            return QPainter::RasterOp_NotSourceOrDestination;
        case 0x22:
            return QPainter::RasterOp_NotSourceAndDestination;
        default:
            return QPainter::CompositionMode_SourceOver;
        }
    }

    // A raster operation without a bitmap: black, white, inverted destination or the brush.
    void PatternBlt(std::uint32_t rop, const QRectF& rect)
    {
        const unsigned op = (rop >> 16) & 0xFF;
        if (op == 0xAA)
            return;
        const QRectF covered = OnPicture(rect);
        const bool plain = op == 0x00 || op == 0xFF || op == 0xF0;
        if (!Spend(covered.width() * covered.height() * (plain ? 1 : BlendPixelCost)))
            return;
        P.save();
        P.setRenderHint(QPainter::Antialiasing, false);
        if (op == 0x00 || op == 0xFF) {
            P.fillRect(rect, op == 0 ? Qt::black : Qt::white);
        } else if (op == 0x55) {
            P.setCompositionMode(QPainter::RasterOp_NotDestination);
            P.fillRect(rect, Qt::white);
        } else {
            UseBrush();
            P.setCompositionMode(Rop(rop));
            P.fillRect(rect, P.brush());
        }
        P.restore();
    }

    // Draws a DIB's source rectangle into a logical destination rectangle.
    void Blit(std::uint32_t rop, const uchar* dib, std::int64_t size, QRectF source, bool sourceFromBottom,
        const QRectF& dest)
    {
        const QImage image = TDibImage::Decode(dib, size, std::min(MaxBitmapPixels, BitmapBudget));
        if (image.isNull())
            return;
        BitmapBudget -= std::int64_t(image.width()) * image.height();
        if (sourceFromBottom && TDibImage::IsBottomUp(dib, size))
            source.moveTop(image.height() - source.top() - source.height());
        source = source.normalized();
        if (source.isEmpty())
            source = image.rect();
        const QRectF covered = OnPicture(dest.normalized());
        const bool plain = Dc.StretchMode != HALFTONE && ((rop >> 16) & 0xFF) == 0xCC;
        if (!Spend(covered.width() * covered.height() * (plain ? 2 : BlendPixelCost)))
            return;
        P.save();
        P.setRenderHint(QPainter::Antialiasing, false);
        P.setRenderHint(QPainter::SmoothPixmapTransform, Dc.StretchMode == HALFTONE);
        P.setCompositionMode(Rop(rop));
        P.drawImage(dest, image, source);
        P.restore();
    }

    void SaveDc()
    {
        // Saving and restoring copy the state, clip included.
        if (Saved.size() >= MaxSavedStates || !Spend(2 * (StateCost + ClipRects())))
            return;
        Saved.push_back(Dc);
        P.save();
    }

    void RestoreDc(int which)
    {
        // Negative: that many levels back; positive: the state with that number (1 is the first saved).
        std::int64_t keep = which < 0 ? std::int64_t(Saved.size()) + which : std::int64_t(which) - 1;
        if (keep < 0 || keep >= std::int64_t(Saved.size()))
            return;
        while (std::int64_t(Saved.size()) > keep) {
            Dc = Saved.back();
            Saved.pop_back();
            P.restore();
        }
        UpdateTransform();
    }

    // The clip is kept here in picture pixels rather than read back from the painter, which would go through
    // a region conversion. Metafile mappings only scale and move, so clip rectangles stay rectangles and a
    // region of rectangles holds them cheaply, however many records clip.
    void ClipRect(const QRectF& rect, bool exclude)
    {
        if (!Spend((ClipRects() + 1) * EdgePixelCost))
            return;
        const QRegion cut(Transform.mapRect(rect).toAlignedRect());
        if (exclude) {
            const QRegion all(QRect(QPoint(0, 0), PictureSize));
            Dc.Clip = Dc.Clip.value_or(all).subtracted(cut);
        } else {
            Dc.Clip = Dc.Clip ? Dc.Clip->intersected(cut) : cut;
        }
        P.setWorldTransform(QTransform());
        P.setClipRegion(*Dc.Clip, Qt::ReplaceClip);
        P.setWorldTransform(Transform);
    }

    bool Play(unsigned function, TParams& in);
};

bool TWmfPlayer::TState::Play(unsigned function, TParams& in)
{
    switch (function) {
    case META_EOF:
        break;
    case META_SAVEDC:
        SaveDc();
        break;
    case META_RESTOREDC:
        RestoreDc(in.S());
        break;
    case META_SETBKCOLOR:
        Dc.BkColor = in.Color();
        break;
    case META_SETTEXTCOLOR:
        Dc.TextColor = in.Color();
        break;
    case META_SETBKMODE:
        Dc.BkMode = int(in.U());
        break;
    case META_SETPOLYFILLMODE:
        Dc.PolyFillMode = int(in.U());
        break;
    case META_SETSTRETCHBLTMODE:
        Dc.StretchMode = int(in.U());
        break;
    case META_SETTEXTALIGN:
        Dc.TextAlign = in.U();
        break;
    case META_SETMAPMODE:
        Dc.MapMode = int(in.U());
        UpdateTransform();
        break;
    case META_SETWINDOWORG: {
        const int y = in.S(), x = in.S();
        Dc.WindowOrg = QPointF(x, y);
        UpdateTransform();
        break;
    }
    case META_SETWINDOWEXT: {
        const int y = in.S(), x = in.S();
        if (x != 0 && y != 0)
            Dc.WindowExt = QPointF(x, y);
        UpdateTransform();
        break;
    }
    case META_OFFSETWINDOWORG: {
        const int y = in.S(), x = in.S();
        Dc.WindowOrg += QPointF(x, y);
        UpdateTransform();
        break;
    }
    case META_SCALEWINDOWEXT: {
        const int yDenom = in.S(), yNum = in.S(), xDenom = in.S(), xNum = in.S();
        if (xDenom != 0 && yDenom != 0 && xNum != 0 && yNum != 0)
            Dc.WindowExt = QPointF(Dc.WindowExt.x() * xNum / xDenom, Dc.WindowExt.y() * yNum / yDenom);
        UpdateTransform();
        break;
    }
    case META_SETVIEWPORTORG:
    case META_SETVIEWPORTEXT:
    case META_OFFSETVIEWPORTORG:
    case META_SCALEVIEWPORTEXT: {
        if (function == META_SCALEVIEWPORTEXT) {
            const int yDenom = in.S(), yNum = in.S(), xDenom = in.S(), xNum = in.S();
            if (UseViewport && xDenom != 0 && yDenom != 0 && xNum != 0 && yNum != 0)
                Dc.ViewportExt = QPointF(Dc.ViewportExt.x() * xNum / xDenom, Dc.ViewportExt.y() * yNum / yDenom);
        } else {
            const int y = in.S(), x = in.S();
            if (!UseViewport)
                break;
            if (function == META_SETVIEWPORTORG)
                Dc.ViewportOrg = QPointF(x, y);
            else if (function == META_OFFSETVIEWPORTORG)
                Dc.ViewportOrg += QPointF(x, y);
            else if (x != 0 && y != 0)
                Dc.ViewportExt = QPointF(x, y);
        }
        UpdateTransform();
        break;
    }
    case META_MOVETO: {
        const int y = in.S(), x = in.S();
        Dc.Position = QPointF(x, y);
        break;
    }
    case META_LINETO: {
        const int y = in.S(), x = in.S();
        if (!in.Ok())
            break;
        UsePen();
        QPainterPath line(Dc.Position);
        line.lineTo(x, y);
        StrokePath(line);
        Dc.Position = QPointF(x, y);
        break;
    }
    case META_INTERSECTCLIPRECT:
    case META_EXCLUDECLIPRECT: {
        const QRectF r = RectFromParams(in);
        if (in.Ok())
            ClipRect(r, function == META_EXCLUDECLIPRECT);
        break;
    }
    case META_SELECTCLIPREGION:
        // Regions are not kept; selecting one (usually the empty one) lifts the clipping.
        in.U();
        Dc.Clip.reset();
        P.setClipping(false);
        break;
    case META_RECTANGLE:
    case META_ELLIPSE: {
        const QRectF r = RectFromParams(in);
        if (!in.Ok())
            break;
        QPainterPath path;
        if (function == META_RECTANGLE)
            path.addRect(r);
        else
            path.addEllipse(r);
        Fill(path);
        break;
    }
    case META_ROUNDRECT: {
        const int h = in.S(), w = in.S();
        const QRectF r = RectFromParams(in);
        if (!in.Ok())
            break;
        QPainterPath path;
        path.addRoundedRect(r, std::abs(w) / 2.0, std::abs(h) / 2.0);
        Fill(path);
        break;
    }
    case META_ARC:
    case META_PIE:
    case META_CHORD:
        ArcRecord(function, in);
        break;
    case META_POLYGON:
    case META_POLYLINE: {
        const QPolygonF points = ReadPoints(in, in.S());
        if (!in.Ok() || points.isEmpty())
            break;
        if (function == META_POLYLINE) {
            UsePen();
            QPainterPath path;
            path.addPolygon(points);
            StrokePath(path);
        } else {
            QPainterPath path;
            path.setFillRule(Dc.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
            path.addPolygon(points);
            path.closeSubpath();
            Fill(path);
        }
        break;
    }
    case META_POLYPOLYGON: {
        const unsigned count = in.U();
        if (!in.Need(std::int64_t(count) * 2))
            break;
        std::vector<unsigned> sizes(count);
        std::int64_t total = 0;
        for (unsigned& s : sizes)
            total += (s = in.U());
        if (!in.Need(total * 4))
            break;
        QPainterPath path;
        path.setFillRule(Dc.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        for (unsigned s : sizes) {
            const QPolygonF polygon = ReadPoints(in, s);
            if (polygon.isEmpty())
                continue;
            path.addPolygon(polygon);
            path.closeSubpath();
        }
        Fill(path);
        break;
    }
    case META_SETPIXEL: {
        const QColor c = in.Color();
        const int y = in.S(), x = in.S();
        if (!in.Ok())
            break;
        P.save();
        P.setRenderHint(QPainter::Antialiasing, false);
        P.setWorldTransform(QTransform());
        P.fillRect(QRectF(Transform.map(QPointF(x, y)), QSizeF(1, 1)), c);
        P.restore();
        break;
    }
    case META_TEXTOUT: {
        const int count = in.S();
        if (count < 0 || !in.Need(count))
            break;
        const QString text = FromAnsi(in.Here(), count);
        in.Skip(count + (count & 1));
        const int y = in.S(), x = in.S();
        if (in.Ok())
            TextRecord(x, y, text, {}, 0, QRectF());
        break;
    }
    case META_EXTTEXTOUT: {
        const int y = in.S(), x = in.S(), count = in.S();
        const unsigned options = in.U();
        QRectF rect;
        if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
            const int left = in.S(), top = in.S(), right = in.S(), bottom = in.S();
            rect = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
        }
        if (count < 0 || !in.Need(count))
            break;
        const QString text = FromAnsi(in.Here(), count);
        in.Skip(count);
        std::vector<int> dx;
        if (in.Left() >= std::int64_t(count) * 2 + (count & 1)) {
            in.Skip(count & 1);
            for (int i = 0; i < count; ++i)
                dx.push_back(in.S());
        }
        TextRecord(x, y, text, dx, options, rect);
        break;
    }
    case META_CREATEPENINDIRECT: {
        TObject o;
        o.Kind = TObject::PenObject;
        o.Pen.Style = in.U();
        o.Pen.Width = std::abs(in.S());
        in.S();
        o.Pen.Color = in.Color();
        if (in.Ok())
            AddObject(o);
        break;
    }
    case META_CREATEBRUSHINDIRECT: {
        TObject o;
        o.Kind = TObject::BrushObject;
        o.Brush.Style = in.U();
        o.Brush.Color = in.Color();
        o.Brush.Hatch = in.U();
        if (in.Ok())
            AddObject(o);
        break;
    }
    case META_DIBCREATEPATTERNBRUSH: {
        TObject o;
        o.Kind = TObject::BrushObject;
        o.Brush.Style = in.U();
        in.U();
        if (!in.Ok())
            break;
        o.Brush.Pattern = TDibImage::Decode(in.Here(), in.Left(), std::min<std::int64_t>(1024 * 1024, BitmapBudget));
        BitmapBudget -= std::int64_t(o.Brush.Pattern.width()) * o.Brush.Pattern.height();
        if (o.Brush.Pattern.isNull())
            o.Brush.Style = 0, o.Brush.Color = Qt::gray;
        else
            o.Brush.Style = 5;
        AddObject(o);
        break;
    }
    case META_CREATEFONTINDIRECT: {
        TObject o;
        o.Kind = TObject::FontObject;
        TLogFont& f = o.Font;
        f.Height = in.S();
        in.S();
        f.Escapement = in.S();
        in.S();
        f.Weight = in.S();
        f.Italic = in.B() != 0;
        f.Underline = in.B() != 0;
        f.StrikeOut = in.B() != 0;
        in.Skip(5);
        if (!in.Ok())
            break;
        const uchar* face = in.Here();
        const std::int64_t length = std::min<std::int64_t>(in.Left(), 32);
        std::int64_t n = 0;
        while (n < length && face[n] != 0)
            ++n;
        f.Face = FromAnsi(face, n);
        AddObject(o);
        break;
    }
    case META_CREATEPALETTE:
    case META_CREATEPATTERNBRUSH:
    case META_CREATEREGION: {
        // Palettes and regions are not drawn with, but they take a slot in the object table all the same.
        TObject o;
        o.Kind = function == META_CREATEPATTERNBRUSH ? TObject::BrushObject : TObject::OtherObject;
        o.Brush.Color = Qt::gray;
        AddObject(o);
        break;
    }
    case META_SELECTOBJECT: {
        const unsigned index = in.U();
        if (!in.Ok() || index >= Objects.size())
            break;
        const TObject& o = Objects[index];
        if (o.Kind == TObject::PenObject)
            Dc.Pen = o.Pen;
        else if (o.Kind == TObject::BrushObject)
            Dc.Brush = o.Brush;
        else if (o.Kind == TObject::FontObject)
            Dc.Font = o.Font;
        break;
    }
    case META_DELETEOBJECT: {
        const unsigned index = in.U();
        if (in.Ok() && index < Objects.size()) {
            Objects[index] = TObject();
            FirstFree = std::min(FirstFree, std::size_t(index));
        }
        break;
    }
    case META_PATBLT: {
        const std::uint32_t rop = in.L();
        const int h = in.S(), w = in.S(), y = in.S(), x = in.S();
        if (in.Ok())
            PatternBlt(rop, QRectF(x, y, w, h).normalized());
        break;
    }
    case META_DIBBITBLT:
    case META_DIBSTRETCHBLT: {
        // Without a bitmap the record carries one reserved word more and paints with the brush.
        const bool stretch = function == META_DIBSTRETCHBLT;
        const std::int64_t plain = stretch ? 22 : 18;
        const bool withBitmap = in.Left() > plain;
        const std::uint32_t rop = in.L();
        int srcH = 0, srcW = 0;
        if (stretch)
            srcH = in.S(), srcW = in.S();
        const int ySrc = in.S(), xSrc = in.S();
        if (!withBitmap)
            in.S();
        const int h = in.S(), w = in.S(), y = in.S(), x = in.S();
        if (!stretch)
            srcH = h, srcW = w;
        if (!in.Ok())
            break;
        const QRectF dest(x, y, w, h);
        if (withBitmap)
            Blit(rop, in.Here(), in.Left(), QRectF(xSrc, ySrc, srcW, srcH), false, dest);
        else
            PatternBlt(rop, dest.normalized());
        break;
    }
    case META_STRETCHDIB: {
        const std::uint32_t rop = in.L();
        in.U();
        const int srcH = in.S(), srcW = in.S(), ySrc = in.S(), xSrc = in.S();
        const int h = in.S(), w = in.S(), y = in.S(), x = in.S();
        if (in.Ok())
            Blit(rop, in.Here(), in.Left(), QRectF(xSrc, ySrc, srcW, srcH), true, QRectF(x, y, w, h));
        break;
    }
    case META_SETDIBTODEV: {
        in.U();
        in.U();
        in.U();
        const int ySrc = in.S(), xSrc = in.S(), h = in.S(), w = in.S(), y = in.S(), x = in.S();
        if (in.Ok())
            Blit(0x00CC0020, in.Here(), in.Left(), QRectF(xSrc, ySrc, w, h), true, QRectF(x, y, w, h));
        break;
    }
    default:
        // Palette, escape, flood fill and region records change nothing in the picture we draw.
        break;
    }
    return in.Ok();
}

TWmfPlayer::TWmfPlayer(
    QPainter& painter, const QRectF& frame, QSize pictureSize, bool useViewport, int objectCount, std::int64_t fileSize)
    : d(std::make_unique<TState>(painter, pictureSize, useViewport, fileSize))
{
    d->Objects.reserve(std::size_t(std::clamp(objectCount, 0, 1024)));
    TDc& dc = d->Dc;
    dc.MapMode = MM_ANISOTROPIC;
    dc.WindowOrg = frame.topLeft();
    dc.WindowExt = QPointF(frame.width(), frame.height());
    dc.ViewportExt = QPointF(pictureSize.width(), pictureSize.height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    d->UpdateTransform();
}

TWmfPlayer::~TWmfPlayer()
{
    while (!d->Saved.empty()) {
        d->Saved.pop_back();
        d->P.restore();
    }
}

bool TWmfPlayer::Play(unsigned function, const uchar* params, std::int64_t length)
{
    TParams in(params, length);
    const bool complete = d->Play(function, in);
    if (d->Exhausted) {
        d->Error = Text("The metafile is too complex to draw.");
        return false;
    }
    if (complete)
        return true;
    d->Error = Text("A metafile record (function 0x%1) is shorter than its parameters.")
                   .arg(function, 4, 16, QLatin1Char('0'));
    return false;
}

QString TWmfPlayer::ErrorText() const { return d->Error; }

} // namespace hy::image
