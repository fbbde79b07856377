#pragma once

#include "core/GlobalConstants.h"
#include "sdk/Delegates.h"
#include "sdk/PDNetworks.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class AppRouterProtocol;
class ApplicationModel;
class BulkLogHelper;
class MenuService;
class SilentUpdateService;
namespace platform {
struct ProcessRecord;
class UserDefaults;
} // namespace platform

// Sits between the client and the SDK for what is no window's business: owns the model, makes the menu
// hub and the update and log services, is the SDK's settings and public-IP delegate, repairs the stored
// protocol, compares versions, reacts to an expired account and finds conflicting copies.
class ServiceLayer : public PDSettingsDelegate, public PDPublicIpInfoServiceDelegate {
public:
    // The process's one service layer, made on first use (on the main thread).
    static ServiceLayer& shared();
    // The process's model: shared().model().
    static ApplicationModel& appModel();

    // For tests: a service layer over its own defaults. The process uses shared().
    explicit ServiceLayer(platform::UserDefaults& defaults);
    ~ServiceLayer() override;
    ServiceLayer(const ServiceLayer&) = delete;
    ServiceLayer& operator=(const ServiceLayer&) = delete;

    ApplicationModel& model() { return *m_appModel; }
    // Made on first use (setup() makes it, on the main thread, before any SDK callback can read it).
    MenuService& menuService();
    void setMenuService(std::unique_ptr<MenuService> service);
    // Made on first use with their plain constructors.
    SilentUpdateService& silentUpdateService();
    BulkLogHelper& bulkLogHelper();
    // Another shipper (one with a test's endpoint); null brings back the plain one on next use.
    void setBulkLogHelper(std::shared_ptr<BulkLogHelper> helper);
    // Null gives the next client started in this process a silent-update service of its own.
    void setSilentUpdateService(std::shared_ptr<SilentUpdateService> service);

    std::function<void(bool)> onInternetReachabilityCheckFinished() const {
        return m_onReachabilityCheckFinished;
    }
    void setOnInternetReachabilityCheckFinished(std::function<void(bool)> callback) {
        m_onReachabilityCheckFinished = std::move(callback);
    }

    // Menus first, then the SDK delegates, the protocol repair and the model's defaults.
    void setup();
    // Repairs the stored "vpnProtocols": legacy numbers and retired protocols become a current one.
    void prepareUserDefaultsToBeApplied();
    // Asks the SDK for the public address. `handler` (replacing the previous one) gets every later
    // answer on the main queue while `owner` exists.
    using PublicIPHandler = std::function<void(const PDPublicIPInfoPtr&)>;
    void refreshUserIPAddress(QObject* owner, PublicIPHandler handler);
    // True when the service offers a newer version; then the banner is requested, once per version.
    bool isNewVersionAvailable();
    // "<short version>.<build>".
    QString appVersion() const;
    void onAccountExpired();
    AppRouterProtocol* router() const;
    bool isConflictingAppsRunning() const;
    static void connectToAnotherLocation(const PDNetworkItemPtr& location);

    // Executables among `processes` that are one of `ownExecutablePaths` and count against `self`: run by
    // the same real user and started before it (a copy started later hands its launch over and exits on
    // its own, so two copies started together never both quit). Each path once.
    static QStringList conflictingExecutables(const std::vector<platform::ProcessRecord>& processes,
                                              const QStringList& ownExecutablePaths,
                                              const platform::ProcessRecord& self);
    // Where the process table is read ("/proc"); tests point it at a table of their own.
    void setProcessTableRoot(const QString& root) { m_processTableRoot = root; }

    // SDK callbacks (any thread).
    void onUpdatedWithSettings(const PDSettings& settings) override;
    void onPublicIpInfoLoadedWithPublicIpInfo(const PDPublicIPInfoPtr& info) override;
    void onPublicIpInfoLoadingErrorWithError(const PDError& error) override;

    // The forced-update state after a settings update (main thread).
    void applyUpdatedSettings();

private:
    ServiceLayer();

    platform::UserDefaults& m_defaults;
    std::unique_ptr<ApplicationModel> m_appModel;
    std::unique_ptr<MenuService> m_menuService;
    std::shared_ptr<BulkLogHelper> m_bulkLogHelper;
    std::shared_ptr<SilentUpdateService> m_silentUpdateService;
    std::function<void(bool)> m_onReachabilityCheckFinished;
    QString m_processTableRoot = QStringLiteral("/proc");

    struct IPHandler {
        PublicIPHandler call;
        QPointer<QObject> owner;
        bool hasOwner = false;
    };
    std::shared_ptr<IPHandler> m_ipHandler; // swapped under the lock; read on the SDK's thread
    mutable std::mutex m_ipMutex;
    std::optional<QString> m_bannerRequestedFor;
    std::shared_ptr<bool> m_alive;
};
