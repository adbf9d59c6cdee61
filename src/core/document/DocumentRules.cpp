// Resource and link rules of the rendered documents.
#include "core/document/DocumentRules.h"

#include "platform/PlatformFiles.h"

#include <QDir>
#include <QFileInfo>

namespace hy::document {

TDocumentFormat DocumentFormatOf(const QString& fileName)
{
    const QString lower = fileName.toLower();
    return lower.endsWith(QLatin1String(".md")) || lower.endsWith(QLatin1String(".markdown"))
        ? TDocumentFormat::Markdown
        : TDocumentFormat::Html;
}

QString LocalResourcePath(const QUrl& address, const QString& documentFile)
{
    if (!address.isValid() || !address.host().isEmpty())
        return {};
    const QString scheme = address.scheme().toLower();
    QString path;
    if (scheme.isEmpty())
        path = address.path();
    else if (scheme == QLatin1String("file"))
        path = address.toLocalFile();
    else
        return {};
    if (path.isEmpty())
        return {};
    const QString folder = QFileInfo(documentFile).absoluteDir().canonicalPath();
    if (folder.isEmpty())
        return {};
    const QFileInfo target(QDir::isAbsolutePath(path) ? path : folder + QLatin1Char('/') + path);
    const QString canonical = target.canonicalFilePath();
    if (canonical.isEmpty())
        return {};
    const QString inside = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (!canonical.startsWith(inside))
        return {};
    // A pipe or a device would keep the reader waiting; a folder is no picture.
    if (platform::KindOf(canonical) != platform::EntryKind::RegularFile)
        return {};
    return canonical;
}

TLinkAction LinkActionFor(const QUrl& address)
{
    const QString scheme = address.scheme().toLower();
    if (scheme.isEmpty() && address.path().isEmpty() && address.hasFragment())
        return TLinkAction::Anchor;
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !address.host().isEmpty())
        return TLinkAction::AskToOpen;
    if (scheme == QLatin1String("mailto") && !address.path().isEmpty())
        return TLinkAction::AskToOpen;
    return TLinkAction::Refuse;
}

} // namespace hy::document
