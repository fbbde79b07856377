#pragma once

#include "settings/ProtocolIndicatorView.h"
#include "settings/SettingsContainerController.h"
#include "toolkit/SwitchControl.h"
#include "toolkit/TableView.h"
#include "toolkit/TooltipPopover.h"
#include "toolkit/WeakDelegate.h"

#include <QLabel>
#include <QList>
#include <QPointer>
#include <QPushButton>

#include <memory>
#include <optional>

// The General page's rows, in their order.
enum class SettingsGeneralItem {
    startMinimized,
    connectOnLaunch,
    enableNotifications,
    appVersion,
    automaticUpdates,
    crashReport
};

namespace settingsGeneral {
const QList<SettingsGeneralItem>& allItems();
QString title(SettingsGeneralItem item);
// What the row's info button says; none for the version row.
std::optional<QString> description(SettingsGeneralItem item);
// The switch's state: the preference for Start Minimized, the SDK's pending setting for the others.
bool value(SettingsGeneralItem item);
// Locked: enforced by the administrator, or (Connect On Launch) overridden by Always-On VPN.
bool isEnforced(SettingsGeneralItem item);
int height(SettingsGeneralItem item);
} // namespace settingsGeneral

class SettingsSwitchViewCellDelegate {
public:
    virtual ~SettingsSwitchViewCellDelegate() = default;
    virtual void switchChanged(SettingsGeneralItem item, bool isOn) = 0;
};

// A General row with a switch: its title, an info button with the explanation, and the switch, or the badge
// when the row is locked.
class SettingsSwitchViewCell : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSwitchViewCell(QWidget* parent = nullptr);

    QLabel* settingTitleField() const { return m_title; }
    SwitchControl* settingSwitch() const { return m_switch; }
    ProtocolIndicatorView* indicatorView() const { return m_indicator; }
    TooltipHoverButton* infoButton() const { return m_info; }
    std::optional<SettingsGeneralItem> tabType() const { return m_tabType; }
    void setDelegate(SettingsSwitchViewCellDelegate* delegate) { m_delegate = delegate; }

    void setup(SettingsGeneralItem item);
    void notifySwitchChanged();

private:
    QPointer<QLabel> m_title;
    QPointer<TooltipHoverButton> m_info;
    QPointer<SwitchControl> m_switch;
    QPointer<ProtocolIndicatorView> m_indicator;
    WeakDelegate<SettingsSwitchViewCellDelegate> m_delegate;
    std::optional<SettingsGeneralItem> m_tabType;
};

class SettingsUpdateViewCellDelegate {
public:
    virtual ~SettingsUpdateViewCellDelegate() = default;
    virtual void checkForUpdatesTapped() = 0;
};

// The version row: "Version <version> (<build>)" and the button that checks for updates.
class SettingsUpdateViewCell : public QWidget {
    Q_OBJECT
public:
    explicit SettingsUpdateViewCell(QWidget* parent = nullptr);

    QLabel* settingTitleField() const { return m_title; }
    QPushButton* checkUpdatesButton() const { return m_button; }
    void setDelegate(SettingsUpdateViewCellDelegate* delegate) { m_delegate = delegate; }

    void setup(SettingsGeneralItem item);
    // Tells the delegate, then sends the check's analytics event.
    void checkUpdates(QObject* sender);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QLabel> m_title;
    QPointer<QPushButton> m_button;
    WeakDelegate<SettingsUpdateViewCellDelegate> m_delegate;
};

// The General page: Start Minimized, Connect On Launch, notifications, the version row, automatic updates
// and crash reports.
class SettingsGeneralController : public SettingsContainerSubController,
                                  public TableViewDataSource,
                                  public SettingsSwitchViewCellDelegate,
                                  public SettingsUpdateViewCellDelegate {
    Q_OBJECT
public:
    explicit SettingsGeneralController(QObject* parent = nullptr);
    ~SettingsGeneralController() override;

    TableView* generalTableView() const { return m_table; }
    // The row's cell while it is in view, or null.
    QWidget* cellFor(SettingsGeneralItem item) const;

    // The update sheet when a newer version is offered, else the card saying this one is the latest.
    void openAutoUpdate();
    void changeSetting(SettingsGeneralItem item, bool isOn);
    // The card over the main window's content, while it is shown.
    platform::ViewController* appInfoModal() const;

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

    void switchChanged(SettingsGeneralItem item, bool isOn) override;
    void checkForUpdatesTapped() override;

    // The sheet comes this long after the check.
    static constexpr double updateSheetDelay = 0.5;

protected:
    QWidget* loadView() override;
    void reloadTable() override;

private:
    void fillCell(QWidget* cell, SettingsGeneralItem item);

    QPointer<TableView> m_table;
    std::unique_ptr<platform::ViewController> m_appInfoModal;
};
