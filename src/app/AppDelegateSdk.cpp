// The SDK's data-loading, connectivity and helper-tool callbacks, and the older centre's notifications.
#include "app/Alerts.h"
#include "app/AppDelegate.h"

#include "auth/AuthWelcomeController.h"
#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "core/UserNotificationHelper.h"
#include "mainwindow/MainSubController.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixSDK.h"
#include "toolkit/BaseWindowViewController.h"

#include <QCoreApplication>

#include <utility>

// MARK: data loading

void AppDelegate::onLoadApplicationDataFinished() {
    vlog::debug(QStringLiteral("onLoadApplicationDataFinished.."));
    if (const auto networks = ServiceLayer::appModel().networks()) {
        setupMenuBarMenu();
        if (m_mainSubController && m_mainSubController->isViewLoaded()) {
            m_mainSubController->showNetworkAfterDataLoad(networks);
        }
        reloadNetworks(networks);
    }
    later(0, [this] {
        // The data-loaded step.
        if (!isCurrent(m_generalWindowViewController.get())) {
            // Signed in from the sign-in window: the main window takes its place in front. A sign-in from
            // the quick-access window (the sign-in window not on screen) keeps the client in the tray.
            const bool signedInFromWindow = m_authNewWindow && m_authNewWindow->isWindowVisible();
            closeSignInWindow();
            if (signedInFromWindow) {
                leaveBackgroundMode(); // closing the sign-in window, the last one, had entered it
            }
            showMainWindow();
            if (signedInFromWindow) {
                activateApplication();
            }
            // "--locations" opens the locations window once, beside the main window.
            static bool locationsAsked =
                QCoreApplication::arguments().contains(QStringLiteral("--locations"));
            if (std::exchange(locationsAsked, false)) {
                showLocationsWindow();
            }
        }
        auto& silentUpdate = ServiceLayer::shared().silentUpdateService();
        const bool loaded = silentUpdate.isAppLoaded;
        const bool disconnected = VeltrixXPC::connectionState() == SDVPNConnectionState::disconnected;
        if (VeltrixXPC::isSilentUpdateAvailable()) {
            if (disconnected) {
                if (loaded) {
                    silentUpdate.startTimer();
                } else {
                    silentUpdate.startUnaskedUpdate();
                }
            }
        } else {
            silentUpdate.resetTimer();
        }
        if (!loaded && disconnected && !ServiceLayer::appModel().isForcedUpdateAvailable()) {
            if (VeltrixXPC::wifiSecurityActivated()) {
                vlog::debug(QStringLiteral("onLoadApplicationDataFinished... -- wifiSecurityActivated"));
                VeltrixXPC::onAppMainViewReady();
            } else if (VeltrixXPC::settings().connectOnLaunch.value) {
                const auto current = VeltrixXPC::currentNetwork();
                if (current && current->vpnConfiguration()) {
                    vlog::debug(QStringLiteral("onLoadApplicationDataFinished... -- connect"));
                    VeltrixXPC::connect(*current->vpnConfiguration());
                }
            }
        }
        silentUpdate.isAppLoaded = true;
        onDataLoaded_postProcessing();
    });
    later(0.5, [] { ServiceLayer::shared().applyUpdatedSettings(); });
    ServiceLayer::shared().isNewVersionAvailable();
}

void AppDelegate::onDataLoaded_postProcessing() {
    vlog::debug(QStringLiteral("onDataLoaded_postProcessing.."));
    ServiceLayer::appModel().setAppDataWasLoaded(true);
}

void AppDelegate::onApplicationConfigLoadedWithConfig(const PDAppConfig&) {
    later(1.5, [this] {
        if (!isCurrent(m_generalWindowViewController.get()) || VeltrixXPC::isSilentUpdateAvailable()) {
            return;
        }
        vlog::debug(QStringLiteral("APPLICATION CONFIG LOADED"));
        ServiceLayer::shared().isNewVersionAvailable();
        ServiceLayer::shared().applyUpdatedSettings();
    });
}

void AppDelegate::onApplicationDataLoadedWithNetworks(const PDNetworksModelPtr&) {
    later(0, [this] { onLoadApplicationDataFinished(); });
}

void AppDelegate::onSessionTimeoutWithReason(int reason) {
    const AnalyticsEvent::Parameters parameters{
        {AnalyticsParameter::errorCode, QString::number(reason)},
        {AnalyticsParameter::errorMessage, SDPStateReasonCodeDescription(reason)},
    };
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(0, 9, std::nullopt, AnalyticsTrigger::none(), parameters, std::nullopt));
    later(0, [this] { performLogout(); });
    later(1.0, [this, reason] {
        if (auto* auth = authWelcomeController()) {
            auth->showSessionTimeoutError(reason);
        }
    });
}

void AppDelegate::onNetworkPermissionsRevokedForNetworkName(const std::optional<QString>& networkName) {
    later(1.0, [this, networkName] {
        const QString title = networkName ? L10n::localized(QStringLiteral("vpn_ppp_error_new_prefix_1")) +
                                                " " + *networkName + "."
                                          : GlobalConstants::productDisplayName() + ".";
        if (m_mainSubController) {
            m_mainSubController->showError(
                title, L10n::localized(QStringLiteral("accessToLocationRevokedErrorMessage")));
        }
    });
}

void AppDelegate::applicationConnectedWithInitialData() {
    later(1.5, [] {
        vlog::debug(QStringLiteral("applicationConnectedWithInitialData called -> hide animation"));
        ServiceLayer::shared().menuService().onAuthErrorRecieved();
    });
}

// MARK: connectivity

void AppDelegate::onConnectionReachable() {
    vlog::debug(QStringLiteral("onConnectionReachable.."));
}

void AppDelegate::onConnectionUnReachable() {
    vlog::debug(QStringLiteral("onConnectionUnReachable.."));
}

void AppDelegate::onVPNLatencyMeasurementResultReceivedWithResult(const QString& result, const QString&) {
    vlog::debug(QStringLiteral("AppDelegate -- onVPNLatencyMeasurementResultReceived: ") + result);
}

void AppDelegate::onUnsecuredNetworkConnectedWithSkipNotification(bool) {
    vlog::debug(QStringLiteral("onUnsecuredNetworkConnected"));
    if (!VeltrixXPC::isLoggedIn()) {
        QAUINotifier::showNotification(
            L10n::localized(
                QStringLiteral("connected_to_insecure_wi_fi_notification_not_logged_in_user_title")),
            L10n::localized(
                QStringLiteral("connected_to_insecure_wi_fi_notification_not_logged_in_user_description")),
            QAUINotificationCategory::doSignin);
    }
}

// MARK: helper tool

void AppDelegate::onHelperToolInstallErrorWithError(const SDHelperToolInstallError& error) {
    // Always logged; shown on the current window, or on its own when no window is visible.
    vlog::error(QStringLiteral("Helper tool install error: ") + error.message);
    later(0, [this, error] {
        QWidget* parent = nullptr;
        if (m_currentWindowController && m_currentWindowController->isWindowVisible()) {
            parent = m_currentWindowController->window();
        }
        alerts::makeHelperToolInstallError(error, parent)->open();
    });
}

// MARK: the older centre

platform::PresentationOptions AppDelegate::willPresent(platform::UserNotificationCenter&,
                                                       const platform::UserNotificationRequest& request) {
    vlog::debug(QStringLiteral("NSUserNotification didDeliverNotification -- ") + request.title);
    return platform::PresentationOption::banner | platform::PresentationOption::sound;
}

void AppDelegate::didReceive(platform::UserNotificationCenter& center,
                             const platform::UserNotificationResponse& response) {
    vlog::debug(QStringLiteral("NSUserNotification clicked by the user"));
    // Banners say what they are in their user info; titles are localized and cannot be matched.
    const QString kind = response.request.userInfo.value(UserNotificationHelper::kindKey).toString();
    const bool actionButton =
        response.actionIdentifier != platform::UserNotificationCenter::defaultActionIdentifier;
    const auto connectRule = [&] {
        if (actionButton) {
            if (VeltrixXPC::connectionState() == SDVPNConnectionState::disconnected) {
                // The analytics name the notification and the action that asked.
                const auto& request = response.request;
                QString actionTitle;
                for (const auto& category : UserNotificationHelper::bannerCategories()) {
                    for (const auto& action : category.actions) {
                        if (category.identifier == request.categoryIdentifier &&
                            action.identifier == response.actionIdentifier) {
                            actionTitle = action.title;
                        }
                    }
                }
                UserNotificationSender sender(request.body.isEmpty() ? std::nullopt
                                                                     : std::optional<QString>(request.body),
                                              actionTitle);
                toggleConnection(&sender);
            }
        } else {
            center.removeDeliveredNotifications({response.request.identifier});
        }
    };
    if (kind == UserNotificationHelper::insecureWiFiKind || kind == UserNotificationHelper::homeWiFiKind ||
        kind == UserNotificationHelper::connectionErrorKind) {
        connectRule();
    } else if (kind == UserNotificationHelper::insecureWiFiSignedOutKind) {
        if (!actionButton) {
            center.removeDeliveredNotifications({response.request.identifier});
        }
    } else if (kind == UserNotificationHelper::autoReconnectKind) {
        // No longer in force; the banner itself is the centre's to close.
        UserNotificationHelper::forgetAutoReconnectNotification();
    }
    enterForegroundMode();
}
