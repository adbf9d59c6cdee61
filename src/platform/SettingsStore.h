// The settings store: sections of named string values kept per user ("Software\Halcyra\Brimlow"), in the
// file Brimlow.conf of the settings folder. Every value is stored as text and read back exactly as it was
// written; a value typed into the file by hand is read as it stands.
#pragma once

#include <QList>
#include <QString>

#include "platform/ProfileFile.h"

namespace hy::platform {

// A stored number when it lies within min..max, else def: a value out of range falls back instead of
// wrapping into whatever a narrower type would make of it.
constexpr qint64 SettingInRange(qint64 value, qint64 min, qint64 max, qint64 def)
{
    return value >= min && value <= max ? value : def;
}

class SettingsStore {
public:
    // The user's own store. Tests point XDG_CONFIG_HOME elsewhere.
    SettingsStore();
    // A store in a given file.
    explicit SettingsStore(const QString& iniFile);
    // Writes what was changed and not flushed yet; a failure then goes unreported.
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString FileName() const { return m_fileName; }
    // Why the file was not read (see TProfileFile::ReadError); every value then reads as its default, and
    // Flush refuses to write over the file.
    int ReadError() const { return m_file.ReadError(); }

    bool HasValue(const QString& section, const QString& name) const;
    QString ReadString(const QString& section, const QString& name, const QString& def) const;
    // Decimal text, or hexadecimal after "0x"/"0X" when longer than 2 characters; def when missing or not a number.
    qint64 ReadInteger(const QString& section, const QString& name, qint64 def) const;
    // The same, and def too when the number lies outside min..max.
    qint64 ReadInteger(const QString& section, const QString& name, qint64 def, qint64 min, qint64 max) const
    {
        return SettingInRange(ReadInteger(section, name, def), min, max, def);
    }
    bool ReadBool(const QString& section, const QString& name, bool def) const;

    void WriteString(const QString& section, const QString& name, const QString& value);
    void WriteInteger(const QString& section, const QString& name, qint64 value);
    void WriteBool(const QString& section, const QString& name, bool value);
    // Writes the changes into the file (values another program changed meanwhile stay as they are there).
    // Throws hy::EInOutError with the error code of the cause when the file cannot be read or written.
    void Flush();

private:
    struct Change {
        QString Section;
        QString Name;
        QString Value;
    };

    QString m_fileName;
    TProfileFile m_file;
    QList<Change> m_changes;
};

// Converts stored text as ReadInteger does; false when it is not a number.
bool ParseStoredInteger(const QString& text, qint64& value);

// A value of a profile file (win.ini beside the settings), sections and names compared without regard to
// case. When the file is absent or cannot be read it behaves as if it held the stock sections:
// [mci extensions] with mpg, mov, avi, wav, mid and rmi, and an empty [Extensions].
QString ReadProfileString(const QString& section, const QString& key, const QString& def);

// Where that profile file lives.
QString WinIniPath();

} // namespace hy::platform
