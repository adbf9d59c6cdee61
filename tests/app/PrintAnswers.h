// How the print tests answer the dialogs a print raises.
#pragma once

#include "app/PrintDlg.h"
#include "ui/common/Ask.h"

#include <QDialog>
#include <QPushButton>

namespace hy::test {

// Presses Print in the print dialog, Yes in questions, OK in alerts.
inline void PressPrint(QDialog* d)
{
    if (auto* print = qobject_cast<app::TPrintDialog*>(d))
        print->PrintButton->click();
    else if (auto* ask = qobject_cast<common::TAskUserDialog*>(d))
        ask->YesButton->click();
    else
        d->accept();
}

} // namespace hy::test
