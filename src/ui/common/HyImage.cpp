// THyImage painting and sizing.
#include "ui/common/HyImage.h"

#include <QBitmap>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

namespace hy::common {

THyImage::THyImage(QWidget* parent)
    : THyGraphicControl(parent)
{
    resize(105, 105);
}

THyImage::~THyImage() = default;

void THyImage::SetPicture(const QPixmap& picture)
{
    m_picture = picture;
    PictureChanged();
}

void THyImage::SetAutoSize(bool on)
{
    m_autoSize = on;
    PictureChanged();
}

void THyImage::SetCenter(bool on)
{
    m_center = on;
    update();
}

void THyImage::SetStretch(bool on)
{
    m_stretch = on;
    update();
}

void THyImage::SetTile(bool on)
{
    m_tile = on;
    if (on)
        m_autoSize = false;
    update();
}

void THyImage::SetTransparent(bool on)
{
    m_transparent = on;
    PictureChanged();
}

void THyImage::SetPopupMenu(QMenu* menu)
{
    if (m_popupMenu)
        disconnect(m_popupMenu, nullptr, this, nullptr);
    m_popupMenu = menu;
    if (m_popupMenu)
        connect(m_popupMenu, &QObject::destroyed, this, [this] { m_popupMenu = nullptr; });
}

void THyImage::PictureChanged()
{
    m_composed = QPixmap();
    if (m_transparent && !m_picture.isNull()) {
        const QImage image = m_picture.toImage();
        m_composed = m_picture;
        m_composed.setMask(m_picture.createMaskFromColor(image.pixelColor(0, 0), Qt::MaskInColor));
    }
    if (m_autoSize && m_picture.width() > 0 && m_picture.height() > 0)
        resize(m_picture.size());
    UpdateOpaque();
    update();
}

void THyImage::UpdateOpaque()
{
    const bool opaque
        = !m_picture.isNull() && !m_transparent && !m_picture.hasAlphaChannel() && m_picture.size() == size();
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void THyImage::resizeEvent(QResizeEvent* event)
{
    UpdateOpaque();
    THyGraphicControl::resizeEvent(event);
}

void THyImage::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_popupMenu) {
        m_popupMenu->popup(event->globalPos());
        event->accept();
        return;
    }
    THyGraphicControl::contextMenuEvent(event);
}

void THyImage::Paint()
{
    if (m_picture.isNull())
        return;
    QPainter& p = *Canvas();
    const QPixmap& source = m_transparent ? m_composed : m_picture;
    if (m_tile)
        p.drawTiledPixmap(rect(), source);
    else if (m_stretch)
        p.drawPixmap(rect(), source);
    else if (m_center)
        p.drawPixmap((width() - source.width()) / 2, (height() - source.height()) / 2, source);
    else
        p.drawPixmap(0, 0, source);
}

} // namespace hy::common
