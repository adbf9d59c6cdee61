// Bytes are characters: the Windows-1252 table gives each byte its character, each character it has its
// byte, and each byte its upper case.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace hy::platform {

// The character of a byte; codes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) give
// QChar::Null.
QChar Cp1252ToUnicode(unsigned char code);
bool Cp1252Defined(unsigned char code);
QString Cp1252Decode(const QByteArray& bytes);
// The byte of a character, false when the code page has none for it.
bool Cp1252FromUnicode(QChar ch, unsigned char& code);
// The bytes of a text; characters the code page lacks become "?" and clear ok.
QByteArray Cp1252Encode(const QString& text, bool* ok = nullptr);
// Upper case within the code page: the byte of the upper-case letter, or the byte itself.
unsigned char Cp1252Upper(unsigned char code);
QByteArray Cp1252Upper(const QByteArray& bytes);

} // namespace hy::platform
