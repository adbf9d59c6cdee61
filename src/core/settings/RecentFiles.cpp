// The recent files list and how it is stored.
#include "core/settings/RecentFiles.h"

#include "platform/FileNames.h"
#include "platform/SettingsStore.h"

#include <QStringList>

namespace hy::settings {

namespace {
    const QString kSection = QStringLiteral("Recent Files");
    // Bytes a name keeps as they are in the settings file; any other is written as %XX.
    const QByteArray kPlainBytes = "/ .-_~+,()[]";

    QString EntryKey(int i) { return QStringLiteral("File%1").arg(i + 1); }
} // namespace

const TRecentFile* TRecentFiles::Find(const QString& name) const
{
    for (const TRecentFile& f : m_files) {
        if (f.Name == name)
            return &f;
    }
    return nullptr;
}

void TRecentFiles::Opened(const QString& name)
{
    TRecentFile entry;
    entry.Name = name;
    if (const TRecentFile* known = Find(name))
        entry = *known;
    Remove(name);
    m_files.prepend(entry);
    while (m_files.size() > kMax)
        m_files.removeLast();
}

void TRecentFiles::Left(const TRecentFile& place)
{
    for (TRecentFile& f : m_files) {
        if (f.Name == place.Name)
            f = place;
    }
}

void TRecentFiles::Remove(const QString& name)
{
    m_files.removeIf([&](const TRecentFile& f) { return f.Name == name; });
}

namespace {
    // An entry names its encoding; entries written before there were more than six kept its number.
    QString EncodingOfEntry(const QString& field)
    {
        static const char* const kNumbered[] = { "", "UTF-8", "Windows-1252", "ISO-8859-1", "UTF-16 LE", "UTF-16 BE" };
        bool number = false;
        const int n = field.toInt(&number);
        if (number)
            return n > 0 && n < int(std::size(kNumbered)) ? QString::fromLatin1(kNumbered[n]) : QString();
        return field.trimmed();
    }
} // namespace

void TRecentFiles::Load(const platform::SettingsStore& store)
{
    m_files.clear();
    m_reopen = store.ReadBool(kSection, QStringLiteral("ReopenAtLastPlace"), true);
    for (int i = 0; i < kMax; ++i) {
        // "line,hex,encoding,name"; an entry that does not read so is left out.
        const QString value = store.ReadString(kSection, EntryKey(i), QString());
        const QStringList parts = value.split(QLatin1Char(','));
        if (parts.size() < 4)
            continue;
        bool okLine = false, okHex = false;
        TRecentFile f;
        f.Line = parts[0].toLongLong(&okLine);
        f.Hex = parts[1].toInt(&okHex) != 0;
        f.Encoding = EncodingOfEntry(parts[2]);
        const QByteArray bytes = QByteArray::fromPercentEncoding(value.section(QLatin1Char(','), 3).toLatin1());
        if (!okLine || !okHex || f.Line < 0 || bytes.isEmpty())
            continue;
        f.Name = platform::DecodeFileName(bytes);
        if (!Find(f.Name))
            m_files.append(f);
    }
}

void TRecentFiles::Save(platform::SettingsStore& store) const
{
    store.WriteBool(kSection, QStringLiteral("ReopenAtLastPlace"), m_reopen);
    for (int i = 0; i < kMax; ++i) {
        QString value;
        if (i < m_files.size()) {
            const TRecentFile& f = m_files[i];
            value = QStringLiteral("%1,%2,%3,")
                        .arg(f.Line)
                        .arg(f.Hex ? 1 : 0)
                        .arg(QString(f.Encoding).remove(QLatin1Char(',')))
                + QString::fromLatin1(platform::EncodeFileName(f.Name).toPercentEncoding(kPlainBytes));
        }
        store.WriteString(kSection, EntryKey(i), value);
    }
    store.Flush();
}

QString RecentMenuText(int index, const QString& shownName)
{
    QString name = shownName;
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

} // namespace hy::settings
