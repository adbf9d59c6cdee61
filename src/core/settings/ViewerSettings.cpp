// Reading and writing the "File Viewer" section.
#include "core/settings/ViewerSettings.h"

#include "base/FontStyle.h"
#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "platform/FileNames.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>

#include <climits>

namespace hy::settings {

using namespace hy::base;
using namespace hy::common;

namespace {
    const QString kSection = QString::fromLatin1(kViewerSection);

    // The file options, read and written together in this order.
    const std::pair<const char*, bool TViewerSettings::*> kFileOptions[] = {
        { "WindowsFileSelector", &TViewerSettings::WindowsFileSelector },
        { "AllowAppLaunching", &TViewerSettings::AllowAppLaunching },
        { "CalcFileLength", &TViewerSettings::CalcFileLength },
        { "ShowSystemFiles", &TViewerSettings::ShowSystemFiles },
        { "ShowImageFiles", &TViewerSettings::ShowImageFiles },
        { "ShowArchiveFiles", &TViewerSettings::ShowArchiveFiles },
        { "ShowMediaFiles", &TViewerSettings::ShowMediaFiles },
    };

    // View options of the viewer windows beyond the design's, read and written after the file options.
    const std::pair<const char*, bool TViewerSettings::*> kViewOptions[] = {
        { "ViewWrapLines", &TViewerSettings::ViewWrapLines },
        { "LineNumbers", &TViewerSettings::LineNumbers },
        { "CopyWithCrLf", &TViewerSettings::CopyWithCrLf },
        { "CtrlFOpensFindDialog", &TViewerSettings::CtrlFOpensFindDialog },
        { "TabbedWindows", &TViewerSettings::TabbedWindows },
    };

    // Font sizes beyond this are no text to read: the glyphs come out as empty boxes.
    constexpr qint64 kMaxFontSize = 512;
    // Margins in inches or centimetres: far more than any sheet, and small enough to reckon in pixels.
    constexpr double kMaxMargin = 100.0;
    // The system colours a stored colour may name (0x80000000 + number).
    constexpr qint64 kMaxSystemColor = 30;
    // Cells of the Preferences dialog's colour grid.
    constexpr qint64 kGridColors = 16;

    // A colour as stored: 0x00BBGGRR, or a system colour; anything else falls back to current.
    quint32 ColorNumber(const QString& list, int n, quint32 current)
    {
        const qint64 value = ListNumber(list, n, current, 0, 0x80000000LL + kMaxSystemColor);
        return value <= 0xFFFFFF || value >= 0x80000000LL ? quint32(value) : current;
    }

    // A margin that is not a number returns false; one out of range keeps its value and reading goes on.
    bool ReadMargin(const platform::SettingsStore& store, const char* name, double& margin)
    {
        const QString text = store.ReadString(kSection, QLatin1String(name), MarginText(margin)).trimmed();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok)
            return false;
        if (value >= 0.0 && value <= kMaxMargin)
            margin = value;
        return true;
    }
} // namespace

std::array<TColorElement, 3> DefaultColorElements()
{
    // The search match: black on yellow.
    return { TColorElement { QStringLiteral("Normal Text"), kSysWindowText, kSysWindow, 0, 15 },
        TColorElement { QStringLiteral("Selected Text"), kSysHighlightText, kSysHighlight, 15, 6 },
        TColorElement { QStringLiteral("Search Match"), 0x000000, 0x00FFFF, 0, 11 } };
}

bool UsesDesktopColors(const std::array<TColorElement, 3>& colors)
{
    const std::array<TColorElement, 3> desktop = DefaultColorElements();
    for (size_t i = 0; i < 2; ++i) {
        if (colors[i].TextColor != desktop[i].TextColor || colors[i].BackColor != desktop[i].BackColor)
            return false;
    }
    return true;
}

void UseDesktopColors(std::array<TColorElement, 3>& colors)
{
    const std::array<TColorElement, 3> desktop = DefaultColorElements();
    for (size_t i = 0; i < 2; ++i)
        colors[i] = desktop[i];
}

QString ColorValueName(const TColorElement& element) { return RemoveBlanks(element.Name); }

QString MarginText(double margin) { return QString::asprintf("%2.2f", margin); }

QRect PullBackWindowPos(const QRect& bounds, const QSize& screen)
{
    QRect r = bounds;
    if (r.left() > screen.width() - 30)
        r.moveLeft(0);
    if (r.top() > screen.height() - 30)
        r.moveTop(0);
    return r;
}

QString SettingsNotSavedText(const QString& fileName, int errorCode)
{
    return QStringLiteral("The settings were not saved to\r") + platform::DisplayFileName(fileName)
        + QStringLiteral("\r\r") + ErrorText(errorCode);
}

QString SettingsNotReadText(const QString& fileName, int errorCode)
{
    return QStringLiteral("The settings were not read from\r") + platform::DisplayFileName(fileName)
        + QStringLiteral("\r\r") + ErrorText(errorCode) + QStringLiteral("\r\rThe built-in settings are used.");
}

QStringList SettingsFileProblems(const platform::SettingsStore& store)
{
    QStringList problems;
    if (store.ReadError() != 0)
        problems << SettingsNotReadText(store.FileName(), store.ReadError());
    const QString winIni = platform::WinIniPath();
    if (const int code = platform::TProfileFile(winIni).ReadError())
        problems << SettingsNotReadText(winIni, code);
    return problems;
}

QString EffectiveTempDir(const QString& stored)
{
    if (!stored.isEmpty() && QFileInfo(stored).isDir())
        return stored;
    return platform::TempFolder();
}

void LoadViewerSettings(const platform::SettingsStore& store, TViewerSettings& s)
{
    const QString& sec = kSection;
    s.LastDir = store.ReadString(sec, QStringLiteral("LastDir"), s.LastDir);
    s.LastMask = store.ReadString(sec, QStringLiteral("LastMask"), s.LastMask);
    s.TempDir = EffectiveTempDir(store.ReadString(sec, QStringLiteral("TempDir"), QString()));
    s.ArchiveDir = store.ReadString(sec, QStringLiteral("ArchiveDir"), s.ArchiveDir);

    const QString pos = store.ReadString(sec, QStringLiteral("WindowPos"), QString());
    const QRect cur = s.WindowPos;
    s.WindowPos = QRect(int(ListNumber(pos, 1, cur.left(), -kMaxStoredExtent, kMaxStoredExtent)),
        int(ListNumber(pos, 2, cur.top(), -kMaxStoredExtent, kMaxStoredExtent)),
        int(ListNumber(pos, 3, cur.width(), 0, kMaxStoredExtent)),
        int(ListNumber(pos, 4, cur.height(), 0, kMaxStoredExtent)));

    for (TColorElement& e : s.Colors) {
        const QString list = store.ReadString(sec, ColorValueName(e), QString());
        e.TextColor = ColorNumber(list, 1, e.TextColor);
        e.BackColor = ColorNumber(list, 2, e.BackColor);
        e.ForegroundIndex = int(ListNumber(list, 3, e.ForegroundIndex, 0, kGridColors - 1));
        e.BackgroundIndex = int(ListNumber(list, 4, e.BackgroundIndex, 0, kGridColors - 1));
    }

    s.FontName = store.ReadString(sec, QStringLiteral("FontName"), s.FontName);
    s.FontSize = int(store.ReadInteger(sec, QStringLiteral("FontSize"), s.FontSize, 1, kMaxFontSize));
    s.FontStyle
        = int(store.ReadInteger(sec, QStringLiteral("FontStyle"), 0, 0, INT_MAX)) & (fsBold | fsItalic | fsUnderline);
    // Any number but 1 and 2 shows no bar; only one beyond what the setting holds falls back.
    s.ButtonBar = int(store.ReadInteger(sec, QStringLiteral("ButtonBar"), s.ButtonBar, INT_MIN, INT_MAX));
    s.StatusBar = store.ReadBool(sec, QStringLiteral("StatusBar"), s.StatusBar);
    s.ExpandTabs = store.ReadBool(sec, QStringLiteral("ExpandTabs"), s.ExpandTabs);
    s.TabSize = quint8(store.ReadInteger(sec, QStringLiteral("TabSize"), s.TabSize, 0, kMaxTabSize));
    s.Print.Header = store.ReadString(sec, QStringLiteral("Header"), s.Print.Header);
    s.Print.Footer = store.ReadString(sec, QStringLiteral("Footer"), s.Print.Footer);
    // A margin that is not a number stops the margins here; the later ones keep their values.
    ReadMargin(store, "LeftMargin", s.Print.LeftMargin) && ReadMargin(store, "TopMargin", s.Print.TopMargin)
        && ReadMargin(store, "RightMargin", s.Print.RightMargin)
        && ReadMargin(store, "BottomMargin", s.Print.BottomMargin);
    const qint64 unit = store.ReadInteger(sec, QStringLiteral("UnitOfMeasure"), s.Print.UnitOfMeasure);
    s.Print.UnitOfMeasure = unit == 1 ? 1 : 0;
    s.Print.WrapLines = store.ReadBool(sec, QStringLiteral("WrapLines"), s.Print.WrapLines) ? 1 : 0;
    s.HexMode = store.ReadBool(sec, QStringLiteral("HexMode"), s.HexMode);
    s.HexFilter = store.ReadBool(sec, QStringLiteral("HexFilter"), s.HexFilter);
    for (const auto& [name, flag] : kFileOptions)
        s.*flag = store.ReadBool(sec, QLatin1String(name), s.*flag);
    s.Editor = store.ReadString(sec, QStringLiteral("Editor"), s.Editor);
    for (const auto& [name, flag] : kViewOptions)
        s.*flag = store.ReadBool(sec, QLatin1String(name), s.*flag);
}

void SaveViewerSettings(platform::SettingsStore& store, const TViewerSettings& s)
{
    const QString& sec = kSection;
    store.WriteString(sec, QStringLiteral("LastDir"), s.LastDir);
    store.WriteString(sec, QStringLiteral("LastMask"), s.LastMask);
    store.WriteString(sec, QStringLiteral("TempDir"), s.TempDir);
    store.WriteString(sec, QStringLiteral("ArchiveDir"), s.ArchiveDir);
    const QRect& r = s.WindowPos;
    store.WriteString(sec, QStringLiteral("WindowPos"),
        QStringLiteral("%1,%2,%3,%4").arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height()));
    store.WriteString(sec, QStringLiteral("FontName"), s.FontName);
    store.WriteInteger(sec, QStringLiteral("FontSize"), s.FontSize);
    store.WriteInteger(sec, QStringLiteral("FontStyle"), s.FontStyle);
    store.WriteInteger(sec, QStringLiteral("ButtonBar"), s.ButtonBar);
    store.WriteBool(sec, QStringLiteral("StatusBar"), s.StatusBar);
    store.WriteBool(sec, QStringLiteral("HexMode"), s.HexMode);
    store.WriteBool(sec, QStringLiteral("HexFilter"), s.HexFilter);
    store.WriteBool(sec, QStringLiteral("ExpandTabs"), s.ExpandTabs);
    store.WriteInteger(sec, QStringLiteral("TabSize"), s.TabSize);
    store.WriteString(sec, QStringLiteral("Header"), s.Print.Header);
    store.WriteString(sec, QStringLiteral("Footer"), s.Print.Footer);
    store.WriteString(sec, QStringLiteral("LeftMargin"), MarginText(s.Print.LeftMargin));
    store.WriteString(sec, QStringLiteral("TopMargin"), MarginText(s.Print.TopMargin));
    store.WriteString(sec, QStringLiteral("RightMargin"), MarginText(s.Print.RightMargin));
    store.WriteString(sec, QStringLiteral("BottomMargin"), MarginText(s.Print.BottomMargin));
    store.WriteInteger(sec, QStringLiteral("UnitOfMeasure"), s.Print.UnitOfMeasure);
    store.WriteBool(sec, QStringLiteral("WrapLines"), s.Print.WrapLines != 0);
    for (const auto& [name, flag] : kFileOptions)
        store.WriteBool(sec, QLatin1String(name), s.*flag);
    store.WriteString(sec, QStringLiteral("Editor"), s.Editor);
    for (const auto& [name, flag] : kViewOptions)
        store.WriteBool(sec, QLatin1String(name), s.*flag);
    for (const TColorElement& e : s.Colors) {
        store.WriteString(sec, ColorValueName(e),
            QStringLiteral("%1,%2,%3,%4")
                .arg(e.TextColor)
                .arg(e.BackColor)
                .arg(e.ForegroundIndex)
                .arg(e.BackgroundIndex));
    }
    store.Flush();
}

} // namespace hy::settings
