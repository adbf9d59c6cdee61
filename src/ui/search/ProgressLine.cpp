// A sunken caption-and-value line.
#include "ui/search/ProgressLine.h"

#include <QPainter>

namespace hy::search {

namespace {
    constexpr int kPadding = 4;
}

TProgressLine::TProgressLine(const QString& caption, QWidget* parent)
    : QFrame(parent)
    , m_caption(caption)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TProgressLine::SetValue(const QString& value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

QSize TProgressLine::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(m_caption) + 200, metrics.height() + 2 * frameWidth() + 4);
}

void TProgressLine::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inner = contentsRect().adjusted(kPadding, 0, -kPadding, 0);
    const QFontMetrics metrics(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_caption);
    const int captionWidth = metrics.horizontalAdvance(m_caption) + 2 * kPadding;
    const QRect valueRect = inner.adjusted(captionWidth, 0, 0, 0);
    painter.drawText(valueRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
        metrics.elidedText(m_value, Qt::ElideLeft, valueRect.width()));
}

} // namespace hy::search
