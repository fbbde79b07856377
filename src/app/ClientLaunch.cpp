#include "app/ClientLaunch.h"

#include "app/AppDelegate.h"
#include "platform/Application.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/UrlEvents.h"
#include "sdk/SimulatedWorkspace.h"

#include <QMessageBox>

namespace clientlaunch {

namespace {

void showWorkspaceLoadError(const QString& error) {
    auto* window = new QMessageBox(QMessageBox::Critical, QStringLiteral("Workspace not loaded"), error);
    window->setObjectName(QStringLiteral("workspaceLoadError"));
    window->setInformativeText(
        QStringLiteral("The client runs signed out on an empty workspace. Start it with --workspace FILE to "
                       "choose another workspace."));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::NonModal);
    window->show();
}

} // namespace

void wire(AppDelegate& delegate, platform::UrlEvents& urlEvents, platform::StatusBar& statusBar) {
    if (const QString error = sdk::SimulatedWorkspace::instance().loadError(); !error.isEmpty()) {
        showWorkspaceLoadError(error);
    }
    urlEvents.setReopenHandler([] { platform::Application::instance()->reopen(); });
    QObject::connect(&statusBar, &platform::StatusBar::trayAvailabilityChanged, &delegate,
                     [&delegate](bool available) {
                         if (!available) {
                             delegate.enterForegroundMode();
                         }
                     });
    platform::DispatchQueue::main().asyncAfter(
        noTrayGraceSeconds,
        [delegate = QPointer<AppDelegate>(&delegate), bar = QPointer<platform::StatusBar>(&statusBar)] {
            if (delegate && bar && !bar->isTrayAvailable()) {
                delegate->enterForegroundMode();
            }
        });
}

} // namespace clientlaunch
