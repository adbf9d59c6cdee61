// The settings store: sections of named string values kept per user ("Software\Halcyra\Brimlow").
// Every value is stored as text and read back exactly as it was written.
#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace hy::platform {

class SettingsStore {
public:
    // The user's own store. Tests point XDG_CONFIG_HOME elsewhere.
    SettingsStore();
    // A store in a given file (profile files such as win.ini use the same reader).
    explicit SettingsStore(const QString& iniFile);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString FileName() const;

    bool HasValue(const QString& section, const QString& name) const;
    QString ReadString(const QString& section, const QString& name, const QString& def) const;
    // Decimal text, or hexadecimal after "0x"/"0X" when longer than 2 characters; def when missing or not a number.
    qint64 ReadInteger(const QString& section, const QString& name, qint64 def) const;
    bool ReadBool(const QString& section, const QString& name, bool def) const;

    // Writes throw hy::EInOutError when the store cannot be written (checked by Flush()).
    void WriteString(const QString& section, const QString& name, const QString& value);
    void WriteInteger(const QString& section, const QString& name, qint64 value);
    void WriteBool(const QString& section, const QString& name, bool value);
    void Flush();

private:
    std::unique_ptr<QSettings> m_settings;
};

// Converts stored text as ReadInteger does; false when it is not a number.
bool ParseStoredInteger(const QString& text, qint64& value);

// A value of a profile file (win.ini beside the settings). When the file is absent it behaves as if it held
// the stock sections: [mci extensions] with mpg, mov, avi, wav, mid and rmi, and an empty [Extensions].
QString ReadProfileString(const QString& section, const QString& key, const QString& def);

// Where that profile file lives.
QString WinIniPath();

} // namespace hy::platform
