#include "toolkit/SwitchControl.h"

#include "toolkit/Colors.h"
#include "toolkit/ViewAnimation.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

// NSSwitchLayerView ----------------------------------------------------------------------------------------

NSSwitchLayerView::NSSwitchLayerView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void NSSwitchLayerView::setLayerBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

void NSSwitchLayerView::setCornerRadius(double radius) {
    m_cornerRadius = radius;
    update();
}

void NSSwitchLayerView::setEdgeColor(const QColor& color) {
    m_edge = color;
    update();
}

void NSSwitchLayerView::paintLayer(QPainter& painter) const {
    if (!m_background.isValid()) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_background);
    painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    if (m_edge.isValid()) {
        painter.setPen(QPen(m_edge, 1.0));
        painter.setBrush(Qt::NoBrush);
        const double inset = 0.5;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), m_cornerRadius - inset,
                                m_cornerRadius - inset);
    }
}

void NSSwitchLayerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintLayer(painter);
}

void NSSwitchThumbView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintLayer(painter);
    const double h = height();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(lineColor, lineWidth));
    painter.drawEllipse(QPointF(h / 2.0, h / 2.0), h / 2.0 - 0.5, h / 2.0 - 0.5);
}

// NSSwitchCustom -------------------------------------------------------------------------------------------

NSSwitchCustom::NSSwitchCustom(QWidget* parent, const QSize& size)
    : QWidget(parent), mediaTimingFunction(timing::easeIn()), m_frameSize(size) {
    resize(size);
    // Reached with Tab; a click does not take the focus, as before.
    setFocusPolicy(Qt::TabFocus);
    setupViews();
}

void NSSwitchCustom::setupViews() {
    setupBackground();
    setupThumb();
    m_thumbView->setParent(m_backgroundView);
    m_backgroundView->setParent(this);
}

void NSSwitchCustom::setupBackground() {
    m_backgroundView = new NSSwitchLayerView(this);
    m_backgroundView->setGeometry(QRect(QPoint(0, 0), m_frameSize));
    m_backgroundView->setLayerBackgroundColor(m_offColor);
    m_backgroundView->setCornerRadius(m_frameSize.height() / 2.0);
}

void NSSwitchCustom::setupThumb() {
    const double h = m_backgroundView->height();
    const double side = h - 2.0 * deltaSpacing;
    m_thumbView = new NSSwitchThumbView(m_backgroundView);
    // The off position from the start, not the track's edge.
    const QPoint origin = thumbOrigin(false);
    m_thumbView->setGeometry(origin.x(), origin.y(), static_cast<int>(std::lround(side)),
                             static_cast<int>(std::lround(side)));
    m_thumbView->setLayerBackgroundColor(m_thumbColor);
    m_thumbView->setCornerRadius((m_frameSize.height() - 2.0 * deltaSpacing) / 2.0);
}

QPoint NSSwitchCustom::thumbOrigin(bool toOn) const {
    const int d = static_cast<int>(std::lround(deltaSpacing));
    if (!toOn || !m_thumbView) {
        return QPoint(d, d);
    }
    return QPoint(m_backgroundView->width() - m_thumbView->width() - d, d);
}

void NSSwitchCustom::setOn(bool on, bool animated) {
    m_backgroundView->setLayerBackgroundColor(on ? m_onColor : m_offColor);
    m_backgroundView->setEdgeColor(on ? QColor() : m_offEdgeColor);
    const bool changed = on != m_on;
    m_on = on;
    if (animated) {
        animateThumb(on);
    } else {
        placeThumb(on);
    }
    if (changed) {
        QAccessible::State checked;
        checked.checked = true;
        QAccessibleStateChangeEvent event(this, checked);
        QAccessible::updateAccessibility(&event);
    }
    if (delegate) {
        delegate->switchValueChanged(this);
    }
}

void NSSwitchCustom::toggle() {
    if (!isEnabled()) {
        return;
    }
    setOn(!m_on, true);
    emit clicked();
}

void NSSwitchCustom::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        if (!event->isAutoRepeat()) {
            toggle();
        }
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void NSSwitchCustom::animateThumb(bool toOn) {
    const QPoint start = m_thumbView->pos();
    const QPoint end = thumbOrigin(toOn);
    QPointer<NSSwitchThumbView> thumb = m_thumbView;
    ViewAnimation::start(m_thumbView, "frameOrigin", thumbAnimationDuration, mediaTimingFunction,
                         [thumb, start, end](double t) {
                             if (thumb) {
                                 thumb->move(start + (end - start) * t);
                             }
                         });
}

void NSSwitchCustom::placeThumb(bool toOn) {
    ViewAnimation::stop(m_thumbView, "frameOrigin");
    m_thumbView->move(thumbOrigin(toOn));
}

void NSSwitchCustom::setOffColor(const QColor& color) {
    m_offColor = color;
    m_backgroundView->setLayerBackgroundColor(color);
}

void NSSwitchCustom::setThumbColor(const QColor& color) {
    m_thumbColor = color;
    m_thumbView->setLayerBackgroundColor(color);
}

void NSSwitchCustom::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton &&
                m_backgroundView->geometry().contains(event->position().toPoint());
    event->accept();
}

void NSSwitchCustom::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       m_backgroundView->geometry().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) {
        toggle();
    }
}

// SwitchControl --------------------------------------------------------------------------------------------

SwitchControl::SwitchControl(QWidget* parent, const QSize& size)
    : NSSwitchCustom(parent, size), disabledOnColor(colorFromHexString(QStringLiteral("#2B7BFA80"))),
      disabledOffColor(colorFromHexString(QStringLiteral("#0E367680"))) {}

void SwitchControl::setOn(bool on, bool animated) {
    isAnimated = animated;
    NSSwitchCustom::setOn(on, animated);
    if (!isEnabled()) {
        paintTrackForEnabledState();
    }
}

void SwitchControl::changeEvent(QEvent* event) {
    NSSwitchCustom::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        paintTrackForEnabledState();
    }
}

void SwitchControl::paintTrackForEnabledState() {
    if (isEnabled()) {
        backgroundView()->setLayerBackgroundColor(on() ? onColor() : offColor());
    } else {
        backgroundView()->setLayerBackgroundColor(on() ? disabledOnColor : disabledOffColor);
    }
    // Dimmed with the track, as disabled colours are.
    QColor edge = on() ? QColor() : offEdgeColor();
    if (edge.isValid() && !isEnabled()) {
        edge.setAlphaF(edge.alphaF() / 2.0);
    }
    backgroundView()->setEdgeColor(edge);
}
