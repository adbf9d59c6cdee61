// THvColors: a colour pair (back and text) with its default pair, used for the viewer's selection.
#pragma once

#include <QColor>
#include <QObject>

namespace hy::viewer {

class THvColors : public QObject {
    Q_OBJECT
public:
    THvColors(const QColor& defaultBack, const QColor& defaultText, QObject* parent = nullptr);

    QColor BackColor() const { return m_back; }
    void SetBackColor(const QColor& color);
    QColor TextColor() const { return m_text; }
    void SetTextColor(const QColor& color);

    // True while both colours are the defaults; setting it to True restores them.
    bool UseDefault() const { return m_useDefault; }
    void SetUseDefault(bool useDefault);

    void Assign(const THvColors& other);

Q_SIGNALS:
    void Changed();

private:
    QColor m_back;
    QColor m_text;
    QColor m_defaultBack;
    QColor m_defaultText;
    bool m_useDefault = true;
};

} // namespace hy::viewer
