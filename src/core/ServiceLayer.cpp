#include "core/ServiceLayer.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/SilentUpdateService.h"
#include "core/StringHelpers.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/ProcessList.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/Veltrix.h"
#include "sdk/VeltrixXPC.h"

#include <QFileInfo>

ServiceLayer& ServiceLayer::shared() {
    // Kept for the life of the process.
    static ServiceLayer* instance = new ServiceLayer();
    return *instance;
}

ApplicationModel& ServiceLayer::appModel() {
    return shared().model();
}

ServiceLayer::ServiceLayer() : ServiceLayer(platform::UserDefaults::standard()) {}

ServiceLayer::ServiceLayer(platform::UserDefaults& defaults)
    : m_defaults(defaults), m_appModel(std::make_unique<ApplicationModel>(defaults)),
      m_alive(std::make_shared<bool>(true)) {}

ServiceLayer::~ServiceLayer() {
    // Setting a slot waits for a callback in flight on it; none reaches this object afterwards.
    if (VeltrixXPC::settingsDelegate() == this) {
        VeltrixXPC::setSettingsDelegate(nullptr);
    }
    if (VeltrixXPC::publicIpInfoDelegate() == this) {
        VeltrixXPC::setPublicIpInfoDelegate(nullptr);
    }
}

MenuService& ServiceLayer::menuService() {
    if (!m_menuService) {
        m_menuService = std::make_unique<MenuService>(*m_appModel);
    }
    return *m_menuService;
}

void ServiceLayer::setMenuService(std::unique_ptr<MenuService> service) {
    m_menuService = std::move(service);
}

SilentUpdateService& ServiceLayer::silentUpdateService() {
    if (!m_silentUpdateService) {
        m_silentUpdateService = std::make_shared<SilentUpdateService>();
    }
    return *m_silentUpdateService;
}

void ServiceLayer::setSilentUpdateService(std::shared_ptr<SilentUpdateService> service) {
    m_silentUpdateService = std::move(service);
}

void ServiceLayer::setup() {
    // The public-IP callbacks read the menu hub on the SDK's thread: it exists before they can come.
    menuService();
    // Before the delegate: the SDK's item taking the preference at start is no settings update to report.
    m_appModel->syncCrashReportsSetting();
    VeltrixXPC::setSettingsDelegate(this);
    VeltrixXPC::setPublicIpInfoDelegate(this);
    prepareUserDefaultsToBeApplied();
    m_appModel->applyUserDefaults(m_defaults);
}

void ServiceLayer::prepareUserDefaultsToBeApplied() {
    const QString automatic = rawValue(VPNProtocols::Automatic);
    const QString l2tp = rawValue(VPNProtocols::L2TP);

    QString candidate;
    switch (m_defaults.integerForKey(SettingsUserDefaults::vpnProtocols)) {
    case 0:
        candidate = automatic;
        break;
    case 1:
        candidate = rawValue(VPNProtocols::IKEv2_StrongSwan);
        break;
    case 2:
        candidate = rawValue(VPNProtocols::OpenVPN);
        break;
    case 3:
    case 4:
        candidate = l2tp;
        break;
    default:
        candidate = automatic;
        vlog::print("prepareUserDefaultsToBeApplied default case");
        break;
    }

    const std::optional<QString> stored = m_defaults.stringForKey(SettingsUserDefaults::vpnProtocols);
    const QString value = stored.value_or(candidate);
    QString result;
    if (value == l2tp) {
        // L2TP is no longer offered, whether stored as text or as a legacy number.
        result = automatic;
        vlog::print("legacy L2TP protocol was updated -> Automatic");
        if (auto* r = router()) {
            r->showL2TPNoLongerAvailableAlertLater();
        }
    } else if (!stored) {
        result = candidate;
    } else if (value == automatic || value == rawValue(VPNProtocols::OpenVPN) ||
               value == rawValue(VPNProtocols::IKEv2_StrongSwan) ||
               value == rawValue(VPNProtocols::Wireguard)) {
        result = value;
        vlog::print("restored VPN protocol match");
    } else {
        result = automatic;
    }
    m_defaults.set(SettingsUserDefaults::vpnProtocols, result);
    m_defaults.synchronize();
}

void ServiceLayer::refreshUserIPAddress(QObject* owner, PublicIPHandler handler) {
    auto next = std::make_shared<IPHandler>();
    next->call = std::move(handler);
    next->owner = owner;
    next->hasOwner = owner != nullptr;
    {
        std::lock_guard lock(m_ipMutex);
        m_ipHandler = std::move(next);
    }
    VeltrixXPC::refreshPublicIpInfo();
}

bool ServiceLayer::isNewVersionAvailable() {
    const QString offered = m_appModel->offeredAppVersion();
    const bool newer = strings::isNewerVersion(offered, appVersion());
    if (newer && m_bannerRequestedFor != offered) {
        if (auto* r = router()) {
            m_bannerRequestedFor = offered;
            r->showUpdateAvailableBannerLater();
        }
    }
    return newer;
}

QString ServiceLayer::appVersion() const {
    return GlobalConstants::bundleShortVersion() + QLatin1Char('.') + GlobalConstants::bundleVersion();
}

void ServiceLayer::onAccountExpired() {
    vlog::print("onAccountExpired() executed...");
    platform::DispatchQueue::main().async([] {
        if (auto* r = appRouter()) {
            r->performLogout();
        }
        platform::DispatchQueue::main().asyncAfter(0.5, [] {
            if (auto* r = appRouter()) {
                r->showAccountExpired();
            }
        });
    });
}

AppRouterProtocol* ServiceLayer::router() const {
    return appRouter();
}

QStringList ServiceLayer::conflictingExecutables(const std::vector<platform::ProcessRecord>& processes,
                                                 const QStringList& ownExecutablePaths,
                                                 const platform::ProcessRecord& self) {
    const auto startedBefore = [&self](const platform::ProcessRecord& process) {
        return process.startTime != self.startTime ? process.startTime < self.startTime
                                                   : process.pid < self.pid;
    };
    QStringList paths;
    for (const platform::ProcessRecord& process : processes) {
        const bool sameUser = process.realUid && self.realUid && *process.realUid == *self.realUid;
        // Another runtime folder is another session (a test's copy, another log-in): its lock and socket
        // are out of this copy's sight, so it does not count. Unknown is taken as the same.
        const bool otherSession =
            process.runtimeDir && self.runtimeDir && *process.runtimeDir != *self.runtimeDir;
        if (process.pid == self.pid || !sameUser || otherSession || !startedBefore(process) ||
            !ownExecutablePaths.contains(process.executable) || paths.contains(process.executable)) {
            continue;
        }
        paths.append(process.executable);
    }
    return paths;
}

bool ServiceLayer::isConflictingAppsRunning() const {
    // This copy is one of the running applications; other copies show in the process list.
    const QString self = QStringLiteral("[%1]").arg(GlobalConstants::bundleIdentifierFromInfoFile());
    // The kernel names a running executable by its resolved path.
    const QString bundlePath = platform::Bundle::main().bundlePath();
    QStringList ownPaths;
    for (const GlobalConstants::OwnExecutable& own : GlobalConstants::ownExecutables()) {
        const QString inside = bundlePath + own.relativePath;
        ownPaths.append(QFileInfo(QFileInfo::exists(inside) ? inside : own.relativePath).canonicalFilePath());
    }
    const auto processes = platform::ProcessList(m_processTableRoot)
                               .runningProcesses(ownPaths)
                               .value_or(std::vector<platform::ProcessRecord>());
    const QStringList paths = conflictingExecutables(processes, ownPaths, platform::ProcessList::self());
    if (1 + paths.size() < 2) {
        return false;
    }
    vlog::print(
        {QStringLiteral("main: ") + self + QStringLiteral("; utils: ") + vlog::PrintItem(paths).text()});
    return true;
}

void ServiceLayer::connectToAnotherLocation(const PDNetworkItemPtr& location) {
    if (!location || !location->vpnConfiguration()) {
        vlog::warning(QStringLiteral("connectToAnotherLocation: the location has no VPN configuration"));
        return;
    }
    Veltrix::connectToAnotherLocation(*location->vpnConfiguration());
}

void ServiceLayer::applyUpdatedSettings() {
    if (m_appModel->isForcedUpdateAvailable()) {
        m_appModel->setIsInForcedUpgradeState(true);
        if (auto* r = router()) {
            r->enterForcedUpdateState();
        }
    } else if (m_appModel->isInForcedUpgradeState()) {
        m_appModel->setIsInForcedUpgradeState(false);
        if (auto* r = router()) {
            r->leaveForcedUpdateState();
        }
    }
}

void ServiceLayer::onUpdatedWithSettings(const PDSettings& /*settings*/) {
    platform::DispatchQueue::main().async([this, alive = std::weak_ptr<bool>(m_alive)] {
        if (alive.expired()) {
            return;
        }
        applyUpdatedSettings();
        m_appModel->syncCrashReportsSetting();
        platform::NotificationCenter::defaultCenter().post(QStringLiteral("settingsUpdated"));
    });
}

void ServiceLayer::onPublicIpInfoLoadedWithPublicIpInfo(const PDPublicIPInfoPtr& info) {
    std::shared_ptr<IPHandler> handler;
    {
        std::lock_guard lock(m_ipMutex);
        handler = m_ipHandler;
    }
    if (handler && handler->call) {
        platform::DispatchQueue::main().async([handler, info] {
            if (!handler->hasOwner || handler->owner) {
                handler->call(info);
            }
        });
    }
    if (m_menuService) {
        m_menuService->updateIPAddress(info);
    }
}

void ServiceLayer::onPublicIpInfoLoadingErrorWithError(const PDError& /*error*/) {
    onPublicIpInfoLoadedWithPublicIpInfo(
        std::make_shared<PDPublicIPInfo>(L10n::connection_IP_address_failed_to_fetch_label()));
}
