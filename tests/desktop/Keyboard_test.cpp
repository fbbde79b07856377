// The client from the keyboard alone, as a screen reader hears it: each step reads the node that holds the
// focus (its role, name and state) over AT-SPI, and every window's focusable or actionable nodes have names.
#include "DesktopScenario.h"
#include "Workspaces.h"

#include <tuple>

using namespace desktop;

namespace {

class KeyboardTest : public DesktopScenario {
protected:
    using Node = AccessibleTree::Node;

    // The node with the keyboard focus: the deepest focused one (a list's row rather than the list).
    std::optional<Node> focusedNode() {
        std::optional<Node> found;
        for (const Node& node : session->accessibility()->showing(session->clientPid())) {
            if (node.focused && (!found || node.depth >= found->depth)) {
                found = node;
            }
        }
        return found;
    }
    std::string focusText() {
        const std::optional<Node> node = focusedNode();
        return node ? (node->role + " \"" + node->name + "\"").toStdString() : std::string("nothing focused");
    }
    void press(const char* key, const QStringList& modifiers = {}) {
        ASSERT_TRUE(session->x11().pressKey(QString::fromLatin1(key), modifiers)) << key;
    }
    bool focusIs(const QString& role, const QString& name, int boundMs = reactionBoundMs) {
        return waitFor(
            [&] {
                const std::optional<Node> node = focusedNode();
                return node && node->role == role && node->name == name;
            },
            boundMs);
    }
    // Tab (forward) until the focus is on that node; false after `limit` presses. Each press waits for the
    // focus to move before the next, so that under load none goes before the last one's focus could be read
    // (a node skipped in a long Tab order comes round again only much later).
    bool tabTo(const QString& role, const QString& name, int limit = 30) {
        if (focusIs(role, name, 400)) {
            return true;
        }
        const auto place = [](const std::optional<Node>& node) {
            return node ? std::tuple(node->role, node->name, node->extents)
                        : std::tuple(QString(), QString(), QRect());
        };
        std::optional<Node> node = focusedNode();
        for (int step = 0; step < limit; ++step) {
            const auto before = place(node);
            session->x11().pressKey(QStringLiteral("Tab"));
            waitFor([&] { return place(node = focusedNode()) != before; }, 1000);
            if (node && node->role == role && node->name == name) {
                return true;
            }
        }
        return focusIs(role, name, 400);
    }
    // Presses `key` until the focused node is one `wanted` picks (it may be already); that node, or none
    // after `limit` presses.
    std::optional<Node> pressUntil(const char* key, const std::function<bool(const Node&)>& wanted, int limit,
                                   const QStringList& modifiers = {}) {
        std::optional<Node> node;
        for (int step = 0; step <= limit; ++step) {
            if (waitFor([&] { return (node = focusedNode()) && wanted(*node); }, 400)) {
                return node;
            }
            session->x11().pressKey(QString::fromLatin1(key), modifiers);
        }
        return std::nullopt;
    }
    static std::function<bool(const Node&)> named(const QString& role, const QString& name) {
        return [role, name](const Node& node) { return node.role == role && node.name == name; };
    }
    // Tab until the focus is on a node of this role, whatever its name; that node, or none after `limit`.
    std::optional<Node> tabToRole(const QString& role, int limit) {
        std::optional<Node> node;
        for (int step = 0; step < limit; ++step) {
            session->x11().pressKey(QStringLiteral("Tab"));
            if (waitFor([&] { return (node = focusedNode()) && node->role == role; }, 400)) {
                return node;
            }
        }
        return std::nullopt;
    }
    std::optional<Node> windowNamed(const QString& name, int boundMs = startBoundMs) {
        std::optional<Node> window;
        waitFor(
            [&] {
                for (const Node& node : session->accessibility()->showing(session->clientPid())) {
                    if (node.depth == 0 && node.name == name) {
                        window = node;
                        return true;
                    }
                }
                return false;
            },
            boundMs);
        return window;
    }
};

} // namespace

TEST_F(KeyboardTest, SignInEveryTabASettingASupportEntryAndSignOutTakeTheKeyboardAlone) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable()));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    // The tray menu's Sign In (a panel's menu, which the keyboard reaches), then the sign-in window.
    ASSERT_TRUE(waitForTrayMenu([](const QStringList& texts) {
                    return texts.contains("Sign In");
                }).contains("Sign In"));
    ASSERT_TRUE(session->tray()->aboutToShow() && session->tray()->clickEntry(QStringLiteral("Sign In")));
    ASSERT_TRUE(windowNamed(QStringLiteral("Veltrix - Sign in"))) << "no sign-in window";
    ASSERT_TRUE(tabTo(QStringLiteral("push button"), QStringLiteral("Sign In"))) << focusText();
    press("Return");

    // Signed in: the main window, its tab list taking arrows and the tabs Ctrl+Tab.
    ASSERT_TRUE(windowNamed(QStringLiteral("Veltrix - Home"))) << "no main window after the sign-in";
    ASSERT_TRUE(tabTo(QStringLiteral("page tab"), QStringLiteral("Home"))) << focusText();
    EXPECT_TRUE(focusedNode()->selected);
    press("Down");
    ASSERT_TRUE(focusIs(QStringLiteral("page tab"), QStringLiteral("Networks"))) << focusText();
    EXPECT_TRUE(focusedNode()->selected) << "the arrow did not show the tab";
    EXPECT_TRUE(windowNamed(QStringLiteral("Veltrix - Networks")));
    press("Down");
    ASSERT_TRUE(focusIs(QStringLiteral("page tab"), QStringLiteral("Support"))) << focusText();

    // A support entry, chosen with the arrows and Return, opens its page in the browser.
    const std::optional<Node> first = tabToRole(QStringLiteral("list item"), 10);
    ASSERT_TRUE(first) << "no support entry takes the focus: " << focusText();
    press("Down");
    std::optional<Node> entry;
    ASSERT_TRUE(waitFor([&] {
        return (entry = focusedNode()) && entry->role == "list item" && entry->name != first->name;
    })) << "Down stayed on "
        << first->name.toStdString();
    EXPECT_FALSE(entry->name.isEmpty());
    const qsizetype opened = session->openedUrls().size();
    press("Return");
    EXPECT_TRUE(waitFor([&] { return session->openedUrls().size() > opened; }))
        << "Return on " << entry->name.toStdString();

    // Settings: Ctrl+Tab, a switch reached with Tab and flipped with Space.
    press("Tab", {QStringLiteral("Control_L")});
    ASSERT_TRUE(windowNamed(QStringLiteral("Veltrix - Settings"))) << "Ctrl+Tab did not go on to Settings";
    const std::optional<Node> setting = tabToRole(QStringLiteral("check box"), 15);
    ASSERT_TRUE(setting) << "no switch takes the focus: " << focusText();
    EXPECT_FALSE(setting->name.isEmpty());
    press("space");
    EXPECT_TRUE(waitFor([&] {
        const std::optional<Node> now = focusedNode();
        return now && now->name == setting->name && now->checked != setting->checked;
    })) << setting->name.toStdString()
        << " kept its state";
    EXPECT_EQ(namelessControls(), QStringList{});

    // A protocol: the settings tabs take the arrows, the protocols' list Down and Return, and the row
    // Return chose reads as selected.
    ASSERT_TRUE(tabTo(QStringLiteral("page tab"), QStringLiteral("General"))) << focusText();
    ASSERT_TRUE(pressUntil("Right", named(QStringLiteral("page tab"), QStringLiteral("Protocols")), 3))
        << focusText();
    const std::optional<Node> firstProtocol = tabToRole(QStringLiteral("list item"), 10);
    ASSERT_TRUE(firstProtocol) << "no protocol takes the focus: " << focusText();
    const std::optional<Node> protocol = pressUntil(
        "Down", [](const Node& node) { return node.role == "list item" && !node.selected; }, 4);
    ASSERT_TRUE(protocol) << "every protocol reads as chosen: " << focusText();
    press("Return");
    const QString protocolTitle = protocol->name.section(QStringLiteral(", "), 0, 0);
    EXPECT_TRUE(waitFor([&] {
        const std::optional<Node> now = focusedNode();
        return now && now->name.startsWith(protocolTitle + QStringLiteral(", ")) && now->selected;
    })) << protocolTitle.toStdString()
        << " was not chosen: " << focusText();

    // A network: Ctrl+Tab to the Networks tab, its list Down and Return connect to the network chosen.
    for (int i = 0; i < 4 && !windowNamed(QStringLiteral("Veltrix - Networks"), 500); ++i) {
        press("Tab", {QStringLiteral("Control_L")});
    }
    ASSERT_TRUE(windowNamed(QStringLiteral("Veltrix - Networks"), 500))
        << "Ctrl+Tab did not reach the Networks tab";
    const std::optional<Node> firstNetwork = tabToRole(QStringLiteral("list item"), 10);
    ASSERT_TRUE(firstNetwork) << "no network takes the focus: " << focusText();
    ASSERT_TRUE(pressUntil(
        "Down", [](const Node& node) { return node.role == "list item" && !node.selected; }, 4))
        << "no other network below " << firstNetwork->name.toStdString() << ": " << focusText();
    press("Return");
    ASSERT_TRUE(windowNamed(QStringLiteral("Veltrix - Home"))) << "the choice did not go on to the home tab";
    EXPECT_EQ(
        waitForTrayMenu([](const QStringList& texts) { return texts.value(0) == "Disconnect"; }).value(0),
        "Disconnect")
        << "not connected";

    // The sheet that says so holds the focus and reads as a named window; Esc puts it away.
    ASSERT_TRUE(windowNamed(QStringLiteral("Connection Established"))) << "no sheet once connected";
    ASSERT_TRUE(focusIs(QStringLiteral("push button"), QStringLiteral("Got it"))) << focusText();
    EXPECT_EQ(namelessControls(), QStringList{});
    press("Escape");
    EXPECT_TRUE(waitFor([&] { return !windowNamed(QStringLiteral("Connection Established"), 0); }))
        << "Esc left the sheet";

    // Disconnect on the home tab.
    ASSERT_TRUE(tabTo(QStringLiteral("push button"), QStringLiteral("Disconnect"))) << focusText();
    press("Return");
    EXPECT_EQ(waitForTrayMenu([](const QStringList& texts) { return texts.value(0) == "Connect"; }).value(0),
              "Connect")
        << "not disconnected";

    // Sign Out in the sidebar; Esc on its card brings the main window back, Return confirms.
    ASSERT_TRUE(tabTo(QStringLiteral("push button"), QStringLiteral("Sign Out"), 40)) << focusText();
    press("Return");
    ASSERT_TRUE(waitForNoWindow(isMainWindow));
    ASSERT_TRUE(windowNamed(QStringLiteral("Veltrix - Sign Out"))) << "no sign-out card";
    ASSERT_TRUE(focusIs(QStringLiteral("push button"), QStringLiteral("Sign Out")))
        << "the card's Sign Out has no focus: " << focusText();
    EXPECT_EQ(namelessControls(), QStringList{});
    press("Escape");
    ASSERT_TRUE(waitForWindow(isMainWindow)) << "Cancel did not bring the main window back";
    ASSERT_TRUE(tabTo(QStringLiteral("push button"), QStringLiteral("Sign Out"), 40)) << focusText();
    press("Return");
    ASSERT_TRUE(waitForNoWindow(isMainWindow));
    ASSERT_TRUE(windowNamed(QStringLiteral("Veltrix - Sign Out"))) << "no sign-out card";
    ASSERT_TRUE(focusIs(QStringLiteral("push button"), QStringLiteral("Sign Out"))) << focusText();
    press("Return");
    EXPECT_EQ(waitForTrayMenu([](const QStringList& texts) { return texts == QStringList{"Sign In"}; }),
              QStringList{"Sign In"})
        << "not signed out";
}

TEST_F(KeyboardTest, ALocationIsChosenAndStarredFromTheKeyboard) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable(), [](const DesktopSession& session) {
        QStringList arguments = signedInWorkspace(session);
        return arguments.isEmpty() ? arguments : arguments << QStringLiteral("--locations");
    }));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    const std::optional<Node> window = windowNamed(QStringLiteral("Veltrix - Locations"));
    ASSERT_TRUE(window) << "--locations opens the locations window";
    session->x11().requestActivate(session->x11().windowAt(window->extents.center()));
    ASSERT_TRUE(waitFor([&] { return focusedNode().has_value(); })) << "the locations window took no focus";

    // From the list's first row (Automatic) Down to a location of the demo workspace, past the region
    // headers; Return connects to it.
    ASSERT_TRUE(tabTo(QStringLiteral("list item"), QStringLiteral("Automatic"))) << focusText();
    const std::optional<Node> location =
        pressUntil("Down", named(QStringLiteral("list item"), QStringLiteral("Germany - Berlin")), 20);
    ASSERT_TRUE(location) << focusText();
    EXPECT_FALSE(location->selected);
    press("Return");
    const QString connected = QStringLiteral("Connected to ") + location->name;
    EXPECT_TRUE(waitForTrayMenu([&](const QStringList& texts) {
                    return texts.contains(connected);
                }).contains(connected))
        << "not connected to " << location->name.toStdString();
    EXPECT_TRUE(waitFor([&] {
        const std::optional<Node> row = session->accessibility()->find(
            session->clientPid(), QStringLiteral("list item"), location->name, window->extents);
        return row && row->selected;
    })) << location->name.toStdString()
        << " does not read as chosen";

    // Its star, named by it, reached with Tab and set with Space.
    const QString star = QStringLiteral("Favorite ") + location->name;
    const std::optional<Node> unstarred = pressUntil("Tab", named(QStringLiteral("check box"), star), 30);
    ASSERT_TRUE(unstarred) << focusText();
    press("space");
    EXPECT_TRUE(waitFor([&] {
        const std::optional<Node> now = focusedNode();
        return now && now->name == star && now->checked != unstarred->checked;
    })) << star.toStdString()
        << " kept its state: " << focusText();
    EXPECT_EQ(namelessControls(), QStringList{});
}

namespace {

// At twice the scale on a 1600x1000 screen (800x500 in the client's pixels) no window is larger than the
// screen: each frame lies inside it, a framed window's title bar takes a drag, and the quick-access window
// leaves the panel and its tray icon clear.
enum class ScaledWindow { signIn, quickAccess, main };

class LargeScaleTest : public DesktopScenario, public ::testing::WithParamInterface<ScaledWindow> {
protected:
    static constexpr double scale = 2.0;
    // A usual panel's height in the client's pixels, the one the client takes to lie over the screen's top.
    static constexpr int panelHeight = 28;
    static DesktopOptions doubled() {
        DesktopOptions options = readable();
        options.screen = QSize(1600, 1000);
        options.scale = scale;
        return options;
    }
    static bool isScaledQuickAccess(const WindowInfo& window) {
        return !window.decorated() && window.hasState("ABOVE") && window.geometry.width() == 300 * scale;
    }
    static bool isDecorated(const WindowInfo& window) { return window.decorated(); }
    // Starts the client as the row needs and opens its window; which windows are it, or none when it
    // could not be opened.
    std::function<bool(const WindowInfo&)> open(ScaledWindow which) {
        if (which == ScaledWindow::signIn) {
            startClient(doubled());
        } else {
            startClient(doubled(), signedInWorkspace);
        }
        waitForTrayItem();
        if (HasFatalFailure()) {
            return {};
        }
        if (which == ScaledWindow::signIn) {
            waitForTrayMenu([](const QStringList& texts) { return texts.contains("Sign In"); });
            if (!session->tray()->aboutToShow() || !session->tray()->clickEntry(QStringLiteral("Sign In"))) {
                return {};
            }
            return isDecorated;
        }
        // Signed in, the client opens its quick-access window itself; closed, a click on the icon opens it
        // under the place the host reports.
        const std::optional<WindowInfo> opened = waitForWindow(isScaledQuickAccess, startBoundMs);
        if (!opened) {
            return {};
        }
        if (which == ScaledWindow::quickAccess) {
            session->x11().pressKey(QStringLiteral("Escape"));
            if (!waitForNoWindow(isScaledQuickAccess)) {
                return {};
            }
            clickTrayIcon();
            return isScaledQuickAccess;
        }
        if (!clickText(QStringLiteral("Open Main Window"), opened)) {
            ADD_FAILURE() << "no Open Main Window in the quick-access window";
            return {};
        }
        return isDecorated;
    }
    QRect frameOf(const WindowInfo& window) {
        const std::optional<WindowInfo> now = session->x11().window(window.id);
        return now ? now->geometry.marginsAdded(now->frame) : QRect();
    }
};

} // namespace

TEST_P(LargeScaleTest, EachWindowFitsTheScreenAndItsTitleBarTakesADrag) {
    const std::function<bool(const WindowInfo&)> which = open(GetParam());
    ASSERT_TRUE(which && waitForWindow(which, startBoundMs)) << "the window did not open";
    runEventsFor(500); // it takes its height and place (and may be made again, in a window of its kind)
    const std::optional<WindowInfo> window = waitForWindow(which);
    ASSERT_TRUE(window);
    const QRect screen = session->x11().screenGeometry();
    EXPECT_TRUE(waitFor([&] { return screen.contains(frameOf(*window)); })) << rectText(frameOf(*window));
    EXPECT_EQ(namelessControls().join(QStringLiteral(", ")).toStdString(), "");
    if (!window->decorated()) {
        // The panel the scenarios take to lie over the screen's top, and the tray icon in it, stay clear.
        const QRect panel(screen.left(), screen.top(), screen.width(), qRound(panelHeight * scale));
        EXPECT_FALSE(frameOf(*window).intersects(panel)) << rectText(frameOf(*window));
        EXPECT_FALSE(frameOf(*window).contains(trayIconPosition()));
        return;
    }
    const QRect before = frameOf(*window);
    const QPoint titleBar(before.center().x(), before.top() + window->frame.top() / 2);
    session->x11().drag(titleBar, titleBar + QPoint(-40, 30));
    EXPECT_TRUE(waitFor([&] { return frameOf(*window).topLeft() == before.topLeft() + QPoint(-40, 30); }))
        << "the title bar did not move the window from " << rectText(before) << ": "
        << rectText(frameOf(*window));
}

INSTANTIATE_TEST_SUITE_P(Windows, LargeScaleTest,
                         ::testing::Values(ScaledWindow::signIn, ScaledWindow::quickAccess,
                                           ScaledWindow::main),
                         [](const ::testing::TestParamInfo<ScaledWindow>& info) {
                             switch (info.param) {
                             case ScaledWindow::signIn:
                                 return "SignIn";
                             case ScaledWindow::quickAccess:
                                 return "QuickAccess";
                             case ScaledWindow::main:
                                 return "Main";
                             }
                             return "";
                         });
