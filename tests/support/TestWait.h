// Waiting for something the event loop brings about, with failures that GoogleTest sees.
#pragma once

#include "support/QtPrinters.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace hy::test {
// How long "soon" is: five seconds, and four times that in a sanitized build, where every step is slower.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr int kSoonMs = 20000;
#else
inline constexpr int kSoonMs = 5000;
#endif
} // namespace hy::test

// Waits up to hy::test::kSoonMs for the condition, then checks it.
#define HY_EXPECT_SOON(cond) EXPECT_TRUE(QTest::qWaitFor([&]() { return bool(cond); }, hy::test::kSoonMs)) << #cond
#define HY_ASSERT_SOON(cond) ASSERT_TRUE(QTest::qWaitFor([&]() { return bool(cond); }, hy::test::kSoonMs)) << #cond
#define HY_ASSERT_EQ_SOON(a, b)                                                                                        \
    do {                                                                                                               \
        (void)QTest::qWaitFor([&]() { return (a) == (b); }, hy::test::kSoonMs);                                        \
        ASSERT_EQ(a, b);                                                                                               \
    } while (0)

namespace hy::test {

// Reads the process's output until a line that begins with start (trimmed into line), for up to ms.
inline bool WaitForLine(QProcess& p, const QByteArray& start, QByteArray& line, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        while (p.canReadLine()) {
            line = p.readLine().trimmed();
            if (line.startsWith(start))
                return true;
        }
        p.waitForReadyRead(100);
    }
    return false;
}

} // namespace hy::test
