// The command interface other programs drive the viewer through: a service named after the program, with
// one topic and one item, served on a local socket in the user's private runtime folder. A client sends
// one request line and reads the answer:
//
//   EXECUTE <topic> <macro>   runs the macro; the answer, once it has run: "OK", or "IGNORED" when the
//                             macro was no command
//   REQUEST <item>            "DATA <text>": the item's text
//   ADVISE <item>             "OK", then "DATA <text>" each time the item is set, while the client stays
//
// Failures answer "ERROR <reason>". Texts travel as the bytes of file names, with "\" and line breaks
// escaped ("\\", "\n", "\r"); topic and item names are matched without regard to case. Macros run one at a
// time, in the order they came, each from the event loop; a connection that says nothing for a while,
// sends a line longer than kMaxDdeLine or goes away mid-line is dropped and nothing runs for it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace hy::platform {

inline constexpr qint64 kMaxDdeLine = 64 * 1024;
inline constexpr int kDdeIdleMs = 5000;
inline constexpr int kMaxDdeConnections = 256;
// How often a macro waiting for the program to be ready looks again.
inline constexpr int kDdeBusyRetryMs = 50;
// What may wait unread for an advising client before it is dropped.
inline constexpr qint64 kMaxDdeAdviseBacklog = qint64(1) << 20;

// The service a program serves: its file name without directory and without anything from the first ".".
QString DdeServiceName(const QString& programPath);
// Where a service of this user listens; empty when the user has no private runtime folder.
QString DdeServerPath(const QString& service);

// A text as one line of the protocol, and back.
QByteArray EscapeDdeText(const QString& text);
QString UnescapeDdeText(const QByteArray& line);

class TDdeServer : public QObject {
    Q_OBJECT
public:
    TDdeServer(QString service, QString topic, QString item, QObject* parent = nullptr);
    ~TDdeServer() override;

    // Runs a macro: true when it was taken as a command, false when it was ignored.
    using TExecuteHandler = std::function<bool(const QString& macro)>;
    void SetExecuteHandler(TExecuteHandler handler) { m_execute = std::move(handler); }
    // Macros wait in their queue while ready says no (the program is in the middle of work that lets events
    // through): nothing runs from inside that work.
    void SetReadyCheck(std::function<bool()> ready) { m_ready = std::move(ready); }

    // Starts serving; false when another running program serves the name already, or listening failed.
    bool Start();
    bool IsListening() const;
    QString ServerPath() const { return m_path; }
    void SetIdleTimeout(int milliseconds) { m_idleMs = milliseconds; }

    // The item's text; every assignment goes to the clients advising on it.
    QString ItemText() const { return m_itemText; }
    void SetItemText(const QString& text);

    // Connections open now (advising ones included), for tests and the curious.
    int ConnectionCount() const { return int(m_connections.size()); }

private:
    class Connection;
    struct PendingExecute {
        QPointer<QLocalSocket> Socket;
        QString Macro;
    };

    void OnNewConnection();
    void HandleLine(Connection* connection, const QByteArray& line);
    void Forget(Connection* connection);
    void ProcessQueue();
    void ScheduleQueue(int delayMs = 0);

    QString m_service;
    QString m_topic;
    QString m_item;
    QString m_path;
    QString m_itemText;
    int m_idleMs = kDdeIdleMs;
    TExecuteHandler m_execute;
    std::function<bool()> m_ready;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    QList<Connection*> m_connections;
    QList<QPointer<QLocalSocket>> m_advising;
    std::deque<PendingExecute> m_queue;
    bool m_executing = false;
    bool m_queueScheduled = false;
};

} // namespace hy::platform
