#pragma once

#include "toolkit/Button.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>

// Shown instead of the home tab's content while Always-On restores a dropped connection; offers to turn
// Always-On off unless the administrator enforces it.
class AlwaysOnReconnectView : public XibView {
    Q_OBJECT
public:
    explicit AlwaysOnReconnectView(QWidget* parent = nullptr);

    // Every showing and hiding looks at the enforcement anew.
    void setVisible(bool visible) override;
    void disableAlwaysOn();

    Button* disableAlwaysOnButton() const { return m_disableAlwaysOnButton; }
    QLabel* descriptionField() const { return m_descriptionField; }

protected:
    QWidget* loadViewFromNib() override;

private:
    void updateDisableButtonVisibility();

    QPointer<QLabel> m_descriptionField;
    QPointer<Button> m_disableAlwaysOnButton;
};
