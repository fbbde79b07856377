#include "menus/LocationMenusController.h"

#include "core/LocalizedStrings.h"
#include "menus/LocationMenuItem.h"
#include "platform/Compositing.h"

#include <QStyle>

const QString LocationMenusController::connectTitle = QStringLiteral("Connect");
const QString LocationMenusController::disconnectTitle = QStringLiteral("Disconnect");
const QString LocationMenusController::upgradeTitle = QStringLiteral("Upgrade");
const QString LocationMenusController::connectedPrefix = QStringLiteral("Connected to ");
const QString LocationMenusController::timeConnectedPrefix = QStringLiteral("Time Connected: ");
const QString LocationMenusController::noNetworkName = QStringLiteral("N/A");
const QString LocationMenusController::placeholder = QStringLiteral("-----");

namespace {

// Card colour, white text, greyed disabled lines and the accent of the quick-access window's rows. Style
// sheets read eight hex digits as alpha first, so translucent colours are written as rgba().
const QString kMenuStyle =
    QStringLiteral("QMenu { background: #1B2046; border: 1px solid rgba(255, 255, 255, 26); border-radius: "
                   "8px; padding: 6px 0px;"
                   "  font-family: Inter; font-size: 14px; color: #FFFFFF; }"
                   "QMenu::item { padding: 6px 24px 6px 12px; margin: 0px 6px; border-radius: 5px; "
                   "background: transparent; }"
                   "QMenu::item:selected { background: #266FE2; }"
                   "QMenu::item:disabled { color: rgba(255, 255, 255, 128); }"
                   "QMenu::item:disabled:selected { background: transparent; }"
                   "QMenu::icon { padding-left: 10px; }"
                   "QMenu::separator { height: 1px; background: rgba(255, 255, 255, 26); margin: 5px 12px; }"
                   "QMenu::right-arrow { width: 8px; height: 8px; margin-right: 10px; }"
                   "QMenu[square=\"true\"] { border-radius: 0px; }");

void squareWithoutCompositor(QMenu* menu) {
    const bool square = !platform::Compositing::isTranslucent(menu);
    if (menu->property("square").toBool() != square) {
        menu->setProperty("square", square);
        menu->style()->unpolish(menu);
        menu->style()->polish(menu);
    }
}

} // namespace

void applyMenuLook(QMenu* menu) {
    menu->setStyleSheet(kMenuStyle);
    menu->setSeparatorsCollapsible(true);
    platform::Compositing::followInMenu(menu);
    // Round corners only where what lies beneath shows through them (fitted just before, at the same signal).
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { squareWithoutCompositor(menu); });
    squareWithoutCompositor(menu);
    menu->setWindowFlag(Qt::NoDropShadowWindowHint);
}

LocationMenusController::LocationMenusController(MenuControllerDataSource* dataSource,
                                                 MenuControllerDelegate* delegate)
    : m_loggedInMenu(std::make_unique<QMenu>()), m_loggedOutMenu(std::make_unique<QMenu>()),
      m_dataSource(dataSource), m_delegate(delegate) {
    applyMenuLook(m_loggedInMenu.get());
    applyMenuLook(m_loggedOutMenu.get());
    // A tray host's AboutToShow arrives as this signal.
    QMenu* menu = m_loggedInMenu.get();
    QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { showTimeConnected(); });
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

void LocationMenusController::addConnectionDetails(QMenu* menu) {
    m_connectSeparator = menu->addSeparator();
    for (QAction** line : {&m_connectedItem, &m_ipItem, &m_timeConnectedItem}) {
        *line = menu->addAction(QString());
        (*line)->setEnabled(false);
    }
    m_connectedSeparator = menu->addSeparator();
}

void LocationMenusController::addSupportAndSettings(QMenu* menu) {
    m_supportItem = addCommand(menu, L10n::settings_page_toolbar_custom_support_item_label(),
                               &MenuControllerDelegate::openSupport);
    m_settingsItem =
        addCommand(menu, L10n::user_profile_menu_item_my_settings(), &MenuControllerDelegate::openSettings);
}

void LocationMenusController::addSignOut(QMenu* menu) {
    m_signOutItem =
        addCommand(menu, L10n::user_profile_menu_item_my_sign_out(), &MenuControllerDelegate::signOut);
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
    m_signInItem =
        addCommand(m_loggedOutMenu.get(), QStringLiteral("Sign In"), &MenuControllerDelegate::signIn);
}

PDNetworkItemPtr LocationMenusController::representedLocation(const QAction* item) {
    return item ? item->data().value<PDNetworkItemPtr>() : nullptr;
}

QAction* LocationMenusController::makeLocationItem(QObject* parent) {
    auto* item = new QAction(parent);
    QObject::connect(item, &QAction::triggered, item, [this, item] { onLocationItemSelected(item); });
    return item;
}

void LocationMenusController::showLocationItem(QAction* item, const PDNetworkItemPtr& location) const {
    if (representedLocation(item) != location) {
        ::showLocation(item, location);
        item->setData(QVariant::fromValue(location));
    }
    item->setEnabled(!(m_dataSource && m_dataSource->isInForcedUpgradeState()));
}

QList<QAction*> LocationMenusController::showLocations(QList<QAction*> items,
                                                       const QList<PDNetworkItemPtr>& locations,
                                                       QObject* parent) {
    // Items are reused in place; only the ones beyond the new list's end go, and new ones are made for the
    // rest.
    QList<QAction*> added;
    qsizetype used = 0;
    for (const PDNetworkItemPtr& location : locations) {
        if (!location) {
            continue;
        }
        QAction* item = used < items.size() ? items.at(used) : added.emplace_back(makeLocationItem(parent));
        showLocationItem(item, location);
        ++used;
    }
    qDeleteAll(items.mid(used));
    return added;
}

void LocationMenusController::onLocationItemSelected(QObject* sender) {
    const PDNetworkItemPtr location = representedLocation(qobject_cast<QAction*>(sender));
    if (location && m_delegate) {
        m_delegate->didSelectLocation(location);
    }
}

void LocationMenusController::fillSubmenu(QMenu* submenu, const QList<PDNetworkItemPtr>& locations) {
    submenu->addActions(showLocations(submenu->actions(), locations, submenu));
    submenu->menuAction()->setVisible(!submenu->actions().isEmpty());
}

void LocationMenusController::updateLocationLists() {
    if (!m_dataSource) {
        return;
    }
    fillSubmenu(m_publicListItem, m_dataSource->publicLocations());
    fillSubmenu(m_privateListItem, m_dataSource->privateLocations());
    fillSubmenu(m_favoritesListItem, m_dataSource->favoriteLocations());
}

void LocationMenusController::showGroupedLocationsAbove(QAction* separator) {
    const QList<PDNetworkItemPtr> locations =
        m_dataSource ? m_dataSource->groupedLocations() : QList<PDNetworkItemPtr>();
    const QList<QAction*> added = showLocations(groupedLocationItems(), locations, m_loggedInMenu.get());
    m_loggedInMenu->insertActions(separator, added);
    m_groupedItems.insert(m_groupedItems.end(), added.begin(), added.end());
    std::erase_if(m_groupedItems, [](const QPointer<QAction>& item) { return item.isNull(); });
    separator->setVisible(!m_groupedItems.empty());
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
    m_pendingTimeConnected.reset();
    m_connectedItem->setText(connectedPrefix + placeholder);
    m_timeConnectedItem->setText(timeConnectedPrefix + placeholder);
    // The label carries its own blank.
    m_ipItem->setText(L10n::menu_bar_menu_IP_address_label() + placeholder);
}

void LocationMenusController::updateIPAddress(const PDPublicIPInfoPtr& info) {
    const QString address = info && !info->ipAddress().isEmpty() ? menuTitle(info->ipAddress()) : placeholder;
    m_ipItem->setText(L10n::menu_bar_menu_IP_address_label() + address);
}

void LocationMenusController::updateTimeConnected(const QString& timeConnected) {
    m_pendingTimeConnected = timeConnected;
    const auto now = platform::Scheduler::shared().now();
    if (!m_timeConnectedShownAt || now - *m_timeConnectedShownAt >= closedMenuTimeInterval) {
        showTimeConnected();
    }
}

void LocationMenusController::showTimeConnected() {
    if (!m_pendingTimeConnected) {
        return;
    }
    m_timeConnectedItem->setText(timeConnectedPrefix + menuTitle(*m_pendingTimeConnected));
    m_pendingTimeConnected.reset();
    m_timeConnectedShownAt = platform::Scheduler::shared().now();
}
