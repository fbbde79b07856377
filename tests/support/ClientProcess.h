#pragma once

// The process-wide state that tests of the application delegate share (its preferences, the model's
// run-time flags, the notification centres, the menu hub, the SDK's delegates), set up and put back the
// same way by the unit tests and the end-to-end scenarios. For binaries that link the client.

#include "app/AppDelegate.h"
#include "core/ApplicationModel.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "platform/Application.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotificationCenter.h"
#include "sdk/SimulatedWorkspace.h"

#include <memory>

namespace clientprocess {

// No stored preference, the model in the foreground and not minimised, notifications to `center` and
// `older`.
inline void reset(platform::UserNotificationCenter& center, platform::UserNotificationCenter& older) {
    auto& defaults = platform::UserDefaults::standard();
    for (const QString& key : SettingsUserDefaults::registeredDefaults().keys()) {
        defaults.removeObject(key);
    }
    auto& model = ServiceLayer::appModel();
    model.setStartMinimized(false);
    model.setIsAppInUserAgentMode(false);
    openedFromNotification = false;
    QAUINotifier::setCenter(&center);
    setOlderUserNotificationCenter(&older);
}

// A delegate installed as the application's, with a menu hub made with `menus` (its front ends). Copies of
// a test binary run side by side and are not copies of the client: the real check only when asked.
inline std::unique_ptr<AppDelegate> install(MenuService::Controllers menus, bool realCopyCheck = false) {
    auto delegate = std::make_unique<AppDelegate>();
    if (!realCopyCheck) {
        delegate->setConflictingInstancesCheck([] { return false; });
    }
    platform::Application::instance()->setDelegate(delegate.get());
    ServiceLayer::shared().setMenuService(
        std::make_unique<MenuService>(ServiceLayer::appModel(), std::move(menus)));
    return delegate;
}

// The delegate and its front ends gone, the centres and the SDK's delegates released.
inline void tearDown(std::unique_ptr<AppDelegate>& delegate) {
    platform::Application::instance()->setDelegate(nullptr);
    ServiceLayer::shared().setMenuService(
        std::make_unique<MenuService>(ServiceLayer::appModel(), MenuService::Controllers{}));
    delegate.reset();
    ServiceLayer::shared().setSilentUpdateService(nullptr); // a process of its own would start without it
    QAUINotifier::setCenter(nullptr);
    setOlderUserNotificationCenter(nullptr);
    sdk::SimulatedWorkspace::instance().clearDelegates();
}

} // namespace clientprocess
