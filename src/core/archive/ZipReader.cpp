// Reading an archive's member list through the unzip wrapper.
#include "core/archive/ZipReader.h"

#include "common/HyUtils.h"
#include "core/archive/ArchiveReader.h"
#include "core/archive/UnzipLib.h"
#include "platform/FileNames.h"
#include "platform/PlatformFiles.h"

#include <QDate>
#include <QDateTime>
#include <cctype>

namespace hy::archive {

using namespace hy::common;
using namespace hy::filelist;

const TExtStringList& ZipExtensionGroups()
{
    static const TExtStringList groups = []() {
        TExtStringList table = TExtStringList::FileCategories();
        for (int row = 0; row < table.Count(); ++row) {
            QString group = table.At(row).group;
            if (table.At(row).icon == fiProgram)
                group.remove(QStringLiteral(".LNK"));
            else if (table.At(row).icon == fiVectorDrawing)
                group.remove(QStringLiteral(".WMF"));
            table.SetGroup(row, group);
        }
        return table;
    }();
    return groups;
}

int ZipMemberIcon(const QString& memberName)
{
    return ZipExtensionGroups().IconOfKey(TExtStringList::ExtensionKey(memberName));
}

QString ApplyTextCase(const QString& name, TZipTextCase textCase)
{
    switch (textCase) {
    case tcLowerCase:
        return name.toLower();
    case tcUpperCase:
        return name.toUpper();
    case tcNone:
        return name;
    case tcAuto:
        break;
    }
    QString text = name.toLower();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool wordStart = i == 0 || text.at(i - 1) == QLatin1Char('\\')
            || (text.at(i - 1) == QLatin1Char(' ') && (i < 2 || text.at(i - 2) != QLatin1Char(' ')));
        if (wordStart)
            text[i] = text.at(i).toUpper();
    }
    return text;
}

quint8 ZipRatio(qint64 compressedSize, qint64 size)
{
    if (compressedSize <= 0 || size <= 0 || compressedSize > size)
        return 0;
    return quint8(100 - compressedSize * 100 / size);
}

qint32 ZipDateTextToPacked(const char* text)
{
    if (!text)
        return 0;
    const qsizetype length = qstrnlen(text, 17);
    const auto number = [&](int at, int& value) {
        if (at + 2 > length || !std::isdigit(static_cast<unsigned char>(text[at]))
            || !std::isdigit(static_cast<unsigned char>(text[at + 1])))
            return false;
        value = (text[at] - '0') * 10 + (text[at + 1] - '0');
        return true;
    };
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (!number(0, month) || !number(3, day) || !number(6, year))
        return 0;
    year += year >= 80 ? 1900 : 2000;
    if (length > 8 && (!number(9, hour) || !number(12, minute) || (length > 14 && !number(15, second))))
        return 0;
    if (!QDate(year, month, day).isValid() || hour > 23 || minute > 59 || second > 59 || year < 1980 || year > 2099)
        return 0;
    return qint32((quint32(year - 1980) << 25) | (quint32(month) << 21) | (quint32(day) << 16) | (quint32(hour) << 11)
        | (quint32(minute) << 5) | quint32(second / 2));
}

QString ZipMemberPath(const QString& archiveName)
{
    QString path = archiveName;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

bool IsZipFileName(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > slash && fileName.mid(dot, 4).toUpper() == QLatin1String(".ZIP");
}

qint32 PackedLocalTime(qint64 seconds)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(seconds).toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    if (!d.isValid() || d.year() < 1980 || d.year() > 2107)
        return 0;
    return qint32((quint32(d.year() - 1980) << 25) | (quint32(d.month()) << 21) | (quint32(d.day()) << 16)
        | (quint32(t.hour()) << 11) | (quint32(t.minute()) << 5) | quint32(t.second() / 2));
}

TArchiveListing ReadArchiveDirectory(
    TArchiveReader& reader, const QString& mask, TZipTextCase textCase, TZipMembers& members)
{
    members.BeginUpdate();
    members.Clear();
    const TArchiveListing listing = reader.List();
    const bool all = mask.isEmpty() || mask == QLatin1String("*.*") || mask == QLatin1String("*");
    for (const TArchiveMember& member : reader.Members()) {
        if (member.Type == TArchiveMemberType::Folder || (!all && !WildcardMatch(mask, member.Name)))
            continue;
        TZipMember m;
        m.ArchiveName = member.Name;
        m.Name = ApplyTextCase(m.ArchiveName, textCase);
        m.Icon = quint8(ZipMemberIcon(m.ArchiveName));
        m.CompressedSize = member.CompressedSize;
        m.Size = member.Size;
        m.TimeStamp = member.HasTime ? PackedLocalTime(member.Modified) : 0;
        m.Ratio = ZipRatio(member.CompressedSize, member.Size);
        m.Attributes = (member.Mode & 0222) == 0 ? quint32(platform::faReadOnly) : 0;
        m.IsLink = member.Type == TArchiveMemberType::SymLink || member.Type == TArchiveMemberType::HardLink;
        m.ArchiveIndex = qint64(member.Index) + 1;
        members.Add(std::move(m));
    }
    members.EndUpdate();
    return listing;
}

int ReadZipDirectory(TUnzipFile& unzip, const QString& fileName, const QString& mask, TZipTextCase textCase,
    TZipMembers& members, const std::function<void()>& keepAlive)
{
    members.BeginUpdate();
    members.Clear();
    unzip.SetOptions(unzip.Options() | RecurseFlag);
    unzip.lpszZipFile().SetText(platform::EncodeFileName(fileName));
    unzip.lpszFileSpec().SetText(mask.toUtf8());
    int result = 0;
    if (IsZipFileName(fileName)) {
        if (!unzip.Execute(kUnzipCountMembers)) {
            result = 1;
        } else {
            const qint64 count = unzip.ItemCount();
            for (qint64 i = 0; i < count; ++i) {
                if (keepAlive && (i & 2047) == 2047)
                    keepAlive();
                if (!unzip.Execute(kUnzipNextMember))
                    continue;
                const TUnzipItemInfo& info = unzip.ItemInfo();
                TZipMember m;
                m.ArchiveName = QString::fromUtf8(info.Name);
                m.Name = ApplyTextCase(m.ArchiveName, textCase);
                m.Icon = quint8(ZipMemberIcon(m.ArchiveName));
                m.CompressedSize = info.CompressedSize;
                m.Size = info.Size;
                m.TimeStamp = ZipDateTextToPacked(info.DateText);
                m.Ratio = ZipRatio(info.CompressedSize, info.Size);
                m.Attributes = info.Attributes;
                m.IsLink = info.IsLink;
                m.ArchiveIndex = unzip.Record().IndexOfItem;
                members.Add(std::move(m));
            }
        }
    }
    members.EndUpdate();
    return result;
}

} // namespace hy::archive
