// The error-code table, the exception texts and the line breaks of message texts.
#include "common/ErrorText.h"
#include "base/HyExceptions.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
using namespace hy::common;

namespace {

struct CodeCase {
    int code;
    const char* text;
};

TEST(ErrorText, TableTexts)
{
    const CodeCase cases[] = {
        { 0, "" },
        { 1, "Invalid DOS function!" },
        { 2, "File not found!" },
        { 3, "Invalid filename or directory!" },
        { 5,
            "Access denied! The file is set to Read Only, is currently in use by another\r\napplication or the disk "
            "has been write protected." },
        { 19, "Disk is write protected!" },
        { 30,
            "The disk that you are currently trying to use contains an error.\r\nThis is usually caused by bad "
            "sectors on the disk itself." },
        { 101, "The disk is full!" },
        { 112, "The disk is full!" },
        { 150, "Disk is write protected!" },
        { 152, "The drive is empty! Please insert~a diskette and try again." },
        { 162, "Hardware failure!" },
        { 10001, "Unable to create temporary file! Check\rdirectory settings under Preferences in\rthe Options menu." },
        { 206, "The file name is too long!" },
        { 1921, "The name cannot be followed: its links lead round in a loop!" },
        { 40, "Unknown Error #40" },
        { 7, "Unknown Error #7" },
        { 21, "Unknown Error #21" },
        { -1000, "Unknown Error #-1000" },
        { 10003, "Unknown Error #10003" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(hy::common::ErrorText(c.code), QString::fromLatin1(c.text)) << "code " << c.code;
}

TEST(ErrorText, ExceptionTexts)
{
    EXPECT_EQ(hy::common::ExceptionText(hy::base::EInOutError(QStringLiteral("ignored"), 3)),
        "Invalid filename or directory!");
    EXPECT_EQ(hy::common::ExceptionText(hy::base::EInOutError(QStringLiteral("ignored"), 99)), "Unknown Error #99");
    EXPECT_EQ(hy::common::ExceptionText(hy::base::EOutOfMemory(QStringLiteral("x"))), hy::common::OutOfMemoryText());
    EXPECT_EQ(hy::common::ExceptionText(std::bad_alloc()), hy::common::OutOfMemoryText());
    EXPECT_EQ(
        hy::common::ExceptionText(hy::base::EInvalidPointer(QStringLiteral("x"))), hy::common::InvalidPointerText());
    EXPECT_EQ(hy::common::ExceptionText(hy::base::ERegionTooLarge()), "Region is too large (> 64 MiB)");
    EXPECT_EQ(hy::common::ExceptionText(std::runtime_error("Straße kaputt")), QStringLiteral("Straße kaputt"));
    EXPECT_TRUE(hy::common::ExceptionText(hy::base::Exception(QString())).isEmpty());
    EXPECT_TRUE(hy::common::OutOfMemoryText().startsWith("There is not enough memory to complete\rthe requested"));
    EXPECT_TRUE(hy::common::InvalidPointerText().endsWith("corrupted by another application."));
}

TEST(ErrorText, DisplayTextBreaksLines)
{
    EXPECT_EQ(hy::common::DisplayText(QStringLiteral("a\r\nb\rc\nd")), "a\nb\nc\nd");
    EXPECT_EQ(hy::common::DisplayText(QStringLiteral("a\r\r")), "a\n\n");
}

TEST(ErrorText, ErrorTitleIsProgramWide)
{
    hy::common::SetErrorTitle(QStringLiteral("Halcyra Viewer"));
    EXPECT_EQ(hy::common::ErrorTitle(), "Halcyra Viewer");
}

} // namespace
