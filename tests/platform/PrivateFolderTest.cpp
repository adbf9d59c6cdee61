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

// Another user's id, for making folders that are not ours; only root can give a folder away.
constexpr uid_t kOtherUser = 65534;

// Points XDG_RUNTIME_DIR and TMPDIR elsewhere for one test.
class SocketFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        m_oldTemp = qgetenv("TMPDIR");
        ASSERT_TRUE(QDir().mkpath(Runtime()));
        ASSERT_TRUE(QDir().mkpath(Temp()));
        ::chmod(Native(Runtime()).constData(), 0700);
        ::chmod(Native(Temp()).constData(), 01777);
        qputenv("XDG_RUNTIME_DIR", Native(Runtime()));
        qputenv("TMPDIR", Native(Temp()));
    }
    void TearDown() override
    {
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        qputenv("TMPDIR", m_oldTemp);
    }
    QString Runtime() const { return m_dir.PathOf("runtime"); }
    QString Temp() const { return m_dir.PathOf("temp"); }
    QString Fallback() const { return Temp() + "/halcyra-viewer-" + QString::number(::getuid()); }

    hy::test::TTempFolder m_dir;
    QByteArray m_oldRuntime;
    QByteArray m_oldTemp;
};

} // namespace

TEST(PrivateFolder, OnlyAFolderOfOurOwnClosedToOthersCounts)
{
    hy::test::TTempFolder dir;
    struct Case {
        const char* name;
        int mode; // -1: a link to the private folder; -2: a file
        bool isPrivate;
    } cases[] = {
        { "private", 0700, true },
        { "readonly", 0500, true },
        { "group", 0750, false },
        { "groupwrite", 0720, false },
        { "others", 0701, false },
        { "open", 0777, false },
        { "link", -1, false },
        { "file", -2, false },
    };
    for (const Case& c : cases) {
        const QString path = dir.PathOf(c.name);
        if (c.mode == -1) {
            ASSERT_EQ(::symlink(Native(dir.PathOf("private")).constData(), Native(path).constData()), 0);
        } else if (c.mode == -2) {
            dir.Write(c.name, "x", 0600);
        } else {
            ASSERT_TRUE(QDir().mkpath(path));
            ASSERT_EQ(::chmod(Native(path).constData(), mode_t(c.mode)), 0);
        }
        EXPECT_EQ(IsPrivateFolder(path), c.isPrivate) << c.name;
    }
    EXPECT_FALSE(IsPrivateFolder(dir.PathOf("missing")));
    EXPECT_FALSE(IsPrivateFolder(QString()));
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(Native(dir.PathOf("private")).constData(), kOtherUser, kOtherUser), 0);
        EXPECT_FALSE(IsPrivateFolder(dir.PathOf("private"))) << "another user's folder";
    }
}

TEST_F(SocketFolder, APrivateRuntimeFolderServes)
{
    EXPECT_EQ(PrivateSocketFolder(), Runtime());
    EXPECT_FALSE(QFileInfo::exists(Fallback())) << "nothing is made in the temporary folder";
}

TEST_F(SocketFolder, WithoutAPrivateRuntimeFolderAFolderOfOurOwnIsMadeInTheTemporaryFolder)
{
    for (const char* runtime : { "open", "unset", "relative" }) {
        SCOPED_TRACE(runtime);
        if (QByteArray(runtime) == "open") {
            ::chmod(Native(Runtime()).constData(), 0755);
            qputenv("XDG_RUNTIME_DIR", Native(Runtime()));
        } else if (QByteArray(runtime) == "unset") {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", "runtime");
        }
        EXPECT_EQ(PrivateSocketFolder(), Fallback());
        struct stat st { };
        ASSERT_EQ(::lstat(Native(Fallback()).constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
}

TEST_F(SocketFolder, AFolderSomebodyElsePutInOurPlaceIsNeverUsed)
{
    ::chmod(Native(Runtime()).constData(), 0755);
    struct Case {
        const char* what;
        std::function<void()> make;
    } cases[] = {
        { "a folder others may write to",
            [this]() {
                ASSERT_TRUE(QDir().mkpath(Fallback()));
                ::chmod(Native(Fallback()).constData(), 0777);
            } },
        { "a link to a private folder",
            [this]() {
                ASSERT_TRUE(QDir().mkpath(m_dir.PathOf("elsewhere")));
                ::chmod(Native(m_dir.PathOf("elsewhere")).constData(), 0700);
                ASSERT_EQ(::symlink(Native(m_dir.PathOf("elsewhere")).constData(), Native(Fallback()).constData()), 0);
            } },
        { "a file", [this]() { m_dir.Write(Fallback(), "x", 0600); } },
        { "a temporary folder that others may write to and that keeps nothing in place",
            [this]() { ::chmod(Native(Temp()).constData(), 0777); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        EXPECT_TRUE(PrivateSocketFolder().isEmpty());
        QFile::remove(Fallback());
        QDir(Fallback()).removeRecursively();
        ::chmod(Native(Temp()).constData(), 01777);
    }
    if (::getuid() == 0) {
        // Another user's folder of that name, however closed, and a temporary folder of another user.
        ASSERT_TRUE(QDir().mkpath(Fallback()));
        ::chmod(Native(Fallback()).constData(), 0700);
        ASSERT_EQ(::chown(Native(Fallback()).constData(), kOtherUser, kOtherUser), 0);
        EXPECT_TRUE(PrivateSocketFolder().isEmpty());
        QDir(Fallback()).removeRecursively();
        ASSERT_EQ(::chown(Native(Temp()).constData(), kOtherUser, kOtherUser), 0);
        ::chmod(Native(Temp()).constData(), 01777);
        EXPECT_TRUE(PrivateSocketFolder().isEmpty()) << "its owner may move what others put there";
    }
}
