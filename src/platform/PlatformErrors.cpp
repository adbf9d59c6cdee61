// errno to program error codes.
#include "platform/PlatformErrors.h"

#include "base/ErrorCodes.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace hy::platform {

using namespace hy::base;

namespace {

    // ENOENT names either the file itself or a directory on the way; the parent tells which.
    bool ParentDirectoryMissing(const char* path)
    {
        if (!path || !*path)
            return false;
        std::string p(path);
        while (p.size() > 1 && p.back() == '/')
            p.pop_back();
        const auto slash = p.rfind('/');
        if (slash == std::string::npos)
            return false;
        const std::string parent = slash == 0 ? std::string("/") : p.substr(0, slash);
        struct stat st { };
        return ::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
    }

} // namespace

int ErrorCodeFromErrno(int err, const char* pathForEnoent)
{
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
        return ParentDirectoryMissing(pathForEnoent) ? kErrorPathNotFound : kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrorAccessDenied;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case ENODEV:
    case ENXIO:
        return kErrorInvalidDrive;
    case EBUSY:
    case ETXTBSY:
        return kErrorSharingViolation;
    case ENOSPC:
    case EDQUOT:
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorNameTooLong;
    case ELOOP:
        return kErrorLinkLoop;
    case EIO:
        return kErrorDiskFault;
    default:
        return err;
    }
}

int LastErrorCode(const char* pathForEnoent) { return ErrorCodeFromErrno(errno, pathForEnoent); }

} // namespace hy::platform
