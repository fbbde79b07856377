#pragma once

#include "menus/QAUIStack.h"
#include "sdk/PDTypes.h"
#include "toolkit/NetworkCells.h"

#include <QLabel>
#include <QPointer>

class QAUIQuickAccessViewDelegate;

// The state area of the current-network row: the state in words, or a button while hovered.
class QAUIStatusMenuVPNStateView : public XibView {
    Q_OBJECT
public:
    explicit QAUIStatusMenuVPNStateView(QWidget* parent = nullptr);

    NetworkCellViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(NetworkCellViewDelegate* delegate) { m_delegate = delegate; }

    // The resting look, from the SDK's state.
    void refresh();
    void showStatus();
    // The hovered look.
    void update(NetworkCellStatusViewState state);
    void connectButtonTap();

    QWidget* stackView() const { return m_stack; }
    QLabel* vpnConnectedIconView() const { return m_icon; }
    QLabel* vpnStatusField() const { return m_status; }
    CapsuleButton* connectButton() const { return m_button; }

protected:
    QWidget* loadViewFromNib() override;

private:
    NetworkCellViewDelegate* m_delegate = nullptr;
    QPointer<QWidget> m_stack;
    QPointer<QLabel> m_icon;
    QPointer<QLabel> m_status;
    QPointer<CapsuleButton> m_button;
};

// The rows of the network section.
enum class QAUINetworkViewItem { selectedLocation, publicIp, timeConnected };

class QAUINetworkStatusViewCell : public QWidget {
    Q_OBJECT
public:
    explicit QAUINetworkStatusViewCell(QWidget* parent = nullptr);
    void configure(QAUINetworkViewItem item, const QString& value);
    QLabel* titleField() const { return m_title; }
    ElidedLabel* valueField() const { return m_value; }

private:
    QLabel* m_title;
    ElidedLabel* m_value;
};

// The current network's row.
class QAUINetworkItemViewCell : public QAUIIconTitleCell, public NetworkCellViewDelegate {
    Q_OBJECT
public:
    explicit QAUINetworkItemViewCell(QWidget* parent = nullptr);

    NetworkCellViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(NetworkCellViewDelegate* delegate) { m_delegate = delegate; }
    PDNetworkItemPtr network() const { return m_network; }

    void configure(const PDNetworkItemPtr& network);
    void hover() override;
    void unhover() override;
    void networkSelected(const PDNetworkItemPtr& network) override;

    NSImageViewLayerBacked* networkIconView() const { return iconView(); }
    ElidedLabel* networkTitleField() const { return titleField(); }
    QAUIStatusMenuVPNStateView* vpnStatusView() const { return m_state; }

private:
    void applyHoverLook();

    NetworkCellViewDelegate* m_delegate = nullptr;
    PDNetworkItemPtr m_network;
    QAUIStatusMenuVPNStateView* m_state;
};

// The connection in use: the current network with its state, then the public address and the time
// connected once connected. Shown only while not disconnected.
class QAUINetworkView : public QAUIStackMemberView,
                        public QAUIStackMemberDelegate,
                        public NetworkCellViewDelegate,
                        public QAUIList<QAUIQuickAccessViewDelegate> {
    Q_OBJECT
public:
    explicit QAUINetworkView(QWidget* parent = nullptr);

    static QList<QAUINetworkViewItem> shownItems();
    static double rowsHeight(const QList<QAUINetworkViewItem>& items);

    void reload();
    double height() const override;
    void connectionStateChanged();
    void updateIPAddress(const PDPublicIPInfoPtr& info);
    void updateTimeConnected(const QString& time);

    PDPublicIPInfoPtr ipAddressValue() const { return m_ipAddress; }
    QString timeConnectedValue() const { return m_timeConnected; }

    void networkSelected(const PDNetworkItemPtr& network) override;

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

protected:
    QWidget* loadViewFromNib() override;

private:
    void reloadRow(QAUINetworkViewItem item);

    PDPublicIPInfoPtr m_ipAddress;
    QString m_timeConnected = QStringLiteral("00:00:00");
};
