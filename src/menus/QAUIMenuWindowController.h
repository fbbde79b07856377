#pragma once

#include "core/MenuControllerProtocol.h"
#include "core/ShownWindows.h"
#include "menus/QAUILoggedInViewController.h"
#include "menus/QAUILoggedOutViewController.h"
#include "menus/QAUINetworksWindowController.h"
#include "platform/WindowController.h"

#include <QPointer>

#include <chrono>
#include <memory>
#include <optional>

namespace platform {
class StatusItem;
class ViewController;
} // namespace platform

// Closes the quick-access window when it is shown.
void closeMenuWindows();

// The quick-access window that the status item opens: the logged-out, logged-in or onboarding page as
// content, and the child window of a network group beside it.
class QAUIMenuWindowController : public platform::WindowController,
                                 public MenuControllerProtocol,
                                 public QAUINetworkGroupsViewDelegate {
    Q_OBJECT
public:
    // A toggle this soon after the window closed for losing the focus is the same click.
    static constexpr double reopenGuardSeconds = 0.4;

    explicit QAUIMenuWindowController(QObject* parent = nullptr);
    ~QAUIMenuWindowController() override;

    // Places the window at the status item and shows it, unless the sign-out window is up.
    void showWindow() override;

    // 0.5 s later the logged-out page shows a toast; animated defaults to whether the window is shown now.
    void showErrorNotification(const QString& title, const QString& description,
                               std::optional<bool> animated);
    void hideNotifications(std::optional<bool> animated);
    void showLoggedOutPage();
    void showLoggedInPage();
    void showOnboardingPage();
    void closeNetworksWindow();
    // The client lost the focus.
    void didResignActive();

    QAUILoggedInViewController* loggedInController() const { return m_loggedIn; }
    // Made when first shown or asked for a toast or the sign-in progress; none while signed in.
    QAUILoggedOutViewController* loggedOutController() const { return m_loggedOut; }
    QAUINetworksWindowController* networksWindowController() const { return m_networks; }

    // MenuControllerProtocol
    MenuControllerDataSource* dataSource() const override { return m_dataSource; }
    void setDataSource(MenuControllerDataSource* dataSource) override;
    MenuControllerDelegate* delegate() const override { return m_delegate; }
    void setDelegate(MenuControllerDelegate* delegate) override;
    void toggleMenu(platform::StatusItem* relativeTo) override;
    void setLoggedInState() override {}
    void setLoggedOutState() override {}
    void updateGroupedLocations() override;
    void updateLocationLists() override;
    void setConnectedState() override;
    void setDisconnectedState() override;
    void setConnectingState() override;
    void setUpgradeState() override {}
    void updateIPAddress(const PDPublicIPInfoPtr& info) override;
    void updateTimeConnected(const QString& timeConnected) override;
    void updateShowApplicationItem() override {}
    void updateStatusView() override;
    void updateStatusOptions() override { updateStatusView(); }
    void updateStatusOptionStates() override { updateStatusView(); }
    void updateNetworkGroups() override;
    void showErrorNotification(const QString& title, const QString& message) override {
        showErrorNotification(title, message, true);
    }
    void hideNotifications(bool animated) override { hideNotifications(std::optional<bool>(animated)); }
    void showProgressIndicator() override;
    void hideProgressIndicator() override;

    void networkGroupSelected(QAUINetworkGroupsViewItem item, QWidget* sender) override;

protected:
    QWidget* loadWindow() override;
    void windowDidLoad() override;
    QWidget* contentHost() override;
    void windowWillClose() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAUILoggedOutViewController* loggedOutPage();
    void place();
    void placeNetworksWindow();

    MenuControllerDataSource* m_dataSource = nullptr;
    MenuControllerDelegate* m_delegate = nullptr;
    QAUILoggedInViewController* m_loggedIn = nullptr;
    QAUILoggedOutViewController* m_loggedOut = nullptr;
    QAUINetworksWindowController* m_networks = nullptr;
    std::unique_ptr<platform::ViewController> m_onboarding;
    QPointer<platform::StatusItem> m_statusItem;
    QPointer<QWidget> m_childAnchor;
    QPointer<QWidget> m_contentHost;
    std::optional<std::chrono::steady_clock::time_point> m_closedByFocusLoss;
    bool m_closingForFocusLoss = false;
};
