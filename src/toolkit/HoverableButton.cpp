#include "toolkit/HoverableButton.h"

#include "platform/Bundle.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QMouseEvent>
#include <QPainter>

HoverableButton::HoverableButton(QWidget* parent) : Button(parent) {}

void HoverableButton::setHighlight(bool highlight) {
    m_highlight = highlight;
    update();
    updateCursorRect();
}

void HoverableButton::updateCursorRect() {
    setCursor(m_highlight ? m_hoverCursor : QCursor(Qt::ArrowCursor));
}

void HoverableButton::enterEvent(QEnterEvent* event) {
    Button::enterEvent(event);
    if (isModalViewControllerPresented() || !isEnabled()) {
        return;
    }
    if (!m_highlight) {
        setHighlight(true);
    }
}

void HoverableButton::leaveEvent(QEvent* event) {
    Button::leaveEvent(event);
    // No overlay check: a light left on would stay on after the overlay closes.
    if (m_highlight) {
        setHighlight(false);
    }
}

HoverableBgButton::HoverableBgButton(QWidget* parent) : HoverableButton(parent) {}

void HoverableBgButton::paintEvent(QPaintEvent* event) {
    HoverableButton::paintEvent(event);
    if (!showsFill()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedRect(painter, QRectF(rect()), m_cornerRadius, hoverColor());
}

ImageSelectableButton::ImageSelectableButton(QWidget* parent)
    : HoverableBgButton(parent),
      m_selectedImage(platform::Bundle::main().image(QStringLiteral("networksCrossImageHover"))),
      m_defaultImage(platform::Bundle::main().image(QStringLiteral("networksCrossImage"))) {}

void ImageSelectableButton::setSelected(bool selected) {
    m_isSelected = selected;
    update();
    setIcon(m_isSelected ? m_selectedImage : m_defaultImage);
}

ImageHoverableButton::ImageHoverableButton(QWidget* parent)
    : HoverableButton(parent),
      m_hoverImage(platform::Bundle::main().image(QStringLiteral("networksCrossImageHover"))),
      m_defaultImage(platform::Bundle::main().image(QStringLiteral("networksCrossImage"))) {}

void ImageHoverableButton::setHighlight(bool highlight) {
    HoverableButton::setHighlight(highlight);
    update();
    updateImageAndTitleColor();
}

void ImageHoverableButton::updateImageAndTitleColor() {
    setIcon(highlight() ? m_hoverImage : m_defaultImage);
    applyTitleAttributes(this, highlight() ? hoverColor() : defaultColor());
}

void ImageHoverableButton::mouseReleaseEvent(QMouseEvent* event) {
    // The click (and its action) first, then the default look even though the pointer is still here.
    HoverableButton::mouseReleaseEvent(event);
    setHighlight(false);
}

NSButtonWithHandCursor::NSButtonWithHandCursor(QWidget* parent) : Button(parent) {
    setCursor(*m_cursor);
}

void NSButtonWithHandCursor::setHandCursor(std::optional<QCursor> cursor) {
    m_cursor = std::move(cursor);
    if (m_cursor) {
        setCursor(*m_cursor);
    } else {
        unsetCursor();
    }
}

HoverableNSView::HoverableNSView(QWidget* parent) : QWidget(parent) {}

void HoverableNSView::setHighlight(bool highlight) {
    const bool changed = highlight != m_highlight;
    m_highlight = highlight;
    update();
    if (changed) {
        if (HoverableNSViewDelegate* delegate = m_delegate.get()) {
            delegate->hoverStateChanged(m_highlight);
        }
    }
    updateCursorRect();
}

void HoverableNSView::updateCursorRect() {
    setCursor(m_highlight ? QCursor(Qt::PointingHandCursor) : QCursor(Qt::ArrowCursor));
}

void HoverableNSView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (isModalViewControllerPresented()) {
        return;
    }
    if (!m_highlight) {
        setHighlight(true);
    }
}

void HoverableNSView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (m_highlight) {
        setHighlight(false);
    }
}
