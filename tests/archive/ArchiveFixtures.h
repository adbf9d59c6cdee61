// Archives for the archive tests, made in a temporary folder by the real zip tool, by 7z (WinZip AES,
// methods libzip cannot unpack), by Python's zipfile (for names and fields zip never writes) or by libzip.
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
    static bool Have7z();

    // Runs a program; its exit code (-1 when it could not start). Output goes to *output when given.
    static int Run(const QString& program, const QStringList& args, const QString& workDir = QString(),
        QByteArray* output = nullptr);

    // Writes the files into a staging folder and archives them with zip; extra arguments go before the
    // archive name (-P secret, -0, -fz ...). Returns the archive's path, empty on failure.
    QString MakeZip(const QString& archiveName, const QList<ZipInput>& files, const QStringList& zipArgs = {});
    // Runs a Python snippet with zipfile, struct and sys imported and `path` set to the archive to write;
    // the argument, if any, is sys.argv[2].
    QString MakePythonZip(const QString& archiveName, const QString& body, const QString& argument = QString());
    // Writes the files into a staging folder and archives them with "7z a -tzip"; extra arguments go
    // before the archive name (-pPASS -mem=AES256, -mm=LZMA ...). Returns the archive's path, empty on failure.
    QString Make7zZip(const QString& archiveName, const QList<ZipInput>& files, const QStringList& args = {});
    // "<method>.zip" holding "packed.txt" with the data, packed by 7z with that method (LZMA, Deflate64 ...).
    QString MakePackedWith(const QString& method, const QByteArray& data);
    // An archive of members all named "dup.txt", all with one date, holding the contents in that order.
    QString MakeSameNameZip(const QString& archiveName, const QList<QByteArray>& contents);
    // "line 0\n" up to "line <count - 1>\n": text that packs well.
    static QByteArray NumberedLines(int count);
    // 7z's own extraction of a whole archive into a folder: its exit code.
    static int Extract7z(const QString& archive, const QString& folder, const QString& password = {});
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
    // A new staging folder holding the files; empty on failure.
    QString Stage(const QList<ZipInput>& files, QStringList& names);
    // Stages the files and runs the program there with the arguments, the archive and the names.
    QString MakeWith(
        const QString& program, const QStringList& args, const QString& archiveName, const QList<ZipInput>& files);

    QTemporaryDir m_dir;
    int m_stage = 0;
};

} // namespace hy::test
