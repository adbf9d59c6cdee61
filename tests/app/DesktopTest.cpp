// The program as the desktop meets it: installed into a prefix and started from there, its menu entry
// and AppStream data valid, --help and --version answering without a window or a running viewer, "--"
// ending the options, and the Debian package holding what the install holds.
#include "platform/PlatformPaths.h"
#include "support/TestData.h"
#include "support/TestWait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

using hy::test::WaitForLine;

namespace {

struct TRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

TRun Start(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = {},
    const QString& workingDir = {}, int ms = 60000)
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(program, arguments);
    TRun r;
    r.finished = p.waitForFinished(ms);
    if (!r.finished)
        p.kill();
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// A private runtime folder and settings folder: the program run here meets no viewer of the person's.
struct Isolated {
    QTemporaryDir runtime;
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Isolated()
    {
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HY_INSTANCE_KEY", "hy-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces));
    }
};

const char* const kInstalledFiles[] = {
    "bin/hyview",
    "share/halcyra-viewer/FILETYPE.INI",
    "share/halcyra-viewer/help/index.html",
    "share/applications/org.halcyra.Viewer.desktop",
    "share/metainfo/org.halcyra.Viewer.metainfo.xml",
    "share/man/man1/hyview.1",
    "share/icons/hicolor/scalable/apps/halcyra-viewer.svg",
    "share/icons/hicolor/16x16/apps/halcyra-viewer.png",
    "share/icons/hicolor/32x32/apps/halcyra-viewer.png",
    "share/icons/hicolor/48x48/apps/halcyra-viewer.png",
    "share/icons/hicolor/64x64/apps/halcyra-viewer.png",
    "share/icons/hicolor/128x128/apps/halcyra-viewer.png",
    "share/icons/hicolor/256x256/apps/halcyra-viewer.png",
};

} // namespace

TEST(Desktop, TheInstalledProgramRunsFromItsPrefixAlone)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const TRun install = Start(HY_CMAKE, { "--install", HY_BUILD, "--prefix", prefix.path() });
    ASSERT_TRUE(install.finished && install.exitCode == 0) << install.err.toStdString();
    for (const char* file : kInstalledFiles)
        EXPECT_TRUE(QFile::exists(prefix.filePath(file))) << file;

    // Outside the build tree the program finds its data in the prefix and nowhere else.
    const QString bin = prefix.filePath("bin");
    EXPECT_EQ(hy::platform::DataFileFrom(bin, "help"), prefix.filePath("share/halcyra-viewer/help"));
    EXPECT_EQ(hy::platform::DataFileFrom(bin, "FILETYPE.INI"), prefix.filePath("share/halcyra-viewer/FILETYPE.INI"));

    const QString hyview = prefix.filePath("bin/hyview");
    Isolated isolated;
    const TRun version = Start(hyview, { "--version" }, isolated.env, {}, 10000);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "hyview (Halcyra Viewer) " HY_TEST_VERSION "\n");

    // An offscreen start: the program comes up, and a second start drives it over its command interface.
    QTemporaryDir files;
    const QString text = files.filePath("notes.txt");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("one\ntwo\n");
    f.close();
    QProcess viewer;
    viewer.setProcessEnvironment(isolated.env);
    viewer.start(hyview, { text });
    ASSERT_TRUE(viewer.waitForStarted());
    QByteArray item;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000 && viewer.state() == QProcess::Running) {
        if (Start(hyview, { "--dde-execute", "/O" + text }, isolated.env, {}, 10000).exitCode == 0) {
            item = Start(hyview, { "--dde-request" }, isolated.env, {}, 10000).out;
            break;
        }
        viewer.waitForFinished(200);
    }
    EXPECT_EQ(viewer.state(), QProcess::Running) << viewer.readAllStandardError().toStdString();
    EXPECT_EQ(item, (text + "\n").toUtf8());
    viewer.terminate();
    viewer.waitForFinished(5000);
}

TEST(Desktop, HelpAndVersionLeaveTheRunningViewerAloneAndDashDashEndsTheOptions)
{
    Isolated isolated;
    QProcess peer;
    peer.setProcessEnvironment(isolated.env);
    peer.start(HY_PEER, { "1" });
    QByteArray line;
    ASSERT_TRUE(WaitForLine(peer, "LISTENING", line));

    const TRun help = Start(HY_VIEWER, { "a.txt", "--help" }, isolated.env, {}, 10000);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: hyview ")) << help.out.toStdString();
    const TRun version = Start(HY_VIEWER, { "--version", "b.txt" }, isolated.env, {}, 10000);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("hyview (Halcyra Viewer) "));

    // The peer prints its hand-overs in order: the first it gets is this one, so the two above sent nothing.
    QTemporaryDir cwd;
    const TRun named = Start(HY_VIEWER, { "-h", "--", "-notes.txt", "--help" }, isolated.env, cwd.path(), 10000);
    EXPECT_EQ(named.exitCode, 0);
    ASSERT_TRUE(WaitForLine(peer, "GOT", line));
    EXPECT_EQ(line, ("GOT 2 " + cwd.path() + "/-notes.txt|" + cwd.path() + "/--help").toUtf8());
    EXPECT_TRUE(peer.waitForFinished(5000));
}

TEST(Desktop, TheMenuEntryAndAppStreamDataAreValid)
{
    const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
    if (validate.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    const TRun entry = Start(validate, { SourcePath("resources/desktop/org.halcyra.Viewer.desktop") });
    EXPECT_EQ(entry.exitCode, 0) << entry.out.toStdString() << entry.err.toStdString();
    EXPECT_TRUE(entry.out.isEmpty()) << "warnings: " << entry.out.toStdString();

    const QString appstream = QStandardPaths::findExecutable("appstreamcli");
    if (appstream.isEmpty())
        GTEST_SKIP() << "appstreamcli is not installed (appstream)";
    const TRun meta
        = Start(appstream, { "validate", "--no-net", SourcePath("resources/desktop/org.halcyra.Viewer.metainfo.xml") });
    EXPECT_EQ(meta.exitCode, 0) << meta.out.toStdString();
}

TEST(Desktop, TheDebianPackageHoldsTheInstalledFilesAndNamesWhatItNeeds)
{
    if (QStandardPaths::findExecutable("dpkg-deb").isEmpty()
        || QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
        GTEST_SKIP() << "dpkg-deb or dpkg-shlibdeps is not installed (dpkg-dev): no Debian package is made";
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const TRun pack = Start(HY_CPACK, { "-G", "DEB", "-B", out.path() }, {}, HY_BUILD, 120000);
    ASSERT_TRUE(pack.finished && pack.exitCode == 0) << pack.out.toStdString() << pack.err.toStdString();
    const QStringList debs = QDir(out.path()).entryList({ "*.deb" });
    ASSERT_EQ(debs.size(), 1);
    const QString deb = out.filePath(debs.first());

    const TRun contents = Start("dpkg-deb", { "-c", deb });
    ASSERT_EQ(contents.exitCode, 0);
    for (const char* file : kInstalledFiles)
        EXPECT_TRUE(contents.out.contains(QByteArray(" ./usr/") + file + '\n')) << file;

    const TRun depends = Start("dpkg-deb", { "-f", deb, "Package", "Depends" });
    ASSERT_EQ(depends.exitCode, 0);
    EXPECT_TRUE(depends.out.startsWith("Package: halcyra-viewer\n"));
    // Found by dpkg-shlibdeps from the linked libraries, and the plugins Qt loads at run time.
    for (const char* package : { "libqt6widgets6", "libqt6multimedia6", "libzip4", "qt6-image-formats-plugins",
             "gstreamer1.0-plugins-base", "gstreamer1.0-plugins-good" })
        EXPECT_TRUE(depends.out.contains(package)) << package << " in " << depends.out.toStdString();
}
