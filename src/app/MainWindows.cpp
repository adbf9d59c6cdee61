// The main window's viewer windows in its client area: as tabs, or free windows tiled, cascaded, their icons
// arranged, and each kept inside the area (a picture's window sized to its picture).
#include "app/Brview1.h"

#include "app/Brview2.h"
#include "common/HyUtils.h"
#include "core/program/WindowArrangement.h"
#include "platform/FileNames.h"
#include "ui/image/MultiImg.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

namespace hy::app {

using namespace hy::common;
using namespace hy::image;
using namespace hy::program;

bool TMainForm::TabbedWindows() const { return m_mdiArea->viewMode() == QMdiArea::TabbedView; }

QTabBar* TMainForm::WindowTabs() const
{
    // The client area makes its tab bar when it shows tabs and deletes it when it shows free windows again.
    return TabbedWindows() ? m_mdiArea->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void TMainForm::NextWindowClick() { m_mdiArea->activateNextSubWindow(); }
void TMainForm::PreviousWindowClick() { m_mdiArea->activatePreviousSubWindow(); }

void TMainForm::TabbedWindowsClick() { SetTabbedWindows(Action(TCommand::TabbedWindows)->isChecked()); }

void TMainForm::SetTabbedWindows(bool tabbed)
{
    Action(TCommand::TabbedWindows)->setChecked(tabbed);
    m_settings.TabbedWindows = tabbed;
    if (tabbed == TabbedWindows())
        return;
    QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    if (!tabbed) {
        // The windows leave their tabs maximised; they come back as free windows of their own size. A free
        // window that stays maximised names itself in the caption again.
        setWindowTitle(ProgramTitle());
        m_mdiArea->setViewMode(QMdiArea::SubWindowView);
        for (QMdiSubWindow* f : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
            if (f->isMaximized())
                f->showNormal();
            KeepInsideClientArea(f);
        }
        if (active)
            m_mdiArea->setActiveSubWindow(active);
        return;
    }
    m_mdiArea->setViewMode(QMdiArea::TabbedView);
    if (QTabBar* tabs = WindowTabs()) {
        tabs->setObjectName(QStringLiteral("WindowTabs"));
        tabs->setElideMode(Qt::ElideMiddle);
        tabs->setUsesScrollButtons(true);
        // A moved tab takes its window's place in the client area's order, which the labels follow.
        connect(tabs, &QTabBar::tabMoved, this, [this]() { LabelTabs(); });
        connect(tabs, &QTabBar::currentChanged, this, &TMainForm::PlaceTabCloseButton);
    }
    LabelTabs();
    PlaceTabCloseButton();
    if (active)
        m_mdiArea->setActiveSubWindow(active);
    NameCurrentTab();
}

void TMainForm::NameCurrentTab()
{
    if (!TabbedWindows())
        return;
    const QMdiSubWindow* frame = m_mdiArea->currentSubWindow();
    QString caption = ProgramTitle();
    if (frame && !frame->windowTitle().isEmpty())
        caption += QStringLiteral(" - [%1]").arg(frame->windowTitle());
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TMainForm::LabelTab(QMdiSubWindow* frame)
{
    QTabBar* tabs = WindowTabs();
    if (!tabs)
        return;
    // The tabs stand in the client area's order of its windows.
    const int index = int(m_mdiArea->subWindowList(QMdiArea::CreationOrder).indexOf(frame));
    if (index < 0 || index >= tabs->count())
        return;
    const auto* child = qobject_cast<const TChildForm*>(frame->widget());
    const QString name = child && !child->FileName().isEmpty() ? platform::DisplayFileName(NameOf(child->FileName()))
                                                               : frame->windowTitle();
    if (tabs->tabText(index) != name)
        tabs->setTabText(index, name);
    tabs->setTabToolTip(index, frame->windowTitle());
    // Every window would carry the program's own icon: the names tell the tabs apart better alone.
    if (!tabs->tabIcon(index).isNull())
        tabs->setTabIcon(index, QIcon());
}

namespace {
    QTabBar::ButtonPosition CloseButtonSide(const QTabBar* tabs)
    {
        return QTabBar::ButtonPosition(tabs->style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, tabs));
    }
} // namespace

void TMainForm::PlaceTabCloseButton()
{
    QTabBar* tabs = WindowTabs();
    if (!tabs)
        return;
    const QTabBar::ButtonPosition side = CloseButtonSide(tabs);
    const int current = tabs->currentIndex();
    if (m_tabClose && current >= 0 && tabs->tabButton(current, side) == m_tabClose)
        return;
    if (!m_tabClose || m_tabClose->parentWidget() != tabs) {
        m_tabClose = new QToolButton(tabs);
        m_tabClose->setObjectName(QStringLiteral("TabCloseButton"));
        m_tabClose->setAutoRaise(true);
        m_tabClose->setFocusPolicy(Qt::NoFocus);
        m_tabClose->setIcon(tabs->style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, tabs));
        const int w = tabs->style()->pixelMetric(QStyle::PM_TabCloseIndicatorWidth, nullptr, tabs);
        const int h = tabs->style()->pixelMetric(QStyle::PM_TabCloseIndicatorHeight, nullptr, tabs);
        m_tabClose->setFixedSize(w + 4, h + 4);
        m_tabClose->setIconSize(QSize(w, h));
        m_tabClose->setToolTip(QStringLiteral("Close the viewer window"));
        connect(m_tabClose, &QToolButton::clicked, this, [this]() { CloseClick(); });
    } else {
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabButton(i, side) == m_tabClose)
                tabs->setTabButton(i, side, nullptr);
        }
    }
    m_tabClose->hide();
    if (current >= 0)
        tabs->setTabButton(current, side, m_tabClose);
}

void TMainForm::TakeTabCloseButtonFrom(QMdiSubWindow* frame)
{
    // The tab bar deletes the buttons of a tab it removes: the button leaves a closing window's tab first.
    QTabBar* tabs = WindowTabs();
    if (!tabs || !m_tabClose)
        return;
    const int index = int(m_mdiArea->subWindowList(QMdiArea::CreationOrder).indexOf(frame));
    const QTabBar::ButtonPosition side = CloseButtonSide(tabs);
    if (index >= 0 && index < tabs->count() && tabs->tabButton(index, side) == m_tabClose) {
        tabs->setTabButton(index, side, nullptr);
        m_tabClose->hide();
    }
    // The client area takes the tab away without telling which tab is current then: the button follows once
    // the window is gone.
    QTimer::singleShot(0, this, &TMainForm::PlaceTabCloseButton);
}

void TMainForm::LabelTabs()
{
    for (QMdiSubWindow* f : m_mdiArea->subWindowList(QMdiArea::CreationOrder))
        LabelTab(f);
}

void TMainForm::ArrangeIconsClick()
{
    SetTabbedWindows(false);
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
    if (frame->isMaximized() || frame->isMinimized() || TabbedWindows())
        return;
    const QRect inside = FitInside(frame->geometry(), QRect(QPoint(0, 0), m_mdiArea->viewport()->size()));
    if (inside != frame->geometry())
        frame->setGeometry(inside);
}

void TMainForm::FitImageWindow(TChildForm* child, QMdiSubWindow* frame, bool sizeToPicture)
{
    // A tab shows its window as large as the client area.
    if (TabbedWindows())
        return;
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

void TMainForm::TileFrames(bool vertical)
{
    const QList<QMdiSubWindow*> frames = ArrangedFrames(m_mdiArea);
    PlaceFrames(frames, TileRects(int(frames.size()), m_mdiArea->viewport()->size(), vertical));
}

void TMainForm::TileVertical()
{
    SetTabbedWindows(false);
    TileFrames(true);
}

void TMainForm::TileHorizontal()
{
    SetTabbedWindows(false);
    TileFrames(false);
}

void TMainForm::TileAfterOpening()
{
    if (!TabbedWindows())
        TileFrames(true);
}

void TMainForm::Cascade()
{
    SetTabbedWindows(false);
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
