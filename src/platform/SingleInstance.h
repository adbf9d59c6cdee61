// One running viewer per user: a second start hands its file names to the first over a local socket,
// asks it to come to the front, and ends.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLockFile;

namespace hy::platform {

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // key names the instance; the default is the program title for this user.
    explicit TSingleInstance(QString key = QString(), QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Either hands the names over to a running instance (returns true: this process should end), or
    // becomes the running instance and starts listening (returns false).
    bool HandOverOrListen(const QStringList& fileNames);

    // Sends the names to a running instance; false when none answered within the timeout.
    bool HandOver(const QStringList& fileNames, int timeoutMs = 1000);

    bool IsListening() const;
    QString ServerName() const { return m_serverName; }

Q_SIGNALS:
    // A second start asked to be shown; fileNames are absolute (may be empty).
    void Activated(const QStringList& fileNames);

private:
    void OnNewConnection();

    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

// A command-line option: "-" and at least one more character, or "/" and one letter ("/h"). Longer
// parameters that begin with "/" are absolute paths on this platform.
bool IsOptionParameter(const QString& arg);

// The names a second start hands over: every parameter that is neither an option nor a lone "/" or "-",
// made absolute against the current directory.
QStringList HandOverNames(const QStringList& arguments, const QString& currentDir);

} // namespace hy::platform
