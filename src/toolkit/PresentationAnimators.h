#pragma once

#include "platform/ViewController.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <optional>

// The animators with which screens show a controller inside another controller's view. Frames are taken
// from the presenting view's bounds, so the presented view is placed in the presenting view's own
// coordinates. Both calls return at once; the animation runs on the scheduler's clock (ViewAnimation).

// Fades the presented view in over the presenting view's bounds cut down by four offsets, and out again.
class TransitionAnimator : public platform::PresentationAnimator {
public:
    // Left and right offsets are 0; a missing offset is 0, a missing appear duration 0, a missing disappear
    // duration the appear duration.
    TransitionAnimator(std::optional<double> topOffset, std::optional<double> bottomOffset,
                       std::optional<double> appearDuration = {},
                       std::optional<double> disappearDuration = {});
    TransitionAnimator(std::optional<double> topOffset, std::optional<double> bottomOffset,
                       std::optional<double> leftOffset, std::optional<double> rightOffset,
                       std::optional<double> appearDuration, std::optional<double> disappearDuration);

    void animatePresentation(platform::ViewController* presented,
                             platform::ViewController* presenting) override;
    void animateDismissal(platform::ViewController* presented, platform::ViewController* presenting) override;

    double topOffset() const { return m_top; }
    double bottomOffset() const { return m_bottom; }
    double leftOffset() const { return m_left; }
    double rightOffset() const { return m_right; }
    double appearDurationAnimationDuration() const { return m_appear; }
    double disappearDurationAnimationDuration() const { return m_disappear; }

    // The presented view's frame inside presenting bounds, in Qt's top-left coordinates.
    static QRect presentedFrame(const QRect& presentingBounds, double top, double bottom, double left,
                                double right);

private:
    double m_top;
    double m_bottom;
    double m_left;
    double m_right;
    double m_appear;
    double m_disappear;
};

// The transition options the slide animator reads (the bits of the platform's option set).
namespace TransitionOptions {
constexpr unsigned crossfade = 0x1;
constexpr unsigned slideUp = 0x10;
constexpr unsigned slideDown = 0x20;
constexpr unsigned slideLeft = 0x40;
constexpr unsigned slideRight = 0x80;
constexpr unsigned slideForward = 0x140;
constexpr unsigned slideBackward = 0x180;
} // namespace TransitionOptions

// Slides the presented view in from an edge of the presenting view, optionally cross-fading.
class SlideAnimator : public platform::PresentationAnimator {
public:
    explicit SlideAnimator(double animationDuration = 0.3,
                           unsigned transitionEffect = TransitionOptions::crossfade |
                                                       TransitionOptions::slideDown);

    void animatePresentation(platform::ViewController* presented,
                             platform::ViewController* presenting) override;
    void animateDismissal(platform::ViewController* presented, platform::ViewController* presenting) override;

    double animationDuration() const { return m_duration; }
    unsigned transitionEffect() const { return m_effect; }

    // Background given to a presented view that paints none of its own.
    QColor backgroundColor;
    // The presented view keeps its own width (horizontal slides) or height (vertical slides).
    bool keepOriginalSize = false;
    // The presenting view leaves while the presented one is shown (it must have a parent widget).
    bool removeFromView = false;
    // The end of the presentation, in the presenting view's coordinates.
    std::optional<QPoint> origin;

    // Frames for presenting bounds `a` and the presented view's frame `b`, in Qt's top-left coordinates.
    // `rightToLeft` is the application's layout direction.
    static QRect offscreenFrame(const QRect& a, const QRect& b, unsigned effect, bool keepOriginalSize,
                                bool rightToLeft);
    static QRect onscreenFrame(const QRect& a, const QRect& b, unsigned effect, bool keepOriginalSize,
                               bool rightToLeft);

    QWidget* fromView() const { return m_fromView; }

private:
    double m_duration;
    unsigned m_effect;
    QPointer<QWidget> m_fromView;
};

// A plain slide in from the right-hand edge.
class TestSlideAnimator : public platform::PresentationAnimator {
public:
    explicit TestSlideAnimator(double animationDuration = 0.5);

    void animatePresentation(platform::ViewController* presented,
                             platform::ViewController* presenting) override;
    void animateDismissal(platform::ViewController* presented, platform::ViewController* presenting) override;

    double animationDuration() const { return m_duration; }

private:
    double m_duration;
};
