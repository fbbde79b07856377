#include "toolkit/PDLottieAnimationView.h"

#include "core/Log.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/Timer.h"
#include "toolkit/FrameDelta.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <rlottie.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>

namespace {

double nowSeconds() {
    return std::chrono::duration<double>(platform::Scheduler::shared().now().time_since_epoch()).count();
}

// Frames are rendered here, off the GUI thread, one view's frame after another.
const platform::DispatchQueue& renderQueue() {
    static const platform::DispatchQueue queue(QStringLiteral("veltrix.lottie"));
    return queue;
}

// A looping view keeps what changes between its frames, once a whole loop has been seen, up to this much;
// the onboarding's files take 0.2-0.5 MiB at their size, the sign-in's about 2 MiB.
constexpr std::size_t loopBytesLimit = 8u << 20;

void renderInto(rlottie::Animation& animation, std::size_t frame, QImage& image, QRgb backdrop) {
    image.fill(Qt::transparent);
    rlottie::Surface surface(reinterpret_cast<std::uint32_t*>(image.bits()), std::size_t(image.width()),
                             std::size_t(image.height()), std::size_t(image.bytesPerLine()));
    animation.renderSync(std::min(frame, animation.totalFrame() - 1), surface);
    if (backdrop != 0) {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(image.rect(), QColor::fromRgba(backdrop));
    }
}

} // namespace

// A loop's frames as the changes from each frame to the next; frame 0's from the last frame.
struct LOTAnimationView::LoopFrames {
    Canvas canvas;
    std::vector<FrameDelta> deltas;
    std::size_t bytes = 0;
};

// What the view and its render queue share. The composition is rendered by one thread at a time; the
// finished frame is handed over under a lock the GUI thread only ever takes briefly.
struct LOTAnimationView::Renderer {
    std::mutex rendering;
    std::unique_ptr<rlottie::Animation> animation;

    std::mutex handover;
    bool queued = false;
    bool ready = false;
    std::size_t readyFrame = 0;
    QImage readyImage;
    QRgb readyBackdrop = 0;
    // Where the ready frame differs from the frame rendered before it, in device pixels.
    QRegion readyChange;
    std::optional<std::size_t> readyComparedWith;
    QImage spare; // the image the view showed last, to render into next
    // A whole loop's changes, once they are known: the view then steps without rendering.
    std::shared_ptr<const LoopFrames> loop;

    // Render queue only: the frame rendered last, which the next one is compared with.
    QImage lastRendered;
    QRgb lastRenderedBackdrop = 0;
    std::optional<std::size_t> lastRenderedFrame;
    // Render queue only: the loop being learnt, frame after frame, a few at a time between the frames
    // rendered ahead.
    struct Learning {
        std::unique_ptr<LoopFrames> frames;
        std::size_t next = 0;
        QImage first;
        QImage previous;
    };
    std::optional<Learning> learning;
    std::optional<Canvas> loopTooLargeFor;

    void forgetHandedOver() {
        std::lock_guard lock(handover);
        ready = false;
        readyImage = QImage();
        spare = QImage();
        loop.reset();
    }
    // Render queue only.
    void forgetRendered() {
        lastRendered = QImage();
        lastRenderedFrame.reset();
        learning.reset();
        forgetHandedOver();
    }
    bool loopKnownFor(const Canvas& canvas) {
        std::lock_guard lock(handover);
        return loop && loop->canvas == canvas;
    }
    // Render queue only. Learns up to `count` more frames of the loop for `canvas` (starting it when
    // `start`); true while there are more to learn.
    bool learnLoop(const Canvas& canvas, bool start, std::size_t count) {
        if (start && !learning && loopTooLargeFor != canvas && !loopKnownFor(canvas)) {
            learning.emplace();
            learning->frames = std::make_unique<LoopFrames>();
            learning->frames->canvas = canvas;
            learning->frames->deltas.resize(animation->totalFrame());
        }
        if (!learning || learning->frames->canvas != canvas) {
            return false; // forgotten meanwhile, or another canvas is being learnt
        }
        LoopFrames& frames = *learning->frames;
        const std::size_t total = frames.deltas.size();
        const auto keep = [&](std::size_t frame, FrameDelta delta) {
            frames.bytes += delta.bytes();
            frames.deltas[frame] = std::move(delta);
            if (frames.bytes > loopBytesLimit) {
                loopTooLargeFor = canvas; // rendered every frame, as before
                learning.reset();
                return false;
            }
            return true;
        };
        for (; count > 0 && learning->next < total; --count, ++learning->next) {
            QImage image(canvas.size, QImage::Format_ARGB32_Premultiplied);
            {
                std::lock_guard lock(rendering);
                renderInto(*animation, learning->next, image, canvas.backdrop);
            }
            if (learning->next == 0) {
                learning->first = image;
            } else if (!keep(learning->next, frameDelta(learning->previous, image))) {
                return false;
            }
            learning->previous = std::move(image);
        }
        if (learning->next < total) {
            return true;
        }
        if (!keep(0, frameDelta(learning->previous, learning->first))) {
            return false;
        }
        std::shared_ptr<const LoopFrames> learnt = std::move(learning->frames);
        learning.reset();
        std::lock_guard lock(handover);
        loop = std::move(learnt);
        return false;
    }
};

// Frames learnt per task: a few milliseconds, so the frames rendered ahead are not held up.
constexpr std::size_t framesLearntAtOnce = 4;

void LOTAnimationView::learnLoopOnQueue(const std::shared_ptr<Renderer>& renderer, const Canvas& canvas,
                                        bool start) {
    renderQueue().async([renderer, canvas, start] {
        if (renderer->learnLoop(canvas, start, framesLearntAtOnce)) {
            learnLoopOnQueue(renderer, canvas, false);
        }
    });
}

LOTAnimationView::LOTAnimationView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    m_onScreen =
        std::make_unique<OnScreenWatcher>(this, [this](bool onScreen) { onScreenChanged(onScreen); });
}

LOTAnimationView::~LOTAnimationView() {
    m_onScreen.reset();
    stop();
}

bool LOTAnimationView::setAnimationNamed(const QString& name) {
    stop();
    m_name = name;
    // A render still queued for the previous animation finishes on its own copy of the state.
    m_renderer.reset();
    m_shown = QImage();
    m_loopFrames.reset();
    m_learning = {};
    m_frame = 0;
    QString file = name;
    if (file.endsWith(QLatin1String(".json"))) {
        file.chop(5);
    }
    const QByteArray data = file.isEmpty()
                                ? QByteArray()
                                : platform::Bundle::main().resourceData(QStringLiteral("animations/") + file +
                                                                        QStringLiteral(".json"));
    std::unique_ptr<rlottie::Animation> animation;
    if (!data.isEmpty()) {
        animation =
            rlottie::Animation::loadFromData(data.toStdString(), file.toStdString(), std::string(), false);
    }
    if (!animation || animation->totalFrame() == 0) {
        vlog::warning(QStringLiteral("No animation named \"%1\"").arg(name));
        update();
        return false;
    }
    m_renderer = std::make_shared<Renderer>();
    m_renderer->animation = std::move(animation);
    update();
    return true;
}

bool LOTAnimationView::isAnimationLoaded() const {
    return m_renderer != nullptr;
}

std::size_t LOTAnimationView::totalFrames() const {
    return m_renderer ? m_renderer->animation->totalFrame() : 0;
}

double LOTAnimationView::frameRate() const {
    const double rate = m_renderer ? m_renderer->animation->frameRate() : 0.0;
    return rate > 0.0 ? rate : 30.0;
}

QSize LOTAnimationView::deviceSize() const {
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

LOTAnimationView::Canvas LOTAnimationView::canvas() const {
    return {deviceSize(), m_backdrop.isValid() ? m_backdrop.rgba() : 0};
}

void LOTAnimationView::setBackdrop(const QColor& colour) {
    const QColor opaque = colour.isValid() && colour.alpha() == 255 ? colour : QColor();
    if (opaque == m_backdrop) {
        return;
    }
    m_backdrop = opaque;
    setAttribute(Qt::WA_OpaquePaintEvent, m_backdrop.isValid());
    // Frames and the loop drawn over the former backdrop are dropped as when the size changes: the next
    // paint renders the frame shown again, and the steps learn the loop again.
    update();
}

void LOTAnimationView::play() {
    if (m_playing || !m_renderer) {
        return;
    }
    m_playing = true;
    m_frame = 0;
    m_startSeconds = nowSeconds();
    if (m_onScreen->onScreen()) {
        startTicking();
    }
    update();
}

void LOTAnimationView::stop() {
    m_playing = false;
    stopTicking();
}

bool LOTAnimationView::isTicking() const {
    return m_timer && m_timer->isValid();
}

int LOTAnimationView::frameImageCount() const {
    int count = m_shown.isNull() ? 0 : 1;
    if (m_renderer) {
        std::lock_guard lock(m_renderer->handover);
        count += int(!m_renderer->readyImage.isNull()) + int(!m_renderer->spare.isNull());
    }
    return count;
}

void LOTAnimationView::onScreenChanged(bool onScreen) {
    if (onScreen) {
        if (m_playing) {
            startTicking();
        }
        return;
    }
    stopTicking();
    // Nothing shows them: the frame images and the loop's changes go, and come back rendered when the
    // view does. The render queue drops its own after any render still queued.
    m_shown = QImage();
    m_loopFrames.reset();
    m_learning = {};
    if (m_renderer) {
        m_renderer->forgetHandedOver();
        renderQueue().async([renderer = m_renderer] { renderer->forgetRendered(); });
    }
}

void LOTAnimationView::startTicking() {
    if (isTicking() || !m_renderer) {
        return;
    }
    renderShownFrame(dueFrame());
    update();
    renderAhead(m_frame + 1);
    QPointer<LOTAnimationView> self = this;
    m_timer = platform::Timer::scheduledTimer(1.0 / frameRate(), true, [self](platform::Timer&) {
        if (self) {
            self->tick();
        }
    });
}

void LOTAnimationView::stopTicking() {
    if (m_timer) {
        m_timer->invalidate();
        m_timer.reset();
    }
}

std::size_t LOTAnimationView::dueFrame() const {
    const std::size_t total = totalFrames();
    if (total == 0) {
        return 0;
    }
    // Steps fall on the frames' grid: the nearest frame, so a step a hair early still shows its own.
    const auto elapsed =
        static_cast<std::size_t>(std::lround(std::max(0.0, nowSeconds() - m_startSeconds) * frameRate()));
    return m_loop ? elapsed % total : std::min(elapsed, total - 1);
}

void LOTAnimationView::renderShownFrame(std::size_t frame) {
    m_frame = frame;
    m_shown = renderFrame(frame, deviceSize());
    m_shown.setDevicePixelRatio(devicePixelRatioF());
    m_shownBackdrop = canvas().backdrop;
}

void LOTAnimationView::renderAhead(std::size_t frame) {
    const std::size_t total = totalFrames();
    if (total == 0 || (!m_loop && frame >= total)) {
        return;
    }
    frame %= total;
    const Canvas canvas = this->canvas();
    if (canvas.size.isEmpty()) {
        return;
    }
    std::shared_ptr<Renderer> renderer = m_renderer;
    {
        std::lock_guard lock(renderer->handover);
        if (renderer->queued) {
            return;
        }
        renderer->queued = true;
    }
    renderQueue().async([renderer, frame, canvas] {
        QImage image;
        {
            std::lock_guard lock(renderer->handover);
            image = std::move(renderer->spare);
            renderer->spare = QImage();
        }
        if (image.size() != canvas.size) {
            image = QImage(canvas.size, QImage::Format_ARGB32_Premultiplied);
        }
        {
            std::lock_guard lock(renderer->rendering);
            renderInto(*renderer->animation, frame, image, canvas.backdrop);
        }
        // Only what changed goes to the screen; found here, off the GUI thread.
        const bool comparable = renderer->lastRendered.size() == image.size() &&
                                renderer->lastRenderedBackdrop == canvas.backdrop;
        const std::optional<std::size_t> comparedWith =
            comparable ? renderer->lastRenderedFrame : std::nullopt;
        QRegion change(QRect(QPoint(0, 0), canvas.size));
        if (comparable) {
            change = frameDelta(renderer->lastRendered, image).area;
        }
        // Once the loop is known nothing more is rendered ahead: the last frame need not be kept.
        const bool keepLast = !renderer->loopKnownFor(canvas);
        renderer->lastRendered = keepLast ? image : QImage();
        renderer->lastRenderedBackdrop = canvas.backdrop;
        renderer->lastRenderedFrame = keepLast ? std::optional<std::size_t>(frame) : std::nullopt;
        std::lock_guard lock(renderer->handover);
        renderer->readyImage = std::move(image);
        renderer->readyBackdrop = canvas.backdrop;
        renderer->readyFrame = frame;
        renderer->readyChange = change;
        renderer->readyComparedWith = comparedWith;
        renderer->ready = true;
        renderer->queued = false;
    });
}

void LOTAnimationView::tick() {
    if (!m_renderer) {
        stop();
        return;
    }
    const std::size_t due = dueFrame();
    if (stepThroughLoop(due)) {
        return;
    }
    {
        // The frame rendered ahead, when it is done; a late one waits for the next step, never the GUI
        // thread.
        std::unique_lock lock(m_renderer->handover, std::try_to_lock);
        if (lock.owns_lock() && m_renderer->ready &&
            Canvas{m_renderer->readyImage.size(), m_renderer->readyBackdrop} == canvas()) {
            const bool comparedWithShown =
                m_renderer->readyComparedWith == m_frame && shownCanvas() == canvas();
            m_renderer->spare = std::move(m_shown);
            m_shown = std::move(m_renderer->readyImage);
            m_shownBackdrop = m_renderer->readyBackdrop;
            m_renderer->readyImage = QImage();
            m_renderer->ready = false;
            m_shown.setDevicePixelRatio(devicePixelRatioF());
            if (!comparedWithShown) {
                update(); // compared with a frame not on screen
            } else {
                update(toWidget(m_renderer->readyChange));
            }
            m_frame = m_renderer->readyFrame;
        }
    }
    if (!m_loop && m_frame + 1 >= totalFrames()) {
        stop(); // the last frame stays
        return;
    }
    renderAhead(due + 1);
}

QRegion LOTAnimationView::toWidget(const QRegion& devicePixels) const {
    const double ratio = devicePixelRatioF();
    if (ratio == 1.0) {
        return devicePixels;
    }
    QRegion region;
    for (const QRect& rect : devicePixels) {
        region += QRectF(QPointF(rect.topLeft()) / ratio, QSizeF(rect.size()) / ratio).toAlignedRect();
    }
    return region;
}

bool LOTAnimationView::stepThroughLoop(std::size_t due) {
    if (!m_loop) {
        return false;
    }
    if (m_loopFrames && m_loopFrames->canvas != shownCanvas()) {
        m_loopFrames.reset();
    }
    if (!m_loopFrames && m_learning != shownCanvas()) {
        // Learnt on the render queue in one pass over the loop, between the frames rendered ahead.
        m_learning = shownCanvas();
        learnLoopOnQueue(m_renderer, m_learning, true);
        return false;
    }
    if (!m_loopFrames) {
        std::unique_lock lock(m_renderer->handover, std::try_to_lock);
        if (!lock.owns_lock() || !m_renderer->loop) {
            return false;
        }
        if (m_renderer->loop->canvas != shownCanvas()) {
            m_renderer->loop.reset(); // resized or a new backdrop: rendered again, and learnt again
            return false;
        }
        m_loopFrames = m_renderer->loop;
        // Every frame to come is in the loop: nothing is rendered ahead any more.
        m_renderer->ready = false;
        m_renderer->readyImage = QImage();
        m_renderer->spare = QImage();
    }
    const std::size_t total = m_loopFrames->deltas.size();
    QRegion changed;
    while (m_frame != due) {
        m_frame = (m_frame + 1) % total;
        const FrameDelta& delta = m_loopFrames->deltas[m_frame];
        applyFrameDelta(delta, m_shown);
        changed += delta.area;
    }
    update(toWidget(changed));
    return true;
}

QImage LOTAnimationView::renderFrame(std::size_t frame, const QSize& size) const {
    if (!m_renderer || size.isEmpty()) {
        return {};
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    std::lock_guard lock(m_renderer->rendering);
    renderInto(*m_renderer->animation, frame, image, canvas().backdrop);
    return image;
}

void LOTAnimationView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (m_renderer && (shownCanvas() != canvas() || m_shown.devicePixelRatio() != devicePixelRatioF())) {
        // First shown, resized, moved to another screen or over a new backdrop: rendered here, once.
        renderShownFrame(m_frame);
    }
    if (m_shown.isNull()) {
        if (m_backdrop.isValid()) {
            painter.fillRect(event->rect(), m_backdrop); // painting opaquely, with nothing to show
        }
        return;
    }
    // An opaque frame is copied, not blended.
    if (m_backdrop.isValid()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    }
    // Rect by rect: drawn at once through the whole changed area, Qt's raster engine hands the many rows of
    // that clip to its pool of one thread per core.
    const double ratio = m_shown.devicePixelRatio();
    for (const QRect& rect : event->region()) {
        if (ratio == 1.0) {
            painter.drawImage(rect.topLeft(), m_shown, rect);
        } else {
            const QRectF source(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio);
            painter.drawImage(QRectF(rect), m_shown, source);
        }
    }
}

// PDLottieAnimationView ------------------------------------------------------------------------------------

PDLottieAnimationView::PDLottieAnimationView(QWidget* parent) : XibView(parent) {
    loadView();
    takeParentsVisibility();
}

QWidget* PDLottieAnimationView::loadViewFromNib() {
    auto* background = new QWidget;
    background->setObjectName(QStringLiteral("animationBgView"));
    auto* layout = new QVBoxLayout(background);
    layout->setContentsMargins(0, 0, 0, 0);
    m_animationBgView = background;
    return background;
}

void PDLottieAnimationView::removeBackgroundSubviews() {
    for (QWidget* child : m_animationBgView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        delete child;
    }
}

void PDLottieAnimationView::setupAnimation() {
    // The previous Lottie view goes without being stopped first; its timer dies with it.
    removeBackgroundSubviews();
    auto* animation = new LOTAnimationView(m_animationBgView);
    m_animationBgView->layout()->addWidget(animation);
    animation->show(); // at once, not when the layout gets to it: only a view on screen steps its frames
    m_animationView = animation;
    animation->setBackdrop(m_backdrop);
    animation->setAnimationNamed(m_animationName);
    animation->setLoopAnimation(true);
}

void PDLottieAnimationView::setBackdrop(const QColor& colour) {
    m_backdrop = colour;
    if (m_animationView) {
        m_animationView->setBackdrop(colour);
    }
}

void PDLottieAnimationView::setAnimation(const QString& name) {
    m_animationName = name;
    setupAnimation();
}

void PDLottieAnimationView::play() {
    if (!m_animationView) {
        setupAnimation();
    }
    if (!m_animationView->isAnimationPlaying()) {
        m_animationView->play();
    }
}

void PDLottieAnimationView::stop(bool removeAnimationView) {
    if (m_animationView) {
        m_animationView->stop();
    }
    if (removeAnimationView) {
        removeBackgroundSubviews();
        m_animationView.clear();
    }
}

void appearWithParent(QWidget* view) {
    // Qt shows a child that nobody showed or hid by calling its setVisible() when the parent appears; for
    // an animation view that would play it. Marked as shown already, it appears with the parent silently.
    if (view->parentWidget()) {
        view->setAttribute(Qt::WA_WState_ExplicitShowHide);
        view->setAttribute(Qt::WA_WState_Hidden, false);
    }
}

void PDLottieAnimationView::takeParentsVisibility() {
    if (!m_visibilitySet) {
        appearWithParent(this);
    }
}

bool PDLottieAnimationView::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) {
        takeParentsVisibility();
    }
    return XibView::event(event);
}

void PDLottieAnimationView::setVisible(bool visible) {
    m_visibilitySet = true;
    XibView::setVisible(visible);
    if (isHidden()) {
        stop(true);
    } else {
        play();
    }
}
