#pragma once

#include "toolkit/HoverableButton.h"

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// The look the sign-in, onboarding and sign-out screens share: dark navy, Inter, one blue accent.
namespace authlook {

// Gives the widget its own opaque fill of `color`.
void fillBackground(QWidget* widget, const QColor& color);
// A label in the font and colour; wrapping when `wrap`.
QLabel* makeLabel(const QFont& font, const QColor& color, bool wrap = false);

} // namespace authlook

// A filled capsule in the accent colour with a white title: lighter while hovered, darker while pressed,
// faded while disabled.
class AuthCapsuleButton : public NSButtonWithHandCursor {
    Q_OBJECT
public:
    explicit AuthCapsuleButton(const QString& title = {}, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_hovered = false;
};

// A title-only button drawn as a link in its title colour.
class LinkButton : public NSButtonWithHandCursor {
    Q_OBJECT
public:
    explicit LinkButton(const QString& title = {}, QWidget* parent = nullptr);

    QSize sizeHint() const override;
};
