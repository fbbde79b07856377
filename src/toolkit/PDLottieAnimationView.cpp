#include "toolkit/PDLottieAnimationView.h"

#include "core/Log.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/Timer.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <rlottie.h>

#include <algorithm>
#include <cmath>

namespace {

double nowSeconds() {
    return std::chrono::duration<double>(platform::Scheduler::shared().now().time_since_epoch()).count();
}

} // namespace

LOTAnimationView::LOTAnimationView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

LOTAnimationView::~LOTAnimationView() {
    stop();
}

bool LOTAnimationView::setAnimationNamed(const QString& name) {
    stop();
    m_name = name;
    m_animation.reset();
    m_frame = 0;
    QString file = name;
    if (file.endsWith(QLatin1String(".json"))) {
        file.chop(5);
    }
    const QByteArray data = file.isEmpty()
                                ? QByteArray()
                                : platform::Bundle::main().resourceData(QStringLiteral("animations/") + file +
                                                                        QStringLiteral(".json"));
    if (!data.isEmpty()) {
        m_animation =
            rlottie::Animation::loadFromData(data.toStdString(), file.toStdString(), std::string(), false);
    }
    if (!m_animation || m_animation->totalFrame() == 0) {
        m_animation.reset();
        vlog::warning(QStringLiteral("No animation named \"%1\"").arg(name));
        update();
        return false;
    }
    update();
    return true;
}

std::size_t LOTAnimationView::totalFrames() const {
    return m_animation ? m_animation->totalFrame() : 0;
}

void LOTAnimationView::play() {
    if (m_playing || !m_animation) {
        return;
    }
    m_playing = true;
    m_frame = 0;
    m_startSeconds = nowSeconds();
    if (isVisible()) {
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

void LOTAnimationView::startTicking() {
    if (isTicking() || !m_animation) {
        return;
    }
    const double fps = m_animation->frameRate() > 0 ? m_animation->frameRate() : 30.0;
    QPointer<LOTAnimationView> self = this;
    m_timer = platform::Timer::scheduledTimer(1.0 / fps, true, [self](platform::Timer&) {
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

void LOTAnimationView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_playing) {
        startTicking();
        tick();
    }
}

void LOTAnimationView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    stopTicking();
}

void LOTAnimationView::tick() {
    if (!m_animation) {
        stop();
        return;
    }
    const std::size_t total = m_animation->totalFrame();
    const auto elapsedFrames =
        static_cast<std::size_t>(std::floor((nowSeconds() - m_startSeconds) * m_animation->frameRate()));
    std::size_t frame = elapsedFrames;
    if (m_loop) {
        frame %= total;
    } else if (frame >= total - 1) {
        frame = total - 1;
        stop();
    }
    if (frame != m_frame) {
        m_frame = frame;
        update();
    }
}

QImage LOTAnimationView::renderFrame(std::size_t frame, const QSize& size) const {
    if (!m_animation || size.isEmpty()) {
        return {};
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    rlottie::Surface surface(reinterpret_cast<std::uint32_t*>(image.bits()),
                             static_cast<std::size_t>(size.width()), static_cast<std::size_t>(size.height()),
                             static_cast<std::size_t>(image.bytesPerLine()));
    m_animation->renderSync(std::min(frame, m_animation->totalFrame() - 1), surface);
    return image;
}

void LOTAnimationView::paintEvent(QPaintEvent*) {
    if (!m_animation) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QImage image = renderFrame(m_frame, (QSizeF(size()) * ratio).toSize());
    if (image.isNull()) {
        return;
    }
    image.setDevicePixelRatio(ratio);
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), image);
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
    animation->setAnimationNamed(m_animationName);
    animation->setLoopAnimation(true);
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
