// Closing a descriptor through POSIX.
#include "platform/FileDescriptor.h"

#include <unistd.h>

namespace hy::platform {

void TFileDescriptor::Reset(int fd)
{
    if (m_fd >= 0 && m_fd != fd)
        ::close(m_fd);
    m_fd = fd;
}

} // namespace hy::platform
