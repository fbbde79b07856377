// Which window is on screen, foreground and background mode, and the commands the router hands on.
#include "app/Alerts.h"
#include "app/AppDelegate.h"

#include "auth/AuthWelcomeController.h"
#include "core/ApplicationModel.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "core/ShownWindows.h"
#include "locations/LocationsSubController.h"
#include "locations/LocationsViewController.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/MainSubController.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUISignOutController.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "sdk/VeltrixSDK.h"
#include "settings/SettingsContainerController.h"
#include "settings/SettingsGeneralController.h"
#include "settings/SettingsNetworkController.h"
#include "settings/SettingsProtocolController.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/BaseWindowViewController.h"

bool AppDelegate::isCurrent(const BaseWindowViewController* controller) const {
    return controller && m_currentWindowController == controller;
}

// A window may appear only while neither "start minimized" nor background mode is in force; otherwise it
// stays hidden, yet still becomes current so that the next foreground switch or reopen brings it up.
void AppDelegate::showWindowOrOrderOut(BaseWindowViewController* controller, bool mayShow) {
    if (!controller) {
        return;
    }
    if (mayShow) {
        controller->showWindow();
    } else {
        controller->orderOut();
    }
}

static bool windowsMayAppear() {
    const auto& model = ServiceLayer::appModel();
    return !model.startMinimized() && !model.isAppInUserAgentMode();
}

void AppDelegate::showWelcomeWindow() {
    showWindowOrOrderOut(m_welcomeWindowViewController.get(), windowsMayAppear());
    if (m_generalQAUIWindowViewController) {
        m_generalQAUIWindowViewController->showOnboardingPage();
    }
    m_currentWindowController = m_welcomeWindowViewController.get();
}

void AppDelegate::showSignInWindow() {
    const bool mayShow = windowsMayAppear();
    if (mayShow && m_authNewWindow) {
        centerOnScreen(m_authNewWindow->window(), 0);
    }
    showWindowOrOrderOut(m_authNewWindow.get(), mayShow);
    if (m_generalQAUIWindowViewController) {
        m_generalQAUIWindowViewController->showLoggedOutPage();
    }
    m_currentWindowController = m_authNewWindow.get();
}

void AppDelegate::showMainWindow() {
    auto* main = m_generalWindowViewController.get();
    observeWindowClosing(main);
    const bool minimized = main && main->isWindowLoaded() && main->window()->isMinimized();
    showWindowOrOrderOut(main, windowsMayAppear() && !minimized);
    if (m_generalQAUIWindowViewController) {
        m_generalQAUIWindowViewController->showLoggedInPage();
    }
    ServiceLayer::shared().menuService().showMenu();
    m_currentWindowController = main;
    if (auto* locations = locationsViewController()) {
        locations->appWindowDidShow();
    }
    if (m_mainSubController) {
        m_mainSubController->registerAsSDKDelegate();
    }
}

void AppDelegate::showWelcomeOrSignInWindow() {
    if (isShowWelcomePage()) {
        showWelcomeWindow();
    } else {
        showSignInWindow();
    }
}

void AppDelegate::closeMainWindow() {
    if (m_generalWindowViewController && m_generalWindowViewController->isWindowLoaded()) {
        m_generalWindowViewController->close();
    }
}

void AppDelegate::closeWelcomeWindow() {
    if (m_welcomeWindowViewController && m_welcomeWindowViewController->isWindowLoaded()) {
        m_welcomeWindowViewController->close();
    }
}

void AppDelegate::closeSignInWindow() {
    if (m_authNewWindow && m_authNewWindow->isWindowLoaded()) {
        m_authNewWindow->close();
    }
}

void AppDelegate::closeAppWindows() {
    closeMainWindow();
    closeWelcomeWindow();
    closeSignInWindow();
}

void AppDelegate::observeWindowClosing(BaseWindowViewController* controller) {
    if (!controller) {
        return;
    }
    controller->onWindowClosedNotification = [self = QPointer<AppDelegate>(this), controller] {
        if (self) {
            self->onWindowIsAboutToBeClosed(controller);
        }
    };
}

void AppDelegate::onWindowIsAboutToBeClosed(BaseWindowViewController* controller) {
    vlog::debug(QStringLiteral("onWindowIsAboutToBeClosedNotification executed"));
    m_currentWindowController = controller;
    if (controller == m_generalWindowViewController.get() && m_mainSubController) {
        m_mainSubController->mainWindowWillClose();
    }
}

void AppDelegate::onConnectionStatusChanges(SDVPNConnectionState state) {
    ServiceLayer::shared().menuService().updateConnectionState(state);
    switch (state) {
    case SDVPNConnectionState::connecting:
        return;
    case SDVPNConnectionState::disconnected:
    case SDVPNConnectionState::connected:
        if (m_settingsSubController) {
            m_settingsSubController->refreshEmbeddedPage();
        }
        return;
    default:
        vlog::debug(QStringLiteral("onConnectionStatusChanges -- default switch case: ") +
                    QString::number(static_cast<int>(state)));
        return;
    }
}

void AppDelegate::notifyAppModeChange() {
    // Observers may add observers; run those that were there when the switch happened.
    const auto observers = m_appModeChangeNotification;
    for (const auto& observer : observers) {
        observer();
    }
}

void AppDelegate::refreshDock() {} // there is no Dock on this platform

void AppDelegate::clearStartMinimized() {
    ServiceLayer::appModel().setStartMinimized(false);
}

// MARK: router requirements

QString AppDelegate::signUpLink() const {
    return VeltrixXPC::appConfig().signUpLink;
}

void AppDelegate::leaveWelcomePage() {
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(SettingsUserDefaults::showWelcomePage, false);
    // The sign-in window comes up first: closing the last window would send the client to the tray.
    showSignInWindow();
    closeWelcomeWindow();
    updateLoggedInStateUI();
    later(0.3, [] { ServiceLayer::shared().menuService().showMenu(); });
}

void AppDelegate::showUpdateAvailableBannerLater() {
    runOnMainQueue(4000, [self = QPointer<AppDelegate>(this)] {
        if (self && self->m_mainSubController) {
            self->m_mainSubController->showUpdateAvailableMessage();
        }
    });
}

void AppDelegate::presentSignInWindow() {
    ServiceLayer::appModel().setStartMinimized(false);
    if (m_welcomeWindowViewController && m_welcomeWindowViewController->isWindowVisible()) {
        // Asked to sign in over the welcome pages: the sign-in window takes their place, as their own Sign
        // In does, rather than opening over them.
        leaveWelcomePage();
        return;
    }
    showSignInWindow();
}

void AppDelegate::showSignOutWindowLater() {
    // Asked from the quick-access window, which closes meanwhile: a cancel opens it again.
    const bool fromQuickAccess = isMenuWindowShown();
    later(0.5, [this, fromQuickAccess] {
        if (!m_qaUISignOutController) {
            return;
        }
        m_qaUISignOutController->show([this, fromQuickAccess] {
            if (fromQuickAccess && m_generalQAUIWindowViewController &&
                !m_generalQAUIWindowViewController->isWindowVisible()) {
                m_generalQAUIWindowViewController->toggleMenu(nullptr);
            }
        });
    });
}

void AppDelegate::enableVPNSettingsChanging() {
    ServiceLayer::appModel().setVpnSettingsChangingDisabled(false);
}

bool AppDelegate::logoutIfGeneralWindowIsCurrent() {
    if (!isCurrent(m_generalWindowViewController.get())) {
        return false;
    }
    performLogout();
    return true;
}

void AppDelegate::showUpdateSheet() {
    enterForegroundMode();
    if (m_mainSubController) {
        m_mainSubController->showAutoUpdateSheet(
            m_generalWindowViewController ? m_generalWindowViewController->window() : nullptr);
    }
}

void AppDelegate::enterForcedUpdateState() {
    if (m_mainSubController) {
        vlog::debug(QStringLiteral("enterForcedUpdateState: ") +
                    m_mainSubController->metaObject()->className());
        m_mainSubController->enterForcedUpdateState();
    }
    if (m_locationsSubController) {
        m_locationsSubController->showForcedUpdateState();
    }
    if (auto* locations = locationsViewController()) {
        locations->showForcedUpdateState();
    }
}

void AppDelegate::leaveForcedUpdateState() {
    if (m_mainSubController) {
        vlog::debug(QStringLiteral("leaveForcedUpdateState: ") +
                    m_mainSubController->metaObject()->className());
        m_mainSubController->leaveForcedUpdateState();
    }
    if (m_locationsSubController) {
        m_locationsSubController->hideForcedUpdateState();
    }
    if (auto* locations = locationsViewController()) {
        locations->hideForcedUpdateState();
    }
}

void AppDelegate::showLocationsWindow() {
    BaseWindowViewController* controller = m_locationsWindowViewController.get();
    if (!controller) {
        return;
    }
    controller->showWindow();
    controller->window()->raise();
    controller->window()->activateWindow();
    if (auto* locations = locationsViewController()) {
        locations->appWindowDidShow();
    }
}

void AppDelegate::resetLocationsHover() {
    if (auto* locations = locationsViewController()) {
        locations->resetTableHover();
    }
}

void AppDelegate::refreshMenuLocations() {
    ServiceLayer::shared().menuService().updateGroupedLocations();
}

void AppDelegate::reloadNetworks(const PDNetworksModelPtr& networks) {
    if (auto* locations = locationsViewController()) {
        locations->setDataObject(networks);
    }
    if (m_locationsSubController) {
        m_locationsSubController->updateNetworks(networks);
    }
}

void AppDelegate::setupMenuBarMenu() {
    vlog::debug(QStringLiteral("setupMenuBarMenu()"));
    ServiceLayer::shared().menuService().setLoggedInState();
}

void AppDelegate::showSignInError(const QString& title, const QString& message) {
    if (auto* auth = authWelcomeController()) {
        auth->showError(title, message);
    }
}

void AppDelegate::showSettingsTab() {
    showMainWindowTab(MainMenuBarTab::bottomTab(MainBottomTab::settings));
}

void AppDelegate::openAutoUpdate() {
    if (m_settingsGeneralSubController) {
        m_settingsGeneralSubController->openAutoUpdate();
    }
}

void AppDelegate::showSupportTab() {
    showMainWindowTab(MainMenuBarTab::topTab(MainTopTab::support));
}

// Asked from another window (the locations window, the menus): the main window comes to the front on
// that tab, reopened when it was closed. Signed out there is no main window to show.
void AppDelegate::showMainWindowTab(const MainMenuBarTab& tab) {
    BaseWindowViewController* main = m_generalWindowViewController.get();
    if (!main || !isCurrent(main)) {
        return;
    }
    leaveBackgroundMode();
    main->showWindow();
    if (QWidget* window = main->window()) {
        window->showNormal();
        platform::Application::activateWindow(window);
    }
    if (auto* general = generalViewController()) {
        general->selectTab(tab);
    }
}

void AppDelegate::showHomeTab() {
    platform::DispatchQueue::main().async([self = QPointer<AppDelegate>(this)] {
        if (!self) {
            return;
        }
        if (auto* general = self->generalViewController()) {
            general->selectTab(MainMenuBarTab::topTab(MainTopTab::home));
        }
    });
}

void AppDelegate::toggleConnection(QObject* sender) {
    if (m_mainSubController) {
        m_mainSubController->connectToVPN(sender);
    }
}

void AppDelegate::changeLocation(const PDNetworkItemPtr& location) {
    if (!location) {
        return;
    }
    showHomeTab();
    if (VeltrixXPC::isConnectedToVPN()) {
        const auto current = VeltrixXPC::currentNetwork();
        if (current && current->id() && location->id() && *current->id() == *location->id()) {
            return;
        }
    }
    selectCurrentNetwork(location);
    if (VeltrixXPC::connectionState() != SDVPNConnectionState::disconnected) {
        if (const auto& config = location->vpnConfiguration()) {
            VeltrixXPC::connectToAnotherLocation(*config);
        }
        return;
    }
    toggleConnection(this);
}

void AppDelegate::selectCurrentNetwork(const PDNetworkItemPtr& network) {
    VeltrixXPC::setCurrentNetwork(network);
    later(0.3, [this, network] {
        if (m_mainSubController) {
            m_mainSubController->showNetwork(network);
        }
    });
}

void AppDelegate::disconnectFromVPN() {
    if (m_mainSubController) {
        m_mainSubController->performIntentionalDisconnect();
    }
}

void AppDelegate::enterBackgroundMode() {
    ServiceLayer::appModel().setIsAppInUserAgentMode(true);
    MakeAppBackground();
    // The client's windows leave the screen for the tray; without a tray they are all the client has. A
    // sign-in window showing a sign-in under way stays: the main window takes its place when it is done.
    if (isInTray()) {
        const bool signingIn = authWelcomeController() && authWelcomeController()->isSigningIn();
        for (BaseWindowViewController* window :
             {m_welcomeWindowViewController.get(), m_authNewWindow.get(), m_generalWindowViewController.get(),
              m_locationsWindowViewController.get()}) {
            if (window && !(signingIn && window == m_authNewWindow.get())) {
                window->orderOut();
            }
        }
    }
    notifyAppModeChange();
}

bool AppDelegate::isInTray() const {
    return platform::StatusBar::system().isTrayPresent();
}

void AppDelegate::leaveBackgroundMode() {
    ServiceLayer::appModel().setIsAppInUserAgentMode(false);
    MakeAppForeground();
    notifyAppModeChange();
}

void AppDelegate::enterForegroundMode() {
    leaveBackgroundMode();
    if (m_currentWindowController) {
        m_currentWindowController->showWindow();
    }
    if (m_generalQAUIWindowViewController) {
        m_generalQAUIWindowViewController->close();
    }
}

void AppDelegate::addAppModeChangeObserver(std::function<void()> observer) {
    m_appModeChangeNotification.push_back(std::move(observer));
}

void AppDelegate::activateApplication() {
    if (ServiceLayer::appModel().isAppInUserAgentMode()) {
        return;
    }
    if (auto* application = platform::Application::instance()) {
        application->activate(true);
    }
}

void AppDelegate::showL2TPNoLongerAvailableAlertLater() {
    runOnMainQueue(4000, [self = QPointer<AppDelegate>(this)] {
        if (!self) {
            return;
        }
        // A sheet on the main window when it is on screen; else a window of its own, so that the notice
        // reaches the person even before the main window was ever loaded.
        auto* main = self->m_generalWindowViewController.get();
        const bool onMainWindow = main && main->isWindowLoaded() && main->window()->isVisible();
        alerts::makeL2tpNoLongerAvailable(onMainWindow ? main->window() : nullptr)->open();
    });
}

void AppDelegate::terminateApplication() {
    if (auto* application = platform::Application::instance()) {
        application->terminate();
    }
}

void AppDelegate::showAccountExpired() {
    if (auto* auth = authWelcomeController()) {
        auth->showAccountExpired();
    }
}

void AppDelegate::openURL(const QUrl& url) {
    platform::Workspace::shared().openURL(url);
}

void AppDelegate::openAppConfigURL() {
    // The link comes from the workspace's configuration: only web pages and mail are opened.
    const QUrl url(VeltrixXPC::appConfig().supportLink);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("mailto"))) {
        vlog::warning(QStringLiteral("Refused to open the configuration's link with scheme ") + scheme);
        return;
    }
    openURL(url);
}

void AppDelegate::showSignOutWindow() {
    // Asked from the main window, which has closed: a cancel brings it back.
    if (m_qaUISignOutController) {
        m_qaUISignOutController->show([this] { enterForegroundMode(); });
    }
}

void AppDelegate::closeOtherWindows() {
    for (BaseWindowViewController* window :
         {m_generalWindowViewController.get(), m_welcomeWindowViewController.get(), m_authNewWindow.get()}) {
        if (window && window->isWindowVisible()) {
            window->close();
        }
    }
}

void AppDelegate::closeSignOutWindow() {
    if (m_qaUISignOutController) {
        m_qaUISignOutController->close();
    }
}
