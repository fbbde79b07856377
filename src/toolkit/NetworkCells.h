#pragma once

#include "sdk/PDNetworks.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/HoverableTableView.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/NetworkCellViewDelegate.h"
#include "toolkit/TooltipPopover.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>

class HoverableBgButton;

QColor colorOf(NetworkCellStatusViewState state);

// The right end of a network row: "Connected" with its icon, "Connecting...", or a Connect / Disconnect
// button.
class NetworkCellStatusView : public XibView {
    Q_OBJECT
public:
    explicit NetworkCellStatusView(QWidget* parent = nullptr);

    QLabel* connectedIconImageView() const { return m_icon; }
    QLabel* connectedTextField() const { return m_text; }
    QWidget* stackView() const { return m_stack; }
    HoverableBgButton* connectAvailableButton() const { return m_button; }
    NetworkCellViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(NetworkCellViewDelegate* delegate) { m_delegate = delegate; }

    void update(NetworkCellStatusViewState state);
    std::optional<NetworkCellStatusViewState> state() const { return m_state; }
    void notifyDelegate();

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<QLabel> m_icon;
    QPointer<QLabel> m_text;
    QPointer<QWidget> m_stack;
    QPointer<HoverableBgButton> m_button;
    NetworkCellViewDelegate* m_delegate = nullptr; // the row that holds it
    std::optional<NetworkCellStatusViewState> m_state;
};

// One network of the networks tab: flag, name, option indicators and status line. The status line follows
// the pointer: a hovered row offers to connect, or to disconnect the current network.
class NetworkCellView : public HoverableCellView, public NetworkCellViewDelegate {
    Q_OBJECT
public:
    static inline const QString identifier = QStringLiteral("NetworkCellView");
    static constexpr int flagSize = 28;

    explicit NetworkCellView(QWidget* parent = nullptr);

    QColor textColor() const { return m_textColor; }
    NSImageViewLayerBacked* flagImageView() const { return m_flag; }
    ElidedLabel* networkTitleField() const { return m_title; }
    NetworkCellStatusView* networkCellStatusView() const { return m_status; }
    TooltipHoverButton* splitTunnelingButton() const { return m_splitTunneling; }
    TooltipHoverButton* dnsFilteringButton() const { return m_dnsFiltering; }
    TooltipHoverButton* privateDNSButton() const { return m_privateDNS; }
    PDNetworkItemPtr network() const { return m_network; }
    NetworkCellViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(NetworkCellViewDelegate* delegate) { m_delegate = delegate; }

    void configure(const PDNetworkItemPtr& network);
    void configure(const PDNetworkItemPtr& network, bool isSelected);
    void configure(const PDNetworkItemPtr& network, bool isSelected, const QString& searchText);
    // The status line for the pointer being over the row or not.
    void updateStatusView();

    void setHighlight(bool highlight) override;
    void networkSelected(const PDNetworkItemPtr& network) override;

private:
    void showFlag(const PDNetworkItemPtr& network);

    QColor m_textColor;
    QPointer<NSImageViewLayerBacked> m_flag;
    QPointer<ElidedLabel> m_title;
    QPointer<NetworkCellStatusView> m_status;
    QPointer<TooltipHoverButton> m_splitTunneling;
    QPointer<TooltipHoverButton> m_dnsFiltering;
    QPointer<TooltipHoverButton> m_privateDNS;
    PDNetworkItemPtr m_network;
    WeakDelegate<NetworkCellViewDelegate> m_delegate;
    QString m_flagKey; // the flag this row waits for; a late flag for another key is dropped
};

// A section header; a collapsible one shows whether its section is folded.
class NetworkHeaderCellView : public HoverableCellView {
    Q_OBJECT
public:
    static inline const QString identifier = QStringLiteral("NetworkHeaderCellView");

    explicit NetworkHeaderCellView(QWidget* parent = nullptr);

    QLabel* headerTitleField() const { return m_title; }
    QLabel* collapsibleIndicatorImageView() const { return m_indicator; }
    QIcon collapsedIcon() const { return m_collapsedIcon; }
    QIcon expandedIcon() const { return m_expandedIcon; }
    // Which of the two icons the indicator shows; null while it shows none.
    QIcon indicatorIcon() const { return m_indicatorIcon; }

    void configure(const PDNetworkItemPtr& item, bool isCollapsed);

private:
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_indicator;
    QIcon m_collapsedIcon;
    QIcon m_expandedIcon;
    QIcon m_indicatorIcon;
};
