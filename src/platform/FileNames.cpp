// Lossless file names.
#include "platform/FileNames.h"

namespace hy::platform {

namespace {

    constexpr char16_t kEscapeBase = 0xDC00;

    bool IsEscapedByte(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

    // The length of the valid UTF-8 sequence at p (at most n bytes), or 0 when none starts there.
    int Utf8SequenceLength(const unsigned char* p, qsizetype n)
    {
        const unsigned char c = p[0];
        int length = 0;
        char32_t min = 0;
        if (c < 0x80)
            return 1;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            min = 0x10000;
        } else {
            return 0;
        }
        if (n < length)
            return 0;
        char32_t code = c & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return 0;
            code = (code << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return 0;
        return length;
    }

} // namespace

QString DecodeFileName(const char* bytes, qsizetype size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype i = 0;
    while (i < size && p[i] < 0x80)
        ++i;
    if (i == size)
        return QString::fromLatin1(bytes, size);
    for (qsizetype j = i; j < size;) {
        const int length = Utf8SequenceLength(p + j, size - j);
        if (length == 0) {
            // Not UTF-8 throughout: decode what is valid and escape every other byte.
            QString name = QString::fromLatin1(bytes, i);
            while (i < size) {
                const int n = Utf8SequenceLength(p + i, size - i);
                if (n == 0) {
                    name += QChar(char16_t(kEscapeBase + p[i]));
                    ++i;
                } else {
                    name += QString::fromUtf8(bytes + i, n);
                    i += n;
                }
            }
            return name;
        }
        j += length;
    }
    return QString::fromUtf8(bytes, size);
}

QString DecodeFileName(const QByteArray& bytes) { return DecodeFileName(bytes.constData(), bytes.size()); }

QByteArray EncodeFileName(const QString& name)
{
    bool escaped = false;
    for (const QChar c : name) {
        if (IsEscapedByte(c.unicode())) {
            escaped = true;
            break;
        }
    }
    if (!escaped)
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = name[i].unicode();
        // A low surrogate that follows a high one belongs to a character outside the first plane.
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(name[i + 1].unicode())) {
            bytes += QStringView(name).mid(i, 2).toUtf8();
            ++i;
        } else if (IsEscapedByte(c)) {
            bytes += char(c - kEscapeBase);
        } else {
            bytes += QStringView(name).mid(i, 1).toUtf8();
        }
    }
    return bytes;
}

QString DisplayFileName(const QString& name)
{
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const bool paired = i > 0 && shown.at(i - 1).isHighSurrogate();
        if (IsEscapedByte(shown.at(i).unicode()) && !paired)
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

QUrl FileUrl(const QString& name)
{
    return QUrl::fromEncoded(QByteArray("file://") + EncodeFileName(name).toPercentEncoding("/"));
}

QString FileNameOfUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return QString();
    return DecodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QStringList ArgumentsOf(int argc, const char* const* argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << DecodeFileName(QByteArray(argv[i]));
    return arguments;
}

} // namespace hy::platform
