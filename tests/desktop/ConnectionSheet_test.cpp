// The connection-established sheet on a desktop: a window-modal child without the manager's frame, over the
// top of the main window and moving with it; Esc puts it away and the main window has the focus again.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

namespace {

class ConnectionSheetTest : public DesktopScenario {
protected:
    // Signed in, the main window opened from the quick-access window's top right button.
    std::optional<WindowInfo> openMainWindow() {
        const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess, startBoundMs);
        if (!quickAccess) {
            ADD_FAILURE() << "the signed-in client opened no quick-access window";
            return std::nullopt;
        }
        clickMainWindowButton(*quickAccess);
        return waitForWindow(isMainWindow);
    }
    // Whether `sheet` lies centred across the top of `host`'s client area, as they are now.
    bool liesOverTheTopOf(const WindowInfo& sheet, const WindowInfo& host) {
        const QRect over = placeOf(host);
        const QRect laid = placeOf(sheet);
        return laid.top() == over.top() && std::abs(laid.center().x() - over.center().x()) <= 1;
    }
    std::string placesOf(const WindowInfo& sheet, const WindowInfo& host) {
        return "sheet " + rectText(placeOf(sheet)) + ", window " + rectText(placeOf(host));
    }
};

} // namespace

TEST_F(ConnectionSheetTest, TheSheetLiesUndecoratedOverTheMainWindowsTopMovesWithItAndEscPutsItAway) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable(), signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    const std::optional<WindowInfo> main = openMainWindow();
    ASSERT_TRUE(main) << "the main window opens";
    ASSERT_EQ(waitForTrayMenu([](const QStringList& texts) { return texts.value(0) == "Connect"; }).value(0),
              "Connect");
    ASSERT_TRUE(session->tray()->clickEntry(QStringLiteral("Connect")));

    const auto isSheet = [&](const WindowInfo& window) { return window.transientFor == main->id; };
    const std::optional<WindowInfo> sheet = waitForWindow(isSheet, startBoundMs);
    ASSERT_TRUE(sheet) << "no sheet over the main window once connected";
    EXPECT_TRUE(waitForText(QStringLiteral("Got it"), *sheet)) << textsOf(*sheet).join(", ").toStdString();
    EXPECT_FALSE(sheet->decorated()) << "the manager framed the sheet";
    EXPECT_TRUE(sheet->hasState("MODAL")) << sheet->states.join(", ").toStdString();
    EXPECT_TRUE(waitFor([&] { return liesOverTheTopOf(*sheet, *main); })) << placesOf(*sheet, *main);

    const QPoint moved = placeOf(*main).topLeft() + QPoint(-40, 60);
    session->x11().requestMove(main->id, moved);
    ASSERT_TRUE(waitFor([&] { return placeOf(*main).topLeft() == moved; }))
        << "the manager did not move the window";
    EXPECT_TRUE(waitFor([&] { return liesOverTheTopOf(*sheet, *main); }))
        << "the sheet stayed behind; " << placesOf(*sheet, *main);

    ASSERT_TRUE(waitFor([&] { return session->x11().focusedWindow() == sheet->id; }))
        << "the sheet has no focus";
    ASSERT_TRUE(session->x11().pressKey(QStringLiteral("Escape")));
    EXPECT_TRUE(waitForNoWindow(isSheet)) << "Esc left the sheet";
    EXPECT_TRUE(waitFor([&] { return session->x11().focusedWindow() == main->id; }))
        << "the focus did not return to the main window";
}

TEST_F(ConnectionSheetTest, AfterTheSheetAndMinimizeTheMainWindowComesBackWhereItWasWithItsTitleBarOnScreen) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable(), signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    std::optional<WindowInfo> main = openMainWindow();
    ASSERT_TRUE(main) << "the main window opens";
    runEventsFor(500);
    const std::optional<WindowInfo> first = session->x11().window(main->id);
    ASSERT_TRUE(first);
    ASSERT_EQ(waitForTrayMenu([](const QStringList& texts) { return texts.value(0) == "Connect"; }).value(0),
              "Connect");
    ASSERT_TRUE(clickText(QStringLiteral("Connect"), main));
    const auto isSheet = [&](const WindowInfo& window) { return window.transientFor == main->id; };
    const std::optional<WindowInfo> sheet = waitForWindow(isSheet, startBoundMs);
    ASSERT_TRUE(sheet) << "no sheet over the main window once connected";
    ASSERT_TRUE(clickText(QStringLiteral("Got it"), sheet));
    ASSERT_TRUE(waitForNoWindow(isSheet));

    // Minimized from the tray and brought back, by the tray menu or by the quick-access window, a few times.
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(session->tray()->clickEntry(QStringLiteral("Minimize")));
        ASSERT_TRUE(waitForNoWindow(isMainWindow));
        runEventsFor(300);
        if (round % 2 == 0) {
            ASSERT_TRUE(session->tray()->clickEntry(QStringLiteral("Settings")));
        } else {
            clickTrayIcon();
            const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess);
            ASSERT_TRUE(quickAccess);
            clickMainWindowButton(*quickAccess);
        }
        main = waitForWindow(isMainWindow);
        ASSERT_TRUE(main);
        runEventsFor(500); // the manager has placed it
        const std::optional<WindowInfo> placed = session->x11().window(main->id);
        ASSERT_TRUE(placed);
        EXPECT_EQ(placed->geometry.topLeft(), first->geometry.topLeft());
        EXPECT_GE(placed->geometry.top() - placed->frame.top(), session->x11().screenGeometry().top())
            << "the title bar is above the screen";
    }
}
