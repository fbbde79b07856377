#include "platform/ManualScheduler.h"
#include "support/TestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <mutex>
#include <numeric>
#include <vector>

using namespace platform;

TEST(ManualScheduler, RunsDelaysInTimeOrderAndSameTimeInPostedOrder) {
    ManualScheduler scheduler;
    ScopedScheduler use(scheduler);
    std::vector<std::string> ran;
    DispatchQueue::main().asyncAfter(1.0, [&] { ran.push_back("b@1"); });
    DispatchQueue::main().asyncAfter(0.5, [&] { ran.push_back("a@0.5"); });
    DispatchQueue::global().asyncAfter(1.0, [&] { ran.push_back("c@1"); });
    DispatchQueue::main().asyncAfter(4.0, [&] { ran.push_back("d@4"); });

    scheduler.advance(0.4);
    EXPECT_TRUE(ran.empty());
    scheduler.advance(0.6);
    EXPECT_EQ(ran, (std::vector<std::string>{"a@0.5", "b@1", "c@1"}));
    EXPECT_DOUBLE_EQ(scheduler.elapsedSeconds(), 1.0);
    scheduler.advance(10);
    EXPECT_EQ(ran.back(), "d@4");
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(ManualScheduler, TaskPostedFromTaskRunsAfterItAndAfterEarlierPosts) {
    ManualScheduler scheduler;
    ScopedScheduler use(scheduler);
    std::vector<int> ran;
    DispatchQueue::main().async([&] {
        ran.push_back(1);
        DispatchQueue::main().async([&] { ran.push_back(3); });
    });
    DispatchQueue::main().async([&] { ran.push_back(2); });
    scheduler.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(ManualScheduler, NestedDelayCountsFromTheTimeItWasPosted) {
    ManualScheduler scheduler;
    ScopedScheduler use(scheduler);
    double firedAt = -1;
    DispatchQueue::main().asyncAfter(
        1.0, [&] { DispatchQueue::main().asyncAfter(0.5, [&] { firedAt = scheduler.elapsedSeconds(); }); });
    scheduler.advance(1.2);
    EXPECT_LT(firedAt, 0);
    scheduler.advance(0.3);
    EXPECT_DOUBLE_EQ(firedAt, 1.5);
}

TEST(ManualScheduler, WallClockCanGoBackWhileMonotonicTimeDoesNot) {
    ManualScheduler scheduler;
    const auto before = scheduler.now();
    const QDateTime date = scheduler.currentDate();
    scheduler.setCurrentDate(date.addDays(-1));
    scheduler.advance(2);
    EXPECT_GT(scheduler.now(), before);
    EXPECT_EQ(scheduler.currentDate(), date.addDays(-1).addSecs(2));
}

TEST(Scheduler, BadDelaysCountAsZero) {
    EXPECT_EQ(delayFromSeconds(-1), std::chrono::nanoseconds::zero());
    EXPECT_EQ(delayFromSeconds(std::numeric_limits<double>::quiet_NaN()), std::chrono::nanoseconds::zero());
    EXPECT_EQ(delayFromSeconds(std::numeric_limits<double>::infinity()), std::chrono::nanoseconds::zero());
    EXPECT_EQ(delayFromSeconds(0.25), std::chrono::milliseconds(250));
}

TEST(QtScheduler, MainQueueRunsOnGuiThreadGlobalAndSerialDoNot) {
    std::atomic<bool> mainOnGui{false}, globalOffGui{false};
    std::atomic<int> done{0};
    QThread* gui = QThread::currentThread();
    DispatchQueue::global(QoS::utility).async([&] {
        globalOffGui = QThread::currentThread() != gui && !Scheduler::shared().isMainThread();
        DispatchQueue::main().asyncAfter(0.01, [&] {
            mainOnGui = QThread::currentThread() == gui && Scheduler::shared().isMainThread();
            ++done;
        });
    });
    std::vector<int> order;
    std::mutex orderMutex;
    {
        DispatchQueue serial("test.serial");
        for (int i = 0; i < 50; ++i) {
            serial.async([&, i] {
                std::lock_guard lock(orderMutex);
                order.push_back(i);
                if (QThread::currentThread() == gui) {
                    order.push_back(-1);
                }
            });
        }
        serial.asyncAfter(0.02, [&] { ++done; });
        ASSERT_TRUE(testsupport::waitUntil([&] { return done == 2; }));
    }
    EXPECT_TRUE(mainOnGui);
    EXPECT_TRUE(globalOffGui);
    std::vector<int> expected(50);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
}
