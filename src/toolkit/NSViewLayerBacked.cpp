#include "toolkit/NSViewLayerBacked.h"

#include "platform/PaintedImage.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/Colors.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <cmath>

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

QRegion roundedClipRegion(const QSize& size, double radius) {
    const QRectF bounds(QPointF(0, 0), QSizeF(size));
    radius = std::min(radius, std::min(bounds.width(), bounds.height()) / 2.0);
    if (size.isEmpty() || radius <= 0.0) {
        return QRegion(QRect(QPoint(0, 0), size));
    }
    // Only the rows of the corners differ from the full width; they are read from the outline as painted.
    const int cornerRows = std::min(int(std::ceil(radius)), size.height());
    QImage coverage(size.width(), cornerRows, QImage::Format_Alpha8);
    coverage.fill(0);
    {
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedRectPath(bounds, radius), Qt::black);
    }
    QRegion region(QRect(0, cornerRows, size.width(), std::max(0, size.height() - 2 * cornerRows)));
    for (int y = 0; y < cornerRows; ++y) {
        const uchar* row = coverage.constScanLine(y);
        int left = 0;
        while (left < size.width() && row[left] == 0) {
            ++left;
        }
        if (left >= size.width()) {
            continue;
        }
        // The outline is symmetric: the bottom rows mirror the top ones.
        const QRect span(left, y, size.width() - 2 * left, 1);
        region += span;
        region += span.translated(0, size.height() - 1 - 2 * y);
    }
    return region;
}

void applyRoundedClip(QWidget* view, double radius) {
    if (radius <= 0.0) {
        if (!view->mask().isEmpty()) {
            view->clearMask();
        }
        return;
    }
    const QRegion mask = roundedClipRegion(view->size(), radius);
    if (mask != view->mask()) {
        view->setMask(mask);
    }
}

NSViewLayerBacked::NSViewLayerBacked(QWidget* parent) : LayerBacked<QWidget>(parent) {}

SheetPanel::SheetPanel(QWidget* parent) : NSViewLayerBacked(parent) {
    setBgColor(toolkit::card);
    setBorderColor(toolkit::separator);
    setBorderWidth(1);
}

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

namespace {

QPushButton* defaultButtonAmong(const QList<QWidget*>& controls) {
    for (QWidget* control : controls) {
        if (auto* button = qobject_cast<QPushButton*>(control); button && button->isDefault()) {
            return button;
        }
    }
    return nullptr;
}

} // namespace

void ClickableView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        if (ClickableViewDelegate* delegate = m_delegate.get()) {
            delegate->viewClicked();
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // The focused button, else the card's default one.
        const QList<QWidget*> controls = focusableControls();
        auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (!button || !isAncestorOf(button)) {
            button = defaultButtonAmong(controls);
        }
        if (button && button->isEnabled()) {
            event->accept();
            button->click();
            return;
        }
        break;
    }
    default:
        break;
    }
    DisabledView::keyPressEvent(event);
}

void ClickableView::showEvent(QShowEvent* event) {
    DisabledView::showEvent(event);
    QWidget* focused = QApplication::focusWidget();
    if (!focused || !isAncestorOf(focused)) {
        m_focusBefore = focused;
    }
    // After the show: the card inside is laid out and shown with it.
    QMetaObject::invokeMethod(
        this,
        [self = QPointer<ClickableView>(this)] {
            if (self && self->isVisible()) {
                self->takeFocus();
            }
        },
        Qt::QueuedConnection);
}

void ClickableView::hideEvent(QHideEvent* event) {
    DisabledView::hideEvent(event);
    const QWidget* focused = QApplication::focusWidget();
    if (m_focusBefore && m_focusBefore->isVisible() &&
        (!focused || focused == this || isAncestorOf(focused))) {
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    }
    m_focusBefore = nullptr;
}

QList<QWidget*> ClickableView::focusableControls() const {
    QList<QWidget*> controls;
    for (QWidget* widget = nextInFocusChain(); widget && widget != this;
         widget = widget->nextInFocusChain()) {
        if (isAncestorOf(widget) && widget->isVisibleTo(this) && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus)) {
            controls << widget;
        }
    }
    return controls;
}

void ClickableView::takeFocus() {
    const QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) {
        return;
    }
    const QList<QWidget*> controls = focusableControls();
    // The card's default button where it has one, else its first control, else the overlay itself.
    if (QPushButton* primary = defaultButtonAmong(controls)) {
        primary->setFocus(Qt::TabFocusReason);
    } else if (!controls.isEmpty()) {
        controls.first()->setFocus(Qt::TabFocusReason);
    } else {
        setFocusPolicy(Qt::StrongFocus);
        setFocus(Qt::OtherFocusReason);
    }
}

bool ClickableView::focusNextPrevChild(bool next) {
    const QList<QWidget*> controls = focusableControls();
    if (controls.isEmpty()) {
        return true; // nothing behind the overlay takes the focus either
    }
    const qsizetype at = controls.indexOf(QApplication::focusWidget());
    const qsizetype count = controls.size();
    const qsizetype to = at < 0 ? (next ? 0 : count - 1) : (at + (next ? 1 : -1) + count) % count;
    controls.at(to)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
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
        if (layerAppearance().masksToBounds && layerAppearance().cornerRadius > 0.0) {
            painter.drawPixmap(QPointF(0, 0), clippedImage(devicePixelRatioF()));
        } else {
            m_image.paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        }
    }
    layerStyle().paintBorder(painter, bounds);
}

const QPixmap& NSImageViewLayerBacked::clippedImage(double devicePixelRatio) {
    const ClippedImage wanted{m_image.cacheKey(), size(),   devicePixelRatio, layerAppearance().cornerRadius,
                              isEnabled(),        QPixmap()};
    if (m_clipped.imageKey == wanted.imageKey && m_clipped.size == wanted.size &&
        m_clipped.devicePixelRatio == wanted.devicePixelRatio && m_clipped.radius == wanted.radius &&
        m_clipped.enabled == wanted.enabled && !m_clipped.pixmap.isNull()) {
        return m_clipped.pixmap;
    }
    QImage clipped((QSizeF(size()) * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    clipped.setDevicePixelRatio(devicePixelRatio);
    clipped.fill(Qt::transparent);
    {
        QPainter painter(&clipped);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(layerStyle().outline(rect()), Qt::black);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        m_image.paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
    m_clipped = wanted;
    m_clipped.pixmap = QPixmap::fromImage(platform::withoutPaintEngine(clipped));
    return m_clipped.pixmap;
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
