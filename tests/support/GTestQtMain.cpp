// Test main shared by every test binary. It makes the application object that the binary's Qt modules
// call for: QApplication with widgets, QGuiApplication with Gui, else QCoreApplication. Test discovery
// runs the binaries at build time without the test environment, so the offscreen platform is chosen here.
#if defined(QT_WIDGETS_LIB)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings and profile files of a test run never touch the user's own.
    QTemporaryDir config;
    if (qEnvironmentVariableIsEmpty("HY_KEEP_XDG_CONFIG"))
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", config.path().toUtf8());
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
