// The fixed-pitch font of the viewer.
#include "ui/viewer/HvFxFnt.h"
#include "base/FontStyle.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>

namespace hy::viewer {

using namespace hy::base;

EInvalidFixedFont::EInvalidFixedFont()
    : EFixedFontError(QStringLiteral("Invalid font assignment. Font must be a fixed font"))
{
}

EInvalidFontParam::EInvalidFontParam()
    : EFixedFontError(QStringLiteral("Invalid font assignemnt. Font must be a TFont or THvFixedFont"))
{
}

namespace {
    // An installed family's own fixed-pitch face. Aliases such as "Monospace" may resolve to a proportional
    // face; only real fixed faces count.
    bool IsFixedFace(const QString& family)
    {
        if (!QFontDatabase::isFixedPitch(family))
            return false;
        const QFontInfo info { QFont(family) };
        return info.fixedPitch() && info.family() == family;
    }

    QStringList EnumerateFixedFamilies()
    {
        QStringList fixed;
        const QStringList families = QFontDatabase::families();
        for (const QString& family : families) {
            if (IsFixedFace(family))
                fixed << family;
        }
        return fixed;
    }

    // One of FixedFamilies(), told without enumerating them all (which loads every fixed face installed).
    bool IsFixedFamily(const QString& family)
    {
        return !family.isEmpty() && QFontDatabase::families().contains(family) && IsFixedFace(family);
    }

    QString g_startName;
} // namespace

const QStringList& THvFixedFont::FixedFamilies()
{
    static const QStringList families = EnumerateFixedFamilies();
    return families;
}

QString THvFixedFont::ResolveFamily(const QString& name)
{
    if (IsFixedFamily(name))
        return name;
    if (QFontDatabase::families().contains(name, Qt::CaseInsensitive))
        return {};
    // An absent face: what the font system puts in its place ("Courier New" becomes its metric twin where
    // one is installed), when that is a fixed face.
    const QString substitute = QFontInfo(QFont(name)).family();
    if (IsFixedFamily(substitute))
        return substitute;
    const QString system = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    if (IsFixedFamily(system))
        return system;
    const QStringList& fixed = FixedFamilies();
    return fixed.isEmpty() ? QString() : fixed.first();
}

void THvFixedFont::SetStartName(const QString& name) { g_startName = name; }

THvFixedFont::THvFixedFont(QObject* parent)
    : QObject(parent)
    , m_color(QGuiApplication::palette().color(QPalette::Text))
{
    QString family = g_startName.isEmpty() ? QString() : ResolveFamily(g_startName);
    if (family.isEmpty()) {
        const QStringList& fixed = FixedFamilies();
        if (!fixed.isEmpty())
            family = fixed.first();
    }
    if (!family.isEmpty())
        m_font.setFamily(family);
    else
        m_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_font.setPointSize(10);
}

void THvFixedFont::SetName(const QString& name)
{
    const QString family = ResolveFamily(name);
    if (family.isEmpty() || family == m_font.family())
        return;
    m_font.setFamily(family);
    Q_EMIT Changed();
}

void THvFixedFont::SetSize(int points)
{
    if (points <= 0 || points == m_font.pointSize())
        return;
    m_font.setPointSize(points);
    Q_EMIT Changed();
}

unsigned FontStyleOf(const QFont& font)
{
    unsigned style = 0;
    if (font.bold())
        style |= fsBold;
    if (font.italic())
        style |= fsItalic;
    if (font.underline())
        style |= fsUnderline;
    if (font.strikeOut())
        style |= fsStrikeOut;
    return style;
}

void SetFontStyle(QFont& font, unsigned style)
{
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
}

unsigned THvFixedFont::Style() const { return FontStyleOf(m_font); }

void THvFixedFont::SetStyle(unsigned style)
{
    if (style == Style())
        return;
    SetFontStyle(m_font, style);
    Q_EMIT Changed();
}

void THvFixedFont::SetColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT Changed();
}

void THvFixedFont::Assign(const QFont& font)
{
    const QString family = ResolveFamily(font.family());
    if (family.isEmpty())
        throw EInvalidFixedFont();
    m_font = font;
    m_font.setFamily(family);
    Q_EMIT Changed();
}

void THvFixedFont::Assign(const THvFixedFont& other)
{
    m_font = other.m_font;
    m_color = other.m_color;
    Q_EMIT Changed();
}

} // namespace hy::viewer
