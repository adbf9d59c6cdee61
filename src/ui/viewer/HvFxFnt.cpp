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
    QStringList EnumerateFixedFamilies()
    {
        QStringList fixed;
        const QStringList families = QFontDatabase::families();
        for (const QString& family : families) {
            if (!QFontDatabase::isFixedPitch(family))
                continue;
            // Aliases such as "Monospace" may resolve to a proportional face; only real fixed faces count.
            const QFontInfo info { QFont(family) };
            if (info.fixedPitch() && info.family() == family)
                fixed << family;
        }
        return fixed;
    }
} // namespace

const QStringList& THvFixedFont::FixedFamilies()
{
    static const QStringList families = EnumerateFixedFamilies();
    return families;
}

QString THvFixedFont::ResolveFamily(const QString& name)
{
    const QStringList& fixed = FixedFamilies();
    if (fixed.contains(name))
        return name;
    if (QFontDatabase::families().contains(name, Qt::CaseInsensitive))
        return {};
    // An absent face: what the font system puts in its place ("Courier New" becomes its metric twin where
    // one is installed), when that is a fixed face.
    const QString substitute = QFontInfo(QFont(name)).family();
    if (fixed.contains(substitute))
        return substitute;
    const QString system = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    if (fixed.contains(system))
        return system;
    return fixed.isEmpty() ? QString() : fixed.first();
}

THvFixedFont::THvFixedFont(QObject* parent)
    : QObject(parent)
    , m_color(QGuiApplication::palette().color(QPalette::Text))
{
    const QStringList& fixed = FixedFamilies();
    if (!fixed.isEmpty())
        m_font.setFamily(fixed.first());
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
