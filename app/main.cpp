// Starts the client: one running copy, the SDK stand-in on the demo workspace (or --workspace FILE), and
// the application delegate that runs everything else.
#include "app/AppDelegate.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/UrlEvents.h"
#include "sdk/SimulatedWorkspace.h"

namespace {
// How long a tray host may take to appear after start before the windows come forward.
constexpr double noTrayGraceSeconds = 3.0;
} // namespace

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrix"));
    QApplication::setWindowIcon(platform::Bundle::main().image(QStringLiteral("AppIcon")));

    auto& urlEvents = platform::UrlEvents::shared();
    switch (urlEvents.claim(QCoreApplication::arguments())) {
    case platform::UrlEvents::LaunchDecision::primary:
        break;
    case platform::UrlEvents::LaunchDecision::secondaryForwarded:
        return 0;
    case platform::UrlEvents::LaunchDecision::secondaryFailed:
        qCritical("Another copy of the client is running and did not answer");
        return 1;
    }

    // The simulated browser hands its sign-in callback to the same path a forwarded launch takes.
    sdk::SimulatedWorkspace::instance().setBrowser(
        [](const QUrl& url) { platform::UrlEvents::shared().deliver(url); });
    // A later launch without a URL is a reopen (the Dock icon clicked, elsewhere).
    urlEvents.setReopenHandler([] { platform::Application::instance()->reopen(); });

    AppDelegate delegate;
    app.setDelegate(&delegate);

    // Start-up leaves the client in the tray. Without a tray the windows must stay reachable: come to the
    // foreground when no tray host has appeared shortly after start, or when the tray goes away.
    auto& statusBar = platform::StatusBar::system();
    QObject::connect(&statusBar, &platform::StatusBar::trayAvailabilityChanged, &delegate,
                     [&delegate](bool available) {
                         if (!available) {
                             delegate.enterForegroundMode();
                         }
                     });
    platform::DispatchQueue::main().asyncAfter(noTrayGraceSeconds, [&delegate, &statusBar] {
        if (!statusBar.isTrayAvailable()) {
            delegate.enterForegroundMode();
        }
    });
    const int status = app.run();
    app.setDelegate(nullptr);
    return status;
}
