// Which page a file opens on, and the status bar texts of the active viewer window.
#pragma once

#include <QString>
#include <QtGlobal>

namespace hy::settings {

enum class ViewMode : int { BySettings = -1, Standard = 0, Hex = 1, Native = 2 };
enum class PageKind : int { Image = 0, Archive = 1, Media = 2, Text = 3, Pdf = 4, Document = 5 };

inline constexpr const char* kImageExtensions = ".BMP.ICO.WMF.PCX.ST.JPG.PNG.GIF.TIF.JPEG.TIFF.WEBP.SVG.SVGZ";
// PDF files open on the PDF page, Markdown and HTML rendered on the Document page.
inline constexpr const char* kPdfExtensions = ".PDF";
inline constexpr const char* kDocumentExtensions = ".MD.MARKDOWN.HTML.HTM";
inline constexpr const char* kArchiveExtensions = ".ZIP";
inline constexpr const char* kProgramExtensions = ".EXE.COM.BAT.PIF";

// The text from the last "." of the name's last component, dot included, upper-cased; empty without one.
QString ExtensionOf(const QString& fileName);
// True when the file's extension is one of the entries of the dotted list, compared whole: "start.s" is not
// in ".ST", "data.zi" not in ".ZIP"; a name without extension or ending in "." is in no list.
bool HasExtensionIn(const QString& fileName, const QString& dottedList);

// Sound and video the GStreamer plugins play besides the media kinds of win.ini.
inline constexpr const char* kStockPlayedExtensions = ".MP3.OGG.OGA.OPUS.FLAC.M4A.MP4.M4V.MKV.WEBM";

// What decides a file's page besides its name: the native pages the user wants, the media extensions (see
// BuildMediaExtensions), and whether text opens in Hex now.
struct TPageRules {
    bool ShowImageFiles = true;
    bool ShowArchiveFiles = true;
    bool ShowMediaFiles = true;
    QString MediaExtensions;
    bool TextHex = false;
    bool ShowDocumentFiles = true; // PDF, Markdown and HTML
};

// The page a file opens on: Kind is its native page (Text when it has none), Tab the tab shown first
// (0 Standard, 1 Hex, 2 the native page).
struct TPageChoice {
    PageKind Kind = PageKind::Text;
    int Tab = 0;
    bool operator==(const TPageChoice&) const = default;
};

// True when text opens in Hex: asked for, or by the settings when no view is asked for.
bool OpensInHex(ViewMode mode, bool textHex);

// Pictures and archives by their extension, media by its extension when the name is a regular file (the
// player would wait on a pipe), PDF, Markdown and HTML by their extension when the name is a regular file,
// each only when the rules show it natively; anything else is text. A file
// with a native page opens on the tab asked for, and on its native page by the settings. archiveContent says
// the file's content is an archive of a kind the archive reader knows: a name that says nothing else then
// opens on the Archive page too.
TPageChoice ChoosePage(
    const QString& fileName, ViewMode mode, const TPageRules& rules, bool regularFile, bool archiveContent = false);

// The page of a file ChoosePage sent to the Image page, once its picture was tried. It stays there when a
// picture showed or when the picture reader knows its extension (a damaged picture is reported as one); a
// name in the picture list that the reader does not read (notes.st) and that holds none opens on the text
// page.
TPageChoice PageAfterPicture(
    const TPageChoice& choice, ViewMode mode, const TPageRules& rules, bool pictureShown, bool readableExtension);

// Files below this size have their lines counted when they open, so that the status bar shows their line total
// at once.
inline constexpr qint64 kCountedFileSize = 512000;
// True when the lines of a text file of this size are counted as it opens: small files always, any file when
// the settings ask for the file length.
bool CountsLinesOnOpen(qint64 fileSize, bool countAllLines);

// The name of a native page and of its tab: "Image", "Archive", "Media", "PDF", "Document"; "Text" for the text
// pages.
QString PageName(PageKind kind);

// A program: a regular file the user may execute, or a file whose whole extension is one of
// ".EXE.COM.BAT.PIF" (so ".C" and ".CO" are not).
bool IsProgramFile(const QString& fileName);

// The media list built from the [mci extensions] section of win.ini: each of MPG, MOV, AVI, WAV, MID and RMI
// whose entry is not "none" is put at the front, so the list ends in reverse order of that sequence. When
// win.ini is absent, the stock entries are followed by kStockPlayedExtensions.
QString BuildMediaExtensions();

// "1 line", "12,345 lines"; the undetermined total reads "Undetermined - Press Ctrl+End".
QString LineCountText(qint64 lineTotal, bool undetermined);
// " File size: <lines> (<size> bytes)"
// While the lines of a window are counted in the background: the count's progress, and the caret's place
// as a share of the file's bytes with its column ("99.5%:12").
QString CountingLinesText(double progress);
QString BytePositionText(qint64 offset, qint64 fileSize, qint64 column);
QString TextInfoText(const QString& lineText, qint64 fileSize);
// 2 to the power (bits x planes), planes 0 counting as 1; 0 when there is no colour text to show.
QString ColorCount(int bitsPerPixel, int planes);
// " File size: W x H[ x N Colors] (S bytes)"
QString ImageInfoText(int width, int height, int bitsPerPixel, int planes, qint64 fileSize);
// " File size: N pages (S bytes)" of a PDF document, and "Page P of N" with P counted from 1.
QString PdfInfoText(int pages, qint64 fileSize);
QString PdfPageText(int page, int pages);
// " File size: S bytes" of a laid out document.
QString DocumentInfoText(qint64 fileSize);
// "Contents: N compressed files"
QString ArchiveInfoText(qint64 members);
// "Length: 01:02:05.50 hours/min/sec" with the given time separator.
QString MediaLengthText(qint64 milliseconds, QChar timeSeparator = QLatin1Char(':'));
// The Media page's clock: position and length as "m:ss / m:ss" ("h:mm:ss" from an hour on); an unknown
// (zero or negative) length reads "--:--".
QString MediaClockText(qint64 positionMs, qint64 lengthMs);
// The character panel: the character, "=" and its code; 0, 9 and 13 show as ".".
QString CharPanelText(unsigned char code);
// The same for a decoded character; a byte that is no valid character shows the replacement mark and the
// byte's value in hexadecimal.
QString CharPanelText(char32_t code, bool valid);

} // namespace hy::settings
