// A file opened for reading only, read front to back in large blocks: the plain reads of commands that go
// through whole files (comparing them). Every failure comes back as the program's error code.
#pragma once

#include "platform/FileDescriptor.h"

#include <QString>
#include <QtGlobal>

namespace hy::platform {

class TReadOnlyFile {
public:
    TReadOnlyFile() = default;
    ~TReadOnlyFile();
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    // 0, or the error code of the failure. A pipe or device that would block is opened but reads fail.
    int Open(const QString& path);
    void Close();
    bool IsOpen() const { return m_fd.Valid(); }

    // Reads up to n bytes from the current position; fewer only at the end of the file. Returns the byte
    // count, or -1 with the error code in LastError.
    qint64 Read(void* buffer, qint64 n);
    int LastError() const { return m_error; }

private:
    TFileDescriptor m_fd;
    int m_error = 0;
    QByteArray m_path;
};

} // namespace hy::platform
