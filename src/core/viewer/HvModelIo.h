// File access of the viewer's file model: the read that treats a short read as the end of the file, the
// I/O errors with the viewer's messages, page-aligned read buffers, snapshots of pseudo files, and the
// source the model reads (the file itself, or the decoded bytes of a compressed file).
#pragma once

#include "core/viewer/HvTypes.h"
#include "platform/FileDescriptor.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace hy::compress {
class TDecodedSource;
}

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

// The bytes a model shows: those of its open file, or, for a compressed file shown decompressed, the
// decoded ones. A plain file costs one test per read more than reading its descriptor.
// A descriptor alone stands for its file's own bytes.
struct THvSourceRef {
    THvSourceRef(const platform::TFileDescriptor& file, compress::TDecodedSource* decoded = nullptr)
        : File(file)
        , Decoded(decoded)
    {
    }
    const platform::TFileDescriptor& File;
    compress::TDecodedSource* Decoded;
};

// Up to n decoded bytes at offset: fewer only at the end decoded so far. A failed decoding throws.
size_t ReadDecoded(compress::TDecodedSource& source, FileOffset offset, void* buf, size_t n);

inline size_t ReadAt(const THvSourceRef& source, FileOffset offset, void* buf, size_t n)
{
    return source.Decoded ? ReadDecoded(*source.Decoded, offset, buf, n) : ReadAt(source.File, offset, buf, n);
}

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
