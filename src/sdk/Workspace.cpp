#include "sdk/Workspace.h"

#include "platform/AsciiChars.h"
#include "platform/Bundle.h"
#include "platform/FileAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <nlohmann/json.hpp>

namespace sdk {

namespace {

using json = nlohmann::json;

// What a message quotes of the file at most: a line's worth, never a whole string of it.
constexpr qsizetype kMaxQuotedCharacters = 80;

struct ParseFailure {
    QString problem;
};

// A text of the file as a message quotes it: kMaxQuotedCharacters at most.
QString quoted(const QString& text) {
    return QLatin1Char('"') +
           (text.size() > kMaxQuotedCharacters ? text.left(kMaxQuotedCharacters - 1) + QStringLiteral("…")
                                               : text) +
           QLatin1Char('"');
}

[[noreturn]] void fail(const QString& path, const QString& problem) {
    throw ParseFailure{path.isEmpty() ? problem : path + QStringLiteral(": ") + problem};
}

QString child(const QString& path, const char* key) {
    return path.isEmpty() ? QString::fromUtf8(key) : path + QLatin1Char('.') + QString::fromUtf8(key);
}

QString element(const QString& path, std::size_t index) {
    return QStringLiteral("%1[%2]").arg(path).arg(index);
}

const char* typeName(const json& value) {
    if (value.is_object())
        return "an object";
    if (value.is_array())
        return "an array";
    if (value.is_string())
        return "a string";
    if (value.is_boolean())
        return "a Boolean";
    if (value.is_number())
        return "a number";
    return "null";
}

[[noreturn]] void wrongType(const QString& path, const char* expected, const json& value) {
    fail(path, QStringLiteral("expected %1, found %2")
                   .arg(QString::fromUtf8(expected), QString::fromUtf8(typeName(value))));
}

// Typed reads of one member; a member that is required and absent is an error, an optional one gives
// the fallback.
const json* member(const json& object, const QString& path, const char* key, bool required) {
    const auto found = object.find(key);
    if (found == object.end()) {
        if (required) {
            fail(child(path, key), QStringLiteral("missing"));
        }
        return nullptr;
    }
    return &*found;
}

const json& objectAt(const json& object, const QString& path, const char* key) {
    const json& value = *member(object, path, key, true);
    if (!value.is_object()) {
        wrongType(child(path, key), "an object", value);
    }
    return value;
}

const json* optionalObject(const json& object, const QString& path, const char* key) {
    const json* value = member(object, path, key, false);
    if (value && !value->is_object()) {
        wrongType(child(path, key), "an object", *value);
    }
    return value;
}

const json* optionalArray(const json& object, const QString& path, const char* key, bool required = false) {
    const json* value = member(object, path, key, required);
    if (value && !value->is_array()) {
        wrongType(child(path, key), "an array", *value);
    }
    return value;
}

QString stringAt(const json& object, const QString& path, const char* key, bool required,
                 const QString& fallback = {}) {
    const json* value = member(object, path, key, required);
    if (!value) {
        return fallback;
    }
    if (!value->is_string()) {
        wrongType(child(path, key), "a string", *value);
    }
    const QString text = QString::fromStdString(value->get<std::string>());
    if (required && text.trimmed().isEmpty()) {
        fail(child(path, key), QStringLiteral("must not be empty"));
    }
    return text;
}

bool boolAt(const json& object, const QString& path, const char* key, bool fallback = false) {
    const json* value = member(object, path, key, false);
    if (!value) {
        return fallback;
    }
    if (!value->is_boolean()) {
        wrongType(child(path, key), "a Boolean", *value);
    }
    return value->get<bool>();
}

double secondsAt(const json& object, const QString& path, const char* key, double fallback) {
    const json* value = member(object, path, key, false);
    if (!value) {
        return fallback;
    }
    if (!value->is_number()) {
        wrongType(child(path, key), "a number", *value);
    }
    const double seconds = value->get<double>();
    if (!(seconds >= 0 && seconds <= 3600)) {
        fail(child(path, key), QStringLiteral("expected seconds between 0 and 3600"));
    }
    return seconds;
}

QStringList stringList(const json& object, const QString& path, const char* key) {
    QStringList result;
    if (const json* array = optionalArray(object, path, key)) {
        const QString arrayPath = child(path, key);
        for (std::size_t i = 0; i < array->size(); ++i) {
            const json& value = (*array)[i];
            if (!value.is_string()) {
                wrongType(element(arrayPath, i), "a string", value);
            }
            result.append(QString::fromStdString(value.get<std::string>()));
        }
    }
    return result;
}

NetworkDefinition parseNetwork(const json& value, const QString& path, bool isPublic) {
    if (!value.is_object()) {
        wrongType(path, "an object", value);
    }
    NetworkDefinition network;
    network.id = stringAt(value, path, "id", true);
    network.name = stringAt(value, path, "name", true);
    network.countryCode = stringAt(value, path, "country", isPublic).toLower();
    if (!network.countryCode.isEmpty() &&
        !(network.countryCode.size() == 2 &&
          std::all_of(network.countryCode.begin(), network.countryCode.end(), platform::isAsciiLetter))) {
        fail(child(path, "country"), QStringLiteral("expected a two-letter country code"));
    }
    network.continent = stringAt(value, path, "continent", isPublic);
    const json& gateway = objectAt(value, path, "gateway");
    const QString gatewayPath = child(path, "gateway");
    network.gateway.hostname = stringAt(gateway, gatewayPath, "hostname", true);
    network.gateway.publicAddress = stringAt(gateway, gatewayPath, "publicAddress", true);
    network.gateway.region = stringAt(gateway, gatewayPath, "region", false, network.name);
    network.splitTunneling = boolAt(value, path, "splitTunneling");
    network.dnsFiltering = boolAt(value, path, "dnsFiltering");
    network.privateDNS = boolAt(value, path, "privateDNS");
    return network;
}

std::vector<NetworkDefinition> parseNetworkList(const json& object, const QString& path, const char* key,
                                                bool isPublic) {
    std::vector<NetworkDefinition> result;
    const json* array = optionalArray(object, path, key, true);
    const QString arrayPath = child(path, key);
    for (std::size_t i = 0; i < array->size(); ++i) {
        result.push_back(parseNetwork((*array)[i], element(arrayPath, i), isPublic));
    }
    return result;
}

PDSettingBoolItem parseSetting(const json& settings, const char* key) {
    const json* value = optionalObject(settings, QStringLiteral("settings"), key);
    if (!value) {
        return {};
    }
    const QString path = child(QStringLiteral("settings"), key);
    return PDSettingBoolItem(boolAt(*value, path, "enforced"), boolAt(*value, path, "value"));
}

PDSettings parseSettings(const json& root) {
    PDSettings settings;
    const json* object = optionalObject(root, {}, "settings");
    if (!object) {
        return settings;
    }
    for (const SettingSwitch& setting : kSettingSwitches) {
        settings.*setting.member = parseSetting(*object, setting.name);
    }
    if (const json* list = optionalObject(*object, QStringLiteral("settings"), "trustedNetworksList")) {
        const QString path = QStringLiteral("settings.trustedNetworksList");
        settings.trustedNetworksList.isEnforced = boolAt(*list, path, "enforced");
        if (const json* networks = optionalArray(*list, path, "networks")) {
            for (std::size_t i = 0; i < networks->size(); ++i) {
                const json& entry = (*networks)[i];
                const QString entryPath = element(child(path, "networks"), i);
                if (!entry.is_object()) {
                    wrongType(entryPath, "an object", entry);
                }
                const QString ssid = stringAt(entry, entryPath, "ssid", true);
                settings.trustedNetworksList.value.append(
                    PDWiFiNetwork(ssid, stringAt(entry, entryPath, "bssid", false, ssid)));
            }
        }
    }
    return settings;
}

PDAppConfig parseAppConfig(const json& root, const QString& baseDir) {
    PDAppConfig config;
    const json* object = optionalObject(root, {}, "appConfig");
    if (!object) {
        return config;
    }
    const QString path = QStringLiteral("appConfig");
    config.signUpLink = stringAt(*object, path, "signUpLink", false);
    config.supportLink = stringAt(*object, path, "supportLink", false);
    config.offeredVersion = stringAt(*object, path, "offeredVersion", false);
    const QString date = stringAt(*object, path, "releaseDate", false);
    if (!date.isEmpty()) {
        config.releaseDate = QDateTime::fromString(date, Qt::ISODate);
        if (!config.releaseDate.isValid()) {
            config.releaseDate = QDate::fromString(date, Qt::ISODate).startOfDay();
        }
        if (!config.releaseDate.isValid()) {
            fail(child(path, "releaseDate"), QStringLiteral("expected an ISO date such as 2024-05-02"));
        }
    }
    const QString url = stringAt(*object, path, "packageUrl", !config.offeredVersion.isEmpty());
    if (!url.isEmpty()) {
        const QUrl parsed(url);
        // A plain path is a file beside the workspace file.
        config.packageUrl = parsed.scheme().isEmpty()
                                ? QUrl::fromLocalFile(QDir(baseDir).absoluteFilePath(url)).toString()
                                : parsed.toString();
    }
    config.packageSha256 = stringAt(*object, path, "packageSha256", !url.isEmpty()).toLower();
    if (!config.packageSha256.isEmpty() &&
        !(config.packageSha256.size() == 64 &&
          std::all_of(config.packageSha256.begin(), config.packageSha256.end(), platform::isHexDigit))) {
        fail(child(path, "packageSha256"), QStringLiteral("expected 64 hexadecimal digits"));
    }
    config.packagePath = stringAt(*object, path, "packagePath", false);
    if (config.packagePath.isEmpty() && !url.isEmpty()) {
        const QString name = QFileInfo(QUrl(config.packageUrl).path()).fileName();
        config.packagePath = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                             QStringLiteral("/updates/") +
                             (name.isEmpty() ? QStringLiteral("update.pkg") : name);
    }
    config.isForcedUpdate = boolAt(*object, path, "forced");
    config.isSilentUpdate = boolAt(*object, path, "silent");
    return config;
}

void checkReference(const Workspace& workspace, const QString& path, const QString& id) {
    if (!id.isEmpty() && !workspace.network(id)) {
        fail(path, QStringLiteral("no network with id %1").arg(quoted(id)));
    }
}

Workspace parseRoot(const json& root, const QString& baseDir) {
    if (!root.is_object()) {
        wrongType({}, "an object at the top", root);
    }
    Workspace workspace;

    const json& user = objectAt(root, {}, "user");
    workspace.user.name = stringAt(user, QStringLiteral("user"), "name", true);
    workspace.user.email = stringAt(user, QStringLiteral("user"), "email", true);
    workspace.user.enterprise = boolAt(user, QStringLiteral("user"), "enterprise");

    const json& tenant = objectAt(root, {}, "tenant");
    workspace.tenant.id = stringAt(tenant, QStringLiteral("tenant"), "id", true);
    workspace.tenant.name = stringAt(tenant, QStringLiteral("tenant"), "name", false, workspace.tenant.id);

    const json& session = objectAt(root, {}, "session");
    const QString sessionPath = QStringLiteral("session");
    workspace.session.signedIn = boolAt(session, sessionPath, "signedIn");
    workspace.session.fastLoginAvailable = boolAt(session, sessionPath, "fastLoginAvailable");
    workspace.session.softLogout = boolAt(session, sessionPath, "softLogout");
    workspace.session.idToken = stringAt(session, sessionPath, "idToken", true);
    const QString tokenType = stringAt(session, sessionPath, "tokenType", false, QStringLiteral("standard"));
    if (tokenType == QLatin1String("implicitToken")) {
        workspace.session.tokenType = PDTokenType::implicitToken;
    } else if (tokenType != QLatin1String("standard")) {
        fail(child(sessionPath, "tokenType"), QStringLiteral("expected \"standard\" or \"implicitToken\""));
    }
    workspace.session.browserDelaySeconds = secondsAt(session, sessionPath, "browserDelaySeconds", 1.0);

    if (const json* connection = optionalObject(root, {}, "connection")) {
        const QString path = QStringLiteral("connection");
        workspace.connection.connectDelaySeconds = secondsAt(*connection, path, "connectDelaySeconds", 1.5);
        workspace.connection.reconnectDelaySeconds =
            secondsAt(*connection, path, "reconnectDelaySeconds", 3.0);
        workspace.connection.internalAddress =
            stringAt(*connection, path, "internalAddress", false, workspace.connection.internalAddress);
        workspace.connection.startedOnLaunch = boolAt(*connection, path, "startedOnLaunch");
    }
    workspace.publicAddress = stringAt(root, {}, "publicAddress", true);

    if (const json* device = optionalObject(root, {}, "device")) {
        const QString path = QStringLiteral("device");
        const QString posture = stringAt(*device, path, "posture", false, QStringLiteral("healthy"));
        if (posture == QLatin1String("healthy")) {
            workspace.device.posture = PD_DevicePostureCheckState::healthy;
        } else if (posture == QLatin1String("atRisk")) {
            workspace.device.posture = PD_DevicePostureCheckState::atRisk;
        } else if (posture == QLatin1String("inactive")) {
            workspace.device.posture = PD_DevicePostureCheckState::inactive;
        } else {
            fail(child(path, "posture"), QStringLiteral("expected \"healthy\", \"atRisk\" or \"inactive\""));
        }
        workspace.device.secureWebGateway = boolAt(*device, path, "secureWebGateway");
        workspace.device.trustedWiredNetwork = boolAt(*device, path, "trustedWiredNetwork");
        workspace.device.wifiSecurityActivated = boolAt(*device, path, "wifiSecurityActivated");
    }

    const json& networks = objectAt(root, {}, "networks");
    const QString networksPath = QStringLiteral("networks");
    workspace.privateNetworks = parseNetworkList(networks, networksPath, "private", false);
    if (const json* shared = optionalObject(networks, networksPath, "shared")) {
        const QString sharedPath = child(networksPath, "shared");
        workspace.sharedGroupName = stringAt(*shared, sharedPath, "name", true);
        workspace.sharedNetworks = parseNetworkList(*shared, sharedPath, "networks", false);
    }
    workspace.publicLocations = parseNetworkList(networks, networksPath, "public", true);

    QSet<QString> ids;
    auto checkUnique = [&](const std::vector<NetworkDefinition>& list, const QString& listPath) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (ids.contains(list[i].id)) {
                fail(child(element(listPath, i), "id"),
                     QStringLiteral("duplicate id %1").arg(quoted(list[i].id)));
            }
            ids.insert(list[i].id);
        }
    };
    checkUnique(workspace.privateNetworks, QStringLiteral("networks.private"));
    checkUnique(workspace.sharedNetworks, QStringLiteral("networks.shared.networks"));
    checkUnique(workspace.publicLocations, QStringLiteral("networks.public"));

    workspace.automaticLocationId = stringAt(networks, networksPath, "automatic", false);
    checkReference(workspace, child(networksPath, "automatic"), workspace.automaticLocationId);
    if (!workspace.automaticLocationId.isEmpty() &&
        std::none_of(workspace.publicLocations.begin(), workspace.publicLocations.end(),
                     [&](const NetworkDefinition& n) { return n.id == workspace.automaticLocationId; })) {
        fail(child(networksPath, "automatic"), QStringLiteral("must name a public location"));
    }
    workspace.currentNetworkId = stringAt(networks, networksPath, "current", false);
    checkReference(workspace, child(networksPath, "current"), workspace.currentNetworkId);
    workspace.favoriteIds = stringList(networks, networksPath, "favorites");
    for (qsizetype i = 0; i < workspace.favoriteIds.size(); ++i) {
        checkReference(workspace, element(child(networksPath, "favorites"), i), workspace.favoriteIds[i]);
    }
    workspace.lastUsedIds = stringList(networks, networksPath, "lastUsed");
    for (qsizetype i = 0; i < workspace.lastUsedIds.size(); ++i) {
        checkReference(workspace, element(child(networksPath, "lastUsed"), i), workspace.lastUsedIds[i]);
    }

    workspace.settings = parseSettings(root);
    workspace.appConfig = parseAppConfig(root, baseDir);
    return workspace;
}

// Where byte `offset` of `text` lies, for people: "line L, column C", columns counted in characters.
// The first byte of the line that holds byte `offset`.
qsizetype lineStartOf(const QByteArray& text, qsizetype offset) {
    return offset > 0 ? text.lastIndexOf('\n', offset - 1) + 1 : 0; // a negative start counts from the end
}

QString placeOf(const QByteArray& text, qsizetype offset) {
    const qsizetype lineStart = lineStartOf(text, offset);
    const qsizetype line = text.first(lineStart).count('\n') + 1;
    qsizetype column = 1;
    for (qsizetype i = lineStart; i < offset; ++i) {
        column +=
            (uchar(text[i]) & 0xc0) != 0x80 ? 1 : 0; // continuation bytes belong to the character before
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// At most kMaxQuotedCharacters of the file's line up to byte `offset`, control characters shown as U+FFFD.
QString excerptBefore(const QByteArray& text, qsizetype offset) {
    qsizetype end = std::min(offset + 1, text.size());
    if (end > 0 && text[end - 1] == '\n') {
        --end; // the line that the line break ends
    }
    const qsizetype lineStart = lineStartOf(text, end);
    const qsizetype start = std::max(lineStart, end - 4 * kMaxQuotedCharacters);
    QString quoted = QString::fromUtf8(text.sliced(start, end - start));
    for (QChar& c : quoted) {
        if (c.category() == QChar::Other_Control) {
            c = QChar::ReplacementCharacter;
        }
    }
    if (quoted.size() > kMaxQuotedCharacters || start > lineStart) {
        quoted = QStringLiteral("…") + quoted.right(kMaxQuotedCharacters - 1);
    }
    return quoted;
}

// Any other error of the library, without its tag and with what it quotes of the text cut to size.
QString otherErrorReason(const json::exception& error) {
    QString reason = QString::fromUtf8(error.what());
    reason.remove(0, reason.indexOf(QLatin1Char(']')) + 1);
    const qsizetype open = reason.indexOf(QLatin1Char('\''));
    const qsizetype close = reason.lastIndexOf(QLatin1Char('\''));
    if (open >= 0 && close > open) {
        reason = reason.left(open) + quoted(reason.mid(open + 1, close - open - 1)) + reason.mid(close + 1);
    }
    return reason.trimmed();
}

// The parser's reason without its own quote of the text read, which may be the whole file. What it says it
// expected follows that quote, and the quote may itself hold "'; expected ": only a clause naming one of
// the parser's own tokens is kept.
QString parseErrorReason(const json::parse_error& error) {
    const std::string_view what = error.what();
    std::string_view reason = what.substr(std::min(what.find(": ") + 2, what.size()));
    const auto lastRead = reason.find("; last read: '");
    if (lastRead == std::string_view::npos) {
        return QString::fromUtf8(reason);
    }
    static constexpr std::string_view tokens[] = {"true literal",
                                                  "false literal",
                                                  "null literal",
                                                  "string literal",
                                                  "number literal",
                                                  "'['",
                                                  "'{'",
                                                  "']'",
                                                  "'}'",
                                                  "':'",
                                                  "','",
                                                  "end of input",
                                                  "'[', '{', or a literal",
                                                  "<parse error>",
                                                  "<unknown token>"};
    const std::string_view read = reason.substr(lastRead);
    for (const std::string_view token : tokens) {
        const std::string clause = "'; expected " + std::string(token);
        if (read.size() > clause.size() && read.ends_with(clause)) {
            return QString::fromUtf8(reason.substr(0, lastRead)) + QStringLiteral("; expected ") +
                   QString::fromUtf8(token);
        }
    }
    return QString::fromUtf8(reason.substr(0, lastRead));
}

} // namespace

const NetworkDefinition* Workspace::network(const QString& id) const {
    for (const auto* list : {&privateNetworks, &sharedNetworks, &publicLocations}) {
        for (const auto& network : *list) {
            if (network.id == id) {
                return &network;
            }
        }
    }
    return nullptr;
}

WorkspaceLoadResult parseWorkspace(const QByteArray& text, const QString& sourceName,
                                   const QString& baseDir) {
    WorkspaceLoadResult result;
    try {
        const json root = json::parse(text.constData(), text.constData() + text.size());
        // The parser takes a NUL byte for the end of the text: whatever follows one is text after the value.
        if (const qsizetype nul = text.indexOf('\0'); nul >= 0) {
            result.error =
                QStringLiteral("%1: text after the JSON value at %2").arg(sourceName, placeOf(text, nul));
            return result;
        }
        Workspace workspace = parseRoot(root, baseDir);
        workspace.sourcePath = sourceName;
        result.workspace = std::move(workspace);
    } catch (const json::parse_error& error) {
        const qsizetype at = qBound<qsizetype>(0, qsizetype(error.byte) - 1, text.size());
        result.error =
            QStringLiteral("%1: invalid JSON at %2: %3; near \"%4\"")
                .arg(sourceName, placeOf(text, at), parseErrorReason(error), excerptBefore(text, at));
    } catch (const json::exception& error) {
        // Numbers that overflow a double while parsing ("1e999"); the library quotes the number.
        result.error = QStringLiteral("%1: invalid JSON: %2").arg(sourceName, otherErrorReason(error));
    } catch (const ParseFailure& failure) {
        result.error = QStringLiteral("%1: %2").arg(sourceName, failure.problem);
    }
    return result;
}

WorkspaceLoadResult loadWorkspaceFile(const QString& path) {
    if (path.isEmpty()) {
        return {std::nullopt, QStringLiteral("no workspace file: the bundle has no demo/workspace.json")};
    }
    // A FIFO or a device would be waited on or read without end: only a regular file of sane size is read.
    const platform::RegularFileRead file = platform::readRegularFile(path, kMaxWorkspaceBytes);
    if (!file.ok()) {
        return {std::nullopt, QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString)};
    }
    return parseWorkspace(file.bytes, path, QFileInfo(path).absolutePath());
}

QString workspacePath(const QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--workspace") && i + 1 < arguments.size()) {
            return arguments[i + 1];
        }
        if (arguments[i].startsWith(QLatin1String("--workspace="))) {
            return arguments[i].mid(int(sizeof("--workspace=") - 1));
        }
    }
    const QString fromEnvironment = qEnvironmentVariable("VELTRIX_WORKSPACE");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    return platform::Bundle::main().pathForResource(QStringLiteral("demo/workspace.json"));
}

WorkspaceLoadResult loadProcessWorkspace() {
    const QStringList arguments =
        QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList();
    return loadWorkspaceFile(workspacePath(arguments));
}

QUrl flagUrl(const QString& countryCode) {
    if (countryCode.isEmpty()) {
        return {};
    }
    return QUrl::fromLocalFile(
        QStringLiteral("%1/%2.svg").arg(QString::fromUtf8(kFlagDirectory), countryCode.toLower()));
}

} // namespace sdk
