// TAlertDialog, the program's message box with "OK", and the message and error reporting functions.
#pragma once

#include "common/DialogGeometry.h"
#include "ui/common/HyForm.h"

#include <QList>
#include <QString>
#include <exception>

class QLabel;
class QPushButton;

namespace hy::common {

struct TPromptParts;
class TBalloon;
class THyImage;

class TAlertDialog : public THyForm {
    Q_OBJECT
public:
    // The first alert dialog alive is the program's alert form, which ShowAlert uses.
    explicit TAlertDialog(QWidget* parent = nullptr);
    ~TAlertDialog() override;

    static TAlertDialog* ProgramAlert();

    // Sets the caption and message and sizes the dialog to them, without showing it.
    void Prepare(const QString& title, const QString& message);
    // Runs the dialog modally (default cursor while it waits).
    int Run();
    // The layout computed by the last Prepare.
    const TDialogLayout& Layout() const { return m_layout; }

    TBalloon* Prompt;
    THyImage* Image1;
    QLabel* Test;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    TPromptParts Parts() const;

    TDialogLayout m_layout;
};

// A modal alert with "OK". An alert asked for while the alert dialog is on screen shows in the
// platform's plain message box instead; one asked for while a TAlertHold lives waits in it.
void ShowAlert(const QString& title, const QString& message);

struct THeldAlert {
    QString Title;
    QString Message;
};

// Holds back the alerts of a piece of work until it has told another program how it went (the command
// interface answers its client before the user is asked to read anything): while it lives, ShowAlert keeps
// each alert here. ShowHeld, or the end of the hold, shows them in order. Holds nest.
class TAlertHold {
public:
    TAlertHold();
    ~TAlertHold();
    TAlertHold(const TAlertHold&) = delete;
    TAlertHold& operator=(const TAlertHold&) = delete;

    // Ends the hold and shows what it kept (the texts may be changed before).
    void ShowHeld();

    QList<THeldAlert> Alerts;

private:
    TAlertHold* m_outer;
};
// ShowAlert under the error title.
void ShowError(const QString& message);
// ShowError with the table text of an error code.
void ShowErrorCode(int code);
// ShowError with the exception's text (see ExceptionText); nothing when that is empty.
void ShowException(const std::exception& e);
// The exclamation sound.
void Beep();

} // namespace hy::common
