#include "toolkit/CapsuleButton.h"

#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"

#include <QPainter>

CapsuleButton::CapsuleButton(const QString& title, Style style, QWidget* parent)
    : HoverableButton(parent), m_style(style), m_pressedColor(colorFromHexString(QStringLiteral("#2664CB"))),
      m_disabledColor(colorFromHexString(QStringLiteral("#2B7BFA80"))) {
    setText(title);
    setFlat(true);
    setDefaultColor(toolkit::buttonFill);
    setHoverColor(toolkit::buttonHover);
}

QColor CapsuleButton::fillColor() const {
    if (!isEnabled()) {
        return m_disabledColor;
    }
    if (isDown()) {
        return m_pressedColor;
    }
    return highlight() ? hoverColor() : defaultColor();
}

void CapsuleButton::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds(rect());
        if (m_style == Style::filled) {
            fillRoundedRect(painter, bounds, height() / 2.0, fillColor());
        } else {
            QColor line = palette().color(QPalette::ButtonText);
            line.setAlphaF(highlight() ? 0.8 : 0.5);
            painter.setPen(QPen(line, 1));
            painter.drawPath(roundedRectPath(bounds.adjusted(0.5, 0.5, -0.5, -0.5), height() / 2.0));
        }
    }
    HoverableButton::paintEvent(event);
}
