#pragma once

#include "sdk/PDNetworks.h"
#include "sdk/PDTypes.h"

#include <QString>

#include <QList>

class QObject;
class MenuControllerDataSource;
namespace platform {
class StatusItem;
}
class MenuControllerDelegate;

// The signed-out page's busy indicator; front ends without that page leave both empty.
class QAUILoggedOutMenuProtocol {
public:
    virtual ~QAUILoggedOutMenuProtocol() = default;
    virtual void showProgressIndicator() {}
    virtual void hideProgressIndicator() {}
};

// What MenuService asks of a menu front end (the status item, the Dock menu).
class MenuControllerProtocol : public QAUILoggedOutMenuProtocol {
public:
    virtual MenuControllerDataSource* dataSource() const = 0;
    virtual void setDataSource(MenuControllerDataSource* dataSource) = 0;
    virtual MenuControllerDelegate* delegate() const = 0;
    virtual void setDelegate(MenuControllerDelegate* delegate) = 0;

    virtual void showMenu() {}
    // Opens the front end under the status item that was clicked, or closes it.
    virtual void toggleMenu(platform::StatusItem* relativeTo) = 0;
    virtual void setLoggedInState() = 0;
    virtual void setLoggedOutState() = 0;
    virtual void updateGroupedLocations() = 0;
    virtual void updateLocationLists() = 0;
    virtual void setConnectedState() = 0;
    virtual void setDisconnectedState() = 0;
    virtual void setConnectingState() = 0;
    virtual void setUpgradeState() = 0;
    virtual void updateIPAddress(const PDPublicIPInfoPtr& info) = 0;
    virtual void updateTimeConnected(const QString& timeConnected) = 0;
    virtual void updateShowApplicationItem() = 0;
    virtual void updateStatusView() {}
    virtual void updateStatusOptions() {}
    virtual void updateStatusOptionStates() {}
    virtual void updateNetworkGroups() {}
    // Errors told inside the quick-access window; front ends without one ignore them.
    virtual void showErrorNotification(const QString& /*title*/, const QString& /*message*/) {}
    virtual void hideNotifications(bool /*animated*/) {}
};

class MenuControllerDataSource {
public:
    virtual ~MenuControllerDataSource() = default;
    virtual bool isAppInUserAgentMode() const = 0;
    virtual bool isDisconnectAllowed() const = 0;
    virtual bool isInForcedUpgradeState() const = 0;
    virtual PDNetworkItemPtr currentNetwork() const = 0;
    virtual QList<PDNetworkItemPtr> publicLocations() const = 0;
    virtual QList<PDNetworkItemPtr> privateLocations() const = 0;
    virtual QList<PDNetworkItemPtr> favoriteLocations() const = 0;
    virtual QList<PDNetworkItemPtr> groupedLocations() const = 0;
};

// Actions of the front ends; `sender` is the chosen control (a QAction for menu items), or null.
class MenuControllerDelegate {
public:
    virtual ~MenuControllerDelegate() = default;
    virtual void didSelectLocation(const PDNetworkItemPtr& location) = 0;
    virtual void signOut(QObject* sender) = 0;
    virtual void minimize(QObject* sender) = 0;
    virtual void showApplication(QObject* sender) = 0;
    virtual void signIn(QObject* sender) = 0;
    virtual void openSupport(QObject* sender) = 0;
    virtual void openSettings(QObject* sender) = 0;
    virtual void connect(QObject* sender) = 0;
};
