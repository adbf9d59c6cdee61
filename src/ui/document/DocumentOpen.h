// Opening a file on the PDF page or the Document page, as the viewer windows and the previews do.
#pragma once

#include <QString>

namespace hy::document {

class TDocumentPage;
class TPdfPage;

struct TDocumentOpening {
    bool Shown = false;
    bool Cancelled = false; // the user gave no password: nothing more to say
    QString Error; // why the file could not be shown
};

// Opens the file on the page given (the other is null).
TDocumentOpening OpenDocumentFile(TPdfPage* pdf, TDocumentPage* document, const QString& fileName);

} // namespace hy::document
