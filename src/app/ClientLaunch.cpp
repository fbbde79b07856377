#include "app/ClientLaunch.h"

#include "app/AppDelegate.h"
#include "platform/Application.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/UrlEvents.h"

namespace clientlaunch {

void wire(AppDelegate& delegate, platform::UrlEvents& urlEvents, platform::StatusBar& statusBar) {
    urlEvents.setReopenHandler([] { platform::Application::instance()->reopen(); });
    QObject::connect(&statusBar, &platform::StatusBar::trayAvailabilityChanged, &delegate,
                     [&delegate](bool available) {
                         if (!available) {
                             delegate.enterForegroundMode();
                         }
                     });
    platform::DispatchQueue::main().asyncAfter(
        noTrayGraceSeconds, [delegate = QPointer<AppDelegate>(&delegate), bar = QPointer<platform::StatusBar>(&statusBar)] {
            if (delegate && bar && !bar->isTrayAvailable()) {
                delegate->enterForegroundMode();
            }
        });
}

} // namespace clientlaunch
