// Lossless file names.
#include "platform/FileNames.h"

namespace hy::platform {

namespace {
    constexpr char16_t kEscapeBase = 0xDC00;

    bool IsEscapedByte(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

    bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

    // The length of the valid UTF-8 sequence at data[i], or 0 when the byte does not begin one.
    int ValidSequenceLength(const unsigned char* data, qsizetype size, qsizetype i)
    {
        const unsigned char b = data[i];
        if (b < 0x80)
            return 1;
        int length = 0;
        char32_t lowest = 0;
        if ((b & 0xE0) == 0xC0) {
            length = 2;
            lowest = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            lowest = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            lowest = 0x10000;
        } else {
            return 0;
        }
        if (i + length > size)
            return 0;
        char32_t code = b & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            if (!IsContinuation(data[i + k]))
                return 0;
            code = (code << 6) | (data[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (code < lowest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return 0;
        return length;
    }
} // namespace

QString DecodeFileName(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    QString name;
    name.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        const int length = ValidSequenceLength(data, size, i);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + data[i]));
            ++i;
        } else {
            name += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return name;
}

QByteArray EncodeFileName(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            bytes += QStringView(name).mid(runStart, end - runStart).toUtf8();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        // A low surrogate that follows a high one belongs to a character outside the first plane.
        const bool paired = i > 0 && name.at(i - 1).isHighSurrogate();
        if (IsEscapedByte(unit) && !paired) {
            flushRun(i);
            bytes += char(unit - kEscapeBase);
            runStart = i + 1;
        }
    }
    flushRun(name.size());
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

QStringList ArgumentsOf(int argc, const char* const* argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << DecodeFileName(QByteArray(argv[i]));
    return arguments;
}

} // namespace hy::platform
