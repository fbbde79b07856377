// A new user's road with a tray: the icon's click, the onboarding and the sign-in in the quick-access
// window, a network connected from its child window, and the tray menu, the quick-access window and the
// main window telling the same state.
#include "DesktopScenario.h"

using namespace desktop;

using TrayRoadTest = DesktopScenario;

TEST_F(TrayRoadTest, SignedInFromTheQuickAccessWindowAConnectionChosenThereShowsTheSameInEveryView) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable()));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    std::optional<WindowInfo> quickAccess = signInFromTheQuickAccessWindow();
    ASSERT_TRUE(quickAccess);
    EXPECT_EQ(waitForTrayMenu([](const QStringList& texts) { return texts.value(0) == "Connect"; }).value(0),
              "Connect");

    ASSERT_TRUE(clickText(QStringLiteral("Private Networks"), quickAccess));
    const std::optional<WindowInfo> child = waitForWindow(isNetworksChild);
    ASSERT_TRUE(child) << "the group's child window opens";
    ASSERT_TRUE(clickText(QStringLiteral("Engineering Lab"), child));

    const QStringList menu = waitForTrayMenu(
        [](const QStringList& texts) { return texts.contains("Connected to Engineering Lab"); });
    EXPECT_EQ(menu.value(0), "Disconnect") << menu.join(", ").toStdString();
    EXPECT_TRUE(menu.contains("Connected to Engineering Lab")) << menu.join(", ").toStdString();
    EXPECT_TRUE(waitForNoWindow(isNetworksChild)) << "choosing a network closes the child window";

    quickAccess = waitForWindow(isQuickAccess);
    ASSERT_TRUE(quickAccess);
    EXPECT_TRUE(waitForText(QStringLiteral("Connected"), *quickAccess))
        << textsOf(*quickAccess).join(", ").toStdString();
    const QStringList quickTexts = textsOf(*quickAccess);
    const auto current = quickTexts.indexOf(QStringLiteral("Current Network"));
    ASSERT_GE(current, 0) << quickTexts.join(", ").toStdString();
    EXPECT_EQ(quickTexts.value(current + 1), "Engineering Lab") << quickTexts.join(", ").toStdString();

    // The window's top right button opens the main window, which tells the same.
    clickMainWindowButton(*quickAccess);
    const std::optional<WindowInfo> main = waitForWindow(isMainWindow);
    ASSERT_TRUE(main) << "the main window opens";
    EXPECT_TRUE(main->decorated());
    EXPECT_TRUE(waitForText(QStringLiteral("Disconnect"), *main)) << textsOf(*main).join(", ").toStdString();
    EXPECT_TRUE(textsOf(*main).contains("Engineering Lab")) << textsOf(*main).join(", ").toStdString();
}

// Signed in from the sign-in window, the main window and the quick-access window come; a click on the
// desktop puts the quick-access window away, and the very first click on Connect connects.
TEST_F(TrayRoadTest, AfterASignInFromTheSignInWindowTheFirstClickOnConnectLands) {
    ASSERT_NO_FATAL_FAILURE(startSignedOutWithATray());
    const std::optional<WindowInfo> signIn = openSignInWindowFromTheTray();
    ASSERT_TRUE(signIn);
    ASSERT_TRUE(clickText(QStringLiteral("Sign In"), signIn));

    const std::optional<WindowInfo> main = waitForWindow(isMainWindow, startBoundMs);
    ASSERT_TRUE(main) << "the signed-in client opened no main window";
    ASSERT_TRUE(waitForWindow(isQuickAccess)) << "nor the quick-access window";
    ASSERT_TRUE(waitForText(QStringLiteral("Connect"), *main)) << textsOf(*main).join(", ").toStdString();

    // The bottom left corner of the desktop, which no window of the client covers.
    const QPoint desktop(5, session->x11().screenGeometry().bottom() - 5);
    ASSERT_EQ(session->x11().windowAt(desktop), 0u);
    session->x11().click(desktop);
    ASSERT_TRUE(waitForNoWindow(isQuickAccess))
        << "the click on the desktop puts the quick-access window away";

    ASSERT_TRUE(clickText(QStringLiteral("Connect"), main));
    EXPECT_TRUE(waitFor([&] {
        const std::optional<TrayHost::MenuEntry> menu = session->tray()->menu();
        return menu && menu->visibleTexts().value(0) != QLatin1String("Connect");
    })) << "the first click on Connect was lost: "
        << textsOf(*main).join(", ").toStdString();
}
