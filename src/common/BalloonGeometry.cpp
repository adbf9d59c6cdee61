// Balloon shape rules.
#include "common/BalloonGeometry.h"

namespace hy::common {

TBalloonShape BalloonShapeFor(const QRect& client, TStemPos stemPos, int stemSize, int stemWidth, int stemOffset)
{
    // Right and bottom are the first pixels past the client area.
    const int left = client.x();
    const int top = client.y();
    const int right = client.x() + client.width();
    const int bottom = client.y() + client.height();
    const int cy = top + (bottom - top) / 2 + stemOffset;
    const int cx = left + (right - left) / 2 + stemOffset;

    TBalloonShape s;
    switch (stemPos) {
    case spLeft:
        s.body = QRect(left + stemSize, top, right - left - stemSize, bottom - top);
        s.tip = QPoint(left, cy);
        s.base1 = QPoint(left + stemSize, cy - stemWidth);
        s.base2 = QPoint(left + stemSize, cy + stemWidth);
        break;
    case spTop:
        s.body = QRect(left, top + stemSize, right - left, bottom - top - stemSize);
        s.tip = QPoint(cx, top);
        s.base1 = QPoint(cx - stemWidth, top + stemSize);
        s.base2 = QPoint(cx + stemWidth, top + stemSize);
        break;
    case spRight:
        s.body = QRect(left, top, right - left - stemSize, bottom - top);
        s.tip = QPoint(right, cy);
        s.base1 = QPoint(right - stemSize - 1, cy - stemWidth);
        s.base2 = QPoint(right - stemSize - 1, cy + stemWidth);
        break;
    case spBottom:
        s.body = QRect(left, top, right - left, bottom - top - stemSize);
        s.tip = QPoint(cx, bottom - 1);
        s.base1 = QPoint(cx - stemWidth, bottom - stemSize - 1);
        s.base2 = QPoint(cx + stemWidth, bottom - stemSize - 1);
        break;
    }
    return s;
}

QRect BalloonTextRect(const QRect& body, int xOffset, int yOffset, int textHeight)
{
    QRect r = body.adjusted(xOffset, yOffset, -xOffset, -yOffset);
    if (textHeight < r.height()) {
        const int top = r.y() + (r.height() - textHeight) / 2;
        r = QRect(r.x(), top, r.width(), textHeight);
    }
    return r;
}

QChar AccelCharOf(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return caption[i + 1];
    }
    return QChar();
}

} // namespace hy::common
