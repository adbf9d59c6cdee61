// Waiting for something the event loop brings about, with failures that GoogleTest sees.
#pragma once

#include "support/QtPrinters.h"

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
