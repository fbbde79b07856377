// Signing out from the tray menu: the confirmation window, then the signed-out menu, and signing in again
// from the same menu; the tray exports its menu over D-Bus all along.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

namespace {

class TraySignOutTest : public DesktopScenario {
protected:
    void startSignedIn() {
        ASSERT_NO_FATAL_FAILURE(startClient(readable(), signedInWorkspace));
        ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    }

    // The tray menu's top level, once `done` holds for it (or the bound passed).
    QStringList trayMenuWhen(const std::function<bool(const QStringList&)>& done) {
        QStringList texts;
        waitFor([&] {
            const std::optional<TrayHost::MenuEntry> menu = session->tray()->menu();
            texts = menu ? menu->visibleTexts() : QStringList{};
            return done(texts) || !session->clientRunning();
        });
        return texts;
    }

    bool clickButton(const QString& text) {
        std::optional<AccessibleTree::Node> button;
        waitFor([&] {
            button =
                session->accessibility()->find(session->clientPid(), QStringLiteral("push button"), text);
            return button.has_value();
        });
        if (button) {
            session->x11().click(button->extents.center());
        }
        return button.has_value();
    }
};

} // namespace

TEST_F(TraySignOutTest, ConfirmingTheTraysSignOutLeavesTheClientSignedOutWithSignInOffered) {
    startSignedIn();
    ASSERT_TRUE(trayMenuWhen([](const QStringList& texts) {
                    return texts.contains("Sign Out");
                }).contains("Sign Out"));
    ASSERT_TRUE(session->tray()->aboutToShow());
    ASSERT_TRUE(session->tray()->clickEntry("Sign Out"));
    ASSERT_TRUE(clickButton("Sign Out")) << "no confirmation window";

    const QStringList signedOut =
        trayMenuWhen([](const QStringList& texts) { return texts == QStringList{"Sign In"}; });
    ASSERT_FALSE(session->clientCrashed()) << "the client crashed on the confirmed sign-out";
    EXPECT_EQ(signedOut, QStringList{"Sign In"});

    // The signed-in menu comes back with its submenus filled, and goes again.
    ASSERT_TRUE(session->tray()->clickEntry("Sign In"));
    ASSERT_TRUE(clickButton("Sign In"));
    const QStringList signedIn =
        trayMenuWhen([](const QStringList& texts) { return texts.contains("Sign Out"); });
    ASSERT_FALSE(session->clientCrashed()) << "the client crashed when signed in again";
    ASSERT_TRUE(signedIn.contains("Sign Out"));
    const std::optional<TrayHost::MenuEntry> menu = session->tray()->menu();
    ASSERT_TRUE(menu);
    const TrayHost::MenuEntry* privateNetworks = menu->find("Private Networks");
    ASSERT_NE(privateNetworks, nullptr);
    EXPECT_FALSE(privateNetworks->children.empty()) << "the submenu lost its entries";
}

TEST_F(TraySignOutTest, TheClientStartedAgainIsStillSignedInUntilTheUserSignsOut) {
    startSignedIn();
    const auto startAgain = [&] {
        session->stopClient(); // SIGTERM ends it as a session's end does, not always with a normal exit
        ASSERT_FALSE(session->clientRunning());
        ASSERT_TRUE(session->startClient(signedInWorkspace(*session)));
    };
    ASSERT_TRUE(trayMenuWhen([](const QStringList& texts) {
                    return texts.contains("Sign Out");
                }).contains("Sign Out"));
    ASSERT_NO_FATAL_FAILURE(startAgain());
    ASSERT_TRUE(trayMenuWhen([](const QStringList& texts) {
                    return texts.contains("Sign Out");
                }).contains("Sign Out"));
    ASSERT_TRUE(session->tray()->aboutToShow());
    ASSERT_TRUE(session->tray()->clickEntry("Sign Out"));
    ASSERT_TRUE(clickButton("Sign Out")) << "no confirmation window";
    ASSERT_EQ(trayMenuWhen([](const QStringList& texts) { return texts == QStringList{"Sign In"}; }),
              QStringList{"Sign In"});

    // The workspace file still says signed in; the user's sign-out holds over it.
    ASSERT_NO_FATAL_FAILURE(startAgain());
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    EXPECT_EQ(trayMenuWhen([](const QStringList& texts) { return texts == QStringList{"Sign In"}; }),
              QStringList{"Sign In"});
    EXPECT_FALSE(session->clientCrashed());
}
