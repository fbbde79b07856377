#include "auth/AuthLook.h"

#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace authlook {

void fillBackground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* makeLabel(const QFont& font, const QColor& color, bool wrap) {
    auto* label = new QLabel;
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    toolkit::setTextColor(label, color);
    return label;
}

} // namespace authlook

AuthCapsuleButton::AuthCapsuleButton(const QString& title, QWidget* parent) : NSButtonWithHandCursor(parent) {
    setText(title);
    setFlat(true);
    setFont(toolkit::interFont(14, QFont::Medium));
    applyTitleAttributes(this, Qt::white);
    setAttribute(Qt::WA_Hover);
}

QSize AuthCapsuleButton::sizeHint() const {
    const int titleWidth = fontMetrics().horizontalAdvance(text());
    return {std::max(140, titleWidth + 48), 40};
}

void AuthCapsuleButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    NSButtonWithHandCursor::enterEvent(event);
}

void AuthCapsuleButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    NSButtonWithHandCursor::leaveEvent(event);
}

void AuthCapsuleButton::paintEvent(QPaintEvent* event) {
    QColor fill = toolkit::accent;
    if (!isEnabled()) {
        fill = colorFromHexString(QStringLiteral("#2B7BFA80"));
    } else if (isDown()) {
        fill = colorFromHexString(QStringLiteral("#2664CB"));
    } else if (m_hovered) {
        fill = colorFromHexString(QStringLiteral("#3382F2"));
    }
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath capsule;
        capsule.addRoundedRect(bounds, bounds.height() / 2.0, bounds.height() / 2.0);
        painter.fillPath(capsule, fill);
    }
    NSButtonWithHandCursor::paintEvent(event);
}

LinkButton::LinkButton(const QString& title, QWidget* parent) : NSButtonWithHandCursor(parent) {
    setText(title);
    setFlat(true);
    setFont(toolkit::interFont(14, QFont::Medium));
}

QSize LinkButton::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 8, 28};
}
