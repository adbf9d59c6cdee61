// Local-socket hand-over between two starts of the viewer.
#include "platform/SingleInstance.h"

#include "platform/FileNames.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <functional>
#include <unistd.h>

namespace hy::platform {

namespace {
    // One request: "RAISE", then one "FILE <name>" line per name (its bytes, "\" and line feeds escaped),
    // then "END".
    QByteArray Request(const QStringList& names)
    {
        QByteArray data("RAISE\n");
        for (const QString& n : names) {
            QByteArray escaped = EncodeFileName(n);
            escaped.replace('\\', "\\\\").replace('\n', "\\n");
            data += "FILE " + escaped + '\n';
        }
        data += "END\n";
        return data;
    }

    QByteArray Unescape(const QByteArray& s)
    {
        QByteArray out;
        out.reserve(s.size());
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i] == '\\' && i + 1 < s.size()) {
                ++i;
                out += s[i] == 'n' ? '\n' : s[i];
            } else {
                out += s[i];
            }
        }
        return out;
    }

    // The longest line a request may hold: a name whose every byte needed escaping.
    constexpr qint64 kMaxLine = 2 * kMaxHandOverName + 16;

    // One connection of a second start, read line by line until "END".
    class HandOverReader : public QObject {
    public:
        HandOverReader(QLocalSocket* socket, int idleMs, std::function<void(const QStringList&)> done)
            : QObject(socket)
            , m_socket(socket)
            , m_done(std::move(done))
        {
            m_socket->setReadBufferSize(kMaxLine + 1);
            m_idle.setSingleShot(true);
            m_idle.setInterval(idleMs);
            connect(&m_idle, &QTimer::timeout, this, [this]() { Drop(); });
            connect(m_socket, &QLocalSocket::readyRead, this, [this]() { Read(); });
            m_idle.start();
            if (m_socket->bytesAvailable() > 0)
                Read();
        }

    private:
        void Read()
        {
            m_idle.start();
            while (m_socket->canReadLine()) {
                const QByteArray line = m_socket->readLine(kMaxLine + 1);
                m_received += line.size();
                if (!line.endsWith('\n') || m_received > kMaxHandOverRequest) {
                    Drop();
                    return;
                }
                const QByteArray text = line.chopped(1);
                if (text.startsWith("FILE ")) {
                    const QByteArray name = Unescape(text.mid(5));
                    if (name.size() > kMaxHandOverName || m_names.size() >= kMaxHandOverNames) {
                        Drop();
                        return;
                    }
                    m_names.append(DecodeFileName(name));
                } else if (text == "END") {
                    Finish();
                    return;
                }
            }
            // A line that fills the whole buffer without ending is too long to be a name.
            if (m_socket->bytesAvailable() > kMaxLine)
                Drop();
        }

        // Opening the files may run nested event loops (alerts, picture loading) in which this socket goes
        // away, so the request is done with it before anything is opened.
        void Finish()
        {
            m_idle.stop();
            m_socket->disconnect(this);
            const QStringList names = std::move(m_names);
            m_socket->disconnectFromServer();
            m_done(names);
        }

        void Drop()
        {
            m_idle.stop();
            m_socket->disconnect(this);
            m_names.clear();
            m_socket->abort();
        }

        QLocalSocket* m_socket;
        std::function<void(const QStringList&)> m_done;
        QTimer m_idle;
        QStringList m_names;
        qint64 m_received = 0;
    };
} // namespace

bool IsOptionParameter(const QString& arg)
{
    if (arg.size() < 2)
        return false;
    if (arg.startsWith(QLatin1Char('-')))
        return true;
    // Absolute paths begin with "/" here, so only "/" and one letter is an option.
    return arg.startsWith(QLatin1Char('/')) && arg.size() == 2;
}

QStringList HandOverNames(const QStringList& arguments, const QString& currentDir)
{
    QStringList names;
    const QDir dir(currentDir);
    for (const QString& a : arguments) {
        if (IsOptionParameter(a) || a == QLatin1String("-") || a == QLatin1String("/"))
            continue;
        names << QDir::cleanPath(QDir::isAbsolutePath(a) ? a : dir.filePath(a));
    }
    return names;
}

TSingleInstance::TSingleInstance(QString key, QObject* parent)
    : QObject(parent)
{
    // Tests run side by side with a person's own viewer under a key of their own.
    if (key.isEmpty())
        key = qEnvironmentVariable("HY_INSTANCE_KEY");
    if (key.isEmpty())
        key = QStringLiteral("HALCYRA VIEWER");
    key.replace(QLatin1Char(' '), QLatin1Char('-'));
    // The socket and its lock live in the user's own runtime folder (mode 0700), where no other user can
    // put a listener first.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QString base = key.toLower() + QLatin1Char('-') + QString::number(::getuid());
    m_serverName = QDir(folder).filePath(base + QStringLiteral(".socket"));
    m_lock = std::make_unique<QLockFile>(QDir(folder).filePath(base + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0);
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::IsListening() const { return m_server && m_server->isListening(); }

bool TSingleInstance::HandOver(const QStringList& fileNames, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(Request(fileNames));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

bool TSingleInstance::HandOverOrListen(const QStringList& fileNames)
{
    // Connecting first matters: listen() would replace a live server's socket. The lock guards the gap
    // between a failed connect and our listen against a third start doing the same.
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (HandOver(fileNames, 300))
            return true;
        if (m_lock->tryLock(100)) {
            if (HandOver(fileNames, 300)) {
                m_lock->unlock();
                return true;
            }
            QLocalServer::removeServer(m_serverName);
            m_server = new QLocalServer(this);
            m_server->setSocketOptions(QLocalServer::UserAccessOption);
            if (m_server->listen(m_serverName)) {
                connect(m_server, &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
                return false;
            }
            delete m_server;
            m_server = nullptr;
            m_lock->unlock();
            return false;
        }
    }
    return false;
}

void TSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        new HandOverReader(socket, m_idleMs, [this](const QStringList& names) {
            QMetaObject::invokeMethod(
                this, [this, names]() { Q_EMIT Activated(names); }, Qt::QueuedConnection);
        });
    }
}

} // namespace hy::platform
