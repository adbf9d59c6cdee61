// The viewer's colour pair.
#include "ui/viewer/HvColor.h"

namespace hy::viewer {

THvColors::THvColors(const QColor& defaultBack, const QColor& defaultText, QObject* parent)
    : QObject(parent)
    , m_back(defaultBack)
    , m_text(defaultText)
    , m_defaultBack(defaultBack)
    , m_defaultText(defaultText)
{
}

void THvColors::SetBackColor(const QColor& color)
{
    if (color == m_back)
        return;
    m_back = color;
    if (color != m_defaultBack)
        m_useDefault = false;
    Q_EMIT Changed();
}

void THvColors::SetTextColor(const QColor& color)
{
    if (color == m_text)
        return;
    m_text = color;
    if (color != m_defaultText)
        m_useDefault = false;
    Q_EMIT Changed();
}

void THvColors::SetUseDefault(bool useDefault)
{
    if (useDefault == m_useDefault)
        return;
    m_useDefault = useDefault;
    if (useDefault) {
        m_back = m_defaultBack;
        m_text = m_defaultText;
    }
    Q_EMIT Changed();
}

void THvColors::Assign(const THvColors& other)
{
    m_back = other.m_back;
    m_text = other.m_text;
    m_useDefault = other.m_useDefault;
    Q_EMIT Changed();
}

} // namespace hy::viewer
