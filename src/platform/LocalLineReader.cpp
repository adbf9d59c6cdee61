// Line reading with limits on a local socket.
#include "platform/LocalLineReader.h"

#include <QLocalSocket>

namespace hy::platform {

TLocalLineReader::TLocalLineReader(
    QLocalSocket* socket, qint64 maxLine, int idleMs, TLineHandler onLine, std::function<void()> tooLong)
    : QObject(socket)
    , m_socket(socket)
    , m_maxLine(maxLine)
    , m_onLine(std::move(onLine))
    , m_tooLong(std::move(tooLong))
    , m_idleMs(idleMs)
{
    // The socket holds at most one line too many: a full buffer without a line feed is a line too long.
    m_socket->setReadBufferSize(m_maxLine + 2);
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &TLocalLineReader::CheckIdle);
    connect(m_socket, &QLocalSocket::readyRead, this, &TLocalLineReader::Read);
    m_sinceLine.start();
    m_idle.start(m_idleMs);
    if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &TLocalLineReader::Read, Qt::QueuedConnection);
}

void TLocalLineReader::Stop()
{
    m_stopped = true;
    m_idle.stop();
    disconnect(m_socket, &QLocalSocket::readyRead, this, &TLocalLineReader::Read);
}

void TLocalLineReader::CheckIdle()
{
    // A line that came meanwhile moved the limit on: the timer waits for what is left of it.
    const qint64 quiet = m_sinceLine.elapsed();
    if (quiet >= m_idleMs)
        Drop();
    else
        m_idle.start(int(m_idleMs - quiet));
}

void TLocalLineReader::Drop()
{
    Stop();
    m_socket->abort();
}

void TLocalLineReader::Read()
{
    if (m_stopped)
        return;
    // The idle time counts from the last complete line: a client that trickles bytes gains nothing by it.
    while (!m_stopped && m_socket->canReadLine()) {
        // The buffer holds at most maxLine + 2 bytes, so the line is bounded without asking readLine for a
        // buffer of that size for every line.
        const QByteArray line = m_socket->readLine();
        if (!line.endsWith('\n') || line.size() > m_maxLine + 1) {
            if (m_tooLong)
                m_tooLong();
            Drop();
            return;
        }
        m_sinceLine.restart();
        m_onLine(line.chopped(1));
    }
    if (!m_stopped && m_socket->bytesAvailable() > m_maxLine) {
        if (m_tooLong)
            m_tooLong();
        Drop();
    }
}

} // namespace hy::platform
