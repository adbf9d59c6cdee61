// Reads one connection of a local socket line by line, safely: a line may be at most so long, a
// connection that sends no complete line for a while (from its start or its last line; single bytes do not
// count) is dropped, and so is one whose line grows past the limit.
// The servers of the program (the single instance's hand-over and the command interface) read their
// clients through it.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class QLocalSocket;

namespace hy::platform {

class TLocalLineReader : public QObject {
public:
    // A line without its line feed.
    using TLineHandler = std::function<void(const QByteArray& line)>;

    // Reads socket (which owns the reader) until Stop or the end. tooLong runs before a connection whose
    // line passed maxLine is dropped.
    TLocalLineReader(
        QLocalSocket* socket, qint64 maxLine, int idleMs, TLineHandler onLine, std::function<void()> tooLong = {});

    // No more lines are read and the idle timeout ends; the connection stays as it is.
    void Stop();
    // Closes the connection at once; nothing more is read.
    void Drop();
    bool Stopped() const { return m_stopped; }

private:
    void Read();
    void CheckIdle();

    QLocalSocket* m_socket;
    qint64 m_maxLine;
    TLineHandler m_onLine;
    std::function<void()> m_tooLong;
    int m_idleMs;
    QElapsedTimer m_sinceLine; // since the start or the last complete line
    QTimer m_idle;
    bool m_stopped = false;
};

} // namespace hy::platform
