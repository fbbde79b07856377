#include "menus/LocationMenusController.h"

#include "core/LocalizedStrings.h"
#include "mainwindow/LocationMenuItem.h"

const QString LocationMenusController::connectTitle = QStringLiteral("Connect");
const QString LocationMenusController::disconnectTitle = QStringLiteral("Disconnect");
const QString LocationMenusController::upgradeTitle = QStringLiteral("Upgrade");
const QString LocationMenusController::connectedPrefix = QStringLiteral("Connected to ");
const QString LocationMenusController::timeConnectedPrefix = QStringLiteral("Time Connected: ");
const QString LocationMenusController::noNetworkName = QStringLiteral("N/A");
const QString LocationMenusController::placeholder = QStringLiteral("-----");

namespace {

// Card colour, white text, greyed disabled lines and the accent of the quick-access window's rows.
const QString kMenuStyle = QStringLiteral(
    "QMenu { background: #1B2046; border: 1px solid #FFFFFF1A; border-radius: 8px; padding: 6px 0px;"
    "  font-family: Inter; font-size: 14px; color: #FFFFFF; }"
    "QMenu::item { padding: 6px 24px 6px 12px; margin: 0px 6px; border-radius: 5px; background: transparent; }"
    "QMenu::item:selected { background: #266FE2; }"
    "QMenu::item:disabled { color: #FFFFFF80; }"
    "QMenu::item:disabled:selected { background: transparent; }"
    "QMenu::icon { padding-left: 10px; }"
    "QMenu::separator { height: 1px; background: #FFFFFF1A; margin: 5px 12px; }"
    "QMenu::right-arrow { width: 8px; height: 8px; margin-right: 10px; }");

} // namespace

void applyMenuLook(QMenu* menu) {
    menu->setStyleSheet(kMenuStyle);
    menu->setSeparatorsCollapsible(true);
    menu->setAttribute(Qt::WA_TranslucentBackground);
    menu->setWindowFlag(Qt::NoDropShadowWindowHint);
}

LocationMenusController::LocationMenusController(MenuControllerDataSource* dataSource,
                                                 MenuControllerDelegate* delegate)
    : m_loggedInMenu(std::make_unique<QMenu>()), m_loggedOutMenu(std::make_unique<QMenu>()),
      m_dataSource(dataSource), m_delegate(delegate) {
    applyMenuLook(m_loggedInMenu.get());
    applyMenuLook(m_loggedOutMenu.get());
}

LocationMenusController::~LocationMenusController() = default;

QAction* LocationMenusController::addCommand(QMenu* menu, const QString& title, DelegateCall call) {
    QAction* item = menu->addAction(title);
    QObject::connect(item, &QAction::triggered, item, [this, item, call] {
        if (m_delegate) {
            (m_delegate->*call)(item);
        }
    });
    return item;
}

QAction* LocationMenusController::addInformationLine(QMenu* menu) {
    QAction* line = menu->addAction(QString());
    line->setEnabled(false);
    return line;
}

void LocationMenusController::addLocationSubmenus(QMenu* menu) {
    auto submenu = [menu](const QString& title) {
        QMenu* list = menu->addMenu(title);
        applyMenuLook(list);
        list->menuAction()->setVisible(false); // until a list arrives
        return list;
    };
    m_publicListItem = submenu(L10n::locations_list_all_locations_group_label());
    m_privateListItem = submenu(L10n::locations_list_private_group_label());
    m_favoritesListItem = submenu(L10n::locations_list_favorites_group_label());
}

void LocationMenusController::buildLoggedOutMenu() {
    m_signInItem = addCommand(m_loggedOutMenu.get(), QStringLiteral("Sign In"), &MenuControllerDelegate::signIn);
}

PDNetworkItemPtr LocationMenusController::representedLocation(const QAction* item) {
    return item ? item->data().value<PDNetworkItemPtr>() : nullptr;
}

QAction* LocationMenusController::makeLocationItem(const PDNetworkItemPtr& location, QObject* parent) {
    QAction* item = menuItem(location, nullptr, {}, parent);
    item->setData(QVariant::fromValue(location));
    item->setEnabled(!(m_dataSource && m_dataSource->isInForcedUpgradeState()));
    QObject::connect(item, &QAction::triggered, item, [this, item] { onLocationItemSelected(item); });
    return item;
}

void LocationMenusController::onLocationItemSelected(QObject* sender) {
    const PDNetworkItemPtr location = representedLocation(qobject_cast<QAction*>(sender));
    if (location && m_delegate) {
        m_delegate->didSelectLocation(location);
    }
}

void LocationMenusController::fillSubmenu(QMenu* submenu, const QList<PDNetworkItemPtr>& locations) {
    // The menu owns its items: clearing deletes them, and with them the flags still on their way.
    submenu->clear();
    submenu->menuAction()->setVisible(!locations.isEmpty());
    QList<QAction*> items;
    items.reserve(locations.size());
    for (const PDNetworkItemPtr& location : locations) {
        if (location) {
            items.append(makeLocationItem(location, submenu));
        }
    }
    submenu->addActions(items);
}

void LocationMenusController::updateLocationLists() {
    if (!m_dataSource) {
        return;
    }
    fillSubmenu(m_publicListItem, m_dataSource->publicLocations());
    fillSubmenu(m_privateListItem, m_dataSource->privateLocations());
    fillSubmenu(m_favoritesListItem, m_dataSource->favoriteLocations());
}

void LocationMenusController::replaceGroupedLocationItems(const QList<PDNetworkItemPtr>& locations,
                                                          QAction* before) {
    for (const QPointer<QAction>& item : m_groupedItems) {
        delete item.data();
    }
    m_groupedItems.clear();
    QList<QAction*> items;
    items.reserve(locations.size());
    for (const PDNetworkItemPtr& location : locations) {
        if (location) {
            QAction* item = makeLocationItem(location, m_loggedInMenu.get());
            items.append(item);
            m_groupedItems.emplace_back(item);
        }
    }
    m_loggedInMenu->insertActions(before, items);
}

QList<QAction*> LocationMenusController::groupedLocationItems() const {
    QList<QAction*> items;
    for (const QPointer<QAction>& item : m_groupedItems) {
        if (item) {
            items.append(item);
        }
    }
    return items;
}

QString LocationMenusController::connectedTitle() const {
    const PDNetworkItemPtr current = m_dataSource ? m_dataSource->currentNetwork() : nullptr;
    return connectedPrefix + (current ? menuTitle(current->displayTitle()) : noNetworkName);
}

void LocationMenusController::showPlaceholders() {
    m_connectedItem->setText(connectedPrefix + placeholder);
    m_timeConnectedItem->setText(timeConnectedPrefix + placeholder);
    m_ipItem->setText(L10n::menu_bar_menu_IP_address_label() + QLatin1Char(' ') + placeholder);
}

void LocationMenusController::updateIPAddress(const PDPublicIPInfoPtr& info) {
    const QString address = info && !info->ipAddress().isEmpty() ? menuTitle(info->ipAddress()) : placeholder;
    m_ipItem->setText(L10n::menu_bar_menu_IP_address_label() + QLatin1Char(' ') + address);
}

void LocationMenusController::updateTimeConnected(const QString& timeConnected) {
    m_timeConnectedItem->setText(timeConnectedPrefix + menuTitle(timeConnected));
}
