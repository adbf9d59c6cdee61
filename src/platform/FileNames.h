// File names as this platform has them: a name is a string of bytes that need not be valid UTF-8. A name
// is carried inside the program as a QString in which every byte that is not part of valid UTF-8 stands
// as one code unit U+DC80..U+DCFF, so that every name comes back to exactly the bytes it was made from.
// QFile::decodeName and encodeName do not round-trip such bytes: names go through these helpers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace hy::platform {

// The name for bytes: valid UTF-8 decodes as usual, every other byte keeps its place as U+DC00 + byte.
QString DecodeFileName(const char* bytes, qsizetype size);
QString DecodeFileName(const QByteArray& bytes);
// The bytes of a name made by DecodeFileName (or typed by the user): the inverse of DecodeFileName. Valid
// UTF-8 encodes as toUtf8() would.
QByteArray EncodeFileName(const QString& name);
// The name as a person is shown it: bytes that are not UTF-8 appear as the replacement mark U+FFFD.
QString DisplayFileName(const QString& name);
// A file: URL for an absolute name that carries its bytes exactly (percent-encoded), and the name back from
// such a URL (an empty name when the URL is not a local file). QUrl::fromLocalFile and toLocalFile lose
// bytes that are not UTF-8.
QUrl FileUrl(const QString& name);
QString FileNameOfUrl(const QUrl& url);
// The program's command line without a lossy conversion of its bytes, the program's own name first.
QStringList ArgumentsOf(int argc, const char* const* argv);

} // namespace hy::platform
