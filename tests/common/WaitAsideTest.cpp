// Work run aside while the caller's events go on.
#include "common/WaitAside.h"

#include <QThread>
#include <QTimer>

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
using namespace hy::common;

namespace {

TEST(WaitAside, TheCallersEventsGoOnWhileTheWorkRuns)
{
    // The work waits for a timer of the calling thread: a caller that held its thread would never let the
    // timer fire, and the work would give up and answer false.
    std::promise<void> timerFired;
    std::future<void> fired = timerFired.get_future();
    QTimer::singleShot(0, [&timerFired]() { timerFired.set_value(); });
    QThread* const caller = QThread::currentThread();
    QThread* ranOn = nullptr;
    const bool sawTimer = hy::common::WaitAside([&]() {
        ranOn = QThread::currentThread();
        return fired.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    });
    EXPECT_TRUE(sawTimer);
    EXPECT_NE(ranOn, caller);
}

TEST(WaitAside, AnswersAndFailuresComeBackToTheCaller)
{
    auto answer = hy::common::WaitAside([]() { return std::make_unique<int>(42); });
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, 42);

    int ran = 0;
    hy::common::WaitAside([&ran]() { ++ran; });
    EXPECT_EQ(ran, 1);

    EXPECT_THROW(hy::common::WaitAside([]() -> int { throw std::runtime_error("no answer"); }), std::runtime_error);
    // A work that ends at once, before the wait has begun, still ends the wait.
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(hy::common::WaitAside([i]() { return i; }), i);
}

} // namespace
