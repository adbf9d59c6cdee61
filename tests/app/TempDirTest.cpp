// The folder temporary copies go to: the chosen one when it can be written, else the system's.
#include "core/settings/TempDir.h"

#include "platform/FileNames.h"
#include "platform/PlatformPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy::settings;

TEST(UsableTempDir, FallsBackWhenTheChosenFolderCannotTakeFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString writable = dir.path();
    const QString missing = dir.filePath(QStringLiteral("gone"));
    const QString file = dir.filePath(QStringLiteral("file"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    // A folder whose name is not UTF-8 is as good as any other.
    const QString latin1 = hy::platform::DecodeFileName(QFile::encodeName(dir.path()) + "/caf\xe9");
    ASSERT_EQ(::mkdir(hy::platform::EncodeFileName(latin1).constData(), 0700), 0);

    const struct {
        QString chosen;
        bool fellBack;
    } cases[] = { { writable, false }, { latin1, false }, { missing, true }, { file, true }, { QString(), false } };
    for (const auto& c : cases) {
        const TTempDirChoice choice = UsableTempDir(c.chosen);
        EXPECT_EQ(choice.FellBack, c.fellBack) << c.chosen.toStdString();
        EXPECT_EQ(choice.Folder, c.chosen.isEmpty() || c.fellBack ? hy::platform::TempFolder() : c.chosen);
    }

    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into read-only folders";
    const QString readOnly = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkdir(readOnly));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_TRUE(UsableTempDir(readOnly).FellBack);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
