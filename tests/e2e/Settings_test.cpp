// The settings page of the main window, reached from the tray.
#include "e2e/ClientHarness.h"

#include "settings/SettingsControllers.h"

using namespace e2e;

using SettingsTest = ClientTest;

TEST_F(SettingsTest, SettingsFromTheTrayMenuOpensTheMainWindowOnTheGeneralPage) {
    launchAndSignIn();
    ASSERT_TRUE(chooseInTrayMenu("Settings")) << trayMenuTexts();
    EXPECT_EQ(shownWindow(), QStringLiteral("main"));
    auto* settings = delegate->settingsSubController();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->embeddedPage(), delegate->settingsGeneralSubController());
    const QStringList shown = visibleTexts(delegate->generalWindowViewController()->window());
    EXPECT_TRUE(shown.contains("Connect on launch")) << shown;
    EXPECT_TRUE(shown.contains("Notifications")) << shown;
}
