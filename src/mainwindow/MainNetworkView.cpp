#include "mainwindow/MainNetworkView.h"

#include "platform/Scheduler.h"
#include "toolkit/Colors.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QSvgRenderer>

#include <cmath>

namespace {

// A hexagon with a flat top and bottom, corners rounded by `radius`.
QPainterPath hexagonPath(const QRectF& bounds, double radius) {
    const QPointF c = bounds.center();
    const double r = std::min(bounds.width(), bounds.height()) / 2.0;
    QList<QPointF> corners;
    for (int i = 0; i < 6; ++i) {
        const double angle = M_PI / 3.0 * i + M_PI / 6.0;
        corners << QPointF(c.x() + r * std::cos(angle), c.y() + r * std::sin(angle));
    }
    QPainterPath path;
    for (int i = 0; i < 6; ++i) {
        const QPointF prev = corners[(i + 5) % 6];
        const QPointF at = corners[i];
        const QPointF next = corners[(i + 1) % 6];
        const QPointF in = at + (prev - at) * (radius / r);
        const QPointF out = at + (next - at) * (radius / r);
        if (i == 0) {
            path.moveTo(in);
        } else {
            path.lineTo(in);
        }
        path.quadTo(at, out);
    }
    path.closeSubpath();
    return path;
}

} // namespace

MainNetworkView::MainNetworkView(QWidget* parent) : XibView(parent) {
    loadView();
    setCursor(Qt::PointingHandCursor);
}

QWidget* MainNetworkView::loadViewFromNib() {
    auto* content = new QWidget;
    content->setAttribute(Qt::WA_TransparentForMouseEvents);
    return content;
}

void MainNetworkView::setupShadows() {
    m_shadows = true;
    update();
}

void MainNetworkView::setNetwork(const PDNetworkItemPtr& network) {
    m_network = network;
    m_flag = QImage();
    update();
    if (!network || !network->flagImage()) {
        return;
    }
    const QPointer<MainNetworkView> self = this;
    network->flagImage()->load([self, network](std::optional<QByteArray> data) {
        if (!data) {
            return;
        }
        platform::DispatchQueue::main().async([self, network, svg = *data] {
            // A late flag of a network no longer shown is dropped.
            if (!self || self->m_network != network) {
                return;
            }
            QSvgRenderer renderer(svg);
            QImage image(QSize(96, 96), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            renderer.render(&painter, QRectF(-24, 0, 144, 96));
            painter.end();
            self->m_flag = image;
            self->update();
        });
    });
}

void MainNetworkView::setState(FlagAnimationType state) {
    m_state = state;
    update();
}

void MainNetworkView::refreshStateDrawing() {
    update();
}

QRectF MainNetworkView::flagRect() const {
    const double side = std::min(width(), height()) * 0.42;
    return QRectF(QPointF(width() / 2.0 - side / 2.0, height() / 2.0 - side / 2.0), QSizeF(side, side));
}

void MainNetworkView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height()) - 16.0;
    const QRectF hexagon(QPointF(width() / 2.0 - side / 2.0, height() / 2.0 - side / 2.0),
                         QSizeF(side, side));
    const bool connected = m_state == FlagAnimationType::connected;
    const QColor fill = colorFromHexString(connected ? QStringLiteral("#2664CB") : QStringLiteral("#6F9CD9"));

    // The back hexagon and the glow of a connected tunnel.
    if (m_shadows) {
        const QColor glow =
            colorFromHexString(connected ? QStringLiteral("#0C66FDAA") : QStringLiteral("#00000066"));
        for (int ring = 6; ring >= 1; --ring) {
            QColor c = glow;
            c.setAlphaF(glow.alphaF() * 0.12);
            painter.fillPath(
                hexagonPath(hexagon.adjusted(-ring * 1.5, -ring * 1.5, ring * 1.5, ring * 1.5), 5), c);
        }
    }
    QColor body = fill;
    if (m_state == FlagAnimationType::connecting) {
        body.setAlphaF(0.55);
    }
    painter.fillPath(hexagonPath(hexagon, 5), body);
    painter.setPen(QPen(colorFromHexString(QStringLiteral("#FFFFFF4D")), 2));
    painter.drawPath(hexagonPath(hexagon.adjusted(10, 10, -10, -10), 5));

    // The flag in a white ring.
    const QRectF flag = flagRect();
    QPainterPath circle;
    circle.addEllipse(flag);
    painter.fillPath(circle, colorFromHexString(QStringLiteral("#1E3073")));
    if (!m_flag.isNull()) {
        painter.save();
        painter.setClipPath(circle);
        painter.drawImage(flag, m_flag);
        painter.restore();
    }
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(flag);
}

void MainNetworkView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (NSImageViewClickable* delegate = m_delegate.get()) {
        delegate->imageViewClicked();
    }
}
