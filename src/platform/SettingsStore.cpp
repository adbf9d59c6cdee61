// Settings over QSettings: the registry on Windows, an INI file under XDG_CONFIG_HOME here.
#include "platform/SettingsStore.h"

#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"
#include "platform/PlatformPaths.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace hy::platform {

namespace {

    QString Key(const QString& section, const QString& name) { return section + QLatin1Char('/') + name; }

    // QSettings' INI reader turns an unquoted value with commas into a list; stored values are text,
    // so a list is joined back with the commas it was split at.
    QString ValueText(const QVariant& v)
    {
        if (v.userType() == QMetaType::QStringList)
            return v.toStringList().join(QLatin1Char(','));
        return v.toString();
    }

} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(
        QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Halcyra"), QStringLiteral("Brimlow")))
{
}

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::FileName() const { return m_settings->fileName(); }

bool SettingsStore::HasValue(const QString& section, const QString& name) const
{
    return m_settings->contains(Key(section, name));
}

QString SettingsStore::ReadString(const QString& section, const QString& name, const QString& def) const
{
    const QVariant v = m_settings->value(Key(section, name));
    return v.isValid() ? ValueText(v) : def;
}

bool ParseStoredInteger(const QString& text, qint64& value)
{
    bool ok = false;
    if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X"))))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    return ok;
}

qint64 SettingsStore::ReadInteger(const QString& section, const QString& name, qint64 def) const
{
    const QVariant v = m_settings->value(Key(section, name));
    qint64 value = 0;
    if (!v.isValid() || !ParseStoredInteger(ValueText(v), value))
        return def;
    return value;
}

bool SettingsStore::ReadBool(const QString& section, const QString& name, bool def) const
{
    return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void SettingsStore::WriteString(const QString& section, const QString& name, const QString& value)
{
    m_settings->setValue(Key(section, name), value);
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
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        throw EInOutError(
            QStringLiteral("Unable to write the settings file %1").arg(m_settings->fileName()), kErrorAccessDenied);
}

QString WinIniPath() { return SettingsFolder() + QStringLiteral("/win.ini"); }

QString ReadProfileString(const QString& section, const QString& key, const QString& def)
{
    const QString path = WinIniPath();
    if (!QFileInfo::exists(path)) {
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
    // Profile keys are compared without regard to case.
    QSettings ini(path, QSettings::IniFormat);
    for (const QString& group : ini.childGroups()) {
        if (group.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        ini.beginGroup(group);
        for (const QString& k : ini.childKeys()) {
            if (k.compare(key, Qt::CaseInsensitive) == 0)
                return ValueText(ini.value(k));
        }
        ini.endGroup();
    }
    return def;
}

} // namespace hy::platform
