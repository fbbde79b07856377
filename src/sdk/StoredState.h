#pragma once

// The user's side of a workspace, as the service keeps it between runs: the switches the user set, the
// trusted Wi-Fi list, the protocol, the chosen network, favourites and recent networks, and the session.
// One file per workspace under the user's data folder, named by the workspace's identity; the workspace
// file itself is only ever read, and what it enforces wins over anything kept here.

#include "sdk/PDTypes.h"
#include "sdk/Workspace.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <string>

namespace sdk {

struct StoredState {
    struct Session {
        bool signedIn = false;
        bool fastLoginAvailable = false;
        bool softLogout = false;
        bool operator==(const Session&) const = default;
    } session;
    std::map<std::string, bool> switches;                // by the workspace file's setting names
    std::optional<QList<PDWiFiNetwork>> trustedNetworks; // absent until the user may change the list
    int vpnProtocol = static_cast<int>(PDVPNProtocol::automatic);
    bool useAutomaticNetwork = false;
    QString currentNetworkId;
    QStringList favoriteIds;
    QStringList lastUsedIds;

    bool operator==(const StoredState&) const = default;
};

// The biggest state file read; anything bigger is not one of ours.
inline constexpr qint64 kMaxStoredStateBytes = 1024 * 1024;

// Where the state of `workspace` is kept; empty for a workspace without a tenant (nothing is kept).
QString storedStatePath(const Workspace& workspace);
// The folder of every workspace's state file.
QString storedStateDirectory();

// The state kept at `path`; nothing when there is none. A file that cannot be read as a state is renamed
// aside (to the same name with ".damaged") with one warning, and nothing is answered.
std::optional<StoredState> readStoredState(const QString& path);
// Writes `state` whole or not at all; false (with a warning) when it could not be written.
bool writeStoredState(const QString& path, const StoredState& state);

// `workspace` as the user left it: the stored values over the file's, except where the file enforces one.
void applyStoredState(const StoredState& state, Workspace& workspace);
// `settings` into `state`, except what they enforce: there `state` keeps the user's own value for the day
// the workspace no longer enforces it.
void storeSettings(const PDSettings& settings, StoredState& state);

} // namespace sdk
