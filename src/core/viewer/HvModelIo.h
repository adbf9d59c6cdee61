// File access of the viewer's file model: the read that treats a short read as the end of the file, the
// I/O errors with the viewer's messages, page-aligned read buffers, and snapshots of pseudo files.
#pragma once

#include "core/viewer/HvTypes.h"
#include "platform/FileDescriptor.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace hy::viewer {

// The viewer's message for a platform error code ("Viewer: file not found" ...).
QString ViewerIoMessage(int code);

// Throws hy::EInOutError for a platform error code.
[[noreturn]] void ThrowViewerIoError(int code);

// Throws hy::EInOutError for the calling thread's errno; path tells a missing file from a missing directory.
[[noreturn]] void ThrowViewerErrno(const char* path = nullptr);

// Reads up to n bytes at offset into buf and returns how many arrived: fewer than n only at the end of the
// file (a file that shrank while shown simply ends earlier). A failed read throws.
size_t ReadAt(const platform::TFileDescriptor& fd, FileOffset offset, void* buf, size_t n);

// A read buffer that starts on a page boundary. The kernel copies into it several times faster than into a
// block that starts a few bytes into a page, which is what malloc hands out for large sizes.
class THvAlignedBuffer {
public:
    // At least n bytes; the contents are not kept when the buffer grows.
    uint8_t* Reserve(size_t n);
    uint8_t* Data() const { return m_data.get(); }
    size_t Size() const { return m_size; }

private:
    struct Free {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, Free> m_data;
    size_t m_size = 0;
};

// The largest snapshot taken of a pseudo file.
inline constexpr size_t kSnapshotLimit = size_t(64) << 20;

// True when fd lies on a kernel pseudo file system (/proc, /sys, debugfs ...), whose files report sizes
// that say nothing about what a read delivers.
bool IsOnPseudoFileSystem(const platform::TFileDescriptor& fd);

// Reads fd from its current position until its end (or limit bytes, or a read that would block) into a new
// file held in memory. Returns that file's descriptor, or none when fd delivered nothing. A failed read throws.
platform::TFileDescriptor SnapshotIntoMemory(const platform::TFileDescriptor& fd, size_t limit);

} // namespace hy::viewer
