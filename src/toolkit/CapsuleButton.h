#pragma once

#include "toolkit/HoverableButton.h"

// A button drawn as a capsule: filled (defaultColor, hoverColor under the pointer, pressedColor while
// pressed, disabledColor while disabled; the accent's unless set otherwise), or outlined in its title's
// colour.
class CapsuleButton : public HoverableButton {
    Q_OBJECT
public:
    enum class Style { filled, outlined };

    explicit CapsuleButton(const QString& title = {}, Style style = Style::filled, QWidget* parent = nullptr);

    QColor pressedColor() const { return m_pressedColor; }
    void setPressedColor(const QColor& color) { m_pressedColor = color; }
    QColor disabledColor() const { return m_disabledColor; }
    void setDisabledColor(const QColor& color) { m_disabledColor = color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fillColor() const;

    Style m_style;
    QColor m_pressedColor;
    QColor m_disabledColor;
};
