// Test peer: becomes the running instance (or hands over, when one runs) and prints each hand-over as
// one line "GOT <n> name|name|..." with the names' own bytes. Quits after the number of hand-overs given as its
// first argument.
#include "platform/FileNames.h"
#include "platform/PlatformPaths.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = hy::platform::ArgumentsOf(argc, argv);
    args.removeFirst();
    const QString key = qEnvironmentVariable("HY_INSTANCE_KEY");
    const int expected = args.isEmpty() ? 1 : args.takeFirst().toInt();
    hy::platform::TSingleInstance instance(key);
    if (instance.HandOverOrListen(hy::platform::HandOverNames(args, hy::platform::CurrentFolder()))) {
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
        QByteArray line = "GOT " + QByteArray::number(names.size());
        for (int i = 0; i < names.size(); ++i)
            line += (i == 0 ? " " : "|") + hy::platform::EncodeFileName(names.at(i));
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
        if (++received >= expected)
            app.quit();
    });
    return app.exec();
}
