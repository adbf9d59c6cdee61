// THyForm, the base of the dialogs.
#include "ui/common/HyForm.h"

#include "common/HyUtils.h"
#include "ui/common/CursorScope.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <algorithm>

namespace hy::common {

const QList<QRgb>* SharedPalette() { return nullptr; }

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
    // A modal wait shows the arrow, whatever busy cursor the caller set.
    TCursorScope arrow(Qt::ArrowCursor);
    return exec();
}

void THyForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        RealizePalette();
    QDialog::changeEvent(event);
}

void THyForm::RestorePlace(const QString& place)
{
    if (place.isEmpty())
        return;
    const auto number
        = [&](int n, int current, qint64 min) { return int(ListNumber(place, n, current, min, kMaxStoredExtent)); };
    QRect bounds(number(1, x(), -kMaxStoredExtent), number(2, y(), -kMaxStoredExtent), number(3, width(), 0),
        number(4, height(), 0));
    bounds.setSize(bounds.size().expandedTo(minimumSize()));
    const QScreen* screen = QGuiApplication::screenAt(bounds.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        bounds.setSize(bounds.size().boundedTo(area.size()).expandedTo(minimumSize()));
        bounds.moveLeft(
            std::clamp(bounds.left(), area.left(), std::max(area.left(), area.right() - bounds.width() + 1)));
        bounds.moveTop(std::clamp(bounds.top(), area.top(), std::max(area.top(), area.bottom() - bounds.height() + 1)));
    }
    move(bounds.topLeft());
    resize(bounds.size());
}

QString THyForm::PlaceText() const
{
    const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
    return QStringLiteral("%1,%2,%3,%4").arg(x()).arg(y()).arg(g.width()).arg(g.height());
}

} // namespace hy::common
