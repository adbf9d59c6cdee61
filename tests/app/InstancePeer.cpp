// Test peer: becomes the running instance (or hands over, when one runs) and prints each hand-over as
// one line "GOT <n> name|name|...". Quits after the number of hand-overs given as its first argument.
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    const QString key = qEnvironmentVariable("HY_INSTANCE_KEY");
    const int expected = args.isEmpty() ? 1 : args.takeFirst().toInt();
    hy::platform::TSingleInstance instance(key);
    if (instance.HandOverOrListen(hy::platform::HandOverNames(args, QDir::currentPath()))) {
        std::printf("HANDED\n");
        return 0;
    }
    std::printf("LISTENING\n");
    std::fflush(stdout);
    int received = 0;
    QObject::connect(&instance, &hy::platform::TSingleInstance::Activated, [&](const QStringList& names) {
        // Opening files may run a nested event loop (an alert) while the sender goes away.
        if (qEnvironmentVariableIsSet("HY_PEER_NESTED")) {
            QEventLoop nested;
            QTimer::singleShot(300, &nested, &QEventLoop::quit);
            nested.exec();
        }
        std::printf("GOT %d %s\n", int(names.size()), names.join('|').toUtf8().constData());
        std::fflush(stdout);
        if (++received >= expected)
            app.quit();
    });
    return app.exec();
}
