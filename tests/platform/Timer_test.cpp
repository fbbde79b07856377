#include "platform/ManualScheduler.h"
#include "platform/Timer.h"
#include "support/TestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

using namespace platform;

namespace {

class TimerTest : public ::testing::Test {
protected:
    ManualScheduler scheduler;
    ScopedScheduler use{scheduler};
};

} // namespace

TEST_F(TimerTest, OneShotFiresOnceAtItsTimeThenIsInvalid) {
    std::vector<double> fired;
    auto timer =
        Timer::scheduledTimer(2.0, false, [&](Timer&) { fired.push_back(scheduler.elapsedSeconds()); });
    EXPECT_TRUE(timer->isValid());
    EXPECT_FALSE(timer->repeats());
    scheduler.advance(1.99);
    EXPECT_TRUE(fired.empty());
    scheduler.advance(0.01);
    EXPECT_EQ(fired, std::vector<double>{2.0});
    EXPECT_FALSE(timer->isValid());
    scheduler.advance(60);
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(TimerTest, RepeatingKeepsToItsScheduleWithoutDrift) {
    std::vector<double> fired;
    auto timer =
        Timer::scheduledTimer(0.17, true, [&](Timer&) { fired.push_back(scheduler.elapsedSeconds()); });
    // Uneven steps must not shift the grid.
    for (int i = 0; i < 100; ++i) {
        scheduler.advance(i % 2 ? 0.23 : 0.11);
    }
    ASSERT_EQ(fired.size(), static_cast<std::size_t>(17.0 / 0.17 + 1e-9));
    for (std::size_t i = 0; i < fired.size(); ++i) {
        EXPECT_NEAR(fired[i], 0.17 * double(i + 1), 1e-6) << "fire " << i;
    }
    EXPECT_TRUE(timer->isValid());
    timer->invalidate();
}

TEST_F(TimerTest, ABlockThatOverrunsSkipsTheMissedFires) {
    std::vector<double> fired;
    auto timer = Timer::scheduledTimer(1.0, true, [&](Timer&) {
        fired.push_back(scheduler.elapsedSeconds());
        if (fired.size() == 1) {
            scheduler.advance(2.5); // the queue is busy for 2.5 s
        }
    });
    scheduler.advance(5.0);
    // 1, then 2 and 3 are missed while busy until 3.5, then back on the grid.
    EXPECT_EQ(fired, (std::vector<double>{1.0, 4.0, 5.0}));
    timer->invalidate();
}

TEST_F(TimerTest, ScheduledTimerLivesWithoutItsHandleUntilInvalidatedFromItsBlock) {
    int fires = 0;
    std::weak_ptr<Timer> weak;
    {
        auto timer = Timer::scheduledTimer(0.5, true, [&](Timer& self) {
            if (++fires == 3) {
                self.invalidate();
                EXPECT_FALSE(self.isValid());
            }
        });
        weak = timer;
    }
    ASSERT_FALSE(weak.expired());
    scheduler.advance(10);
    EXPECT_EQ(fires, 3);
    EXPECT_TRUE(weak.expired()) << "an invalidated timer is released once nothing is pending";
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(TimerTest, InvalidateFromAnotherThreadStopsFiresAndReleasesTheBlock) {
    auto captured = std::make_shared<int>(0);
    int fires = 0;
    auto timer = Timer::scheduledTimer(1.0, true, [&fires, captured](Timer&) { ++fires; });
    scheduler.advance(2.0);
    ASSERT_EQ(fires, 2);
    ASSERT_EQ(captured.use_count(), 2);

    std::thread([&] { timer->invalidate(); }).join();
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(captured.use_count(), 1) << "the block's captures go with the invalidation";
    scheduler.advance(10);
    EXPECT_EQ(fires, 2);
}

TEST_F(TimerTest, FireRunsNowAndLeavesTheRepeatingScheduleAlone) {
    std::vector<double> repeating;
    auto every =
        Timer::scheduledTimer(1.0, true, [&](Timer&) { repeating.push_back(scheduler.elapsedSeconds()); });
    scheduler.advance(0.4);
    every->fire();
    scheduler.advance(1.0);
    EXPECT_EQ(repeating, (std::vector<double>{0.4, 1.0}));
    every->invalidate();
    every->fire();
    EXPECT_EQ(repeating.size(), 2u) << "an invalid timer does not fire";

    int once = 0;
    auto single = Timer::scheduledTimer(1.0, false, [&](Timer&) { ++once; });
    single->fire();
    EXPECT_EQ(once, 1);
    EXPECT_FALSE(single->isValid());
    scheduler.advance(5);
    EXPECT_EQ(once, 1) << "a fired one-shot timer does not fire again at its date";
}

TEST_F(TimerTest, DegenerateIntervalsNeverSpin) {
    for (double interval : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
        int fires = 0;
        auto timer = Timer::scheduledTimer(interval, true, [&](Timer&) { ++fires; });
        EXPECT_DOUBLE_EQ(timer->timeInterval(), Timer::minimumInterval);
        scheduler.runUntilIdle(); // returns: nothing is due now
        EXPECT_EQ(fires, 0);
        scheduler.advance(0.01);
        EXPECT_EQ(fires, 10);
        timer->invalidate();
    }
    int fires = 0;
    auto never =
        Timer::scheduledTimer(std::numeric_limits<double>::infinity(), true, [&](Timer&) { ++fires; });
    scheduler.advance(1e6);
    EXPECT_EQ(fires, 0);
    never->invalidate();
}

TEST(TimerOnQt, FiresOnItsQueueAndStopsWhenInvalidated) {
    std::atomic<int> mainFires{0};
    auto onMain = Timer::scheduledTimer(0.005, true, [&](Timer&) {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        ++mainFires;
    });
    DispatchQueue serial(QStringLiteral("timer.test"));
    std::atomic<bool> offMain{false};
    auto onSerial = Timer::scheduledTimer(
        0.005, false, [&](Timer&) { offMain = QThread::currentThread() != qApp->thread(); }, serial);

    ASSERT_TRUE(testsupport::waitUntil([&] { return mainFires >= 3 && !onSerial->isValid(); }));
    EXPECT_TRUE(offMain);
    onMain->invalidate();
    const int stoppedAt = mainFires;
    QThread::msleep(20);
    QCoreApplication::processEvents();
    EXPECT_EQ(mainFires, stoppedAt);
}
