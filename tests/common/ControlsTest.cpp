// The balloon and picture controls, painted for real.
#include "ui/common/Balloon.h"
#include "ui/common/HyForm.h"
#include "ui/common/HyImage.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QColor kParentColor(255, 0, 0);

// A red window holding the control at (10, 10), so that what the control leaves unpainted shows red.
struct Host {
    QWidget window;
    Host()
    {
        window.resize(200, 150);
        window.setAutoFillBackground(true);
        QPalette p = window.palette();
        p.setColor(QPalette::Window, kParentColor);
        window.setPalette(p);
    }
    QImage Shot() { return window.grab().toImage(); }
};

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x + 10, y + 10); }

TEST(Balloon, DefaultsAndSetters)
{
    hy::common::TBalloon b;
    EXPECT_EQ(b.size(), QSize(65, 17));
    EXPECT_FALSE(b.ShowAccelChar());
    EXPECT_EQ(b.CornerSize(), 16);
    EXPECT_EQ(b.BackgroundColor(), QColor(255, 255, 255));
    EXPECT_EQ(b.XOffset(), 5);
    EXPECT_EQ(b.YOffset(), 3);
    EXPECT_EQ(b.StemPos(), hy::common::spLeft);
    EXPECT_EQ(b.StemSize(), 12);
    EXPECT_EQ(b.StemWidth(), 4);
    EXPECT_EQ(b.StemOffset(), 0);
    EXPECT_GT(b.TextHeight(), 0); // an empty caption measures as one blank
}

TEST(Balloon, PaintsBodyAndStemOnEachSide)
{
    struct Case {
        hy::common::TStemPos pos;
        QPoint tip; // a pixel of the stem's outline at its tip
        QPoint outside; // on the stem's side, away from the stem: left unpainted
        QPoint joint; // on the body's border between the base points: opened
        QPoint border; // on the body's border away from the stem
    };
    const Case cases[] = {
        { hy::common::spLeft, QPoint(0, 25), QPoint(3, 3), QPoint(12, 25), QPoint(12, 25 - 14) },
        { hy::common::spTop, QPoint(50, 0), QPoint(3, 3), QPoint(50, 12), QPoint(20, 12) },
        { hy::common::spRight, QPoint(99, 25), QPoint(96, 3), QPoint(87, 25), QPoint(87, 25 - 14) },
        { hy::common::spBottom, QPoint(50, 49), QPoint(3, 46), QPoint(50, 37), QPoint(20, 37) },
    };
    for (const auto& c : cases) {
        Host host;
        auto* b = new hy::common::TBalloon(&host.window);
        b->setGeometry(10, 10, 100, 50);
        b->SetStemPos(c.pos);
        const QImage image = host.Shot();
        if (const QString folder = qEnvironmentVariable("HY_COMMON_SHOTS"); !folder.isEmpty())
            image.save(QStringLiteral("%1/balloon-%2.png").arg(folder).arg(int(c.pos)));
        EXPECT_EQ(At(image, c.tip.x(), c.tip.y()), QColor(Qt::black)) << c.pos;
        EXPECT_EQ(At(image, c.outside.x(), c.outside.y()), kParentColor) << c.pos;
        EXPECT_EQ(At(image, c.joint.x(), c.joint.y()), QColor(Qt::white)) << c.pos;
        EXPECT_EQ(At(image, c.border.x(), c.border.y()), QColor(Qt::black)) << c.pos;
        const QRect body = b->Shape().body;
        EXPECT_EQ(At(image, body.center().x(), body.center().y()), QColor(Qt::white)) << c.pos;
    }
}

TEST(Balloon, TextColourFollowsEnabledAndCaptionMeasures)
{
    Host host;
    auto* b = new hy::common::TBalloon(&host.window);
    b->setGeometry(10, 10, 180, 120);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    b->setFont(font);
    b->SetCaption(QStringLiteral("One"));
    const int oneLine = b->TextHeight();
    b->SetCaption(QStringLiteral("One\nTwo\nThree"));
    EXPECT_GE(b->TextHeight(), 3 * oneLine - 2);
    const QRect text = b->TextRect();
    EXPECT_EQ(text.height(), b->TextHeight());

    const auto darkest = [&] {
        const QImage image = host.Shot();
        int best = 255;
        for (int y = text.top(); y <= text.bottom(); ++y)
            for (int x = text.left(); x <= text.right(); ++x)
                best = std::min(best, qGray(image.pixel(x + 10, y + 10)));
        return best;
    };
    EXPECT_LT(darkest(), 40);
    b->setEnabled(false);
    const int grey = darkest();
    EXPECT_GT(grey, 60);
    EXPECT_LT(grey, 230);
}

TEST(Balloon, AcceleratorFocusesItsControl)
{
    QWidget window;
    auto* balloon = new hy::common::TBalloon(&window);
    auto* edit = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    edit->move(0, 40);
    other->move(0, 80);
    balloon->SetCaption(QStringLiteral("&Name"));
    balloon->SetFocusControl(edit);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    EXPECT_FALSE(edit->hasFocus()); // accelerators are off by default

    balloon->SetShowAccelChar(true);
    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());

    other->setFocus();
    balloon->setEnabled(false);
    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(other->hasFocus());
}

TEST(Balloon, ClickSignal)
{
    hy::common::TBalloon b;
    QSignalSpy clicks(&b, &hy::common::TBalloon::Click);
    QSignalSpy downs(&b, &hy::common::TBalloon::MouseDown);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(20, 8));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(downs.count(), 1);
}

QPixmap TestPicture()
{
    // Green with a red top-left pixel, the colour a transparent picture leaves out.
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::green);
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(5, 5, Qt::blue);
    return QPixmap::fromImage(image);
}

TEST(HyImage, SizingAndDrawingModes)
{
    hy::common::THyImage image;
    EXPECT_EQ(image.size(), QSize(105, 105));
    image.SetAutoSize(true);
    image.SetPicture(TestPicture());
    EXPECT_EQ(image.size(), QSize(10, 10));
    image.SetTile(true);
    EXPECT_FALSE(image.AutoSize());

    struct Case {
        const char* mode;
        std::function<void(hy::common::THyImage*)> set;
        QPoint probe;
        QColor expected;
    };
    const QColor white(Qt::white);
    const Case cases[] = {
        { "plain", [](hy::common::THyImage*) {}, QPoint(5, 5), Qt::blue },
        { "plain outside", [](hy::common::THyImage*) {}, QPoint(20, 20), white },
        { "centred", [](hy::common::THyImage* i) { i->SetCenter(true); }, QPoint(15, 15), Qt::blue },
        { "stretched", [](hy::common::THyImage* i) { i->SetStretch(true); }, QPoint(29, 29), Qt::green },
        { "tiled", [](hy::common::THyImage* i) { i->SetTile(true); }, QPoint(25, 25), Qt::blue },
        { "transparent", [](hy::common::THyImage* i) { i->SetTransparent(true); }, QPoint(0, 0), white },
        { "opaque corner", [](hy::common::THyImage*) {}, QPoint(0, 0), Qt::red },
    };
    for (const auto& c : cases) {
        QWidget host;
        host.resize(60, 60);
        host.setAutoFillBackground(true);
        QPalette p = host.palette();
        p.setColor(QPalette::Window, Qt::white);
        host.setPalette(p);
        auto* i = new hy::common::THyImage(&host);
        i->setGeometry(0, 0, 30, 30);
        i->SetPicture(TestPicture());
        c.set(i);
        const QImage shot = host.grab().toImage();
        EXPECT_EQ(shot.pixelColor(c.probe), c.expected) << c.mode;
    }
}

TEST(HyForm, NoPaletteOnTrueColourDisplays)
{
    hy::common::THyForm form;
    EXPECT_EQ(form.RealizePalette(), 0);
    EXPECT_EQ(hy::common::SharedPalette(), nullptr);
}

} // namespace
