#include "updates/SilentUpdateService.h"

#include "platform/ManualScheduler.h"

#include <gtest/gtest.h>

TEST(SilentUpdateService, TimerStartsTheUpdateAfterFiveMinutesUnlessReset) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    SilentUpdateService service;
    EXPECT_FALSE(service.isAppLoaded);

    service.startTimer();
    scheduler.advance(200);
    service.startTimer(); // a running timer goes on unchanged
    scheduler.advance(99.9);
    EXPECT_EQ(service.updateRequests(), 0);
    scheduler.advance(0.1);
    EXPECT_EQ(service.updateRequests(), 1);
    EXPECT_FALSE(service.isTimerRunning());

    service.startTimer();
    scheduler.advance(100);
    service.resetTimer();
    scheduler.advance(600);
    EXPECT_EQ(service.updateRequests(), 1);

    service.startTimer();
    service.startUpdate(); // at once, and the timer goes
    EXPECT_EQ(service.updateRequests(), 2);
    EXPECT_FALSE(service.isTimerRunning());
    scheduler.advance(600);
    EXPECT_EQ(service.updateRequests(), 2);
}

TEST(SilentUpdateService, DestroyedServiceLeavesNoTimer) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    auto service = std::make_unique<SilentUpdateService>();
    service->startTimer();
    service.reset();
    scheduler.advance(600); // nothing runs on the destroyed service
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}
