// File access of the viewer's file model: the read that treats a short read as the end of the file, and
// the I/O errors with the viewer's messages.
#pragma once

#include "viewer/HvTypes.h"

#include <QString>
#include <cstddef>

namespace hy::viewer {

// The viewer's message for a platform error code ("Viewer: file not found" ...).
QString ViewerIoMessage(int code);

// Throws hy::EInOutError for a platform error code.
[[noreturn]] void ThrowViewerIoError(int code);

// Throws hy::EInOutError for the calling thread's errno; path tells a missing file from a missing directory.
[[noreturn]] void ThrowViewerErrno(const char* path = nullptr);

// Reads up to n bytes at offset into buf and returns how many arrived: fewer than n only at the end of the
// file (a file that shrank while shown simply ends earlier). A failed read throws.
size_t ReadAt(int fd, FileOffset offset, void* buf, size_t n);

} // namespace hy::viewer
