// The print options dialog, the program's printer, and the Print command with its text and picture jobs.
#include "app/PrintDlg.h"

#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/HelpWindow.h"
#include "app/Progress.h"
#include "common/HyUtils.h"
#include "core/print/PrintLayout.h"
#include "platform/FileNames.h"
#include "platform/PlatformFiles.h"
#include "ui/common/Alert.h"
#include "ui/common/CursorScope.h"
#include "ui/document/PdfPage.h"
#include "ui/image/MultiImg.h"
#include "ui/viewer/HvFxFnt.h"
#include "ui/viewer/HvViewr.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

namespace hy::app {

using namespace hy::common;
using namespace hy::print;
using namespace hy::settings;

namespace {
    bool RunPrinterSetup(QPrinter& printer, QWidget* parent)
    {
        QPrintDialog printDialog(&printer, parent);
        printDialog.setWindowTitle(QStringLiteral("Printer Setup"));
        // Copies and what to print are the print dialog's own choices.
        printDialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
        if (printDialog.exec() != QDialog::Accepted)
            return false;
        QPageSetupDialog pageDialog(&printer, parent);
        pageDialog.exec();
        return true;
    }

    TPrintDialog::TSetupRunner& SetupRunner()
    {
        static TPrintDialog::TSetupRunner runner = &RunPrinterSetup;
        return runner;
    }

    // The printer lives as long as the main window and remembers the user's choices between commands.
    class TPrinterHolder : public QObject {
    public:
        explicit TPrinterHolder(QObject* parent)
            : QObject(parent)
        {
            setObjectName(QStringLiteral("ProgramPrinter"));
        }
        QPrinter Printer;
        // The file a printer without a device writes to, named after the file printed until the user
        // chooses one: the first name of the series that begins with DefaultSeries that named nothing.
        QString DefaultOutput;
        QString DefaultSeries;
    };

    double MarginValue(const QLineEdit* edit)
    {
        bool ok = false;
        const double value = edit->text().trimmed().toDouble(&ok);
        return ok ? value : 0.0;
    }

    // Runs the jobs on the program's printer: each job titled, one copy each, and when the printer writes a
    // file, each job into the file output hands out. A job that could not start gives its file back, and the
    // printer names its own file again afterwards.
    template <typename TJobs> void RunJobs(QPrinter& printer, TPrintOutputFiles* output, TJobs jobs)
    {
        const QString own = printer.outputFileName();
        const auto restore = qScopeGuard([&printer, own]() { printer.setOutputFileName(own); });
        bool starting = false;
        TPainterCanvas canvas([&](const QString& title, int) -> QPagedPaintDevice* {
            printer.setDocName(title);
            printer.setCopyCount(1);
            starting = false;
            if (output) {
                printer.setOutputFileName(output->Next());
                starting = true;
            }
            return &printer;
        });
        try {
            jobs(canvas);
        } catch (...) {
            if (starting)
                output->DropLast();
            throw;
        }
    }

    // The progress line of a job: the file and page printed, and the file the printout goes into.
    QString PrintingText(const QString& name, int page, const TPrintOutputFiles* output)
    {
        QString text = QStringLiteral("Printing: ") + name + QStringLiteral(", Page: ") + QString::number(page);
        if (output && !output->Files().isEmpty())
            text += QStringLiteral("\rto ")
                + platform::DisplayFileName(QDir::toNativeSeparators(output->Files().last()));
        return text;
    }

    // Where the printout went, when it went into files.
    QString WrittenText(const QString& printed, const QStringList& files)
    {
        QStringList shown;
        for (const QString& f : files)
            shown << platform::DisplayFileName(QDir::toNativeSeparators(f));
        return QLatin1Char('"') + printed + QStringLiteral("\" was printed to the file")
            + (files.size() == 1 ? QString() : QStringLiteral("s")) + QLatin1Char('\r') + shown.join(QLatin1Char('\r'));
    }
} // namespace

void TPrintDialog::SetSetupRunner(TSetupRunner runner)
{
    SetupRunner() = runner ? std::move(runner) : &RunPrinterSetup;
}

QString PrinterDescription(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat || !printer.outputFileName().isEmpty())
        return QStringLiteral("PDF file ") + QDir::toNativeSeparators(printer.outputFileName());
    return printer.printerName();
}

namespace {
    TPrinterHolder& Holder(TMainForm& form)
    {
        auto* holder = form.findChild<TPrinterHolder*>(QStringLiteral("ProgramPrinter"), Qt::FindDirectChildrenOnly);
        return holder ? *holder : *new TPrinterHolder(&form);
    }
} // namespace

QPrinter& ProgramPrinter(TMainForm& form) { return Holder(form).Printer; }

TPrintDialog::TPrintDialog(TPrintSettings& settings, QPrinter& printer, bool imageMode, QWidget* parent)
    : THyForm(parent)
    , Prompt(new QLabel(this))
    , LMar(new QLineEdit(this))
    , TMar(new QLineEdit(this))
    , RMar(new QLineEdit(this))
    , BMar(new QLineEdit(this))
    , Inches(new QRadioButton(QStringLiteral("&Inches"), this))
    , Centimeters(new QRadioButton(QStringLiteral("C&entimeters"), this))
    , Head(new QLineEdit(settings.Header, this))
    , Foot(new QLineEdit(settings.Footer, this))
    , Copies(new QLineEdit(QString::number(settings.Copies), this))
    , WrapLines(new QCheckBox(QStringLiteral("&Wrap Lines"), this))
    , PrintSelected(new QCheckBox(QStringLiteral("Print &Selected Text"), this))
    , SetupButton(new QPushButton(QStringLiteral("Se&tup..."), this))
    , PrintButton(new QPushButton(QStringLiteral("Print"), this))
    , CancelButton(new QPushButton(QStringLiteral("Cancel"), this))
    , HelpButton(new QPushButton(QStringLiteral("&Help"), this))
    , m_settings(settings)
    , m_printer(printer)
    , m_imageMode(imageMode)
    , m_centimetres(settings.UnitOfMeasure == 1)
{
    setObjectName(QStringLiteral("PrintDialog"));
    setWindowTitle(QStringLiteral("Print"));

    Prompt->setObjectName(QStringLiteral("Prompt"));
    Prompt->setText(QLatin1Char('"') + settings.FileName + QStringLiteral("\" to ") + PrinterDescription(printer));
    Prompt->setWordWrap(true);
    Prompt->setTextFormat(Qt::PlainText);
    auto* what = new QGroupBox(QStringLiteral("Print What"), this);
    auto* whatLayout = new QVBoxLayout(what);
    whatLayout->addWidget(Prompt);

    QGroupBox* margins = BuildMarginsGroup();
    QGroupBox* headFoot = BuildHeaderFooterGroup();
    QGroupBox* options = BuildOptionsGroup();

    SetupButton->setObjectName(QStringLiteral("SetupButton"));
    PrintButton->setObjectName(QStringLiteral("PrintButton"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    PrintButton->setDefault(true);
    connect(SetupButton, &QPushButton::clicked, this, &TPrintDialog::SetupClick);
    connect(PrintButton, &QPushButton::clicked, this, &TPrintDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &TPrintDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this]() { ShowHelpContext(kPrintHelpContext, this); });
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : { PrintButton, CancelButton, SetupButton, HelpButton })
        buttons->addWidget(b);
    buttons->addStretch(1);

    auto* left = new QGridLayout;
    left->addWidget(what, 0, 0, 1, 2);
    left->addWidget(margins, 1, 0);
    left->addWidget(options, 1, 1);
    left->addWidget(headFoot, 2, 0, 1, 2);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(480, 0)));
}

// The four margins and their unit; none of them is offered for a picture.
QGroupBox* TPrintDialog::BuildMarginsGroup()
{
    auto* margins = new QGroupBox(QStringLiteral("Margins"), this);
    auto* marginLayout = new QGridLayout(margins);
    const std::pair<QLineEdit*, const char*> edits[]
        = { { LMar, "&Left:" }, { TMar, "&Top:" }, { RMar, "&Right:" }, { BMar, "&Bottom:" } };
    const double values[]
        = { m_settings.LeftMargin, m_settings.TopMargin, m_settings.RightMargin, m_settings.BottomMargin };
    const char* const names[] = { "LMar", "TMar", "RMar", "BMar" };
    for (int i = 0; i < 4; ++i) {
        QLineEdit* edit = edits[i].first;
        edit->setObjectName(QLatin1String(names[i]));
        edit->setMaxLength(5);
        edit->setText(MarginText(values[i]));
        edit->installEventFilter(this);
        edit->setEnabled(!m_imageMode);
        auto* label = new QLabel(QString::fromLatin1(edits[i].second), margins);
        label->setBuddy(edit);
        label->setEnabled(!m_imageMode);
        marginLayout->addWidget(label, i % 2, (i / 2) * 2);
        marginLayout->addWidget(edit, i % 2, (i / 2) * 2 + 1);
    }
    Inches->setObjectName(QStringLiteral("Inches"));
    Centimeters->setObjectName(QStringLiteral("Centimeters"));
    Inches->setChecked(!m_centimetres);
    Centimeters->setChecked(m_centimetres);
    Inches->setEnabled(!m_imageMode);
    Centimeters->setEnabled(!m_imageMode);
    auto* units = new QHBoxLayout;
    units->addWidget(Inches);
    units->addWidget(Centimeters);
    units->addStretch(1);
    marginLayout->addLayout(units, 2, 0, 1, 4);
    connect(Centimeters, &QRadioButton::toggled, this, &TPrintDialog::UnitClick);
    return margins;
}

QGroupBox* TPrintDialog::BuildHeaderFooterGroup()
{
    auto* headFoot = new QGroupBox(QStringLiteral("Header/Footer"), this);
    auto* headFootLayout = new QGridLayout(headFoot);
    Head->setObjectName(QStringLiteral("Head"));
    Foot->setObjectName(QStringLiteral("Foot"));
    auto* headLabel = new QLabel(QStringLiteral("&Header:"), headFoot);
    auto* footLabel = new QLabel(QStringLiteral("&Footer:"), headFoot);
    headLabel->setBuddy(Head);
    footLabel->setBuddy(Foot);
    headFootLayout->addWidget(headLabel, 0, 0);
    headFootLayout->addWidget(Head, 0, 1);
    headFootLayout->addWidget(footLabel, 1, 0);
    headFootLayout->addWidget(Foot, 1, 1);
    return headFoot;
}

// Copies, Wrap Lines (not for a picture) and Print Selected Text (only when text is selected).
QGroupBox* TPrintDialog::BuildOptionsGroup()
{
    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionsLayout = new QGridLayout(options);
    Copies->setObjectName(QStringLiteral("Copies"));
    Copies->setMaxLength(5);
    Copies->installEventFilter(this);
    auto* copiesLabel = new QLabel(QStringLiteral("&Copies:"), options);
    copiesLabel->setBuddy(Copies);
    WrapLines->setObjectName(QStringLiteral("WrapLines"));
    WrapLines->setChecked(m_settings.WrapLines != 0);
    WrapLines->setEnabled(!m_imageMode);
    PrintSelected->setObjectName(QStringLiteral("PrintSelected"));
    PrintSelected->setChecked(m_settings.PrintSelectedText != 0);
    PrintSelected->setEnabled(m_settings.PrintSelectedText != 0);
    optionsLayout->addWidget(copiesLabel, 0, 0);
    optionsLayout->addWidget(Copies, 0, 1);
    optionsLayout->addWidget(WrapLines, 1, 0, 1, 2);
    optionsLayout->addWidget(PrintSelected, 2, 0, 1, 2);
    return options;
}

TPrintDialog::~TPrintDialog() = default;

bool TPrintDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Keys that type nothing (moving, Enter, Escape, Tab) keep their meaning.
        const bool typing = !text.isEmpty() && text.at(0).isPrint() && key->key() != Qt::Key_Backspace;
        const QChar c = text.isEmpty() ? QChar() : text.at(0);
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool allowed = digit || (edit != Copies && c == QLatin1Char('.'));
        if (typing && !allowed) {
            Beep();
            return true;
        }
    }
    return THyForm::eventFilter(watched, event);
}

void TPrintDialog::UnitClick(bool centimetres)
{
    if (centimetres == m_centimetres)
        return;
    m_centimetres = centimetres;
    // Only a change the user makes in the open dialog converts what the edits hold.
    if (!isVisible())
        return;
    const double factor = centimetres ? 2.54 : 0.3937;
    for (QLineEdit* edit : { LMar, TMar, RMar, BMar })
        edit->setText(MarginText(MarginValue(edit) * factor));
}

void TPrintDialog::SetupClick()
{
    if (!SetupRunner()(m_printer, this))
        return;
    const QString chosen = m_printer.outputFileName();
    m_replaceAgreed
        = !chosen.isEmpty() && platform::KindOf(chosen) != platform::EntryKind::Missing ? chosen : QString();
    Prompt->setText(m_settings.FileName + QStringLiteral(" to ") + PrinterDescription(m_printer));
}

void TPrintDialog::accept()
{
    if (!m_imageMode) {
        m_settings.LeftMargin = MarginValue(LMar);
        m_settings.TopMargin = MarginValue(TMar);
        m_settings.RightMargin = MarginValue(RMar);
        m_settings.BottomMargin = MarginValue(BMar);
        m_settings.UnitOfMeasure = Centimeters->isChecked() ? 1 : 0;
    }
    m_settings.Header = Head->text();
    m_settings.Footer = Foot->text();
    m_settings.PrintSelectedText = PrintSelected->isChecked() ? 1 : 0;
    m_settings.WrapLines = WrapLines->isChecked() ? 1 : 0;
    m_settings.Copies = quint16(std::clamp<qint64>(NumberFromText(Copies->text()), 1, 999));
    THyForm::accept();
}

void PrintText(
    TMainForm& form, TChildForm& child, const TPrintSettings& settings, QPrinter& printer, TPrintOutputFiles* output)
{
    QPointer<TChildForm> window(&child);
    viewer::THvFileViewer* v = child.FileViewer();
    TPrintSettings job = settings;
    job.HonourFormFeeds = v->InHexMode() ? 0 : 1;

    // Pages carry the lines by their exact numbers: a count still running is waited for; Esc prints nothing.
    if (!v->InHexMode() && !v->WaitForLineCount())
        return;
    TPrintTextJob lines;
    viewer::LineNumber sl = 0, el = 0;
    qint64 si = 0, ei = 0;
    if (settings.PrintSelectedText && v->SelectionBounds(sl, si, ei, el)) {
        lines.Selection = true;
        lines.FirstLine = sl;
        lines.LastLine = el;
        lines.StartIndex = si;
        lines.EndIndex = ei;
    } else {
        if (v->LineTotal() == viewer::kUndeterminedTotal)
            v->ClampLine(viewer::kUndeterminedTotal);
        lines.FirstLine = 0;
        lines.LastLine = v->LineTotal() - 1;
    }
    // The text of a line as the viewer decodes it for copies; what lies beyond the longest piece printed is
    // never read. Control characters print as the viewer shows them, but for the ones that lay out the text.
    const QChar placeholder = v->DefaultCharGlyph();
    lines.LineText = [window, placeholder](qint64 line, qint64 from, qint64 to) {
        if (!window)
            return QString();
        // A character takes at most four bytes in any of the viewer's encodings.
        const qint64 end = to >= 0 ? to : from + 4 * qint64(kPrintLineLimit);
        QString text = window->FileViewer()->TextOfRange(line, from, end);
        for (QChar& c : text) {
            const bool layout
                = c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\f') || c == QLatin1Char('\r');
            if (c.unicode() < 32 && !layout)
                c = placeholder;
        }
        return text;
    };

    // The colour rules print in their colours (the find bar's matches do not): each mark's bytes become the
    // characters of the printed piece before, at and after it.
    if (!v->MarkRules().empty()) {
        lines.LineColours = [window](qint64 line, qint64 from, qint64 to, const QString& text) {
            std::vector<TPrintColour> colours;
            if (!window)
                return colours;
            viewer::THvFileViewer* viewer = window->FileViewer();
            // Only the bytes the printed piece can hold matter (a character takes at most four bytes).
            const qint64 reach = to >= 0 ? to : from + 4 * qint64(kPrintLineLimit);
            const std::vector<viewer::THvMark> marks = viewer->RuleMarksOf(line);
            std::vector<qint64> bounds;
            for (const viewer::THvMark& mark : marks) {
                if (mark.From < reach && mark.To > from) {
                    bounds.push_back(std::max(mark.From, from));
                    bounds.push_back(std::min(mark.To, reach));
                }
            }
            std::sort(bounds.begin(), bounds.end());
            bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
            // The characters before each bound, each stretch of bytes decoded once.
            std::vector<qsizetype> chars(bounds.size());
            qint64 at = from;
            qsizetype count = 0;
            for (size_t k = 0; k < bounds.size(); ++k) {
                count += viewer->TextOfRange(line, at, bounds[k]).size();
                at = bounds[k];
                chars[k] = std::min(count, text.size());
            }
            const auto charsTo = [&](qint64 byte) {
                return chars[size_t(std::lower_bound(bounds.begin(), bounds.end(), byte) - bounds.begin())];
            };
            for (const viewer::THvMark& mark : marks) {
                if (mark.From >= reach || mark.To <= from)
                    continue;
                const qsizetype first = charsTo(std::max(mark.From, from));
                const qsizetype last = mark.WholeLine ? text.size() : charsTo(std::min(mark.To, reach));
                if (last > first)
                    colours.push_back({ first, last, mark.Text, mark.Back });
            }
            return colours;
        };
    }

    TProgressReport* progress = TProgressReport::Of(&form);
    const auto finish = qScopeGuard([progress]() { progress->Finish(); });
    const QString name = NameOf(platform::DisplayFileName(child.FileName()));
    progress->Start((lines.LastLine - lines.FirstLine) * std::clamp<int>(settings.Copies, 1, 999));
    lines.Progress = [&](int page) {
        progress->Update(TMainForm::ProgramTitle(), PrintingText(name, page, output), 1);
        QCoreApplication::processEvents();
        // A window closed meanwhile has nothing more to print.
        return !progress->Cancelled() && window;
    };
    RunJobs(
        printer, output, [&](TPainterCanvas& canvas) { PrintTextCopies(canvas, job, v->FixedFont()->Font(), lines); });
}

void PrintImage(TChildForm& child, const TPrintSettings& settings, QPrinter& printer, TPrintOutputFiles* output)
{
    if (!child.ImageViewer())
        return;
    TCursorScope wait;
    RunJobs(printer, output, [&](TPainterCanvas& canvas) {
        PrintImageCopies(canvas, settings, child.FileViewer()->FixedFont()->Font(), child.ImageViewer()->Picture());
    });
}

void PrintPdf(
    TMainForm& form, TChildForm& child, const TPrintSettings& settings, QPrinter& printer, TPrintOutputFiles* output)
{
    QPointer<TChildForm> window(&child);
    document::TPdfPage* pdf = child.PdfPage();
    if (!pdf || !pdf->IsOpen())
        return;
    TPrintPagesJob job;
    job.LastPage = pdf->PageCount() - 1;
    // Each page is drawn at the printer's resolution, as large as the printable area allows.
    job.RenderPage = [window](int page, const QSize& largest) {
        return window && window->PdfPage() ? window->PdfPage()->RenderPage(page, largest) : QImage();
    };
    TProgressReport* progress = TProgressReport::Of(&form);
    const auto finish = qScopeGuard([progress]() { progress->Finish(); });
    const QString name = NameOf(platform::DisplayFileName(child.FileName()));
    progress->Start(qint64(job.LastPage + 1) * std::clamp<int>(settings.Copies, 1, 999));
    job.Progress = [&](int page) {
        progress->Update(TMainForm::ProgramTitle(), PrintingText(name, page, output), 1);
        QCoreApplication::processEvents();
        return !progress->Cancelled() && window;
    };
    RunJobs(printer, output, [&](TPainterCanvas& canvas) {
        PrintPageCopies(canvas, settings, child.FileViewer()->FixedFont()->Font(), job);
    });
}

void PrintClick(TMainForm& form)
{
    // Printing lets events through; a second Print meanwhile would start a job inside the first.
    static bool printing = false;
    TChildForm* child = form.ActiveChild();
    if (!child || printing)
        return;
    printing = true;
    const auto done = qScopeGuard([]() { printing = false; });
    const PageKind page = child->ActivePage();
    const bool image = page == PageKind::Image;
    const bool pdf = page == PageKind::Pdf;
    if (!image && !pdf && page != PageKind::Text)
        return;
    viewer::THvFileViewer* v = child->FileViewer();
    TPrintSettings& settings = form.Settings().Print;
    settings.PrintSelectedText = !image && !pdf && v->HasSelection() ? 1 : 0;
    settings.TabSize = v->ExpandTabs() ? form.Settings().TabSize : 0;
    // The name as it is on disk; the job's title is its upper case.
    settings.FileName = NameOf(v->FileName());
    TPrinterHolder& holder = Holder(form);
    QPrinter& printer = holder.Printer;
    // Without a printer the printout goes into a file named after the file printed, the first such name that
    // names nothing yet.
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName() == holder.DefaultOutput) {
        holder.DefaultSeries = QDir::home().filePath(QFileInfo(settings.FileName).completeBaseName() + ".pdf");
        holder.DefaultOutput = FirstFreeFileName(holder.DefaultSeries);
        printer.setOutputFileName(holder.DefaultOutput);
    }

    TPrintDialog dialog(settings, printer, image || pdf, &form);
    if (dialog.ShowModal() != QDialog::Accepted)
        return;
    // A name the program made up goes on in its own series when it is taken meanwhile.
    const QString file = printer.outputFileName();
    const bool agreed = !dialog.ReplaceAgreed().isEmpty() && dialog.ReplaceAgreed() == file;
    std::optional<TPrintOutputFiles> output;
    if (!file.isEmpty())
        output.emplace(file == holder.DefaultOutput && !agreed ? holder.DefaultSeries : file, agreed);
    TPrintOutputFiles* files = output ? &*output : nullptr;
    try {
        if (image)
            PrintImage(*child, settings, printer, files);
        else if (pdf)
            PrintPdf(form, *child, settings, printer, files);
        else
            PrintText(form, *child, settings, printer, files);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    if (files && !files->Files().isEmpty())
        ShowAlert(QStringLiteral("Print"), WrittenText(settings.FileName, files->Files()));
}

} // namespace hy::app
