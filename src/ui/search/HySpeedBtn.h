// THySpeedButton: a flat, checkable tool button of a button group. It repaints itself when it is enabled
// or disabled and, after painting, asks the form that owns it to realize the shared palette.
#pragma once

#include <QToolButton>

namespace hy::search {

class THySpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit THySpeedButton(QWidget* parent = nullptr);

    // The shared palette of palette displays (none here: displays are true colour).
    const QList<QRgb>* SharedColors() const;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace hy::search
