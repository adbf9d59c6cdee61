// TProfileFile: a file of [sections] holding name=value lines, as the settings and win.ini are kept. A value
// reads back exactly as it was written, and a value typed by hand into the file is taken as it stands:
// only a value that is one double-quoted stretch as a whole loses its quotes (and its \" \\ \n \r escapes).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace hy::platform {

// What is read of a profile file at most; a longer one is refused.
inline constexpr qint64 kMaxProfileFileSize = 1 << 20;

class TProfileFile {
public:
    TProfileFile() = default;
    // Reads a file; a missing or unreadable one reads as empty. Only a regular file of at most
    // kMaxProfileFileSize bytes is read: a pipe, a device or a link to one never makes the program wait.
    explicit TProfileFile(const QString& path);

    // Why the file was not read: 0 when it was read or does not exist, else the error code (a pipe or
    // device, a file too large, access denied...).
    int ReadError() const { return m_readError; }

    // False, with value untouched, when the section or the name is missing.
    bool Find(
        const QString& section, const QString& name, QString& value, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    // Replaces the value, or adds it at the end of its section (the section at the end of the file).
    void Set(const QString& section, const QString& name, const QString& value);

    // The file's text: every section with its values, in the order they came.
    QByteArray Text() const;
    // Writes text to path under a temporary name and renames it, creating missing folders on the way.
    // 0 or the error code of the step that failed.
    static int Save(const QString& path, const QByteArray& text);

private:
    struct Entry {
        QString Name;
        QString Value;
    };
    struct Section {
        QString Name;
        QList<Entry> Entries;
    };
    Section* SectionNamed(const QString& name);
    void Parse(const QByteArray& text);

    QList<Section> m_sections;
    int m_readError = 0;
};

// A value as it stands in the file (the text after "="), and the text that stands for a value.
QString ParseProfileValue(const QString& raw);
QString ProfileValueText(const QString& value);

} // namespace hy::platform
