// The picture control: setting ImageName decodes the file through the imaging boundary, keeps the picture with
// its information and paints it (at the top-left, centred or stretched), sizing itself to it when AutoSize is on.
#pragma once

#include "core/image/ImageTypes.h"

#include <QWidget>
#include <functional>
#include <memory>

namespace hy::image {
enum class TImageKind;
}

namespace hy::image {

class TMultiImage : public QWidget {
    Q_OBJECT

public:
    // Raises a message to the user: an error box when isError, an information box otherwise.
    using TMessageReporter = std::function<void(const QString& title, const QString& text, bool isError)>;
    enum class TBorderStyle { bsNone, bsSingle };

    explicit TMultiImage(QWidget* parent = nullptr);
    ~TMultiImage() override;

    // Setting a path loads it (see the .cpp); reading gives the name text: the path as given after a load attempt,
    // "file not found", or the metafile and icon text.
    QString ImageName() const;
    void SetImageName(const QString& path);
    // The extension a path is judged by: from the last "." of its last part, upper-cased, at most 4 characters.
    static QString ImageExtension(const QString& path);
    // True when the control has a decoder for the path's extension.
    static bool ReadsExtension(const QString& path);
    // Loads a file whose name does not say which picture it holds, by its content alone and without a word
    // to the user when it holds none; true when a picture was read.
    bool LoadByContent(const QString& path);

    const QImage& Picture() const;
    // The picture is a vector drawing (SVG): shown larger or on a finer screen it is drawn again, crisp.
    bool IsVector() const;
    void SetPicture(const QImage& picture);
    void ClearPicture();
    bool HasGraphic() const;

    // Information about the last loaded picture (cleared by each ImageName).
    const image::TImageInfo& ImageInfo() const;
    QString ImageFormatName() const;
    int ImageWidth() const;
    int ImageHeight() const;
    int ImageBitsPerPixel() const;
    int ImagePlanes() const;
    int ImagePaletteSize() const;
    QString ImageDescription() const;
    std::int64_t ImageFileSize() const;

    // This control's load progress: called with the percentage done, returning 0 stops the load. Empty: none.
    // Pictures are read on a thread of their own: the callback is called on this thread with each new
    // percentage, and every few milliseconds while there is none, so that it can keep the windows painted and
    // answering (see TImageLib::RunAside); a load it stops ends at once.
    void SetProgressCallback(image::ProgressCallback callback);
    const image::ProgressCallback& ProgressCallback() const;

    // What reads a picture file on the loading thread: the imaging library, unless tests put another reader
    // in its place (an empty one puts the library back).
    using TPictureReader = std::function<image::TDecodeResult(
        image::TImageKind kind, const QString& path, int bits, bool dither, const image::ProgressCallback& progress)>;
    static void SetPictureReader(TPictureReader reader);

    // Where error and information texts go; the default shows message boxes.
    void SetMessageReporter(TMessageReporter reporter);
    // Drawn after the picture and the overlay text.
    void SetOnPaint(std::function<void(QPainter&)> handler);

    // Clipboard: copy puts the picture on it (false without a picture), cut copies and clears, paste takes an
    // image from it (false when it holds none).
    bool CopyToClipboard() const;
    bool CutToClipboard();
    bool PasteFromClipboard();

    bool AutoSize() const;
    void SetAutoSize(bool on);
    bool Center() const;
    void SetCenter(bool on);
    bool Stretch() const;
    void SetStretch(bool on);
    bool StretchRatio() const;
    void SetStretchRatio(bool on);
    // The picture is shown turned by quarter turns clockwise (negative: to the left); the picture itself, which
    // is copied and printed, stays as it is.
    int QuarterTurns() const;
    void SetQuarterTurns(int turns);
    // The picture plays its frames (an animated GIF or WebP): Picture() is the frame on show.
    bool Animated() const;
    QColor Color() const;
    void SetColor(const QColor& color);
    TBorderStyle BorderStyle() const;
    void SetBorderStyle(TBorderStyle style);
    bool TabStop() const;
    void SetTabStop(bool on);

    bool LibraryPalette() const;
    void SetLibraryPalette(bool on);
    bool ImageDither() const;
    void SetImageDither(bool on);
    image::TLoadResolution ImageReadRes() const;
    void SetImageReadRes(image::TLoadResolution resolution);
    image::TSaveResolution ImageWriteRes() const;
    void SetImageWriteRes(image::TSaveResolution resolution);
    image::TTiffCompression TifSaveCompress() const;
    void SetTifSaveCompress(image::TTiffCompression compression);
    int JPegSaveQuality() const;
    void SetJPegSaveQuality(int quality); // 0 or above 100 becomes 25
    int JPegSaveSmooth() const;
    void SetJPegSaveSmooth(int smooth); // above 100 becomes 5
    bool PNGInterLaced() const;
    void SetPNGInterLaced(bool on);
    QString DefSaveFilename() const;
    void SetDefSaveFilename(const QString& name);
    bool UseTwainWindow() const;
    void SetUseTwainWindow(bool on);

    // Overlay text, drawn over the picture when not empty; TextRotate is in degrees, counter-clockwise.
    QString Text() const;
    void SetText(const QString& text);
    int TextLeft() const;
    void SetTextLeft(int left);
    int TextTop() const;
    void SetTextTop(int top);
    int TextRotate() const;
    void SetTextRotate(int degrees);
    bool TextShadow() const;
    void SetTextShadow(bool on);
    QColor TextShadowColor() const;
    void SetTextShadowColor(const QColor& color);
    bool TextTransParent() const;
    void SetTextTransParent(bool on);

    QSize sizeHint() const override;

Q_SIGNALS:
    // The picture was replaced or cleared (after the control sized itself to it).
    void PictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PictureChange();
    void StartAnimation(QByteArray bytes);
    void StopAnimation();
    void LoadFile(const QString& path, const QString& extension);
    void LoadPicture(
        const QString& path, const QString& extension, image::TImageKind kind, const char* failedText, bool quiet);
    void Report(const QString& text, bool isError) const;
    QRect PictureRect() const;
    void PaintPicture(QPainter& painter);

    struct TData;
    std::unique_ptr<TData> d;
};

} // namespace hy::image
