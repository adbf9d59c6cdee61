// THvFixedFont: the viewer's font, which accepts fixed-pitch families only.
#pragma once

#include "base/FontStyle.h"
#include "base/HyExceptions.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QStringList>

namespace hy::viewer {

class EFixedFontError : public base::EHvException {
public:
    using base::EHvException::EHvException;
};

// A font whose family is not fixed-pitch was assigned.
class EInvalidFixedFont : public EFixedFontError {
public:
    EInvalidFixedFont();
};

// Something that is neither a font nor a fixed font was assigned.
class EInvalidFontParam : public EFixedFontError {
public:
    EInvalidFontParam();
};

// A font's style as base::TFontStyle bits, and a font given the style of such bits.
unsigned FontStyleOf(const QFont& font);
void SetFontStyle(QFont& font, unsigned style);

class THvFixedFont : public QObject {
    Q_OBJECT
public:
    explicit THvFixedFont(QObject* parent = nullptr);

    // The fixed-pitch families of the screen, in the font database's order, found once per process.
    static const QStringList& FixedFamilies();
    // The family a requested name resolves to: the name itself when it is a fixed family; for a family
    // that is not installed at all ("Courier New", "Fixedsys", "Terminal") the face the font system puts in
    // its place when that is fixed-pitch, else the system fixed font, else the first fixed family; empty for
    // an installed family that is not fixed-pitch.
    static QString ResolveFamily(const QString& name);
    // The name new fonts start with, resolved as SetName resolves it: the program gives the font of its
    // settings before its first window, so that a viewer is laid out once, in the font it shows. With none
    // given, or one that resolves to no fixed family, a font starts with the first fixed family.
    static void SetStartName(const QString& name);

    QString Name() const { return m_font.family(); }
    // Ignored unless the name resolves to a fixed family.
    void SetName(const QString& name);
    int Size() const { return m_font.pointSize(); }
    void SetSize(int points);
    unsigned Style() const;
    void SetStyle(unsigned style);
    QColor Color() const { return m_color; }
    void SetColor(const QColor& color);

    const QFont& Font() const { return m_font; }
    // Takes family, size and style of font; throws EInvalidFixedFont when its family is not fixed-pitch.
    void Assign(const QFont& font);
    void Assign(const THvFixedFont& other);

Q_SIGNALS:
    void Changed();

private:
    QFont m_font;
    QColor m_color;
};

} // namespace hy::viewer
