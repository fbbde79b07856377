#include "toolkit/NSViewLayerBacked.h"

#include "toolkit/AppKitExtensions.h"

#include <QGraphicsEffect>
#include <QMouseEvent>
#include <QPainter>

void LayerBackedStyle::updateLayer() {
    if (bgColor.isValid()) {
        m_layer.backgroundColor = bgColor;
    }
    if (borderColor.isValid()) {
        m_layer.borderColor = borderColor;
    }
    if (borderWidth != 0.0) {
        m_layer.borderWidth = borderWidth;
    }
    if (cornerRadius != 0.0) {
        m_layer.cornerRadius = cornerRadius;
    }
    m_layer.masksToBounds = masksToBounds;
}

QPainterPath roundedRectPath(const QRectF& bounds, double radius) {
    QPainterPath path;
    if (radius > 0.0) {
        path.addRoundedRect(bounds, radius, radius);
    } else {
        path.addRect(bounds);
    }
    return path;
}

void fillRoundedRect(QPainter& painter, const QRectF& bounds, double radius, const QColor& color) {
    if (radius > 0.0) {
        painter.fillPath(roundedRectPath(bounds, radius), color);
    } else {
        painter.fillRect(bounds, color);
    }
}

QPainterPath LayerBackedStyle::outline(const QRectF& bounds) const {
    return roundedRectPath(bounds,
                           std::min(m_layer.cornerRadius, std::min(bounds.width(), bounds.height()) / 2.0));
}

void LayerBackedStyle::paintBackground(QPainter& painter, const QRectF& bounds) const {
    if (m_layer.backgroundColor.isValid() && m_layer.backgroundColor.alpha() > 0) {
        painter.fillPath(outline(bounds), m_layer.backgroundColor);
    }
}

void LayerBackedStyle::paintBorder(QPainter& painter, const QRectF& bounds) const {
    if (m_layer.borderWidth <= 0.0 || !m_layer.borderColor.isValid()) {
        return;
    }
    // The border lies inside the bounds, as a layer's does.
    const double half = m_layer.borderWidth / 2.0;
    const QRectF inner = bounds.adjusted(half, half, -half, -half);
    const double radius =
        std::max(0.0, std::min(m_layer.cornerRadius, std::min(bounds.width(), bounds.height()) / 2.0) - half);
    painter.strokePath(roundedRectPath(inner, radius), QPen(m_layer.borderColor, m_layer.borderWidth));
}

namespace {

class RoundedClipEffect : public QGraphicsEffect {
public:
    explicit RoundedClipEffect(double radius) : m_radius(radius) {}
    void setRadius(double radius) {
        if (radius != m_radius) {
            m_radius = radius;
            update();
        }
    }

protected:
    void draw(QPainter* painter) override {
        QPoint offset;
        const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
        if (source.isNull()) {
            return;
        }
        QImage clipped(source.size(), QImage::Format_ARGB32_Premultiplied);
        clipped.setDevicePixelRatio(source.devicePixelRatio());
        clipped.fill(Qt::transparent);
        QPainter p(&clipped);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds(QPointF(0, 0), source.deviceIndependentSize());
        p.fillPath(roundedRectPath(bounds, std::min(m_radius, std::min(bounds.width(), bounds.height()) / 2.0)),
                   Qt::black);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.drawPixmap(0, 0, source);
        p.end();
        painter->drawImage(offset, clipped);
    }

private:
    double m_radius;
};

} // namespace

void applyRoundedClip(QWidget* view, double radius) {
    auto* clip = dynamic_cast<RoundedClipEffect*>(view->graphicsEffect());
    if (view->graphicsEffect() && !clip) {
        return;
    }
    if (radius <= 0.0) {
        if (clip) {
            view->setGraphicsEffect(nullptr);
        }
        return;
    }
    if (clip) {
        clip->setRadius(radius);
    } else {
        view->setGraphicsEffect(new RoundedClipEffect(radius));
    }
}

NSViewLayerBacked::NSViewLayerBacked(QWidget* parent) : LayerBacked<QWidget>(parent) {}

void NSViewLayerBacked::paintEvent(QPaintEvent*) {
    updateLayer();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    layerStyle().paintBackground(painter, rect());
    layerStyle().paintBorder(painter, rect());
}

void NSViewLayerBackedInFocus::enterEvent(QEnterEvent* event) {
    if (!isModalViewControllerPresented()) {
        QWidget* top = window();
        top->raise();
        top->activateWindow();
    }
    NSViewLayerBacked::enterEvent(event);
}

NSSearchViewLayerBacked::NSSearchViewLayerBacked(QWidget* parent) : NSViewLayerBacked(parent) {}

void NSSearchViewLayerBacked::setOnFocus(bool onFocus) {
    m_onFocus = onFocus;
    update();
    setBgColor(Qt::transparent);
    refreshLayer();
}

void NSSearchViewLayerBacked::enterEvent(QEnterEvent* event) {
    NSViewLayerBacked::enterEvent(event);
    if (isModalViewControllerPresented()) {
        return;
    }
    if (!m_highlight) {
        m_highlight = true;
        updateHoverLook();
    }
}

void NSSearchViewLayerBacked::leaveEvent(QEvent* event) {
    NSViewLayerBacked::leaveEvent(event);
    if (m_highlight) {
        m_highlight = false;
        updateHoverLook();
    }
}

void NSSearchViewLayerBacked::updateHoverLook() {
    update();
    setBorderColor(m_onFocus || m_highlight ? m_hoverColor : m_defaultColor);
    refreshLayer();
}

DisabledView::DisabledView(QWidget* parent) : NSViewLayerBacked(parent) {
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
}

void DisabledView::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
void DisabledView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}
void DisabledView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}
void DisabledView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void ClickableView::mousePressEvent(QMouseEvent* event) {
    DisabledView::mousePressEvent(event);
    if (ClickableViewDelegate* delegate = m_delegate.get()) {
        delegate->viewClicked();
    }
}

NSImageViewLayerBacked::NSImageViewLayerBacked(QWidget* parent) : LayerBacked<QWidget>(parent) {}

void NSImageViewLayerBacked::setImage(const QIcon& image) {
    m_image = image;
    update();
}

void NSImageViewLayerBacked::paintEvent(QPaintEvent*) {
    updateLayer();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    layerStyle().paintBackground(painter, bounds);
    if (!m_image.isNull()) {
        painter.save();
        if (layerAppearance().masksToBounds) {
            painter.setClipPath(layerStyle().outline(bounds));
        }
        m_image.paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        painter.restore();
    }
    layerStyle().paintBorder(painter, bounds);
}

void NSImageViewLayerBackedClickable::setHighlight(bool highlight) {
    m_highlight = highlight;
    update();
    setCursor(m_highlight ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void NSImageViewLayerBackedClickable::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (NSImageViewClickable* delegate = m_delegate.get()) {
        delegate->imageViewClicked();
    }
}

void NSImageViewLayerBackedClickable::enterEvent(QEnterEvent* event) {
    NSImageViewLayerBacked::enterEvent(event);
    if (isModalViewControllerPresented()) {
        return;
    }
    if (!m_highlight) {
        setHighlight(true);
    }
}

void NSImageViewLayerBackedClickable::leaveEvent(QEvent* event) {
    NSImageViewLayerBacked::leaveEvent(event);
    if (m_highlight) {
        setHighlight(false);
    }
}
