// The parts the alert, question and four-answer dialogs share: the keeper picture, the balloon prompt,
// the measuring label, their fonts, and the measuring of a message.
#pragma once

#include "common/DialogGeometry.h"

#include <QFont>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace hy::common {

class TBalloon;
class THyForm;
class THyImage;

// The 59 by 41 picture the dialogs show at their left.
QPixmap KeeperPicture();

// Arial 12 pixels: the dialogs' own font.
QFont DialogFont();
// Bold Arial 13 pixels: the balloon's text and its measuring label.
QFont PromptFont();

struct TPromptParts {
    THyImage* image = nullptr;
    TBalloon* prompt = nullptr;
    QLabel* test = nullptr;
};

// Window style, font, picture, balloon and measuring label of a prompt dialog.
TPromptParts BuildPromptParts(THyForm* form);

// Puts the message into the measuring label, which sizes itself to it (lines break at "\r"; a line
// too wide for the screen wraps), and returns that size.
QSize MeasureMessage(QLabel* test, const QString& message, int maxWidth);

// The widest message line that keeps the dialog on its screen.
int PromptTextLimit(const THyForm* form, const TPromptParts& parts);

// The balloon's offsets and position as the dialog rules need them.
TPromptMetrics MetricsOf(const TPromptParts& parts);

// A dialog button's size: at least 75 by 25, more when its caption needs it.
QSize ButtonSize(const QPushButton* button);

// Shows the message in the balloon, places balloon and picture by the layout and sizes the form.
void ApplyPromptLayout(THyForm* form, const TPromptParts& parts, const QString& message, const TDialogLayout& layout);

// The text a prompt shows for a message: "\r" line breaks made widget breaks, and long words (paths) given
// break opportunities after their "/".
QString PromptText(const QString& message);

} // namespace hy::common
