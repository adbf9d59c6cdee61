// The command line's own words: --help and --version, and "--" ending the options.
#include "core/program/CommandLine.h"

#include <gtest/gtest.h>

using namespace hy::program;

TEST(CommandLine, HelpAndVersionAreAskedBeforeTheEndOfOptionsOnly)
{
    struct Case {
        QStringList parameters;
        InfoRequest request;
    } cases[] = {
        { {}, InfoRequest::None },
        { { "a.txt", "-h" }, InfoRequest::None },
        { { "--help" }, InfoRequest::Help },
        { { "a.txt", "--help" }, InfoRequest::Help },
        { { "-?" }, InfoRequest::None },
        { { "--version", "--help" }, InfoRequest::Version },
        { { "-s", "--version", "b.txt" }, InfoRequest::Version },
        { { "--", "--help" }, InfoRequest::None },
        { { "/h", "--", "--version" }, InfoRequest::None },
        { { "--Help", "-help", "--versions" }, InfoRequest::None },
    };
    for (const Case& c : cases)
        EXPECT_EQ(InfoRequestOf(c.parameters), c.request) << c.parameters.join(' ').toStdString();
}

TEST(CommandLine, TextsNameTheProgramAndEveryOption)
{
    EXPECT_EQ(VersionText("hyview"), "hyview (Halcyra Viewer) " HY_TEST_VERSION "\n");
    const QString usage = UsageText("hyview");
    EXPECT_TRUE(usage.startsWith("Usage: hyview [OPTION]... [--] [FILE]...\n"));
    for (const char* option : { "-h, /h", "-s, /s", "-r, /r", "--help", "--version", "--dde-execute", "--dde-request" })
        EXPECT_TRUE(usage.contains(QLatin1String(option))) << option;
}

TEST(CommandLine, NamesAfterTheEndOfOptionsBecomeAbsoluteAndLoseNoOptionsBeforeIt)
{
    struct Case {
        QStringList parameters;
        QStringList result;
    } cases[] = {
        { { "-h", "a.txt", "/s" }, { "-h", "a.txt", "/s" } },
        { { "--", "-notes.txt" }, { "/work/-notes.txt" } },
        { { "-h", "--", "-s", "sub/../b.txt", "/abs/c", "DDESERVERCONV", "--" },
            { "-h", "/work/-s", "/work/b.txt", "/abs/c", "/work/DDESERVERCONV", "/work/--" } },
        { { "--" }, {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(EndOptions(c.parameters, "/work"), c.result) << c.parameters.join(' ').toStdString();
}
