// Starts the client: one running copy, the SDK stand-in on the demo workspace (or --workspace FILE).
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/UrlEvents.h"
#include "sdk/SimulatedWorkspace.h"
#include "sdk/VeltrixSDK.h"

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    QApplication::setApplicationName("Veltrix");
    QApplication::setWindowIcon(platform::Bundle::main().image("AppIcon"));

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
    sdk::SimulatedWorkspace::instance().setBrowser([](const QUrl& url) { platform::UrlEvents::shared().deliver(url); });
    urlEvents.setUrlHandler([](const QUrl& url) {
        VeltrixXPC::logger().info("Callback URL received with scheme " + url.scheme(), __FILE__, __func__, __LINE__);
    });

    const auto& bundle = platform::Bundle::main();
    VeltrixXPC::logger().info("Application version " + bundle.infoString("CFBundleShortVersionString").value_or("Unknown version") +
                                  "." + bundle.infoString("CFBundleVersion").value_or("Unknown build") +
                                  ", run path: " + bundle.bundlePath(),
                              __FILE__, __func__, __LINE__);
    VeltrixXPC::getInitialState(
        [] { VeltrixXPC::logger().info("Initial state loaded", __FILE__, __func__, __LINE__); });
    return app.run();
}
