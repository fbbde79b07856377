#pragma once

#include "platform/StatusBar.h"
#include "support/FakeStatusNotifierWatcher.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

#include <memory>

// The desktop's tray for tests that run the client in-process: on a bus of its own, a watcher whose host
// shows items, and the status bar that watches it, installed as the system's for the fixture's life.
class DesktopTray {
public:
    enum class State {
        none,     // no watcher at all
        hostOnly, // a host, that has yet to list the client's icon
        present,  // the host lists the client's icon: the client is in the tray
    };

    explicit DesktopTray(State state = State::present) {
        if (!m_bus.isValid()) {
            return;
        }
        m_bar = std::make_unique<platform::StatusBar>(m_bus.connect());
        platform::StatusBar::setSystem(m_bar.get());
        if (state != State::none && m_watcher.start(m_bus.connect())) {
            testsupport::waitUntil([this] { return m_bar->isTrayAvailable(); });
            if (state == State::present) {
                listIcon();
            }
        }
    }
    ~DesktopTray() { platform::StatusBar::setSystem(nullptr); }
    DesktopTray(const DesktopTray&) = delete;
    DesktopTray& operator=(const DesktopTray&) = delete;

    // The host lists the client's icon, as it does once the icon registered; returns when the bar knows.
    bool listIcon() {
        m_watcher.RegisterStatusNotifierItem(
            QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid()));
        return testsupport::waitUntil([this] { return m_bar->isTrayPresent(); });
    }

    bool isReady() const { return m_bar != nullptr; }
    platform::StatusBar& bar() { return *m_bar; }

private:
    PrivateBus m_bus;
    FakeStatusNotifierWatcher m_watcher{true};
    std::unique_ptr<platform::StatusBar> m_bar;
};
