// The fuzz targets' shared helpers.
#include "FuzzSupport.h"

#include "platform/FileNames.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::fuzz {

void Fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
    std::abort();
}

namespace {
    void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
            std::abort();
        }
    }

    QByteArray TempRoot()
    {
        const QByteArray tmp = qgetenv("TMPDIR");
        return tmp.isEmpty() ? QByteArray("/tmp") : tmp;
    }

    int RemoveOne(const char* path, const struct stat*, int, struct FTW*)
    {
        ::remove(path); // what cannot go stays; the walk goes on
        return 0;
    }
} // namespace

void PrepareProcess()
{
    qInstallMessageHandler(QuietMessages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::umask(022);
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QByteArray folder = TempRoot() + "/hy-fuzz-run-XXXXXX";
        if (::mkdtemp(folder.data()))
            qputenv("XDG_RUNTIME_DIR", folder);
    }
}

TScratch::TScratch()
{
    QByteArray folder = TempRoot() + "/hy-fuzz-XXXXXX";
    if (!::mkdtemp(folder.data()))
        Fail("a scratch folder can be made", __FILE__, __LINE__);
    m_path = folder;
}

TScratch::~TScratch()
{
    // Whatever the code under test left, read-only folders included, goes.
    for (const TTreeEntry& e : ListTree(m_path))
        if (e.IsFolder)
            ::chmod((m_path + '/' + e.Path).constData(), 0700);
    ::nftw(m_path.constData(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

QString TScratch::Name() const { return platform::DecodeFileName(m_path); }

QString TScratch::Write(const char* name, const uint8_t* data, size_t size) const
{
    const QByteArray path = m_path + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    HY_FUZZ_CHECK(fd >= 0);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        HY_FUZZ_CHECK(n > 0);
        done += size_t(n);
    }
    ::close(fd);
    return platform::DecodeFileName(path);
}

std::vector<TTreeEntry> ListTree(const QByteArray& folder)
{
    std::vector<TTreeEntry> entries;
    std::vector<QByteArray> pending { QByteArray() };
    while (!pending.empty()) {
        const QByteArray below = pending.back();
        pending.pop_back();
        const QByteArray path = below.isEmpty() ? folder : folder + '/' + below;
        DIR* dir = ::opendir(path.constData());
        if (!dir)
            continue;
        while (const dirent* d = ::readdir(dir)) {
            if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0)
                continue;
            TTreeEntry e;
            e.Path = below.isEmpty() ? QByteArray(d->d_name) : below + '/' + d->d_name;
            struct stat st { };
            if (::lstat((folder + '/' + e.Path).constData(), &st) != 0)
                continue;
            e.IsLink = S_ISLNK(st.st_mode);
            e.IsFolder = S_ISDIR(st.st_mode);
            e.IsFile = S_ISREG(st.st_mode);
            if (e.IsFolder)
                pending.push_back(e.Path);
            entries.push_back(e);
        }
        ::closedir(dir);
    }
    return entries;
}

void CheckExtracted(const TScratch& scratch, const QByteArray& input, const QByteArray& temporaryPrefix)
{
    for (const TTreeEntry& e : ListTree(scratch.Path())) {
        HY_FUZZ_CHECK(e.Path == input || e.Path == "out" || e.Path.startsWith("out/"));
        HY_FUZZ_CHECK(!e.IsLink);
        HY_FUZZ_CHECK(!e.Path.contains('/' + temporaryPrefix));
        HY_FUZZ_CHECK(e.IsFile || e.IsFolder);
        struct stat st { };
        HY_FUZZ_CHECK(::lstat((scratch.Path() + '/' + e.Path).constData(), &st) == 0);
        HY_FUZZ_CHECK((st.st_mode & (S_ISUID | S_ISGID)) == 0);
    }
}

bool RunEventsUntil(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

} // namespace hy::fuzz
