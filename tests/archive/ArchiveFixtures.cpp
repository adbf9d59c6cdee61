// Making archives for the tests with zip, Python and libzip.
#include "archive/ArchiveFixtures.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <utime.h>
#include <zip.h>

namespace hy::test {

ArchiveFixtures::ArchiveFixtures() = default;

bool ArchiveFixtures::HaveZipTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("zipinfo")).isEmpty();
}

bool ArchiveFixtures::HavePython() { return !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty(); }

int ArchiveFixtures::Run(const QString& program, const QStringList& args, const QString& workDir, QByteArray* output)
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    p.closeWriteChannel();
    if (!p.waitForFinished(300000))
        return -1;
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString ArchiveFixtures::MakeZip(const QString& archiveName, const QList<ZipInput>& files, const QStringList& zipArgs)
{
    const QString stage = m_dir.filePath(QStringLiteral("stage%1").arg(++m_stage));
    QDir().mkpath(stage);
    QStringList names;
    for (const ZipInput& f : files) {
        const QString path = stage + QLatin1Char('/') + f.Name;
        if (f.Name.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(path);
        } else {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly))
                return QString();
            out.write(f.Data);
        }
        if (f.Modified.isValid()) {
            struct utimbuf times { };
            times.actime = times.modtime = time_t(f.Modified.toSecsSinceEpoch());
            utime(QFile::encodeName(path).constData(), &times);
        }
        names << f.Name;
    }
    const QString archive = m_dir.filePath(archiveName);
    QFile::remove(archive);
    QStringList args { QStringLiteral("-q"), QStringLiteral("-X") };
    args << zipArgs << archive << names;
    return Run(QStringLiteral("zip"), args, stage) == 0 ? archive : QString();
}

QString ArchiveFixtures::MakePythonZip(const QString& archiveName, const QString& body, const QString& argument)
{
    const QString archive = m_dir.filePath(archiveName);
    const QString script = QStringLiteral("import zipfile, struct, sys\npath = sys.argv[1]\n") + body;
    QByteArray out;
    QStringList args { QStringLiteral("-c"), script, archive };
    if (!argument.isEmpty())
        args << argument;
    if (Run(QStringLiteral("python3"), args, QString(), &out) != 0) {
        qWarning("python: %s", out.constData());
        return QString();
    }
    return archive;
}

QString ArchiveFixtures::MakeAesZip(
    const QString& archiveName, const QList<ZipInput>& files, const QByteArray& password)
{
    const QString archive = m_dir.filePath(archiveName);
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za)
        return QString();
    QList<QByteArray> keep;
    for (const ZipInput& f : files) {
        keep << f.Data;
        zip_source_t* src = zip_source_buffer(za, keep.last().constData(), zip_uint64_t(keep.last().size()), 0);
        const zip_int64_t i = zip_file_add(za, f.Name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
        if (i < 0 || zip_file_set_encryption(za, zip_uint64_t(i), ZIP_EM_AES_256, password.constData()) != 0) {
            zip_discard(za);
            return QString();
        }
    }
    return zip_close(za) == 0 ? archive : QString();
}

QString ArchiveFixtures::MakeManyZip(const QString& archiveName, int count)
{
    const QString archive = m_dir.filePath(archiveName);
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za)
        return QString();
    static const char data[] = "a small member\n";
    for (int i = 0; i < count; ++i) {
        const QByteArray name = QStringLiteral("d%1/file_%2.txt")
                                    .arg(i / 1000, 3, 10, QLatin1Char('0'))
                                    .arg(i, 5, 10, QLatin1Char('0'))
                                    .toLatin1();
        zip_source_t* src = zip_source_buffer(za, data, sizeof data - 1, 0);
        const zip_int64_t index = zip_file_add(za, name.constData(), src, 0);
        if (index < 0 || zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_STORE, 0) != 0) {
            zip_discard(za);
            return QString();
        }
    }
    return zip_close(za) == 0 ? archive : QString();
}

QList<ArchiveFixtures::InfoLine> ArchiveFixtures::ZipInfo(const QString& archive)
{
    QByteArray out;
    QList<InfoLine> lines;
    if (Run(QStringLiteral("zipinfo"), { QStringLiteral("-T"), QStringLiteral("-s"), archive }, QString(), &out) != 0)
        return lines;
    // -rw-r--r--  3.0 unx        6 tx stor 20261208.150838 name with blanks
    for (const QByteArray& raw : out.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() < 8 || (line.at(0) != QLatin1Char('-') && line.at(0) != QLatin1Char('l')))
            continue;
        InfoLine info;
        info.Size = f.at(3).toLongLong();
        info.Stamp = f.at(6);
        // The name is the rest of the line after the stamp.
        info.Name = line.mid(line.indexOf(info.Stamp) + info.Stamp.size() + 1);
        lines << info;
    }
    return lines;
}

QStringList ArchiveFixtures::Tree(const QString& folder)
{
    QStringList entries;
    QDirIterator it(
        folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(folder).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

} // namespace hy::test
