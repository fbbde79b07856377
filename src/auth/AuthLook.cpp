#include "auth/AuthLook.h"

#include "toolkit/TextAttributes.h"

#include <QLabel>

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

CapsuleButton* makeCapsuleButton(const QString& title) {
    auto* button = new CapsuleButton(title);
    button->setFont(toolkit::interFont(14, QFont::Medium));
    applyTitleAttributes(button, Qt::white);
    button->setFixedHeight(40);
    return button;
}

} // namespace authlook

LinkButton::LinkButton(const QString& title, QWidget* parent) : NSButtonWithHandCursor(parent) {
    setText(title);
    setFlat(true);
    setFont(toolkit::interFont(14, QFont::Medium));
}

QSize LinkButton::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 8, 28};
}
