// The picture control: the ImageName rules, painting and the clipboard. Decoding happens in the imaging
// boundary; this module only chooses the decoder by extension and reports failures.
#include "ui/image/MultiImg.h"

#include "core/image/ImageLib.h"
#include "core/image/PictureZoom.h"
#include "platform/PlatformFiles.h"
#include "ui/common/CursorScope.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMovie>
#include <QPainter>
#include <QScreen>
#include <optional>

namespace hy::image {

using namespace hy::common;

using image::TImageInfo;
using image::TImageKind;
using image::TImageLib;

namespace {

    TMultiImage::TPictureReader& PictureReader()
    {
        static TMultiImage::TPictureReader reader;
        return reader;
    }

    // The largest animation played, and the largest drawing kept to be rendered again at another size.
    constexpr qint64 kLargestAnimation = 256 * 1024 * 1024;
    constexpr qint64 kLargestDrawing = 64 * 1024 * 1024;

    const char* const NotFoundText = "file not found";
    const char* const NonLibraryText = "Non TIF, JPeg, BMP, GIF, PNG or PCX Image";

    struct TKindOfExtension {
        const char* Extension;
        TImageKind Kind;
        const char* FailedText;
    };

    const TKindOfExtension Kinds[] = {
        { ".BMP", TImageKind::Bmp, "Reading bmp file failed" },
        { ".JPG", TImageKind::Jpg, "Reading jpg file failed" },
        { ".PNG", TImageKind::Png, "Reading png file failed" },
        { ".GIF", TImageKind::Gif, "Reading gif file failed" },
        { ".TIF", TImageKind::Tif, "Reading tif file failed" },
        { ".PCX", TImageKind::Pcx, "Reading pcx file failed" },
        { ".WMF", TImageKind::Wmf, "Reading wmf file failed" },
        { ".ICO", TImageKind::Ico, "Reading ico file failed" },
        // ".JPEG" and ".WEBP" cut to four characters; ".TIFF" is ".TIF" already.
        { ".JPE", TImageKind::Jpg, "Reading jpg file failed" },
        { ".WEB", TImageKind::Webp, "Reading webp file failed" },
        // ".SVGZ" cut to four characters is ".SVG".
        { ".SVG", TImageKind::Svg, "Reading svg file failed" },
    };

    const TKindOfExtension UnknownKind = { "", TImageKind::Unknown, "" };

    const TKindOfExtension* KindOfExtension(const QString& extension)
    {
        for (const TKindOfExtension& k : Kinds) {
            if (extension == QLatin1String(k.Extension))
                return &k;
        }
        return nullptr;
    }

    void ShowMessageBox(QWidget* parent, const QString& title, const QString& text, bool isError)
    {
        // A waiting message box shows the ordinary cursor even while a load has set the busy one.
        TCursorScope arrow(Qt::ArrowCursor);
        if (isError)
            QMessageBox::critical(parent, title, text);
        else
            QMessageBox::information(parent, title, text);
    }

} // namespace

struct TMultiImage::TData {
    QString Path;
    QString NameText;
    QImage Picture;
    // A vector drawing's own bytes, drawn again at the size and resolution it is shown at; and that drawing.
    QByteArray Vector;
    QImage VectorShown;
    // A picture made smaller for the screen, smoothly (drawing it scaled down would leave out pixels).
    QImage Scaled;
    // The frames of an animated picture, read from the file's bytes.
    QByteArray MovieBytes;
    std::unique_ptr<QBuffer> MovieData;
    std::unique_ptr<QMovie> Movie;
    int Turns = 0;
    TImageInfo Info;
    TMessageReporter Reporter;
    image::ProgressCallback Progress;
    std::function<void(QPainter&)> OnPaint;

    bool AutoSize = false;
    bool Center = false;
    bool Stretch = false;
    bool StretchRatio = false;
    QColor Color;
    TBorderStyle BorderStyle = TBorderStyle::bsNone;
    bool LibraryPalette = true;
    bool ImageDither = true;
    image::TLoadResolution ReadRes = image::TLoadResolution::lAutoMatic;
    image::TSaveResolution WriteRes = image::TSaveResolution::sAutoMatic;
    image::TTiffCompression TifCompress = image::TTiffCompression::sNONE;
    int JPegQuality = 25;
    int JPegSmooth = 0;
    bool PngInterlaced = false;
    QString DefSaveFilename;
    bool UseTwainWindow = true;
    QString Text;
    int TextLeft = 0;
    int TextTop = 0;
    int TextRotate = 0;
    bool TextShadow = false;
    QColor TextShadowColor = Qt::gray;
    bool TextTransparent = true;
};

TMultiImage::TMultiImage(QWidget* parent)
    : QWidget(parent)
    , d(std::make_unique<TData>())
{
    d->Color = palette().color(QPalette::Button);
    d->Reporter = [this](const QString& title, const QString& text, bool isError) {
        ShowMessageBox(this, title, text, isError);
    };
    setFocusPolicy(Qt::NoFocus);
    resize(105, 105);
}

TMultiImage::~TMultiImage() = default;

QString TMultiImage::ImageExtension(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < path.lastIndexOf(QLatin1Char('/')))
        return {};
    return path.mid(dot).toUpper().left(4);
}

QString TMultiImage::ImageName() const { return d->NameText; }

void TMultiImage::SetImageName(const QString& path)
{
    d->Path = path;
    d->Info = TImageInfo();
    const QString extension = ImageExtension(path);
    const hy::platform::EntryKind entry = hy::platform::KindOf(path);
    if (entry == hy::platform::EntryKind::Missing || entry == hy::platform::EntryKind::Directory) {
        ClearPicture();
        d->NameText = QString::fromLatin1(NotFoundText);
        return;
    }
    LoadFile(path, extension);
}

bool TMultiImage::ReadsExtension(const QString& path) { return KindOfExtension(ImageExtension(path)) != nullptr; }

bool TMultiImage::LoadByContent(const QString& path)
{
    d->Path = path;
    d->Info = TImageInfo();
    ClearPicture();
    d->NameText = path;
    // Only a regular file is probed: a pipe or a device would keep the reader waiting.
    if (hy::platform::KindOf(path) != hy::platform::EntryKind::RegularFile)
        return false;
    LoadPicture(path, QString(), UnknownKind.Kind, UnknownKind.FailedText, true);
    return HasGraphic();
}

void TMultiImage::LoadFile(const QString& path, const QString& extension)
{
    const TKindOfExtension* kind = KindOfExtension(extension);
    if (!kind) {
        // Not a picture this control reads: the old picture stays.
        d->NameText = path;
        return;
    }
    LoadPicture(path, extension, kind->Kind, kind->FailedText, false);
}

void TMultiImage::LoadPicture(
    const QString& path, const QString& extension, TImageKind kind, const char* failedText, bool quiet)
{
    const bool platformPicture = kind == TImageKind::Wmf || kind == TImageKind::Ico;
    ClearPicture();
    int bits = 24;
    if (!platformPicture) {
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        bits = TImageLib::DecoderBits(d->ReadRes, screen ? screen->depth() : 24);
    }
    image::TDecodeResult result;
    try {
        const bool dither = d->ImageDither;
        const TPictureReader reader = PictureReader();
        result = TImageLib::RunAside(
            [kind, path, bits, dither, reader](const image::ProgressCallback& progress) {
                image::TDecodeResult r = reader ? reader(kind, path, bits, dither, progress)
                                                : TImageLib::LoadImage(kind, path, bits, dither, progress);
                // GIF and WebP pictures may hold frames to play, whatever their names say; a drawing is
                // rendered again at each size. Their bytes come along, so that the window never reads them.
                const bool animation
                    = r.Info.FormatName == QLatin1String("GIF") || r.Info.FormatName == QLatin1String("WEBP");
                const qint64 limit = animation ? kLargestAnimation : kind == TImageKind::Svg ? kLargestDrawing : 0;
                if (r.Ok() && limit > 0 && hy::platform::ReadSmallFile(path, limit, r.Source) != 0)
                    r.Source.clear();
                return r;
            },
            d->Progress);
    } catch (...) {
        ClearPicture();
        throw;
    }

    if (result.Ok()) {
        d->Info = result.Info;
        if (platformPicture) {
            // Metafiles and icons tell only their kind and size.
            d->Info.FormatName = extension.mid(1);
            d->Info.BitsPerPixel = d->Info.Planes = d->Info.PaletteSize = 0;
            d->Info.Description.clear();
        }
        SetPicture(result.Image);
        if (kind == TImageKind::Svg)
            d->Vector = std::move(result.Source);
        else if (!result.Source.isEmpty())
            StartAnimation(std::move(result.Source));
    } else if (result.Code == image::ErrStopped) {
        // Stopped by the caller's own progress callback (the user moved on, or the program is ending): the
        // picture stays empty and nobody is asked to acknowledge it.
        d->Info.FileSize = hy::platform::ReadFileFacts(path).size;
    } else {
        if (!quiet) {
            Report(result.ErrorText, true);
            Report(QString::fromLatin1(failedText), false);
        }
        d->Info.FileSize = hy::platform::ReadFileFacts(path).size;
    }
    d->NameText = platformPicture && result.Ok() ? QString::fromLatin1(NonLibraryText) : path;
}

void TMultiImage::Report(const QString& text, bool isError) const
{
    if (d->Reporter)
        d->Reporter(QGuiApplication::applicationDisplayName(), text, isError);
}

const QImage& TMultiImage::Picture() const { return d->Picture; }

bool TMultiImage::IsVector() const { return !d->Vector.isEmpty(); }

void TMultiImage::StartAnimation(QByteArray bytes)
{
    // Only a picture of more than one frame plays.
    auto buffer = std::make_unique<QBuffer>();
    d->MovieBytes = std::move(bytes);
    buffer->setBuffer(&d->MovieBytes);
    auto movie = std::make_unique<QMovie>(buffer.get());
    if (!movie->isValid() || movie->frameCount() < 2) {
        d->MovieBytes.clear();
        return;
    }
    connect(movie.get(), &QMovie::frameChanged, this, [this]() {
        d->Picture = d->Movie->currentImage();
        d->Scaled = QImage();
        update();
    });
    d->MovieData = std::move(buffer);
    d->Movie = std::move(movie);
    d->Movie->start();
}

void TMultiImage::StopAnimation()
{
    d->Movie.reset();
    d->MovieData.reset();
    d->MovieBytes.clear();
}

bool TMultiImage::Animated() const { return d->Movie != nullptr; }

void TMultiImage::SetPicture(const QImage& picture)
{
    StopAnimation();
    d->Scaled = QImage();
    d->Picture = picture;
    d->Vector.clear();
    d->VectorShown = QImage();
    PictureChange();
}

void TMultiImage::ClearPicture()
{
    StopAnimation();
    d->Scaled = QImage();
    d->Picture = QImage();
    d->Vector.clear();
    d->VectorShown = QImage();
    PictureChange();
}

bool TMultiImage::HasGraphic() const { return !d->Picture.isNull(); }

void TMultiImage::PictureChange()
{
    const int frame = d->BorderStyle == TBorderStyle::bsSingle ? 1 : 0;
    const QSize shown = TurnedSize(d->Picture.size(), d->Turns);
    if (d->AutoSize && shown.width() > 0 && shown.height() > 0)
        resize(shown.width() + 2 * frame, shown.height() + 2 * frame);
    setAttribute(Qt::WA_OpaquePaintEvent,
        !d->Picture.isNull() && !d->Picture.hasAlphaChannel() && frame == 0 && shown == size());
    update();
    Q_EMIT PictureChanged();
}

const TImageInfo& TMultiImage::ImageInfo() const { return d->Info; }
QString TMultiImage::ImageFormatName() const { return d->Info.FormatName; }
int TMultiImage::ImageWidth() const { return d->Info.Width; }
int TMultiImage::ImageHeight() const { return d->Info.Height; }
int TMultiImage::ImageBitsPerPixel() const { return d->Info.BitsPerPixel; }
int TMultiImage::ImagePlanes() const { return d->Info.Planes; }
int TMultiImage::ImagePaletteSize() const { return d->Info.PaletteSize; }
QString TMultiImage::ImageDescription() const { return d->Info.Description; }
std::int64_t TMultiImage::ImageFileSize() const { return d->Info.FileSize; }

void TMultiImage::SetProgressCallback(image::ProgressCallback callback) { d->Progress = std::move(callback); }
void TMultiImage::SetPictureReader(TPictureReader reader) { PictureReader() = std::move(reader); }
const image::ProgressCallback& TMultiImage::ProgressCallback() const { return d->Progress; }

void TMultiImage::SetMessageReporter(TMessageReporter reporter) { d->Reporter = std::move(reporter); }
void TMultiImage::SetOnPaint(std::function<void(QPainter&)> handler) { d->OnPaint = std::move(handler); }

bool TMultiImage::CopyToClipboard() const
{
    if (d->Picture.isNull())
        return false;
    QGuiApplication::clipboard()->setImage(d->Picture);
    return true;
}

bool TMultiImage::CutToClipboard()
{
    if (!CopyToClipboard())
        return false;
    ClearPicture();
    return true;
}

bool TMultiImage::PasteFromClipboard()
{
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull())
        return false;
    SetPicture(image);
    return true;
}

void TMultiImage::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy))
        CopyToClipboard();
    else if (event->matches(QKeySequence::Cut))
        CutToClipboard();
    else if (event->matches(QKeySequence::Paste))
        PasteFromClipboard();
    else
        QWidget::keyPressEvent(event);
}

QRect TMultiImage::PictureRect() const
{
    const int frame = d->BorderStyle == TBorderStyle::bsSingle ? 1 : 0;
    const QRect client = rect().adjusted(frame, frame, -frame, -frame);
    const QSize picture = TurnedSize(d->Picture.size(), d->Turns);
    if (d->Stretch) {
        if (!d->StretchRatio)
            return client;
        const QSize fitted = picture.scaled(client.size(), Qt::KeepAspectRatio);
        return QRect(client.topLeft(), fitted);
    }
    if (d->Center) {
        // Halves are taken toward zero, so a larger picture is cut evenly on both sides.
        return QRect(client.left() + (client.width() - picture.width()) / 2,
            client.top() + (client.height() - picture.height()) / 2, picture.width(), picture.height());
    }
    return QRect(client.topLeft(), picture);
}

void TMultiImage::PaintPicture(QPainter& painter)
{
    const QRect target = PictureRect();
    const qreal ratio = devicePixelRatioF();
    const int turns = NormalTurns(d->Turns);
    // The upright picture is drawn into a rectangle that the turn then lays onto the target.
    const QSize upright = TurnedSize(target.size(), turns);
    const QSize pixels = (QSizeF(upright) * ratio).toSize();
    const QImage* shown = &d->Picture;
    if (!d->Vector.isEmpty() && (upright != d->Picture.size() || ratio != 1.0)) {
        // A drawing is drawn again at the size and resolution it is shown at, never scaled as pixels.
        if (d->VectorShown.size() != pixels) {
            d->VectorShown = TImageLib::RenderSvg(d->Vector, pixels).Image;
            d->VectorShown.setDevicePixelRatio(ratio);
        }
        shown = &d->VectorShown;
    } else if (d->Stretch && pixels.width() < d->Picture.width() && pixels.height() < d->Picture.height()) {
        // Made smaller once for the size it is shown at, averaging its pixels.
        if (d->Scaled.size() != pixels)
            d->Scaled = d->Picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        shown = &d->Scaled;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, d->Stretch);
    painter.translate(QRectF(target).center());
    painter.rotate(90.0 * turns);
    painter.drawImage(
        QRectF(-upright.width() / 2.0, -upright.height() / 2.0, upright.width(), upright.height()), *shown);
    painter.restore();
}

void TMultiImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!testAttribute(Qt::WA_OpaquePaintEvent))
        painter.fillRect(rect(), d->Color);
    if (d->BorderStyle == TBorderStyle::bsSingle) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (!d->Picture.isNull())
        PaintPicture(painter);
    if (!d->Text.isEmpty()) {
        painter.save();
        painter.setFont(font());
        painter.translate(d->TextLeft, d->TextTop);
        painter.rotate(-d->TextRotate);
        const QFontMetrics metrics(font());
        const QPoint baseline(0, metrics.ascent());
        if (!d->TextTransparent)
            painter.fillRect(QRect(QPoint(0, 0), metrics.size(0, d->Text)), d->Color);
        if (d->TextShadow) {
            painter.setPen(d->TextShadowColor);
            painter.drawText(baseline + QPoint(1, 1), d->Text);
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(baseline, d->Text);
        painter.restore();
    }
    if (d->OnPaint)
        d->OnPaint(painter);
}

QSize TMultiImage::sizeHint() const { return d->Picture.isNull() ? QSize(105, 105) : size(); }

bool TMultiImage::AutoSize() const { return d->AutoSize; }
void TMultiImage::SetAutoSize(bool on)
{
    d->AutoSize = on;
    if (on)
        PictureChange();
}
int TMultiImage::QuarterTurns() const { return d->Turns; }
void TMultiImage::SetQuarterTurns(int turns)
{
    d->Turns = NormalTurns(turns);
    d->Scaled = QImage();
    d->VectorShown = QImage();
    PictureChange();
}
bool TMultiImage::Center() const { return d->Center; }
void TMultiImage::SetCenter(bool on)
{
    d->Center = on;
    update();
}
bool TMultiImage::Stretch() const { return d->Stretch; }
void TMultiImage::SetStretch(bool on)
{
    d->Stretch = on;
    update();
}
bool TMultiImage::StretchRatio() const { return d->StretchRatio; }
void TMultiImage::SetStretchRatio(bool on)
{
    d->StretchRatio = on;
    update();
}
QColor TMultiImage::Color() const { return d->Color; }
void TMultiImage::SetColor(const QColor& color)
{
    d->Color = color;
    update();
}
TMultiImage::TBorderStyle TMultiImage::BorderStyle() const { return d->BorderStyle; }
void TMultiImage::SetBorderStyle(TBorderStyle style)
{
    d->BorderStyle = style;
    PictureChange();
}
bool TMultiImage::TabStop() const { return focusPolicy() != Qt::NoFocus; }
void TMultiImage::SetTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }

bool TMultiImage::LibraryPalette() const { return d->LibraryPalette; }
void TMultiImage::SetLibraryPalette(bool on) { d->LibraryPalette = on; }
bool TMultiImage::ImageDither() const { return d->ImageDither; }
void TMultiImage::SetImageDither(bool on) { d->ImageDither = on; }
image::TLoadResolution TMultiImage::ImageReadRes() const { return d->ReadRes; }
void TMultiImage::SetImageReadRes(image::TLoadResolution resolution) { d->ReadRes = resolution; }
image::TSaveResolution TMultiImage::ImageWriteRes() const { return d->WriteRes; }
void TMultiImage::SetImageWriteRes(image::TSaveResolution resolution) { d->WriteRes = resolution; }
image::TTiffCompression TMultiImage::TifSaveCompress() const { return d->TifCompress; }
void TMultiImage::SetTifSaveCompress(image::TTiffCompression compression) { d->TifCompress = compression; }
int TMultiImage::JPegSaveQuality() const { return d->JPegQuality; }
void TMultiImage::SetJPegSaveQuality(int quality) { d->JPegQuality = quality <= 0 || quality > 100 ? 25 : quality; }
int TMultiImage::JPegSaveSmooth() const { return d->JPegSmooth; }
void TMultiImage::SetJPegSaveSmooth(int smooth) { d->JPegSmooth = smooth < 0 || smooth > 100 ? 5 : smooth; }
bool TMultiImage::PNGInterLaced() const { return d->PngInterlaced; }
void TMultiImage::SetPNGInterLaced(bool on) { d->PngInterlaced = on; }
QString TMultiImage::DefSaveFilename() const { return d->DefSaveFilename; }
void TMultiImage::SetDefSaveFilename(const QString& name) { d->DefSaveFilename = name; }
bool TMultiImage::UseTwainWindow() const { return d->UseTwainWindow; }
void TMultiImage::SetUseTwainWindow(bool on) { d->UseTwainWindow = on; }

QString TMultiImage::Text() const { return d->Text; }
void TMultiImage::SetText(const QString& text)
{
    d->Text = text;
    update();
}
int TMultiImage::TextLeft() const { return d->TextLeft; }
void TMultiImage::SetTextLeft(int left)
{
    d->TextLeft = left;
    update();
}
int TMultiImage::TextTop() const { return d->TextTop; }
void TMultiImage::SetTextTop(int top)
{
    d->TextTop = top;
    update();
}
int TMultiImage::TextRotate() const { return d->TextRotate; }
void TMultiImage::SetTextRotate(int degrees)
{
    d->TextRotate = degrees;
    update();
}
bool TMultiImage::TextShadow() const { return d->TextShadow; }
void TMultiImage::SetTextShadow(bool on)
{
    d->TextShadow = on;
    update();
}
QColor TMultiImage::TextShadowColor() const { return d->TextShadowColor; }
void TMultiImage::SetTextShadowColor(const QColor& color)
{
    d->TextShadowColor = color;
    update();
}
bool TMultiImage::TextTransParent() const { return d->TextTransparent; }
void TMultiImage::SetTextTransParent(bool on)
{
    d->TextTransparent = on;
    update();
}

} // namespace hy::image
