// File > Print end to end: the print dialog, and what lands in the PDF the printer writes, read back with
// pdftotext (and a picture with pdftoppm): headers and footers, page breaks, wrapping, tabs, selections,
// copies, Stop, and a picture on its page. Also when Print is offered.
#include "PrintAnswers.h"
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/PrintDlg.h"
#include "app/Progress.h"
#include "support/ModalWatcher.h"
#include "support/TempFiles.h"
#include "support/TestWait.h"
#include "ui/common/Ask.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::print;
using namespace hy::settings;
using namespace hy::search;
using hy::test::ModalWatcher;
using hy::test::PressPrint;

namespace {

QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    EXPECT_TRUE(p.waitForFinished(20000)) << program.toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

class Print : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        ASSERT_TRUE(m_dir.isValid());
        m_form = std::make_unique<TMainForm>();
        m_form->resize(900, 700);
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        // Whatever view an earlier test left behind in the settings, text opens in Standard view.
        m_form->Action(hy::app::TCommand::Hex)->setChecked(false);
        m_form->Action(hy::app::TCommand::Standard)->setChecked(true);
        m_form->SetCurrentTextModeHex(false);
        QPrinter& printer = ProgramPrinter(*m_form);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Pdf());
        TPrintSettings& s = m_form->Settings().Print;
        s.Header = "&f &d &t";
        s.Footer = "Page &p";
        s.Copies = 1;
    }
    void TearDown() override
    {
        if (m_form)
            m_form->close();
        m_form.reset();
    }

    QString Pdf(int copy = 1) const { return NumberedFileName(m_dir.filePath("out.pdf"), copy); }

    TChildForm* Open(const QString& name, const QByteArray& content, ViewMode mode = ViewMode::BySettings)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        EXPECT_TRUE(m_form->OpenFileInViewer(path, mode, false));
        return m_form->ActiveChild();
    }

    // Prints the active window through the dialog; returns the pages of the first PDF written as text.
    QStringList PrintPages()
    {
        ModalWatcher watcher(PressPrint);
        m_form->Action(hy::app::TCommand::Print)->trigger();
        Seen = watcher.Seen;
        Written = WrittenFiles(Seen);
        return Written.isEmpty() ? QStringList() : Pages(Written.first());
    }
    // The files the closing message of a print names, one a line after its first line (without the marks
    // where the message may break a long name).
    static QStringList WrittenFiles(const QStringList& seen)
    {
        for (QString s : seen) {
            if (s.startsWith("Print|") && s.contains("\" was printed to the file"))
                return s.remove(QChar(0x200B)).split(QRegularExpression("[\r\n]+")).mid(1);
        }
        return {};
    }
    QStringList Pages(const QString& pdf) const
    {
        QString text = RunTool("pdftotext", { "-layout", pdf, "-" });
        if (text.endsWith('\f'))
            text.chop(1);
        return text.split('\f');
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;
    QStringList Seen;
    QStringList Written;
};

QByteArray NumberedLines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "Line " + QByteArray::number(i).rightJustified(3, '0') + "\n";
    return text;
}

// The numbered lines each page holds, in order.
QList<QStringList> NumberedLinesByPage(const QStringList& pages)
{
    QList<QStringList> out;
    for (const QString& page : pages) {
        QStringList found;
        for (const QString& line : page.split('\n')) {
            if (line.trimmed().startsWith("Line "))
                found << line.trimmed();
        }
        out << found;
    }
    return out;
}

} // namespace

TEST_F(Print, HeadersFootersAndPageBreaksFollowTheMargins)
{
    Open("Report Notes.txt", NumberedLines(150));
    const QStringList pages = PrintPages();
    EXPECT_EQ(Seen.size(), 2) << "the print dialog and where the printout went";
    EXPECT_EQ(Written, QStringList { Pdf() });
    ASSERT_GE(pages.size(), 2);
    const QString today = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    for (int i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        const QStringList rows = pages.at(i).split('\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_TRUE(rows.first().trimmed().startsWith("Report Notes.txt ")) << "the name as it is on disk, first";
        EXPECT_TRUE(rows.first().contains(today)
            || rows.first().contains(QLocale().toString(QDate::currentDate().addDays(-1), QLocale::ShortFormat)));
        EXPECT_EQ(rows.last().trimmed(), "Page " + QString::number(i + 1));
    }
    const QList<QStringList> byPage = NumberedLinesByPage(pages);
    QStringList all;
    for (const QStringList& page : byPage)
        all << page;
    QStringList expected;
    for (int i = 1; i <= 150; ++i)
        expected << "Line " + QString::number(i).rightJustified(3, '0');
    EXPECT_EQ(all, expected) << "every line once, in order";

    // A deeper bottom margin moves the breaks up: fewer lines on each full page.
    m_form->Settings().Print.BottomMargin = 3.0;
    const QList<QStringList> deeper = NumberedLinesByPage(PrintPages());
    EXPECT_EQ(Written, QStringList { Pdf(2) }) << "the first printout is kept";
    EXPECT_LT(deeper.first().size(), byPage.first().size());
    EXPECT_GT(deeper.size(), byPage.size());
}

TEST_F(Print, LongLinesWrapTabsExpandAndFormFeedsBreakPages)
{
    QByteArray words;
    while (words.size() < 400)
        words += "alpha beta gamma delta ";
    words.truncate(400);
    const QByteArray word(300, 'w');
    Open("wrap.txt", words + "\n" + word + "\nx\ty\n\fAfter the feed\n");
    const QStringList pages = PrintPages();
    ASSERT_EQ(pages.size(), 2) << "the form feed starts a page";
    EXPECT_TRUE(pages.at(1).contains("After the feed"));

    QStringList rows;
    for (const QString& row : pages.at(0).split('\n', Qt::SkipEmptyParts))
        rows << row.trimmed();
    rows.removeFirst(); // the header
    rows.removeLast(); // the footer
    // Words are never cut: every row holds whole words, and the rows join up to the line again.
    const QStringList wordsKnown { "alpha", "beta", "gamma", "delta" };
    int r = 0;
    QStringList wrapped;
    while (r < rows.size() && !rows.at(r).startsWith("www"))
        wrapped << rows.at(r++);
    EXPECT_GE(wrapped.size(), 4) << "400 characters wrapped into several rows";
    const QStringList tokens = wrapped.join(' ').split(' ', Qt::SkipEmptyParts);
    for (int t = 0; t + 1 < tokens.size(); ++t)
        EXPECT_TRUE(wordsKnown.contains(tokens.at(t))) << tokens.at(t).toStdString();
    EXPECT_EQ(wrapped.join(' ').simplified(), QString::fromLatin1(words).simplified());
    QString longWord;
    while (r < rows.size() && rows.at(r).startsWith("w"))
        longWord += rows.at(r++);
    EXPECT_EQ(longWord, QString(word));
    ASSERT_LT(r, rows.size());
    EXPECT_TRUE(rows.at(r).startsWith("x ") && rows.at(r).endsWith(" y") && rows.at(r).size() >= 4)
        << "the tab is a gap: " << rows.at(r).toStdString();
}

TEST_F(Print, HexRowsPrintAsTheyStandWhateverBytesTheyShow)
{
    Open("bytes.bin", QByteArray("A\nB\fC\r\nD\x01") + QByteArray(20, 'z'), ViewMode::Hex);
    const QStringList pages = PrintPages();
    ASSERT_EQ(pages.size(), 1) << "a form feed byte in a hex row breaks no page";
    QStringList rows;
    for (const QString& row : pages.first().split('\n')) {
        if (row.trimmed().startsWith("0000"))
            rows << row.simplified();
    }
    ASSERT_EQ(rows.size(), 2) << pages.first().toStdString();
    EXPECT_TRUE(rows.at(0).startsWith("00000000 41 0A 42 0C 43 0D 0A 44 01 7A")) << rows.at(0).toStdString();
    EXPECT_TRUE(rows.at(0).contains("A") && rows.at(0).endsWith("zzzzzzz")) << "the character column stays on the row";
    EXPECT_TRUE(rows.at(1).startsWith("00000010 7A"));
}

TEST_F(Print, TextIsPrintedInTheWindowsEncoding)
{
    Open("utf8.txt",
        "Gr\xC3\xBC\xC3\x9F"
        "e aus K\xC3\xB6ln, caf\xC3\xA9\n");
    const QString page = PrintPages().join("");
    EXPECT_TRUE(page.contains(QString::fromUtf8("Grüße aus Köln, café"))) << page.toStdString();
}

TEST_F(Print, OnlyTheSelectionIsPrintedWhenAsked)
{
    TChildForm* child = Open("sel.txt", "first line here\nsecond line here\nthird line here\nfourth\n");
    child->FileViewer()->SelectRange(1, 7, true, 10, 2);
    const QString page = PrintPages().join("");
    EXPECT_FALSE(page.contains("first")) << page.toStdString();
    EXPECT_FALSE(page.contains("second"));
    EXPECT_TRUE(page.contains("line here"));
    EXPECT_TRUE(page.contains("third line"));
    EXPECT_FALSE(page.contains("third line here"));
    EXPECT_FALSE(page.contains("fourth"));
}

TEST_F(Print, EachCopyIsAJobOfItsOwn)
{
    Open("copies.txt", "copied text\n");
    m_form->Settings().Print.Copies = 3;
    PrintPages();
    EXPECT_EQ(Written, QStringList({ Pdf(1), Pdf(2), Pdf(3) }));
    for (int copy = 1; copy <= 3; ++copy) {
        SCOPED_TRACE(copy);
        EXPECT_TRUE(Pages(Pdf(copy)).join("").contains("copied text"));
    }
    EXPECT_FALSE(QFile::exists(Pdf(4)));
    EXPECT_EQ(ProgramPrinter(*m_form).outputFileName(), Pdf()) << "the printer's own file stays as chosen";
}

TEST_F(Print, StopInTheProgressWindowEndsPrinting)
{
    Open("long.txt", NumberedLines(999));
    m_form->Settings().Print.Copies = 2;
    TProgressReport* progress = TProgressReport::Of(m_form.get());
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&]() {
        if (progress->isVisible() && progress->Position() >= 10 && !progress->Cancelled())
            progress->StopButton->click();
    });
    stopper.start(0);
    const QList<QStringList> pages = NumberedLinesByPage(PrintPages());
    EXPECT_TRUE(Seen.contains("Abort|Do you want to cancel this function?"));
    int printed = 0;
    for (const QStringList& p : pages)
        printed += int(p.size());
    EXPECT_GE(printed, 10);
    EXPECT_LT(printed, 999);
    EXPECT_FALSE(QFile::exists(Pdf(2))) << "no further copy after Stop";
    EXPECT_FALSE(progress->isVisible());
}

TEST_F(Print, APictureIsCentredOnItsOnePage)
{
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString path = m_dir.filePath("red.png");
    ASSERT_TRUE(picture.save(path));
    ASSERT_TRUE(m_form->OpenFileInViewer(path, ViewMode::BySettings, false));
    ASSERT_EQ(m_form->ActiveChild()->ActivePage(), hy::settings::PageKind::Image);
    const QStringList pages = PrintPages();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages.first().contains("red.png"));
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "pdftoppm is not installed";
    RunTool("pdftoppm", { "-r", "48", "-png", "-singlefile", Pdf(), m_dir.filePath("page") });
    const QImage page(m_dir.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    const QColor centre = page.pixelColor(page.width() / 2, page.height() / 2);
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.green(), 60);
    EXPECT_EQ(page.pixelColor(page.width() / 2, page.height() / 2 - 40).rgb(), QColor(Qt::white).rgb())
        << "drawn at its own size, not stretched";
}

TEST(PrintDialog, ConvertsUnitsFiltersKeysAndReadsBackWhatItHolds)
{
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName("/tmp/x.pdf");
    TPrintSettings s;
    s.FileName = "a.txt";
    s.PrintSelectedText = 1;
    TPrintDialog dialog(s, printer, false, nullptr);
    EXPECT_EQ(dialog.Prompt->text(), "\"a.txt\" to PDF file /tmp/x.pdf");
    EXPECT_EQ(dialog.LMar->text(), "0.75");
    EXPECT_TRUE(dialog.PrintSelected->isChecked());
    EXPECT_TRUE(dialog.PrintSelected->isEnabled());
    dialog.show();

    dialog.LMar->setText("2");
    dialog.TMar->setText("x");
    dialog.Centimeters->click();
    EXPECT_EQ(dialog.LMar->text(), "5.08");
    EXPECT_EQ(dialog.TMar->text(), "0.00") << "a text that is no number counts as 0";
    EXPECT_EQ(dialog.BMar->text(), "1.27");
    dialog.Inches->click();
    EXPECT_EQ(dialog.LMar->text(), "2.00");

    dialog.BMar->clear();
    QTest::keyClicks(dialog.BMar, "1a,.5-9");
    EXPECT_EQ(dialog.BMar->text(), "1.59");
    QTest::keyClicks(dialog.BMar, "99");
    EXPECT_EQ(dialog.BMar->text(), "1.599") << "at most five characters";
    dialog.Copies->clear();
    QTest::keyClicks(dialog.Copies, "1.2x");
    EXPECT_EQ(dialog.Copies->text(), "12");
    QTest::keyClick(dialog.Copies, Qt::Key_Backspace);
    EXPECT_EQ(dialog.Copies->text(), "1");

    dialog.Centimeters->click();
    dialog.Head->setText("&&P");
    dialog.Copies->setText("0");
    dialog.WrapLines->setChecked(false);
    dialog.PrintSelected->setChecked(false);
    dialog.PrintButton->click();
    EXPECT_EQ(s.UnitOfMeasure, 1);
    EXPECT_DOUBLE_EQ(s.LeftMargin, 5.08);
    EXPECT_DOUBLE_EQ(s.BottomMargin, 4.06);
    EXPECT_EQ(s.Header, "&&P");
    EXPECT_EQ(s.Copies, 1) << "copies are 1 to 999";
    EXPECT_EQ(s.WrapLines, 0);
    EXPECT_EQ(s.PrintSelectedText, 0);
}

TEST(PrintDialog, ImageModeOffersNoMarginsAndSetupRenamesThePrinter)
{
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName("/tmp/x.pdf");
    TPrintSettings s;
    s.FileName = "p.png";
    s.LeftMargin = 1.25;
    s.WrapLines = 1;
    TPrintDialog dialog(s, printer, true, nullptr);
    for (QWidget* w : std::initializer_list<QWidget*> {
             dialog.LMar, dialog.TMar, dialog.RMar, dialog.BMar, dialog.Inches, dialog.Centimeters, dialog.WrapLines })
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(dialog.PrintSelected->isEnabled());
    dialog.LMar->setText("9");
    TPrintDialog::SetSetupRunner([](QPrinter& p, QWidget*) {
        p.setOutputFileName("/tmp/y.pdf");
        return true;
    });
    dialog.SetupButton->click();
    TPrintDialog::SetSetupRunner({});
    EXPECT_EQ(dialog.Prompt->text(), "p.png to PDF file /tmp/y.pdf");
    dialog.PrintButton->click();
    EXPECT_DOUBLE_EQ(s.LeftMargin, 1.25) << "margins stay as they were";
}

TEST_F(Print, IsOfferedWhileAViewerWindowShowsText)
{
    EXPECT_FALSE(m_form->Action(hy::app::TCommand::Print)->isEnabled());
    EXPECT_FALSE(m_form->findChild<QAction*>("PrintBtnL")->isEnabled());
    TChildForm* child = Open("full.txt", "x\n");
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::Print)->isEnabled());
    EXPECT_TRUE(m_form->findChild<QAction*>("PrintBtnL")->isEnabled());
    m_form->Action(hy::app::TCommand::Hex)->trigger();
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::Print)->isEnabled());
    m_form->FrameOf(child)->close();
    HY_EXPECT_SOON(!m_form->Action(hy::app::TCommand::Print)->isEnabled());
}

// Without a printer the printout goes into a PDF file in the home folder named after the file printed: the
// first such name that names nothing, made for the job alone, so that a user's file of that name is never
// replaced; the dialog, the progress window and a closing message name the file written.
TEST_F(Print, IntoAFileBesideAUsersFileTakesTheNextFreeName)
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    const auto restore = qScopeGuard([&oldHome]() { qputenv("HOME", oldHome); });
    const QByteArray users = "%PDF-1.4\n% the user's own document\n";
    const QString userPdf = QDir(home.path()).filePath("a.pdf");
    {
        QFile f(userPdf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(users);
    }
    // The printer as it comes when no printer is installed: a PDF file the program names.
    QPrinter& printer = ProgramPrinter(*m_form);
    printer.setOutputFileName(QString());
    printer.setOutputFormat(QPrinter::PdfFormat);
    ASSERT_TRUE(printer.outputFileName().isEmpty());
    Open("a.txt", NumberedLines(3));

    TProgressReport* progress = TProgressReport::Of(m_form.get());
    QStringList prompts;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&]() {
        if (progress->isVisible())
            prompts << progress->Prompt->text();
    });
    watch.start(0);
    const QString second = QDir(home.path()).filePath("a-2.pdf");
    QStringList pages = PrintPages();
    EXPECT_EQ(Written, QStringList { second });
    ASSERT_EQ(Seen.size(), 2);
    EXPECT_EQ(Seen.at(0), "Print|\"a.txt\" to PDF file " + second) << "the dialog names the file it will write";
    EXPECT_TRUE(Seen.at(1).startsWith("Print|\"a.txt\" was printed to the file")) << Seen.at(1).toStdString();
    EXPECT_TRUE(pages.join("").contains("Line 002"));
    EXPECT_EQ(hy::test::ReadAll(userPdf), users) << "the user's file is as it was";
    EXPECT_TRUE(std::any_of(prompts.cbegin(), prompts.cend(), [](const QString& p) {
        return p.contains("Printing: a.txt, Page: 1") && p.contains("a-2.pdf");
    })) << prompts.join(" / ").toStdString();

    // A name that is taken while the dialog is open is passed by as well.
    const QString third = QDir(home.path()).filePath("a-3.pdf");
    {
        ModalWatcher watcher([&](QDialog* d) {
            if (qobject_cast<TPrintDialog*>(d)) {
                QFile f(third);
                EXPECT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("made meanwhile");
            }
            PressPrint(d);
        });
        m_form->Action(hy::app::TCommand::Print)->trigger();
        Seen = watcher.Seen;
    }
    ASSERT_EQ(Seen.size(), 2);
    EXPECT_TRUE(Seen.at(0).endsWith(third)) << Seen.at(0).toStdString();
    EXPECT_EQ(WrittenFiles(Seen), QStringList { QDir(home.path()).filePath("a-4.pdf") });
    EXPECT_EQ(hy::test::ReadAll(third), "made meanwhile");

    // Copies go into files of their own, beside the others.
    m_form->Settings().Print.Copies = 2;
    PrintPages();
    EXPECT_EQ(Written, QStringList({ QDir(home.path()).filePath("a-5.pdf"), QDir(home.path()).filePath("a-6.pdf") }));
    EXPECT_TRUE(Seen.last().startsWith("Print|\"a.txt\" was printed to the files")) << Seen.last().toStdString();
    EXPECT_EQ(hy::test::ReadAll(userPdf), users);
    EXPECT_EQ(hy::test::ReadAll(second).left(5), "%PDF-");
}

// A file chosen in the printer's set-up, where the user agreed to replace it, is written as chosen, once; the
// next print goes beside it rather than over it unasked.
TEST_F(Print, AFileAgreedToInSetupIsReplacedOnce)
{
    const QString chosen = m_dir.filePath("chosen.pdf");
    {
        QFile f(chosen);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("an older printout");
    }
    Open("b.txt", "bravo\n");
    TPrintDialog::SetSetupRunner([&chosen](QPrinter& p, QWidget*) {
        p.setOutputFileName(chosen);
        return true;
    });
    const auto reset = qScopeGuard([]() { TPrintDialog::SetSetupRunner({}); });
    {
        ModalWatcher watcher([](QDialog* d) {
            if (auto* print = qobject_cast<TPrintDialog*>(d))
                print->SetupButton->click();
            PressPrint(d);
        });
        m_form->Action(hy::app::TCommand::Print)->trigger();
        Seen = watcher.Seen;
    }
    EXPECT_EQ(WrittenFiles(Seen), QStringList { chosen });
    EXPECT_TRUE(Pages(chosen).join("").contains("bravo"));

    const QStringList pages = PrintPages();
    EXPECT_EQ(Written, QStringList { m_dir.filePath("chosen-2.pdf") });
    EXPECT_TRUE(pages.join("").contains("bravo"));
    EXPECT_TRUE(Pages(chosen).join("").contains("bravo")) << "the first printout stays";
}
