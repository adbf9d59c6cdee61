// The error-code table and the exception texts.
#include "common/ErrorText.h"

#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"

#include <new>

namespace hy::common {

using namespace hy::base;

namespace {

    QString& ErrorTitleStore()
    {
        static QString title;
        return title;
    }

} // namespace

QString ErrorText(int code)
{
    switch (code) {
    case 0:
        return QString();
    case 1:
        return QStringLiteral("Invalid DOS function!");
    case 2:
        return QStringLiteral("File not found!");
    case 3:
        return QStringLiteral("Invalid filename or directory!");
    case 4:
        return QStringLiteral("Too many files open!");
    case 5:
        return QStringLiteral("Access denied! The file is set to Read Only, is currently in use by another\r\n"
                              "application or the disk has been write protected.");
    case 6:
        return QStringLiteral("Invalid file handle!");
    case 8:
        return QStringLiteral("Not enough memory!");
    case 12:
        return QStringLiteral("Invalid file access code!");
    case 15:
        return QStringLiteral("Invalid drive!");
    case 16:
        return QStringLiteral("Cannot remove current directory.");
    case 19:
    case 150:
        return QStringLiteral("Disk is write protected!");
    case 30:
        return QStringLiteral("The disk that you are currently trying to use contains an error.\r\n"
                              "This is usually caused by bad sectors on the disk itself.");
    case 31:
        return QStringLiteral("Disk is unformatted.");
    case 32:
        return QStringLiteral("File is currently being used by the system.");
    case 100:
        return QStringLiteral("Disk read error! File may be damaged.");
    case 101:
    case 112:
        return QStringLiteral("The disk is full!");
    case 106:
        return QStringLiteral("Invalid file format!");
    case 152:
        return QStringLiteral("The drive is empty! Please insert~a diskette and try again.");
    case 154:
        return QStringLiteral("CRC error in data!");
    case 156:
        return QStringLiteral("Disk seek error!");
    case 157:
        return QStringLiteral("Unknown media type!");
    case 158:
        return QStringLiteral("Sector not found!");
    case 159:
        return QStringLiteral("The printer is out of paper!");
    case 160:
        return QStringLiteral("Device write fault!");
    case 161:
        return QStringLiteral("Device read fault!");
    case 162:
        return QStringLiteral("Hardware failure!");
    case kErrorNameTooLong:
        return QStringLiteral("The file name is too long!");
    case kErrorLinkLoop:
        return QStringLiteral("The name cannot be followed: its links lead round in a loop!");
    case kErrorNotRegularFile:
        return QStringLiteral("This is a pipe, a device or a folder, not a regular file!");
    case kErrorFileTooLarge:
        return QStringLiteral("The file is too large!");
    case kErrorCreateTempFile:
        return QStringLiteral("Unable to create temporary file! Check\rdirectory settings under Preferences in\r"
                              "the Options menu.");
    default:
        return QStringLiteral("Unknown Error #") + QString::number(code);
    }
}

QString OutOfMemoryText()
{
    return QStringLiteral("There is not enough memory to complete\rthe requested operation! Try closing\r"
                          "unused applications or reconfiguring\rWindows to free additional memory.");
}

QString InvalidPointerText()
{
    return QStringLiteral("Unable to release allocated memory! Memory\rmay have been corrupted by another "
                          "application.");
}

QString ExceptionText(const std::exception& e)
{
    if (const auto* io = dynamic_cast<const EInOutError*>(&e))
        return ErrorText(io->ErrorCode());
    if (dynamic_cast<const EOutOfMemory*>(&e) || dynamic_cast<const std::bad_alloc*>(&e))
        return OutOfMemoryText();
    if (dynamic_cast<const EInvalidPointer*>(&e))
        return InvalidPointerText();
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message();
    return QString::fromUtf8(e.what());
}

QString DisplayText(const QString& message)
{
    QString text = message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void SetErrorTitle(const QString& title) { ErrorTitleStore() = title; }

QString ErrorTitle() { return ErrorTitleStore(); }

} // namespace hy::common
