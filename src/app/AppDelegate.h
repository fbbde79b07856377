#pragma once

#include "core/AppRouterProtocol.h"
#include "core/ExceptionHandlingObject.h"
#include "menus/StatusItemController.h"
#include "platform/Application.h"
#include "platform/NotificationObservers.h"
#include "platform/UserNotificationCenter.h"
#include "sdk/Delegates.h"
#include "sdk/PDTypes.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AuthWelcomeController;
class BaseWindowViewController;
class GeneralViewController;
class LocationsSubController;
class LocationsViewController;
class MainMenuBarTab;
class MainMenuController;
class MainSubController;
class QAUIMenuWindowController;
class QAUISignOutController;
class SettingsContainerController;
class SettingsGeneralController;
class SettingsNetworkController;
class SettingsProtocolController;
class SupportSubController;

// The spine of the client: owns every window controller, runs start-up, decides what is shown, routes
// between the windows and answers the SDK's data-loading, connectivity and helper-tool callbacks.
class AppDelegate : public QObject,
                    public ExceptionHandlingObject,
                    public platform::ApplicationDelegate,
                    public platform::UserNotificationCenterDelegate,
                    public AppRouterProtocol,
                    public PDDataLoadingDelegate,
                    public SDConnectivityDelegate,
                    public SDHelperToolInstallDelegate,
                    public QAUIMenuWindowOwner {
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;

    // The application's delegate as an AppDelegate; null when it is something else.
    static AppDelegate* shared();

    // Application lifecycle.
    void applicationWillFinishLaunching() override;
    void applicationDidFinishLaunching() override;
    platform::TerminateReply applicationShouldTerminate() override;
    void applicationWillTerminate() override;
    bool applicationShouldHandleReopen(bool hasVisibleWindows) override;
    void applicationDidBecomeActive() override;
    void applicationDidResignActive() override;
    QMenu* applicationDockMenu();
    void attachDockMenuToStatusItem();

    void updateLoggedInStateUI();
    bool isShowWelcomePage() const;

    // Router requirements.
    QString signUpLink() const override;
    void leaveWelcomePage() override;
    void showUpdateAvailableBannerLater() override;
    void showSignInWindow() override;
    void presentSignInWindow() override;
    void showSignOutWindowLater() override;
    void performLogout() override;
    void enableVPNSettingsChanging() override;
    bool logoutIfGeneralWindowIsCurrent() override;
    void showUpdateSheet() override;
    void enterForcedUpdateState() override;
    void leaveForcedUpdateState() override;
    void resetLocationsHover() override;
    void refreshMenuLocations() override;
    void reloadNetworks(const PDNetworksModelPtr& networks) override;
    void setupMenuBarMenu() override;
    void showSignInError(const QString& title, const QString& message) override;
    void showSettingsTab() override;
    void toggleConnection(QObject* sender) override;
    void changeLocation(const PDNetworkItemPtr& location) override;
    void selectCurrentNetwork(const PDNetworkItemPtr& network) override;
    void disconnectFromVPN() override;
    void enterBackgroundMode() override;
    void enterForegroundMode() override;
    void addAppModeChangeObserver(std::function<void()> observer) override;
    void activateApplication() override;
    void showL2TPNoLongerAvailableAlertLater() override;
    void terminateApplication() override;
    void showAccountExpired() override;
    void setLaunchAgentRunAtLoad() override;
    void openURL(const QUrl& url) override;
    void showHomeTab() override;
    void openAppConfigURL() override;
    void showSupportTab() override;
    void showSignOutWindow() override;
    void closeSignOutWindow() override;
    void closeOtherWindows() override;
    void openAutoUpdate() override;

    // Routing outside the protocol.
    void showWelcomeWindow();
    void showMainWindow();
    void showWelcomeOrSignInWindow();
    void closeMainWindow();
    void closeWelcomeWindow();
    void closeSignInWindow();
    void closeAppWindows();
    void observeWindowClosing(BaseWindowViewController* controller);
    void onWindowIsAboutToBeClosed(BaseWindowViewController* controller);
    void onConnectionStatusChanges(SDVPNConnectionState state);
    void notifyAppModeChange();
    void refreshDock();
    void clearStartMinimized();

    // Data-loaded flow.
    void onLoadApplicationDataFinished();
    void onDataLoaded_postProcessing();

    // Sign-in callback and sign-out.
    void processUrl(const QUrl& url);
    void resetToSignedOutState();

    // Command-line switches (the process's arguments unless given).
    void configureEndpointFromArguments(const QStringList& arguments);
    void checkForConflictingInstances();
    // MenuService's sign-out step closes the quick-access window through this.
    void closeQuickAccessWindowOnSignOut();
    // Regular mode again, without bringing any window forward.
    void leaveBackgroundMode();
    // The client's icon is in the desktop's tray (a host shows it); without it the windows are all it has.
    bool isInTray() const;
    // Whether another copy of the client runs; the service layer decides unless a test says otherwise.
    void setConflictingInstancesCheck(std::function<bool()> check) {
        m_conflictingInstancesCheck = std::move(check);
    }

    // SDK callbacks (the SDK's thread).
    void onApplicationConfigLoadedWithConfig(const PDAppConfig& config) override;
    void onApplicationDataLoadedWithNetworks(const PDNetworksModelPtr& networks) override;
    void onSessionTimeoutWithReason(int reason) override;
    void onNetworkPermissionsRevokedForNetworkName(const std::optional<QString>& networkName) override;
    void applicationConnectedWithInitialData() override;
    void onConnectionReachable() override;
    void onConnectionUnReachable() override;
    void onVPNLatencyMeasurementResultReceivedWithResult(const QString& result,
                                                         const QString& vpnProtocol) override;
    void onUnsecuredNetworkConnectedWithSkipNotification(bool skipNotification) override;
    void onHelperToolInstallErrorWithError(const SDHelperToolInstallError& error) override;

    // The older notification centre's delegate.
    platform::PresentationOptions willPresent(platform::UserNotificationCenter& center,
                                              const platform::UserNotificationRequest& request) override;
    void didReceive(platform::UserNotificationCenter& center,
                    const platform::UserNotificationResponse& response) override;

    // Workspace and distributed observers.
    void onMacIsGoingToShutdownOrReboot();
    void onAppChangeActiveWorkspace();
    void onAppIsAboutToEnterSleepMode();
    void onAppIsAboutToAwakeFromSleepMode();
    void onProtocolFiltersNotification(const QVariantMap& userInfo);

    // Window controllers, kept for the life of the process.
    BaseWindowViewController* welcomeWindowViewController() const {
        return m_welcomeWindowViewController.get();
    }
    BaseWindowViewController* locationsWindowViewController() const {
        return m_locationsWindowViewController.get();
    }
    BaseWindowViewController* generalWindowViewController() const {
        return m_generalWindowViewController.get();
    }
    QAUIMenuWindowController* generalQAUIWindowViewController() const override {
        return m_generalQAUIWindowViewController.get();
    }
    QAUISignOutController* qaUISignOutController() const { return m_qaUISignOutController.get(); }
    MainSubController* mainSubController() const { return m_mainSubController.get(); }
    LocationsSubController* locationsSubController() const { return m_locationsSubController.get(); }
    SupportSubController* supportSubController() const { return m_supportSubController.get(); }
    SettingsContainerController* settingsSubController() const { return m_settingsSubController.get(); }
    SettingsGeneralController* settingsGeneralSubController() const {
        return m_settingsGeneralSubController.get();
    }
    SettingsNetworkController* settingsNetworkSubController() const {
        return m_settingsNetworkSubController.get();
    }
    SettingsProtocolController* settingsProtocolSubController() const {
        return m_settingsProtocolSubController.get();
    }
    BaseWindowViewController* authNewWindow() const { return m_authNewWindow.get(); }
    MainMenuController* mainMenuController() const { return m_mainMenuController.get(); }
    LocationsViewController* locationsViewController() const;
    void showLocationsWindow() override;
    AuthWelcomeController* authWelcomeController() const;
    GeneralViewController* generalViewController() const;

    BaseWindowViewController* currentWindowController() const { return m_currentWindowController; }
    bool transitionBaseWindowToForeground() const { return m_transitionBaseWindowToForeground; }
    bool forceTerminate() const { return m_forceTerminate; }
    const PDEndpointConfig& endpointConfig() const { return m_endpointConfig; }
    SDEnvironment targetEnvironment() const { return m_targetEnvironment; }

    static inline const QString lauchdPlistName = QStringLiteral("com.veltrix.Veltrix");
    static inline const QString remoteLogApplicationKey = QStringLiteral("Q7wVn3RkT9pLx2ZbH5cMy8DfJ4sGa6Ue");

private:
    void showMainWindowTab(const MainMenuBarTab& tab);
    void loadInitialState();
    void onInitialStateLoaded();
    // The sign-in screen's view when signed out: loaded at launch, after the tray item, which need not
    // wait for it.
    void loadSignInScreenAfterTheTrayItem();
    bool conflictingCopyRuns() const;
    void registerUserDefaults();
    void runUserAgentScripts();
    void ensureLaunchAgentRunAtLoad();
    void setAppLaunchedFirstTime();
    void installConnectionStateCallback();
    void setUpMainMenu();
    // The application menu's Hide: the client's windows leave the screen, the tray stays.
    void hideApplication();
    void addWorkspaceObservers();
    void activateRemoteLog();
    void observeProtocolFilters();
    void reportLoginFailure(int type, const QString& logText);
    bool isCurrent(const BaseWindowViewController* controller) const;
    void showWindowOrOrderOut(BaseWindowViewController* controller, bool mayShow);
    // Runs `step` on the main queue later, only while this delegate exists.
    void later(double seconds, std::function<void()> step);

    std::unique_ptr<QAUIMenuWindowController> m_generalQAUIWindowViewController;
    std::unique_ptr<BaseWindowViewController> m_welcomeWindowViewController;
    std::unique_ptr<BaseWindowViewController> m_locationsWindowViewController;
    std::unique_ptr<BaseWindowViewController> m_generalWindowViewController;
    std::unique_ptr<MainSubController> m_mainSubController;
    std::unique_ptr<LocationsSubController> m_locationsSubController;
    std::unique_ptr<SupportSubController> m_supportSubController;
    std::unique_ptr<SettingsContainerController> m_settingsSubController;
    std::unique_ptr<SettingsGeneralController> m_settingsGeneralSubController;
    std::unique_ptr<SettingsProtocolController> m_settingsProtocolSubController;
    std::unique_ptr<SettingsNetworkController> m_settingsNetworkSubController;
    std::unique_ptr<BaseWindowViewController> m_authNewWindow;
    std::unique_ptr<QAUISignOutController> m_qaUISignOutController;
    std::unique_ptr<MainMenuController> m_mainMenuController;

    BaseWindowViewController* m_currentWindowController = nullptr;
    bool m_transitionBaseWindowToForeground = false;
    SDEnvironment m_targetEnvironment = SDEnvironmentDefault;
    PDEndpointEnv m_env = PDEndpointEnv::cloud;
    PDEndpointConfig m_endpointConfig{PDEndpointEnv::cloud, SDEnvironmentDefault};
    bool m_forceTerminate = false;
    // Sign-in callbacks that came before the launch had set up the SDK; handled at the end of the launch.
    std::optional<QList<QUrl>> m_urlsBeforeLaunch = QList<QUrl>();
    std::function<bool()> m_conflictingInstancesCheck;
    std::vector<std::function<void()>> m_appModeChangeNotification;
    std::vector<QMetaObject::Connection> m_workspaceConnections;
    platform::ObserverToken m_protocolFiltersObserver;
};
