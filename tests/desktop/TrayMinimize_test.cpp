// The tray menu's Minimize: the client's windows leave the screen, the client stays in the tray and comes
// back from it.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

using TrayMinimizeTest = DesktopScenario;

TEST_F(TrayMinimizeTest, MinimizeTakesTheWindowsToTheTrayAndTheMenuBringsThemBack) {
    ASSERT_NO_FATAL_FAILURE(startClient({}, signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    ASSERT_TRUE(waitForTrayMenu([](const QStringList& texts) {
                    return texts.contains("Minimize");
                }).contains("Minimize"));
    ASSERT_TRUE(session->tray()->clickEntry("Support"));
    ASSERT_TRUE(waitForWindow(isMainWindow)) << "Support brings the main window";

    ASSERT_TRUE(session->tray()->clickEntry("Minimize"));
    const auto anyWindow = [](const WindowInfo&) { return true; };
    EXPECT_TRUE(waitForNoWindow(anyWindow)) << "every window leaves the screen";
    runEventsFor(1000); // a window only hidden for a moment would be back by now
    EXPECT_TRUE(session->clientWindows().empty()) << "and stays away";
    EXPECT_FALSE(session->tray()->itemGone()) << "the tray keeps the client";
    EXPECT_TRUE(session->clientRunning());

    ASSERT_TRUE(session->tray()->clickEntry("Settings"));
    EXPECT_TRUE(waitForWindow(isMainWindow)) << "the menu brings it back";
}

// A closed window gives its native window back; the next showing makes one where the window was left.
TEST_F(TrayMinimizeTest, AClosedMainWindowComesBackWhereItWasLeft) {
    ASSERT_NO_FATAL_FAILURE(startClient({}, signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    ASSERT_TRUE(waitForTrayMenu([](const QStringList& texts) {
                    return texts.contains("Settings");
                }).contains("Settings"));
    ASSERT_TRUE(session->tray()->clickEntry("Settings"));
    const std::optional<WindowInfo> opened = waitForWindow(isMainWindow);
    ASSERT_TRUE(opened);

    const QPoint leftAt(opened->geometry.left() + 57, opened->geometry.top() + 31);
    session->x11().requestMove(opened->id, leftAt);
    ASSERT_TRUE(waitFor([&] {
        const std::optional<WindowInfo> moved = session->x11().window(opened->id);
        return moved && moved->geometry.topLeft() == leftAt;
    })) << "the window manager moves it";
    runEventsFor(300); // the client hears of its new place
    session->x11().requestClose(opened->id);
    ASSERT_TRUE(waitForNoWindow(isMainWindow));

    ASSERT_TRUE(session->tray()->clickEntry("Settings"));
    const std::optional<WindowInfo> again = waitForWindow(isMainWindow);
    ASSERT_TRUE(again);
    EXPECT_NE(again->id, opened->id) << "a new native window";
    EXPECT_EQ(again->geometry.topLeft(), leftAt);
    EXPECT_EQ(again->geometry.size(), opened->geometry.size());
}
