// Sizing rules of the prompt dialogs and the balloon's shape.
#include "common/DialogGeometry.h"
#include "common/BalloonGeometry.h"

#include <gtest/gtest.h>

namespace {

const QSize kPicture(59, 41);
const QSize kButton(75, 25);

TEST(DialogGeometry, ShortMessageKeepsBalloonAsHighAsPicture)
{
    const auto l = hy::common::LayoutAlert(QSize(30, 16), kPicture, kButton);
    EXPECT_EQ(l.prompt, QRect(80, 16, 30 + 16 + 12, 41));
    EXPECT_EQ(l.picture, QRect(16, 16, 59, 41));
    EXPECT_EQ(l.client, QSize(59 + 58 + 40, 16 + 41 + 25 + 32));
    EXPECT_EQ(l.buttons.at(0), QRect(157 / 2 - 37, 114 - 25 - 16, 75, 25));
}

TEST(DialogGeometry, WideOkButtonSetsTheWidth)
{
    const auto l = hy::common::LayoutAlert(QSize(8, 16), kPicture, QSize(200, 25));
    EXPECT_EQ(l.client.width(), 232);
    EXPECT_EQ(l.buttons.at(0).x(), 16);
}

TEST(DialogGeometry, LongMessageMovesPictureToBalloonMiddle)
{
    const auto l = hy::common::LayoutAlert(QSize(300, 80), kPicture, kButton);
    EXPECT_EQ(l.prompt.size(), QSize(328, 96));
    EXPECT_EQ(l.picture.top(), 96 / 2 - 41 / 2 + 16);
    EXPECT_EQ(l.client.height(), 16 + 96 + 25 + 32);
    EXPECT_EQ(l.client.width(), 59 + 328 + 40);
    EXPECT_EQ(l.buttons.at(0).bottom() + 1, l.client.height() - 16);
}

TEST(DialogGeometry, AskUserButtonPlacement)
{
    struct Case {
        QSize text;
        QSize yes, no, cancel;
    };
    const Case cases[] = {
        { QSize(30, 16), kButton, kButton, QSize() },
        { QSize(400, 16), kButton, kButton, QSize() },
        { QSize(30, 16), kButton, kButton, kButton },
        { QSize(400, 40), kButton, QSize(90, 25), QSize(120, 25) },
    };
    for (const auto& c : cases) {
        const auto l = hy::common::LayoutAskUser(c.text, kPicture, c.yes, c.no, c.cancel);
        const int centre = l.client.width() / 2;
        const QRect& yes = l.buttons.at(0);
        const QRect& no = l.buttons.at(1);
        EXPECT_GE(l.client.width(), std::max(c.yes.width() + c.no.width() + 40, 59 + l.prompt.width() + 40));
        EXPECT_EQ(yes.top(), l.client.height() - 25 - 16);
        EXPECT_EQ(no.top(), yes.top());
        if (c.cancel.isEmpty()) {
            ASSERT_EQ(l.buttons.size(), 2);
            EXPECT_EQ(yes.x() + yes.width(), centre - 4);
            EXPECT_EQ(no.x(), centre + 4);
        } else {
            ASSERT_EQ(l.buttons.size(), 3);
            const QRect& cancel = l.buttons.at(2);
            EXPECT_EQ(no.x(), centre - no.width() / 2);
            EXPECT_EQ(yes.x() + yes.width(), no.x() - 4);
            EXPECT_EQ(cancel.x(), no.x() + no.width() + 4);
            EXPECT_EQ(cancel.top(), yes.top());
        }
        for (const QRect& b : l.buttons) {
            EXPECT_GE(b.x(), 16);
            EXPECT_LE(b.x() + b.width(), l.client.width() - 16);
        }
    }
    // Two equal buttons: exactly the yes + no + 40 rule.
    EXPECT_EQ(hy::common::LayoutAskUser(QSize(30, 16), kPicture, kButton, kButton, QSize()).client.width(), 190);
}

TEST(DialogGeometry, AskMultiRow)
{
    const QList<QSize> sizes { kButton, QSize(90, 25), kButton, kButton };
    const auto narrow = hy::common::LayoutAskMulti(QSize(30, 16), kPicture, sizes);
    EXPECT_EQ(narrow.client.width(), 75 + 90 + 75 + 75 + 56);
    EXPECT_EQ(narrow.buttons.at(0).x(), 16);
    const auto wide = hy::common::LayoutAskMulti(QSize(500, 16), kPicture, sizes);
    EXPECT_EQ(wide.client.width(), 59 + 528 + 40);
    for (const auto& l : { narrow, wide }) {
        ASSERT_EQ(l.buttons.size(), 4);
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(l.buttons[i].x(), l.buttons[i - 1].x() + l.buttons[i - 1].width() + 8);
            EXPECT_EQ(l.buttons[i].top(), l.client.height() - 25 - 16);
        }
        const int left = l.buttons.first().x();
        const int right = l.client.width() - (l.buttons.last().x() + l.buttons.last().width());
        EXPECT_LE(std::abs(left - right), 1);
    }
}

TEST(DialogGeometry, TextLimitLeavesRoomOnScreen)
{
    const int limit = hy::common::MaxPromptTextWidth(1024, kPicture, {});
    const auto l = hy::common::LayoutAlert(QSize(limit, 16), kPicture, kButton);
    EXPECT_LE(l.client.width(), 1024 - 40);
}

TEST(BalloonGeometry, BodyAndStemForEachSide)
{
    struct Case {
        hy::common::TStemPos pos;
        QRect body;
        QPoint tip, base1, base2;
    };
    const QRect client(0, 0, 100, 50);
    const Case cases[] = {
        { hy::common::spLeft, QRect(12, 0, 88, 50), QPoint(0, 25), QPoint(12, 21), QPoint(12, 29) },
        { hy::common::spTop, QRect(0, 12, 100, 38), QPoint(50, 0), QPoint(46, 12), QPoint(54, 12) },
        { hy::common::spRight, QRect(0, 0, 88, 50), QPoint(100, 25), QPoint(87, 21), QPoint(87, 29) },
        { hy::common::spBottom, QRect(0, 0, 100, 38), QPoint(50, 49), QPoint(46, 37), QPoint(54, 37) },
    };
    for (const auto& c : cases) {
        const auto s = hy::common::BalloonShapeFor(client, c.pos, 12, 4, 0);
        EXPECT_EQ(s.body, c.body) << c.pos;
        EXPECT_EQ(s.tip, c.tip) << c.pos;
        EXPECT_EQ(s.base1, c.base1) << c.pos;
        EXPECT_EQ(s.base2, c.base2) << c.pos;
    }
    EXPECT_EQ(hy::common::BalloonShapeFor(client, hy::common::spLeft, 12, 4, 8).tip, QPoint(0, 33));
    EXPECT_EQ(hy::common::BalloonShapeFor(client, hy::common::spBottom, 12, 4, -8).tip, QPoint(42, 49));
}

TEST(BalloonGeometry, TextRectShrinksToTextAroundMiddle)
{
    const QRect body(12, 0, 88, 50);
    EXPECT_EQ(hy::common::BalloonTextRect(body, 8, 8, 16), QRect(20, 17, 72, 16));
    EXPECT_EQ(hy::common::BalloonTextRect(body, 8, 8, 34), QRect(20, 8, 72, 34));
    EXPECT_EQ(hy::common::BalloonTextRect(body, 8, 8, 60), QRect(20, 8, 72, 34));
}

TEST(BalloonGeometry, AcceleratorCharacter)
{
    EXPECT_EQ(hy::common::AccelCharOf(QStringLiteral("&Yes")), QChar('Y'));
    EXPECT_EQ(hy::common::AccelCharOf(QStringLiteral("Yes to &All")), QChar('A'));
    EXPECT_TRUE(hy::common::AccelCharOf(QStringLiteral("R&&D")).isNull());
    EXPECT_EQ(hy::common::AccelCharOf(QStringLiteral("R&&&D")), QChar('D'));
    EXPECT_TRUE(hy::common::AccelCharOf(QStringLiteral("end&")).isNull());
    EXPECT_TRUE(hy::common::AccelCharOf(QString()).isNull());
}

} // namespace
