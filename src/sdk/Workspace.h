#pragma once

// The simulated workspace as a file describes it: user and tenant, networks, settings, application
// configuration, addresses. Loaded from JSON; see resources/demo/workspace.json for the format.

#include "sdk/PDTypes.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace sdk {

struct GatewayDefinition {
    QString hostname;
    QString publicAddress;
    QString region;
};

struct NetworkDefinition {
    QString id;
    QString name;
    QString countryCode; // lower-case; may be empty for private and shared networks
    QString continent;   // public locations only
    GatewayDefinition gateway;
    bool splitTunneling = false;
    bool dnsFiltering = false;
    bool privateDNS = false;
};

// The switches of the settings, by the names the workspace file (and the state file) gives them.
struct SettingSwitch {
    const char* name;
    PDSettingBoolItem PDSettings::*member;
};
inline constexpr SettingSwitch kSettingSwitches[] = {
    {"connectOnLaunch", &PDSettings::connectOnLaunch},
    {"notifications", &PDSettings::notifications},
    {"automaticUpdates", &PDSettings::automaticUpdates},
    {"crashReports", &PDSettings::crashReports},
    {"alwaysOn", &PDSettings::alwaysOn},
    {"killSwitch", &PDSettings::killSwitch},
    {"wifiSecurity", &PDSettings::wifiSecurity},
    {"trustedNetworks", &PDSettings::trustedNetworks},
    {"networkSelection", &PDSettings::networkSelection},
};

struct Workspace {
    QString sourcePath; // the file it came from; empty for one built in code

    struct User {
        QString name;
        QString email;
        bool enterprise = false;
    } user;
    struct Tenant {
        QString id;
        QString name;
    } tenant;
    struct Session {
        bool signedIn = false;
        bool fastLoginAvailable = false; // a remembered session allows signing in without the browser
        bool softLogout = false;         // the last session ended on its own, not by signing out
        QString idToken;                 // a fake demo token the simulated browser returns
        PDTokenType tokenType = PDTokenType::standard;
        double browserDelaySeconds = 1.0;
    } session;
    struct Connection {
        double connectDelaySeconds = 1.5;
        double reconnectDelaySeconds = 3.0;
        QString internalAddress = QStringLiteral("10.64.0.2");
        bool startedOnLaunch = false;
    } connection;
    QString publicAddress; // the address the internet sees without the tunnel
    struct Device {
        PD_DevicePostureCheckState posture = PD_DevicePostureCheckState::healthy;
        bool secureWebGateway = false;
        bool trustedWiredNetwork = false;
        bool wifiSecurityActivated = false;
    } device;

    std::vector<NetworkDefinition> privateNetworks;
    QString sharedGroupName;
    std::vector<NetworkDefinition> sharedNetworks;
    std::vector<NetworkDefinition> publicLocations;
    QString automaticLocationId; // a public location; empty for none
    QString currentNetworkId;
    QStringList favoriteIds;
    QStringList lastUsedIds;

    PDSettings settings;
    PDAppConfig appConfig;

    const NetworkDefinition* network(const QString& id) const;
};

// A load answers either a workspace or an error text that names the file and the problem.
struct WorkspaceLoadResult {
    std::optional<Workspace> workspace;
    QString error;
    bool ok() const { return workspace.has_value(); }
};

// The biggest workspace file read; a bigger one is refused before any of it is read.
inline constexpr qint64 kMaxWorkspaceBytes = 64 * 1024 * 1024;

// Parses `json`; `sourceName` names the input in errors, `baseDir` resolves relative package URLs. An error
// says where in the text it is (line and column) and quotes no more than 80 characters of it; text after
// the JSON value, a NUL byte included, is an error.
WorkspaceLoadResult parseWorkspace(const QByteArray& json, const QString& sourceName, const QString& baseDir);
// Reads only a regular file (a FIFO or a device is refused without waiting on it).
WorkspaceLoadResult loadWorkspaceFile(const QString& path);

// The file a process runs on: "--workspace FILE" (or "--workspace=FILE") among the arguments, else
// $VELTRIX_WORKSPACE, else the bundle's demo/workspace.json.
QString workspacePath(const QStringList& arguments);
// Loads the file of `workspacePath()` for this process's arguments.
WorkspaceLoadResult loadProcessWorkspace();

// Where the flags of public locations are found.
inline constexpr const char* kFlagDirectory = "/usr/share/iso-flags-svg/country-4x3";
QUrl flagUrl(const QString& countryCode);

} // namespace sdk
