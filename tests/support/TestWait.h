// Waiting for something the event loop brings about, with failures that GoogleTest sees.
#pragma once

#include "support/QtPrinters.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

// Waits up to five seconds for the condition, then checks it.
#define HY_EXPECT_SOON(cond) EXPECT_TRUE(QTest::qWaitFor([&]() { return bool(cond); }, 5000)) << #cond
#define HY_ASSERT_SOON(cond) ASSERT_TRUE(QTest::qWaitFor([&]() { return bool(cond); }, 5000)) << #cond
#define HY_ASSERT_EQ_SOON(a, b)                                                                                        \
    do {                                                                                                               \
        (void)QTest::qWaitFor([&]() { return (a) == (b); }, 5000);                                                     \
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
