// Settings in a profile file under XDG_CONFIG_HOME.
#include "platform/SettingsStore.h"

#include "base/HyExceptions.h"
#include "platform/PlatformPaths.h"

#include <QFileInfo>
#include <QStringList>

namespace hy::platform {

using namespace hy::base;

SettingsStore::SettingsStore()
    : SettingsStore(SettingsFolder() + QStringLiteral("/Brimlow.conf"))
{
}

SettingsStore::SettingsStore(const QString& iniFile)
    : m_fileName(iniFile)
    , m_file(iniFile)
{
}

SettingsStore::~SettingsStore()
{
    try {
        if (!m_changes.isEmpty())
            Flush();
    } catch (const std::exception&) {
    }
}

bool SettingsStore::HasValue(const QString& section, const QString& name) const
{
    QString value;
    return m_file.Find(section, name, value);
}

QString SettingsStore::ReadString(const QString& section, const QString& name, const QString& def) const
{
    QString value = def;
    m_file.Find(section, name, value);
    return value;
}

bool ParseStoredInteger(const QString& text, qint64& value)
{
    bool ok = false;
    const QString t = text.trimmed();
    if (t.size() > 2 && (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X"))))
        value = t.mid(2).toLongLong(&ok, 16);
    else
        value = t.toLongLong(&ok, 10);
    return ok;
}

qint64 SettingsStore::ReadInteger(const QString& section, const QString& name, qint64 def) const
{
    QString text;
    qint64 value = 0;
    if (!m_file.Find(section, name, text) || !ParseStoredInteger(text, value))
        return def;
    return value;
}

bool SettingsStore::ReadBool(const QString& section, const QString& name, bool def) const
{
    return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void SettingsStore::WriteString(const QString& section, const QString& name, const QString& value)
{
    m_file.Set(section, name, value);
    m_changes.append(Change { section, name, value });
}

void SettingsStore::WriteInteger(const QString& section, const QString& name, qint64 value)
{
    WriteString(section, name, QString::number(value));
}

void SettingsStore::WriteBool(const QString& section, const QString& name, bool value)
{
    WriteString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsStore::Flush()
{
    if (m_changes.isEmpty())
        return;
    TProfileFile current(m_fileName);
    // A file that could not be read is not written over: what it holds would be lost.
    if (current.ReadError() != 0)
        throw EInOutError(QStringLiteral("The settings were not saved to %1").arg(m_fileName), current.ReadError());
    for (const Change& c : m_changes)
        current.Set(c.Section, c.Name, c.Value);
    const int code = TProfileFile::Save(m_fileName, current.Text());
    if (code != 0)
        throw EInOutError(QStringLiteral("The settings were not saved to %1").arg(m_fileName), code);
    m_file = current;
    m_changes.clear();
}

QString WinIniPath() { return SettingsFolder() + QStringLiteral("/win.ini"); }

QString ReadProfileString(const QString& section, const QString& key, const QString& def)
{
    const QString path = WinIniPath();
    // A file that cannot be read (a pipe, a device, one too large) counts as absent.
    const TProfileFile file(path);
    if (!QFileInfo::exists(path) || file.ReadError() != 0) {
        static const QStringList stockMedia = { "mpg", "mov", "avi", "wav", "mid", "rmi" };
        if (section.compare(QLatin1String("mci extensions"), Qt::CaseInsensitive) == 0
            && stockMedia.contains(key, Qt::CaseInsensitive)) {
            return key.compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0 ? QStringLiteral("waveaudio")
                : key.compare(QLatin1String("mid"), Qt::CaseInsensitive) == 0
                    || key.compare(QLatin1String("rmi"), Qt::CaseInsensitive) == 0
                ? QStringLiteral("sequencer")
                : QStringLiteral("MPEGVideo");
        }
        return def;
    }
    QString value = def;
    file.Find(section, key, value, Qt::CaseInsensitive);
    return value;
}

} // namespace hy::platform
