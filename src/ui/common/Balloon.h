// TBalloon: a cartoon speech balloon with a caption, its stem pointing to one side.
#pragma once

#include "common/BalloonGeometry.h"
#include "ui/common/Hygraph.h"

#include <QColor>
#include <QPointer>

class QShortcut;

namespace hy::common {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TBalloon : public THyGraphicControl {
    Q_OBJECT
public:
    explicit TBalloon(QWidget* parent = nullptr);
    ~TBalloon() override;

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    QWidget* FocusControl() const { return m_focusControl; }
    void SetFocusControl(QWidget* control);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool show);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    int CornerSize() const { return m_cornerSize; }
    void SetCornerSize(int size);
    QColor BackgroundColor() const { return m_backgroundColor; }
    void SetBackgroundColor(const QColor& color);
    int XOffset() const { return m_xOffset; }
    void SetXOffset(int offset);
    int YOffset() const { return m_yOffset; }
    void SetYOffset(int offset);
    TStemPos StemPos() const { return m_stemPos; }
    void SetStemPos(TStemPos pos);
    int StemSize() const { return m_stemSize; }
    void SetStemSize(int size);
    int StemWidth() const { return m_stemWidth; }
    void SetStemWidth(int width);
    int StemOffset() const { return m_stemOffset; }
    void SetStemOffset(int offset);

    // The height of the caption word-wrapped within the text area at the current size.
    int TextHeight() const;
    // The body and the text area for the current size and properties.
    TBalloonShape Shape() const;
    QRect TextRect() const;

protected:
    void Paint() override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int TextFlags() const;
    QString MeasuredText() const;
    int MeasureTextHeight() const;
    void Measure();
    void Changed();
    void UpdateAccelerator();
    void AcceleratorPressed();

    TAlignment m_alignment = taLeftJustify;
    QPointer<QWidget> m_focusControl;
    bool m_showAccelChar = false;
    QString m_caption;
    int m_cornerSize = 16;
    QColor m_backgroundColor { 0xFF, 0xFF, 0xFF };
    int m_xOffset = 5;
    int m_yOffset = 3;
    TStemPos m_stemPos = spLeft;
    int m_stemSize = 12;
    int m_stemWidth = 4;
    int m_stemOffset = 0;
    int m_textHeight = 0;
    QShortcut* m_shortcut = nullptr;
};

} // namespace hy::common
