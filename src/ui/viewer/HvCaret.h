// THvCaret: the caret's shape, alignment, size and blink, shareable between viewers; THvSingleCaret: the
// caret of one widget, which this program draws itself (inverting its cell) and blinks with a timer.
#pragma once

#include "core/viewer/HvLayout.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <memory>

class QPainter;
class QTimer;
class QWidget;

namespace hy::viewer {

class THvCaret : public QObject {
    Q_OBJECT
public:
    explicit THvCaret(QObject* parent = nullptr);

    const QImage& Bitmap() const { return m_bitmap; }
    void SetBitmap(const QImage& bitmap);
    int BitmapHotSpotX() const { return m_hotSpotX; }
    void SetBitmapHotSpotX(int x);
    int BitmapHotSpotY() const { return m_hotSpotY; }
    void SetBitmapHotSpotY(int y);
    // Setting the shape also sets the alignment and, for lines and bitmaps, the linked size.
    TCaretShape Shape() const { return m_shape; }
    void SetShape(TCaretShape shape);
    TCaretAlign Align() const { return m_align; }
    void SetAlign(TCaretAlign align);
    // The largest blink time: the caret stays on and does not blink.
    static constexpr int kSteadyBlinkTime = 65535;
    // Blink interval in milliseconds; 0 uses the desktop's cursor flash time.
    int BlinkTime() const { return m_blinkTime; }
    void SetBlinkTime(int milliseconds);
    int CaretHeight() const { return m_height; }
    void SetCaretHeight(int height); // values of 0 or less are ignored
    int CaretWidth() const { return m_width; }
    void SetCaretWidth(int width); // values of 0 or less are ignored
    bool IsGray() const { return m_isGray; }
    void SetIsGray(bool gray);

    // Offset and size inside a cell of the given size.
    TCaretCell Geometry(int cellWidth, int cellHeight) const;

Q_SIGNALS:
    void Changed();

private:
    QImage m_bitmap;
    int m_hotSpotX = 0;
    int m_hotSpotY = 0;
    TCaretShape m_shape = csVertLine;
    TCaretAlign m_align = caLeft;
    int m_blinkTime = 0;
    int m_height = 10;
    int m_width = 2;
    bool m_isGray = false;
};

class THvSingleCaret : public QObject {
    Q_OBJECT
public:
    // widget is where the caret is drawn; it must call Paint at the end of its paint event.
    explicit THvSingleCaret(QWidget* widget);
    ~THvSingleCaret() override;

    THvCaret* Caret() const { return m_caret.get(); }
    void SetCaret(std::shared_ptr<THvCaret> caret);

    void SetCellSize(int width, int height);
    // Creating starts the blinking; a destroyed caret is never drawn.
    void Create();
    void Destroy();
    void SetShown(bool shown);
    // The top-left corner of the caret's cell, or no cell when the caret is outside the view.
    void SetCellPosition(const QPoint& cellTopLeft);
    void SetOffView();

    // Where the caret is drawn, in widget coordinates (empty when it is off the view).
    QRect Rect() const;
    // True while the caret is drawn (created, shown, on the view and in the visible phase of its blink).
    bool IsVisibleNow() const;
    void Paint(QPainter& painter) const;
    // Milliseconds between the caret's phases; 0 for a steady caret.
    int BlinkInterval() const;
    bool IsBlinking() const;

private:
    void Relink();
    void Blink();
    void Invalidate();

    QWidget* m_widget;
    std::shared_ptr<THvCaret> m_caret;
    QTimer* m_timer;
    TCaretCell m_geometry;
    int m_cellWidth = 12;
    int m_cellHeight = 12;
    QPoint m_cell;
    bool m_onView = false;
    bool m_created = false;
    bool m_shown = true;
    bool m_phaseOn = true;
};

} // namespace hy::viewer
