#pragma once

#include "core/MenuControllerProtocol.h"
#include "platform/Scheduler.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

// What the Dock menu and the status-item menu share: a signed-in and a signed-out menu built in code, the
// connection's information lines, the grouped location items the controller inserts itself, and the three
// location submenus (public, private, favourites). Every choice goes to the delegate.
class LocationMenusController : public MenuControllerProtocol {
public:
    ~LocationMenusController() override;

    MenuControllerDataSource* dataSource() const override { return m_dataSource; }
    void setDataSource(MenuControllerDataSource* dataSource) override { m_dataSource = dataSource; }
    MenuControllerDelegate* delegate() const override { return m_delegate; }
    void setDelegate(MenuControllerDelegate* delegate) override { m_delegate = delegate; }
    void toggleMenu(platform::StatusItem*) override {}

    // Refills the three submenus, reusing their items; an empty list hides its header.
    void updateLocationLists() override;
    void updateIPAddress(const PDPublicIPInfoPtr& info) override;
    // The clock ticks every second, but a menu line that changes sends the menu's properties to the tray
    // host: the time goes to its line when the host is about to show the menu, at the next connection look,
    // and otherwise at most once a minute (for hosts that never say they show it).
    void updateTimeConnected(const QString& timeConnected) override;
    static constexpr std::chrono::seconds closedMenuTimeInterval{60};

    // Passes the location a chosen item stands for to the delegate; anything else is ignored.
    void onLocationItemSelected(QObject* sender);
    // The location a menu item stands for, or null.
    static PDNetworkItemPtr representedLocation(const QAction* item);

    QMenu* menuForLoggedInState() const { return m_loggedInMenu.get(); }
    QMenu* menuForLoggedOutState() const { return m_loggedOutMenu.get(); }
    // The grouped location items in menu order.
    QList<QAction*> groupedLocationItems() const;

    QAction* connectItem() const { return m_connectItem; }
    QAction* connectSeparator() const { return m_connectSeparator; }
    QAction* connectedItem() const { return m_connectedItem; }
    QAction* ipItem() const { return m_ipItem; }
    QAction* timeConnectedItem() const { return m_timeConnectedItem; }
    QAction* connectedSeparator() const { return m_connectedSeparator; }
    QAction* topSeparator() const { return m_topSeparator; }
    QAction* publicHeaderItem() const { return m_publicListItem->menuAction(); }
    QAction* privateHeaderItem() const { return m_privateListItem->menuAction(); }
    QAction* favoritesHeaderItem() const { return m_favoritesListItem->menuAction(); }
    QMenu* publicListItem() const { return m_publicListItem; }
    QMenu* privateListItem() const { return m_privateListItem; }
    QMenu* favoritesListItem() const { return m_favoritesListItem; }
    QAction* groupedLocationsSeparator() const { return m_groupedLocationsSeparator; }
    QAction* supportItem() const { return m_supportItem; }
    QAction* settingsItem() const { return m_settingsItem; }
    QAction* signOutItem() const { return m_signOutItem; }
    QAction* signInItem() const { return m_signInItem; }

    static const QString connectTitle;
    static const QString disconnectTitle;
    static const QString upgradeTitle;
    static const QString connectedPrefix;
    static const QString timeConnectedPrefix;
    static const QString noNetworkName;
    static const QString placeholder;

protected:
    LocationMenusController(MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate);

    using DelegateCall = void (MenuControllerDelegate::*)(QObject*);
    // An item of `menu` that hands itself to the delegate's `call`.
    QAction* addCommand(QMenu* menu, const QString& title, DelegateCall call);
    // Between two separators, the three lines that only inform (never enabled): the network connected to,
    // the public address and the time connected.
    void addConnectionDetails(QMenu* menu);
    void addSupportAndSettings(QMenu* menu);
    void addSignOut(QMenu* menu);
    // The three location submenus, in the order public, private, favourites.
    void addLocationSubmenus(QMenu* menu);
    // The signed-out menu: "Sign In" alone.
    void buildLoggedOutMenu();

    // The grouped location items show the data source's grouped locations in order, ending directly above
    // `separator`, which shows only while there are some.
    void showGroupedLocationsAbove(QAction* separator);
    // The connected line's text for the current network.
    QString connectedTitle() const;
    // The placeholders of the information lines while no connection is up.
    void showPlaceholders();
    // The latest time connected on its line, if a newer one arrived since it was last shown.
    void showTimeConnected();
    bool isDisconnectAllowed() const { return m_dataSource && m_dataSource->isDisconnectAllowed(); }

    std::unique_ptr<QMenu> m_loggedInMenu;
    std::unique_ptr<QMenu> m_loggedOutMenu;
    QAction* m_connectItem = nullptr;
    QAction* m_connectSeparator = nullptr;
    QAction* m_connectedItem = nullptr;
    QAction* m_ipItem = nullptr;
    QAction* m_timeConnectedItem = nullptr;
    QAction* m_connectedSeparator = nullptr;
    QAction* m_topSeparator = nullptr;
    QMenu* m_publicListItem = nullptr;
    QMenu* m_privateListItem = nullptr;
    QMenu* m_favoritesListItem = nullptr;
    QAction* m_groupedLocationsSeparator = nullptr;
    QAction* m_supportItem = nullptr;
    QAction* m_settingsItem = nullptr;
    QAction* m_signOutItem = nullptr;
    QAction* m_signInItem = nullptr;

private:
    // A location item that hands its location to onLocationItemSelected().
    QAction* makeLocationItem(QObject* parent);
    // `item` stands for `location`, enabled unless a forced update is pending.
    void showLocationItem(QAction* item, const PDNetworkItemPtr& location) const;
    // `items` show `locations` in order; the surplus is deleted. Returns the items made for the rest, not yet
    // in any menu.
    QList<QAction*> showLocations(QList<QAction*> items, const QList<PDNetworkItemPtr>& locations,
                                  QObject* parent);
    void fillSubmenu(QMenu* submenu, const QList<PDNetworkItemPtr>& locations);

    MenuControllerDataSource* m_dataSource = nullptr;
    MenuControllerDelegate* m_delegate = nullptr;
    std::vector<QPointer<QAction>> m_groupedItems;
    std::optional<QString> m_pendingTimeConnected;
    std::optional<platform::Scheduler::Clock::time_point> m_timeConnectedShownAt;
};

// The client's dark look for a menu and its submenus, with 19 by 19 images.
void applyMenuLook(QMenu* menu);
