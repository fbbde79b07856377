#pragma once

#include "toolkit/OnScreen.h"
#include "toolkit/XibView.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace rlottie {
class Animation;
}
namespace platform {
class Timer;
}

// Plays one Lottie animation of the bundle (":/animations/<name>.json") with rlottie at the file's frame
// rate, on the scheduler's clock. Each frame is rendered ahead on a render queue into an image of the view's
// device size, and the frame step only shows the finished one, so the GUI thread wakes once a frame and
// never waits for rlottie. Once a looping animation has been seen whole, each step applies the changes from
// the frame before, and nothing is rendered any more. A name that does not load is logged and draws nothing.
// A playing animation keeps no timer and no frame images while the view is off screen (hidden, minimised, or
// its window not exposed); it goes on from where the clock stands when it is back.
class LOTAnimationView : public QWidget {
    Q_OBJECT
public:
    explicit LOTAnimationView(QWidget* parent = nullptr);
    ~LOTAnimationView() override;

    // Loads the animation; false (logged) when there is none of that name or it does not parse.
    bool setAnimationNamed(const QString& name);
    QString animationName() const { return m_name; }
    bool isAnimationLoaded() const;

    // The one opaque colour the view stands on. Frames are drawn over it and the view paints opaquely, so
    // nothing beneath it is repainted at each frame. Invalid (the default): frames are translucent.
    void setBackdrop(const QColor& colour);
    QColor backdrop() const { return m_backdrop; }

    void setLoopAnimation(bool loop) { m_loop = loop; }
    bool loopAnimation() const { return m_loop; }

    // From the first frame; nothing while playing or without an animation.
    void play();
    void stop();
    // Playing, whether or not it is on screen now.
    bool isAnimationPlaying() const { return m_playing; }
    // Whether frames are being stepped: playing and on screen.
    bool isTicking() const;

    // The frame shown now.
    std::size_t currentFrame() const { return m_frame; }
    std::size_t totalFrames() const;
    double frameRate() const;
    // One frame rendered at `size` over the backdrop; a null image without an animation.
    QImage renderFrame(std::size_t frame, const QSize& size) const;
    // Frame images held now (the one shown and the one rendered ahead).
    int frameImageCount() const;
    // The frame image shown now, at the device size.
    QImage shownImage() const { return m_shown; }
    // Whether the steps replay the loop's changes instead of rendering.
    bool isReplayingLoop() const { return m_loopFrames != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Renderer;
    struct LoopFrames;
    // What frames are rendered for: a device size, over a backdrop (0: none).
    struct Canvas {
        QSize size;
        QRgb backdrop = 0;
        bool operator==(const Canvas&) const = default;
    };
    void tick();
    // Steps to `due` through the loop's known changes; false until they are known at the shown size.
    bool stepThroughLoop(std::size_t due);
    static void learnLoopOnQueue(const std::shared_ptr<Renderer>& renderer, const Canvas& canvas, bool start);
    void onScreenChanged(bool onScreen);
    void startTicking();
    void stopTicking();
    // Renders `frame` now, at the view's device size, as the one shown.
    void renderShownFrame(std::size_t frame);
    void renderAhead(std::size_t frame);
    std::size_t dueFrame() const;
    QSize deviceSize() const;
    // What frames are rendered for now: the view's device size and backdrop.
    Canvas canvas() const;
    Canvas shownCanvas() const { return {m_shown.size(), m_shownBackdrop}; }
    QRegion toWidget(const QRegion& devicePixels) const;

    QString m_name;
    std::shared_ptr<Renderer> m_renderer;
    std::shared_ptr<const LoopFrames> m_loopFrames;
    Canvas m_learning; // what the render queue was asked to learn the loop for
    QColor m_backdrop;
    QRgb m_shownBackdrop = 0; // the backdrop m_shown was drawn over
    bool m_loop = false;
    std::size_t m_frame = 0;
    QImage m_shown;
    bool m_playing = false;
    double m_startSeconds = 0.0;
    std::shared_ptr<platform::Timer> m_timer;
    std::unique_ptr<OnScreenWatcher> m_onScreen;
};

// Lets a child view that nobody has shown or hidden yet appear with its parent without its setVisible()
// being called, so a view that plays in setVisible() starts only when told.
void appearWithParent(QWidget* view);

// A view that plays one of the bundle's Lottie animations in a loop inside its background view. Hiding it
// stops the animation and frees the Lottie view; showing it again rebuilds and plays it. Appearing with its
// parent does not count as being shown: only setVisible() plays or stops it.
class PDLottieAnimationView : public XibView {
    Q_OBJECT
public:
    explicit PDLottieAnimationView(QWidget* parent = nullptr);

    QWidget* animationBgView() const { return m_animationBgView; }
    LOTAnimationView* animationView() const { return m_animationView; }
    QString animationName() const { return m_animationName; }
    // Handed to every Lottie view it makes.
    void setBackdrop(const QColor& colour);

    // A fresh Lottie view for animationName in the background view, looping, not playing.
    virtual void setupAnimation();
    virtual void setAnimation(const QString& name);
    // Builds the Lottie view when there is none, then plays it unless it plays already.
    virtual void play();
    // Stops the Lottie view; with `removeAnimationView` it also leaves the background view and is dropped.
    virtual void stop(bool removeAnimationView);

    // Every write stops and frees (hidden) or plays (shown), also when the value does not change.
    void setVisible(bool visible) override;

protected:
    QWidget* loadViewFromNib() override;
    bool event(QEvent* event) override;

private:
    void removeBackgroundSubviews();
    void takeParentsVisibility();

    QPointer<QWidget> m_animationBgView;
    QPointer<LOTAnimationView> m_animationView;
    QString m_animationName;
    QColor m_backdrop;
    bool m_visibilitySet = false;
};
