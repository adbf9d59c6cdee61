// Pictures and media as a desktop user meets them: photographs turned by their EXIF orientation, the
// longer picture extensions, an icon file's largest picture, names that only resemble a picture's, and the
// Media page's clock and first video frame.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "core/image/ImageLib.h"
#include "support/MainFormTest.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/archive/ArchivePage.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/image/MultiImg.h"
#include "ui/image/PictureView.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLabel>
#include <QMdiArea>
#include <QMediaPlayer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QVideoWidget>
#include <QtEndian>
#include <atomic>
#include <future>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::image;
using namespace hy::settings;
using hy::image::TMultiImage;
using hy::test::ModalWatcher;

namespace {

// A picture whose left half is red and right half blue.
QImage Halves(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    return image;
}

QByteArray Encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100);
    return writer.write(image) ? bytes : QByteArray();
}

// A JPEG with an EXIF block whose orientation tag holds `orientation` (6: turn 90 degrees clockwise).
QByteArray JpegWithOrientation(const QImage& image, quint16 orientation)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff += QByteArray("\x01\0", 2); // one entry
    tiff += QByteArray("\x12\x01\x03\0\x01\0\0\0", 8); // 0x0112 orientation, SHORT, count 1
    tiff += char(orientation & 0xFF);
    tiff += char(orientation >> 8);
    tiff += QByteArray(6, '\0'); // value padding and no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray app1("\xFF\xE1", 2);
    const quint16 length = quint16(payload.size() + 2);
    app1 += char(length >> 8);
    app1 += char(length & 0xFF);
    app1 += payload;
    QByteArray jpeg = Encode(image, "jpeg");
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

// Counts the events of one type that reach a widget.
class TEventCounter : public QObject {
public:
    TEventCounter(QObject* watched, QEvent::Type type, int& count)
        : m_type(type)
        , m_count(count)
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            ++m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int& m_count;
};

bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }
bool IsBlue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; }

// One second of 16-bit mono silence at 8 kHz.
QByteArray Wave()
{
    const quint32 data = 16000;
    QByteArray h("RIFF");
    auto u32 = [&h](quint32 v) { h.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&h](quint16 v) { h.append(reinterpret_cast<const char*>(&v), 2); };
    u32(36 + data);
    h += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    h += "data";
    u32(data);
    return h + QByteArray(int(data), '\0');
}

// An AVI of uncompressed 24-bit frames: ten frames of 64 x 48 at ten frames a second, all one colour.
QByteArray RawVideo(QRgb colour)
{
    const quint32 w = 64, h = 48, frames = 10, frameBytes = w * h * 3;
    QByteArray frame;
    for (quint32 i = 0; i < w * h; ++i) {
        frame += char(qBlue(colour));
        frame += char(qGreen(colour));
        frame += char(qRed(colour));
    }
    auto le32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto le16 = [](quint16 v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    auto chunk = [&](const char* id, const QByteArray& body) { return QByteArray(id, 4) + le32(body.size()) + body; };
    auto list = [&](const char* type, const QByteArray& body) { return chunk("LIST", QByteArray(type, 4) + body); };

    const QByteArray avih = le32(100000) + le32(frameBytes * 10) + le32(0) + le32(0x10) + le32(frames) + le32(0)
        + le32(1) + le32(frameBytes) + le32(w) + le32(h) + QByteArray(16, '\0');
    const QByteArray strh = QByteArray("vids") + QByteArray("DIB ") + le32(0) + le16(0) + le16(0) + le32(0) + le32(1)
        + le32(10) + le32(0) + le32(frames) + le32(frameBytes) + le32(0xFFFFFFFF) + le32(0) + le16(0) + le16(0)
        + le16(quint16(w)) + le16(quint16(h));
    const QByteArray strf = le32(40) + le32(w) + le32(h) + le16(1) + le16(24) + le32(0) + le32(frameBytes) + le32(0)
        + le32(0) + le32(0) + le32(0);
    const QByteArray hdrl = list("hdrl", chunk("avih", avih) + list("strl", chunk("strh", strh) + chunk("strf", strf)));
    QByteArray movi;
    QByteArray index;
    for (quint32 i = 0; i < frames; ++i) {
        index += QByteArray("00db") + le32(0x10) + le32(4 + movi.size()) + le32(frameBytes);
        movi += chunk("00db", frame);
    }
    return chunk("RIFF", QByteArray("AVI ") + hdrl + list("movi", movi) + chunk("idx1", index));
}

class NativePages : public hy::test::MainFormTest {
protected:
    TChildForm* Open(const QString& path)
    {
        if (!m_form->OpenFileInViewer(path, ViewMode::BySettings, false))
            return nullptr;
        return m_form->Children().last();
    }
    static QImage Picture(TChildForm* child)
    {
        auto* image = child->findChild<TMultiImage*>(QStringLiteral("ImageViewer"));
        return image ? image->Picture() : QImage();
    }
};

} // namespace

TEST_F(NativePages, PhotographsTurnByTheirOrientationAndLongerExtensionsShowAsPictures)
{
    ModalWatcher watcher;
    // Turned a quarter clockwise, the left (red) half comes out on top.
    TChildForm* photo = Open(Make("photo.jpeg", JpegWithOrientation(Halves(40, 20), 6)));
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(photo->Kind(), PageKind::Image);
    const QImage turned = Picture(photo);
    ASSERT_EQ(turned.size(), QSize(20, 40));
    EXPECT_TRUE(IsRed(turned.pixel(10, 5)));
    EXPECT_TRUE(IsBlue(turned.pixel(10, 35)));

    // Without the tag the picture stays as it was drawn.
    const QImage upright = Picture(Open(Make("plain.JPG", Encode(Halves(40, 20), "jpeg"))));
    EXPECT_EQ(upright.size(), QSize(40, 20));

    struct Case {
        const char* name;
        const char* format;
    } cases[] = { { "scan.TIFF", "tiff" }, { "scan2.tiff", "tiff" }, { "web.webp", "webp" }, { "web2.WEBP", "webp" } };
    for (const Case& c : cases) {
        const QByteArray bytes = Encode(Halves(30, 10), c.format);
        if (bytes.isEmpty()) {
            ADD_FAILURE() << "Qt cannot write " << c.format << ": is qt6-image-formats-plugins installed?";
            continue;
        }
        TChildForm* child = Open(Make(c.name, bytes));
        ASSERT_NE(child, nullptr) << c.name;
        EXPECT_EQ(child->Kind(), PageKind::Image) << c.name;
        EXPECT_EQ(child->TabSet()->tabText(2), "Image") << c.name;
        EXPECT_EQ(Picture(child).size(), QSize(30, 10)) << c.name;
    }
    EXPECT_TRUE(watcher.Seen.isEmpty()) << watcher.Seen.join('\n').toStdString();
}

TEST_F(NativePages, AnIconFileShowsItsLargestPicture)
{
    const QString convert = QStandardPaths::findExecutable("convert");
    if (convert.isEmpty())
        GTEST_SKIP() << "ImageMagick's convert is not installed: no icon file with several pictures";
    const QString ico = m_dir.PathOf("three.ico");
    QProcess magick;
    magick.start(
        convert, { "-size", "16x16", "xc:red", "-size", "48x48", "xc:blue", "-size", "32x32", "xc:lime", ico });
    ASSERT_TRUE(magick.waitForFinished(30000) && magick.exitCode() == 0);

    const hy::image::TDecodeResult result = hy::image::TImageLib::LoadImage(hy::image::TImageKind::Ico, ico, 24, false);
    ASSERT_TRUE(result.Ok()) << result.ErrorText.toStdString();
    EXPECT_EQ(result.Image.size(), QSize(48, 48));
    EXPECT_TRUE(IsBlue(result.Image.pixel(24, 24)));

    TChildForm* child = Open(ico);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(Picture(child).size(), QSize(48, 48));
}

TEST_F(NativePages, NamesThatOnlyResembleAPicturesAreTextUnlessTheyHoldOne)
{
    ModalWatcher watcher;
    for (const char* name : { "notes.p", "start.s", "odd.", "draft.jp", "old.st" }) {
        TChildForm* child = Open(Make(name, "just some text\nnot a picture\n"));
        ASSERT_NE(child, nullptr) << name;
        EXPECT_EQ(child->Kind(), PageKind::Text) << name;
        EXPECT_EQ(child->TabSet()->count(), 2) << name;
        EXPECT_EQ(child->ActivePage(), hy::settings::PageKind::Text) << name;
    }
    // A real picture under a name of the picture list that the reader does not know still shows; under a
    // name outside the list (the whole extension counts) it is text like any other.
    TChildForm* picture = Open(Make("shot.st", Encode(Halves(30, 10), "png")));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Kind(), PageKind::Image);
    EXPECT_EQ(Picture(picture).size(), QSize(30, 10));
    TChildForm* named = Open(Make("shot.p", Encode(Halves(30, 10), "png")));
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->Kind(), PageKind::Text);
    EXPECT_TRUE(watcher.Seen.isEmpty()) << watcher.Seen.join('\n').toStdString();

    // A name of a kind the viewer reads that holds no picture is still reported.
    Open(Make("broken.png", "not a png"));
    HY_EXPECT_SOON(!watcher.Seen.isEmpty());
}

TEST_F(NativePages, TheMediaPageShowsItsClockAndAVideosFirstPictureBeforePlay)
{
    ModalWatcher watcher;
    TChildForm* sound = Open(Make("tone.wav", Wave()));
    ASSERT_NE(sound, nullptr);
    if (sound->Kind() != PageKind::Media)
        GTEST_SKIP() << "no media playback here: " << watcher.Seen.join('\n').toStdString();
    auto* clock = sound->findChild<QLabel*>(QStringLiteral("MediaTime"));
    ASSERT_NE(clock, nullptr);
    HY_EXPECT_SOON(clock->text() == "0:00 / 0:01");

    TChildForm* video = Open(Make("red.avi", RawVideo(qRgb(255, 0, 0))));
    ASSERT_NE(video, nullptr);
    ASSERT_EQ(video->Kind(), PageKind::Media) << watcher.Seen.join('\n').toStdString();
    auto* panel = video->findChild<QVideoWidget*>(QStringLiteral("MediaPanel"));
    auto* poster = video->findChild<TMultiImage*>(QStringLiteral("MediaPoster"));
    ASSERT_TRUE(panel && poster);
    // Before Play the first picture stands in for the video.
    HY_ASSERT_SOON(poster->isVisible() && !poster->Picture().isNull());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_NE(video->MediaPlayer()->playbackState(), QMediaPlayer::PlayingState);
    const QImage first = poster->Picture();
    EXPECT_TRUE(IsRed(first.pixel(first.width() / 2, first.height() / 2)));
    EXPECT_EQ(video->findChild<QLabel*>(QStringLiteral("MediaTime"))->text(), "0:00 / 0:01");

    video->findChild<QPushButton*>(QStringLiteral("PlayButton"))->click();
    HY_EXPECT_SOON(panel->isVisible() && !poster->isVisible());
}

// A picture that takes long to read keeps nothing waiting: it is read on a thread of its own, the windows
// paint meanwhile, and Esc stops it at once though the reader is still busy (the reader hears it is to stop
// when it next tells its progress). The window shows no picture, and nobody is asked anything.
TEST_F(NativePages, APictureThatTakesLongLetsTheWindowPaintAndEscStopsIt)
{
    const QString path = Make("slow.wmf", "not read by the reader below");
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> finished { false };
    std::atomic<int> toldLater { -1 };
    TMultiImage::SetPictureReader([released, &finished, &toldLater](hy::image::TImageKind, const QString&, int, bool,
                                      const hy::image::ProgressCallback& progress) {
        progress(0);
        released.wait();
        toldLater = progress(50);
        finished = true;
        return hy::image::TDecodeResult::Failure(hy::image::ErrCorrupt, QStringLiteral("never shown"));
    });
    const auto reset = qScopeGuard([]() { TMultiImage::SetPictureReader({}); });

    // Once the picture is being read: a repaint is asked of the client area; when it has painted, Esc.
    QWidget* area = m_form->ClientArea()->viewport();
    int paints = 0;
    TEventCounter counter(area, QEvent::Paint, paints);
    int paintsAsked = -1;
    bool escaped = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&]() {
        if (!m_form->ProgressGauge()->isVisible() || escaped)
            return;
        if (paintsAsked < 0) {
            paintsAsked = paints;
            area->update();
        } else if (paints > paintsAsked) {
            QTest::keyClick(m_form.get(), Qt::Key_Escape);
            escaped = true;
        }
    });
    driver.start(5);
    ModalWatcher watcher;
    m_form->OpenFileInViewer(path, ViewMode::BySettings, false);
    driver.stop();

    EXPECT_TRUE(escaped) << "the window painted while the picture was being read";
    EXPECT_FALSE(finished) << "Esc ended the wait while the reader was still busy";
    EXPECT_TRUE(watcher.Seen.isEmpty()) << watcher.Seen.join('\n').toStdString();
    ASSERT_EQ(m_form->Children().size(), 1);
    EXPECT_TRUE(Picture(m_form->Children().first()).isNull());
    EXPECT_FALSE(m_form->ProgressGauge()->isVisible());
    release.set_value();
    HY_EXPECT_SOON(finished.load());
    EXPECT_EQ(toldLater, 0);
}

// View > Zoom In, Zoom Out, Actual Size, Fit to Window and the turns act on the picture on show, with the zoom
// in the status bar, and stand aside for text.
TEST_F(NativePages, APictureFitsItsTabAndTheViewMenuZoomsAndTurnsIt)
{
    TChildForm* child = Open(Make("large.png", Encode(Halves(3000, 2000), "png")));
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(child->ActivePage(), PageKind::Image);
    const QSize area = child->PictureView()->maximumViewportSize();
    const QSize shown = child->ImageViewer()->size();
    EXPECT_TRUE(shown.width() == area.width() || shown.height() == area.height()) << "fitted to its tab";
    EXPECT_LE(shown.width(), area.width());
    EXPECT_LE(shown.height(), area.height());
    EXPECT_NEAR(double(shown.width()) / shown.height(), 1.5, 0.01);
    m_form->UpdateStatus();
    EXPECT_EQ(m_form->CursorPosPanel()->text(), child->PictureView()->ZoomText());

    for (const TCommand c : { TCommand::ZoomIn, TCommand::ZoomOut, TCommand::ActualSize, TCommand::FitToWindow,
             TCommand::RotateLeft, TCommand::RotateRight })
        EXPECT_TRUE(m_form->Action(c)->isEnabled()) << int(c);
    m_form->Action(TCommand::ActualSize)->trigger();
    EXPECT_EQ(child->ImageViewer()->size(), QSize(3000, 2000));
    HY_EXPECT_SOON(m_form->CursorPosPanel()->text() == "100%");
    m_form->Action(TCommand::ZoomOut)->trigger();
    EXPECT_EQ(child->ImageViewer()->size(), QSize(2400, 1600));
    m_form->Action(TCommand::RotateRight)->trigger();
    EXPECT_EQ(child->ImageViewer()->size(), QSize(1600, 2400));
    m_form->Action(TCommand::FitToWindow)->trigger();
    EXPECT_TRUE(child->PictureView()->Fitted());
    EXPECT_EQ(Picture(child).size(), QSize(3000, 2000)) << "the picture itself is never turned";

    // The Hex tab: nothing to zoom.
    child->ShowPage(PageKind::Text, 1);
    m_form->UpdateCommands(true);
    for (const TCommand c : { TCommand::ZoomIn, TCommand::ActualSize, TCommand::RotateLeft })
        EXPECT_FALSE(m_form->Action(c)->isEnabled()) << int(c);
}

// A member that is an archive itself opens on an Archive page of its own, whichever kind holds which: a ZIP in a
// compressed tar, and the ZIP's own member as text.
TEST_F(NativePages, AnArchiveViewedFromAnArchiveOpensOnItsOwnArchivePage)
{
    if (QStandardPaths::findExecutable("tar").isEmpty() || QStandardPaths::findExecutable("zip").isEmpty())
        GTEST_SKIP() << "tar and zip make the archives";
    m_dir.Write(QStringLiteral("note.txt"), "inside\n");
    for (const QStringList& command : { QStringList { "zip", "-q", "inner.zip", "note.txt" },
             QStringList { "tar", "-czf", "outer.tar.gz", "inner.zip" } }) {
        QProcess p;
        p.setWorkingDirectory(m_dir.Path());
        p.start(command.first(), command.mid(1));
        ASSERT_TRUE(p.waitForFinished(30000) && p.exitCode() == 0) << command.join(' ').toStdString();
    }
    m_form->Settings().ShowArchiveFiles = true;
    TChildForm* outer = Open(m_dir.PathOf(QStringLiteral("outer.tar.gz")));
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->Kind(), PageKind::Archive);
    ASSERT_EQ(outer->ArchivePage()->ZipList()->Count(), 1);
    EXPECT_EQ(outer->ArchivePage()->ZipList()->MemberName(0), QStringLiteral("inner.zip"));

    outer->ArchivePage()->ZipList()->SelectAll();
    outer->ArchivePage()->ViewZipButtonClick();
    ASSERT_EQ(m_form->Children().size(), 2);
    TChildForm* inner = m_form->Children().last();
    ASSERT_EQ(inner->Kind(), PageKind::Archive) << "the ZIP viewed from the tar is listed";
    ASSERT_EQ(inner->ArchivePage()->ZipList()->Count(), 1);
    EXPECT_EQ(inner->ArchivePage()->ZipList()->MemberName(0), QStringLiteral("note.txt"));

    inner->ArchivePage()->ZipList()->SelectAll();
    inner->ArchivePage()->ViewZipButtonClick();
    ASSERT_EQ(m_form->Children().size(), 3);
    TChildForm* note = m_form->Children().last();
    EXPECT_EQ(note->Kind(), PageKind::Text);
    EXPECT_EQ(QFileInfo(note->FileName()).fileName(), QStringLiteral("note.txt"));
}
