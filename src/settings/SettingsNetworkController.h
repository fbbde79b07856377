#pragma once

#include "settings/ProtocolIndicatorView.h"
#include "settings/SettingsContainerController.h"
#include "settings/SettingsTrustedNetworks.h"
#include "toolkit/SwitchControl.h"
#include "toolkit/TableView.h"
#include "toolkit/WeakDelegate.h"

#include <QLabel>
#include <QList>
#include <QPointer>

#include <optional>

// The Network page's rows; the first four numbers are also the SDK's network-setting items.
enum class SettingsNetworkItem { alwaysOn, killSwitch, wiFiSecurity, trustedNetworks, trustedNetworksList };

namespace settingsNetwork {
QString title(SettingsNetworkItem item);
QString description(SettingsNetworkItem item);
// The switch's state: the pending settings, or while the tunnel is not down the live Always-On and kill
// switch; Always-On overrides the others.
bool value(SettingsNetworkItem item);
// The administrator fixed it: the row shows "Set by Admin".
bool isEnforced(SettingsNetworkItem item);
// The switch cannot be used and the texts are dimmed.
bool isDisabled(SettingsNetworkItem item);
int height(SettingsNetworkItem item);
// The rows shown now: the list row only while Wi-Fi security is on, Always-On off and the list in use.
QList<SettingsNetworkItem> visibleRows();
} // namespace settingsNetwork

class SettingsNetworkViewCellDelegate {
public:
    virtual ~SettingsNetworkViewCellDelegate() = default;
    virtual void switchChanged(SettingsNetworkItem item, bool isOn) = 0;
};

// A Network row: title and explanation, and the switch, or the badge saying why it cannot be changed.
class SettingsNetworkViewCell : public QWidget {
    Q_OBJECT
public:
    explicit SettingsNetworkViewCell(QWidget* parent = nullptr);

    QLabel* settingTitleField() const { return m_title; }
    QLabel* settingDescriptionField() const { return m_description; }
    SwitchControl* settingSwitch() const { return m_switch; }
    ProtocolIndicatorView* indicatorView() const { return m_indicator; }
    std::optional<SettingsNetworkItem> tabType() const { return m_tabType; }
    void setDelegate(SettingsNetworkViewCellDelegate* delegate) { m_delegate = delegate; }

    void setup(SettingsNetworkItem item);
    void notifySwitchChanged();

private:
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_description;
    QPointer<SwitchControl> m_switch;
    QPointer<ProtocolIndicatorView> m_indicator;
    WeakDelegate<SettingsNetworkViewCellDelegate> m_delegate;
    std::optional<SettingsNetworkItem> m_tabType;
};

// The Network page: Always-On VPN, automatic Wi-Fi security, trusted Wi-Fi networks and their list.
class SettingsNetworkController : public SettingsContainerSubController,
                                  public TableViewDataSource,
                                  public SettingsNetworkViewCellDelegate,
                                  public SettingsTrustedNetworksViewCellDelegate {
    Q_OBJECT
public:
    explicit SettingsNetworkController(QObject* parent = nullptr);

    TableView* settingsTableView() const { return m_table; }
    TrustedNetworksEditor& trustedNetworksEditor() { return m_editor; }
    // The row's cell while it is shown, or null.
    QWidget* cellFor(SettingsNetworkItem item) const;

    void changeSetting(SettingsNetworkItem item, bool isOn);
    // Also reloads the list at once, so the other rows follow a change.
    void refreshServiceState() override;

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

    void switchChanged(SettingsNetworkItem item, bool isOn) override;
    void trustedNetworksDidChange() override;

protected:
    QWidget* loadView() override;
    void reloadTable() override;

private:
    void fillCell(QWidget* cell, SettingsNetworkItem item);

    QPointer<TableView> m_table;
    TrustedNetworksEditor m_editor;
    QList<SettingsNetworkItem> m_rows; // as the table last loaded them
    int m_lastRowHeight = 0;           // the list row's grows with the list
};
