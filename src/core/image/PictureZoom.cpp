// The arithmetic of fitting, zooming and turning a picture in its view.
#include "core/image/PictureZoom.h"

#include <algorithm>
#include <cmath>

namespace hy::image {

namespace {
    constexpr double kStep = 1.25;
} // namespace

int NormalTurns(int quarterTurns) { return ((quarterTurns % 4) + 4) % 4; }

QSize TurnedSize(const QSize& picture, int quarterTurns)
{
    return NormalTurns(quarterTurns) % 2 == 1 ? picture.transposed() : picture;
}

double FitZoom(const QSize& picture, const QSize& view)
{
    if (picture.isEmpty() || view.isEmpty())
        return 1.0;
    const double across = double(view.width()) / picture.width();
    const double down = double(view.height()) / picture.height();
    return std::clamp(std::min({ 1.0, across, down }), kSmallestZoom, 1.0);
}

QSize ZoomedSize(const QSize& picture, double zoom)
{
    // Rounded down, so that a fitted picture never needs a scroll bar for a fraction of a pixel.
    return QSize(std::max(1, int(std::floor(picture.width() * zoom + 1e-9))),
        std::max(1, int(std::floor(picture.height() * zoom + 1e-9))));
}

double StepZoom(double zoom, int steps)
{
    const double next = std::clamp(zoom * std::pow(kStep, steps), kSmallestZoom, kLargestZoom);
    // The actual size is never stepped over.
    if ((zoom < 1.0 && next > 1.0) || (zoom > 1.0 && next < 1.0))
        return 1.0;
    return next;
}

QString ZoomText(double zoom)
{
    const double percent = zoom * 100.0;
    if (percent < 100.0 && std::abs(percent - std::round(percent)) >= 0.05)
        return QString::number(percent, 'f', 1) + QLatin1Char('%');
    return QString::number(qRound(percent)) + QLatin1Char('%');
}

} // namespace hy::image
