// Closing the sign-in window while the sign-in runs drops the sign-in: neither the quick-access window nor
// the main window comes, the tray still offers Sign In, and a new sign-in goes through.
#include "DesktopScenario.h"

using namespace desktop;

using SignInCancelTest = DesktopScenario;

TEST_F(SignInCancelTest, ClosingTheSignInWindowWhileItsStepsRunCancelsTheSignInAndItCanBeStartedAgain) {
    ASSERT_NO_FATAL_FAILURE(startSignedOutWithATray());
    const std::optional<WindowInfo> signIn = openSignInWindowFromTheTray();
    ASSERT_TRUE(signIn);
    EXPECT_EQ(std::ranges::count_if(session->clientWindows(), isDecorated), 1)
        << "the sign-in window alone, not over the welcome window";

    ASSERT_TRUE(clickText(QStringLiteral("Sign In"), signIn));
    // The browser's callback came: the loader takes the controls' place while the sign-in's steps run.
    ASSERT_TRUE(waitFor([&] { return !textsOf(*signIn).contains(QStringLiteral("Sign Up")); }));
    session->x11().requestClose(signIn->id);
    ASSERT_TRUE(waitForNoWindow([&](const WindowInfo& window) { return window.id == signIn->id; }));
    EXPECT_TRUE(waitForNoWindow(isQuickAccess)) << "the quick-access window that showed the progress stays";
    // Longer than the rest of the sign-in's steps take.
    EXPECT_FALSE(waitFor(
        [&] {
            return std::ranges::any_of(session->clientWindows(), [](const WindowInfo& window) {
                return isMainWindow(window) || isQuickAccess(window);
            });
        },
        4000))
        << "the cancelled sign-in went on";
    ASSERT_TRUE(session->clientRunning());
    EXPECT_EQ(waitForTrayMenu([](const QStringList& texts) { return texts == QStringList{"Sign In"}; }),
              QStringList{"Sign In"});

    const std::optional<WindowInfo> again = openSignInWindowFromTheTray();
    ASSERT_TRUE(again);
    ASSERT_TRUE(clickText(QStringLiteral("Sign In"), again));
    EXPECT_TRUE(waitForTrayMenu([](const QStringList& texts) {
                    return texts.contains("Sign Out");
                }).contains("Sign Out"))
        << "the second sign-in did not complete";
}
