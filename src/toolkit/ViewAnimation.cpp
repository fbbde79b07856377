#include "toolkit/ViewAnimation.h"

#include "core/Log.h"
#include "platform/Application.h"
#include "platform/Scheduler.h"
#include "platform/Timer.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kAlphaEffectName = "veltrixAlphaValue";

double nowSeconds() {
    return std::chrono::duration<double>(platform::Scheduler::shared().now().time_since_epoch()).count();
}

QByteArray objectNameFor(const QByteArray& key) {
    return "veltrixAnimation:" + key;
}

// Qt's X11 backing store, without shared memory, copies every flushed area short of the whole window into a
// buffer it keeps at its largest size for the window's life (2 MiB after one fade of the main window's
// tab). A fade over most of its window repaints all of it, which goes out straight from the backing store.
void repaintItsWindowIfMostlyCovered(QWidget* view) {
    QWidget* window = view->window();
    if (window == view || !window->isVisible()) {
        return;
    }
    const QSize part = view->size();
    const QSize whole = window->size();
    if (2 * qint64(part.width()) * part.height() < qint64(whole.width()) * whole.height()) {
        return;
    }
    // A widget's repaint leaves out what its opaque children cover, so each is asked.
    window->update();
    for (QWidget* child : window->findChildren<QWidget*>()) {
        child->update();
    }
}

} // namespace

ViewAnimation* ViewAnimation::start(QObject* target, const QByteArray& key, double duration,
                                    const QEasingCurve& curve, Step step, std::function<void()> completion) {
    if (!target) {
        return nullptr;
    }
    stop(target, key);
    if (!(duration > 0.0)) {
        if (step) {
            step(1.0);
        }
        if (completion) {
            completion();
        }
        return nullptr;
    }
    return new ViewAnimation(target, key, duration, curve, std::move(step), std::move(completion));
}

void ViewAnimation::stop(QObject* target, const QByteArray& key) {
    delete running(target, key);
}

ViewAnimation* ViewAnimation::running(const QObject* target, const QByteArray& key) {
    if (!target) {
        return nullptr;
    }
    return target->findChild<ViewAnimation*>(QString::fromLatin1(objectNameFor(key)),
                                             Qt::FindDirectChildrenOnly);
}

ViewAnimation::ViewAnimation(QObject* target, const QByteArray& key, double duration,
                             const QEasingCurve& curve, Step step, std::function<void()> completion)
    : QObject(target), m_duration(duration), m_curve(curve), m_step(std::move(step)),
      m_completion(std::move(completion)), m_startSeconds(nowSeconds()) {
    setObjectName(QString::fromLatin1(objectNameFor(key)));
    QPointer<ViewAnimation> self = this;
    m_timer = platform::Timer::scheduledTimer(stepInterval, true, [self](platform::Timer&) {
        if (self) {
            self->tick();
        }
    });
    // The last step comes exactly at the end, not at the next step of the grid.
    platform::DispatchQueue::main().asyncAfter(duration, [self] {
        if (self) {
            self->finish();
        }
    });
}

ViewAnimation::~ViewAnimation() {
    if (m_timer) {
        m_timer->invalidate();
    }
}

void ViewAnimation::tick() {
    const double t = (nowSeconds() - m_startSeconds) / m_duration;
    if (t >= 1.0) {
        finish();
        return;
    }
    if (m_step) {
        m_step(m_curve.valueForProgress(std::clamp(t, 0.0, 1.0)));
    }
}

void ViewAnimation::finish() {
    // The completion may start a new animation under the same key or destroy the target, so this one
    // leaves its target first and is gone before anything else runs.
    Step step = std::move(m_step);
    std::function<void()> completion = std::move(m_completion);
    delete this;
    if (step) {
        step(1.0);
    }
    if (completion) {
        completion();
    }
}

namespace timing {

QEasingCurve cubic(double x1, double y1, double x2, double y2) {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(x1, y1), QPointF(x2, y2), QPointF(1.0, 1.0));
    return curve;
}

QEasingCurve linear() {
    return QEasingCurve(QEasingCurve::Linear);
}
QEasingCurve easeIn() {
    return cubic(0.42, 0.0, 1.0, 1.0);
}
QEasingCurve easeOut() {
    return cubic(0.0, 0.0, 0.58, 1.0);
}
QEasingCurve easeInOut() {
    return cubic(0.42, 0.0, 0.58, 1.0);
}

} // namespace timing

bool setAlphaValue(QWidget* view, double alpha) {
    if (!view) {
        return false;
    }
    alpha = std::isnan(alpha) ? 1.0 : std::clamp(alpha, 0.0, 1.0);
    QGraphicsEffect* effect = view->graphicsEffect();
    auto* opacity = qobject_cast<QGraphicsOpacityEffect*>(effect);
    if (opacity && opacity->objectName() != QLatin1String(kAlphaEffectName)) {
        opacity = nullptr;
    }
    if (effect && !opacity) {
        vlog::warning(QStringLiteral("View carries another effect; its alpha value stays"));
        return false;
    }
    if (alpha >= 1.0) {
        if (opacity) {
            view->setGraphicsEffect(nullptr);
            repaintItsWindowIfMostlyCovered(view);
            // The effect drew the view through offscreen copies of its area, which the allocator would keep.
            if (auto* app = platform::Application::instance()) {
                app->releaseFreedMemorySoon();
            }
        }
        return true;
    }
    if (!opacity) {
        opacity = new QGraphicsOpacityEffect;
        opacity->setObjectName(QLatin1String(kAlphaEffectName));
        view->setGraphicsEffect(opacity);
    }
    opacity->setOpacity(alpha);
    repaintItsWindowIfMostlyCovered(view);
    return true;
}

double alphaValue(const QWidget* view) {
    if (!view) {
        return 0.0;
    }
    const auto* opacity = qobject_cast<const QGraphicsOpacityEffect*>(view->graphicsEffect());
    return opacity && opacity->objectName() == QLatin1String(kAlphaEffectName) ? opacity->opacity() : 1.0;
}
