// What a rendered Markdown or HTML document may reach: the resources it loads and the links it follows.
#pragma once

#include <QString>
#include <QUrl>

namespace hy::document {

enum class TDocumentFormat { Markdown, Html };

// Markdown for ".md" and ".markdown", HTML for the rest (".html", ".htm").
TDocumentFormat DocumentFormatOf(const QString& fileName);

// Documents larger than this open on the Standard page: laying out a whole document takes time and memory in
// proportion to its size, on the window's thread.
inline constexpr qint64 kLargestRenderedDocument = 16 * 1024 * 1024;

// The file a resource address names when the document may load it: a relative address, or a file: address,
// that names a regular file inside the document's folder or below it once links are resolved. Anything else
// (another scheme, a host, a folder, a name that leads out, a file that is not there) gives an empty string,
// and nothing is read.
QString LocalResourcePath(const QUrl& address, const QString& documentFile);

enum class TLinkAction {
    Anchor, // a place in the document itself: scrolled to
    AskToOpen, // a web or mail address: opened by the desktop's browser once the user agrees
    Refuse, // anything else (files, scripts, data): never followed
};
TLinkAction LinkActionFor(const QUrl& address);

} // namespace hy::document
