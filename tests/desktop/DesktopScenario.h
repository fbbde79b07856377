#pragma once

// The base of the desktop scenarios: one desktop per test, the client started on it, and the ways a person
// finds the client's windows. A failed scenario prints the client's output.

#include "support/desktop/DesktopSession.h"
#include "support/desktop/ProcessCost.h"

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
        }
    }

    // A desktop as `options` says, with the client started on it (and its tray item, when there is a host).
    void startClient(DesktopOptions options = {}, const QStringList& arguments = {}) {
        session = std::make_unique<DesktopSession>(std::move(options));
        ASSERT_TRUE(session->isReady()) << session->problem().toStdString();
        ASSERT_TRUE(session->startClient(arguments));
    }
    void waitForTrayItem() {
        ASSERT_TRUE(session->tray());
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
        return waitFor(
            [&] { return std::ranges::none_of(session->clientWindows(), which); }, boundMs);
    }

    // The quick-access window: a frameless window kept above the others.
    static bool isQuickAccess(const WindowInfo& window) {
        return !window.decorated() && window.hasState("ABOVE");
    }

    // The tray icon's place as the scenarios' panel has it: the top right corner.
    QPoint trayIconPosition() const {
        const QRect screen = session->x11().screenGeometry();
        return {screen.right() - 12, 12};
    }
    // A left click on the tray icon: the pointer goes there, then the host sends Activate.
    qint64 clickTrayIcon() {
        session->x11().movePointer(trayIconPosition());
        return session->tray()->activate(trayIconPosition());
    }

    std::unique_ptr<DesktopSession> session;
};

} // namespace desktop
