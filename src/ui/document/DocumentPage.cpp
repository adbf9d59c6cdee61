// The Document page: Markdown and HTML laid out by Qt's text document, with its resources and links held in.
#include "ui/document/DocumentPage.h"

#include "base/ErrorCodes.h"
#include "common/ErrorText.h"
#include "core/document/DocumentRules.h"
#include "platform/PlatformFiles.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"
#include "ui/common/CursorScope.h"

#include <QDesktopServices>
#include <QStringDecoder>
#include <QTextDocument>

namespace hy::document {

using namespace hy::base;
using namespace hy::common;

namespace {

    TDocumentPage::TAddressOpener& AddressOpener()
    {
        static TDocumentPage::TAddressOpener opener;
        return opener;
    }

    // A picture or style sheet larger than this is not loaded.
    constexpr qint64 kLargestResource = 64 * 1024 * 1024;

} // namespace

void TDocumentPage::SetAddressOpener(TAddressOpener opener) { AddressOpener() = std::move(opener); }

TDocumentPage::TDocumentPage(QWidget* parent)
    : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("Document"));
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QTextBrowser::anchorClicked, this, &TDocumentPage::FollowLink);
}

QString TDocumentPage::Open(const QString& fileName)
{
    Close();
    QByteArray bytes;
    const int code = platform::ReadSmallFile(fileName, kLargestRenderedDocument, bytes);
    if (code == kErrorFileTooLarge)
        return QStringLiteral("The document is too large to be shown laid out.");
    if (code != 0)
        return QStringLiteral("The document could not be read: ") + ErrorText(code);
    m_fileName = fileName;
    TCursorScope wait;
    if (DocumentFormatOf(fileName) == TDocumentFormat::Markdown) {
        setMarkdown(QString::fromUtf8(bytes));
    } else {
        // The page's own declaration of its characters, else UTF-8.
        QStringDecoder decoder(QStringConverter::encodingForHtml(bytes).value_or(QStringConverter::Utf8));
        setHtml(decoder.decode(bytes));
    }
    return {};
}

void TDocumentPage::Close()
{
    m_fileName.clear();
    m_refused.clear();
    clear();
}

QVariant TDocumentPage::loadResource(int type, const QUrl& name)
{
    if (type == QTextDocument::ImageResource || type == QTextDocument::StyleSheetResource) {
        const QString path = LocalResourcePath(name, m_fileName);
        QByteArray bytes;
        if (!path.isEmpty() && platform::ReadSmallFile(path, kLargestResource, bytes) == 0) {
            if (type == QTextDocument::StyleSheetResource)
                return QString::fromUtf8(bytes);
            return bytes;
        }
    }
    m_refused.append(name.toString());
    return {};
}

void TDocumentPage::FollowLink(const QUrl& address)
{
    switch (LinkActionFor(address)) {
    case TLinkAction::Anchor:
        scrollToAnchor(address.fragment());
        return;
    case TLinkAction::AskToOpen:
        if (AskYesNo(QStringLiteral("Open Link"),
                QStringLiteral("Open this address in your web browser?\r") + address.toDisplayString())) {
            if (const TAddressOpener& opener = AddressOpener())
                opener(address);
            else
                QDesktopServices::openUrl(address);
        }
        return;
    case TLinkAction::Refuse:
        break;
    }
    m_refused.append(address.toString());
    ShowAlert(QStringLiteral("Open Link"),
        QStringLiteral("This link is not followed from a document:\r") + address.toDisplayString());
}

} // namespace hy::document
