// Tests of the picture control: the ImageName rules, the error path through the reporter, AutoSize inside a
// scroll area, property clamping, painting and the clipboard.
#include "ui/image/MultiImg.h"
#include "support/TempFiles.h"
#include "support/TestData.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
using namespace hy::image;

using hy::image::TMultiImage;

namespace {

QString DataPath(const QString& name) { return TestDataPath(QStringLiteral("image/") + name); }

struct TMessage {
    QString Title;
    QString Text;
    bool IsError;
};

// A control whose messages are collected instead of shown.
class MultiImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        m_image.SetMessageReporter([this](const QString& title, const QString& text, bool isError) {
            m_messages.push_back({ title, text, isError });
        });
    }

    // Copies a fixture into the temporary folder under another name.
    QString Copy(const char* fixture, const QString& name)
    {
        const QByteArray bytes = hy::test::ReadAll(DataPath(QLatin1String(fixture)));
        EXPECT_FALSE(bytes.isEmpty()) << fixture;
        return m_dir.Write(name, bytes);
    }
    QString Write(const QString& name, const QByteArray& bytes) { return m_dir.Write(name, bytes); }

    hy::test::TTempFolder m_dir;
    TMultiImage m_image;
    std::vector<TMessage> m_messages;
};

TEST_F(MultiImage, ExtensionIsUpperCasedAndCutToFourCharacters)
{
    const struct {
        const char* Path;
        const char* Extension;
    } cases[] = { { "/pics/a.gif", ".GIF" }, { "/pics/a.Jpeg", ".JPE" }, { "a.st", ".ST" }, { "/pics.d/noext", "" },
        { "/x/archive.tar.gz", ".GZ" }, { "/x/.pcx", ".PCX" } };
    for (const auto& c : cases)
        EXPECT_EQ(TMultiImage::ImageExtension(QLatin1String(c.Path)), QLatin1String(c.Extension)) << c.Path;
}

TEST_F(MultiImage, LowerCaseNameLoadsAndKeepsItsSpelling)
{
    const QString path = Copy("pal16.gif", QStringLiteral("a.gif"));
    m_image.SetImageName(path);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_image.Picture().size(), QSize(37, 23));
    EXPECT_EQ(m_image.ImageName(), path);
    EXPECT_EQ(m_image.ImageFormatName(), QStringLiteral("GIF"));
    EXPECT_EQ(m_image.ImageBitsPerPixel(), 4);
    EXPECT_EQ(m_image.ImagePlanes(), 1);
    EXPECT_EQ(m_image.ImageFileSize(), QFile(path).size());
}

TEST_F(MultiImage, NamesThatLoadNothingKeepThePicture)
{
    m_image.SetImageName(DataPath(QStringLiteral("rgb24.pcx")));
    ASSERT_EQ(m_image.Picture().size(), QSize(37, 23));
    const QString cases[] = { Copy("photo.jpg", QStringLiteral("x.jfif")), Write(QStringLiteral("notes.st"), "text") };
    for (const QString& path : cases) {
        m_image.SetImageName(path);
        EXPECT_EQ(m_image.Picture().size(), QSize(37, 23)) << path.toStdString();
        EXPECT_EQ(m_image.ImageName(), path);
        EXPECT_TRUE(m_image.ImageFormatName().isEmpty()) << "information is cleared";
    }
    EXPECT_TRUE(m_messages.empty());

    m_image.SetImageName(m_dir.PathOf(QStringLiteral("missing.png")));
    EXPECT_TRUE(m_image.Picture().isNull());
    EXPECT_EQ(m_image.ImageName(), QStringLiteral("file not found"));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MultiImage, MetafilesAndIconsTellOnlyKindAndSize)
{
    const struct {
        const char* Fixture;
        const char* Format;
        QSize Size;
    } cases[] = { { "shapes.wmf", "WMF", { 187, 137 } }, { "icon.ico", "ICO", { 32, 32 } } };
    for (const auto& c : cases) {
        m_image.SetImageName(DataPath(QLatin1String(c.Fixture)));
        EXPECT_EQ(m_image.ImageName(), QStringLiteral("Non TIF, JPeg, BMP, GIF, PNG or PCX Image"));
        EXPECT_EQ(m_image.ImageFormatName(), QLatin1String(c.Format));
        EXPECT_EQ(QSize(m_image.ImageWidth(), m_image.ImageHeight()), c.Size);
        EXPECT_EQ(m_image.ImageBitsPerPixel(), 0);
        EXPECT_EQ(m_image.ImagePlanes(), 0);
        EXPECT_EQ(m_image.Picture().size(), c.Size);
    }
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MultiImage, DecoderErrorThenFormatTextThenEmptyPicture)
{
    const QByteArray pcx = hy::test::ReadAll(DataPath(QStringLiteral("ega1x4.pcx")));
    const struct {
        QString Name;
        QByteArray Bytes;
        const char* Failed;
    } cases[] = {
        { QStringLiteral("cut.pcx"), pcx.left(300), "Reading pcx file failed" },
        { QStringLiteral("junk.bmp"), "BM this is no bitmap", "Reading bmp file failed" },
        { QStringLiteral("junk.jpg"), "not a jpeg", "Reading jpg file failed" },
        { QStringLiteral("junk.png"), "\x89PNG\r\n\x1a\n broken", "Reading png file failed" },
        { QStringLiteral("junk.gif"), "GIF89a", "Reading gif file failed" },
        { QStringLiteral("junk.tif"), "II*\0junk", "Reading tif file failed" },
        { QStringLiteral("junk.wmf"), QByteArray(40, 'w'), "Reading wmf file failed" },
    };
    for (const auto& c : cases) {
        m_image.SetImageName(DataPath(QStringLiteral("rgb24.pcx")));
        m_messages.clear();
        const QString path = Write(c.Name, c.Bytes);
        m_image.SetImageName(path);
        ASSERT_EQ(m_messages.size(), 2u) << c.Failed;
        EXPECT_TRUE(m_messages[0].IsError);
        EXPECT_FALSE(m_messages[0].Text.isEmpty());
        EXPECT_NE(m_messages[0].Text, QLatin1String(c.Failed));
        EXPECT_FALSE(m_messages[1].IsError);
        EXPECT_EQ(m_messages[1].Text, QLatin1String(c.Failed));
        EXPECT_TRUE(m_image.Picture().isNull()) << c.Failed;
        EXPECT_EQ(m_image.ImageName(), path);
    }
}

TEST_F(MultiImage, ProgressCallbackSeesTheLoadAndCanStopIt)
{
    std::vector<int> seen;
    m_image.SetProgressCallback([&seen](int percent) {
        seen.push_back(percent);
        return 1;
    });
    m_image.SetImageName(DataPath(QStringLiteral("rgb24.pcx")));
    EXPECT_FALSE(m_image.Picture().isNull());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);

    // A load the callback stops leaves an empty picture and asks nobody to acknowledge it.
    for (const char* name : { "rgb24.pcx", "shapes.wmf", "rgb.png" }) {
        m_image.SetImageName(DataPath(QStringLiteral("mono.png")));
        m_image.SetProgressCallback([](int percent) { return percent < 40 ? 1 : 0; });
        m_image.SetImageName(DataPath(QLatin1String(name)));
        m_image.SetProgressCallback({});
        EXPECT_TRUE(m_image.Picture().isNull()) << name;
        EXPECT_TRUE(m_messages.empty()) << name;
    }
}

TEST_F(MultiImage, ProgressBelongsToTheControlThatLoads)
{
    // A stopping callback on one control neither hears nor stops a load in another.
    TMultiImage other;
    std::vector<int> heardByOther;
    other.SetProgressCallback([&heardByOther](int percent) {
        heardByOther.push_back(percent);
        return 0;
    });
    m_image.SetImageName(DataPath(QStringLiteral("rgb24.pcx")));
    EXPECT_FALSE(m_image.Picture().isNull());
    EXPECT_TRUE(heardByOther.empty());

    other.SetImageName(DataPath(QStringLiteral("rgb24.pcx")));
    EXPECT_TRUE(other.Picture().isNull());
    EXPECT_FALSE(heardByOther.empty());
}

TEST_F(MultiImage, AutoSizeTakesThePictureSizeAndTheScrollAreaScrolls)
{
    QScrollArea area;
    area.resize(300, 200);
    auto* image = new TMultiImage;
    area.setWidget(image);
    EXPECT_EQ(image->size(), QSize(105, 105));
    image->SetAutoSize(true);
    image->SetImageName(DataPath(QStringLiteral("big.png")));
    EXPECT_EQ(image->size(), QSize(640, 480));
    area.show();
    QTRY_VERIFY(area.horizontalScrollBar()->maximum() > 0);
    EXPECT_GT(area.verticalScrollBar()->maximum(), 0);

    // Without AutoSize the control keeps its size.
    TMultiImage fixed;
    fixed.SetMessageReporter([](const QString&, const QString&, bool) {});
    fixed.SetImageName(DataPath(QStringLiteral("big.png")));
    EXPECT_EQ(fixed.size(), QSize(105, 105));
}

TEST_F(MultiImage, SaveSettingsAreClamped)
{
    const struct {
        int Set, Quality, Smooth;
    } cases[] = { { 0, 25, 0 }, { 1, 1, 1 }, { 100, 100, 100 }, { 101, 25, 5 }, { 255, 25, 5 } };
    for (const auto& c : cases) {
        m_image.SetJPegSaveQuality(c.Set);
        m_image.SetJPegSaveSmooth(c.Set);
        EXPECT_EQ(m_image.JPegSaveQuality(), c.Quality) << c.Set;
        EXPECT_EQ(m_image.JPegSaveSmooth(), c.Smooth) << c.Set;
    }
    TMultiImage fresh;
    EXPECT_EQ(fresh.JPegSaveQuality(), 25);
    EXPECT_TRUE(fresh.ImageDither());
    EXPECT_TRUE(fresh.LibraryPalette());
    EXPECT_EQ(fresh.ImageReadRes(), hy::image::TLoadResolution::lAutoMatic);
}

TEST_F(MultiImage, PaintsAtTheCornerCentredOrStretched)
{
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    m_image.resize(100, 100);
    m_image.SetColor(Qt::white);
    m_image.SetPicture(red);
    const struct {
        bool Center, Stretch;
        QPoint Inside, Outside;
    } cases[] = { { false, false, { 19, 9 }, { 21, 11 } }, { true, false, { 40, 45 }, { 39, 44 } },
        { false, true, { 99, 99 }, { -1, -1 } } };
    for (const auto& c : cases) {
        m_image.SetCenter(c.Center);
        m_image.SetStretch(c.Stretch);
        const QImage shot = m_image.grab().toImage();
        EXPECT_EQ(shot.pixel(c.Inside), qRgb(255, 0, 0)) << c.Center << c.Stretch;
        if (c.Outside.x() >= 0) {
            EXPECT_EQ(shot.pixel(c.Outside), qRgb(255, 255, 255)) << c.Center << c.Stretch;
        }
    }
}

// Grabs the control showing a PCX and a metafile; HY_IMAGE_SHOTS names a folder to keep the grabs in.
TEST_F(MultiImage, ShowsPcxAndMetafilePictures)
{
    m_image.SetAutoSize(true);
    for (const char* name : { "ega1x4.pcx", "bitmap.wmf" }) {
        m_image.SetImageName(DataPath(QLatin1String(name)));
        ASSERT_TRUE(m_messages.empty()) << name;
        const QImage shot = m_image.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shot.size(), m_image.Picture().size());
        EXPECT_EQ(shot, m_image.Picture().convertToFormat(QImage::Format_RGB32)) << name;
        const QString folder = qEnvironmentVariable("HY_IMAGE_SHOTS");
        if (!folder.isEmpty())
            shot.scaled(shot.size() * 4).save(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
    }
}

TEST_F(MultiImage, ClipboardCopyCutAndPaste)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    EXPECT_FALSE(m_image.CopyToClipboard());
    m_image.SetImageName(DataPath(QStringLiteral("rgb.png")));
    ASSERT_TRUE(m_image.CopyToClipboard());
    EXPECT_EQ(clipboard->image().size(), QSize(37, 23));
    ASSERT_TRUE(m_image.CutToClipboard());
    EXPECT_TRUE(m_image.Picture().isNull());
    ASSERT_TRUE(m_image.PasteFromClipboard());
    EXPECT_EQ(m_image.Picture().size(), QSize(37, 23));
}

} // namespace
