// Extension routing and status texts.
#include "core/settings/ViewRules.h"

#include "common/HyUtils.h"
#include "platform/Cp1252.h"
#include "platform/PlatformFiles.h"
#include "platform/SettingsStore.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace hy::settings {

using namespace hy::common;

QString ExtensionOf(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return fileName.mid(dot).toUpper();
}

bool HasExtensionIn(const QString& fileName, const QString& dottedList)
{
    return ExtensionInList(ExtensionOf(fileName), dottedList);
}

bool OpensInHex(ViewMode mode, bool textHex)
{
    return mode == ViewMode::Hex || (mode == ViewMode::BySettings && textHex);
}

TPageChoice ChoosePage(
    const QString& fileName, ViewMode mode, const TPageRules& rules, bool regularFile, bool archiveContent)
{
    PageKind kind = PageKind::Text;
    if (rules.ShowImageFiles && HasExtensionIn(fileName, QString::fromLatin1(kImageExtensions)))
        kind = PageKind::Image;
    else if (rules.ShowArchiveFiles && HasExtensionIn(fileName, QString::fromLatin1(kArchiveExtensions)))
        kind = PageKind::Archive; // NOLINT(bugprone-branch-clone): a name decides before content, in this order
    else if (rules.ShowMediaFiles && HasExtensionIn(fileName, rules.MediaExtensions) && regularFile)
        kind = PageKind::Media;
    else if (rules.ShowDocumentFiles && HasExtensionIn(fileName, QString::fromLatin1(kPdfExtensions)) && regularFile)
        kind = PageKind::Pdf;
    else if (rules.ShowDocumentFiles && HasExtensionIn(fileName, QString::fromLatin1(kDocumentExtensions))
        && regularFile)
        kind = PageKind::Document;
    else if (rules.ShowArchiveFiles && archiveContent && regularFile)
        kind = PageKind::Archive;
    if (kind == PageKind::Text)
        return { kind, OpensInHex(mode, rules.TextHex) ? 1 : 0 };
    if (mode == ViewMode::Standard)
        return { kind, 0 };
    if (mode == ViewMode::Hex)
        return { kind, 1 };
    return { kind, 2 };
}

TPageChoice PageAfterPicture(
    const TPageChoice& choice, ViewMode mode, const TPageRules& rules, bool pictureShown, bool readableExtension)
{
    if (choice.Kind != PageKind::Image || pictureShown || readableExtension)
        return choice;
    return { PageKind::Text, OpensInHex(mode, rules.TextHex) ? 1 : 0 };
}

bool CountsLinesOnOpen(qint64 fileSize, bool countAllLines) { return countAllLines || fileSize < kCountedFileSize; }

QString PageName(PageKind kind)
{
    switch (kind) {
    case PageKind::Image:
        return QStringLiteral("Image");
    case PageKind::Archive:
        return QStringLiteral("Archive");
    case PageKind::Media:
        return QStringLiteral("Media");
    case PageKind::Pdf:
        return QStringLiteral("PDF");
    case PageKind::Document:
        return QStringLiteral("Document");
    case PageKind::Text:
        break;
    }
    return QStringLiteral("Text");
}

bool IsProgramFile(const QString& fileName)
{
    return HasExtensionIn(fileName, QString::fromLatin1(kProgramExtensions)) || platform::IsExecutableFile(fileName);
}

QString BuildMediaExtensions()
{
    QString list;
    for (const char* ext : { "MPG", "MOV", "AVI", "WAV", "MID", "RMI" }) {
        const QString value
            = platform::ReadProfileString(QStringLiteral("mci extensions"), QLatin1String(ext), QStringLiteral("none"))
                  .left(25);
        if (value != QLatin1String("none"))
            list.prepend(QLatin1Char('.') + QLatin1String(ext));
    }
    // Without win.ini the list also holds what the GStreamer plugins the program needs play.
    if (!QFileInfo::exists(platform::WinIniPath()))
        list += QLatin1String(kStockPlayedExtensions);
    return list;
}

QString LineCountText(qint64 lineTotal, bool undetermined)
{
    if (undetermined)
        return QStringLiteral("Undetermined - Press Ctrl+End");
    return ThousandsText(lineTotal) + QStringLiteral(" line") + PluralSuffix(lineTotal);
}

QString CountingLinesText(double progress)
{
    return QStringLiteral("counting lines... %1%").arg(int(std::clamp(progress, 0.0, 1.0) * 100));
}

QString BytePositionText(qint64 offset, qint64 fileSize, qint64 column)
{
    const double share = fileSize > 0 ? 100.0 * double(std::clamp<qint64>(offset, 0, fileSize)) / double(fileSize) : 0;
    return QStringLiteral("%1%:%2").arg(share, 0, 'f', 1).arg(column + 1);
}

QString TextInfoText(const QString& lineText, qint64 fileSize)
{
    return QStringLiteral(" File size: ") + lineText + QStringLiteral(" (") + ThousandsText(fileSize)
        + QStringLiteral(" bytes)");
}

QString ColorCount(int bitsPerPixel, int planes)
{
    const int bits = bitsPerPixel * (planes == 0 ? 1 : planes);
    // The count is a 32-bit number: 2 to the 31st and beyond overflow and show no colour text.
    if (bits <= 0 || bits >= 31)
        return QString();
    const qint64 n = qint64(1) << bits;
    switch (n) {
    case 32768:
        return QStringLiteral("32K");
    case 65536:
        return QStringLiteral("64K");
    case 16777216:
        return QStringLiteral("16M");
    default:
        return QString::number(n);
    }
}

QString ImageInfoText(int width, int height, int bitsPerPixel, int planes, qint64 fileSize)
{
    const QString count = ColorCount(bitsPerPixel, planes);
    const QString colors = count.isEmpty() ? QString() : QStringLiteral(" x ") + count + QStringLiteral(" Colors");
    return QStringLiteral(" File size: %1 x %2").arg(width).arg(height) + colors + QStringLiteral(" (")
        + ThousandsText(fileSize) + QStringLiteral(" byte") + PluralSuffix(fileSize) + QLatin1Char(')');
}

QString PdfInfoText(int pages, qint64 fileSize)
{
    return QStringLiteral(" File size: ") + ThousandsText(pages) + QStringLiteral(" page") + PluralSuffix(pages)
        + QStringLiteral(" (") + ThousandsText(fileSize) + QStringLiteral(" byte") + PluralSuffix(fileSize)
        + QLatin1Char(')');
}

QString PdfPageText(int page, int pages) { return QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages); }

QString DocumentInfoText(qint64 fileSize)
{
    return QStringLiteral(" File size: ") + ThousandsText(fileSize) + QStringLiteral(" byte") + PluralSuffix(fileSize);
}

QString ArchiveInfoText(qint64 members)
{
    return QStringLiteral("Contents: ") + ThousandsText(members) + QStringLiteral(" compressed file")
        + PluralSuffix(members);
}

QString MediaLengthText(qint64 ms, QChar sep)
{
    if (ms < 0)
        ms = 0;
    const qint64 hours = ms / 3600000;
    const qint64 minutes = ms % 3600000 / 60000;
    const qint64 seconds = ms % 60000 / 1000;
    const qint64 hundredths = ms % 1000 / 10;
    auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    QString text;
    if (hours > 0)
        text += two(hours) + sep;
    if (hours > 0 || minutes > 0)
        text += two(minutes) + sep;
    text += two(seconds) + QLatin1Char('.') + two(hundredths);
    switch (text.size()) {
    case 5:
        text += QStringLiteral(" sec");
        break;
    case 8:
        text += QStringLiteral(" min/sec");
        break;
    case 11:
        text += QStringLiteral(" hours/min/sec");
        break;
    default:
        break;
    }
    return QStringLiteral("Length: ") + (text.isEmpty() ? QStringLiteral("Unknown") : text);
}

QString MediaClockText(qint64 positionMs, qint64 lengthMs)
{
    const auto clock = [](qint64 ms) {
        const qint64 seconds = std::max<qint64>(ms, 0) / 1000;
        const qint64 hours = seconds / 3600;
        const QString mmss = QStringLiteral("%1:%2").arg(seconds / 60 % 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
        if (hours == 0)
            return mmss;
        return QStringLiteral("%1:%2").arg(hours).arg(mmss.rightJustified(5, QLatin1Char('0')));
    };
    return clock(positionMs) + QStringLiteral(" / ") + (lengthMs > 0 ? clock(lengthMs) : QStringLiteral("--:--"));
}

QString CharPanelText(unsigned char code)
{
    QString ch;
    if (code == 0 || code == 9 || code == 13)
        ch = QStringLiteral(".");
    else
        ch = platform::Cp1252ToUnicode(code);
    return ch + QLatin1Char('=') + QString::number(code);
}

QString CharPanelText(char32_t code, bool valid)
{
    if (!valid)
        return QString(QChar(QChar::ReplacementCharacter)) + QStringLiteral("=0x")
            + QStringLiteral("%1").arg(uint(code), 2, 16, QLatin1Char('0')).toUpper();
    QString ch;
    if (code == 0 || code == 9 || code == 13)
        ch = QStringLiteral(".");
    else
        ch = QString::fromUcs4(&code, 1);
    return ch + QLatin1Char('=') + QString::number(uint(code));
}

} // namespace hy::settings
