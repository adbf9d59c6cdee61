// The PDF and Document pages of a viewer window: opening a document on them, with Standard in their place when
// it cannot be shown, and Find on the PDF page.
#include "app/Brview2.h"

#include "platform/FileNames.h"
#include "ui/common/Alert.h"
#include "ui/document/DocumentOpen.h"
#include "ui/document/DocumentPage.h"
#include "ui/document/PdfPage.h"

#include <QStackedWidget>

namespace hy::app {

using namespace hy::common;
using namespace hy::settings;

void TChildForm::CreatePdfPage()
{
    if (m_pdfPage)
        return;
    m_pdfPage = new document::TPdfPage(m_noteBook);
    // View > Zoom In, Zoom Out and Actual Size carry the page's zoom keys.
    m_pdfPage->SetZoomKeys(false);
    connect(m_pdfPage, &document::TPdfPage::StatusChanged, this, &TChildForm::StatusChanged);
    connect(m_pdfPage, &document::TPdfPage::StatusChanged, this, &TChildForm::SelectionChanged);
    m_noteBook->addWidget(m_pdfPage);
}

void TChildForm::CreateDocumentPage()
{
    if (m_documentPage)
        return;
    m_documentPage = new document::TDocumentPage(m_noteBook);
    connect(m_documentPage, &QTextBrowser::copyAvailable, this, &TChildForm::SelectionChanged);
    m_noteBook->addWidget(m_documentPage);
}

TPageChoice TChildForm::OpenDocument(const TPageChoice& choice, const TOpenRequest& request)
{
    if (choice.Kind == PageKind::Pdf)
        CreatePdfPage();
    else
        CreateDocumentPage();
    const document::TDocumentOpening opening
        = document::OpenDocumentFile(choice.Kind == PageKind::Pdf ? m_pdfPage : nullptr,
            choice.Kind == PageKind::Pdf ? nullptr : m_documentPage, m_fileName);
    if (opening.Shown)
        return choice;
    // A document that cannot be shown is shown as its text; a password the user did not give needs no word.
    if (!opening.Cancelled)
        ShowAlert(PageName(choice.Kind), platform::DisplayFileName(m_fileName) + QLatin1Char('\r') + opening.Error);
    return { PageKind::Text, OpensInHex(request.Mode, request.Rules.TextHex) ? 1 : 0 };
}

bool TChildForm::FindInPdf(const QString& text, bool backward, bool fromStart)
{
    if (!m_pdfPage || !m_pdfPage->IsOpen())
        return false;
    if (m_pdfPage->Find(text, backward, fromStart))
        return true;
    ShowAlert(QStringLiteral("Search Results"), QStringLiteral("Cannot find \"%1\".").arg(text));
    return false;
}

} // namespace hy::app
