#pragma once

#include "toolkit/OnScreen.h"

#include <QByteArray>
#include <QEasingCurve>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace platform {
class Timer;
}

// Layer animations timed the way Core Animation times them, sampled by a view that paints its own parts.
// Sampling is a pure function of an animation and the time since it was added, so tests reach any instant
// directly and the painter reads every part's value for the same moment.
namespace layeranim {

// The animated values of a layer. Positions are in the layer's superview with y growing upwards.
enum class Property { scale, opacity, positionY };

enum class FillMode { removed, forwards, backwards, both };

struct Animation {
    enum class Kind { basic, keyframe, group };
    // A repeat count that never runs out.
    static constexpr double repeatForever = 3.4028235e38;
    // The duration of an animation that sets none.
    static constexpr double defaultDuration = 0.25;

    Kind kind = Kind::basic;
    Property property = Property::scale;
    // Basic: from `from` to `to`.
    double from = 0.0;
    double to = 0.0;
    // Keyframe: values at key times (fractions of the duration); evenly spaced when no key times are given.
    std::vector<double> keyTimes;
    std::vector<double> values;
    // Group: members on the group's own clock, cut off at the group's duration.
    std::vector<Animation> animations;

    double beginTime = 0.0;
    double duration = 0.0;
    double speed = 1.0;
    double repeatCount = 0.0;
    FillMode fillMode = FillMode::removed;
    bool removedOnCompletion = true;
    QEasingCurve timingFunction = QEasingCurve(QEasingCurve::Linear);

    static Animation basic(Property property, double from, double to, double duration);
    static Animation keyframe(Property property, std::vector<double> keyTimes, std::vector<double> values,
                              double duration);
    static Animation group(std::vector<Animation> animations, double duration);
};

// What a layer shows: its model values with its animations laid over them.
struct Values {
    double scale = 1.0;
    double opacity = 1.0;
    double positionY = 0.0;
    bool operator==(const Values&) const = default;
};

// The animation's own time at `parentTime` (seconds on its parent's clock since it was added), or nothing
// while it has no effect: before its begin time, after its end unless it fills forwards.
std::optional<double> localTime(const Animation& animation, double parentTime, bool topLevel = true);
// Lays the animation's values at `parentTime` over `values`; later members of a group win.
void apply(const Animation& animation, double parentTime, Values& values);
// True once nothing about the animation changes any more.
bool hasEnded(const Animation& animation, double parentTime);

// Seconds on the scheduler's clock.
double now();

// One animated part of a view: a frame in the view (Qt coordinates), its anchor as a fraction of its size
// (y downwards: (0, 1) is the bottom-left corner), model values and animations by key.
class Layer {
public:
    QRectF frame;
    QPointF anchorPoint{0.0, 1.0};
    Values model;

    // Adds under `key`, replacing what the key held; begin times count from `at`.
    void addAnimation(const QByteArray& key, Animation animation, double at = now());
    void removeAllAnimations();
    const Animation* animation(const QByteArray& key) const;
    // When the animation under `key` was added.
    std::optional<double> addedAt(const QByteArray& key) const;
    bool hasAnimations() const { return !m_animations.empty(); }

    Values presentation(double at) const;
    // True while some animation still changes what the layer shows.
    bool isAnimating(double at) const;
    // The painted frame at `at`: scaled about the anchor and moved by the animated position.
    QRectF presentationFrame(double at) const;

private:
    struct Entry {
        QByteArray key;
        Animation animation;
        double addedAt = 0.0;
    };
    std::vector<Entry> m_animations;
};

// Repaints what changed of a view's animated layers, and only when it shows: each step compares what every
// layer shows (its painted rect to a quarter of a device pixel, its opacity to 1/16) with the last step,
// repaints the region of the layers that changed, and sleeps until the next step at which something
// changes (steps fall on a grid of ViewAnimation::stepInterval). No timer runs while nothing animates, while
// the driver is paused, or while the view is off screen (hidden, minimised or not exposed).
class LayerAnimationDriver {
public:
    // The rect a layer paints at `at`, in the view's coordinates.
    using PaintedRect = std::function<QRectF(const Layer& layer, double at)>;

    explicit LayerAnimationDriver(QWidget* view);
    ~LayerAnimationDriver();
    LayerAnimationDriver(const LayerAnimationDriver&) = delete;
    LayerAnimationDriver& operator=(const LayerAnimationDriver&) = delete;

    void setLayers(std::vector<const Layer*> layers);
    // By default a layer paints its presentation frame and a pixel around it.
    void setPaintedRect(PaintedRect paintedRect);
    // Called before the repaint of every step that changed something, and after animations changed: the
    // place to move child views along with the layers.
    void setStepped(std::function<void(double at)> stepped);
    // Repaints the whole view and starts or stops the steps after animations were added or removed.
    void animationsChanged();
    void setPaused(bool paused);
    bool isTicking() const;
    // The time of the last step: what the view shows now, its parts and child views alike.
    double frameTime() const { return m_frameTime; }
    // Steps that repainted something, since the driver was made.
    long repaintedSteps() const { return m_repaintedSteps; }

    // The step after `at` at which some layer shows something else, or nothing when no layer will change
    // any more. Looks at most a second ahead; past that it answers the second's end.
    std::optional<double> nextChange(double at) const;

private:
    struct Shown {
        QRect quarterPixels;
        int opacity = 0;
        bool operator==(const Shown&) const = default;
    };
    Shown shownAt(const Layer& layer, double at, double ratio) const;
    QRectF paintedRect(const Layer& layer, double at) const;
    bool anyAnimating(double at) const;
    bool running() const;
    void schedule(double at);
    void stop();
    void tick();

    QWidget* m_view;
    std::vector<const Layer*> m_layers;
    std::vector<Shown> m_shown;
    std::vector<QRect> m_painted; // where each layer was last painted
    PaintedRect m_paintedRect;
    std::function<void(double)> m_stepped;
    bool m_paused = false;
    bool m_onScreen = false;
    long m_repaintedSteps = 0;
    double m_frameTime = 0.0;
    std::shared_ptr<platform::Timer> m_timer;
    std::unique_ptr<OnScreenWatcher> m_watcher;
};

} // namespace layeranim
