// TProgressLine: one sunken line of a progress window, a caption at the left and a value right-aligned
// behind it. A value too long for the line loses its beginning, so the end of a path stays in view.
#pragma once

#include <QFrame>

namespace hy::search {

class TProgressLine : public QFrame {
    Q_OBJECT
public:
    explicit TProgressLine(const QString& caption, QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    QString Value() const { return m_value; }
    void SetValue(const QString& value);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_caption;
    QString m_value;
};

} // namespace hy::search
