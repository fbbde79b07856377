#pragma once

#include "toolkit/CapsuleButton.h"
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
// The screens' accent capsule, 40 px high, with a white title in Inter Medium 14.
CapsuleButton* makeCapsuleButton(const QString& title);

} // namespace authlook

// A title-only button drawn as a link in its title colour.
class LinkButton : public NSButtonWithHandCursor {
    Q_OBJECT
public:
    explicit LinkButton(const QString& title = {}, QWidget* parent = nullptr);

    QSize sizeHint() const override;
};
