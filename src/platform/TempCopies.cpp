// The private folders of temporary copies: made with mkdtemp, checked, and removed only with the one
// copy the program put there.
#include "platform/TempCopies.h"

#include "base/ErrorCodes.h"
#include "platform/FileDescriptor.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "platform/PrivateFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::platform {

using namespace hy::base;

namespace {

    // The folder a new copy goes into: made with a name nobody can guess and nobody else may enter.
    int MakePrivateFolder(const QByteArray& parent, QByteArray& folder, struct stat& facts)
    {
        QByteArray pattern = parent;
        while (pattern.size() > 1 && pattern.endsWith('/'))
            pattern.chop(1);
        if (!pattern.endsWith('/'))
            pattern += '/';
        pattern += "hyview-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            return ErrorCodeFromErrno(errno, parent.constData());
        const TFileDescriptor fd(::open(pattern.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        // A folder that is not the one just made, not this user's own, or that others may enter is not used.
        const bool sound = fd.Valid() && ::fchmod(fd.Get(), 0700) == 0 && ::fstat(fd.Get(), &facts) == 0
            && IsPrivateFolderEntry(facts);
        if (!sound) {
            ::rmdir(pattern.constData());
            return kErrorCreateTempFile;
        }
        folder = pattern;
        return 0;
    }

} // namespace

TTempCopies::~TTempCopies() { RemoveAll(); }

QString TTempCopies::NewCopy(const QString& parent, const QString& name, int& errorCode)
{
    const QByteArray file = EncodeFileName(name);
    if (parent.isEmpty() || file.isEmpty() || file.contains('/') || file == "." || file == "..") {
        errorCode = kErrorPathNotFound;
        return QString();
    }
    TCopy copy;
    struct stat facts { };
    errorCode = MakePrivateFolder(EncodeFileName(parent), copy.Folder, facts);
    if (errorCode != 0)
        return QString();
    copy.Name = file;
    copy.Device = quint64(facts.st_dev);
    copy.Inode = quint64(facts.st_ino);
    const QString path = DecodeFileName(copy.Folder + '/' + copy.Name);
    m_copies.insert(path, copy);
    return path;
}

bool TTempCopies::IsKept(const QString& path) const
{
    const auto it = m_copies.constFind(path);
    return it != m_copies.cend() && it->Kept;
}

void TTempCopies::Release(const QString& path)
{
    const auto it = m_copies.find(path);
    if (it == m_copies.end() || it->Kept)
        return;
    Remove(*it);
    m_copies.erase(it);
}

void TTempCopies::Keep(const QString& path)
{
    const auto it = m_copies.find(path);
    if (it != m_copies.end())
        it->Kept = true;
}

void TTempCopies::RemoveAll()
{
    for (const TCopy& copy : std::as_const(m_copies))
        Remove(copy);
    m_copies.clear();
}

void TTempCopies::Remove(const TCopy& copy)
{
    // The folder must still be the one made for the copy; what else may be in it stays, and so does the
    // folder then.
    TFileDescriptor fd(::open(copy.Folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid())
        return;
    struct stat facts { };
    const bool same
        = ::fstat(fd.Get(), &facts) == 0 && quint64(facts.st_dev) == copy.Device && quint64(facts.st_ino) == copy.Inode;
    if (same)
        ::unlinkat(fd.Get(), copy.Name.constData(), 0);
    fd.Reset();
    if (same)
        ::rmdir(copy.Folder.constData());
}

TTempCopies& TempCopies()
{
    static TTempCopies copies;
    return copies;
}

} // namespace hy::platform
