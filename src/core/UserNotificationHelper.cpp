#include "core/UserNotificationHelper.h"

#include "core/ApplicationModel.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/ShownWindows.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixXPC.h"

#include <QUuid>

#include <chrono>

namespace {

using Banner = UserNotificationHelper::Banner;
using TimePoint = platform::Scheduler::Clock::time_point;

// Main queue only, as every operation of the helper.
struct BannerState {
    bool disconnectedNotificationShown = false;
    std::optional<Banner> disconnectedNotification;
    std::optional<Banner> autoReconnectNotification;
    // Monotonic: a wall clock set back does not hold the banners back.
    std::optional<TimePoint> lastInsecureWiFiWarningTime;
    std::optional<TimePoint> lastInsecureWiFiLoggedInWarningTime;
};

BannerState& state() {
    static BannerState banners;
    return banners;
}

platform::UserNotificationCenter& older() {
    return olderUserNotificationCenter();
}

void removeBanner(const QString& identifier) {
    // Still waiting for the server, or already shown: either way it goes.
    older().removePendingNotificationRequests({identifier});
    older().removeDeliveredNotifications({identifier});
}

void removeAllBanners() {
    older().removeAllPendingNotificationRequests();
    older().removeAllDeliveredNotifications();
}

void removeLater(const QString& identifier, double seconds) {
    platform::DispatchQueue::main().asyncAfter(seconds, [identifier] { removeBanner(identifier); });
}

void dropAutoReconnectBanner() {
    if (auto& banner = state().autoReconnectNotification) {
        removeBanner(banner->identifier);
        banner.reset();
    }
}

Banner makeBanner(const QString& title, const QString& text, const QString& kind) {
    Banner banner;
    banner.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces);
    banner.title = title;
    banner.body = text;
    banner.userInfo.insert(UserNotificationHelper::kindKey, kind);
    banner.categoryIdentifier = UserNotificationHelper::plainCategory;
    return banner;
}

void deliver(Banner& banner, const UserNotificationHelper::Configure& configure) {
    if (configure) {
        configure(banner);
    }
    banner.sound = false; // after the step, so no step can give a banner a sound
    older().setNotificationCategories(UserNotificationHelper::bannerCategories());
    older().add(banner, [](platform::UserNotificationResult error) {
        if (error) {
            vlog::debug(QStringLiteral("Banner not shown: ") + error->message);
        }
    });
}

void retryStep(Banner& banner) {
    banner.categoryIdentifier = UserNotificationHelper::retryCategory;
}

void connectStep(Banner& banner) {
    banner.categoryIdentifier = UserNotificationHelper::connectCategory;
    removeLater(banner.identifier, UserNotificationHelper::actionBannerSeconds);
}

void signedOutStep(Banner& banner) {
    banner.categoryIdentifier = UserNotificationHelper::plainCategory;
    removeLater(banner.identifier, UserNotificationHelper::actionBannerSeconds);
}

// False while the last posting is less than the throttle's seconds ago; otherwise the posting counts now.
bool passesThrottle(std::optional<TimePoint>& last) {
    const TimePoint now = platform::Scheduler::shared().now();
    if (last) {
        const double elapsed = std::chrono::duration<double>(now - *last).count();
        if (elapsed < UserNotificationHelper::insecureWiFiThrottleSeconds) {
            vlog::print(elapsed);
            return false;
        }
    }
    last = now;
    return true;
}

} // namespace

QList<platform::UserNotificationCategory> UserNotificationHelper::bannerCategories() {
    const platform::UserNotificationAction ok{dismissAction, L10n::notification_default_ok_button(), true};
    return {
        {retryCategory, {{retryCategory, L10n::notification_button_retry()}, ok}},
        {connectCategory, {{connectCategory, L10n::notification_button_connect()}, ok}},
        {protectMeCategory,
         {{protectMeCategory, QStringLiteral("Protect Me")},
          {dismissAction, QStringLiteral("Ignore"), true}}},
        {plainCategory, {ok}},
    };
}

QString UserNotificationHelper::productName() {
    return ServiceLayer::appModel().appProductName();
}

Banner UserNotificationHelper::showNotification(const QString& title, const QString& text, bool autoRemove,
                                                const Configure& configure, const QString& kind) {
    Banner banner = makeBanner(title, text, kind);
    removeAllBanners();
    if (isMenuWindowShown() || isWindowOpened()) {
        // Built and counted, but the window already tells the user.
        if (configure) {
            configure(banner);
        }
        banner.sound = false;
    } else {
        deliver(banner, configure);
    }
    if (autoRemove) {
        removeLater(banner.identifier, autoRemoveSeconds);
    }
    return banner;
}

void UserNotificationHelper::showConnectedNotification(const QString& networkName) {
    vlog::print(QStringLiteral("showConnectedNotification() to: ") + networkName);
    dropAutoReconnectBanner();
    const QString product = productName();
    if (VeltrixXPC::wifiSecurityActivated()) {
        showNotification(QStringLiteral("Your Wi-Fi connection is secured!"),
                         product + QStringLiteral(" is automatically keeping you safe online."), true, {},
                         connectedKind);
    } else if (VeltrixXPC::wasVPNStartedOnLaunch()) {
        showNotification(L10n::format(L10n::connected_on_launch_to_vpn_notification_title(), {networkName}),
                         L10n::format(L10n::connected_on_launch_to_vpn_notification_description(), {product}),
                         true, {}, connectedKind);
    } else {
        showNotification(QStringLiteral("Connected to ") + networkName,
                         QStringLiteral("Your ") + product +
                             QStringLiteral(" connection was successfully established"),
                         true, {}, connectedKind);
    }
    state().disconnectedNotificationShown = false;
}

void UserNotificationHelper::showDisconnectedNotification(const QString& networkName) {
    dropAutoReconnectBanner();
    if (!state().disconnectedNotificationShown) {
        state().disconnectedNotification = showNotification(
            QStringLiteral("Disconnected from ") + networkName,
            QStringLiteral("You are now disconnected from ") + productName(), true, {}, disconnectedKind);
    }
    state().disconnectedNotificationShown = true;
}

void UserNotificationHelper::showAutoReconnectNotification() {
    if (state().disconnectedNotification) {
        removeBanner(state().disconnectedNotification->identifier);
    }
    if (!state().autoReconnectNotification) {
        const bool alwaysOn = ServiceLayer::appModel().alwaysOnSetting().value;
        state().autoReconnectNotification =
            showNotification(alwaysOn ? L10n::auto_reconnect_started_with_always_on_notification_title()
                                      : L10n::auto_reconnect_started_with_network_lock_notification_title(),
                             L10n::auto_reconnect_started_with_network_lock_notification_description(), false,
                             {}, autoReconnectKind);
    }
    state().disconnectedNotificationShown = false;
}

void UserNotificationHelper::showAutoReconnectWithoutNetworkLockNotification() {
    if (state().disconnectedNotification) {
        removeBanner(state().disconnectedNotification->identifier);
    }
    if (!state().autoReconnectNotification) {
        state().autoReconnectNotification =
            showNotification(L10n::auto_reconnect_started_without_network_lock_notification_title(),
                             L10n::auto_reconnect_started_without_network_lock_notification_description(),
                             false, {}, autoReconnectKind);
    }
    state().disconnectedNotificationShown = false;
}

void UserNotificationHelper::removeAutoReconnectNotification() {
    dropAutoReconnectBanner();
}

void UserNotificationHelper::resetDisconnectedNotificationFlag() {
    state().disconnectedNotificationShown = false;
}

void UserNotificationHelper::showWiFiInsecureNotification() {
    if (!passesThrottle(state().lastInsecureWiFiWarningTime)) {
        return;
    }
    showNotification(L10n::connected_to_insecure_wi_fi_notification_not_logged_in_user_title(),
                     L10n::connected_to_insecure_wi_fi_notification_not_logged_in_user_description(), false,
                     signedOutStep, insecureWiFiSignedOutKind);
}

void UserNotificationHelper::showWiFiInsecureLoggedInNotificationThrottled() {
    if (!passesThrottle(state().lastInsecureWiFiLoggedInWarningTime)) {
        return;
    }
    showNotification(L10n::connected_to_insecure_wi_fi_notification_title(),
                     L10n::connected_to_insecure_wi_fi_notification_description(), false, connectStep,
                     insecureWiFiKind);
    state().disconnectedNotificationShown = false;
}

void UserNotificationHelper::showTrustedNetworkNotification() {
    if (!VeltrixXPC::isLoggedIn()) {
        return;
    }
    showNotification(QStringLiteral("Trusted Network is On"),
                     QStringLiteral("Always-On is now disabled as you are connected to a trusted network"),
                     true, {}, trustedNetworkKind);
}

void UserNotificationHelper::showConnectionErrorNotification() {
    showNotification(L10n::connection_error_minimized_notification_title(),
                     L10n::connection_error_minimized_notification_description(), false, retryStep,
                     connectionErrorKind);
    state().disconnectedNotificationShown = false;
}

void UserNotificationHelper::showWiFiInsecureLoggedInNotification() {
    showNotification(L10n::connected_to_insecure_wi_fi_notification_title(),
                     L10n::connected_to_insecure_wi_fi_notification_description(), false, connectStep,
                     insecureWiFiKind);
    state().disconnectedNotificationShown = false;
}

void UserNotificationHelper::showAutoConnectedToUnsecuredWiFiNotification() {
    showNotification(L10n::auto_connected_to_unsecured_wi_fi_notification_title(),
                     L10n::auto_connected_to_unsecured_wi_fi_notification_description(), true, {},
                     autoConnectedToUnsecuredWiFiKind);
    state().disconnectedNotificationShown = false;
}

void UserNotificationHelper::showHomeWiFiNotification() {
    showNotification(L10n::connected_to_home_wi_fi_notification_title(),
                     L10n::connected_to_home_wi_fi_notification_description(), false, connectStep,
                     homeWiFiKind);
}

void UserNotificationHelper::showUnsecuredWiFiWarning(bool autoRemove, const Configure& configure) {
    Banner banner =
        makeBanner(QStringLiteral("Warning: Unsecured WiFi!"),
                   QStringLiteral("Anyone can access your personal data online."), unsecuredWiFiWarningKind);
    banner.categoryIdentifier = protectMeCategory;
    removeAllBanners();
    deliver(banner, configure);
    if (autoRemove) {
        removeLater(banner.identifier, autoRemoveSeconds);
    }
}

void UserNotificationHelper::forgetAutoReconnectNotification() {
    state().autoReconnectNotification.reset();
}

void UserNotificationHelper::forgetAllBanners() {
    state() = BannerState();
}

bool UserNotificationHelper::disconnectedNotificationShown() {
    return state().disconnectedNotificationShown;
}

std::optional<Banner> UserNotificationHelper::disconnectedNotification() {
    return state().disconnectedNotification;
}

std::optional<Banner> UserNotificationHelper::autoReconnectNotification() {
    return state().autoReconnectNotification;
}
