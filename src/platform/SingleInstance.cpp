// Local-socket hand-over between two starts of the viewer.
#include "platform/SingleInstance.h"

#include "platform/FileNames.h"
#include "platform/LocalLineReader.h"
#include "platform/PrivateFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
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

    // One request of a second start, read line by line until "END".
    class HandOverRequest : public QObject {
    public:
        HandOverRequest(QLocalSocket* socket, int idleMs, std::function<void(const QStringList&)> done)
            : QObject(socket)
            , m_socket(socket)
            , m_done(std::move(done))
            , m_reader(new TLocalLineReader(socket, kMaxLine, idleMs, [this](const QByteArray& line) { OnLine(line); }))
        {
        }

    private:
        void OnLine(const QByteArray& line)
        {
            m_received += line.size() + 1;
            if (m_received > kMaxHandOverRequest) {
                m_reader->Drop();
                return;
            }
            if (line.startsWith("FILE ")) {
                const QByteArray name = Unescape(line.mid(5));
                // No file name holds a NUL: the name would open the file its first bytes name.
                if (name.size() > kMaxHandOverName || m_names.size() >= kMaxHandOverNames || name.contains('\0')) {
                    m_reader->Drop();
                    return;
                }
                m_names.append(DecodeFileName(name));
            } else if (line == "END") {
                Finish();
            }
        }

        // Opening the files may run nested event loops (alerts, picture loading) in which this socket goes
        // away, so the request is done with it before anything is opened.
        void Finish()
        {
            m_reader->Stop();
            const QStringList names = std::move(m_names);
            m_socket->disconnectFromServer();
            m_done(names);
        }

        QLocalSocket* m_socket;
        std::function<void(const QStringList&)> m_done;
        TLocalLineReader* m_reader;
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
    // The socket and its lock live in a private folder of the user, where no other user can put a listener
    // first. Without one there is no hand-over: every start is a viewer of its own.
    const QString folder = PrivateSocketFolder();
    if (folder.isEmpty())
        return;
    const QString base = key.toLower() + QLatin1Char('-') + QString::number(::getuid());
    m_serverName = QDir(folder).filePath(base + QStringLiteral(".socket"));
    m_lock = std::make_unique<QLockFile>(QDir(folder).filePath(base + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0);
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::IsListening() const { return m_server && m_server->isListening(); }

bool TSingleInstance::HandOver(const QStringList& fileNames, int timeoutMs)
{
    if (m_serverName.isEmpty())
        return false;
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
    if (m_serverName.isEmpty())
        return false;
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
        new HandOverRequest(socket, m_idleMs, [this](const QStringList& names) {
            QMetaObject::invokeMethod(
                this, [this, names]() { Q_EMIT Activated(names); }, Qt::QueuedConnection);
        });
    }
}

} // namespace hy::platform
