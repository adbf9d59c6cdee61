// TColorGrid: the 16-colour grid of the Preferences dialog, 8 cells by 2. A left click marks a cell as the
// foreground colour, a right click as the background colour; the marks "FG", "BG" (or "FB" for both) show
// in their cells.
#pragma once

#include <QColor>
#include <QWidget>

namespace hy::app {

inline constexpr int kGridColorCount = 16;

// The grid's colours in order: black, maroon, green, olive, navy, purple, teal, gray, silver, red, lime,
// yellow, blue, fuchsia, aqua, white. The stored indexes of the colour elements refer to this order.
QColor GridColor(int index);
// A colour as the settings keep it (0x00BBGGRR).
quint32 StoredColorValue(const QColor& color);

class TColorGrid : public QWidget {
    Q_OBJECT
public:
    explicit TColorGrid(QWidget* parent = nullptr);

    int ForegroundIndex() const { return m_foreground; }
    int BackgroundIndex() const { return m_background; }
    // Out-of-range indexes are kept to 0..15; each change raises Change.
    void SetForegroundIndex(int index);
    void SetBackgroundIndex(int index);
    QColor ForegroundColor() const { return GridColor(m_foreground); }
    QColor BackgroundColor() const { return GridColor(m_background); }
    // The cell of an index, and the index at a point (-1 outside the cells).
    QRect CellRect(int index) const;
    int IndexAt(const QPoint& point) const;

    QSize sizeHint() const override { return { 8 * 24, 2 * 24 }; }

Q_SIGNALS:
    void Change();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_foreground = 0;
    int m_background = 15;
};

} // namespace hy::app
