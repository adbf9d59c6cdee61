// The folder of the program's sockets: only a folder of this user that nobody else may enter, never a link,
// and never one in a temporary folder where others could move it away.
#include "platform/PrivateFolder.h"

#include "support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy::platform;

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }
void Mode(const QString& path, mode_t mode) { ASSERT_EQ(::chmod(Native(path).constData(), mode), 0); }

// Another user, for folders that are not ours: only root can give a folder away.
constexpr uid_t kOtherUser = 65534;

} // namespace

TEST(PrivateFolder, OnlyAFolderOfOurOwnClosedToOthersCounts)
{
    hy::test::TTempFolder dir;
    const std::pair<const char*, int> modes[] = { { "private", 0700 }, { "readonly", 0500 }, { "group", 0750 },
        { "groupwrite", 0720 }, { "others", 0701 }, { "open", 0777 } };
    for (const auto& [name, mode] : modes) {
        ASSERT_TRUE(QDir().mkpath(dir.PathOf(name)));
        Mode(dir.PathOf(name), mode_t(mode));
        EXPECT_EQ(IsPrivateFolder(dir.PathOf(name)), (mode & 077) == 0) << name;
    }
    ASSERT_EQ(::symlink(Native(dir.PathOf("private")).constData(), Native(dir.PathOf("link")).constData()), 0);
    EXPECT_FALSE(IsPrivateFolder(dir.PathOf("link")));
    EXPECT_FALSE(IsPrivateFolder(dir.Write("file", "x", 0600)));
    EXPECT_FALSE(IsPrivateFolder(dir.PathOf("missing")));
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(Native(dir.PathOf("private")).constData(), kOtherUser, kOtherUser), 0);
        EXPECT_FALSE(IsPrivateFolder(dir.PathOf("private"))) << "another user's folder";
    }
}

TEST(PrivateFolder, TheSocketsGoToThePrivateRuntimeFolderElseToOneOfTheirOwnElseNowhere)
{
    hy::test::TTempFolder dir;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldTemp = qgetenv("TMPDIR");
    const QString runtime = dir.PathOf("runtime");
    const QString temp = dir.PathOf("temp");
    const QString own = temp + "/halcyra-viewer-" + QString::number(::getuid());
    ASSERT_TRUE(QDir().mkpath(runtime) && QDir().mkpath(temp));
    Mode(runtime, 0700);
    Mode(temp, 01777);
    qputenv("XDG_RUNTIME_DIR", Native(runtime));
    qputenv("TMPDIR", Native(temp));
    EXPECT_EQ(PrivateSocketFolder(), runtime);
    EXPECT_FALSE(QFileInfo::exists(own)) << "nothing is made in the temporary folder";

    // A runtime folder others may enter, none, or a relative one: a folder of our own, made private.
    Mode(runtime, 0755);
    for (const char* value : { "open", "", "runtime" }) {
        qputenv("XDG_RUNTIME_DIR", QByteArray(value) == "open" ? Native(runtime) : QByteArray(value));
        EXPECT_EQ(PrivateSocketFolder(), own) << value;
        struct stat st { };
        ASSERT_EQ(::lstat(Native(own).constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode) && (st.st_mode & 0777) == 0700) << value;
    }

    // Whatever someone else put in its place is never used, and no socket is made.
    ASSERT_TRUE(QDir().mkpath(dir.PathOf("theirs")));
    Mode(dir.PathOf("theirs"), 0700);
    const std::pair<const char*, std::function<void()>> takers[] = {
        { "a folder others may write to",
            [&]() {
                ASSERT_TRUE(QDir().mkpath(own));
                Mode(own, 0777);
            } },
        { "a link to a private folder",
            [&]() { ASSERT_EQ(::symlink(Native(dir.PathOf("theirs")).constData(), Native(own).constData()), 0); } },
        { "a file", [&]() { dir.Write(own, "x", 0600); } },
        { "a temporary folder that lets others move its entries", [&]() { Mode(temp, 0777); } },
    };
    for (const auto& [what, take] : takers) {
        take();
        EXPECT_TRUE(PrivateSocketFolder().isEmpty()) << what;
        QFile::remove(own);
        QDir(own).removeRecursively();
        Mode(temp, 01777);
    }
    if (::getuid() == 0) {
        // Another user's folder of that name however closed, and a sticky temporary folder of another user.
        ASSERT_TRUE(QDir().mkpath(own));
        Mode(own, 0700);
        ASSERT_EQ(::chown(Native(own).constData(), kOtherUser, kOtherUser), 0);
        EXPECT_TRUE(PrivateSocketFolder().isEmpty());
        QDir(own).removeRecursively();
        ASSERT_EQ(::chown(Native(temp).constData(), kOtherUser, kOtherUser), 0);
        Mode(temp, 01777);
        EXPECT_TRUE(PrivateSocketFolder().isEmpty()) << "its owner may move what others put there";
    }
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    qputenv("TMPDIR", oldTemp);
}
