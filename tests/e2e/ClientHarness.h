#pragma once

// The assembled client for end-to-end scenarios: the real AppDelegate started as main() starts it, the real
// MenuService with its front ends, the screens, the SDK stand-in (demo workspace unless a scenario gives
// another) and virtual time. Only the desktop is replaced: notifications go to recording backends, and the
// tray is the platform's status bar on a bus of the scenario's own, without a tray unless a scenario sets
// `withTray` (a watcher whose host lists the client's icon); its items keep their state to be read.
//
// A scenario derives from ClientTest, calls launch(), then acts as a user does (the screens' public
// operations, the tray menu's items, a second launch's arguments) and reads what a user sees (the window in
// front, the tray icon and tooltip, the quick-access window's and the tray menu's texts, the notifications
// posted, the SDK calls made). Time moves only through advance(); run() drains what is due now.

#include "app/AppDelegate.h"
#include "app/ClientLaunch.h"
#include "app/Composition.h"
#include "auth/AuthWelcomeController.h"
#include "core/ApplicationModel.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "mainwindow/GeneralViewController.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUISignOutController.h"
#include "menus/StatusItemController.h"
#include "platform/Application.h"
#include "platform/ManualScheduler.h"
#include "platform/RecordingUserNotificationBackend.h"
#include "platform/StatusBar.h"
#include "platform/UrlEvents.h"
#include "platform/UserDefaults.h"
#include "platform/WiFiSsidReader.h"
#include "sdk/VeltrixSDK.h"
#include "sdk/testing/Driver.h"
#include "support/ClientProcess.h"
#include "support/DesktopTray.h"
#include "support/FakeNetworkManager.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/TextAttributes.h"

#include <QAbstractButton>
#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

// Texts in failure messages, as values and streamed.
inline std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << '"' << text.toStdString() << '"';
}
inline std::ostream& operator<<(std::ostream& out, const QStringList& list) {
    return out << '[' << list.join(", ").toStdString() << ']';
}
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text;
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << list;
}

namespace e2e {

// The texts a user can read in `root`: visible labels and buttons, in widget order.
inline QStringList visibleTexts(const QWidget* root) {
    QStringList texts;
    if (!root || !root->isVisible()) {
        return texts;
    }
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(root)) {
            continue;
        }
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            text = label->text();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            text = button->text();
        }
        if (!text.isEmpty()) {
            texts.append(text);
        }
    }
    return texts;
}

// The part of a name drawn in the search match's font.
inline QString emphasisedPart(const AttributedString& text) {
    QString part;
    for (qsizetype i = 0; i < text.string().size(); ++i) {
        if (text.fontAt(i) && text.fontAt(i)->weight() == QFont::Medium) {
            part += text.string()[i];
        }
    }
    return part;
}

// The visible items of `menu` and its submenus, depth first; a submenu's items follow its title.
inline QList<QAction*> visibleItems(const QMenu* menu) {
    QList<QAction*> items;
    if (!menu) {
        return items;
    }
    for (QAction* action : menu->actions()) {
        if (!action->isVisible() || action->isSeparator()) {
            continue;
        }
        items.append(action);
        if (action->menu()) {
            items += visibleItems(action->menu());
        }
    }
    return items;
}

// Clicks the visible, enabled button titled `title` in `root`; false when there is none.
inline bool clickButton(QWidget* root, const QString& title) {
    if (!root || !root->isVisible()) {
        return false;
    }
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (button->text() == title && button->isVisibleTo(root) && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return false;
}

class ClientTest : public ::testing::Test {
protected:
    // The browser's time plus the SDK's sign-in steps and the data load, with room to spare.
    static constexpr double signInSeconds = 15;

    // The process runs as the single copy; later launches (secondLaunch) hand their arguments to it.
    static void SetUpTestSuite() { platform::UrlEvents::shared().claim({QStringLiteral("veltrix")}); }

    void SetUp() override {
        clientprocess::reset(center, olderCenter);
        auto& model = ServiceLayer::appModel();
        model.setAppDataWasLoaded(false);
        model.setCurrentConnectionState(SDVPNConnectionState::disconnected);
        // The simulated browser hands its callback to the path a forwarded launch takes, as in main().
        driver.setBrowserForward([](const QUrl& url) { platform::UrlEvents::shared().deliver(url); });
        // No scenario reads the machine's own Wi-Fi: without useWiFiNetwork() there is none.
        platform::WiFiSsidReader::shared().start(QDBusConnection(QStringLiteral("no-bus")));
        // No update package an earlier scenario in this process downloaded: one found there is installed at
        // once instead of fetched.
        QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/updates"))
            .removeRecursively();
    }

    void TearDown() override {
        clientprocess::tearDown(delegate);
        platform::WiFiSsidReader::shared().stop();
        tray.reset();
    }

    // A scenario about copies of the client keeps the real check (and gives the service layer a process
    // table of its own); the others run beside copies of this test binary, which are not the client's.
    bool realCopyCheck = false;

    // Starts the client as main() does, with the real menu front ends, and runs what start-up leaves due.
    void launch() {
        tray =
            std::make_unique<DesktopTray>(withTray ? DesktopTray::State::present : DesktopTray::State::none);
        ASSERT_TRUE(tray->isReady()) << "no bus of its own for the desktop's tray";
        ASSERT_EQ(tray->bar().isTrayPresent(), withTray);
        composeClient(); // the real front ends, as the delegate's start makes them
        delegate = clientprocess::install(MenuService::defaultControllers(), realCopyCheck);
        clientlaunch::wire(*delegate, platform::UrlEvents::shared(), platform::StatusBar::system());
        delegate->applicationWillFinishLaunching();
        delegate->applicationDidFinishLaunching();
        run();
    }

    // A returning user: the welcome pages seen, the client started and signed in through the browser.
    void launchAndSignIn() {
        platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
        launch();
        advance(clientlaunch::noTrayGraceSeconds);
        clickSignIn();
        advance(signInSeconds);
        ASSERT_TRUE(VeltrixXPC::isLoggedIn());
    }

    // Signed in with the main window in front, brought forward as a user does when start-up left it behind.
    void launchToMainWindow() {
        launchAndSignIn();
        if (!shownWindow().contains(QStringLiteral("main"))) {
            bringClientForward();
        }
        ASSERT_TRUE(shownWindow().contains(QStringLiteral("main"))) << shownWindow();
    }

    // The client quits and is started again on the same XDG folders: what it stored is read back from its
    // file, the model starts afresh and the SDK as a new process finds it (its state file over the demo
    // workspace, or over `workspace`).
    void restart(std::optional<sdk::Workspace> workspace = std::nullopt) {
        clientprocess::tearDown(delegate);
        auto& defaults = platform::UserDefaults::standard();
        const platform::UserDefaults onDisk(defaults.filePath());
        for (const QString& key : SettingsUserDefaults::registeredDefaults().keys()) {
            defaults.set(key, onDisk.objectForKey(key));
        }
        auto& model = ServiceLayer::appModel();
        model.setStartMinimized(false);
        model.setIsAppInUserAgentMode(false);
        model.setAppDataWasLoaded(false);
        model.setCurrentConnectionState(SDVPNConnectionState::disconnected);
        if (workspace) {
            driver.reset(std::move(*workspace));
        } else {
            driver.reset();
        }
        driver.setBrowserForward([](const QUrl& url) { platform::UrlEvents::shared().deliver(url); });
        launch();
    }

    // The machine is on the Wi-Fi network `ssid`, as NetworkManager on a bus of the scenario's own reports
    // it; the client's reader follows that bus from now on.
    void useWiFiNetwork(const QByteArray& ssid) {
        if (!wifiBus) {
            wifiBus = std::make_unique<PrivateBus>();
            ASSERT_TRUE(wifiBus->isValid()) << "dbus-daemon is not available";
            networkManager = std::make_unique<fakenm::FakeNetworkManager>(wifiBus->connect());
            ASSERT_TRUE(networkManager->start());
            wifiDevice = networkManager->addDevice(fakenm::wifi);
            platform::WiFiSsidReader::shared().start(wifiBus->connect());
        }
        networkManager->setNetwork(wifiDevice, ssid);
        const QString key = platform::ssidKey(ssid);
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return platform::WiFiSsidReader::shared().currentSsid() == key; }));
    }

    // Qt's own posted events (a widget added to a shown layout appears through one) run after the
    // scheduler's work, as the running client's event loop would run them.
    void run() {
        scheduler.runUntilIdle();
        QCoreApplication::sendPostedEvents();
    }
    void advance(double seconds) {
        scheduler.advance(seconds);
        QCoreApplication::sendPostedEvents();
    }
    // Real I/O (a download on its own thread) with virtual time standing still: runs what is due and Qt's
    // events until `done` holds; false after `realMs`.
    bool waitFor(const std::function<bool()>& done, int realMs = 10000) {
        QDeadlineTimer deadline(realMs);
        while (!done()) {
            if (deadline.hasExpired()) {
                return false;
            }
            run();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        run();
        return true;
    }

    // MARK: acting

    // Another launch of the client with `arguments` (after the program name): it finds this copy running
    // and hands its arguments over the local socket, as a second start from a browser does.
    platform::UrlEvents::LaunchDecision secondLaunch(const QStringList& arguments,
                                                     const QString& activationToken = {}) {
        const QFileInfo lock(platform::UrlEvents::shared().lockPath());
        const QString identifier = lock.fileName().chopped(int(qstrlen(".lock")));
        std::atomic<bool> done = false;
        auto decision = platform::UrlEvents::LaunchDecision::secondaryFailed;
        std::thread later([&] {
            platform::UrlEvents copy(identifier, lock.absolutePath());
            decision = copy.claim(QStringList{QStringLiteral("veltrix")} + arguments, activationToken);
            done = true;
        });
        // This copy answers on its event loop while the other waits.
        testsupport::waitUntil([&] { return done.load(); });
        later.join();
        run();
        return decision;
    }

    // The client started again from the desktop's launcher while it runs: it comes forward.
    void bringClientForward() {
        ASSERT_EQ(secondLaunch({}), platform::UrlEvents::LaunchDecision::secondaryForwarded);
        run();
    }

    // Clicks the button titled `title` in the quick-access window; false when it is not there.
    bool clickInQuickAccess(const QString& title) {
        const bool clicked = isQuickAccessShown() && clickButton(quickAccess()->window(), title);
        run();
        return clicked;
    }

    // The sign-in window's button, as a user clicks it.
    void clickSignIn() {
        auto* auth = delegate->authWelcomeController();
        ASSERT_NE(auth, nullptr);
        auth->view();
        ASSERT_NE(auth->signInButton(), nullptr);
        auth->signInButton()->click();
        run();
    }

    // Triggers the tray menu's visible item titled `title`; false when there is none or it is disabled.
    bool chooseInTrayMenu(const QString& title) {
        for (QAction* item : visibleItems(trayMenu())) {
            if (item->text() == title && !item->menu()) {
                if (!item->isEnabled()) {
                    return false;
                }
                item->trigger();
                run();
                return true;
            }
        }
        return false;
    }

    // Sign Out in the tray menu, confirmed in the window that asks.
    void signOutFromTrayMenu() {
        ASSERT_TRUE(chooseInTrayMenu("Sign Out"));
        advance(1);
        if (shownWindow().contains("signOut")) {
            ASSERT_TRUE(clickButton(delegate->qaUISignOutController()->signOutWindowController()->window(),
                                    "Sign Out"));
            advance(2);
        }
        ASSERT_FALSE(VeltrixXPC::isLoggedIn());
    }

    // MARK: reading

    // The client's windows on screen, joined by "+": "welcome", "signIn", "main", "locations", "signOut";
    // empty when none is.
    QString shownWindow() const {
        const std::pair<const char*, BaseWindowViewController*> windows[] = {
            {"welcome", delegate->welcomeWindowViewController()},
            {"signIn", delegate->authNewWindow()},
            {"main", delegate->generalWindowViewController()},
            {"locations", delegate->locationsWindowViewController()},
            {"signOut", delegate->qaUISignOutController()->signOutWindowController()},
        };
        QStringList shown;
        for (const auto& [name, controller] : windows) {
            if (controller && controller->isWindowVisible()) {
                shown.append(QString::fromLatin1(name));
            }
        }
        return shown.join(QLatin1Char('+'));
    }

    // The window the client shows when it comes forward: the same names as shownWindow().
    QString currentWindow() const {
        const auto* current = delegate->currentWindowController();
        if (!current) {
            return {};
        }
        if (current == delegate->welcomeWindowViewController()) {
            return QStringLiteral("welcome");
        }
        if (current == delegate->authNewWindow()) {
            return QStringLiteral("signIn");
        }
        if (current == delegate->generalWindowViewController()) {
            return QStringLiteral("main");
        }
        return QStringLiteral("other");
    }

    // The main window's tab a user sees: the embedded controller's view, shown.
    platform::ViewController* tabInFront() const {
        auto* general = delegate->generalViewController();
        platform::ViewController* shown = general ? general->embeddedController() : nullptr;
        return shown && shown->isViewLoaded() && shown->view()->isVisible() ? shown : nullptr;
    }

    StatusItemController* statusItemController() const {
        return dynamic_cast<StatusItemController*>(
            ServiceLayer::shared().menuService().statusItemController());
    }
    platform::StatusItem* trayItem() const {
        auto* controller = statusItemController();
        return controller ? controller->statusItem() : nullptr;
    }
    QString trayIconName() const { return trayItem() ? trayItem()->imageName() : QString(); }
    QString trayToolTip() const { return trayItem() ? trayItem()->toolTip() : QString(); }
    // The tray icon's context menu, as a right click opens it.
    QMenu* trayMenu() const { return trayItem() ? trayItem()->menu() : nullptr; }
    // The menu as a person reads it: the tray host asks to show it first, as hosts do, which brings in the
    // lines that change every second.
    QStringList trayMenuTexts() const {
        QStringList texts;
        QMenu* menu = trayMenu();
        if (menu) {
            emit menu->aboutToShow();
        }
        for (QAction* item : visibleItems(menu)) {
            texts.append(item->text());
        }
        if (menu) {
            emit menu->aboutToHide();
        }
        return texts;
    }
    QAUIMenuWindowController* quickAccess() const { return delegate->generalQAUIWindowViewController(); }
    // A click on the tray icon; the quick-access window answers a moment later.
    void clickTrayIcon() {
        ASSERT_NE(trayItem(), nullptr);
        trayItem()->performClick();
        advance(0.2);
    }
    bool isQuickAccessShown() const { return quickAccess() && quickAccess()->isWindowVisible(); }
    QStringList quickAccessTexts() const {
        return isQuickAccessShown() ? visibleTexts(quickAccess()->window()) : QStringList();
    }
    // Whether some text of the quick-access window holds `part` (a toast's title, say).
    bool quickAccessShows(const QString& part) const {
        return std::ranges::any_of(quickAccessTexts(),
                                   [&](const QString& text) { return text.contains(part); });
    }

    // Notifications posted to the desktop by either centre, in order: "title: body".
    QStringList notificationsPosted() const {
        QStringList posted;
        for (const auto* backend : {centerBackend, olderBackend}) {
            for (const auto& delivery : backend->deliveries()) {
                posted.append(delivery.request.title + QStringLiteral(": ") + delivery.request.body);
            }
        }
        return posted;
    }

    QStringList sdkCalls() const { return driver.callNames(); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped{scheduler};
    sdk::testing::Driver driver;
    platform::RecordingUserNotificationBackend* centerBackend = nullptr;
    platform::RecordingUserNotificationBackend* olderBackend = nullptr;
    platform::UserNotificationCenter center{recording(centerBackend)};
    platform::UserNotificationCenter olderCenter{recording(olderBackend)};
    std::unique_ptr<AppDelegate> delegate;
    // The desktop's tray, there when a scenario sets this before launch().
    bool withTray = false;
    std::unique_ptr<DesktopTray> tray;
    std::unique_ptr<PrivateBus> wifiBus;
    std::unique_ptr<fakenm::FakeNetworkManager> networkManager;
    QString wifiDevice;

private:
    static std::unique_ptr<platform::UserNotificationBackend>
    recording(platform::RecordingUserNotificationBackend*& backend) {
        auto made = std::make_unique<platform::RecordingUserNotificationBackend>();
        backend = made.get();
        return made;
    }
};

} // namespace e2e
