// TAskMultiDialog, the four-answer question (Yes, Yes to All, No, Cancel), and AskMulti.
#pragma once

#include "common/DialogGeometry.h"
#include "ui/common/HyForm.h"

class QLabel;
class QPushButton;

namespace hy::common {

struct TPromptParts;
class TBalloon;
class THyImage;

class TAskMultiDialog : public THyForm {
    Q_OBJECT
public:
    explicit TAskMultiDialog(QWidget* parent = nullptr);
    ~TAskMultiDialog() override;

    void Prepare(const QString& title, const QString& question);
    // mrYes, mrOk (Yes to All), mrNo or mrCancel (also Escape and the close box).
    int Run();
    const TDialogLayout& Layout() const { return m_layout; }

    TBalloon* Prompt;
    THyImage* Image1;
    QLabel* Test;
    QPushButton* YesButton;
    QPushButton* YesToAllButton;
    QPushButton* NoButton;
    QPushButton* CancelButton;

protected:
    void reject() override;

private:
    TPromptParts Parts() const;

    TDialogLayout m_layout;
};

// Yes (6), Yes to All (1), No (7) or Cancel (2).
int AskMulti(const QString& title, const QString& question);

} // namespace hy::common
