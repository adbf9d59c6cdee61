// Which program a desktop association hands a file to.
#include "platform/Desktop.h"

#include <QStringList>
#include <gtest/gtest.h>
using namespace hy::platform;

TEST(Desktop, OnlyPlainProgramsReceiveTheFileThemselves)
{
    using hy::platform::SafeProgramOfExec;
    EXPECT_EQ(SafeProgramOfExec({ "gedit", "%U" }), "gedit");
    EXPECT_EQ(SafeProgramOfExec({ "/usr/bin/kate", "-b", "%F" }), "/usr/bin/kate");
    EXPECT_EQ(SafeProgramOfExec({ "env", "BAMF_DESKTOP_FILE_HINT=x", "/snap/bin/app", "%U" }), "xdg-open");
    EXPECT_EQ(SafeProgramOfExec({ "sh", "-c", "app \"$1\"", "sh", "%f" }), "xdg-open");
    EXPECT_EQ(SafeProgramOfExec({ "/usr/bin/python3", "/opt/tool.py", "%f" }), "xdg-open");
    EXPECT_EQ(SafeProgramOfExec({ "flatpak", "run", "org.gnome.gedit", "%U" }), "xdg-open");
    EXPECT_EQ(SafeProgramOfExec({}), "");
}
