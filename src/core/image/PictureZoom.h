// How a picture is shown in its view: fitted into the view (never enlarged), zoomed in steps, and turned by
// quarter turns. Sizes in the view's own pixels.
#pragma once

#include <QSize>
#include <QString>

namespace hy::image {

inline constexpr double kSmallestZoom = 0.01;
inline constexpr double kLargestZoom = 32.0;

// The picture's size turned by quarter turns: odd turns swap its width and height.
QSize TurnedSize(const QSize& picture, int quarterTurns);
// Quarter turns brought to 0..3 (a turn to the left is -1, or 3).
int NormalTurns(int quarterTurns);
// The zoom that shows all of a picture inside the view, keeping its proportions; 1 for a picture that fits
// already, which keeps its size.
double FitZoom(const QSize& picture, const QSize& view);
// The picture's size at a zoom: at least one pixel each way.
QSize ZoomedSize(const QSize& picture, double zoom);
// The zoom steps from a zoom in (steps > 0) or out: a quarter more or a fifth less each, stopping at 100% on
// the way through it, within kSmallestZoom and kLargestZoom.
double StepZoom(double zoom, int steps);
// The zoom as the status bar tells it: "250%", "12.5%" below 100% where the tenth counts.
QString ZoomText(double zoom);

} // namespace hy::image
