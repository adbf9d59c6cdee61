// Small text, path and file helpers; the platform's file calls sit behind platform/PlatformFiles.
#include "common/HyUtils.h"

#include "base/ErrorCodes.h"
#include "common/ErrorText.h"
#include "common/Wildcards.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
using namespace hy::base;
using namespace hy::common;

namespace hy::common {

namespace {

    constexpr int kInvalidParameter = 87;

    bool IsListSeparator(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char(','); }

    QString WithoutTrailingSlash(QString path)
    {
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        return path;
    }

    QString CleanAbsolute(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

} // namespace

QString ThousandsText(qint64 value)
{
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QString digits = QString::number(magnitude);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return negative ? QLatin1Char('-') + digits : digits;
}

qint64 NumberFromText(const QString& text)
{
    bool ok = false;
    const qint64 value = RemoveBlanks(text).toLongLong(&ok, 10);
    return ok ? value : 0;
}

QString ZeroPadded(qint64 value, int width)
{
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    const QString digits = QString::number(magnitude);
    QString text = digits.rightJustified(width, QLatin1Char('0'));
    if (negative) {
        if (text.size() > digits.size())
            text[0] = QLatin1Char('-');
        else
            text.prepend(QLatin1Char('-'));
    }
    return text;
}

QString RemoveBlanks(const QString& text)
{
    QString result = text;
    result.remove(QLatin1Char(' '));
    return result;
}

QString PluralSuffix(qint64 count) { return count == 1 ? QString() : QStringLiteral("s"); }

bool HasWildcards(const QString& text) { return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')); }

bool WildcardMatch(const QString& pattern, const QString& name)
{
    if (pattern == QLatin1String("*.*"))
        return true;
    return MatchWildcards(pattern, QStringView(name), [](char16_t c) { return c; });
}

bool ExtensionInList(QStringView extension, QStringView dottedList)
{
    if (extension.startsWith(u'.'))
        extension = extension.mid(1);
    if (extension.isEmpty())
        return false;
    for (const QStringView entry : dottedList.tokenize(u'.', Qt::SkipEmptyParts)) {
        if (entry.compare(extension, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
} // namespace hy::common

QString JoinPath(const QString& dir, const QString& name)
{
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

QString DirectoryOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return WithoutTrailingSlash(path.left(slash + 1));
}

QString NameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

bool DirectoryExists(const QString& path)
{
    QString dir = HasWildcards(path) ? DirectoryOf(path) : path;
    dir = WithoutTrailingSlash(dir);
    if (dir.isEmpty())
        return false;
    return DirectoryAttributes(dir) != 0;
}

int DirectoryAttributes(const QString& path)
{
    const int attributes = FileAttributes(path);
    return (attributes & kAttrDirectory) ? attributes : 0;
}

int FileAttributes(const QString& path)
{
    if (path.isEmpty())
        return 0;
    const auto facts = platform::ReadFileFacts(path);
    return facts.errorCode == 0 ? facts.attributes : 0;
}

QString FirstMatch(const QString& pattern)
{
    if (pattern.isEmpty())
        return QString();
    const QString mask = NameOf(pattern);
    if (!HasWildcards(mask))
        return platform::ReadFileFacts(pattern).errorCode == 0 ? pattern : QString();
    const QString dir = DirectoryOf(pattern);
    const QDir listing(dir.isEmpty() ? QStringLiteral(".") : dir);
    const QStringList names = listing.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        if (WildcardMatch(mask, name))
            return JoinPath(pattern.left(pattern.size() - mask.size()), name);
    }
    return QString();
}

bool FileExists(const QString& pattern) { return !FirstMatch(pattern).isEmpty(); }

qint64 FileSize(const QString& pattern)
{
    const QString match = FirstMatch(pattern);
    if (match.isEmpty())
        return -1;
    const auto facts = platform::ReadFileFacts(match);
    return facts.errorCode == 0 ? facts.size : -1;
}

QDateTime FileDateTime(const QString& pattern)
{
    const QString match = FirstMatch(pattern);
    if (match.isEmpty())
        return QDateTime();
    const auto facts = platform::ReadFileFacts(match);
    return facts.errorCode == 0 ? facts.modified : QDateTime();
}

qint32 FileDate(const QString& pattern)
{
    const QDateTime time = FileDateTime(pattern);
    return time.isValid() ? PackDateTime(time) : 0;
}

QString AttributeLetters(int attributes)
{
    QString letters;
    if (attributes & kAttrReadOnly)
        letters += QLatin1Char('R');
    if (attributes & kAttrHidden)
        letters += QLatin1Char('H');
    if (attributes & kAttrSysFile)
        letters += QLatin1Char('S');
    if (attributes & kAttrArchive)
        letters += QLatin1Char('A');
    return letters;
}

qint32 PackDateTime(const QDateTime& time)
{
    QDateTime local = time.toLocalTime();
    const QDate first(1980, 1, 1);
    const QDate last(2107, 12, 31);
    if (local.date() < first)
        local = QDateTime(first, QTime(0, 0));
    else if (local.date() > last)
        local = QDateTime(last, QTime(23, 59, 58));
    const QDate d = local.date();
    const QTime t = local.time();
    const quint32 packed = (quint32(d.year() - 1980) << 25) | (quint32(d.month()) << 21) | (quint32(d.day()) << 16)
        | (quint32(t.hour()) << 11) | (quint32(t.minute()) << 5) | quint32(t.second() / 2);
    return qint32(packed);
}

QDate UnpackDate(qint32 packed)
{
    const quint32 v = quint32(packed);
    return QDate(int(v >> 25) + 1980, int((v >> 21) & 0x0F), int((v >> 16) & 0x1F));
}

QTime UnpackTime(qint32 packed)
{
    const quint32 v = quint32(packed);
    return QTime(int((v >> 11) & 0x1F), int((v >> 5) & 0x3F), int(v & 0x1F) * 2);
}

QDateTime UnpackDateTime(qint32 packed)
{
    const QDate d = UnpackDate(packed);
    const QTime t = UnpackTime(packed);
    if (!d.isValid() || !t.isValid())
        return QDateTime();
    return QDateTime(d, t);
}

int CreateDirectories(const QString& path)
{
    const QString clean = WithoutTrailingSlash(QDir::cleanPath(path));
    if (clean.isEmpty())
        return kErrorPathNotFound;
    qsizetype from = clean.startsWith(QLatin1Char('/')) ? 1 : 0;
    for (;;) {
        const qsizetype slash = clean.indexOf(QLatin1Char('/'), from);
        const QString part = slash < 0 ? clean : clean.left(slash);
        if (!part.isEmpty() && !DirectoryExists(part)) {
            const int code = platform::MakeDirectory(part);
            if (code != 0 && !DirectoryExists(part))
                return code;
        }
        if (slash < 0)
            return 0;
        from = slash + 1;
    }
}

int FileDelete(const QString& path, bool force) { return platform::RemoveFile(path, force); }

int SetFileDate(const QString& path, qint32 packed) { return SetFileDateTime(path, UnpackDateTime(packed)); }

int SetFileDateTime(const QString& path, const QDateTime& time)
{
    if (!time.isValid())
        return kInvalidParameter;
    return platform::SetModifiedTime(path, time);
}

int FileCopy(const QString& source, const QString& target) { return FileCopy(source, target, {}); }

int FileCopy(const QString& source, const QString& target, const std::function<bool(qint64, qint64)>& progress)
{
    if (CleanAbsolute(source) == CleanAbsolute(target))
        return kErrorCopySameFile;
    return platform::CopyFileData(source, target, kCopyBlockSize, progress);
}

QString GetEnvVar(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('=')))
        return QString();
    if (qEnvironmentVariableIsSet(name.toLocal8Bit().constData()))
        return qEnvironmentVariable(name.toLocal8Bit().constData());
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QStringList keys = env.keys();
    for (const QString& key : keys) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return env.value(key);
    }
    return QString();
}

QString EnvironmentValue(const QString& name) { return GetEnvVar(name); }

QString WindowsDirectory()
{
    const QString folder = platform::SettingsFolder();
    return folder.isEmpty() ? platform::ProgramFolder() : folder;
}

QStringList SplitShellWords(const QString& text, bool* ok)
{
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quote == QLatin1Char('\'')) {
            if (c == QLatin1Char('\''))
                quote = QChar();
            else
                word += c;
        } else if (quote == QLatin1Char('"')) {
            if (c == QLatin1Char('"')) {
                quote = QChar();
            } else if (c == QLatin1Char('\\') && i + 1 < text.size()
                && QStringLiteral("\"\\$`").contains(text.at(i + 1))) {
                word += text.at(++i);
            } else {
                word += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
                quote = c;
            else if (c == QLatin1Char('\\') && i + 1 < text.size())
                word += text.at(++i);
            else
                word += c;
        }
    }
    if (inWord)
        words << word;
    if (ok)
        *ok = quote.isNull();
    return words;
}

QString GetListItem(const QString& list, int n, const QString& def)
{
    if (n < 1)
        return def;
    const QString text = list.left(255);
    const qsizetype length = text.size();
    qsizetype i = 0;
    int count = 0;
    while (i < length) {
        while (i < length && IsListSeparator(text[i]))
            ++i;
        if (i >= length)
            break;
        QString item;
        bool quoted = false;
        for (; i < length; ++i) {
            const QChar c = text[i];
            if (c == QLatin1Char('"'))
                quoted = !quoted;
            else if (!quoted && IsListSeparator(c))
                break;
            else
                item += c;
        }
        if (++count == n)
            return item.isEmpty() ? def : item;
    }
    return def;
}

qint64 ListNumber(const QString& list, int n, qint64 current, qint64 min, qint64 max)
{
    const QString item = GetListItem(list, n, QString());
    if (item.isNull())
        return current;
    return platform::SettingInRange(NumberFromText(item), min, max, current);
}

} // namespace hy
