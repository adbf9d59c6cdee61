// PDF, Markdown and HTML in the program as a user meets them: a text the program printed to a PDF opens on the
// PDF page with its pages in the status bar, F4 goes to a page, Print prints the pages again; a damaged PDF
// says why and shows Standard; Markdown opens laid out with its source a tab away; the previews of the search
// and the file selector show the same pages.
#include "PrintAnswers.h"
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/PrintDlg.h"
#include "support/MainFormTest.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/common/Ask.h"
#include "ui/document/DocumentPage.h"
#include "ui/document/PdfPage.h"
#include "ui/search/PreviewBook.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::settings;
using hy::test::ModalWatcher;

namespace {

int PageCountOf(const QString& pdf)
{
    QPdfDocument document;
    return document.load(pdf) == QPdfDocument::Error::None ? document.pageCount() : -1;
}

class DocumentPages : public hy::test::MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        m_form->SetCurrentTextModeHex(false);
        QPrinter& printer = ProgramPrinter(*m_form);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.PathOf("out.pdf"));
        m_form->Settings().Print.Copies = 1;
    }
    // Prints the active window into a PDF file; the file written.
    QString PrintActive()
    {
        ModalWatcher watcher(hy::test::PressPrint);
        m_form->Action(TCommand::Print)->trigger();
        for (const QString& seen : watcher.Seen) {
            if (seen.startsWith("Print|") && seen.contains("was printed to the file"))
                return QString(seen).remove(QChar(0x200B)).split(QRegularExpression("[\r\n]+")).value(1);
        }
        return {};
    }
    // A text of several pages printed by the program.
    QString PrintedText()
    {
        QByteArray text;
        for (int page = 1; page <= 3; ++page)
            text += "page " + QByteArray::number(page) + (page == 2 ? " holds the needle" : "") + "\n\f";
        const QString source = Make("story.txt", text);
        m_form->Settings().Print.HonourFormFeeds = 1;
        EXPECT_TRUE(m_form->OpenFileInViewer(source, ViewMode::Standard, false));
        const QString pdf = PrintActive();
        m_form->ActiveChild()->close();
        return pdf;
    }
};

TEST_F(DocumentPages, APrintedTextOpensOnThePdfPageAndPrintsAgain)
{
    const QString pdf = PrintedText();
    ASSERT_FALSE(pdf.isEmpty());
    const int pages = PageCountOf(pdf);
    ASSERT_GE(pages, 3);
    ASSERT_TRUE(m_form->OpenFileInViewer(pdf, ViewMode::BySettings, false));
    TChildForm* child = m_form->ActiveChild();
    ASSERT_EQ(child->ActivePage(), PageKind::Pdf);
    EXPECT_EQ(child->TabSet()->tabText(2), "PDF");
    EXPECT_EQ(child->PdfPage()->PageCount(), pages);
    m_form->UpdateStatus();
    EXPECT_TRUE(m_form->InfoPanel()->text().contains(QStringLiteral("%1 pages").arg(pages)))
        << m_form->InfoPanel()->text().toStdString();

    // Find goes to the page of the text; F4 asks for a page and goes there.
    EXPECT_TRUE(child->FindInPdf("needle", false, true));
    EXPECT_EQ(child->PdfPage()->CurrentPage(), 1);
    m_form->UpdateCommands(true);
    EXPECT_EQ(m_form->Action(TCommand::GotoLine)->text(), "&Go to Page...");
    {
        ModalWatcher watcher([](QDialog* d) {
            if (auto* edit = d->findChild<QLineEdit*>())
                edit->setText("3");
            d->accept();
        });
        m_form->Action(TCommand::GotoLine)->trigger();
        ASSERT_EQ(watcher.Seen.size(), 1);
        EXPECT_TRUE(watcher.Seen.first().startsWith("Go to Page|")) << watcher.Seen.first().toStdString();
    }
    EXPECT_EQ(child->PdfPage()->CurrentPage(), 2);

    // Print prints every page of the document, each on a page of its own.
    ASSERT_TRUE(m_form->Action(TCommand::Print)->isEnabled());
    ProgramPrinter(*m_form).setOutputFileName(m_dir.PathOf("again.pdf"));
    const QString again = PrintActive();
    ASSERT_FALSE(again.isEmpty());
    EXPECT_EQ(PageCountOf(again), pages);

    // Standard and Hex still show the file's bytes.
    child->TabSet()->setCurrentIndex(1);
    EXPECT_EQ(child->ActivePage(), PageKind::Text);
    EXPECT_TRUE(child->FileViewer()->InHexMode());
}

TEST_F(DocumentPages, ADamagedPdfSaysWhyAndShowsStandard)
{
    const QString broken = Make("broken.pdf", "%PDF-1.4\n1 0 obj\n<< /Type /Catalog");
    ModalWatcher watcher(hy::test::PressPrint);
    ASSERT_TRUE(m_form->OpenFileInViewer(broken, ViewMode::BySettings, false));
    TChildForm* child = m_form->ActiveChild();
    EXPECT_EQ(child->ActivePage(), PageKind::Text);
    EXPECT_EQ(child->TabSet()->currentIndex(), 0);
    EXPECT_EQ(child->TabSet()->count(), 2) << "no PDF tab for a file that shows none";
    ASSERT_EQ(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.first().contains("damaged")) << watcher.Seen.first().toStdString();
    EXPECT_TRUE(child->FileViewer()->IsOpen());
}

TEST_F(DocumentPages, MarkdownOpensLaidOutWithItsSourceATabAway)
{
    const QString md = Make("README.md", "# Heading\n\nA *word*.\n");
    ASSERT_TRUE(m_form->OpenFileInViewer(md, ViewMode::BySettings, false));
    TChildForm* child = m_form->ActiveChild();
    ASSERT_EQ(child->ActivePage(), PageKind::Document);
    EXPECT_EQ(child->TabSet()->tabText(2), "Document");
    EXPECT_TRUE(child->DocumentPage()->toPlainText().startsWith("Heading"));
    child->SelectAll();
    m_form->UpdateCommands(true);
    EXPECT_TRUE(child->CanCopyToClipboard());
    child->TabSet()->setCurrentIndex(0);
    EXPECT_EQ(child->ActivePage(), PageKind::Text);
    EXPECT_TRUE(child->FileViewer()->IsOpen());
    EXPECT_EQ(child->FileViewer()->FileSize(), 21);
}

TEST_F(DocumentPages, ThePreviewsShowTheSamePages)
{
    const QString pdf = PrintedText();
    ASSERT_FALSE(pdf.isEmpty());
    const QString md = Make("notes.markdown", "# Notes\n");
    const QString svg = Make("box.svg",
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" height=\"20\">"
        "<rect width=\"30\" height=\"20\" fill=\"red\"/></svg>");
    hy::search::TPreviewBook book;
    book.resize(500, 400);
    book.show();
    book.Preview(pdf);
    EXPECT_EQ(book.Kind(), hy::search::TPreviewKind::Pdf);
    EXPECT_EQ(book.ActivePageName(), "PDF");
    EXPECT_EQ(book.PdfPage->PageCount(), PageCountOf(pdf));
    book.Preview(md);
    EXPECT_EQ(book.Kind(), hy::search::TPreviewKind::Document);
    EXPECT_EQ(book.ActivePageName(), "Document");
    EXPECT_FALSE(book.PdfPage->IsOpen()) << "the previous preview is closed";
    book.Preview(svg);
    EXPECT_EQ(book.Kind(), hy::search::TPreviewKind::Image);
    EXPECT_TRUE(book.DocumentPage->toPlainText().isEmpty());
    book.SelectTab(0);
    EXPECT_EQ(book.ActivePageName(), "Text");
}

} // namespace

// Colour rules print in their colours: a line a rule colours whole prints on the rule's background, and a file
// with no rule prints none of it.
TEST_F(DocumentPages, ColourRulesPrintInTheirColours)
{
    const auto greenPixels = [](const QString& pdf) {
        QPdfDocument document;
        if (document.load(pdf) != QPdfDocument::Error::None || document.pageCount() < 1)
            return -1;
        const QImage page = document.render(0, QSize(850, 1100)).convertToFormat(QImage::Format_RGB32);
        int green = 0;
        for (int y = 0; y < page.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(page.constScanLine(y));
            for (int x = 0; x < page.width(); ++x)
                green += qRed(row[x]) < 40 && qGreen(row[x]) > 215 && qBlue(row[x]) < 40 ? 1 : 0;
        }
        return green;
    };
    m_form->HighlightRules().BuiltIn = false;
    m_form->HighlightRules().Rules = { { QStringLiteral("ALERT"), false, true, 0x0000FF, 0x00FF00, true } };
    ASSERT_TRUE(m_form->OpenFileInViewer(
        Make("alerts.log", "plain one\nALERT the disk is full\nplain three\n"), ViewMode::Standard, false));
    m_form->ApplyHighlightRules(m_form->ActiveChild());
    const QString coloured = PrintActive();
    ASSERT_FALSE(coloured.isEmpty());
    EXPECT_GT(greenPixels(coloured), 100);

    m_form->HighlightRules().Rules.clear();
    m_form->ApplyHighlightRules(m_form->ActiveChild());
    ProgramPrinter(*m_form).setOutputFileName(m_dir.PathOf("plain.pdf"));
    const QString plain = PrintActive();
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_EQ(greenPixels(plain), 0);
}
