#include "menus/DockMenuBarController.h"

#include "core/LocalizedStrings.h"

DockMenuBarController::DockMenuBarController(MenuControllerDataSource* dataSource,
                                             MenuControllerDelegate* delegate)
    : m_dataSource(dataSource), m_delegate(delegate), m_menu(std::make_unique<QMenu>()) {
    m_status = m_menu->addAction(L10n::connection_status_disconnected_label());
    m_status->setEnabled(false);
    m_address = m_menu->addAction(QString());
    m_address->setEnabled(false);
    m_address->setVisible(false);
    m_time = m_menu->addAction(QString());
    m_time->setEnabled(false);
    m_time->setVisible(false);
    m_connect = addItem(L10n::menu_bar_connect_item_connect_label(), [this](QAction* item) {
        if (m_delegate) {
            m_delegate->connect(item);
        }
    });
    m_locations = m_menu->addMenu(QObject::tr("Locations"));
    m_menu->addSeparator();
    m_showApplication = addItem(QObject::tr("Show Application"), [this](QAction* item) {
        if (m_delegate) {
            m_delegate->showApplication(item);
        }
    });
    m_settings = addItem(QObject::tr("Settings"), [this](QAction* item) {
        if (m_delegate) {
            m_delegate->openSettings(item);
        }
    });
    m_support = addItem(QObject::tr("Support"), [this](QAction* item) {
        if (m_delegate) {
            m_delegate->openSupport(item);
        }
    });
    m_signIn = addItem(QObject::tr("Sign In"), [this](QAction* item) {
        if (m_delegate) {
            m_delegate->signIn(item);
        }
    });
    m_signOut = addItem(QObject::tr("Sign Out"), [this](QAction* item) {
        if (m_delegate) {
            m_delegate->signOut(item);
        }
    });
    setLoggedIn(false);
    updateShowApplicationItem();
}

DockMenuBarController::~DockMenuBarController() = default;

QAction* DockMenuBarController::addItem(const QString& title, std::function<void(QAction*)> action) {
    QAction* item = m_menu->addAction(title);
    QObject::connect(item, &QAction::triggered, item, [item, action = std::move(action)] { action(item); });
    return item;
}

void DockMenuBarController::setLoggedIn(bool loggedIn) {
    for (QAction* item : {m_status.data(), m_connect.data(), m_settings.data(), m_signOut.data()}) {
        item->setVisible(loggedIn);
    }
    m_locations->menuAction()->setVisible(loggedIn);
    m_signIn->setVisible(!loggedIn);
    if (!loggedIn) {
        m_address->setVisible(false);
        m_time->setVisible(false);
    }
}

void DockMenuBarController::setLoggedInState() {
    setLoggedIn(true);
    updateLocationLists();
}

void DockMenuBarController::setLoggedOutState() {
    setLoggedIn(false);
}

void DockMenuBarController::updateGroupedLocations() {
    updateLocationLists();
}

void DockMenuBarController::updateLocationLists() {
    m_locations->clear();
    if (!m_dataSource) {
        return;
    }
    const PDNetworkItemPtr current = m_dataSource->currentNetwork();
    for (const PDNetworkItemPtr& location :
         m_dataSource->groupedLocations() + m_dataSource->publicLocations()) {
        if (!location) {
            continue;
        }
        QAction* item = m_locations->addAction(location->displayTitle());
        item->setCheckable(true);
        item->setChecked(current && current->isSameNetwork(*location));
        QObject::connect(item, &QAction::triggered, item, [this, location] {
            if (m_delegate) {
                m_delegate->didSelectLocation(location);
            }
        });
    }
}

void DockMenuBarController::setConnectedState() {
    m_status->setText(L10n::main_view_connected_to_label());
    m_connect->setText(L10n::connect_button_status_disconnect_label());
    m_connect->setEnabled(true);
    m_time->setVisible(true);
}

void DockMenuBarController::setDisconnectedState() {
    m_status->setText(L10n::connection_status_disconnected_label());
    m_connect->setText(L10n::menu_bar_connect_item_connect_label());
    m_connect->setEnabled(true);
    m_time->setVisible(false);
}

void DockMenuBarController::setConnectingState() {
    m_status->setText(L10n::main_view_connecting_to_label());
    m_connect->setText(L10n::connect_button_status_connecting_label());
}

void DockMenuBarController::setUpgradeState() {
    m_connect->setText(L10n::menu_bar_connect_item_upgrade_label());
}

void DockMenuBarController::updateIPAddress(const PDPublicIPInfoPtr& info) {
    m_address->setText(info ? info->ipAddress() : L10n::connection_IP_address_failed_to_fetch_label());
    m_address->setVisible(m_status->isVisible());
}

void DockMenuBarController::updateTimeConnected(const QString& timeConnected) {
    m_time->setText(timeConnected);
}

void DockMenuBarController::updateShowApplicationItem() {
    m_showApplication->setVisible(m_dataSource && m_dataSource->isAppInUserAgentMode());
}
