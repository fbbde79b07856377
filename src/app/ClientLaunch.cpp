#include "app/ClientLaunch.h"

#include "app/Alerts.h"
#include "app/AppDelegate.h"
#include "platform/Application.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/UrlEvents.h"
#include "platform/Workspace.h"
#include "sdk/SimulatedWorkspace.h"
#include "toolkit/Alert.h"

#include <QMessageBox>
#include <QPointer>

namespace clientlaunch {

namespace {

void showWorkspaceLoadError(const QString& error) {
    alerts::makeWorkspaceLoadError(error)->show();
}

// One alert at a time: a second failed link replaces the first one's alert.
void showLinkNotOpened(const QUrl& url) {
    static QPointer<QMessageBox> shown;
    if (shown) {
        shown->close();
    }
    shown = makeLinkNotOpenedAlert(url);
    shown->show();
    shown->raise();
    shown->activateWindow();
}

} // namespace

void wire(AppDelegate& delegate, platform::UrlEvents& urlEvents, platform::StatusBar& statusBar) {
    if (const QString error = sdk::SimulatedWorkspace::instance().loadError(); !error.isEmpty()) {
        showWorkspaceLoadError(error);
    }
    // Whoever asked for a link, a failure to open it reaches the person.
    QObject::connect(&platform::Workspace::shared(), &platform::Workspace::urlNotOpened, &delegate,
                     &showLinkNotOpened);
    urlEvents.setReopenHandler([] { platform::Application::instance()->reopen(); });
    urlEvents.setActivationTokenHandler(
        [](const QString& token) { platform::Application::instance()->setActivationToken(token); });
    QObject::connect(&statusBar, &platform::StatusBar::trayPresenceChanged, &delegate,
                     [&delegate](bool present) {
                         if (!present) {
                             delegate.enterForegroundMode();
                         }
                     });
    platform::DispatchQueue::main().asyncAfter(
        noTrayGraceSeconds,
        [delegate = QPointer<AppDelegate>(&delegate), bar = QPointer<platform::StatusBar>(&statusBar)] {
            if (delegate && bar && !bar->isTrayPresent()) {
                delegate->enterForegroundMode();
            }
        });
}

} // namespace clientlaunch
