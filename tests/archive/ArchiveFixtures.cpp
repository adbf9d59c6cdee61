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

bool ArchiveFixtures::Have7z() { return !QStandardPaths::findExecutable(QStringLiteral("7z")).isEmpty(); }

QString ArchiveFixtures::Stage(const QList<ZipInput>& files, QStringList& names)
{
    const QString stage = m_dir.filePath(QStringLiteral("stage%1").arg(++m_stage));
    QDir().mkpath(stage);
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
    return stage;
}

QString ArchiveFixtures::MakeWith(
    const QString& program, const QStringList& args, const QString& archiveName, const QList<ZipInput>& files)
{
    QStringList names;
    const QString stage = Stage(files, names);
    if (stage.isEmpty())
        return QString();
    const QString archive = m_dir.filePath(archiveName);
    QFile::remove(archive);
    QByteArray out;
    if (Run(program, QStringList(args) << archive << names, stage, &out) != 0) {
        qWarning("%s: %s", qPrintable(program), out.constData());
        return QString();
    }
    return archive;
}

QString ArchiveFixtures::MakeZip(const QString& archiveName, const QList<ZipInput>& files, const QStringList& zipArgs)
{
    return MakeWith(QStringLiteral("zip"), QStringList { QStringLiteral("-q"), QStringLiteral("-X") } + zipArgs,
        archiveName, files);
}

QString ArchiveFixtures::Make7zZip(const QString& archiveName, const QList<ZipInput>& files, const QStringList& args)
{
    return MakeWith(QStringLiteral("7z"),
        QStringList { QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-bd") } + args, archiveName, files);
}

QByteArray ArchiveFixtures::NumberedLines(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "line " + QByteArray::number(i) + '\n';
    return text;
}

QString ArchiveFixtures::MakePackedWith(const QString& method, const QByteArray& data)
{
    return Make7zZip(method + QStringLiteral(".zip"), { { QStringLiteral("packed.txt"), data, {} } },
        { QStringLiteral("-mm=") + method });
}

QString ArchiveFixtures::MakeSameNameZip(const QString& archiveName, const QList<QByteArray>& contents)
{
    QStringList args;
    for (const QByteArray& c : contents)
        args << QString::fromLatin1(c.toHex());
    return MakePythonZip(archiveName, QStringLiteral(R"(
import warnings
warnings.simplefilter('ignore')
z = zipfile.ZipFile(path, 'w')
for data in sys.argv[2].split(','):
    z.writestr(zipfile.ZipInfo('dup.txt', (2024, 1, 1, 0, 0, 0)), bytes.fromhex(data))
z.close()
)"),
        args.join(QLatin1Char(',')));
}

int ArchiveFixtures::Extract7z(const QString& archive, const QString& folder, const QString& password)
{
    QStringList args { QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-bd"), QLatin1String("-o") + folder,
        QLatin1String("-p") + password, archive };
    return Run(QStringLiteral("7z"), args);
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
    // 1 is a warning (extra bytes before the archive, say): the listing follows all the same.
    const int code
        = Run(QStringLiteral("zipinfo"), { QStringLiteral("-T"), QStringLiteral("-s"), archive }, QString(), &out);
    if (code != 0 && code != 1)
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
