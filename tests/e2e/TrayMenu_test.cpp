// The tray icon's context menu on the demo workspace: "Sign In" while signed out; signed in, the connection
// command and its details, the workspace's networks with their flags, the location submenus and the
// client's commands. It follows sign-in, sign-out, the connection and a forced update as they happen.
#include "e2e/ClientHarness.h"

#include "mainwindow/MainSubController.h"

#include "menus/LocationMenusController.h"
#include <QRegularExpression>

using namespace e2e;

namespace {

constexpr double tunnelSeconds = 5;

class TrayMenuTest : public ClientTest {
protected:
    QAction* trayItem(const QString& title) const {
        for (QAction* item : visibleItems(trayMenu())) {
            if (item->text() == title) {
                return item;
            }
        }
        return nullptr;
    }
    // The items of the tray menu itself (not of its submenus) between two titles, both excluded.
    QStringList trayTextsBetween(const QString& first, const QString& last) const {
        QStringList texts;
        bool inside = false;
        for (QAction* item : trayMenu()->actions()) {
            if (!item->isVisible()) {
                continue;
            }
            if (item->text() == last && inside) {
                break;
            }
            if (inside) {
                texts << (item->isSeparator() ? QStringLiteral("---") : item->text());
            }
            inside = inside || item->text() == first;
        }
        return texts;
    }
    MainSubController& homeTab() { return *delegate->mainSubController(); }
};

} // namespace

TEST_F(TrayMenuTest, SignedOutItOffersSignInAndSignedInTheWorkspace) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    EXPECT_EQ(trayMenuTexts(), QStringList{"Sign In"});
    delegate->authNewWindow()->close();
    run();
    ASSERT_TRUE(chooseInTrayMenu("Sign In"));
    EXPECT_TRUE(shownWindow().contains("signIn")) << shownWindow();

    clickSignIn();
    advance(signInSeconds);
    ASSERT_TRUE(VeltrixXPC::isLoggedIn());
    const QStringList texts = trayMenuTexts();
    // The public address is known before any connection.
    ASSERT_GE(texts.size(), 4);
    EXPECT_EQ(texts.mid(0, 2), (QStringList{"Connect", "Connected to -----"}));
    EXPECT_TRUE(texts[2].startsWith("IP address: ")) << texts[2];
    EXPECT_EQ(texts[3], "Time Connected: -----");
    for (const QString& line : texts.mid(1, 3)) {
        EXPECT_FALSE(trayItem(line)->isEnabled()) << line.toStdString();
    }
    // The grouped networks: private ones, then the shared group's, each with its flag once loaded.
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    QStringList grouped;
    for (const PDNetworkItemPtr& network : networks->groupedNetworks()) {
        grouped << network->displayTitle();
    }
    ASSERT_FALSE(grouped.isEmpty());
    QStringList expected = grouped;
    expected.prepend("---");
    expected << "---"
             << "All Locations"
             << "Private Networks"
             << "Favorites";
    EXPECT_EQ(trayTextsBetween("Time Connected: -----", "Support"), expected + QStringList{"---"});
    EXPECT_FALSE(trayItem(grouped.first())->icon().isNull());
    EXPECT_TRUE(texts.contains(networks->publicLocations().first()->displayTitle())) << "in its submenu";
    EXPECT_EQ(texts.mid(texts.size() - 4), (QStringList{"Support", "Settings", "Minimize", "Sign Out"}));
}

TEST_F(TrayMenuTest, ConnectedItNamesTheNetworkItsAddressAndTheTicking) {
    launchAndSignIn();
    ASSERT_TRUE(chooseInTrayMenu("Connect"));
    advance(tunnelSeconds);
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    advance(2);
    const QString network = VeltrixXPC::currentNetwork()->displayTitle();
    const QStringList texts = trayMenuTexts();
    EXPECT_EQ(texts.mid(0, 2), (QStringList{"Disconnect", "Connected to " + network}));
    EXPECT_TRUE(texts.contains("Time Connected: " + homeTab().timeConnectedText())) << texts;
    const QRegularExpression address(QStringLiteral("^IP address: [0-9a-f.:]+$"));
    EXPECT_TRUE(std::ranges::any_of(texts, [&](const QString& t) { return address.match(t).hasMatch(); }))
        << texts;
}

TEST_F(TrayMenuTest, UnderAlwaysOnTheConnectionCannotBeEndedFromIt) {
    driver.editState([](sdk::SimulationState& s) { s.settings.alwaysOn = PDSettingBoolItem(true, true); });
    launchAndSignIn();
    advance(tunnelSeconds); // Always-On brings the tunnel up by itself
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    ASSERT_NE(trayItem("Disconnect"), nullptr) << trayMenuTexts();
    EXPECT_FALSE(chooseInTrayMenu("Disconnect")) << "disabled";
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
}

TEST_F(TrayMenuTest, AForcedUpdateOffersUpgradeAndDisablesEveryLocation) {
    driver.editState([&](sdk::SimulationState& s) {
        s.appConfig.offeredVersion = QStringLiteral("2.1.0");
        s.appConfig.isForcedUpdate = true;
        s.appConfig.releaseDate = scheduler.currentDate();
        s.forcedUpdateAvailable = true;
    });
    launchAndSignIn();
    ASSERT_NE(trayItem("Upgrade"), nullptr) << trayMenuTexts();
    for (QAction* item : visibleItems(trayMenu())) {
        if (LocationMenusController::representedLocation(item)) {
            EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
        }
    }
    ASSERT_TRUE(chooseInTrayMenu("Upgrade"));
    advance(0.5);
    EXPECT_TRUE(driver.calls("connect").empty());
    ASSERT_NE(homeTab().autoUpdateSheet(), nullptr);
    EXPECT_TRUE(homeTab().autoUpdateSheet()->view()->isVisible());
}

TEST_F(TrayMenuTest, MinimizeTakesTheWindowsToTheTrayAndSigningOutBringsBackSignIn) {
    withTray = true;
    launchAndSignIn();
    bringClientForward();
    ASSERT_TRUE(shownWindow().contains("main")) << shownWindow();
    ASSERT_TRUE(chooseInTrayMenu("Minimize"));
    run();
    EXPECT_TRUE(ServiceLayer::appModel().isAppInUserAgentMode()) << "the client leaves the task bar";
    EXPECT_EQ(shownWindow(), QString()) << "and its windows the screen";
    EXPECT_EQ(currentWindow(), QStringLiteral("main"));
    bringClientForward();
    EXPECT_TRUE(shownWindow().contains("main")) << "a reopen brings it back: " << shownWindow();
    ASSERT_TRUE(chooseInTrayMenu("Minimize"));

    ASSERT_NO_FATAL_FAILURE(signOutFromTrayMenu());
    EXPECT_EQ(trayMenuTexts(), QStringList{"Sign In"});
}
