// Closing the sign-in window while the sign-in runs drops the sign-in: the main window does not come and
// the tray still offers Sign In.
#include "DesktopScenario.h"

using namespace desktop;

namespace {

class SignInCancelTest : public DesktopScenario {
protected:
    static bool isDecorated(const WindowInfo& window) { return window.decorated(); }
};

} // namespace

TEST_F(SignInCancelTest, ClosingTheSignInWindowWhileItsStepsRunCancelsTheSignIn) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable()));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    ASSERT_TRUE(waitForTrayMenu([](const QStringList& texts) { return texts.contains("Sign In"); }).contains("Sign In"));
    runEventsFor(2000); // the first start's own windows settle (and the accessibility bus with them)
    ASSERT_TRUE(session->tray()->aboutToShow());
    ASSERT_TRUE(session->tray()->clickEntry(QStringLiteral("Sign In")));
    std::optional<WindowInfo> signIn;
    ASSERT_TRUE(waitFor([&] {
        signIn = waitForWindow(isDecorated, 0);
        return signIn && textsOf(*signIn).contains(QStringLiteral("Sign Up"));
    })) << (signIn ? textsOf(*signIn).join(", ").toStdString() : std::string("no window"));
    EXPECT_EQ(std::ranges::count_if(session->clientWindows(), isDecorated), 1)
        << "the sign-in window alone, not over the welcome window";

    ASSERT_TRUE(clickText(QStringLiteral("Sign In"), signIn));
    // The browser's callback came: the loader takes the controls' place while the sign-in's steps run.
    ASSERT_TRUE(waitFor([&] { return !textsOf(*signIn).contains(QStringLiteral("Sign Up")); }));
    session->x11().requestClose(signIn->id);
    ASSERT_TRUE(waitForNoWindow([&](const WindowInfo& window) { return window.id == signIn->id; }));
    runEventsFor(4000); // longer than the rest of the sign-in's steps take
    EXPECT_TRUE(session->clientRunning());
    EXPECT_TRUE(std::ranges::none_of(session->clientWindows(), isMainWindow)) << "the cancelled sign-in went on";
    EXPECT_EQ(waitForTrayMenu([](const QStringList& texts) { return texts == QStringList{"Sign In"}; }),
              QStringList{"Sign In"});
}
