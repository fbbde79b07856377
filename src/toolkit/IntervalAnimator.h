#pragma once

#include <memory>

namespace platform {
class Timer;
}

class IntervalAnimatorDelegate {
public:
    virtual ~IntervalAnimatorDelegate() = default;
    virtual void frameUpdated(int frame) = 0;
};

// A frame counter on a repeating timer: steps 0, 1, ..., n-1, 0, ... every interval and tells its delegate
// each new index. Draws nothing. The timer runs on the main queue through the scheduler.
class IntervalAnimator {
public:
    IntervalAnimator() = default;
    ~IntervalAnimator();
    IntervalAnimator(const IntervalAnimator&) = delete;
    IntervalAnimator& operator=(const IntervalAnimator&) = delete;

    // Seconds; read at the next start.
    double timerUpdateInterval = 0.17;
    // Frames in a cycle; read at every tick, and a count below 1 counts as 1.
    int numberOfFrames = 3;
    // Kept alive by the animator.
    std::shared_ptr<IntervalAnimatorDelegate> delegate;
    int currentFrame = 0;

    // Back to frame 0 and a new timer; a running timer is stopped first, so there is never a second one.
    // The first report comes one interval later.
    void startAnimation();
    // The timer's step: the next frame, reported to the delegate.
    void onUpdate();
    // Stops the timer; the frame stays where it is.
    void stopAnimation();
    bool isAnimating() const;

    const std::shared_ptr<platform::Timer>& animationTimer() const { return m_animationTimer; }

private:
    std::shared_ptr<platform::Timer> m_animationTimer;
};
