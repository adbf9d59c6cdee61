// Dialog sizing rules.
#include "common/DialogGeometry.h"

#include <algorithm>

namespace hy::common {

namespace {

    constexpr int kMargin = 16;
    constexpr int kButtonGap = 4;
    constexpr int kRowGap = 8;
    constexpr int kScreenAllowance = 40; // window frame and a little air on a full-width dialog

    int ClientHeight(const TDialogLayout& l, int buttonHeight)
    {
        const int picBottom = l.picture.y() + l.picture.height();
        const int promptBottom = l.prompt.y() + l.prompt.height();
        return std::max(picBottom, promptBottom) + buttonHeight + 2 * kMargin;
    }

    int ContentWidth(const TDialogLayout& l) { return l.picture.width() + l.prompt.width() + 40; }

    bool ButtonsFit(const TDialogLayout& l)
    {
        return std::all_of(l.buttons.begin(), l.buttons.end(),
            [&](const QRect& b) { return b.x() >= kMargin && b.x() + b.width() <= l.client.width() - kMargin; });
    }

} // namespace

void FitPrompt(TDialogLayout& layout, QSize textSize, QSize pictureSize, const TPromptMetrics& m)
{
    layout.picture = QRect(m.picturePos, pictureSize);
    QSize prompt(textSize.width() + 2 * m.xOffset + m.stemSize, textSize.height() + 2 * m.yOffset);
    if (prompt.height() < pictureSize.height())
        prompt.setHeight(pictureSize.height());
    else
        layout.picture.moveTop(prompt.height() / 2 - pictureSize.height() / 2 + m.promptPos.y());
    layout.prompt = QRect(m.promptPos, prompt);
}

int MaxPromptTextWidth(int screenWidth, QSize pictureSize, const TPromptMetrics& m)
{
    const int fixed = pictureSize.width() + 40 + 2 * m.xOffset + m.stemSize + kScreenAllowance;
    return std::max(100, screenWidth - fixed);
}

TDialogLayout LayoutAlert(QSize textSize, QSize pictureSize, QSize okSize, const TPromptMetrics& m)
{
    TDialogLayout l;
    FitPrompt(l, textSize, pictureSize, m);
    l.client = QSize(std::max(okSize.width() + 2 * kMargin, ContentWidth(l)), ClientHeight(l, okSize.height()));
    l.buttons = { QRect(
        QPoint(l.client.width() / 2 - okSize.width() / 2, l.client.height() - okSize.height() - kMargin), okSize) };
    return l;
}

TDialogLayout LayoutAskUser(
    QSize textSize, QSize pictureSize, QSize yesSize, QSize noSize, QSize cancelSize, const TPromptMetrics& m)
{
    TDialogLayout l;
    FitPrompt(l, textSize, pictureSize, m);
    const bool three = !cancelSize.isEmpty();
    int width = std::max(yesSize.width() + noSize.width() + 40, ContentWidth(l));
    const int height = ClientHeight(l, yesSize.height());
    const int top = height - yesSize.height() - kMargin;
    // A third button (or a wider one) can need more room than the two-button rule gives it.
    for (;; ++width) {
        l.client = QSize(width, height);
        const int centre = width / 2;
        if (three) {
            const QRect no(QPoint(centre - noSize.width() / 2, top), noSize);
            l.buttons = { QRect(QPoint(no.x() - kButtonGap - yesSize.width(), top), yesSize), no,
                QRect(QPoint(no.x() + no.width() + kButtonGap, top), cancelSize) };
        } else {
            l.buttons = { QRect(QPoint(centre - kButtonGap - yesSize.width(), top), yesSize),
                QRect(QPoint(centre + kButtonGap, top), noSize) };
        }
        if (ButtonsFit(l))
            return l;
    }
}

TDialogLayout LayoutAskMulti(
    QSize textSize, QSize pictureSize, const QList<QSize>& buttonSizes, const TPromptMetrics& m)
{
    TDialogLayout l;
    FitPrompt(l, textSize, pictureSize, m);
    int row = 0;
    for (const QSize& s : buttonSizes)
        row += s.width();
    l.client = QSize(
        std::max(row + 56, ContentWidth(l)), ClientHeight(l, buttonSizes.isEmpty() ? 0 : buttonSizes.first().height()));
    row += kRowGap * int(std::max<qsizetype>(0, buttonSizes.size() - 1));
    const int top = l.client.height() - (buttonSizes.isEmpty() ? 0 : buttonSizes.first().height()) - kMargin;
    int x = l.client.width() / 2 - row / 2;
    for (const QSize& s : buttonSizes) {
        l.buttons.append(QRect(QPoint(x, top), s));
        x += s.width() + kRowGap;
    }
    return l;
}

} // namespace hy::common
