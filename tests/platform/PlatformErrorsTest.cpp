// errno mapping: every errno the program knows gets its code; the rest keep their own number.
#include "platform/PlatformErrors.h"

#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
using namespace hy::platform;

using hy::platform::ErrorCodeFromErrno;

TEST(PlatformErrors, KnownErrnoValuesMapToProgramCodes)
{
    const std::pair<int, int> table[] = {
        { ENOTDIR, 3 },
        { EMFILE, 4 },
        { ENFILE, 4 },
        { EACCES, 5 },
        { EPERM, 5 },
        { EROFS, 5 },
        { ENOMEM, 8 },
        { ENODEV, 15 },
        { ENXIO, 15 },
        { EBUSY, 32 },
        { ETXTBSY, 32 },
        { ENOSPC, 112 },
        { EDQUOT, 112 },
        { EIO, 30 },
        { ENAMETOOLONG, 206 },
        { ELOOP, 1921 },
        { 0, 0 },
    };
    for (const auto& [err, code] : table)
        EXPECT_EQ(ErrorCodeFromErrno(err), code) << "errno " << err;
    EXPECT_EQ(ErrorCodeFromErrno(EINVAL), EINVAL);
}

TEST(PlatformErrors, MissingFileIsTwoAndMissingDirectoryOnTheWayIsThree)
{
    QTemporaryDir dir;
    const QByteArray missingFile = (dir.path() + "/nothing.txt").toLocal8Bit();
    const QByteArray missingDir = (dir.path() + "/nodir/nothing.txt").toLocal8Bit();
    EXPECT_EQ(ErrorCodeFromErrno(ENOENT, missingFile.constData()), 2);
    EXPECT_EQ(ErrorCodeFromErrno(ENOENT, missingDir.constData()), 3);
    EXPECT_EQ(ErrorCodeFromErrno(ENOENT), 2);
}
