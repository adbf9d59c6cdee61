// A temporary folder for one test and the files the test writes into it. Names may hold any bytes (see
// platform/FileNames.h), so that tests can make the names a file system allows but UTF-8 does not.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace hy::test {

class TTempFolder {
public:
    TTempFolder() = default;
    // Removes the folder by the bytes of its names: Qt's own removal misses names that are not UTF-8.
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    bool IsValid() const { return m_dir.isValid(); }
    QString Path() const { return m_dir.path(); }
    // The path of a name in the folder.
    QString PathOf(const QString& name) const;
    // Writes bytes to a name in the folder (or to an absolute path) with the given mode; returns the path,
    // or an empty text when the file could not be written.
    QString Write(const QString& name, const QByteArray& bytes, int mode = 0644) const;

private:
    QTemporaryDir m_dir;
};

// The whole content of a file; empty when it cannot be read.
QByteArray ReadAll(const QString& path);

} // namespace hy::test
