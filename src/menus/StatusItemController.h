#pragma once

#include "core/MenuControllerProtocol.h"
#include "sdk/PDTypes.h"
#include "toolkit/IntervalAnimator.h"

#include <QPointer>

#include <memory>
#include <optional>

class QAUIMenuWindowController;
class QMenu;
class StatusItemMenuController;
namespace platform {
class StatusBar;
class StatusItem;
} // namespace platform

// What the application delegate offers the status item: its quick-access window controller.
class QAUIMenuWindowOwner {
public:
    virtual ~QAUIMenuWindowOwner() = default;
    virtual QAUIMenuWindowController* generalQAUIWindowViewController() const = 0;
};

// The status item: shows the connection state as its icon, toggles the quick-access window on a click and
// passes every menu requirement on to the quick-access window controller. Holding the menu-style front end
// instead, a click pops up that controller's menu for the sign-in state.
class StatusItemController : public MenuControllerProtocol {
public:
    // Holds the application delegate's quick-access window controller, in the system's status bar.
    StatusItemController(MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate);
    // Holds `menuController` (not owned), in `statusBar`: the quick-access window's or the menu-style one.
    StatusItemController(MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate,
                         MenuControllerProtocol* menuController, platform::StatusBar& statusBar);
    ~StatusItemController() override;

    platform::StatusItem* statusItem() const { return m_statusItem; }
    MenuControllerProtocol* statusItemMenuController() const { return m_menuController; }
    std::optional<SDVPNConnectionState> lastState() const { return m_lastState; }
    const IntervalAnimator& statusBarIconAnimator() const { return m_animator; }
    // The menu a click pops up while the menu-style front end is held; null otherwise.
    QMenu* statusItemMenu() const { return m_statusItemMenu; }

    // Shows the bundle image as the item's template icon; nothing when the image is missing.
    void setIcon(const QString& name);
    // The action of a click on the icon.
    void didClickStatusItemHandler();

    MenuControllerDataSource* dataSource() const override;
    void setDataSource(MenuControllerDataSource* dataSource) override;
    MenuControllerDelegate* delegate() const override;
    void setDelegate(MenuControllerDelegate* delegate) override;
    void showMenu() override;
    void toggleMenu(platform::StatusItem* relativeTo) override;
    void setLoggedInState() override;
    void setLoggedOutState() override;
    void updateGroupedLocations() override;
    void updateLocationLists() override;
    void setConnectedState() override;
    void setDisconnectedState() override;
    void setConnectingState() override;
    void setUpgradeState() override;
    void updateIPAddress(const PDPublicIPInfoPtr& info) override;
    void updateTimeConnected(const QString& timeConnected) override;
    void updateShowApplicationItem() override;
    void updateStatusView() override;
    void updateStatusOptions() override;
    void updateStatusOptionStates() override;
    void updateNetworkGroups() override;
    void showErrorNotification(const QString& title, const QString& message) override;
    void hideNotifications(bool animated) override;
    void showProgressIndicator() override;
    void hideProgressIndicator() override;

private:
    class FrameReceiver;

    void setUp(MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate,
               platform::StatusBar& bar);
    void showFrame(int frame);
    // The tooltip: the product's name and the connection state's localized text.
    void showStateInToolTip(const QString& stateKey);
    void popUpStatusItemMenu();

    StatusItemMenuController* m_menuStyle = nullptr;
    QPointer<QMenu> m_statusItemMenu;

    IntervalAnimator m_animator;
    MenuControllerProtocol* m_menuController = nullptr;
    platform::StatusItem* m_statusItem = nullptr;
    QPointer<platform::StatusBar> m_statusBar;
    std::optional<SDVPNConnectionState> m_lastState;
    bool m_showWhenInTray = false; // showMenu() came before the tray listed the icon
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
