// The locations window on a desktop: its Settings button brings the main window forward on its settings
// tab, whether the main window was open or closed.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

using LocationsWindowTest = DesktopScenario;

TEST_F(LocationsWindowTest, SettingsBringsTheMainWindowOnItsSettingsTabOpenOrClosed) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable(), [](const DesktopSession& session) {
        QStringList arguments = signedInWorkspace(session);
        return arguments.isEmpty() ? arguments : arguments << QStringLiteral("--locations");
    }));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    const auto isLocations = [](const WindowInfo& window) {
        return window.geometry.size() == QSize(380, 620);
    };
    const std::optional<WindowInfo> locations = waitForWindow(isLocations, startBoundMs);
    ASSERT_TRUE(locations) << "--locations opens the locations window";
    // A settings-tab text the other tabs do not show.
    const QString settingsText = QStringLiteral("Start Minimized");

    for (const bool closedFirst : {false, true}) {
        SCOPED_TRACE(closedFirst ? "main window closed" : "main window open");
        if (closedFirst) {
            if (const std::optional<WindowInfo> main = waitForWindow(isMainWindow)) {
                session->x11().requestClose(main->id);
                ASSERT_TRUE(waitForNoWindow(isMainWindow));
            }
        } else {
            ASSERT_TRUE(session->tray()->clickEntry(QStringLiteral("Support")));
            const std::optional<WindowInfo> main = waitForWindow(isMainWindow);
            ASSERT_TRUE(main);
            ASSERT_FALSE(textsOf(*main).contains(settingsText));
        }
        session->x11().requestActivate(locations->id);
        ASSERT_TRUE(waitFor([&] { return session->x11().focusedWindow() == locations->id; }));

        ASSERT_TRUE(clickText(QStringLiteral("Settings"), locations));
        const std::optional<WindowInfo> main = waitForWindow(isMainWindow);
        ASSERT_TRUE(main) << "the main window comes back";
        EXPECT_TRUE(waitForText(settingsText, *main)) << textsOf(*main).join(", ").toStdString();
        EXPECT_TRUE(waitFor([&] { return session->x11().focusedWindow() == main->id; }))
            << "the main window is in front";
    }
}
