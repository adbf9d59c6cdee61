// The error-code texts the user sees, the fixed texts of the memory exceptions, the text of any
// exception, and the program-wide title that error alerts carry.
#pragma once

#include "base/ErrorCodes.h"

#include <QString>
#include <exception>

namespace hy::common {

// The message for an error code; "Unknown Error #" and the code for codes without a text. Line breaks
// are stored as "\r\n" or "\r" (see DisplayText).
QString ErrorText(int code);

QString OutOfMemoryText();
QString InvalidPointerText();

// What ShowException shows for an exception: the table text of an I/O error's code, the fixed texts for
// out of memory and an invalid pointer, the message of anything else (empty means show nothing).
QString ExceptionText(const std::exception& e);

// Message texts break lines with "\r" (or "\r\n"); widgets break them with "\n".
QString DisplayText(const QString& message);

// The title every error alert carries; set once at start-up to the application's title.
void SetErrorTitle(const QString& title);
QString ErrorTitle();

} // namespace hy::common
