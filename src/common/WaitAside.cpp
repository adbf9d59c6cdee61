// Waiting for work on a thread of its own while events go on.
#include "common/WaitAside.h"

#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

namespace hy::common {

void RunAside(const std::function<void()>& work)
{
    std::exception_ptr failure;
    const std::unique_ptr<QThread> thread(QThread::create([&]() {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    // The end is posted to the waiting thread, so an end that comes before the loop runs still ends it.
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace hy::common
