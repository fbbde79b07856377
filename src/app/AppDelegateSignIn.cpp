// The sign-in callback, sign-out and the command-line switches.
#include "app/AppDelegate.h"

#include "core/ApplicationModel.h"
#include "core/EndpointArguments.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/SignInCallback.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/MainSubController.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixSDK.h"
#include "toolkit/BaseWindowViewController.h"

void AppDelegate::processUrl(const QUrl& url) {
    // The URL that started the client comes before the launch: the SDK is not set up yet, and the launch's
    // signed-out screens would come over the sign-in it continues.
    if (m_urlsBeforeLaunch) {
        m_urlsBeforeLaunch->append(url);
        return;
    }
    // The URL carries the identity token: it is never logged.
    const auto parsed = parseSignInCallback(url, m_endpointConfig.urlScheme(), m_endpointConfig.authDomain());
    if (const auto* failure = std::get_if<SignInCallbackFailure>(&parsed)) {
        reportLoginFailure(failure->type, failure->logText);
        return;
    }
    VeltrixXPC::externalAuthSuccess(std::get<PDExtendedAuthResult>(parsed));
}

void AppDelegate::reportLoginFailure(int type, const QString& logText) {
    vlog::error(logText);
    if (auto* delegate = VeltrixXPC::loginDelegate()) {
        delegate->onExtendedAuthFailedWithError(PDError(type, false, PDError::DEFAULT_ERROR_DOMAIN));
    }
}

void AppDelegate::performLogout() {
    vlog::info(QStringLiteral("performLogout() started.."));
    QAUINotifier::hideNotifications();
    resetToSignedOutState();
    platform::DispatchQueue::global(platform::QoS::userInitiated).async([] { VeltrixXPC::logout(); });
}

void AppDelegate::resetToSignedOutState() {
    closeSignOutWindow();
    if (auto* general = generalViewController()) {
        general->dismissModal();
    }
    if (auto* general = generalViewController()) {
        general->selectTab(MainMenuBarTab::topTab(MainTopTab::home));
    }
    if (m_mainSubController) {
        m_mainSubController->onDisconnectedFromVPN(true);
    }
    clearStartMinimized();
    if (ServiceLayer::appModel().autoReconnectInProgress() && m_mainSubController) {
        m_mainSubController->hideAlwaysOnReconnectState();
    }
    onConnectionStatusChanges(SDVPNConnectionState::disconnected);
    olderUserNotificationCenter().removeAllDeliveredNotifications();
    closeMainWindow();
    later(0, [this] {
        ServiceLayer::shared().menuService().setLoggedOutState();
        if (m_mainSubController) {
            m_mainSubController->hideErrorView();
        }
    });
    VeltrixXPC::setConnectivityDelegate(this);
    later(0, [] { ServiceLayer::shared().menuService().onAuthErrorRecieved(); });
    if (!isInTray()) {
        // Closing the main window handed the client to the background, and there is no tray to find it in.
        leaveBackgroundMode();
    }
    showSignInWindow();
    later(1.0, [] { ServiceLayer::shared().menuService().showMenu(); });
    // Should the SDK still report a tunnel once its sign-out is done, the menus follow it again.
    later(1.5, [this] {
        const auto state = VeltrixXPC::connectionState();
        if (state != SDVPNConnectionState::disconnected) {
            onConnectionStatusChanges(state);
        }
    });
}

void AppDelegate::configureEndpointFromArguments(const QStringList& arguments) {
    const EndpointArguments parsed = parseEndpointArguments(arguments);
    if (parsed.runAsAgent) {
        ServiceLayer::appModel().setAppAutoLaunchedAtOSStartup(true);
    }
    if (parsed.targetEnvironment) {
        m_targetEnvironment = *parsed.targetEnvironment;
    }
    m_endpointConfig = PDEndpointConfig(m_env, m_targetEnvironment);
    for (const QString& mtu : parsed.customMTUs) {
        VeltrixXPC::setCustomMTU(mtu);
    }
    if (parsed.customEndpoint) {
        m_endpointConfig = *parsed.customEndpoint;
    }
}
