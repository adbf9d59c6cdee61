// THyForm and the default cursor of modal waits.
#include "common/HyForm.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>

namespace hy {

const QList<QRgb>* SharedPalette() { return nullptr; }

TDefaultCursor::TDefaultCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }

TDefaultCursor::~TDefaultCursor() { QApplication::restoreOverrideCursor(); }

THyForm::THyForm(QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
}

THyForm::~THyForm() = default;

int THyForm::RealizePalette() { return SharedPalette() ? 1 : 0; }

void THyForm::SpeedButtonPainted() { RealizePalette(); }

void THyForm::CenterOnScreen()
{
    const QScreen* s = parentWidget() ? parentWidget()->screen() : screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    const QSize frame = frameGeometry().size().expandedTo(size());
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}

int THyForm::ShowModal()
{
    TDefaultCursor cursor;
    return exec();
}

void THyForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        RealizePalette();
    QDialog::changeEvent(event);
}

} // namespace hy
