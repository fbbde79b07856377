#pragma once

// The base of the desktop scenarios: one desktop per test, the client started on it, and the ways a person
// finds the client's windows. A failed scenario prints the client's output.

#include "support/desktop/DesktopSession.h"
#include "support/desktop/ProcessCost.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace desktop {

class DesktopScenario : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure() && session) {
            std::cerr << "---- client output\n" << session->clientLog().toStdString() << "----\n";
            QFile manager(session->home() + QStringLiteral("/openbox.log"));
            if (manager.open(QIODevice::ReadOnly) && manager.size() > 0) {
                std::cerr << "---- window manager output\n" << manager.readAll().toStdString() << "----\n";
            }
        }
    }

    // A desktop as `options` says, with the client started on it (and its tray item, when there is a host).
    void startClient(DesktopOptions options = {}, const QStringList& arguments = {}) {
        session = std::make_unique<DesktopSession>(std::move(options));
        ASSERT_TRUE(session->isReady()) << session->problem().toStdString();
        ASSERT_TRUE(session->startClient(arguments));
    }
    // The same, with arguments made for that desktop (a workspace written into its home, say).
    void startClient(DesktopOptions options,
                     const std::function<QStringList(const DesktopSession&)>& arguments) {
        session = std::make_unique<DesktopSession>(std::move(options));
        ASSERT_TRUE(session->isReady()) << session->problem().toStdString();
        const QStringList made = arguments(*session);
        ASSERT_FALSE(made.isEmpty()) << "no arguments for the client";
        ASSERT_TRUE(session->startClient(made));
    }
    void waitForTrayItem() {
        ASSERT_TRUE(session && session->tray());
        ASSERT_TRUE(waitFor([this] { return session->tray()->hasItem() || !session->clientRunning(); },
                            startBoundMs));
        ASSERT_TRUE(session->tray()->hasItem()) << "the client registered no tray item";
    }

    // The first mapped client window that `which` picks, waited for.
    std::optional<WindowInfo> waitForWindow(const std::function<bool(const WindowInfo&)>& which,
                                            int boundMs = reactionBoundMs) {
        std::optional<WindowInfo> found;
        waitFor(
            [&] {
                for (const WindowInfo& window : session->clientWindows()) {
                    if (which(window)) {
                        found = window;
                        return true;
                    }
                }
                return false;
            },
            boundMs);
        return found;
    }
    bool waitForNoWindow(const std::function<bool(const WindowInfo&)>& which, int boundMs = reactionBoundMs) {
        return waitFor([&] { return std::ranges::none_of(session->clientWindows(), which); }, boundMs);
    }

    // The quick-access window: a frameless window kept above the others, 300 wide; its networks child
    // window is the narrower one of that kind.
    static bool isQuickAccess(const WindowInfo& window) {
        return !window.decorated() && window.hasState("ABOVE") && window.geometry.width() == 300;
    }
    static bool isNetworksChild(const WindowInfo& window) {
        return !window.decorated() && window.hasState("ABOVE") && window.geometry.width() < 300;
    }
    static bool isMainWindow(const WindowInfo& window) { return window.geometry.size() == QSize(880, 600); }
    static bool isDecorated(const WindowInfo& window) { return window.decorated(); }

    // The desktop with accessibility on, so scenarios read and click the client's widgets.
    static DesktopOptions readable(DesktopOptions options = {}) {
        options.accessibility = true;
        return options;
    }

    // The focusable or actionable nodes without a name, in every window shown.
    QStringList namelessControls() {
        static const QStringList actionable{"push button", "check box", "toggle button",
                                            "page tab",    "list item", "radio button",
                                            "text",        "frame",     "dialog"};
        QStringList nameless;
        for (const AccessibleTree::Node& node : session->accessibility()->showing(session->clientPid())) {
            if (node.name.trimmed().isEmpty() && node.extents.height() > 0 &&
                (node.focusable || actionable.contains(node.role))) {
                nameless << QStringLiteral("%1 at %2,%3")
                                .arg(node.role)
                                .arg(node.extents.x())
                                .arg(node.extents.y());
            }
        }
        return nameless;
    }

    // The texts a window shows (labels, buttons), read through accessibility.
    QStringList textsOf(const WindowInfo& window) {
        return session->accessibility()->textsWithin(session->clientPid(), placeOf(window));
    }
    // Where the window is now (windows move and resize as they open).
    QRect placeOf(const WindowInfo& window) {
        const std::optional<WindowInfo> now = session->x11().window(window.id);
        return now ? now->geometry : QRect();
    }
    // Waits for `text` to show in `window` (anywhere in the client when none is given) and clicks its middle.
    bool clickText(const QString& text, const std::optional<WindowInfo>& window = std::nullopt) {
        std::optional<AccessibleTree::Node> node;
        waitFor([&] {
            node = session->accessibility()->find(session->clientPid(), {}, text,
                                                  window ? placeOf(*window) : QRect());
            return node.has_value();
        });
        if (node) {
            session->x11().click(node->extents.center());
        }
        return node.has_value();
    }
    bool waitForText(const QString& text, const WindowInfo& window, int boundMs = reactionBoundMs) {
        return waitFor([&] { return textsOf(window).contains(text); }, boundMs);
    }
    // Pages through the onboarding shown in `window` with its Next and Finish buttons; true once it
    // offers "Sign In". A page has arrived when its title stands where the previous one stood (pages slide
    // sideways): a click during the slide would be dropped.
    bool finishOnboarding(const WindowInfo& window) {
        const auto title = [&]() -> std::optional<AccessibleTree::Node> {
            for (const AccessibleTree::Node& node : session->accessibility()->showing(session->clientPid())) {
                if (node.role == QLatin1String("label") && placeOf(window).contains(node.extents.center())) {
                    return node;
                }
            }
            return std::nullopt;
        };
        for (int page = 0; page < 10; ++page) {
            const QStringList texts = textsOf(window);
            if (texts.contains(QStringLiteral("Sign In"))) {
                return true;
            }
            const std::optional<AccessibleTree::Node> before = title();
            if (!before || !clickText(texts.contains(QStringLiteral("Finish")) ? QStringLiteral("Finish")
                                                                               : QStringLiteral("Next"),
                                      window)) {
                return false;
            }
            const bool arrived = waitFor([&] {
                if (textsOf(window).contains(QStringLiteral("Sign In"))) {
                    return true;
                }
                const std::optional<AccessibleTree::Node> now = title();
                return now && now->name != before->name && now->extents.left() == before->extents.left();
            });
            if (!arrived) {
                return false;
            }
        }
        return false;
    }

    // From the tray icon's click: the onboarding and the sign-in in the quick-access window, which it returns
    // once it shows the signed-in page. Needs a readable desktop with a tray.
    std::optional<WindowInfo> signInFromTheQuickAccessWindow() {
        clickTrayIcon();
        std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess);
        if (!quickAccess || !finishOnboarding(*quickAccess) ||
            !clickText(QStringLiteral("Sign In"), quickAccess)) {
            ADD_FAILURE() << "no Sign In in the quick-access window after the onboarding";
            return std::nullopt;
        }
        // The simulated browser completes the sign-in; the window turns to the signed-in page.
        if (!waitFor([&] { return textsOf(*quickAccess).contains(QStringLiteral("Sign Out")); },
                     startBoundMs)) {
            ADD_FAILURE() << "not signed in: " << textsOf(*quickAccess).join(", ").toStdString();
            return std::nullopt;
        }
        return waitForWindow(isQuickAccess);
    }

    // A first start on a readable desktop with a tray, settled, its tray menu offering Sign In.
    void startSignedOutWithATray() {
        ASSERT_NO_FATAL_FAILURE(startClient(readable()));
        ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
        ASSERT_TRUE(waitForTrayMenu([](const QStringList& texts) {
                        return texts.contains("Sign In");
                    }).contains("Sign In"));
        runEventsFor(2000); // the first start's own windows settle (and the accessibility bus with them)
    }
    // The tray menu's Sign In, and the sign-in window it brings, once it offers its controls.
    std::optional<WindowInfo> openSignInWindowFromTheTray() {
        if (!session->tray()->aboutToShow() || !session->tray()->clickEntry(QStringLiteral("Sign In"))) {
            ADD_FAILURE() << "no Sign In in the tray menu";
            return std::nullopt;
        }
        std::optional<WindowInfo> signIn;
        const bool shown = waitFor([&] {
            signIn = waitForWindow(isDecorated, 0);
            return signIn && textsOf(*signIn).contains(QStringLiteral("Sign Up"));
        });
        if (!shown) {
            ADD_FAILURE() << "no sign-in window: "
                          << (signIn ? textsOf(*signIn).join(", ").toStdString() : "none");
            return std::nullopt;
        }
        return signIn;
    }

    // The tray menu's visible entries at its top level, waited for until `done` holds.
    QStringList waitForTrayMenu(const std::function<bool(const QStringList&)>& done) {
        QStringList texts;
        waitFor([&] {
            const std::optional<TrayHost::MenuEntry> menu = session->tray()->menu();
            texts = menu ? menu->visibleTexts() : QStringList{};
            return done(texts);
        });
        return texts;
    }

    // Another program started on the desktop; true once its window holds the focus.
    bool focusAnotherProgram() {
        QProcess* other =
            session->startProgram(DesktopSession::bareWindowBinary(), {QStringLiteral("other program")});
        return other && waitFor(
                            [&] {
                                const std::vector<WindowInfo> windows =
                                    session->x11().mappedWindows(other->processId());
                                return !windows.empty() &&
                                       session->x11().focusedWindow() == windows.front().id;
                            },
                            startBoundMs);
    }

    // The tray icon's place as the scenarios' panel has it: the top right corner.
    QPoint trayIconPosition() const {
        const QRect screen = session->x11().screenGeometry();
        return {screen.right() - 12, 12};
    }
    // A left click on the tray icon as the host reports it: Activate at the icon, with the pointer left
    // elsewhere, so a window placed by the pointer is caught.
    qint64 clickTrayIcon() {
        session->x11().movePointer(session->x11().screenGeometry().center() + QPoint(-300, 200));
        return session->tray()->activate(trayIconPosition());
    }
    // The quick-access window's top right button, which opens the main window.
    void clickMainWindowButton(const WindowInfo& quickAccess) {
        session->x11().click(quickAccess.geometry.topRight() + QPoint(-26, 30));
    }
    // Signed in: the main window opened from the tray icon's quick-access window, which then goes.
    bool openMainWindowFromTheTray() {
        clickTrayIcon();
        const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess);
        if (!quickAccess) {
            return false;
        }
        clickMainWindowButton(*quickAccess);
        return waitForWindow(isMainWindow) && waitForNoWindow(isQuickAccess);
    }

    std::unique_ptr<DesktopSession> session;
};

// A rect as "x,y wxh", for failure messages.
inline std::string rectText(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

} // namespace desktop
