// THyImage: a picture control that can size itself to its picture, centre, stretch or tile it, and
// leave the picture's background colour (its top-left pixel) transparent.
#pragma once

#include "ui/common/Hygraph.h"

#include <QPixmap>

class QMenu;

namespace hy::common {

class THyImage : public THyGraphicControl {
    Q_OBJECT
public:
    explicit THyImage(QWidget* parent = nullptr);
    ~THyImage() override;

    QPixmap Picture() const { return m_picture; }
    void SetPicture(const QPixmap& picture);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool on);
    bool Center() const { return m_center; }
    void SetCenter(bool on);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool on);
    // Tiling switches AutoSize off.
    bool Tile() const { return m_tile; }
    void SetTile(bool on);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool on);
    QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* menu);

protected:
    void Paint() override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void PictureChanged();
    void UpdateOpaque();

    QPixmap m_picture;
    QPixmap m_composed; // the picture with its background colour masked out
    bool m_autoSize = false;
    bool m_center = false;
    bool m_stretch = false;
    bool m_tile = false;
    bool m_transparent = false;
    QMenu* m_popupMenu = nullptr;
};

} // namespace hy::common
