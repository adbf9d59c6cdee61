// Opening a file on a document page.
#include "ui/document/DocumentOpen.h"

#include "ui/document/DocumentPage.h"
#include "ui/document/PdfPage.h"

namespace hy::document {

TDocumentOpening OpenDocumentFile(TPdfPage* pdf, TDocumentPage* document, const QString& fileName)
{
    TDocumentOpening opening;
    if (pdf) {
        const TPdfPage::TOpenResult result = pdf->Open(fileName);
        opening.Shown = result == TPdfPage::TOpenResult::Shown;
        opening.Cancelled = result == TPdfPage::TOpenResult::Cancelled;
        if (!opening.Shown)
            opening.Error = pdf->ErrorText();
    } else if (document) {
        opening.Error = document->Open(fileName);
        opening.Shown = opening.Error.isEmpty();
    }
    return opening;
}

} // namespace hy::document
