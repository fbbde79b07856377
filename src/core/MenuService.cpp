#include "core/MenuService.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixXPC.h"

#include <QAction>
#include <QMutex>

namespace {

struct DefaultControllers {
    QMutex mutex;
    MenuService::Controllers controllers;
};
DefaultControllers& defaults() {
    static DefaultControllers holder;
    return holder;
}

} // namespace

void MenuService::setDefaultControllers(Controllers controllers) {
    auto& holder = defaults();
    QMutexLocker lock(&holder.mutex);
    holder.controllers = std::move(controllers);
}

MenuService::Controllers MenuService::defaultControllers() {
    auto& holder = defaults();
    QMutexLocker lock(&holder.mutex);
    return holder.controllers;
}

MenuService::MenuService(ApplicationModel& model, Controllers controllers)
    : m_model(model), m_factories(std::move(controllers)), m_alive(std::make_shared<bool>(true)) {
    // The clock ticks on the SDK's thread; updateTimeConnected() moves to the GUI thread itself.
    m_tickObservation = platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("tickTimeUpdated"), nullptr,
        [this](const platform::Notification& notification) { updateTimeConnected(notification); });
    // Whether the tunnel may be ended follows Always-On, which can change while connected.
    m_settingsObservation = platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("settingsUpdated"), nullptr, [this](const platform::Notification&) {
            if (!m_model.isInForcedUpgradeState()) {
                updateConnectionState(m_model.currentConnectionState());
            }
        });
    registerModeObserver();
}

MenuService::~MenuService() {
    m_tickObservation.reset();
    m_settingsObservation.reset();
    m_alive.reset();
}

void MenuService::registerModeObserver() {
    auto* router = appRouter();
    if (!router) {
        return;
    }
    router->addAppModeChangeObserver([this, alive = std::weak_ptr<bool>(m_alive)] {
        if (!alive.expired()) {
            toBoth([](MenuControllerProtocol& c) { c.updateShowApplicationItem(); });
        }
    });
}

void MenuService::onGuiThread(std::function<void()> f) {
    if (platform::Scheduler::shared().isMainThread()) {
        f();
        return;
    }
    platform::DispatchQueue::main().async([alive = std::weak_ptr<bool>(m_alive), f = std::move(f)] {
        if (!alive.expired()) {
            f();
        }
    });
}

MenuControllerProtocol* MenuService::statusItemController() {
    if (!m_statusItemController && m_factories.statusItem) {
        m_statusItemController = m_factories.statusItem(this, this);
    }
    return m_statusItemController.get();
}

MenuControllerProtocol* MenuService::dockMenuController() {
    if (!m_dockMenuController && m_factories.dockMenu) {
        m_dockMenuController = m_factories.dockMenu(this, this);
    }
    return m_dockMenuController.get();
}

void MenuService::toStatusItem(const std::function<void(MenuControllerProtocol&)>& f) {
    if (auto* controller = statusItemController()) {
        f(*controller);
    }
}

void MenuService::toBoth(const std::function<void(MenuControllerProtocol&)>& f) {
    toStatusItem(f);
    if (auto* controller = dockMenuController()) {
        f(*controller);
    }
}

void MenuService::showMenu() {
    onGuiThread([this] { toStatusItem([](MenuControllerProtocol& c) { c.showMenu(); }); });
}

void MenuService::showErrorNotification(const QString& title, const QString& message) {
    onGuiThread([this, title, message] {
        toStatusItem([&](MenuControllerProtocol& c) { c.showErrorNotification(title, message); });
    });
}

void MenuService::hideNotifications(bool animated) {
    onGuiThread([this, animated] {
        toStatusItem([animated](MenuControllerProtocol& c) { c.hideNotifications(animated); });
    });
}

void MenuService::setLoggedInState() {
    onGuiThread([this] {
        updateLocationLists();
        toBoth([](MenuControllerProtocol& c) { c.setLoggedInState(); });
    });
}

void MenuService::setLoggedOutState() {
    onGuiThread([this] { toBoth([](MenuControllerProtocol& c) { c.setLoggedOutState(); }); });
}

void MenuService::updateGroupedLocations() {
    onGuiThread([this] { toBoth([](MenuControllerProtocol& c) { c.updateGroupedLocations(); }); });
}

void MenuService::updateConnectionState(SDVPNConnectionState state) {
    onGuiThread([this, state] {
        switch (state) {
        case SDVPNConnectionState::disconnected:
            toBoth([](MenuControllerProtocol& c) { c.setDisconnectedState(); });
            break;
        case SDVPNConnectionState::connected:
            toBoth([](MenuControllerProtocol& c) { c.setConnectedState(); });
            platform::DispatchQueue::main().async([this, alive = std::weak_ptr<bool>(m_alive)] {
                if (!alive.expired()) {
                    updateLocationLists();
                }
            });
            break;
        default:
            toBoth([](MenuControllerProtocol& c) { c.setConnectingState(); });
            break;
        }
    });
}

void MenuService::updateIPAddress(const PDPublicIPInfoPtr& info) {
    onGuiThread([this, info] { toBoth([&info](MenuControllerProtocol& c) { c.updateIPAddress(info); }); });
}

void MenuService::setUpgradeState() {
    onGuiThread([this] { toBoth([](MenuControllerProtocol& c) { c.setUpgradeState(); }); });
}

void MenuService::setDisconnectedState() {
    onGuiThread([this] { toBoth([](MenuControllerProtocol& c) { c.setDisconnectedState(); }); });
}

void MenuService::updateStatusView() {
    onGuiThread([this] { toStatusItem([](MenuControllerProtocol& c) { c.updateStatusView(); }); });
}

void MenuService::updateStatusOptions() {
    onGuiThread([this] { toStatusItem([](MenuControllerProtocol& c) { c.updateStatusOptions(); }); });
}

void MenuService::updateStatusOptionStates() {
    onGuiThread([this] { toStatusItem([](MenuControllerProtocol& c) { c.updateStatusOptionStates(); }); });
}

void MenuService::showProgressIndicator() {
    onGuiThread([this] { toStatusItem([](MenuControllerProtocol& c) { c.showProgressIndicator(); }); });
}

void MenuService::onAuthErrorRecieved() {
    vlog::print("MenuService: - onAuthErrorRecieved()");
    onGuiThread([this] { toStatusItem([](MenuControllerProtocol& c) { c.hideProgressIndicator(); }); });
}

void MenuService::updateTimeConnected(const platform::Notification& notification) {
    const QVariant value = notification.userInfo.value(QStringLiteral("timeConnected"));
    if (value.typeId() != QMetaType::QString) {
        return;
    }
    onGuiThread([this, time = value.toString()] {
        toBoth([&time](MenuControllerProtocol& c) { c.updateTimeConnected(time); });
    });
}

void MenuService::updateLocationLists() {
    onGuiThread([this] {
        const PDNetworksModelPtr networks = m_model.networks();
        m_publicLocations = networks ? networks->publicLocations() : QList<PDNetworkItemPtr>();
        m_privateLocations = networks ? networks->privateNetworks() : QList<PDNetworkItemPtr>();
        m_favoriteLocations = networks ? networks->favoriteLocations() : QList<PDNetworkItemPtr>();
        toBoth([](MenuControllerProtocol& c) { c.updateLocationLists(); });
        updateGroupedLocations();
    });
}

QMenu* MenuService::dockMenu() {
    auto* controller = dockMenuController();
    return controller && m_factories.dockMenuOf ? m_factories.dockMenuOf(*controller) : nullptr;
}

bool MenuService::isAppInUserAgentMode() const {
    return m_model.isAppInUserAgentMode();
}
bool MenuService::isDisconnectAllowed() const {
    return !VeltrixXPC::enableAlwaysON();
}
bool MenuService::isInForcedUpgradeState() const {
    return m_model.isInForcedUpgradeState();
}
PDNetworkItemPtr MenuService::currentNetwork() const {
    return m_model.currentNetwork();
}

QList<PDNetworkItemPtr> MenuService::groupedLocations() const {
    const PDNetworksModelPtr networks = m_model.networks();
    return networks ? networks->groupedNetworks() : QList<PDNetworkItemPtr>();
}

void MenuService::didSelectLocation(const PDNetworkItemPtr& location) {
    if (!location) {
        return;
    }
    auto* router = appRouter();
    if (VeltrixXPC::isForcedUpdateAvailable()) {
        if (router) {
            router->showUpdateSheet();
        }
    } else {
        m_model.setUseAutomaticNetwork(location->isAutomatic());
        if (router) {
            router->changeLocation(location);
        }
    }
    toStatusItem([](MenuControllerProtocol& c) { c.updateNetworkGroups(); });
}

void MenuService::signOut(QObject* sender) {
    std::optional<QString> title;
    if (auto* action = qobject_cast<QAction*>(sender)) {
        title = action->text();
    }
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(0, 20, std::nullopt, AnalyticsTrigger::menuItem(title), std::nullopt, std::nullopt));
    platform::DispatchQueue::main().asyncAfter(0.3, [this, alive = std::weak_ptr<bool>(m_alive)] {
        if (alive.expired()) {
            return;
        }
        if (auto* router = appRouter()) {
            router->showSignOutWindowLater();
        }
        closeQuickAccessWindow();
    });
}

void MenuService::minimize(QObject* /*sender*/) {
    if (auto* router = appRouter()) {
        router->enterBackgroundMode();
    }
}

void MenuService::showApplication(QObject* /*sender*/) {
    if (auto* router = appRouter()) {
        router->enterForegroundMode();
    }
}

void MenuService::signIn(QObject* /*sender*/) {
    if (auto* router = appRouter()) {
        router->enterForegroundMode();
        router->presentSignInWindow();
    }
}

void MenuService::openSupport(QObject* /*sender*/) {
    if (auto* router = appRouter()) {
        router->enterForegroundMode();
        router->activateApplication();
        router->showSupportTab();
    }
}

void MenuService::openSettings(QObject* /*sender*/) {
    if (auto* router = appRouter()) {
        router->enterForegroundMode();
        router->activateApplication();
        router->showSettingsTab();
    }
}

void MenuService::connect(QObject* sender) {
    auto* router = appRouter();
    if (!router) {
        return;
    }
    // While a forced update is pending the menus offer the update instead of a connection.
    if (m_model.isForcedUpdateAvailable()) {
        router->showUpdateSheet();
    } else {
        router->toggleConnection(sender);
    }
}
