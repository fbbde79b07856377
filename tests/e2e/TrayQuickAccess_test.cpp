// The tray icon and its quick-access window on the demo workspace: the icon follows the connection, the
// window offers sign-in while signed out and the status, networks and services once signed in; a network
// chosen there connects, and Sign Out asks in a window of its own.
#include "e2e/ClientHarness.h"

#include "menus/QAUIStack.h"
#include "toolkit/TableView.h"

#include <QTest>

using namespace e2e;

namespace {

constexpr double tunnelSeconds = 5;

class TrayQuickAccessTest : public ClientTest {
protected:
    TrayQuickAccessTest() { withTray = true; }

    // Clicks the row of the quick-access window (or of its child window) that reads `title`, as a user does.
    bool clickRow(QWidget* root, const QString& title) {
        if (!root || !root->isVisible()) {
            return false;
        }
        for (QLabel* label : root->findChildren<QLabel*>()) {
            if (label->text() != title || !label->isVisibleTo(root)) {
                continue;
            }
            for (QWidget* up = label; up; up = up->parentWidget()) {
                if (auto* row = qobject_cast<TableRowView*>(up)) {
                    QTest::mouseClick(row, Qt::LeftButton, {}, row->rect().center());
                    run();
                    return true;
                }
            }
        }
        return false;
    }
    bool clickQuickAccessRow(const QString& title) { return clickRow(quickAccess()->window(), title); }
    QWidget* childWindow() const { return quickAccess()->networksWindowController()->window(); }
};

} // namespace

TEST_F(TrayQuickAccessTest, SignedOutTheTrayOffersSignInAndTheWindowClosesOnASecondClick) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    EXPECT_EQ(trayToolTip(), GlobalConstants::productDisplayName() + ": Disconnected");
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_DISCONNECTED"));

    clickTrayIcon();
    ASSERT_TRUE(isQuickAccessShown());
    EXPECT_TRUE(quickAccessTexts().contains("Sign In")) << quickAccessTexts();
    EXPECT_FALSE(quickAccessTexts().contains("Sign Out")) << quickAccessTexts();
    EXPECT_EQ(quickAccess()->window()->height(), 236);

    ASSERT_TRUE(clickInQuickAccess("Sign In"));
    EXPECT_TRUE(driver.lastCall(QStringLiteral("login")).has_value());
    clickTrayIcon();
    EXPECT_FALSE(isQuickAccessShown());
}

TEST_F(TrayQuickAccessTest, SignedInTheWindowShowsStatusNetworksAndServices) {
    launchAndSignIn();
    if (!isQuickAccessShown()) {
        clickTrayIcon();
    }
    ASSERT_TRUE(isQuickAccessShown());
    advance(1);
    const QStringList texts = quickAccessTexts();
    for (const char* expected : {"Device Posture Check", "Healthy", "Always On VPN", "Off",
                                 "Private Networks", "Shared Networks", "Support", "Settings", "Sign Out"}) {
        EXPECT_TRUE(texts.contains(QString::fromLatin1(expected))) << expected << " in " << texts;
    }
    EXPECT_FALSE(texts.contains("Secure Web Gateway"));
    QWidget* arrow = quickAccess()->loggedInController()->statusView()->hideStatusViewButton();
    QTest::mouseClick(arrow, Qt::LeftButton);
    advance(1);
    EXPECT_TRUE(quickAccessTexts().contains("Secure Web Gateway")) << quickAccessTexts();

    // Esc closes it; the next click opens it again.
    QTest::keyClick(quickAccess()->window(), Qt::Key_Escape);
    EXPECT_FALSE(isQuickAccessShown());
    clickTrayIcon();
    EXPECT_TRUE(isQuickAccessShown());
}

TEST_F(TrayQuickAccessTest, ANetworkChosenInAGroupConnectsAndTheCurrentRowDisconnects) {
    launchAndSignIn();
    if (!isQuickAccessShown()) {
        clickTrayIcon();
    }
    advance(1);
    ASSERT_TRUE(clickQuickAccessRow("Private Networks"));
    ASSERT_TRUE(childWindow()->isVisible());
    ASSERT_TRUE(clickRow(childWindow(), "Engineering Lab")) << visibleTexts(childWindow());
    EXPECT_FALSE(childWindow()->isVisible());

    // The icon cycles its connecting frames while the tunnel comes up.
    advance(0.01);
    QStringList frames;
    for (int i = 0; i < 3; ++i) {
        advance(0.17);
        frames << trayIconName();
    }
    EXPECT_EQ(frames, (QStringList{"MenuBar_icon_CONNECTING_2", "MenuBar_icon_CONNECTING_3",
                                   "MenuBar_icon_CONNECTING_1"}));
    EXPECT_TRUE(quickAccessTexts().contains("Connecting...")) << quickAccessTexts();

    advance(tunnelSeconds);
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_EQ(VeltrixXPC::currentNetwork()->displayTitle(), QStringLiteral("Engineering Lab"));
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_CONNECTED"));
    advance(1);
    QStringList texts = quickAccessTexts();
    EXPECT_TRUE(texts.contains("Connected")) << texts;
    EXPECT_TRUE(texts.contains("Public IP:")) << texts;
    ASSERT_TRUE(texts.contains("Time Connected:")) << texts;
    const QString before = quickAccess()->loggedInController()->networkView()->timeConnectedValue();
    advance(2);
    EXPECT_GT(quickAccess()->loggedInController()->networkView()->timeConnectedValue(), before);
    EXPECT_TRUE(quickAccessTexts().contains(
        quickAccess()->loggedInController()->networkView()->timeConnectedValue()));

    // Hovering the current row offers Disconnect, which disconnects.
    HoverableTableView* table = quickAccess()->loggedInController()->networkView()->tableView();
    table->hoverRow(0);
    EXPECT_TRUE(quickAccessTexts().contains("Disconnect")) << quickAccessTexts();
    ASSERT_TRUE(clickInQuickAccess("Disconnect"));
    advance(tunnelSeconds);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_DISCONNECTED"));
}

TEST_F(TrayQuickAccessTest, SignOutInTheWindowAsksInAWindowOfItsOwn) {
    launchAndSignIn();
    if (!isQuickAccessShown()) {
        clickTrayIcon();
    }
    advance(1);
    ASSERT_TRUE(clickQuickAccessRow("Sign Out"));
    advance(1);
    EXPECT_FALSE(isQuickAccessShown());
    ASSERT_TRUE(shownWindow().contains("signOut")) << shownWindow();
    QWidget* signOutWindow = delegate->qaUISignOutController()->window();
    EXPECT_TRUE(visibleTexts(signOutWindow).contains("Cancel")) << visibleTexts(signOutWindow);
    clickTrayIcon(); // the quick-access window stays shut meanwhile
    EXPECT_FALSE(isQuickAccessShown());
    ASSERT_TRUE(clickButton(signOutWindow, "Cancel"));
    run();
    EXPECT_FALSE(shownWindow().contains("signOut"));
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
}

TEST_F(TrayQuickAccessTest, UnderAlwaysOnSignOutAsksForTheCode) {
    launchAndSignIn();
    PDSettings settings = VeltrixXPC::settings();
    settings.alwaysOn = PDSettingBoolItem(true, true);
    driver.setSettings(settings);
    if (!isQuickAccessShown()) {
        clickTrayIcon();
    }
    advance(1);
    ASSERT_TRUE(clickQuickAccessRow("Sign Out"));
    advance(1);
    ASSERT_TRUE(shownWindow().contains("signOut")) << shownWindow();
    ModalViewController* modal = delegate->qaUISignOutController()->modalViewController();
    EXPECT_EQ(modal->controllerType(), ModalViewControllerType::codeConfirmationSignOut);
    modal->viewClicked(); // a click beside the card
    run();
    EXPECT_FALSE(shownWindow().contains("signOut"));
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
}

TEST_F(TrayQuickAccessTest, AfterSignInTheMainWindowStaysAndAClickOnTheTrayPutsItAway) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    EXPECT_EQ(shownWindow(), QString()) << "with a tray the client starts in it";
    ASSERT_TRUE(chooseInTrayMenu("Sign In"));
    ASSERT_EQ(shownWindow(), QStringLiteral("signIn"));
    clickSignIn();
    advance(signInSeconds);
    ASSERT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(shownWindow(), QStringLiteral("main")) << "the client opening its window keeps the main window";
    if (isQuickAccessShown()) {
        clickTrayIcon(); // closes it
    }
    clickTrayIcon();
    EXPECT_TRUE(isQuickAccessShown());
    EXPECT_EQ(shownWindow(), QString()) << "the user turned to the tray";
}
