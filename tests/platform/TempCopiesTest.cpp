// Temporary copies in private folders: never two in one folder, never another user's way in, and only
// what the program made is ever removed.
#include "platform/TempCopies.h"

#include "base/ErrorCodes.h"
#include "platform/FileNames.h"
#include "support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy;
using namespace hy::platform;
using namespace hy::base;
using hy::test::ReadAll;

namespace {

struct stat Facts(const QString& path)
{
    struct stat st { };
    ::lstat(EncodeFileName(path).constData(), &st);
    return st;
}

QString FolderOf(const QString& path) { return QFileInfo(path).path(); }

QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

TEST(TempCopies, EachCopyGetsAPrivateFolderOfItsOwn)
{
    test::TTempFolder parent;
    TTempCopies copies;
    int error = -1;
    const QString first = copies.NewCopy(parent.Path(), QStringLiteral("readme.txt"), error);
    ASSERT_EQ(error, 0);
    const QString second = copies.NewCopy(parent.Path() + QLatin1Char('/'), QStringLiteral("readme.txt"), error);
    ASSERT_EQ(error, 0);
    const QString odd = copies.NewCopy(parent.Path(), DecodeFileName("caf\xe9.txt"), error);
    ASSERT_EQ(error, 0);
    EXPECT_NE(first, second) << "the same name twice never meets";
    EXPECT_NE(FolderOf(first), FolderOf(second));
    EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("readme.txt"));
    EXPECT_TRUE(EncodeFileName(odd).endsWith("/caf\xe9.txt")) << "the name's bytes are kept";
    for (const QString& copy : { first, second, odd }) {
        const struct stat st = Facts(FolderOf(copy));
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0700u) << "no other user may enter";
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(QFileInfo(FolderOf(copy)).path(), parent.Path());
        EXPECT_TRUE(copies.IsCopy(copy));
        EXPECT_FALSE(QFile::exists(copy)) << "the folder is made; the copy is the caller's to write";
    }
    EXPECT_EQ(copies.Count(), 3);

    // Names that are no single file name, and folders that cannot take one, make nothing.
    for (const QString& bad : { QString(), QStringLiteral("a/b"), QStringLiteral("."), QStringLiteral("..") }) {
        EXPECT_TRUE(copies.NewCopy(parent.Path(), bad, error).isEmpty()) << bad.toStdString();
        EXPECT_EQ(error, kErrorPathNotFound);
    }
    EXPECT_TRUE(copies.NewCopy(parent.PathOf(QStringLiteral("missing")), QStringLiteral("a"), error).isEmpty());
    EXPECT_EQ(error, kErrorFileNotFound);
    const QString file = parent.Write(QStringLiteral("plain"), "x");
    EXPECT_TRUE(copies.NewCopy(file, QStringLiteral("a"), error).isEmpty());
    EXPECT_EQ(error, kErrorPathNotFound);
    EXPECT_EQ(copies.Count(), 3);
    EXPECT_EQ(Entries(parent.Path()).size(), 4) << "three folders and the plain file";
}

TEST(TempCopies, OnlyWhatWasMadeHereIsRemoved)
{
    test::TTempFolder parent;
    TTempCopies copies;
    int error = 0;
    const QString copy = copies.NewCopy(parent.Path(), QStringLiteral("a.txt"), error);
    ASSERT_FALSE(copy.isEmpty());
    ASSERT_FALSE(parent.Write(copy, "member data", 0444).isEmpty());

    // A file of the user's with the same name beside the folder, and a path that is no copy.
    const QString users = parent.Write(QStringLiteral("a.txt"), "the user's own");
    copies.Release(users);
    EXPECT_EQ(ReadAll(users), QByteArray("the user's own"));

    // A read-only copy goes with its folder; a second release does nothing.
    copies.Release(copy);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_FALSE(QFileInfo::exists(FolderOf(copy)));
    EXPECT_FALSE(copies.IsCopy(copy));
    copies.Release(copy);
    EXPECT_EQ(Entries(parent.Path()), QStringList { QStringLiteral("a.txt") });

    // Something else put into the folder stays, and so does the folder.
    const QString crowded = copies.NewCopy(parent.Path(), QStringLiteral("b.txt"), error);
    parent.Write(crowded, "copy");
    const QString other = parent.Write(FolderOf(crowded) + QStringLiteral("/b.txt~"), "an editor's backup");
    copies.Release(crowded);
    EXPECT_FALSE(QFileInfo::exists(crowded));
    EXPECT_EQ(ReadAll(other), QByteArray("an editor's backup"));

    // A folder that was replaced by another of the same name is not the one made here.
    const QString moved = copies.NewCopy(parent.Path(), QStringLiteral("c.txt"), error);
    parent.Write(moved, "copy");
    const QString folder = FolderOf(moved);
    ASSERT_TRUE(QDir().rename(folder, folder + QStringLiteral("-away")));
    ASSERT_TRUE(QDir().mkdir(folder));
    parent.Write(moved, "someone else's");
    copies.Release(moved);
    EXPECT_EQ(ReadAll(moved), QByteArray("someone else's"));
    EXPECT_EQ(ReadAll(folder + QStringLiteral("-away/c.txt")), QByteArray("copy"));
}

TEST(TempCopies, KeptCopiesStayUntilTheEnd)
{
    test::TTempFolder parent;
    QString kept;
    QString shown;
    {
        TTempCopies copies;
        int error = 0;
        kept = copies.NewCopy(parent.Path(), QStringLiteral("edit me.txt"), error);
        shown = copies.NewCopy(parent.Path(), QStringLiteral("shown.txt"), error);
        parent.Write(kept, "handed to an editor");
        parent.Write(shown, "still in a window");
        copies.Keep(kept);
        copies.Keep(parent.PathOf(QStringLiteral("nothing")));
        EXPECT_TRUE(copies.IsKept(kept));
        EXPECT_FALSE(copies.IsKept(shown));
        copies.Release(kept);
        EXPECT_EQ(ReadAll(kept), QByteArray("handed to an editor")) << "its window closed; the editor has it";

        copies.RemoveAll();
        EXPECT_EQ(copies.Count(), 0);
        EXPECT_TRUE(Entries(parent.Path()).isEmpty());

        shown = copies.NewCopy(parent.Path(), QStringLiteral("late.txt"), error);
        parent.Write(shown, "made after");
    }
    EXPECT_TRUE(Entries(parent.Path()).isEmpty()) << "the list takes what is left with it";
}
