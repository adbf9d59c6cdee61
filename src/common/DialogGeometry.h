// Sizing and placement of the alert, question and four-answer dialogs: the balloon grows with the
// measured text, the picture stands at the balloon's middle, the buttons sit on the bottom row.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

namespace hy::common {

struct TPromptMetrics {
    QPoint picturePos { 16, 16 };
    QPoint promptPos { 80, 16 };
    int xOffset = 8;
    int yOffset = 8;
    int stemSize = 12;
};

struct TDialogLayout {
    QSize client;
    QRect picture;
    QRect prompt;
    QList<QRect> buttons; // in the dialog's order: OK / Yes, No, Cancel / Yes, Yes to All, No, Cancel
};

// The balloon around the text (never lower than the picture) and the picture beside it.
void FitPrompt(TDialogLayout& layout, QSize textSize, QSize pictureSize, const TPromptMetrics& m);

// The widest text line that keeps a dialog on a screen of the given width.
int MaxPromptTextWidth(int screenWidth, QSize pictureSize, const TPromptMetrics& m);

TDialogLayout LayoutAlert(QSize textSize, QSize pictureSize, QSize okSize, const TPromptMetrics& m = {});

// cancelSize empty: two buttons, Yes and No either side of the centre. Otherwise No is centred with Yes
// to its left and Cancel to its right.
TDialogLayout LayoutAskUser(
    QSize textSize, QSize pictureSize, QSize yesSize, QSize noSize, QSize cancelSize, const TPromptMetrics& m = {});

// Yes, Yes to All, No and Cancel in one centred row, 8 pixels apart.
TDialogLayout LayoutAskMulti(
    QSize textSize, QSize pictureSize, const QList<QSize>& buttonSizes, const TPromptMetrics& m = {});

} // namespace hy::common
