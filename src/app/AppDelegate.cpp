// Start-up, what is shown first, reopen, termination and system events.
#include "app/AppDelegate.h"
#include "app/Composition.h"

#include "auth/AuthWelcomeController.h"
#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/LaunchAgentSetup.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/ShownWindows.h"
#include "core/SilentUpdateService.h"
#include "core/SystemInformation.h"
#include "diagnostics/AppExceptionReportingHelper.h"
#include "locations/LocationsSubController.h"
#include "locations/LocationsViewController.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/MainSubController.h"
#include "menus/DockMenuBarController.h"
#include "menus/MainMenuController.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUISignOutController.h"
#include "platform/Bundle.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/Storyboard.h"
#include "platform/UrlEvents.h"
#include "platform/UserDefaults.h"
#include "platform/WiFiSsidReader.h"
#include "platform/Workspace.h"
#include "remotelog/RemoteLog.h"
#include "sdk/VeltrixSDK.h"
#include "settings/SettingsContainerController.h"
#include "settings/SettingsGeneralController.h"
#include "settings/SettingsNetworkController.h"
#include "settings/SettingsProtocolController.h"
#include "settings/SupportSubController.h"
#include "toolkit/Accessibility.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/FocusRing.h"

#include <QLocale>

#include <cstdio>
#include <utility>

namespace {

template <class T>
std::unique_ptr<T> make(const char* storyboard, const char* identifier) {
    auto controller = platform::Storyboard::named(QString::fromLatin1(storyboard))
                          .instantiate<T>(QString::fromLatin1(identifier));
    if (!controller) {
        vlog::error(QStringLiteral("Missing controller %1 of storyboard %2").arg(identifier, storyboard));
    }
    return controller;
}

// Keeps a text from another process printable and short before it reaches the log.
QString sanitizedForLog(const QString& text, qsizetype limit = 256) {
    QString result;
    for (const QChar c : text.left(limit)) {
        result +=
            c.isPrint() ? QString(c) : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    if (text.size() > limit) {
        result += QStringLiteral("...");
    }
    return result;
}

// The start-at-login entry starts the installed client. A copy run from a build tree (scripts/run, the
// tests) would point the user's entry at that tree, so it leaves the entry alone.
bool keepsStartAtLoginEntry(const QString& step) {
    if (platform::Bundle::main().isInstalled()) {
        return true;
    }
    vlog::info(
        QStringLiteral("Not an installed client: %1 skipped, the start-at-login entry is left as it is")
            .arg(step));
    return false;
}

} // namespace

AppDelegate::AppDelegate() {
    composeClient();
    toolkit::installAccessibleControls();
    FocusRing::install();
    m_generalQAUIWindowViewController =
        make<QAUIMenuWindowController>("QAUIMenu", "QAUIMenuWindowController");
    m_welcomeWindowViewController = make<BaseWindowViewController>("OnBoardingN", "onBoardingWindowN");
    m_locationsWindowViewController = make<BaseWindowViewController>("Location", "locationWindow");
    m_generalWindowViewController = make<BaseWindowViewController>("General", "GeneralWindowController");
    m_mainSubController = make<MainSubController>("General", "MainSubController");
    // The SDK reports to the home tab from now on; its view loads once the tray item is up.
    if (m_mainSubController) {
        m_mainSubController->registerAsSDKDelegate();
    }
    m_locationsSubController = make<LocationsSubController>("Networks", "LocationsSubController");
    m_supportSubController = make<SupportSubController>("Support", "SupportSubController");
    m_settingsSubController = make<SettingsContainerController>("SettingsN", "SettingsContainerController");
    m_settingsGeneralSubController =
        make<SettingsGeneralController>("SettingsN", "SettingsGeneralController");
    m_settingsProtocolSubController =
        make<SettingsProtocolController>("SettingsN", "SettingsProtocolController");
    m_settingsNetworkSubController =
        make<SettingsNetworkController>("SettingsN", "SettingsNetworkController");
    m_authNewWindow = make<BaseWindowViewController>("Auth", "loginWelcomeWindowController");
    m_authNewWindow->onClosedByUser = [this] {
        if (auto* auth = authWelcomeController()) {
            auth->cancelSignIn();
        }
    };
    if (auto* auth = authWelcomeController()) {
        auth->registerAsLoginDelegate();
    }
    // A closed window gives back its native window, backing store and X upload buffer (2.1 MiB for the main
    // window); its widgets stay, and the next showing makes the rest again in a few milliseconds.
    for (BaseWindowViewController* window :
         {m_welcomeWindowViewController.get(), m_locationsWindowViewController.get(),
          m_generalWindowViewController.get(), m_authNewWindow.get()}) {
        if (window) {
            window->setReleasesNativeWindowWhenHidden(true);
        }
    }
    const std::pair<platform::WindowController*, const char*> windowNames[] = {
        {m_generalQAUIWindowViewController.get(), "Veltrix - Quick Access"},
        {m_welcomeWindowViewController.get(), "Veltrix - Welcome"},
        {m_locationsWindowViewController.get(), "Veltrix - Locations"},
        {m_generalWindowViewController.get(), "Veltrix - Home"},
        {m_authNewWindow.get(), "Veltrix - Sign in"}};
    for (const auto& [window, name] : windowNames) {
        if (window) {
            window->setAccessibleName(QString::fromLatin1(name));
        }
    }
    m_qaUISignOutController = std::make_unique<QAUISignOutController>();
    // The application menu's controller; on this platform nothing loads a main menu for us.
    m_mainMenuController = std::make_unique<MainMenuController>();

    if (m_mainSubController) {
        m_mainSubController->setReloadSelectedNetworkRow(
            [networks = QPointer(m_locationsSubController.get())] {
                if (networks) {
                    networks->reloadSelectedRow();
                }
            });
    }
    if (auto* general = generalViewController()) {
        general->setTabController(MainMenuBarTab::topTab(MainTopTab::home), m_mainSubController.get());
        general->setTabController(MainMenuBarTab::topTab(MainTopTab::networks),
                                  m_locationsSubController.get());
        general->setTabController(MainMenuBarTab::topTab(MainTopTab::support), m_supportSubController.get());
        general->setTabController(MainMenuBarTab::bottomTab(MainBottomTab::settings),
                                  m_settingsSubController.get());
    }
    if (m_settingsSubController) {
        m_settingsSubController->setPages(m_settingsGeneralSubController.get(),
                                          m_settingsNetworkSubController.get(),
                                          m_settingsProtocolSubController.get());
    }
}

AppDelegate::~AppDelegate() {
    for (const auto& connection : m_workspaceConnections) {
        QObject::disconnect(connection);
    }
    if (VeltrixXPC::dataLoadingDelegate() == this) {
        VeltrixXPC::setDataLoadingDelegate(nullptr);
    }
    if (VeltrixXPC::connectivityDelegate() == this) {
        VeltrixXPC::setConnectivityDelegate(nullptr);
    }
    if (VeltrixXPC::helperToolInstallDelegate() == this) {
        VeltrixXPC::setHelperToolInstallDelegate(nullptr);
    }
    if (olderUserNotificationCenter().delegate() == this) {
        olderUserNotificationCenter().setDelegate(nullptr);
    }
}

AppDelegate* AppDelegate::shared() {
    auto* application = platform::Application::instance();
    return application ? dynamic_cast<AppDelegate*>(application->delegate()) : nullptr;
}

LocationsViewController* AppDelegate::locationsViewController() const {
    if (!m_locationsWindowViewController) {
        return nullptr;
    }
    return dynamic_cast<LocationsViewController*>(m_locationsWindowViewController->contentViewController());
}

AuthWelcomeController* AppDelegate::authWelcomeController() const {
    if (!m_authNewWindow) {
        return nullptr;
    }
    return dynamic_cast<AuthWelcomeController*>(m_authNewWindow->contentViewController());
}

GeneralViewController* AppDelegate::generalViewController() const {
    if (!m_generalWindowViewController) {
        return nullptr;
    }
    return dynamic_cast<GeneralViewController*>(m_generalWindowViewController->contentViewController());
}

void AppDelegate::later(double seconds, std::function<void()> step) {
    platform::DispatchQueue::main().asyncAfter(seconds,
                                               [self = QPointer<AppDelegate>(this), step = std::move(step)] {
                                                   if (self) {
                                                       step();
                                                   }
                                               });
}

// MARK: launch

void AppDelegate::applicationWillFinishLaunching() {
    platform::UrlEvents::shared().setUrlHandler([self = QPointer<AppDelegate>(this)](const QUrl& url) {
        if (self) {
            self->processUrl(url);
        }
    });
    QAUINotifier::setUpNotificationCenterDelegate();
}

void AppDelegate::applicationDidFinishLaunching() {
    vlog::debug(QStringLiteral("applicationDidFinishLaunching"));
    const auto& bundle = platform::Bundle::main();
    vlog::info(QStringLiteral("Application version ") + GlobalConstants::bundleShortVersion() + "." +
               GlobalConstants::bundleVersion() + QStringLiteral(", run path: ") + bundle.bundlePath());
    initUncaughtExceptionsHandling();
    wrapMainProcessingWithExceptionHandling([this] {
        if (!conflictingCopyRuns()) {
            loadInitialState();
            return;
        }
        // A copy started just before this one may have lost the race for the single-instance lock: it
        // hands over or leaves within the launch hand-over's patience. Only a copy still there conflicts.
        later(platform::UrlEvents::claimPatienceSeconds + 0.5, [this] {
            checkForConflictingInstances();
            if (!m_forceTerminate) {
                loadInitialState();
            }
        });
    });
}

void AppDelegate::loadInitialState() {
    // The completion may come on the SDK's thread; the start-up steps build windows, so they run on the GUI
    // thread.
    VeltrixXPC::getInitialState([self = QPointer<AppDelegate>(this)] {
        platform::DispatchQueue::main().async([self] {
            if (self) {
                self->onInitialStateLoaded();
            }
        });
    });
}

void AppDelegate::onInitialStateLoaded() {
    configureEndpointFromArguments(QCoreApplication::arguments());
    // The SDK reports from its set-up on: its delegates come first.
    VeltrixXPC::setDataLoadingDelegate(this);
    VeltrixXPC::setConnectivityDelegate(this);
    VeltrixXPC::setup(m_endpointConfig);
    VeltrixXPC::setup(platform::Bundle::main().bundlePath());
    // Everything below reads the preferences.
    registerUserDefaults();
    runUserAgentScripts();
    ensureLaunchAgentRunAtLoad();
    setAppLaunchedFirstTime();
    VeltrixXPC::setHelperToolInstallDelegate(this);
    installConnectionStateCallback();
    setUpMainMenu();
    // The tray shows the disconnected state before the service layer can report anything.
    onConnectionStatusChanges(SDVPNConnectionState::disconnected);
    loadSignInScreenAfterTheTrayItem();
    attachDockMenuToStatusItem();
    closeQuickAccessWindowOnSignOut();
    ServiceLayer::shared().setup();
    addWorkspaceObservers();
    olderUserNotificationCenter().setDelegate(this);
    if (ServiceLayer::appModel().startMinimized()) {
        enterBackgroundMode();
    }
    activateRemoteLog();
    // A report a crash left on disk goes out now, by an ordinary request.
    AppExceptionReportingHelper::sendPendingReports();
    enterBackgroundMode();
    updateLoggedInStateUI();
    QAUINotifier::hideNotifications();
    observeProtocolFilters();
    for (const QUrl& url : std::exchange(m_urlsBeforeLaunch, std::nullopt).value_or(QList<QUrl>())) {
        processUrl(url);
    }
}

void AppDelegate::loadSignInScreenAfterTheTrayItem() {
    // Signed out, the sign-in screen shows soon; signed in, it is made when a sign-in needs it. The home
    // tab's view is made when the main window first shows it.
    if (auto* auth = authWelcomeController(); auth && !VeltrixXPC::isLoggedIn()) {
        auth->view();
    }
}

void AppDelegate::registerUserDefaults() {
    platform::UserDefaults::standard().registerDefaults(SettingsUserDefaults::registeredDefaults());
    platform::UserDefaultsController::shared().setAppliesImmediately(false);
}

void AppDelegate::runUserAgentScripts() {
    if (!keepsStartAtLoginEntry(QStringLiteral("the launch-agent scripts"))) {
        return;
    }
    LaunchAgentSetup::queue().async(
        [setup = LaunchAgentSetup(lauchdPlistName)] { setup.runUserAgentScripts(); });
}

void AppDelegate::ensureLaunchAgentRunAtLoad() {
    if (!keepsStartAtLoginEntry(QStringLiteral("the RunAtLoad check"))) {
        return;
    }
    // Queued behind the scripts, so a first launch finds the entry they created.
    LaunchAgentSetup::queue().async([setup = LaunchAgentSetup(lauchdPlistName)] { setup.ensureRunAtLoad(); });
}

void AppDelegate::setLaunchAgentRunAtLoad() {
    if (!keepsStartAtLoginEntry(QStringLiteral("setting RunAtLoad"))) {
        return;
    }
    LaunchAgentSetup::queue().async([setup = LaunchAgentSetup(lauchdPlistName)] { setup.setRunAtLoad(); });
}

void AppDelegate::setAppLaunchedFirstTime() {
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(SettingsUserDefaults::appLaunchedFirstTime, true);
    defaults.synchronize();
}

void AppDelegate::installConnectionStateCallback() {
    ServiceLayer::appModel().setOnCurrentConnectionStateUpdated(
        [this](SDVPNConnectionState state) { onConnectionStatusChanges(state); }, this);
}

void AppDelegate::setUpMainMenu() {
    if (!m_mainMenuController) {
        vlog::error(QStringLiteral("The application menu's controller is missing; its titles stay unset"));
        return;
    }
    m_mainMenuController->updateMenuTitles();
    // No menu bar shows the application menu: its keys work in every window of the client.
    QObject::connect(m_mainMenuController->appHideMenu(), &QAction::triggered, this,
                     [this] { hideApplication(); });
    QObject::connect(m_mainMenuController->appQuitMenu(), &QAction::triggered, this, [] {
        if (auto* running = platform::Application::instance()) {
            running->terminate();
        }
    });
    QObject::connect(m_mainMenuController->appHelpMenu(), &QAction::triggered, this,
                     [] { ServiceLayer::shared().menuService().openSupport(nullptr); });
    if (auto* app = platform::Application::instance()) {
        for (QAction* item : m_mainMenuController->shortcutItems()) {
            app->addWindowAction(item);
        }
    }
}

void AppDelegate::hideApplication() {
    // The quick-access window closes as on any other way out; the other windows come back together later.
    if (m_generalQAUIWindowViewController && isMenuWindowShown()) {
        m_generalQAUIWindowViewController->close();
    }
    if (auto* app = platform::Application::instance()) {
        app->hide();
    }
}

void AppDelegate::addWorkspaceObservers() {
    auto& workspace = platform::Workspace::shared();
    // Direct connections: the sleep delay is released as soon as the will-sleep signal returns.
    m_workspaceConnections.push_back(QObject::connect(
        &workspace, &platform::Workspace::willPowerOff, this, [this] { onMacIsGoingToShutdownOrReboot(); },
        Qt::DirectConnection));
    m_workspaceConnections.push_back(QObject::connect(
        &workspace, &platform::Workspace::willSleep, this, [this] { onAppIsAboutToEnterSleepMode(); },
        Qt::DirectConnection));
    m_workspaceConnections.push_back(QObject::connect(
        &workspace, &platform::Workspace::didWake, this, [this] { onAppIsAboutToAwakeFromSleepMode(); },
        Qt::DirectConnection));
    if (!workspace.isObservingPower()) {
        workspace.startObservingPower();
    }
    // The Wi-Fi network the trusted-networks list offers; tests give the reader a bus of their own first.
    auto& wifi = platform::WiFiSsidReader::shared();
    if (!wifi.isStarted()) {
        wifi.start(QDBusConnection::systemBus());
    }
}

void AppDelegate::activateRemoteLog() {
    vlog::info(QStringLiteral("RemoteLog activated"));
    RemoteLog::activateLogger(remoteLogApplicationKey);
    RemoteLog::setForceEnabled(true);
}

void AppDelegate::observeProtocolFilters() {
    m_protocolFiltersObserver = platform::DistributedNotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ProtocolFiltersNotification"), [this](const platform::Notification& notification) {
            onProtocolFiltersNotification(notification.userInfo);
        });
}

void AppDelegate::closeQuickAccessWindowOnSignOut() {
    ServiceLayer::shared().menuService().setCloseQuickAccessWindow([self = QPointer<AppDelegate>(this)] {
        if (self && self->m_generalQAUIWindowViewController && isMenuWindowShown()) {
            self->m_generalQAUIWindowViewController->close();
        }
    });
}

bool AppDelegate::conflictingCopyRuns() const {
    return m_conflictingInstancesCheck ? m_conflictingInstancesCheck()
                                       : ServiceLayer::shared().isConflictingAppsRunning();
}

void AppDelegate::checkForConflictingInstances() {
    if (conflictingCopyRuns()) {
        // Said plainly to whoever started this copy, besides the log.
        std::fputs("Another copy of the client is already running for this user; this copy quits.\n", stderr);
        vlog::error(QStringLiteral("Found conflicting app running => terminating"));
        m_forceTerminate = true;
        terminateApplication();
    }
}

// MARK: what is shown first

bool AppDelegate::isShowWelcomePage() const {
    return platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showWelcomePage) ||
           GlobalConstants::forceWelcomePage;
}

void AppDelegate::updateLoggedInStateUI() {
    vlog::debug(QStringLiteral("updateLoggedInStateUI"));
    if (VeltrixXPC::isLoggedIn()) {
        vlog::debug(QStringLiteral("isLoggedIn = true"));
        onLoadApplicationDataFinished();
        later(0.5, [this] {
            if (m_mainSubController) {
                m_mainSubController->updateUIForConnectionState();
            }
        });
        return;
    }
    vlog::debug(QStringLiteral("isLoggedIn = false"));
    showWelcomeOrSignInWindow();
    const bool welcome = isShowWelcomePage();
    vlog::debug(QStringLiteral("self.isShowWelcomePage() = ") + (welcome ? "true" : "false"));
    if (welcome) {
        vlog::debug(QStringLiteral("stop animation from AppDelegate in else !self.isShowWelcomePage"));
        platform::DispatchQueue::main().async(
            [] { ServiceLayer::shared().menuService().onAuthErrorRecieved(); });
        return;
    }
    VeltrixXPC::shouldLaunchFastLogin([self = QPointer<AppDelegate>(this)](bool shouldLaunch) {
        if (shouldLaunch && !VeltrixXPC::isLoggedIn()) {
            if (VeltrixXPC::softLogoutPerformed()) {
                VeltrixXPC::startFastLogInIfPossible();
            }
            vlog::debug(QStringLiteral("launch animation from AppDelegate after shouldLaunchFastLogin"));
            platform::DispatchQueue::main().async([self] {
                ServiceLayer::shared().menuService().showProgressIndicator();
                if (self) {
                    if (auto* auth = self->authWelcomeController()) {
                        auth->checkFastLogin();
                    }
                }
            });
            return;
        }
        vlog::debug(QStringLiteral("stop animation from AppDelegate in shouldLaunchFastLogin"));
        platform::DispatchQueue::main().async(
            [] { ServiceLayer::shared().menuService().onAuthErrorRecieved(); });
    });
}

// MARK: reopen, Dock menu, termination

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    // After a notification's action the quick-access window answers, from the tray; without a tray the
    // windows come forward as on any reopen.
    if (std::exchange(openedFromNotification, false) && isInTray()) {
        if (!isMenuWindowShown() && !isWindowOpened() && m_generalQAUIWindowViewController) {
            m_generalQAUIWindowViewController->showWindow();
        }
        return true;
    }
    if (!hasVisibleWindows) {
        if (auto* current = m_currentWindowController) {
            auto* content = current->contentViewController();
            if (!content) {
                current->showWindow();
            } else if (dynamic_cast<GeneralViewController*>(content)) {
                if (isWindowOpened() && m_generalWindowViewController) {
                    m_generalWindowViewController->showWindow();
                }
            } else if (dynamic_cast<AuthWelcomeController*>(content)) {
                if (m_authNewWindow) {
                    m_authNewWindow->showWindow();
                }
            } else {
                current->showWindow();
            }
            auto& model = ServiceLayer::appModel();
            if (model.startMinimized()) {
                model.setStartMinimized(false);
            }
        }
        if (auto* locations = locationsViewController()) {
            locations->appDidReopen();
        }
        if (m_mainSubController) {
            m_mainSubController->appDidReopen();
        }
    }
    if (m_transitionBaseWindowToForeground) {
        m_transitionBaseWindowToForeground = false;
    } else {
        enterForegroundMode();
    }
    return true;
}

QMenu* AppDelegate::applicationDockMenu() {
    return ServiceLayer::shared().menuService().dockMenu();
}

void AppDelegate::attachDockMenuToStatusItem() {
    // There is no Dock: its menu is the tray icon's context menu, which follows each switch of the menu.
    auto& menus = ServiceLayer::shared().menuService();
    auto* status = dynamic_cast<StatusItemController*>(menus.statusItemController());
    if (!status || !status->statusItem()) {
        return;
    }
    QPointer<platform::StatusItem> item = status->statusItem();
    item->setMenu(applicationDockMenu());
    if (auto* dock = dynamic_cast<DockMenuBarController*>(menus.dockMenuController())) {
        dock->setDockMenuChanged([item](QMenu* menu) {
            if (item) {
                item->setMenu(menu);
            }
        });
    }
}

platform::TerminateReply AppDelegate::applicationShouldTerminate() {
    if (m_forceTerminate) {
        vlog::error(QStringLiteral("Forced app terminate!"));
        return platform::TerminateReply::terminateNow;
    }
    if (m_currentWindowController && m_currentWindowController->isWindowVisible()) {
        m_currentWindowController->close();
    }
    return isSystemQuitReason() ? platform::TerminateReply::terminateNow
                                : platform::TerminateReply::terminateCancel;
}

void AppDelegate::applicationWillTerminate() {
    // Every notification the client posted goes, from both centres.
    olderUserNotificationCenter().removeAllDeliveredNotifications();
    QAUINotifier::center().removeAllDeliveredNotifications();
    QAUINotifier::center().removeAllPendingNotificationRequests();
    vlog::print(QStringLiteral("applicationWillTerminate complitely finished."));
}

// MARK: activation and system events

void AppDelegate::applicationDidBecomeActive() {
    vlog::debug(QStringLiteral("applicationWillBecomeActive"));
    if (auto* locations = locationsViewController()) {
        locations->appWillBecomeActive();
    }
    if (m_mainSubController) {
        m_mainSubController->appWillBecomeActive();
    }
}

void AppDelegate::applicationDidResignActive() {
    vlog::debug(QStringLiteral("applicationDidResignActive"));
    if (auto* locations = locationsViewController()) {
        locations->appDidResignActive();
    }
    if (m_mainSubController) {
        m_mainSubController->appDidResignActive();
    }
}

void AppDelegate::onMacIsGoingToShutdownOrReboot() {
    terminateApplication();
}

void AppDelegate::onAppChangeActiveWorkspace() {}

void AppDelegate::onAppIsAboutToEnterSleepMode() {
    const QString now = QLocale().toString(platform::Scheduler::shared().currentDate());
    vlog::print(now + QStringLiteral(" onAppIsAboutToEnterSleepMode()"));
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(0, 18, std::nullopt, AnalyticsTrigger::none(), std::nullopt, std::nullopt));
    if (VeltrixXPC::isSilentUpdateAvailable()) {
        ServiceLayer::shared().silentUpdateService().startUnaskedUpdate();
    }
}

void AppDelegate::onAppIsAboutToAwakeFromSleepMode() {
    const QString now = QLocale().toString(platform::Scheduler::shared().currentDate());
    vlog::print(now + QStringLiteral(" onAppIsAboutToAwakeFromSleepMode()"));
    VeltrixXPC::prepareToAwakeFromSleepMode();
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(0, 19, std::nullopt, AnalyticsTrigger::none(), std::nullopt, std::nullopt));
}

void AppDelegate::onProtocolFiltersNotification(const QVariantMap& userInfo) {
    // Any process may post this: only well-typed entries count, and their texts are made safe to log.
    const QVariant id = userInfo.value(QStringLiteral("id"));
    const QVariant appId = userInfo.value(QStringLiteral("appId"));
    const QVariant type = userInfo.value(QStringLiteral("type"));
    const QVariant data = userInfo.value(QStringLiteral("data"));
    const auto isInteger = [](const QVariant& value) {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return true;
        default:
            return false;
        }
    };
    if (!isInteger(id) || appId.typeId() != QMetaType::QString || type.typeId() != QMetaType::QString ||
        data.typeId() != QMetaType::QByteArray) {
        return;
    }
    const QString typeText = type.toString();
    if (!typeText.contains(QLatin1String("http"))) {
        return;
    }
    vlog::debug(QStringLiteral("ProtocolFilters: app=") + sanitizedForLog(appId.toString()) +
                QStringLiteral(", flowId=") + QString::number(id.toLongLong()) + QStringLiteral(", type=") +
                sanitizedForLog(typeText) + QStringLiteral(", data.length=") +
                QString::number(data.toByteArray().size()));
}
