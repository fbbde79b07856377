// The workspace file of the SDK stand-in: JSON text in, a whole workspace or an error naming the file out;
// a workspace then feeds the simulated service, whose sign-in callback must carry its token unchanged.

#include "FuzzSupport.h"

#include "core/SignInCallback.h"
#include "sdk/SimulatedWorkspace.h"
#include "sdk/Workspace.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

const QString sourceName = QStringLiteral("fuzz/workspace.json");

bool isWholeNetwork(const sdk::NetworkDefinition& network, bool isPublic) {
    static const QRegularExpression countryCode(QStringLiteral("^[a-z]{2}$"));
    if (network.id.trimmed().isEmpty() || network.name.trimmed().isEmpty() ||
        network.gateway.hostname.trimmed().isEmpty() || network.gateway.publicAddress.trimmed().isEmpty()) {
        return false;
    }
    if (isPublic && (network.countryCode.isEmpty() || network.continent.trimmed().isEmpty())) {
        return false;
    }
    return network.countryCode.isEmpty() || countryCode.match(network.countryCode).hasMatch();
}

bool isDelay(double seconds) {
    return seconds >= 0 && seconds <= 3600;
}

// Everything the simulated service relies on once a workspace is loaded.
void checkWorkspace(const sdk::Workspace& workspace) {
    FUZZ_CHECK(workspace.sourcePath == sourceName);
    FUZZ_CHECK(!workspace.user.name.trimmed().isEmpty() && !workspace.user.email.trimmed().isEmpty());
    FUZZ_CHECK(!workspace.tenant.id.trimmed().isEmpty());
    FUZZ_CHECK(!workspace.session.idToken.trimmed().isEmpty());
    FUZZ_CHECK(!workspace.publicAddress.trimmed().isEmpty());
    FUZZ_CHECK(isDelay(workspace.session.browserDelaySeconds));
    FUZZ_CHECK(isDelay(workspace.connection.connectDelaySeconds));
    FUZZ_CHECK(isDelay(workspace.connection.reconnectDelaySeconds));

    QSet<QString> ids;
    std::size_t count = 0;
    for (const auto* list :
         {&workspace.privateNetworks, &workspace.sharedNetworks, &workspace.publicLocations}) {
        const bool isPublic = list == &workspace.publicLocations;
        for (const auto& network : *list) {
            FUZZ_CHECK(isWholeNetwork(network, isPublic));
            ids.insert(network.id);
            ++count;
        }
    }
    FUZZ_CHECK(std::size_t(ids.size()) == count);
    if (!workspace.sharedNetworks.empty()) {
        FUZZ_CHECK(!workspace.sharedGroupName.trimmed().isEmpty());
    }

    if (!workspace.automaticLocationId.isEmpty()) {
        const auto& locations = workspace.publicLocations;
        FUZZ_CHECK(std::any_of(locations.begin(), locations.end(),
                               [&](const auto& n) { return n.id == workspace.automaticLocationId; }));
    }
    FUZZ_CHECK(workspace.currentNetworkId.isEmpty() || workspace.network(workspace.currentNetworkId));
    for (const QStringList* references : {&workspace.favoriteIds, &workspace.lastUsedIds}) {
        for (const QString& id : *references) {
            FUZZ_CHECK(id.isEmpty() || workspace.network(id));
        }
    }

    const PDAppConfig& config = workspace.appConfig;
    if (!config.offeredVersion.isEmpty()) {
        FUZZ_CHECK(!config.packageUrl.isEmpty());
    }
    if (!config.packageUrl.isEmpty()) {
        static const QRegularExpression sha256(QStringLiteral("^[0-9a-f]{64}$"));
        FUZZ_CHECK(sha256.match(config.packageSha256).hasMatch());
        FUZZ_CHECK(!config.packagePath.isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const sdk::WorkspaceLoadResult result =
        sdk::parseWorkspace(fuzz::bytes(data, size), sourceName, QStringLiteral("/nonexistent/workspace"));
    if (!result.ok()) {
        // A clear error: it names the file and says something after it, quoting a line's worth of it at
        // most, however long the text it read.
        FUZZ_CHECK(result.error.startsWith(sourceName + QStringLiteral(": ")));
        FUZZ_CHECK(result.error.size() > sourceName.size() + 2);
        FUZZ_CHECK(result.error.size() < sourceName.size() + 400);
        return 0;
    }
    // The parser reads a NUL byte as the end of the text; nothing may follow the value, a NUL included.
    FUZZ_CHECK(!fuzz::bytes(data, size).contains('\0'));
    FUZZ_CHECK(result.error.isEmpty());
    checkWorkspace(*result.workspace);

    // The simulated service takes it as it is, and its browser hands the client the token and tenant the
    // file wrote, through the URL as a launch forwards it.
    const sdk::SimulatedWorkspace service(*result.workspace);
    const QString token = result.workspace->session.idToken;
    const QUrl url(service.callbackUrl(token).toString(QUrl::FullyEncoded), QUrl::StrictMode);
    const PDEndpointConfig config;
    const auto parsed = parseSignInCallback(url, config.urlScheme(), config.authDomain());
    const auto* auth = std::get_if<PDExtendedAuthResult>(&parsed);
    FUZZ_CHECK(auth != nullptr);
    FUZZ_CHECK(auth->token == token && auth->tenant == result.workspace->tenant.id);
    FUZZ_CHECK(auth->tokenType == result.workspace->session.tokenType);
    return 0;
}
