// The program's speed button.
#include "ui/search/HySpeedBtn.h"

#include "ui/common/HyForm.h"

#include <QEvent>

namespace hy::search {

using namespace hy::common;

THySpeedButton::THySpeedButton(QWidget* parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

const QList<QRgb>* THySpeedButton::SharedColors() const { return SharedPalette(); }

void THySpeedButton::changeEvent(QEvent* event)
{
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

void THySpeedButton::paintEvent(QPaintEvent* event)
{
    QToolButton::paintEvent(event);
    if (auto* form = qobject_cast<THyForm*>(window()))
        form->SpeedButtonPainted();
}

} // namespace hy::search
