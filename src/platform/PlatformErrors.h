// The one place that knows errno: it turns the platform's error numbers into the error codes that
// the rest of the program knows and shows through the error table.
#pragma once

namespace hy::platform {

// Codes that stand for more than one errno value, or that the error table gives a text of their own.
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorPathNotFound = 3;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorDiskFull = 112;
inline constexpr int kErrorNameTooLong = 206;
inline constexpr int kErrorLinkLoop = 1921;
// Long work that the user stopped (Esc, a Stop button): nothing to report.
inline constexpr int kErrorStoppedByUser = -1000;

// Maps an errno value to the program's error code. A missing file is 2, or 3 when a directory on the
// way to it is missing (which needs the path to tell apart).
int ErrorCodeFromErrno(int err, const char* pathForEnoent = nullptr);

// The code for the calling thread's current errno.
int LastErrorCode(const char* pathForEnoent = nullptr);

} // namespace hy::platform
