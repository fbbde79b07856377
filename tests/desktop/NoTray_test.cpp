// A new user's road without a tray (no watcher, or a watcher with no host behind it): the welcome window
// comes forward by itself, its pages lead to the sign-in window, and the sign-in ends in the main window;
// no quick-access window shows up along the way.
#include "DesktopScenario.h"

using namespace desktop;

namespace {

class NoTrayTest : public DesktopScenario, public ::testing::WithParamInterface<DesktopOptions::Tray> {
protected:
    static bool isDecorated(const WindowInfo& window) { return window.decorated(); }
};

} // namespace

TEST_P(NoTrayTest, TheWelcomeWindowLeadsToTheSignInWindowTheMainWindowAndBack) {
    DesktopOptions options = readable();
    options.tray = GetParam();
    ASSERT_NO_FATAL_FAILURE(startClient(options));

    const std::optional<WindowInfo> welcome = waitForWindow(isDecorated, startBoundMs);
    ASSERT_TRUE(welcome) << "the welcome window comes forward without a tray";
    // Every onboarding page offers "Sign In", which leaves the pages for the sign-in window.
    ASSERT_TRUE(clickText(QStringLiteral("Sign In"), welcome));
    ASSERT_TRUE(waitForNoWindow([&](const WindowInfo& window) { return window.id == welcome->id; }))
        << "the welcome window gives way";
    const std::optional<WindowInfo> signIn = waitForWindow(isDecorated);
    ASSERT_TRUE(signIn) << "the sign-in window comes forward";
    ASSERT_TRUE(waitForText(QStringLiteral("Sign Up"), *signIn)) << textsOf(*signIn).join(", ").toStdString();
    ASSERT_TRUE(clickText(QStringLiteral("Sign In"), signIn));

    const std::optional<WindowInfo> main = waitForWindow(isMainWindow, startBoundMs);
    ASSERT_TRUE(main) << "the main window takes the sign-in window's place";
    EXPECT_TRUE(main->decorated());
    EXPECT_TRUE(waitForText(QStringLiteral("Connect"), *main)) << textsOf(*main).join(", ").toStdString();
    runEventsFor(1500); // the time the client takes to open its quick-access window after loading
    EXPECT_TRUE(std::ranges::none_of(session->clientWindows(), isQuickAccess)) << "no tray to drop it from";

    // Signing out from the main window leads back to the sign-in window.
    ASSERT_TRUE(clickText(QStringLiteral("Sign Out"), main));
    const std::optional<WindowInfo> confirmation =
        waitForWindow([&](const WindowInfo& window) { return window.id != main->id && !window.decorated(); });
    ASSERT_TRUE(confirmation) << "the sign-out window asks";
    ASSERT_TRUE(clickText(QStringLiteral("Sign Out"), confirmation));
    const std::optional<WindowInfo> signInAgain = waitForWindow(
        [&](const WindowInfo& window) { return window.decorated() && !isMainWindow(window); }, startBoundMs);
    ASSERT_TRUE(signInAgain) << "the sign-in window comes back";
    EXPECT_TRUE(waitForText(QStringLiteral("Sign Up"), *signInAgain))
        << textsOf(*signInAgain).join(", ").toStdString();
    runEventsFor(1500); // the time the client takes to open its quick-access window after signing out
    EXPECT_TRUE(std::ranges::none_of(session->clientWindows(), isQuickAccess)) << "no tray to drop it from";
}

INSTANTIATE_TEST_SUITE_P(Desktops, NoTrayTest,
                         ::testing::Values(DesktopOptions::Tray::none, DesktopOptions::Tray::watcherOnly),
                         [](const auto& info) {
                             return info.param == DesktopOptions::Tray::none ? "NoWatcher"
                                                                             : "WatcherWithoutHost";
                         });
