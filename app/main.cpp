// Starts the client: one running copy, the SDK stand-in on the demo workspace (or --workspace FILE), and
// the application delegate that runs everything else.
#include "app/AppDelegate.h"
#include "app/ClientLaunch.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/UrlEvents.h"
#include "sdk/SimulatedWorkspace.h"

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
    AppDelegate delegate;
    app.setDelegate(&delegate);
    clientlaunch::wire(delegate, urlEvents, platform::StatusBar::system());
    const int status = app.run();
    app.setDelegate(nullptr);
    return status;
}
