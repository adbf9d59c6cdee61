// The main window's viewer windows in its client area: tiled, cascaded, their icons arranged, and each
// kept inside the area (a picture's window sized to its picture).
#include "app/Brview1.h"

#include "app/Brview2.h"
#include "core/program/WindowArrangement.h"
#include "ui/image/MultiImg.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>

namespace hy::app {

using namespace hy::image;
using namespace hy::program;

void TMainForm::ArrangeIconsClick()
{
    int x = 0;
    const int bottom = m_mdiArea->viewport()->height();
    for (QMdiSubWindow* f : m_mdiArea->subWindowList()) {
        if (!f->isMinimized())
            continue;
        f->move(x, bottom - f->height());
        x += f->width();
    }
}

void TMainForm::KeepInsideClientArea(QMdiSubWindow* frame)
{
    // The client area puts a new window where it overlaps the others least, which may reach past its edges:
    // the window is moved (and, when larger, made smaller) so that all of it, title bar and buttons, is inside.
    if (frame->isMaximized() || frame->isMinimized())
        return;
    const QRect inside = FitInside(frame->geometry(), QRect(QPoint(0, 0), m_mdiArea->viewport()->size()));
    if (inside != frame->geometry())
        frame->setGeometry(inside);
}

void TMainForm::FitImageWindow(TChildForm* child, QMdiSubWindow* frame, bool sizeToPicture)
{
    const TMultiImage* image = child->ImageViewer();
    if (sizeToPicture && image) {
        const int tabHeight = child->TabSet()->sizeHint().height();
        // Never narrower than its tabs, so "Image" stays in view beside "Standard" and "Hex".
        const int width = qMax(qMax(100, image->ImageWidth()), child->TabSet()->sizeHint().width());
        const QSize client(width, qMax(100, image->ImageHeight() + tabHeight));
        // The frame adds its title bar and border around the client area.
        const QSize frameExtra = frame->size() - frame->contentsRect().size();
        frame->resize(client + frameExtra.expandedTo(QSize(0, 0)));
    }
    // The window stays inside the main window's free area.
    const QSize area = m_mdiArea->viewport()->size();
    QRect g = frame->geometry();
    if (area.width() < g.left() + g.width()) {
        g.moveLeft(qMax(0, area.width() - g.width()));
        if (area.width() < g.width())
            g.setWidth(area.width());
    }
    if (area.height() < g.top() + g.height()) {
        g.moveTop(qMax(0, area.height() - g.height()));
        if (area.height() < g.height())
            g.setHeight(area.height());
    }
    frame->setGeometry(g);
}

namespace {
    // The viewer windows that are not minimised, in creation order.
    QList<QMdiSubWindow*> ArrangedFrames(QMdiArea* area)
    {
        QList<QMdiSubWindow*> frames;
        for (QMdiSubWindow* f : area->subWindowList(QMdiArea::CreationOrder)) {
            if (!f->isMinimized())
                frames << f;
        }
        return frames;
    }

    void PlaceFrames(const QList<QMdiSubWindow*>& frames, const QList<QRect>& rects)
    {
        for (int i = 0; i < frames.size() && i < rects.size(); ++i) {
            if (frames.at(i)->isMaximized())
                frames.at(i)->showNormal();
            frames.at(i)->setGeometry(rects.at(i));
        }
    }
} // namespace

void TMainForm::TileVertical()
{
    const QList<QMdiSubWindow*> frames = ArrangedFrames(m_mdiArea);
    PlaceFrames(frames, TileRects(int(frames.size()), m_mdiArea->viewport()->size(), true));
}

void TMainForm::TileHorizontal()
{
    const QList<QMdiSubWindow*> frames = ArrangedFrames(m_mdiArea);
    PlaceFrames(frames, TileRects(int(frames.size()), m_mdiArea->viewport()->size(), false));
}

void TMainForm::Cascade()
{
    const QList<QMdiSubWindow*> frames = ArrangedFrames(m_mdiArea);
    if (frames.isEmpty())
        return;
    // Each window moves down and right by its title bar, so that every caption stays in view.
    const QMdiSubWindow* first = frames.first();
    const int step = qMax(16, first->widget() ? first->widget()->mapTo(first, QPoint(0, 0)).y() : 0);
    PlaceFrames(frames, CascadeRects(int(frames.size()), m_mdiArea->viewport()->size(), step));
    for (QMdiSubWindow* f : frames)
        f->raise();
    if (QMdiSubWindow* active = m_mdiArea->activeSubWindow())
        active->raise();
}

} // namespace hy::app
