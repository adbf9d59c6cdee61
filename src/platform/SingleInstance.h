// One running viewer per user: a second start hands its file names to the first over a local socket,
// asks it to come to the front, and ends. Names travel as their bytes. The running viewer takes at most
// kMaxHandOverNames names of at most kMaxHandOverName bytes each in one request of at most
// kMaxHandOverRequest bytes, and drops a connection that sends more, a name holding a NUL byte, or no
// complete line for a while.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLockFile;

namespace hy::platform {

inline constexpr qint64 kMaxHandOverName = 1 << 20;
inline constexpr int kMaxHandOverNames = 100000;
inline constexpr qint64 kMaxHandOverRequest = qint64(64) << 20;
inline constexpr int kHandOverIdleMs = 5000;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // key names the instance; the default is the program title for this user.
    explicit TSingleInstance(QString key = QString(), QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Either hands the names over to a running instance (returns true: this process should end), or
    // becomes the running instance and starts listening (returns false). Without a private folder for the
    // socket it does neither and returns false.
    bool HandOverOrListen(const QStringList& fileNames);

    // Sends the names to a running instance; false when none answered within the timeout.
    bool HandOver(const QStringList& fileNames, int timeoutMs = 1000);

    bool IsListening() const;
    // How long a connection may stay silent before it is dropped.
    void SetIdleTimeout(int milliseconds) { m_idleMs = milliseconds; }
    // Empty when the user has no private folder for the socket.
    QString ServerName() const { return m_serverName; }

Q_SIGNALS:
    // A second start asked to be shown; fileNames are absolute (may be empty).
    void Activated(const QStringList& fileNames);

private:
    void OnNewConnection();

    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    int m_idleMs = kHandOverIdleMs;
};

// A command-line option: "-" and at least one more character, or "/" and one letter ("/h"). Longer
// parameters that begin with "/" are absolute paths on this platform.
bool IsOptionParameter(const QString& arg);

// The names a second start hands over: every parameter that is neither an option nor a lone "/" or "-",
// made absolute against the current directory (names keep every byte, see FileNames.h).
QStringList HandOverNames(const QStringList& arguments, const QString& currentDir);

} // namespace hy::platform
