// Where a speech balloon draws its body, its stem and its text, and which key its caption answers to.
#pragma once

#include <QChar>
#include <QPoint>
#include <QRect>
#include <QString>

namespace hy::common {

enum TStemPos { spLeft, spTop, spRight, spBottom };

struct TBalloonShape {
    // The rounded body; width and height count pixels, so body.x() + body.width() is the first pixel
    // past it.
    QRect body;
    QPoint tip;
    QPoint base1; // the base point before the axis (above or left of it)
    QPoint base2; // the base point after the axis
};

// The body is the client area less stemSize on the stem's side; the stem's tip sits on that side of
// the client area at its centre + stemOffset, its base stemWidth either side of that on the body.
TBalloonShape BalloonShapeFor(const QRect& client, TStemPos stemPos, int stemSize, int stemWidth, int stemOffset);

// The body inset by the offsets; when the text is lower than that, the rectangle shrinks to the text's
// height around its vertical centre.
QRect BalloonTextRect(const QRect& body, int xOffset, int yOffset, int textHeight);

// The character after a single "&" of a caption ("&&" is a literal ampersand); a null QChar when none.
QChar AccelCharOf(const QString& caption);

} // namespace hy::common
