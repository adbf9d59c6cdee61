// The files extracted members become, shared by the unzip library and the archive reader: a member is
// written under a temporary name in its folder and takes its own name only when all of it arrived.
#pragma once

#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <condition_variable>
#include <mutex>
#include <sys/types.h>
#include <thread>

namespace hy::archive {

// The process's file creation mask, read once.
mode_t ProcessUmask();

// A new file in the folder for a member's data, named prefix, the process, a counter and a random part, ".tmp",
// made with the mode given (less the creation mask; it is open for writing whatever the mode says); none
// (errno set) when no free name was found.
platform::TFileDescriptor CreateMemberTemporary(
    const platform::TFileDescriptor& dir, const char* prefix, QByteArray& name, mode_t mode = 0600);

// Ends the writing of a member's temporary file: when code is 0 the file is closed and renamed to finalName
// (a folder of that name gives kUnzipTargetIsFolder); when it is not, or that failed, the file is removed.
// A file made under its final name (tempName equal to finalName) is only closed, or removed. The final code.
int PlaceMemberFile(int code, platform::TFileDescriptor& out, const platform::TFileDescriptor& dir,
    const QByteArray& tempName, const QByteArray& finalName);

// Writes a member's data blocks at their offsets into its file. Aside, the writing runs on a thread of its
// own, so that unpacking the next block overlaps writing this one: a block handed over stays untouched by the
// writer once the next Put (or Finish) has returned, so two buffers taken in turn are enough.
class TBlockWriter {
public:
    TBlockWriter(const platform::TFileDescriptor& out, bool aside);
    ~TBlockWriter();
    TBlockWriter(const TBlockWriter&) = delete;
    TBlockWriter& operator=(const TBlockWriter&) = delete;

    // Hands a block over to be written at offset (a range never handed over stays a hole). Returns the
    // error code of a block before it that failed, else 0; aside, once the block before it is written.
    int Put(const char* data, size_t size, qint64 offset);
    // Waits until every block is written; the error code of the first that failed, else 0.
    int Finish();

private:
    int WriteNow(const char* data, size_t size, qint64 offset);
    void Run();

    const platform::TFileDescriptor& m_out;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const char* m_data = nullptr; // the block waiting or being written; none when the writer is idle
    size_t m_size = 0;
    qint64 m_offset = 0;
    int m_code = 0;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace hy::archive
