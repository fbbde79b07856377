#pragma once

#include "toolkit/TooltipPopover.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>
#include <QString>

#include <optional>

// What a lockable or selectable settings row says at its right edge.
enum class ProtocolIndicatorViewState {
    selected,
    alwaysOn,
    disconnectToEdit,
    setByAdmin,
    setByAdminAlwaysOn,
    notSelected
};

namespace protocolIndicator {
// None for notSelected.
std::optional<QString> title(ProtocolIndicatorViewState state);
std::optional<QString> iconName(ProtocolIndicatorViewState state);
// What the badge's hover popover says; none for selected and notSelected.
std::optional<QString> tooltip(ProtocolIndicatorViewState state);
} // namespace protocolIndicator

// The badge: "Selected" with its check, or a lock-style button (icon and title) whose hover popover says why
// the row cannot be changed, or nothing. One state decides it all.
class ProtocolIndicatorView : public XibView {
    Q_OBJECT
public:
    explicit ProtocolIndicatorView(QWidget* parent = nullptr);

    void configure(ProtocolIndicatorViewState state);
    std::optional<ProtocolIndicatorViewState> indicatorType() const { return m_indicatorType; }

    QWidget* selectedStackView() const { return m_selectedStack; }
    QLabel* selectedTitleField() const { return m_selectedTitle; }
    TooltipHoverButton* indicatorButton() const { return m_indicatorButton; }

    QSize sizeHint() const override;

protected:
    QWidget* loadViewFromNib() override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<ProtocolIndicatorViewState> m_indicatorType;
    QPointer<QWidget> m_selectedStack;
    QPointer<QLabel> m_selectedIcon;
    QPointer<QLabel> m_selectedTitle;
    QPointer<TooltipHoverButton> m_indicatorButton;
};
