// Where the program finds the data files it ships: beside itself, then in an installed share folder,
// and in the source tree only while it runs from inside the build tree.
#include "platform/PlatformPaths.h"
#include "support/TestData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
using namespace hy::platform;

using hy::platform::DataFileFrom;

namespace {

void Touch(const QString& path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(PlatformPaths, AProgramOutsideTheBuildTreeLooksBesideItselfThenInShare)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    if (root.path().startsWith(SourcePath(QString())))
        GTEST_SKIP() << "the temporary folder lies inside the source tree";
    const QString bin = root.path() + "/bin";
    const QString share = root.path() + "/share/halcyra-viewer";
    ASSERT_TRUE(QDir().mkpath(bin));

    // The source tree has a FILETYPE.INI and help pages, but a program elsewhere never reads them.
    EXPECT_EQ(DataFileFrom(bin, "FILETYPE.INI"), bin + "/FILETYPE.INI");
    EXPECT_EQ(DataFileFrom(bin, "help"), bin + "/help");

    Touch(share + "/FILETYPE.INI");
    ASSERT_TRUE(QDir().mkpath(share + "/help"));
    EXPECT_EQ(DataFileFrom(bin, "FILETYPE.INI"), share + "/FILETYPE.INI");
    EXPECT_EQ(DataFileFrom(bin, "help"), share + "/help");
    EXPECT_EQ(DataFileFrom(bin + "/", "help"), share + "/help");

    Touch(bin + "/FILETYPE.INI");
    EXPECT_EQ(DataFileFrom(bin, "FILETYPE.INI"), bin + "/FILETYPE.INI");
}

TEST(PlatformPaths, AProgramInTheBuildTreeFallsBackOnTheSourceTree)
{
    // The test binaries run from inside the build tree, which keeps no copy of the help pages.
    const QString here = QCoreApplication::applicationDirPath();
    EXPECT_EQ(DataFileFrom(here, "help"), SourcePath("resources/help"));
    EXPECT_EQ(hy::platform::DataFile("help"), SourcePath("resources/help"));
    EXPECT_EQ(DataFileFrom(here, "no-such-file"), here + "/no-such-file");
}
