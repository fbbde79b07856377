// The tray menu's Minimize: the client's windows leave the screen, the client stays in the tray and comes
// back from it.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

using TrayMinimizeTest = DesktopScenario;

TEST_F(TrayMinimizeTest, MinimizeTakesTheWindowsToTheTrayAndTheMenuBringsThemBack) {
    ASSERT_NO_FATAL_FAILURE(startClient({}, signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    ASSERT_TRUE(waitForTrayMenu([](const QStringList& texts) { return texts.contains("Minimize"); })
                    .contains("Minimize"));
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
