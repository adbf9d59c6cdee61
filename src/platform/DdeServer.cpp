// The command interface's local server: requests, the queue of macros, and the advise connections.
#include "platform/DdeServer.h"

#include "platform/LocalLineReader.h"
#include "platform/PlatformFiles.h"
#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace hy::platform {

namespace {
    void Answer(QLocalSocket* socket, const QByteArray& reply)
    {
        if (!socket || socket->state() != QLocalSocket::ConnectedState)
            return;
        socket->write(reply + '\n');
        // The client reads one answer; the connection ends once it has gone out.
        socket->disconnectFromServer();
    }
} // namespace

QString DdeServiceName(const QString& programPath)
{
    const QString name = QFileInfo(programPath).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString DdeServerPath(const QString& service)
{
    const QString folder = PrivateSocketFolder();
    if (folder.isEmpty() || service.isEmpty())
        return QString();
    return QDir(folder).filePath(service + QStringLiteral(".dde"));
}

QByteArray EscapeDdeText(const QString& text)
{
    const QByteArray bytes = EncodeFileName(text);
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

QString UnescapeDdeText(const QByteArray& line)
{
    QByteArray out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
            out += line[i] == 'n' ? '\n' : line[i] == 'r' ? '\r' : line[i];
        } else {
            out += line[i];
        }
    }
    return DecodeFileName(out);
}

// One client: its socket and the reader of its request line.
class TDdeServer::Connection : public QObject {
public:
    explicit Connection(QLocalSocket* s)
        : QObject(s)
        , Socket(s)
    {
    }
    QLocalSocket* Socket;
    TLocalLineReader* Reader = nullptr;
};

TDdeServer::TDdeServer(QString service, QString topic, QString item, QObject* parent)
    : QObject(parent)
    , m_service(std::move(service))
    , m_topic(std::move(topic))
    , m_item(std::move(item))
    , m_path(DdeServerPath(m_service))
{
}

TDdeServer::~TDdeServer()
{
    // The sockets are children of the server and go with it; nothing may call back into us meanwhile.
    for (Connection* c : std::as_const(m_connections))
        c->Socket->disconnect(this);
}

bool TDdeServer::IsListening() const { return m_server && m_server->isListening(); }

bool TDdeServer::Start()
{
    if (IsListening())
        return true;
    if (m_path.isEmpty())
        return false;
    // The lock is held as long as we serve: a second program finds it taken and leaves the name alone,
    // while a crashed one's lock is stale and taken over.
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(kMaxDdeConnections);
    m_server->setListenBacklogSize(kMaxDdeConnections);
    if (!m_server->listen(m_path)) {
        delete m_server;
        m_server = nullptr;
        m_lock.reset();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &TDdeServer::OnNewConnection);
    return true;
}

void TDdeServer::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (m_connections.size() >= kMaxDdeConnections) {
            // Every place is taken: the client that has waited longest without sending its request gives way,
            // so that clients that never finish a line cannot keep a real one out.
            const auto reading = std::find_if(m_connections.cbegin(), m_connections.cend(),
                [](const Connection* c) { return !c->Reader->Stopped(); });
            if (reading == m_connections.cend()) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            Connection* oldest = *reading;
            Forget(oldest);
            oldest->Reader->Drop();
        }
        auto* connection = new Connection(socket);
        connection->Reader = new TLocalLineReader(
            socket, kMaxDdeLine, m_idleMs, [this, connection](const QByteArray& line) { HandleLine(connection, line); },
            [socket]() {
                socket->write("ERROR request too long\n");
                socket->flush();
            });
        m_connections << connection;
        connect(socket, &QLocalSocket::disconnected, this, [this, connection]() {
            Forget(connection);
            connection->Socket->deleteLater();
        });
    }
}

void TDdeServer::Forget(Connection* connection)
{
    m_connections.removeOne(connection);
    m_advising.removeAll(QPointer<QLocalSocket>(connection->Socket));
}

void TDdeServer::HandleLine(Connection* connection, const QByteArray& line)
{
    // One request per connection: what follows it is not read.
    connection->Reader->Stop();
    QLocalSocket* socket = connection->Socket;
    // Texts are names of files, which never hold a NUL.
    if (line.contains('\0')) {
        Answer(socket, "ERROR the request holds a NUL byte");
        return;
    }
    const qsizetype space = line.indexOf(' ');
    const QByteArray command = space < 0 ? line : line.left(space);
    const QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1);

    if (command == "EXECUTE") {
        const qsizetype split = rest.indexOf(' ');
        const QString topic = UnescapeDdeText(split < 0 ? rest : rest.left(split));
        if (topic.compare(m_topic, Qt::CaseInsensitive) != 0) {
            Answer(socket, "ERROR no such topic");
            return;
        }
        m_queue.push_back({ socket, split < 0 ? QString() : UnescapeDdeText(rest.mid(split + 1)) });
        ScheduleQueue();
        return;
    }
    if (command == "REQUEST" || command == "ADVISE") {
        if (UnescapeDdeText(rest).compare(m_item, Qt::CaseInsensitive) != 0) {
            Answer(socket, "ERROR no such item");
            return;
        }
        if (command == "REQUEST") {
            Answer(socket, "DATA " + EscapeDdeText(m_itemText));
            return;
        }
        // Advising clients keep their connections: they may take only part of the places.
        m_advising.removeAll(QPointer<QLocalSocket>());
        if (m_advising.size() >= kMaxDdeAdvising) {
            Answer(socket, "ERROR too many advising clients");
            return;
        }
        m_advising << socket;
        socket->write("OK\n");
        return;
    }
    Answer(socket, line.isEmpty() ? "ERROR empty request" : "ERROR unknown request");
}

void TDdeServer::ScheduleQueue(int delayMs)
{
    if (m_queueScheduled)
        return;
    m_queueScheduled = true;
    QTimer::singleShot(delayMs, this, &TDdeServer::ProcessQueue);
}

void TDdeServer::ProcessQueue()
{
    m_queueScheduled = false;
    // A macro that waits for the user (an alert) lets events run; macros arriving meanwhile wait their turn.
    if (m_executing || m_queue.empty())
        return;
    if (m_ready && !m_ready()) {
        // A client that gave up waiting meanwhile has been told nothing ran: nothing runs for it later.
        std::erase_if(m_queue,
            [](const PendingExecute& p) { return !p.Socket || p.Socket->state() != QLocalSocket::ConnectedState; });
        if (!m_queue.empty())
            ScheduleQueue(kDdeBusyRetryMs);
        return;
    }
    m_running = m_queue.front().Socket;
    const QString macro = m_queue.front().Macro;
    m_queue.pop_front();
    m_executing = true;
    bool returned = false;
    const auto done = qScopeGuard([&]() {
        m_executing = false;
        // A macro that threw has failed.
        if (!returned)
            AnswerRunning("ERROR the command failed");
        m_running.clear();
        if (!m_queue.empty())
            ScheduleQueue();
    });
    const bool taken = m_execute && m_execute(macro);
    returned = true;
    AnswerRunning(taken ? "OK" : "IGNORED");
}

void TDdeServer::AnswerRunningMacro(const QString& failure)
{
    AnswerRunning(failure.isEmpty() ? QByteArray("OK") : "ERROR " + EscapeDdeText(failure));
}

void TDdeServer::AnswerRunning(const QByteArray& reply)
{
    // Once answered, the client has gone; whatever the macro does later is not told to it.
    const QPointer<QLocalSocket> socket = std::exchange(m_running, nullptr);
    Answer(socket, reply);
}

void TDdeServer::SetItemText(const QString& text)
{
    m_itemText = text;
    const QByteArray data = "DATA " + EscapeDdeText(text) + '\n';
    for (const QPointer<QLocalSocket>& s : std::as_const(m_advising)) {
        if (!s || s->state() != QLocalSocket::ConnectedState)
            continue;
        // A client that stopped reading is let go before its backlog grows without bound.
        if (s->bytesToWrite() > kMaxDdeAdviseBacklog)
            s->abort();
        else
            s->write(data);
    }
}

} // namespace hy::platform
