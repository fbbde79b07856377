#include "toolkit/IntervalAnimator.h"

#include "platform/Timer.h"

#include <algorithm>

IntervalAnimator::~IntervalAnimator() {
    stopAnimation();
}

void IntervalAnimator::startAnimation() {
    stopAnimation();
    currentFrame = 0;
    // The timer dies with the animator (the destructor stops it), so it may call back into `this`.
    m_animationTimer =
        platform::Timer::scheduledTimer(timerUpdateInterval, true, [this](platform::Timer&) { onUpdate(); });
}

void IntervalAnimator::onUpdate() {
    const int frames = std::max(1, numberOfFrames);
    currentFrame = (currentFrame + 1) % frames;
    if (delegate) {
        delegate->frameUpdated(currentFrame);
    }
}

void IntervalAnimator::stopAnimation() {
    if (m_animationTimer) {
        m_animationTimer->invalidate();
    }
}

bool IntervalAnimator::isAnimating() const {
    return m_animationTimer && m_animationTimer->isValid();
}
