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
{
    // The socket holds at most one line too many: a full buffer without a line feed is a line too long.
    m_socket->setReadBufferSize(m_maxLine + 2);
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleMs);
    connect(&m_idle, &QTimer::timeout, this, &TLocalLineReader::Drop);
    connect(m_socket, &QLocalSocket::readyRead, this, &TLocalLineReader::Read);
    m_idle.start();
    if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &TLocalLineReader::Read, Qt::QueuedConnection);
}

void TLocalLineReader::Stop()
{
    m_stopped = true;
    m_idle.stop();
    disconnect(m_socket, &QLocalSocket::readyRead, this, &TLocalLineReader::Read);
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
    m_idle.start();
    while (!m_stopped && m_socket->canReadLine()) {
        const QByteArray line = m_socket->readLine(m_maxLine + 2);
        if (!line.endsWith('\n') || line.size() > m_maxLine + 1) {
            if (m_tooLong)
                m_tooLong();
            Drop();
            return;
        }
        m_onLine(line.chopped(1));
    }
    if (!m_stopped && m_socket->bytesAvailable() > m_maxLine) {
        if (m_tooLong)
            m_tooLong();
        Drop();
    }
}

} // namespace hy::platform
