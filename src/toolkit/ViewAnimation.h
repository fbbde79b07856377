#pragma once

#include <QByteArray>
#include <QEasingCurve>
#include <QObject>

#include <functional>
#include <memory>

class QWidget;

namespace platform {
class Timer;
}

// The toolkit's animations run on platform::Scheduler's clock, not on Qt's animation timer: a repeating
// platform::Timer on the main queue steps them about 60 times a second, and every step reads
// Scheduler::now(). Under ManualScheduler a test therefore reaches any point of an animation, or its end,
// with advance(); in the client the same code runs on the Qt scheduler.
//
// An animation belongs to its target (a QObject child of it, under a key): starting another one with the
// same key on the same target stops the first without its completion, and the target's destruction ends it.
class ViewAnimation : public QObject {
    Q_OBJECT
public:
    // Eased progress from 0 to 1; the last step is always 1.
    using Step = std::function<void(double progress)>;

    static constexpr double stepInterval = 1.0 / 60.0;

    // Starts an animation of `duration` seconds on `target`. A duration of 0 or less (or NaN) runs the last
    // step and the completion at once and returns null.
    static ViewAnimation* start(QObject* target, const QByteArray& key, double duration,
                                const QEasingCurve& curve, Step step, std::function<void()> completion = {});
    // Stops the animation of `key` on `target` where it is, without its completion.
    static void stop(QObject* target, const QByteArray& key);
    // The running animation of `key` on `target`, or null.
    static ViewAnimation* running(const QObject* target, const QByteArray& key);

    ~ViewAnimation() override;

    double duration() const { return m_duration; }
    const QEasingCurve& curve() const { return m_curve; }

private:
    ViewAnimation(QObject* target, const QByteArray& key, double duration, const QEasingCurve& curve,
                  Step step, std::function<void()> completion);
    void tick();
    void finish();

    double m_duration;
    QEasingCurve m_curve;
    Step m_step;
    std::function<void()> m_completion;
    double m_startSeconds;
    std::shared_ptr<platform::Timer> m_timer;
};

// Core Animation's named timing functions as easing curves.
namespace timing {
QEasingCurve linear();
QEasingCurve easeIn();    // control points (0.42, 0) (1, 1)
QEasingCurve easeOut();   // (0, 0) (0.58, 1)
QEasingCurve easeInOut(); // (0.42, 0) (0.58, 1), also the default of a view animation
QEasingCurve cubic(double x1, double y1, double x2, double y2);
} // namespace timing

// A view's alpha value. Below 1 it is a QGraphicsOpacityEffect on the view; at 1 the effect is removed, so
// an opaque view carries no effect. A view that carries another effect cannot fade: it keeps that effect,
// the call is logged and answers false.
bool setAlphaValue(QWidget* view, double alpha);
double alphaValue(const QWidget* view);
