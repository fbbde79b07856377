#include "sdk/StoredState.h"

#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <nlohmann/json.hpp>

Q_DECLARE_LOGGING_CATEGORY(lcSdk)

namespace sdk {

namespace {

using json = nlohmann::json;

json textList(const QStringList& texts) {
    json list = json::array();
    for (const QString& text : texts) {
        list.push_back(text.toStdString());
    }
    return list;
}

QStringList textList(const json& list) {
    QStringList texts;
    for (const json& text : list) {
        texts.append(QString::fromStdString(text.get<std::string>()));
    }
    return texts;
}

QString text(const json& object, const char* key) {
    return QString::fromStdString(object.at(key).get<std::string>());
}

json toJson(const StoredState& state) {
    json switches = json::object();
    for (const auto& [name, value] : state.switches) {
        switches[name] = value;
    }
    json stored = {
        {"session",
         {{"signedIn", state.session.signedIn},
          {"fastLoginAvailable", state.session.fastLoginAvailable},
          {"softLogout", state.session.softLogout}}},
        {"settings", switches},
        {"vpnProtocol", state.vpnProtocol},
        {"useAutomaticNetwork", state.useAutomaticNetwork},
        {"currentNetworkId", state.currentNetworkId.toStdString()},
        {"favoriteIds", textList(state.favoriteIds)},
        {"lastUsedIds", textList(state.lastUsedIds)},
    };
    if (state.trustedNetworks) {
        json networks = json::array();
        for (const PDWiFiNetwork& network : *state.trustedNetworks) {
            networks.push_back(
                {{"ssid", network.ssid.toStdString()}, {"bssid", network.bssid.toStdString()}});
        }
        stored["trustedNetworks"] = networks;
    }
    return stored;
}

// Throws json::exception for anything that is not a state file of ours.
StoredState fromJson(const json& stored) {
    StoredState state;
    const json& session = stored.at("session");
    state.session = {session.at("signedIn").get<bool>(), session.at("fastLoginAvailable").get<bool>(),
                     session.at("softLogout").get<bool>()};
    for (const auto& [name, value] : stored.at("settings").items()) {
        state.switches[name] = value.get<bool>();
    }
    if (const auto networks = stored.find("trustedNetworks"); networks != stored.end()) {
        state.trustedNetworks.emplace();
        for (const json& network : *networks) {
            state.trustedNetworks->append(PDWiFiNetwork(text(network, "ssid"), text(network, "bssid")));
        }
    }
    state.vpnProtocol = stored.at("vpnProtocol").get<int>();
    state.useAutomaticNetwork = stored.at("useAutomaticNetwork").get<bool>();
    state.currentNetworkId = text(stored, "currentNetworkId");
    state.favoriteIds = textList(stored.at("favoriteIds"));
    state.lastUsedIds = textList(stored.at("lastUsedIds"));
    return state;
}

void setAside(const QString& path, const QString& why) {
    const QString aside = path + QStringLiteral(".damaged");
    QFile::remove(aside);
    const bool moved = QFile::rename(path, aside);
    qCWarning(lcSdk).noquote() << "The kept state" << path << why << "and"
                               << (moved ? QStringLiteral("was set aside as ") + aside
                                         : QStringLiteral("could not be set aside"))
                               << "; the workspace file's values hold";
}

} // namespace

QString storedStateDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/veltrix-sdk");
}

QString storedStatePath(const Workspace& workspace) {
    if (workspace.tenant.id.isEmpty()) {
        return {};
    }
    // Named by the tenant, so another file describing the same workspace finds it and another one does not;
    // hashed, so that no tenant text makes a path of its own.
    const QByteArray key =
        QCryptographicHash::hash(workspace.tenant.id.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return storedStateDirectory() + QLatin1Char('/') + QString::fromLatin1(key) + QStringLiteral(".json");
}

std::optional<StoredState> readStoredState(const QString& path) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const platform::RegularFileRead file = platform::readRegularFile(path, kMaxStoredStateBytes);
    if (file.outcome == platform::RegularFileRead::Outcome::missing) {
        return std::nullopt;
    }
    if (!file.ok()) {
        setAside(path, QStringLiteral("cannot be read (") + file.errorString + QLatin1Char(')'));
        return std::nullopt;
    }
    try {
        return fromJson(json::parse(file.bytes.toStdString()));
    } catch (const json::exception& error) {
        setAside(path, QStringLiteral("is damaged (") + QString::fromUtf8(error.what()) + QLatin1Char(')'));
        return std::nullopt;
    }
}

bool writeStoredState(const QString& path, const StoredState& state) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qCWarning(lcSdk).noquote() << "The state cannot be kept: no folder for" << path;
        return false;
    }
    const QByteArray bytes = QByteArray::fromStdString(toJson(state).dump(2)) + '\n';
    const platform::AtomicWriteResult written = platform::writeFileAtomically(path, bytes);
    if (!written) {
        qCWarning(lcSdk).noquote() << "The state cannot be kept in" << path << ":" << written.errorString;
    }
    return written.ok;
}

void applyStoredState(const StoredState& state, Workspace& workspace) {
    workspace.session.signedIn = state.session.signedIn;
    workspace.session.fastLoginAvailable = state.session.fastLoginAvailable;
    workspace.session.softLogout = state.session.softLogout;
    for (const SettingSwitch& stored : kSettingSwitches) {
        PDSettingBoolItem& item = workspace.settings.*stored.member;
        const auto value = state.switches.find(stored.name);
        if (!item.isEnforced && value != state.switches.end()) {
            item.value = value->second;
        }
    }
    if (state.trustedNetworks && !workspace.settings.trustedNetworksList.isEnforced) {
        workspace.settings.trustedNetworksList.value = *state.trustedNetworks;
    }
    // Ids the workspace no longer has find no network and are left out of the next write.
    workspace.currentNetworkId = state.currentNetworkId;
    workspace.favoriteIds = state.favoriteIds;
    workspace.lastUsedIds = state.lastUsedIds;
}

void storeSettings(const PDSettings& settings, StoredState& state) {
    for (const SettingSwitch& stored : kSettingSwitches) {
        const PDSettingBoolItem& item = settings.*stored.member;
        if (!item.isEnforced) {
            state.switches[stored.name] = item.value;
        }
    }
    if (!settings.trustedNetworksList.isEnforced) {
        state.trustedNetworks = settings.trustedNetworksList.value;
    }
}

} // namespace sdk
