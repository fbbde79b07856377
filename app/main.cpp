// Starts the client: one running copy, the SDK stand-in on the demo workspace (or --workspace FILE), and
// the application delegate that runs everything else.
#include "app/AppDelegate.h"
#include "app/ClientLaunch.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/GraphicalSession.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/UrlEvents.h"
#include "sdk/SimulatedWorkspace.h"
#include "toolkit/TextAttributes.h"

#include <QLoggingCategory>

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* helpText =
    "Usage: veltrix [options] [sign-in callback URL]\n"
    "\n"
    "The desktop client of the secure-network-access service, on a simulated workspace.\n"
    "\n"
    "  --workspace FILE   load the workspace from FILE (also $VELTRIX_WORKSPACE); default: the demo\n"
    "  --verbose          write info and debug lines too (QT_LOGGING_RULES works as usual)\n"
    "  --locations        open the locations window too, once the workspace has loaded\n"
    "  -RunAsAgent        count this start as an automatic start at log-in\n"
    "  -USE_STAGING_ENV, -USE_INTEGRATION_ENV, -USE_CUSTOM_MTU MTU,\n"
    "  -USE_CUSTOM_ENV DOMAIN SDP_HOST API_HOST PORT   endpoint choices handed to the SDK\n"
    "  --help, --version  print this or the version and exit\n"
    "\n"
    "One copy runs per user: a later start hands its URL (or a reopen) to it and exits.\n";

bool hasArgument(int argc, char** argv, std::string_view wanted) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == wanted) {
            return true;
        }
    }
    return false;
}

// Arguments that only shape a starting client; the running copy cannot take them over.
QStringList startOnlyArguments(const QStringList& arguments) {
    static const QStringList switches = {"--workspace",     "--verbose",        "--locations",
                                         "-RunAsAgent",     "-USE_STAGING_ENV", "-USE_INTEGRATION_ENV",
                                         "-USE_CUSTOM_MTU", "-USE_CUSTOM_ENV"};
    QStringList found;
    for (const QString& argument : arguments.mid(1)) {
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        if (switches.contains(name) && !found.contains(name)) {
            found.append(name);
        }
    }
    return found;
}

// While the application object is made: a display that is set but cannot be reached ends the start
// the same plain way, without a core dump.
void failStartWithoutDisplay(QtMsgType type, const QMessageLogContext&, const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg) {
        const QString problem =
            platform::GraphicalSession::problemOf(platform::GraphicalSession::Outcome::noSession);
        std::fprintf(stderr, "veltrix: %s\n", qPrintable(problem));
        ::_exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    // Answered before any lock, window or workspace is touched.
    if (hasArgument(argc, argv, "--help") || hasArgument(argc, argv, "-h")) {
        std::fputs(helpText, stdout);
        return 0;
    }
    if (hasArgument(argc, argv, "--version")) {
        std::printf("veltrix %s (build %s)\n", VELTRIX_VERSION_STRING, VELTRIX_BUILD_NUMBER);
        return 0;
    }
    // Qt aborts, leaving a core dump, when its platform plugin finds no display: tell the person instead.
    const auto session = platform::GraphicalSession::decide(platform::GraphicalSession::currentOffer());
    if (const QString problem = session.problem(); !problem.isEmpty()) {
        std::fprintf(stderr, "veltrix: %s\n", qPrintable(problem));
        return 1;
    }
    if (!session.limitation.isEmpty()) {
        std::fprintf(stderr, "veltrix: %s\n", qPrintable(session.limitation));
    }
    // A terminal shows warnings and what a person must act on; the running commentary (info and debug
    // lines) only on request. QT_LOGGING_RULES, read after these rules, still decides over them.
    QLoggingCategory::setFilterRules(hasArgument(argc, argv, "--verbose")
                                         ? QStringLiteral("*.debug=true")
                                         : QStringLiteral("*.debug=false\n*.info=false"));

    // One allocator arena for every thread: the client's threads allocate little and seldom, and an arena
    // per thread (the SDK's, the logs', the image decoders') kept about 1.5 MiB of freed memory resident
    // that no trim gave back. Set before any thread starts.
    mallopt(M_ARENA_MAX, 1);

    // With shared memory, Qt's X11 backing store waits for the X server before it repaints an area it showed
    // last, so each frame of an animation woke the client twice and Qt's X reader once; copied updates
    // wake it once. The client's repaints are small, and the X server is local.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
    // The desktop's tokens for this launch, read before Qt's X11 plugin takes DESKTOP_STARTUP_ID for its own.
    const QString waylandToken = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    const QtMessageHandler previousHandler = qInstallMessageHandler(failStartWithoutDisplay);
    // The platform chosen here is the application's only: programs the client starts choose their own.
    if (!session.qtPlatform.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", session.qtPlatform.toLatin1());
    }
    platform::Application app(argc, argv);
    if (!session.qtPlatform.isEmpty()) {
        qunsetenv("QT_QPA_PLATFORM");
    }
    qInstallMessageHandler(previousHandler);
    QApplication::setApplicationName(QStringLiteral("Veltrix"));
    // The installed desktop entry's name: panels and Wayland compositors match the windows to its icon.
    QApplication::setDesktopFileName(platform::Bundle::main().bundleIdentifier());
    setApplicationFont();
    QApplication::setWindowIcon(platform::Bundle::main().image(QStringLiteral("AppIcon")));

    auto& urlEvents = platform::UrlEvents::shared();
    const bool onWayland = platform::GraphicalSession::isNativeWayland();
    switch (urlEvents.claim(QCoreApplication::arguments(), onWayland ? waylandToken : startupId)) {
    case platform::UrlEvents::LaunchDecision::primary:
        break;
    case platform::UrlEvents::LaunchDecision::secondaryForwarded:
        for (const QString& name : startOnlyArguments(QCoreApplication::arguments())) {
            std::fprintf(stderr,
                         "veltrix: %s applies only when the client starts; the running copy keeps its own\n",
                         qPrintable(name));
        }
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
