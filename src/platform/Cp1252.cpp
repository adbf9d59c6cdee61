// Windows-1252 decoding and upper-casing.
#include "platform/Cp1252.h"

#include <array>

namespace hy::platform {

namespace {
    constexpr char16_t kHigh[32] = {
        0x20AC,
        0,
        0x201A,
        0x0192,
        0x201E,
        0x2026,
        0x2020,
        0x2021,
        0x02C6,
        0x2030,
        0x0160,
        0x2039,
        0x0152,
        0,
        0x017D,
        0,
        0,
        0x2018,
        0x2019,
        0x201C,
        0x201D,
        0x2022,
        0x2013,
        0x2014,
        0x02DC,
        0x2122,
        0x0161,
        0x203A,
        0x0153,
        0,
        0x017E,
        0x0178,
    };

    std::array<unsigned char, 256> MakeUpperTable()
    {
        std::array<unsigned char, 256> t {};
        for (int c = 0; c < 256; ++c)
            t[c] = static_cast<unsigned char>(c);
        for (int c = 'a'; c <= 'z'; ++c)
            t[c] = static_cast<unsigned char>(c - 32);
        t[0x9A] = 0x8A; // š Š
        t[0x9C] = 0x8C; // œ Œ
        t[0x9E] = 0x8E; // ž Ž
        t[0xFF] = 0x9F; // ÿ Ÿ
        for (int c = 0xE0; c <= 0xFE; ++c) {
            if (c != 0xF7) // ÷ has no upper case
                t[c] = static_cast<unsigned char>(c - 32);
        }
        return t;
    }
    const std::array<unsigned char, 256> kUpper = MakeUpperTable();
} // namespace

QChar Cp1252ToUnicode(unsigned char code)
{
    if (code >= 0x80 && code < 0xA0)
        return QChar(kHigh[code - 0x80]);
    return QChar(code);
}

bool Cp1252Defined(unsigned char code) { return !(code >= 0x80 && code < 0xA0 && kHigh[code - 0x80] == 0); }

QString Cp1252Decode(const QByteArray& bytes)
{
    QString s;
    s.reserve(bytes.size());
    for (char c : bytes) {
        const QChar q = Cp1252ToUnicode(static_cast<unsigned char>(c));
        s += q.isNull() ? QChar(0xFFFD) : q;
    }
    return s;
}

bool Cp1252FromUnicode(QChar ch, unsigned char& code)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        code = static_cast<unsigned char>(u);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] != 0 && kHigh[i] == u) {
            code = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

QByteArray Cp1252Encode(const QString& text, bool* ok)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool all = true;
    for (const QChar ch : text) {
        unsigned char code = '?';
        if (!Cp1252FromUnicode(ch, code)) {
            all = false;
            code = '?';
        }
        bytes += char(code);
    }
    if (ok)
        *ok = all;
    return bytes;
}

unsigned char Cp1252Upper(unsigned char code) { return kUpper[code]; }

QByteArray Cp1252Upper(const QByteArray& bytes)
{
    QByteArray out(bytes);
    for (char& c : out)
        c = static_cast<char>(kUpper[static_cast<unsigned char>(c)]);
    return out;
}

} // namespace hy::platform
