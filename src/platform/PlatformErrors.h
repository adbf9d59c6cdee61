// The one place that knows errno: it turns the platform's error numbers into the error codes that
// the rest of the program knows and shows through the error table.
#pragma once

namespace hy::platform {

// Maps an errno value to the program's error code. A missing file is 2, or 3 when a directory on the
// way to it is missing (which needs the path to tell apart).
int ErrorCodeFromErrno(int err, const char* pathForEnoent = nullptr);

// The code for the calling thread's current errno.
int LastErrorCode(const char* pathForEnoent = nullptr);

} // namespace hy::platform
