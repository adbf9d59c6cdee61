// THyGraphicControl: the base of the program's painted controls (balloon, picture). It paints through a
// canvas that exists during a paint request, places itself in its parent by Align, and reports clicks
// and mouse events.
#pragma once

#include <QRgb>
#include <QWidget>

class QPainter;

namespace hy::common {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class THyGraphicControl : public QWidget {
    Q_OBJECT
public:
    explicit THyGraphicControl(QWidget* parent = nullptr);
    ~THyGraphicControl() override;

    TAlign Align() const { return m_align; }
    void SetAlign(TAlign align);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    QString Hint() const { return m_hint; }
    void SetHint(const QString& hint);

    // The shared palette; displays here are true colour, so there is none.
    const QList<QRgb>* GetPalette() const;

Q_SIGNALS:
    void Click();
    void DblClick();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    // Draws the control on Canvas().
    virtual void Paint() = 0;
    // The painter of the current paint request; null outside one.
    QPainter* Canvas() const { return m_canvas; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ApplyAlign();
    void WatchParent();

    QPainter* m_canvas = nullptr;
    QWidget* m_watchedParent = nullptr;
    TAlign m_align = alNone;
    bool m_showHint = false;
    bool m_pressed = false;
    QString m_hint;
};

} // namespace hy::common
