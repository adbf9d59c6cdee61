// TAskUserDialog, the two- or three-answer question, and the question functions built on it.
#pragma once

#include "common/DialogGeometry.h"
#include "ui/common/HyForm.h"

class QLabel;
class QPushButton;

namespace hy::common {

struct TPromptParts;
class TBalloon;
class THyImage;

class TAskUserDialog : public THyForm {
    Q_OBJECT
public:
    explicit TAskUserDialog(QWidget* parent = nullptr);
    ~TAskUserDialog() override;

    // Captions, message and size, without showing the dialog. An empty cancel caption leaves two buttons.
    void Prepare(const QString& title, const QString& question, const QString& yesCaption, const QString& cancelCaption,
        const QString& noCaption);
    // Runs the dialog modally: mrYes, mrNo or mrCancel (also the close box).
    int Run();
    const TDialogLayout& Layout() const { return m_layout; }

    TBalloon* Prompt;
    THyImage* Image1;
    QLabel* Test;
    QPushButton* YesButton;
    QPushButton* NoButton; // the cancel button: Escape answers No
    QPushButton* CancelButton;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    TPromptParts Parts() const;

    TDialogLayout m_layout;
};

// Asks a question with a yes, an optional cancel and a no button: mrYes (6), mrNo (7) or mrCancel (2;
// also the close box).
int AskUser(const QString& title, const QString& question, const QString& yesCaption, const QString& cancelCaption,
    const QString& noCaption);
// "Yes" / "No": true exactly for Yes.
bool AskYesNo(const QString& title, const QString& question);
// "Ok" / "Cancel": true exactly for Ok.
bool AskOkCancel(const QString& title, const QString& question);

} // namespace hy::common
