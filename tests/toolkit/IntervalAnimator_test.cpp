#include "toolkit/IntervalAnimator.h"

#include "platform/ManualScheduler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct RecordingFrames : IntervalAnimatorDelegate {
    std::vector<int> frames;
    void frameUpdated(int frame) override { frames.push_back(frame); }
};

class IntervalAnimatorTest : public ::testing::Test {
protected:
    IntervalAnimatorTest() : scope(scheduler) { animator.delegate = recorder; }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    std::shared_ptr<RecordingFrames> recorder = std::make_shared<RecordingFrames>();
    IntervalAnimator animator;
};

} // namespace

TEST_F(IntervalAnimatorTest, CyclesThroughTheFramesEveryIntervalStartingWithOne) {
    animator.startAnimation();
    scheduler.advance(0.16);
    EXPECT_TRUE(recorder->frames.empty()); // nothing at start
    scheduler.advance(0.17 * 6);
    EXPECT_EQ(recorder->frames, (std::vector<int>{1, 2, 0, 1, 2, 0}));
    animator.stopAnimation();
    scheduler.advance(1.0);
    EXPECT_EQ(recorder->frames.size(), 6u);
    EXPECT_EQ(animator.currentFrame, 0);
    EXPECT_FALSE(animator.isAnimating());
}

TEST_F(IntervalAnimatorTest, StartingWhileRunningRestartsWithOneTimer) {
    animator.startAnimation();
    scheduler.advance(0.35); // frames 1, 2
    animator.startAnimation();
    scheduler.advance(0.17 * 2 + 0.01);
    EXPECT_EQ(recorder->frames, (std::vector<int>{1, 2, 1, 2}));
    EXPECT_EQ(scheduler.pendingCount(), 1u); // one timer's next fire, not two
}

TEST_F(IntervalAnimatorTest, FrameCountsBelowOneCountAsOneAndChangesApplyAtTheRightMoment) {
    animator.numberOfFrames = 0;
    animator.startAnimation();
    scheduler.advance(0.17 * 2 + 0.01);
    EXPECT_EQ(recorder->frames, (std::vector<int>{0, 0}));

    recorder->frames.clear();
    animator.numberOfFrames = 5;        // the next tick
    animator.timerUpdateInterval = 1.0; // the next start
    scheduler.advance(0.17 * 2);
    EXPECT_EQ(recorder->frames, (std::vector<int>{1, 2}));
    animator.stopAnimation();
    animator.startAnimation();
    scheduler.advance(0.9);
    EXPECT_EQ(recorder->frames.size(), 2u);
    scheduler.advance(0.11);
    EXPECT_EQ(recorder->frames.back(), 1);
}

TEST_F(IntervalAnimatorTest, WithoutADelegateTheFrameStillAdvancesAndDestructionStopsTheTimer) {
    {
        IntervalAnimator silent;
        silent.startAnimation();
        scheduler.advance(0.35);
        EXPECT_EQ(silent.currentFrame, 2);
    }
    scheduler.advance(1.0); // the destroyed animator's timer does not fire
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}
