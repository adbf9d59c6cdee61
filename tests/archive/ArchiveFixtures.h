// Archives for the archive tests, made in a temporary folder by the real zip tool, by Python's zipfile
// (for names and fields zip never writes) or by libzip (AES encryption).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace hy::test {

struct ZipInput {
    QString Name; // path inside the archive
    QByteArray Data;
    QDateTime Modified; // invalid: now
};

class ArchiveFixtures {
public:
    ArchiveFixtures();

    bool IsValid() const { return m_dir.isValid(); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Whether the command-line tools the fixtures need are installed.
    static bool HaveZipTools();
    static bool HavePython();

    // Runs a program; its exit code (-1 when it could not start). Output goes to *output when given.
    static int Run(const QString& program, const QStringList& args, const QString& workDir = QString(),
        QByteArray* output = nullptr);

    // Writes the files into a staging folder and archives them with zip; extra arguments go before the
    // archive name (-P secret, -0, -fz ...). Returns the archive's path, empty on failure.
    QString MakeZip(const QString& archiveName, const QList<ZipInput>& files, const QStringList& zipArgs = {});
    // Runs a Python snippet with zipfile, struct and sys imported and `path` set to the archive to write;
    // the argument, if any, is sys.argv[2].
    QString MakePythonZip(const QString& archiveName, const QString& body, const QString& argument = QString());
    // An archive whose members are AES-256 encrypted with the password, written by libzip.
    QString MakeAesZip(const QString& archiveName, const QList<ZipInput>& files, const QByteArray& password);

    // An archive of count small members "dNNN/file_NNNNN.txt", written by libzip.
    QString MakeManyZip(const QString& archiveName, int count);

    // "zipinfo -T -s" lines of the archive's files (folders left out): name, size and date of each.
    struct InfoLine {
        QString Name;
        qint64 Size = 0;
        QString Stamp; // yyyymmdd.hhmmss
    };
    static QList<InfoLine> ZipInfo(const QString& archive);

    // Every entry below a folder, as relative paths, sorted.
    static QStringList Tree(const QString& folder);

private:
    QTemporaryDir m_dir;
    int m_stage = 0;
};

} // namespace hy::test
