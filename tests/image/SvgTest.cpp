// SVG drawings drawn by the imaging boundary, against the pictures rsvg-convert draws of them, at their own size
// and enlarged: a drawing is drawn again at every size, so edges stay as crisp as the reference's.
#include "core/image/ImageLib.h"
#include "support/TempFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
using namespace hy::image;

using hy::image::TImageKind;
using hy::image::TImageLib;

namespace {

// No text: letters would depend on the fonts installed.
const QByteArray kDrawing = R"(<svg xmlns="http://www.w3.org/2000/svg" width="120" height="80" viewBox="0 0 120 80">
  <rect x="0" y="0" width="120" height="80" fill="#ffffff"/>
  <rect x="10" y="10" width="40" height="30" fill="#d02020" stroke="#000000" stroke-width="2"/>
  <circle cx="85" cy="28" r="18" fill="#20a040"/>
  <polygon points="20,75 45,48 70,75" fill="#f0c000"/>
  <path d="M 80 70 L 95 50 L 110 70" fill="none" stroke="#6020c0" stroke-width="3"/>
  <line x1="0" y1="79" x2="120" y2="45" stroke="#2040ff" stroke-width="1.5"/>
</svg>
)";

// The share of pixels whose colour differs by more than a little from the reference's (edges are smoothed a
// little differently by each renderer).
double DifferingShare(const QImage& ours, const QImage& reference)
{
    const QImage a = ours.convertToFormat(QImage::Format_ARGB32);
    const QImage b = reference.convertToFormat(QImage::Format_ARGB32);
    if (a.size() != b.size())
        return 1.0;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int d = std::max({ std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q)) });
            differing += d > 64 ? 1 : 0;
        }
    }
    return double(differing) / (qint64(a.width()) * a.height());
}

class Svg : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        m_path = m_dir.Write("drawing.svg", kDrawing);
    }
    // rsvg-convert's picture at a width; null when the tool is missing.
    QImage Reference(int width) const
    {
        if (QStandardPaths::findExecutable("rsvg-convert").isEmpty())
            return {};
        const QString png = m_dir.PathOf(QStringLiteral("ref%1.png").arg(width));
        QProcess p;
        p.start("rsvg-convert", { "-w", QString::number(width), "-o", png, m_path });
        EXPECT_TRUE(p.waitForFinished(30000));
        return QImage(png);
    }

    hy::test::TTempFolder m_dir;
    QString m_path;
};

TEST_F(Svg, DrawnAtItsOwnSizeAsTheReferenceDrawsIt)
{
    const hy::image::TDecodeResult result = TImageLib::LoadImage(TImageKind::Svg, m_path, 24, false);
    ASSERT_TRUE(result.Ok()) << result.ErrorText.toStdString();
    EXPECT_EQ(result.Image.size(), QSize(120, 80));
    EXPECT_EQ(result.Info.FormatName, "SVG");
    EXPECT_EQ(result.Info.Width, 120);
    EXPECT_EQ(result.Info.Height, 80);
    EXPECT_EQ(result.Info.FileSize, kDrawing.size());
    const QImage reference = Reference(120);
    if (reference.isNull())
        GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is not installed";
    EXPECT_LT(DifferingShare(result.Image, reference), 0.02);
    // The comparison itself sees a fault: the drawing moved by a few pixels differs far more.
    EXPECT_GT(DifferingShare(result.Image.copy(4, 0, 120, 80), reference), 0.05);
}

TEST_F(Svg, DrawnAgainWhenEnlargedSoEdgesStayCrisp)
{
    const QImage reference = Reference(480);
    if (reference.isNull())
        GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is not installed";
    const hy::image::TDecodeResult big = TImageLib::RenderSvg(kDrawing, QSize(480, 320));
    ASSERT_TRUE(big.Ok());
    EXPECT_LT(DifferingShare(big.Image, reference), 0.02);
    // A picture enlarged as pixels shows its steps: it differs from the reference clearly more.
    const QImage scaled = TImageLib::RenderSvg(kDrawing).Image.scaled(480, 320);
    EXPECT_GT(DifferingShare(scaled, reference), DifferingShare(big.Image, reference) * 2);
}

TEST_F(Svg, BrokenAndHugeDrawings)
{
    EXPECT_FALSE(TImageLib::RenderSvg("<svg xmlns=\"http://www.w3.org/2000/svg\"><rect").Ok());
    EXPECT_FALSE(TImageLib::RenderSvg("not a drawing at all").Ok());
    const hy::image::TDecodeResult none
        = TImageLib::LoadImage(TImageKind::Svg, m_dir.Write("empty.svg", ""), 24, false);
    EXPECT_FALSE(none.Ok());
    // A drawing that claims a vast size is drawn within the largest side, in its proportions.
    const hy::image::TDecodeResult vast = TImageLib::RenderSvg(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="100000" height="50000"><rect width="10" height="10"/></svg>)");
    ASSERT_TRUE(vast.Ok());
    EXPECT_EQ(vast.Image.size(), QSize(TImageLib::MaxVectorSide, TImageLib::MaxVectorSide / 2));
    EXPECT_EQ(vast.Info.Width, 100000);
}

} // namespace
