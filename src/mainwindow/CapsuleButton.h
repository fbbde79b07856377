#pragma once

#include "toolkit/HoverableButton.h"

// A button drawn as a capsule: filled in the accent (lighter under the pointer), or outlined in its
// title's colour.
class CapsuleButton : public HoverableButton {
    Q_OBJECT
public:
    enum class Style { filled, outlined };

    explicit CapsuleButton(const QString& title = {}, Style style = Style::filled, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style m_style;
};
