// TDocumentPage: a Markdown or HTML file laid out as a document. Nothing reaches the network and nothing runs:
// the only resources loaded are pictures and style sheets in the document's own folder, and a link is followed
// only when clicked: a place in the document is scrolled to, a web or mail address opens in the desktop's
// browser once the user agrees, anything else is refused.
#pragma once

#include <QStringList>
#include <QTextBrowser>
#include <functional>

namespace hy::document {

class TDocumentPage : public QTextBrowser {
    Q_OBJECT
public:
    // Hands an address to the desktop's browser; tests put a recorder in its place (empty puts the desktop
    // back).
    using TAddressOpener = std::function<void(const QUrl& address)>;
    static void SetAddressOpener(TAddressOpener opener);

    explicit TDocumentPage(QWidget* parent = nullptr);

    // Reads and lays out a file; empty when shown, else why not (the page is left empty).
    QString Open(const QString& fileName);
    void Close();
    QString FileName() const { return m_fileName; }

    // What the document asked for and did not get, in order.
    QStringList RefusedAddresses() const { return m_refused; }
    // A link clicked: scrolled to, offered to the browser, or refused with a word to the user.
    void FollowLink(const QUrl& address);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QString m_fileName;
    QStringList m_refused;
};

} // namespace hy::document
