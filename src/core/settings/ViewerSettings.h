// The viewer's persistent settings (section "File Viewer"), their built-in defaults, and the order in which
// they are read and written.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <array>

namespace hy::platform {
class SettingsStore;
}

namespace hy::settings {

inline constexpr const char* kViewerSection = "File Viewer";
// The widest tab stop a setting may give (the Preferences dialog offers 0 to this).
inline constexpr int kMaxTabSize = 128;

// Colours with the top bit set name system colours (0x80000000 + system colour number); others are
// 0x00BBGGRR values.
inline constexpr quint32 kSysWindow = 0x80000005;
inline constexpr quint32 kSysWindowText = 0x80000008;
inline constexpr quint32 kSysHighlight = 0x8000000D;
inline constexpr quint32 kSysHighlightText = 0x8000000E;

struct TColorElement {
    QString Name;
    quint32 TextColor = 0;
    quint32 BackColor = 0;
    int ForegroundIndex = 0;
    int BackgroundIndex = 0;
};

// "Normal Text", "Selected Text" and "Search Match" (the find bar's matches) with their defaults.
std::array<TColorElement, 3> DefaultColorElements();
// True while "Normal Text" and "Selected Text" take their colours from the desktop (the system colours of
// the defaults), as they do until the user picks colours of the grid.
bool UsesDesktopColors(const std::array<TColorElement, 3>& colors);
// Gives "Normal Text" and "Selected Text" the desktop's colours again; the search match keeps its own.
void UseDesktopColors(std::array<TColorElement, 3>& colors);
// The value name of an element: its name without blanks.
QString ColorValueName(const TColorElement& element);

struct TPrintSettings {
    QString FileName; // not persisted
    QString Header = QStringLiteral("&f &d &t");
    QString Footer = QStringLiteral("Page &p");
    double LeftMargin = 0.75;
    double TopMargin = 0.50;
    double RightMargin = 0.75;
    double BottomMargin = 0.50;
    quint8 UnitOfMeasure = 0; // 0 inches, 1 centimetres
    quint8 WrapLines = 1;
    quint8 PrintSelectedText = 0;
    quint8 HonourFormFeeds = 0;
    quint16 Copies = 1;
    quint8 TabSize = 8;
    qint32 PageNumberOffset = 0;
};

struct TViewerSettings {
    QString LastDir;
    QString LastMask = QStringLiteral("*.*");
    QString TempDir;
    QString ArchiveDir;
    QRect WindowPos; // the current bounds serve as the default
    QString FontName; // the current font serves as the default
    int FontSize = 10;
    int FontStyle = 0;
    int ButtonBar = 2;
    bool StatusBar = true;
    bool ExpandTabs = true;
    quint8 TabSize = 8;
    TPrintSettings Print;
    bool HexMode = false;
    bool HexFilter = false;
    bool ViewWrapLines = false; // View > Wrap Lines (the print option is Print.WrapLines)
    bool LineNumbers = false; // View > Line Numbers
    bool CopyWithCrLf = false; // clipboard copies end lines with CR LF instead of LF
    bool CtrlFOpensFindDialog = false; // Ctrl+F opens the Find dialog instead of the find bar
    bool TabbedWindows = true; // Window > Tabbed Windows: the viewer windows as tabs rather than free windows
    bool WindowsFileSelector = false;
    bool AllowAppLaunching = true;
    bool CalcFileLength = false;
    bool ShowSystemFiles = false;
    bool ShowImageFiles = true;
    bool ShowArchiveFiles = true;
    bool ShowMediaFiles = true;
    QString Editor;
    std::array<TColorElement, 3> Colors = DefaultColorElements();
};

// Reads every setting in the stored order; each missing or unreadable value keeps the value in settings.
void LoadViewerSettings(const platform::SettingsStore& store, TViewerSettings& settings);
// Writes every setting in the stored order.
void SaveViewerSettings(platform::SettingsStore& store, const TViewerSettings& settings);

// Margins are stored as "%2.2f".
QString MarginText(double margin);

// A stored window position far off screen comes back: Left beyond the screen width - 30 becomes 0, and
// Top beyond the screen height - 30 becomes 0.
QRect PullBackWindowPos(const QRect& bounds, const QSize& screen);

// The alert of settings that could not be written: that they were not saved, the file, and the cause.
QString SettingsNotSavedText(const QString& fileName, int errorCode);

// The alert of a settings file that was not read (a pipe, a device, a file too large...): the file, the
// cause, and that the built-in settings are used.
QString SettingsNotReadText(const QString& fileName, int errorCode);
// Such an alert for the store's file and for win.ini beside it, each only when it exists and was not read.
QStringList SettingsFileProblems(const platform::SettingsStore& store);

// A TempDir that names no existing directory falls back to the system's temporary folder.
QString EffectiveTempDir(const QString& stored);

} // namespace hy::settings
