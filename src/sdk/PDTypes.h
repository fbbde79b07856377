#pragma once

// Value types of the SDK: states, endpoint configuration, settings, application configuration, addresses.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <optional>

// The tunnel's state as the client reads it.
enum class SDVPNConnectionState : int { disconnected = 0, connecting = 1, connected = 2, reconnecting = 3 };

// Which deployment of the service the SDK talks to.
enum class SDEnvironment : int { production = 0, staging = 1, integration = 2 };
inline constexpr SDEnvironment SDEnvironmentDefault = SDEnvironment::production;

// The endpoint family; the client always passes `cloud` (1).
enum class PDEndpointEnv : int { onPremises = 0, cloud = 1 };

// Where sign-in and the service live. The client needs two texts of it: the URL scheme its sign-in
// callback uses and the authentication domain that callback must come from.
class PDEndpointConfig {
public:
    PDEndpointConfig() = default;
    PDEndpointConfig(PDEndpointEnv env, SDEnvironment targetEnvironment);
    PDEndpointConfig(QString customDomain, QString customSdpHostname, QString customApiHostname,
                     std::uint32_t customPort);

    PDEndpointEnv env() const { return m_env; }
    SDEnvironment targetEnvironment() const { return m_target; }
    bool isCustom() const { return m_custom; }
    const QString& customDomain() const { return m_domain; }
    const QString& customSdpHostname() const { return m_sdpHost; }
    const QString& customApiHostname() const { return m_apiHost; }
    std::uint32_t customPort() const { return m_port; }

    // The scheme registered for the application ("veltrix").
    QString urlScheme() const;
    // The host that the browser's sign-in callback names.
    QString authDomain() const;

    bool operator==(const PDEndpointConfig&) const = default;

private:
    PDEndpointEnv m_env = PDEndpointEnv::cloud;
    SDEnvironment m_target = SDEnvironmentDefault;
    bool m_custom = false;
    QString m_domain;
    QString m_sdpHost;
    QString m_apiHost;
    std::uint32_t m_port = 0;
};

// What the SDK connects to: one network's gateway.
struct SDVPNConfig {
    QString networkId;
    QString hostname;
    QString gatewayLocation; // the gateway's region, shown as the location
    QString publicIP;        // the address the internet sees while connected through it
    bool operator==(const SDVPNConfig&) const = default;
};

enum class PDTokenType : int { standard = 0, implicitToken = 1 };

// What the client hands over after the browser's sign-in callback.
struct PDExtendedAuthResult {
    PDExtendedAuthResult() = default;
    PDExtendedAuthResult(QString tenant, QString token, PDTokenType tokenType = PDTokenType::standard)
        : tenant(std::move(tenant)), token(std::move(token)), tokenType(tokenType) {}
    QString tenant;
    QString token;
    PDTokenType tokenType = PDTokenType::standard;
};

// Protocol numbers of changeVPNProtocol(to:).
enum class PDVPNProtocol : int {
    automatic = 1,
    openVPN = 2,
    l2tp = 3,
    ikev2StrongSwan = 4,
    ikev2 = 5,
    wireGuard = 6
};

// One Boolean setting of the workspace; an enforced one is fixed by the administrator.
struct PDSettingBoolItem {
    PDSettingBoolItem() = default;
    PDSettingBoolItem(bool isEnforced, bool value) : isEnforced(isEnforced), value(value) {}
    bool isEnforced = false;
    bool value = false;
    bool operator==(const PDSettingBoolItem&) const = default;
};

struct PDWiFiNetwork {
    PDWiFiNetwork() = default;
    PDWiFiNetwork(QString ssid, QString bssid) : ssid(std::move(ssid)), bssid(std::move(bssid)) {}
    QString ssid;
    QString bssid; // the text a row shows
    bool operator==(const PDWiFiNetwork&) const = default;
};

// The trusted Wi-Fi list; enforced means the user may not change it.
struct PDSettingTrustedNetworksItem {
    bool isEnforced = false;
    QList<PDWiFiNetwork> value;
    bool operator==(const PDSettingTrustedNetworksItem&) const = default;
};

// Item numbers of setGeneralSetting(item:isOn:).
enum class PDGeneralSettingItem : int {
    connectOnLaunch = 0,
    notifications = 1,
    automaticUpdates = 2,
    crashReports = 3
};
// Item numbers of setNetworkSetting(item:isOn:).
enum class PDNetworkSettingItem : int { alwaysOn = 0, killSwitch = 1, wifiSecurity = 2, trustedNetworks = 3 };

// The workspace's settings, a snapshot: `VeltrixXPC::settings()` (applied) or `unappliedSettings()`
// (pending).
struct PDSettings {
    PDSettingBoolItem connectOnLaunch;
    PDSettingBoolItem notifications;
    PDSettingBoolItem automaticUpdates;
    PDSettingBoolItem crashReports;
    PDSettingBoolItem alwaysOn;
    PDSettingBoolItem killSwitch;
    PDSettingBoolItem wifiSecurity;
    PDSettingBoolItem trustedNetworks;  // the trusted-networks switch
    PDSettingBoolItem networkSelection; // the home tab keeps the user's own network choice
    PDSettingTrustedNetworksItem trustedNetworksList;

    PDSettingBoolItem& item(PDGeneralSettingItem which);
    const PDSettingBoolItem& item(PDGeneralSettingItem which) const;
    PDSettingBoolItem& item(PDNetworkSettingItem which);
    const PDSettingBoolItem& item(PDNetworkSettingItem which) const;

    bool operator==(const PDSettings&) const = default;
};

// The application configuration the service sends: links and the offered update.
struct PDAppConfig {
    QString signUpLink;
    QString supportLink;    // the link the support tab opens
    QString offeredVersion; // empty when nothing is offered
    QDateTime releaseDate;  // when the offered version was released
    QString packageUrl;     // where the update package is downloaded from
    QString packagePath;    // where the client puts the downloaded package
    QString packageSha256;  // lower-case hex
    bool isForcedUpdate = false;
    bool isSilentUpdate = false;
    bool operator==(const PDAppConfig&) const = default;
};

// What became of a downloaded package handed over for installation.
struct SDUpdateInstallResult {
    enum class Outcome {
        installed,    // the system took it; the SDK starts the new version once this copy has ended
        refused,      // missing, or not matching its checksum
        notInstalled, // verified, but this copy or the system could not install it: see `reason`
    };
    Outcome outcome = Outcome::refused;
    QString reason; // a sentence for the user; empty when installed
};

class PDPublicIPInfoProtocol {
public:
    virtual ~PDPublicIPInfoProtocol() = default;
    virtual QString ipAddress() const = 0;
};

class PDPublicIPInfo final : public PDPublicIPInfoProtocol {
public:
    explicit PDPublicIPInfo(QString ipAddress) : m_ipAddress(std::move(ipAddress)) {}
    QString ipAddress() const override { return m_ipAddress; }

private:
    QString m_ipAddress;
};
using PDPublicIPInfoPtr = std::shared_ptr<const PDPublicIPInfoProtocol>;

enum class PD_DevicePostureCheckState : int { healthy = 0, atRisk = 1, inactive = 2 };

// The result of a failed device posture check.
struct PD_DPCResult {
    std::optional<QString> title;
    std::optional<QString> message;
};

// Why the secure-access session ended (raw values of the session-timeout callback).
enum class SDPStateReasonCodeType : int {
    unknown = 0,
    sessionExpired = 1,
    idleTimeout = 2,
    userDeleted = 3,
    networkDeviceDeleted = 4,
    sessionRevoked = 5,
};
// A short English description of a reason code; unknown codes get a generic one.
QString SDPStateReasonCodeDescription(int code);

// The filters of the locations window.
enum class PDLocationFilterType { favorites, publicLocations, privateNetworks };
QString rawValue(PDLocationFilterType filter); // "Favorites", "Public", "Private"
std::optional<PDLocationFilterType> PDLocationFilterTypeFromRawValue(const QString& raw);

// Why log collection failed.
struct PDTroubleshootingHelperError {
    enum class Kind { archiveTooLarge, collectionFailed, cancelled };
    Kind kind = Kind::collectionFailed;
    QString archivePath; // for archiveTooLarge: where the archive was left
    QString reason;
    QString description() const;
};

// The error the helper-tool installation reports: a message and an informative text.
struct SDHelperToolInstallError {
    QString message;
    QString informativeText;
};

// One item of the main window's smart widget.
struct PDSmartWidgetProtocol {
    QString title;
    QString message;
    QString link;
    QString linkTitle;
};
