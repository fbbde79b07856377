#include "mainwindow/LoadingSpinner.h"

#include "platform/Scheduler.h"
#include "platform/Timer.h"

#include <QPainter>
#include <QPointer>

#include <chrono>

namespace {
constexpr double frameInterval = 1.0 / 30.0;
} // namespace

LoadingSpinner::LoadingSpinner(QWidget* parent) : QWidget(parent) {
    setFixedSize(20, 20);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QWidget::setVisible(false);
}

LoadingSpinner::~LoadingSpinner() {
    stopTicking();
}

void LoadingSpinner::startAnimation() {
    m_animating = true;
    show();
    startTicking();
}

void LoadingSpinner::stopAnimation() {
    m_animating = false;
    stopTicking();
    hide();
}

void LoadingSpinner::startTicking() {
    if (m_timer || !m_animating || !isVisible()) {
        return;
    }
    QPointer<LoadingSpinner> self = this;
    m_timer = platform::Timer::scheduledTimer(frameInterval, true, [self](platform::Timer&) {
        if (!self) {
            return;
        }
        const auto now = platform::Scheduler::shared().now().time_since_epoch();
        const double seconds = std::chrono::duration<double>(now).count();
        self->m_angle = std::fmod(seconds / turnSeconds, 1.0) * 360.0;
        self->update();
    });
}

void LoadingSpinner::stopTicking() {
    if (m_timer) {
        m_timer->invalidate();
        m_timer.reset();
    }
}

void LoadingSpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    startTicking();
}

void LoadingSpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    stopTicking();
}

void LoadingSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
    QColor track = m_color;
    track.setAlphaF(0.2f);
    painter.setPen(QPen(track, 2.0));
    painter.drawEllipse(ring);
    painter.setPen(QPen(m_color, 2.0, Qt::SolidLine, Qt::RoundCap));
    // Qt counts arcs in sixteenths of a degree, counter-clockwise from three o'clock.
    painter.drawArc(ring, qRound(-m_angle * 16.0), 90 * 16);
}
