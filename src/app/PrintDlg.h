// File > Print: the print options dialog TPrintDialog (margins and their unit, header and footer, copies,
// wrapping, selected text only, the printer's set-up) and the command that prints the active viewer
// window's text or picture through the print engine onto the system printer.
#pragma once

#include "core/print/PrintOutputFiles.h"
#include "core/settings/ViewerSettings.h"
#include "ui/common/HyForm.h"

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace hy::app {

class TChildForm;
class TMainForm;

inline constexpr int kPrintHelpContext = 102;

class TPrintDialog : public common::THyForm {
    Q_OBJECT
public:
    // Shows settings; in image mode margins, units and wrapping are not offered. On Print the settings take
    // what the dialog holds.
    TPrintDialog(settings::TPrintSettings& settings, QPrinter& printer, bool imageMode, QWidget* parent = nullptr);
    ~TPrintDialog() override;

    QLabel* Prompt;
    QLineEdit* LMar;
    QLineEdit* TMar;
    QLineEdit* RMar;
    QLineEdit* BMar;
    QRadioButton* Inches;
    QRadioButton* Centimeters;
    QLineEdit* Head;
    QLineEdit* Foot;
    QLineEdit* Copies;
    QCheckBox* WrapLines;
    QCheckBox* PrintSelected;
    QPushButton* SetupButton;
    QPushButton* PrintButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;

    // The file the user chose in the printer's set-up and agreed to replace there (the printer dialog asks
    // before it lets a file that exists be chosen); empty when set-up did not run or chose no such file.
    QString ReplaceAgreed() const { return m_replaceAgreed; }

    // Runs the printer's set-up: the printer dialog, then the page dialog. Tests replace it.
    using TSetupRunner = std::function<bool(QPrinter& printer, QWidget* parent)>;
    static void SetSetupRunner(TSetupRunner runner);

public Q_SLOTS:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* BuildMarginsGroup();
    QGroupBox* BuildHeaderFooterGroup();
    QGroupBox* BuildOptionsGroup();
    void SetupClick();
    void UnitClick(bool centimetres);

    settings::TPrintSettings& m_settings;
    QPrinter& m_printer;
    bool m_imageMode;
    bool m_centimetres;
    QString m_replaceAgreed;
};

// What the prompt names as the printer: its name, or the PDF file it writes.
QString PrinterDescription(const QPrinter& printer);

// The program's printer, kept by the main window between print commands.
QPrinter& ProgramPrinter(TMainForm& form);

// File > Print for the active viewer window.
void PrintClick(TMainForm& form);
// Prints the window's text (all of it or the selection) or picture with the settings, with progress and
// Stop for text. A printer that writes a file writes each job into a file that output hands out. Printer
// failures are thrown.
void PrintText(TMainForm& form, TChildForm& child, const settings::TPrintSettings& settings, QPrinter& printer,
    print::TPrintOutputFiles* output);
void PrintImage(
    TChildForm& child, const settings::TPrintSettings& settings, QPrinter& printer, print::TPrintOutputFiles* output);
// The pages of the PDF page, each on a printed page, with progress and Cancel.
void PrintPdf(TMainForm& form, TChildForm& child, const settings::TPrintSettings& settings, QPrinter& printer,
    print::TPrintOutputFiles* output);

} // namespace hy::app
