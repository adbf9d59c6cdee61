// The split main area of a browser window.
#include "ui/search/SplitArea.h"

#include "core/search/BrowserGeometry.h"

#include <QMouseEvent>
#include <QResizeEvent>

namespace hy::search {

TSplitArea::TSplitArea(QWidget* parent)
    : QWidget(parent)
    , m_splitter(new QWidget(this))
    , m_dragLine(new QWidget(this))
{
    m_splitter->setObjectName(QStringLiteral("SplitterPanel"));
    m_splitter->setAutoFillBackground(true);
    QPalette black = m_splitter->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_splitter->setPalette(black);
    m_splitter->setCursor(Qt::SplitVCursor);
    m_splitter->installEventFilter(this);

    // The line that follows the mouse while the splitter is dragged.
    m_dragLine->setObjectName(QStringLiteral("DragLine"));
    m_dragLine->setAutoFillBackground(true);
    QPalette grey = m_dragLine->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_dragLine->setPalette(grey);
    m_dragLine->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dragLine->hide();
}

void TSplitArea::SetPanes(QWidget* listPane, QWidget* viewerPane)
{
    m_list = listPane;
    m_viewer = viewerPane;
    m_list->setParent(this);
    m_viewer->setParent(this);
    m_splitter->raise();
    m_dragLine->raise();
    Arrange();
}

void TSplitArea::SetSideBySide(bool sideBySide)
{
    m_sideBySide = sideBySide;
    m_splitter->setCursor(sideBySide ? Qt::SplitHCursor : Qt::SplitVCursor);
    Arrange();
}

void TSplitArea::SetListSize(int size)
{
    m_listSize = std::max(0, size);
    Arrange();
}

void TSplitArea::SetPreviewShown(bool shown)
{
    m_preview = shown;
    Arrange();
}

int TSplitArea::Extent() const { return SplitExtent(rect(), m_sideBySide); }

void TSplitArea::Arrange()
{
    if (!m_list || !m_viewer)
        return;
    const TSplitPanes panes = SplitPanes(rect(), m_sideBySide, m_listSize, m_preview);
    m_list->setGeometry(panes.list);
    m_splitter->setVisible(m_preview);
    m_viewer->setVisible(m_preview);
    if (m_preview) {
        m_splitter->setGeometry(panes.splitter);
        m_viewer->setGeometry(panes.viewer);
    }
    Q_EMIT SplitChanged();
}

void TSplitArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Sizes a hidden window passes through while it is built say nothing about the room the user has.
    if (m_preview && isVisible())
        m_listSize = FitListSize(m_listSize, Extent());
    Arrange();
}

void TSplitArea::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_preview)
        m_listSize = FitListSize(m_listSize, Extent());
    Arrange();
}

QPoint TSplitArea::Confined(const QPoint& global) const
{
    const QPoint local = mapFromGlobal(global);
    return QPoint(
        std::clamp(local.x(), 0, std::max(0, width() - 1)), std::clamp(local.y(), 0, std::max(0, height() - 1)));
}

bool TSplitArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_splitter)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        m_dragging = true;
        const QPoint at = mouse->position().toPoint();
        m_pressOffset = m_sideBySide ? at.x() : at.y();
        m_dragLine->setGeometry(m_splitter->geometry());
        m_dragLine->show();
        m_dragLine->raise();
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_dragging)
            break;
        const QPoint at = Confined(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        QRect line = m_splitter->geometry();
        if (m_sideBySide)
            line.moveLeft(at.x() - m_pressOffset);
        else
            line.moveTop(at.y() - m_pressOffset);
        m_dragLine->setGeometry(line);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!m_dragging || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            break;
        m_dragging = false;
        m_dragLine->hide();
        const QPoint at = Confined(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        const int pos = (m_sideBySide ? at.x() : at.y()) - m_pressOffset;
        m_listSize = ClampListSize(pos, Extent());
        Arrange();
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace hy::search
