// THyForm: the base of the program's dialogs. It realizes the shared palette when asked (there is none
// on true-colour displays, so that answers 0), centres itself on the screen and runs modally with the
// default cursor. Also the modal result codes the dialogs return.
#pragma once

#include <QDialog>

namespace hy::common {

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// The shared 256-colour palette of palette displays; displays here are true colour, so there is none.
const QList<QRgb>* SharedPalette();

class THyForm : public QDialog {
    Q_OBJECT
public:
    explicit THyForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~THyForm() override;

    // Selects and realizes the shared palette; 1 when a palette was realized, else 0.
    int RealizePalette();
    // Called by the program's speed buttons after they have painted.
    void SpeedButtonPainted();
    // Places the window in the middle of its screen.
    void CenterOnScreen();
    // exec() with the default cursor.
    int ShowModal();
    // The place remembered as "left,top,width,height": a missing number keeps the window's own, the size
    // is at least the minimum, and a place on a screen that is no longer there is brought onto one that is.
    void RestorePlace(const QString& place);
    // The window's place in that form, with the size it has when not maximized.
    QString PlaceText() const;

protected:
    void changeEvent(QEvent* event) override;
};

} // namespace hy::common
