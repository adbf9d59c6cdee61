// TFileDescriptor: one open file descriptor, closed by its owner on every way out. It moves, never copies.
#pragma once

namespace hy::platform {

class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~TFileDescriptor() { Reset(); }
    TFileDescriptor(TFileDescriptor&& other) noexcept
        : m_fd(other.Release())
    {
    }
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    bool Valid() const { return m_fd >= 0; }
    int Get() const { return m_fd; }
    // Closes the descriptor held (if any) and holds fd instead.
    void Reset(int fd = -1);
    // Hands the descriptor over to the caller, who closes it from now on.
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd = -1;
};

} // namespace hy::platform
