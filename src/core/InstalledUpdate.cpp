#include "core/InstalledUpdate.h"

#include "core/Preferences.h"
#include "platform/Application.h"
#include "platform/UserDefaults.h"

namespace installedupdate {

namespace {
// The record is for the copy the SDK starts next; this one may show its home tab again while it ends.
bool recordedByThisCopy = false;
} // namespace

QString describe(const SDUpdateInstallResult& result) {
    switch (result.outcome) {
    case SDUpdateInstallResult::Outcome::installed:
        return QStringLiteral("update success");
    case SDUpdateInstallResult::Outcome::refused:
        return QStringLiteral("prepareToInstallAppAutoUpdate FAILED -- Verification failed");
    case SDUpdateInstallResult::Outcome::notInstalled:
        break;
    }
    return QStringLiteral("prepareToInstallAppAutoUpdate FAILED -- ") + result.reason;
}

void finish(const QString& version) {
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(SettingsUserDefaults::installedUpdateVersion, version);
    defaults.set(SettingsUserDefaults::showSilentSuccessMessage, true);
    recordedByThisCopy = true;
    if (auto* application = platform::Application::instance()) {
        application->terminateForSystem(platform::QuitReason::restart);
    }
}

std::optional<QString> takeAnnouncement(const QString& runningVersion) {
    auto& defaults = platform::UserDefaults::standard();
    if (recordedByThisCopy || !defaults.boolForKey(SettingsUserDefaults::showSilentSuccessMessage)) {
        return std::nullopt;
    }
    const std::optional<QString> installed =
        defaults.stringForKey(SettingsUserDefaults::installedUpdateVersion);
    defaults.set(SettingsUserDefaults::showSilentSuccessMessage, false);
    defaults.removeObject(SettingsUserDefaults::installedUpdateVersion);
    if (!installed || *installed != runningVersion) {
        return std::nullopt;
    }
    return installed;
}

} // namespace installedupdate
