// The command interface other programs drive the viewer through: a service named after the program, with
// one topic and one item, served on a local socket in the user's private folder (PrivateFolder.h). A client
// sends one request line and reads the answer:
//
//   EXECUTE <topic> <macro>   runs the macro; the answer, once it has run or as soon as it knows how it went
//                             (before it shows an alert): "OK", "IGNORED" when the macro was no command, or
//                             "ERROR <reason>" when the command failed
//   REQUEST <item>            "DATA <text>": the item's text
//   ADVISE <item>             "OK", then "DATA <text>" each time the item is set, while the client stays
//
// Failures answer "ERROR <reason>". Texts travel as the bytes of file names, with "\" and line breaks
// escaped ("\\", "\n", "\r"); a request holding a NUL byte is refused, and topic and item names are matched
// without regard to case. Macros run one at a time, in the order they came, each from the event loop; a
// connection that sends no complete line for a while, sends a line longer than kMaxDdeLine or goes away
// mid-line is dropped and nothing runs for it. When every place is taken, the client that has waited
// longest without a complete request gives way to the new one.
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
// Advising clients may hold at most half the places, so that requests always find one.
inline constexpr int kMaxDdeAdvising = kMaxDdeConnections / 2;
// How often a macro waiting for the program to be ready looks again.
inline constexpr int kDdeBusyRetryMs = 50;
// What may wait unread for an advising client before it is dropped.
inline constexpr qint64 kMaxDdeAdviseBacklog = qint64(1) << 20;

// The service a program serves: its file name without directory and without anything from the first ".".
QString DdeServiceName(const QString& programPath);
// Where a service of this user listens (in PrivateSocketFolder); empty when the user has no private folder.
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
    // Answers the client of the macro running now before the macro ends: "OK", or "ERROR <failure>" when a
    // failure is given. A macro that shows an alert answers first, so that its client never waits for the
    // user; the answer it would have had at its end is then not sent. Nothing happens outside a macro or
    // once its client has its answer.
    void AnswerRunningMacro(const QString& failure = QString());
    // Macros wait in their queue while ready says no (the program is in the middle of work that lets events
    // through): nothing runs from inside that work. A macro whose client gives up waiting meanwhile never runs.
    void SetReadyCheck(std::function<bool()> ready) { m_ready = std::move(ready); }

    // Starts serving; false when another running program serves the name already, or listening failed.
    bool Start();
    bool IsListening() const;
    QString ServerPath() const { return m_path; }
    void SetIdleTimeout(int milliseconds) { m_idleMs = milliseconds; }

    // The item's text; every assignment goes to the clients advising on it.
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
    void AnswerRunning(const QByteArray& reply);

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
    QPointer<QLocalSocket> m_running; // the client of the macro running now, until it has its answer
    bool m_executing = false;
    bool m_queueScheduled = false;
};

} // namespace hy::platform
