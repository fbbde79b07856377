#pragma once

#include "platform/UserNotificationCenter.h"

#include <QString>

#include <functional>
#include <optional>

// Banners of connection news through the older notification centre (olderUserNotificationCenter()).
// At most one banner is on screen: each one posted takes the earlier ones away. Each banner says what it
// is in its user info (kindKey), which is how the application delegate recognises a click. Main queue only.
class UserNotificationHelper {
public:
    using Banner = platform::UserNotificationRequest;
    using Configure = std::function<void(Banner&)>;

    static inline const QString kindKey = QStringLiteral("kind");
    // The kinds, one per builder.
    static inline const QString connectedKind = QStringLiteral("connected");
    static inline const QString disconnectedKind = QStringLiteral("disconnected");
    static inline const QString trustedNetworkKind = QStringLiteral("trustedNetwork");
    static inline const QString autoReconnectKind = QStringLiteral("autoReconnect");
    static inline const QString connectionErrorKind = QStringLiteral("connectionError");
    static inline const QString insecureWiFiKind = QStringLiteral("insecureWiFi");
    static inline const QString insecureWiFiSignedOutKind = QStringLiteral("insecureWiFiSignedOut");
    static inline const QString autoConnectedToUnsecuredWiFiKind =
        QStringLiteral("autoConnectedToUnsecuredWiFi");
    static inline const QString homeWiFiKind = QStringLiteral("homeWiFi");
    static inline const QString unsecuredWiFiWarningKind = QStringLiteral("unsecuredWiFiWarning");

    // Categories of the banners with an action button; the action's identifier is the category's. Every
    // banner also has a second button that only takes it away ("notification_default_ok_button", or
    // "Ignore" on the fixed-text warning); a banner without an action button has only that one.
    static inline const QString retryCategory = QStringLiteral("retry");
    static inline const QString connectCategory = QStringLiteral("connect");
    static inline const QString protectMeCategory = QStringLiteral("protectMe");
    static inline const QString plainCategory = QStringLiteral("plain");
    static inline const QString dismissAction = QStringLiteral("dismiss");
    static QList<platform::UserNotificationCategory> bannerCategories();

    // Seconds after which a banner goes by itself: posted with autoRemove, and with the Connect or
    // Signed-out step.
    static constexpr double autoRemoveSeconds = 4.0;
    static constexpr double actionBannerSeconds = 10.0;
    // The two unsecured Wi-Fi banners come at most once in this many seconds each.
    static constexpr double insecureWiFiThrottleSeconds = 10.0;

    // The poster: builds the banner, takes the delivered banners away, and delivers this one unless a
    // window of the client is open. Returns the banner either way.
    static Banner showNotification(const QString& title, const QString& text, bool autoRemove,
                                   const Configure& configure = {}, const QString& kind = {});

    static void showConnectedNotification(const QString& networkName);
    static void showDisconnectedNotification(const QString& networkName);
    static void showAutoReconnectNotification();
    static void showAutoReconnectWithoutNetworkLockNotification();
    static void removeAutoReconnectNotification();
    static void resetDisconnectedNotificationFlag();
    static void showWiFiInsecureNotification();
    static void showWiFiInsecureLoggedInNotificationThrottled();
    static void showTrustedNetworkNotification();
    static void showConnectionErrorNotification();
    static void showWiFiInsecureLoggedInNotification();
    static void showAutoConnectedToUnsecuredWiFiNotification();
    static void showHomeWiFiNotification();
    // Fixed English texts, delivered even while a window of the client is open.
    static void showUnsecuredWiFiWarning(bool autoRemove, const Configure& configure = {});

    static QString productName();

    // The user clicked the auto-reconnect banner: it is no longer in force (the centre closes it).
    static void forgetAutoReconnectNotification();
    // Forgets the stored banners and times, as at start (a new older centre).
    static void forgetAllBanners();

    static bool disconnectedNotificationShown();
    static std::optional<Banner> disconnectedNotification();
    static std::optional<Banner> autoReconnectNotification();
};
