// The Image page's view of a picture: a scroll area that fits the picture into itself (never enlarging it),
// zooms it in steps (also with Ctrl and the wheel), pans a zoomed picture by dragging, and turns it by quarter
// turns. Only the view changes: the picture itself stays as it was read.
#pragma once

#include <QScrollArea>

namespace hy::image {

class TMultiImage;

class TPictureView : public QScrollArea {
    Q_OBJECT
public:
    explicit TPictureView(QWidget* parent = nullptr);

    TMultiImage* Image() const { return m_image; }

    // The picture fills as much of the view as it can without growing (on at the start and for each picture).
    bool Fitted() const { return m_fit; }
    // The zoom on show: 1 is the picture's own size.
    double Zoom() const { return m_shownZoom; }
    // The zoom as the status bar tells it: "25%".
    QString ZoomText() const;
    void ZoomIn();
    void ZoomOut();
    void ActualSize();
    void FitToWindow();
    void SetZoom(double zoom);
    // Quarter turns of the view, clockwise.
    void RotateLeft();
    void RotateRight();
    // Back to the picture upright and fitted, for a picture read anew.
    void Reset();

Q_SIGNALS:
    // The zoom on show changed (a step, a fit to another view size, a turn).
    void ZoomChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sizes the picture for the zoom or the fit; keeps the point of the picture at anchor (in the viewport) where
    // it was.
    void Layout(const QPoint& anchor);
    void Layout();
    bool Scrollable() const;
    // An open hand over a picture that can be dragged, the arrow otherwise.
    void ShowHandIfScrollable();

    TMultiImage* m_image;
    bool m_fit = true;
    double m_zoom = 1.0;
    double m_shownZoom = 1.0;
    bool m_dragging = false;
    QPoint m_dragFrom;
};

} // namespace hy::image
