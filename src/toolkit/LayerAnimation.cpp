#include "toolkit/LayerAnimation.h"

#include "platform/Scheduler.h"
#include "platform/Timer.h"
#include "toolkit/ViewAnimation.h"

#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace layeranim {

Animation Animation::basic(Property property, double from, double to, double duration) {
    Animation animation;
    animation.kind = Kind::basic;
    animation.property = property;
    animation.from = from;
    animation.to = to;
    animation.duration = duration;
    return animation;
}

Animation Animation::keyframe(Property property, std::vector<double> keyTimes, std::vector<double> values,
                              double duration) {
    Animation animation;
    animation.kind = Kind::keyframe;
    animation.property = property;
    animation.keyTimes = std::move(keyTimes);
    animation.values = std::move(values);
    animation.duration = duration;
    return animation;
}

Animation Animation::group(std::vector<Animation> animations, double duration) {
    Animation animation;
    animation.kind = Kind::group;
    animation.animations = std::move(animations);
    animation.duration = duration;
    return animation;
}

namespace {

double effectiveDuration(const Animation& animation) {
    return animation.duration > 0.0 ? animation.duration : Animation::defaultDuration;
}

double repeats(const Animation& animation) {
    return animation.repeatCount > 0.0 ? animation.repeatCount : 1.0;
}

bool fillsForwards(const Animation& animation, bool topLevel) {
    const bool fills = animation.fillMode == FillMode::forwards || animation.fillMode == FillMode::both;
    // A finished top-level animation that is removed holds nothing; members live as long as their group.
    return fills && (!topLevel || !animation.removedOnCompletion);
}

bool fillsBackwards(const Animation& animation) {
    return animation.fillMode == FillMode::backwards || animation.fillMode == FillMode::both;
}

double& slot(Values& values, Property property) {
    switch (property) {
    case Property::opacity:
        return values.opacity;
    case Property::positionY:
        return values.positionY;
    case Property::scale:
        break;
    }
    return values.scale;
}

double keyframeValue(const Animation& animation, double progress) {
    const std::vector<double>& values = animation.values;
    if (values.empty()) {
        return 0.0;
    }
    const std::size_t count = values.size();
    auto keyTime = [&](std::size_t i) {
        if (animation.keyTimes.size() == count) {
            return animation.keyTimes[i];
        }
        return count == 1 ? 0.0 : double(i) / double(count - 1);
    };
    if (progress <= keyTime(0)) {
        return values.front();
    }
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const double start = keyTime(i);
        const double end = keyTime(i + 1);
        if (progress < end) {
            const double fraction = end > start ? (progress - start) / (end - start) : 1.0;
            return values[i] + (values[i + 1] - values[i]) * fraction;
        }
    }
    return values.back();
}

} // namespace

std::optional<double> localTime(const Animation& animation, double parentTime, bool topLevel) {
    const double duration = effectiveDuration(animation);
    const double active = duration * repeats(animation);
    const double t = (parentTime - animation.beginTime) * animation.speed;
    if (t < 0.0) {
        return fillsBackwards(animation) ? std::optional<double>(0.0) : std::nullopt;
    }
    if (t >= active) {
        if (!fillsForwards(animation, topLevel)) {
            return std::nullopt;
        }
        // Held at the end of its last (possibly partial) cycle.
        const double rest = std::fmod(active, duration);
        return rest > 0.0 ? rest : duration;
    }
    return std::fmod(t, duration);
}

namespace {

void applyAt(const Animation& animation, double parentTime, Values& values, bool topLevel) {
    const std::optional<double> local = localTime(animation, parentTime, topLevel);
    if (!local) {
        return;
    }
    if (animation.kind == Animation::Kind::group) {
        for (const Animation& member : animation.animations) {
            applyAt(member, *local, values, false);
        }
        return;
    }
    const double fraction = std::clamp(*local / effectiveDuration(animation), 0.0, 1.0);
    const double progress = animation.timingFunction.valueForProgress(fraction);
    if (animation.kind == Animation::Kind::basic) {
        slot(values, animation.property) = animation.from + (animation.to - animation.from) * progress;
    } else {
        slot(values, animation.property) = keyframeValue(animation, progress);
    }
}

} // namespace

void apply(const Animation& animation, double parentTime, Values& values) {
    applyAt(animation, parentTime, values, true);
}

bool hasEnded(const Animation& animation, double parentTime) {
    if (animation.speed <= 0.0) {
        return true;
    }
    const double active = effectiveDuration(animation) * repeats(animation);
    return parentTime >= animation.beginTime + active / animation.speed;
}

double now() {
    return std::chrono::duration<double>(platform::Scheduler::shared().now().time_since_epoch()).count();
}

void Layer::addAnimation(const QByteArray& key, Animation animation, double at) {
    for (Entry& entry : m_animations) {
        if (entry.key == key) {
            entry.animation = std::move(animation);
            entry.addedAt = at;
            return;
        }
    }
    m_animations.push_back(Entry{key, std::move(animation), at});
}

void Layer::removeAllAnimations() {
    m_animations.clear();
}

const Animation* Layer::animation(const QByteArray& key) const {
    for (const Entry& entry : m_animations) {
        if (entry.key == key) {
            return &entry.animation;
        }
    }
    return nullptr;
}

std::optional<double> Layer::addedAt(const QByteArray& key) const {
    for (const Entry& entry : m_animations) {
        if (entry.key == key) {
            return entry.addedAt;
        }
    }
    return std::nullopt;
}

Values Layer::presentation(double at) const {
    Values values = model;
    for (const Entry& entry : m_animations) {
        apply(entry.animation, at - entry.addedAt, values);
    }
    return values;
}

bool Layer::isAnimating(double at) const {
    return std::any_of(m_animations.begin(), m_animations.end(),
                       [at](const Entry& entry) { return !hasEnded(entry.animation, at - entry.addedAt); });
}

QRectF Layer::presentationFrame(double at) const {
    const Values values = presentation(at);
    const QPointF anchor(frame.x() + frame.width() * anchorPoint.x(),
                         frame.y() + frame.height() * anchorPoint.y());
    // The position is written with y upwards.
    const double dy = -(values.positionY - model.positionY);
    const QSizeF size = frame.size() * values.scale;
    return QRectF(QPointF(anchor.x() - size.width() * anchorPoint.x(),
                          anchor.y() - size.height() * anchorPoint.y() + dy),
                  size);
}

LayerAnimationDriver::LayerAnimationDriver(QWidget* view) : m_view(view) {
    m_watcher = std::make_unique<OnScreenWatcher>(view, [this](bool onScreen) {
        m_onScreen = onScreen;
        animationsChanged();
    });
    m_onScreen = m_watcher->onScreen();
}

LayerAnimationDriver::~LayerAnimationDriver() {
    m_watcher.reset();
    stop();
}

void LayerAnimationDriver::setLayers(std::vector<const Layer*> layers) {
    m_layers = std::move(layers);
    animationsChanged();
}

void LayerAnimationDriver::setPaintedRect(PaintedRect paintedRect) {
    m_paintedRect = std::move(paintedRect);
}

void LayerAnimationDriver::setStepped(std::function<void(double)> stepped) {
    m_stepped = std::move(stepped);
}

QRectF LayerAnimationDriver::paintedRect(const Layer& layer, double at) const {
    return m_paintedRect ? m_paintedRect(layer, at) : layer.presentationFrame(at).adjusted(-1, -1, 1, 1);
}

LayerAnimationDriver::Shown LayerAnimationDriver::shownAt(const Layer& layer, double at, double ratio) const {
    const QRectF rect = paintedRect(layer, at);
    const double quarters = 4.0 * ratio;
    const int opacity = int(std::lround(std::clamp(layer.presentation(at).opacity, 0.0, 1.0) * 16.0));
    if (opacity == 0) {
        return Shown{}; // nothing painted, wherever it is
    }
    return Shown{
        QRect(QPoint(int(std::lround(rect.left() * quarters)), int(std::lround(rect.top() * quarters))),
              QPoint(int(std::lround(rect.right() * quarters)), int(std::lround(rect.bottom() * quarters)))),
        opacity};
}

bool LayerAnimationDriver::anyAnimating(double at) const {
    return std::any_of(m_layers.begin(), m_layers.end(),
                       [at](const Layer* layer) { return layer->isAnimating(at); });
}

bool LayerAnimationDriver::running() const {
    return !m_paused && m_onScreen && m_view;
}

std::optional<double> LayerAnimationDriver::nextChange(double at) const {
    const double ratio = m_view->devicePixelRatioF();
    std::vector<std::pair<const Layer*, Shown>> moving;
    for (const Layer* layer : m_layers) {
        if (layer->isAnimating(at)) {
            moving.emplace_back(layer, shownAt(*layer, at, ratio));
        }
    }
    if (moving.empty()) {
        return std::nullopt;
    }
    constexpr int lookahead = int(1.0 / ViewAnimation::stepInterval);
    double t = at;
    for (int step = 1; step <= lookahead; ++step) {
        t = at + step * ViewAnimation::stepInterval;
        bool stillAnimating = false;
        for (const auto& [layer, shown] : moving) {
            if (shownAt(*layer, t, ratio) != shown) {
                return t;
            }
            stillAnimating = stillAnimating || layer->isAnimating(t);
        }
        if (!stillAnimating) {
            return std::nullopt;
        }
    }
    return t;
}

void LayerAnimationDriver::stop() {
    if (m_timer) {
        m_timer->invalidate();
        m_timer.reset();
    }
}

void LayerAnimationDriver::schedule(double at) {
    stop();
    if (!running()) {
        return;
    }
    const std::optional<double> next = nextChange(at);
    if (!next) {
        return;
    }
    QPointer<QWidget> view = m_view;
    m_timer =
        platform::Timer::scheduledTimer(std::max(*next - now(), 0.0), false, [this, view](platform::Timer&) {
            if (view) {
                tick();
            }
        });
}

void LayerAnimationDriver::animationsChanged() {
    const double at = now();
    m_frameTime = at;
    const double ratio = m_view->devicePixelRatioF();
    m_shown.clear();
    m_painted.clear();
    for (const Layer* layer : m_layers) {
        m_shown.push_back(shownAt(*layer, at, ratio));
        m_painted.push_back(paintedRect(*layer, at).toAlignedRect());
    }
    if (m_stepped) {
        m_stepped(at);
    }
    m_view->update();
    schedule(at);
}

void LayerAnimationDriver::setPaused(bool paused) {
    m_paused = paused;
    animationsChanged();
}

bool LayerAnimationDriver::isTicking() const {
    return m_timer && m_timer->isValid();
}

void LayerAnimationDriver::tick() {
    const double at = now();
    const double ratio = m_view->devicePixelRatioF();
    QRegion changed;
    for (std::size_t i = 0; i < m_layers.size() && i < m_shown.size(); ++i) {
        const Layer& layer = *m_layers[i];
        const Shown shown = shownAt(layer, at, ratio);
        if (shown == m_shown[i]) {
            continue;
        }
        // Where it was and where it is now.
        const QRect painted = paintedRect(layer, at).toAlignedRect();
        changed += m_painted[i];
        changed += painted;
        m_shown[i] = shown;
        m_painted[i] = painted;
    }
    if (!changed.isEmpty()) {
        ++m_repaintedSteps;
        m_frameTime = at;
        if (m_stepped) {
            m_stepped(at);
        }
        m_view->update(changed);
    }
    schedule(at);
}

} // namespace layeranim
