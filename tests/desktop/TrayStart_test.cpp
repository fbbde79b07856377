// The client's first start on a desktop with a tray: it registers its item, offers Sign In in the
// exported menu, and the icon's click opens and closes the quick-access window.
#include "DesktopScenario.h"

using namespace desktop;

using TrayStartTest = DesktopScenario;

TEST_F(TrayStartTest, TheIconsClickOpensTheQuickAccessWindowUnderTheIcon) {
    ASSERT_NO_FATAL_FAILURE(startClient());
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    const std::optional<TrayHost::MenuEntry> menu = session->tray()->menu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->visibleTexts(), QStringList{"Sign In"});

    clickTrayIcon();
    const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess);
    ASSERT_TRUE(quickAccess) << "no quick-access window after the click";
    EXPECT_FALSE(quickAccess->decorated());
    // Under the icon: the panel's corner is where the pointer clicked.
    EXPECT_GE(quickAccess->geometry.top(), trayIconPosition().y());
    EXPECT_LE(quickAccess->geometry.left(), trayIconPosition().x());
    EXPECT_GE(quickAccess->geometry.right(), trayIconPosition().x() - 24);
    EXPECT_EQ(session->x11().focusedWindow(), quickAccess->id);

    clickTrayIcon();
    EXPECT_TRUE(waitForNoWindow(isQuickAccess)) << "a second click closes it";
}
