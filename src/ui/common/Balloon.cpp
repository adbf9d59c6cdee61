// TBalloon: body, stem and caption painting, caption measuring, the accelerator.
#include "ui/common/Balloon.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>

namespace hy::common {

TBalloon::TBalloon(QWidget* parent)
    : THyGraphicControl(parent)
{
    resize(65, 17);
    m_shortcut = new QShortcut(this);
    m_shortcut->setEnabled(false);
    connect(m_shortcut, &QShortcut::activated, this, &TBalloon::AcceleratorPressed);
    Measure();
}

TBalloon::~TBalloon() = default;

void TBalloon::SetAlignment(TAlignment alignment)
{
    m_alignment = alignment;
    Changed();
}

void TBalloon::SetFocusControl(QWidget* control)
{
    m_focusControl = control;
    UpdateAccelerator();
}

void TBalloon::SetShowAccelChar(bool show)
{
    m_showAccelChar = show;
    UpdateAccelerator();
    Changed();
}

void TBalloon::SetCaption(const QString& caption)
{
    m_caption = caption;
    UpdateAccelerator();
    Changed();
}

void TBalloon::SetCornerSize(int size)
{
    m_cornerSize = size;
    Changed();
}

void TBalloon::SetBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    Changed();
}

void TBalloon::SetXOffset(int offset)
{
    m_xOffset = offset;
    Changed();
}

void TBalloon::SetYOffset(int offset)
{
    m_yOffset = offset;
    Changed();
}

void TBalloon::SetStemPos(TStemPos pos)
{
    m_stemPos = pos;
    Changed();
}

void TBalloon::SetStemSize(int size)
{
    m_stemSize = size;
    Changed();
}

void TBalloon::SetStemWidth(int width)
{
    m_stemWidth = width;
    Changed();
}

void TBalloon::SetStemOffset(int offset)
{
    m_stemOffset = offset;
    Changed();
}

TBalloonShape TBalloon::Shape() const
{
    return BalloonShapeFor(rect(), m_stemPos, m_stemSize, m_stemWidth, m_stemOffset);
}

QRect TBalloon::TextRect() const { return BalloonTextRect(Shape().body, m_xOffset, m_yOffset, MeasureTextHeight()); }

int TBalloon::TextHeight() const { return MeasureTextHeight(); }

int TBalloon::TextFlags() const
{
    int flags = Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignTop;
    switch (m_alignment) {
    case taLeftJustify:
        flags |= Qt::AlignLeft;
        break;
    case taRightJustify:
        flags |= Qt::AlignRight;
        break;
    case taCenter:
        flags |= Qt::AlignHCenter;
        break;
    }
    if (m_showAccelChar)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

QString TBalloon::MeasuredText() const
{
    if (m_caption.isEmpty() || (m_showAccelChar && m_caption == QLatin1String("&")))
        return QStringLiteral(" ");
    return m_caption;
}

int TBalloon::MeasureTextHeight() const
{
    const QRect area = BalloonTextRect(Shape().body, m_xOffset, m_yOffset, INT_MAX / 4);
    const QFontMetrics fm(font());
    return fm.boundingRect(QRect(0, 0, std::max(1, area.width()), INT_MAX / 4), TextFlags(), MeasuredText()).height();
}

void TBalloon::Measure() { m_textHeight = MeasureTextHeight(); }

void TBalloon::Changed()
{
    Measure();
    update();
}

void TBalloon::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        Changed();
    else if (event->type() == QEvent::EnabledChange)
        update();
    THyGraphicControl::changeEvent(event);
}

void TBalloon::resizeEvent(QResizeEvent* event)
{
    Measure();
    THyGraphicControl::resizeEvent(event);
}

void TBalloon::Paint()
{
    QPainter& p = *Canvas();
    const TBalloonShape shape = Shape();

    p.setBrush(m_backgroundColor);
    p.setPen(QPen(Qt::black, 0));
    const qreal radius = m_cornerSize / 2.0;
    p.drawRoundedRect(shape.body.adjusted(0, 0, -1, -1), radius, radius);
    const QPoint stem[3] = { shape.tip, shape.base1, shape.base2 };
    p.drawPolygon(stem, 3);

    // Open the body's border where the stem joins it; the base points keep the stem's outline.
    p.setPen(QPen(m_backgroundColor, 0));
    if (shape.base1.x() == shape.base2.x())
        p.drawLine(shape.base1.x(), shape.base1.y() + 1, shape.base2.x(), shape.base2.y() - 1);
    else
        p.drawLine(shape.base1.x() + 1, shape.base1.y(), shape.base2.x() - 1, shape.base2.y());

    Measure();
    const QRect textRect = BalloonTextRect(shape.body, m_xOffset, m_yOffset, m_textHeight);
    p.setFont(font());
    p.setPen(isEnabled() ? palette().color(QPalette::Active, QPalette::WindowText)
                         : palette().color(QPalette::Disabled, QPalette::WindowText));
    p.setBrush(Qt::NoBrush);
    p.drawText(textRect, TextFlags(), m_caption);
}

void TBalloon::UpdateAccelerator()
{
    const QChar key = m_showAccelChar ? AccelCharOf(m_caption) : QChar();
    if (key.isNull()) {
        m_shortcut->setEnabled(false);
        m_shortcut->setKey(QKeySequence());
        return;
    }
    m_shortcut->setKey(QKeySequence(QStringLiteral("Alt+") + key.toUpper()));
    m_shortcut->setEnabled(true);
}

void TBalloon::AcceleratorPressed()
{
    if (!m_showAccelChar || !isEnabled() || !m_focusControl)
        return;
    if (m_focusControl->isEnabled() && m_focusControl->isVisible() && m_focusControl->focusPolicy() != Qt::NoFocus)
        m_focusControl->setFocus(Qt::ShortcutFocusReason);
}

} // namespace hy::common
