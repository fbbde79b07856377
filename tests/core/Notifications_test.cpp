#include "support/CoreTestSupport.h"

#include "core/ApplicationModel.h"
#include "core/LocalizedStrings.h"
#include "core/MenuService.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/ShownWindows.h"
#include "core/UserNotificationHelper.h"
#include "platform/RecordingUserNotificationBackend.h"

#include <thread>

using namespace coretest;
using platform::RecordingUserNotificationBackend;
using platform::UserNotificationCenter;

namespace {

// A client window on screen, as the toolkit's windows report theirs.
struct ShownWindow {
    ShownWindow() { noteWindowShown(this, ShownWindowKind::window, true); }
    ~ShownWindow() { noteWindowShown(this, ShownWindowKind::window, false); }
};

// The buttons a banner offers, in order; those that only take it away are marked.
QStringList actionTitles(const platform::UserNotificationBackend::Delivery& delivery) {
    QStringList result;
    for (const auto& action : delivery.actions) {
        result << action.title + (action.dismisses ? QString() : QStringLiteral(" (acts)"));
    }
    return result;
}

QStringList titles(const std::vector<platform::UserNotificationBackend::Delivery>& deliveries) {
    QStringList result;
    for (const auto& delivery : deliveries) {
        result << delivery.request.title;
    }
    return result;
}

// A centre over the recording backend, inactive, with the menus recorded.
class NotificationTest : public CoreTest {
protected:
    NotificationTest() {
        auto owned = std::make_unique<RecordingUserNotificationBackend>();
        backend = owned.get();
        center = std::make_unique<UserNotificationCenter>(std::move(owned));
        center->setApplicationActiveCheck([this] { return active; });
        MenuService::Controllers controllers;
        controllers.statusItem = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            return std::make_unique<FakeMenuController>("status", menuCalls, d, g);
        };
        ServiceLayer::shared().setMenuService(
            std::make_unique<MenuService>(ServiceLayer::appModel(), controllers));
        PDSettings pending = driver.state().pendingSettings;
        pending.notifications.value = true;
        driver.setPendingSettings(pending);
    }
    ~NotificationTest() override { ServiceLayer::shared().setMenuService(nullptr); }

    bool active = false;
    RecordingUserNotificationBackend* backend = nullptr;
    std::unique_ptr<UserNotificationCenter> center;
    QStringList menuCalls;
};

class QAUINotifierTest : public NotificationTest {
protected:
    QAUINotifierTest() {
        QAUINotifier::setCenter(center.get());
        QAUINotifier::setUpNotificationCenterDelegate();
        QAUINotifier::resetNotifiedOnUpdate();
        openedFromNotification = false;
    }
    ~QAUINotifierTest() override {
        center->setDelegate(nullptr);
        QAUINotifier::setCenter(nullptr);
    }

    QString post(const QString& title, QAUINotificationCategory category, const QString& body = "Body") {
        const auto before = backend->deliveries().size();
        QAUINotifier::showNotification(title, body, category);
        scheduler.advance(QAUINotifier::triggerSeconds);
        return backend->deliveries().size() > before ? backend->deliveries().back().request.identifier
                                                     : QString();
    }
    QAUINotifier& notifier() { return QAUINotifier::shared(); }
};

} // namespace

TEST_F(QAUINotifierTest, EachCategoryCarriesItsTextsKindAndAction) {
    const QString update = post("Update available", QAUINotificationCategory::doUpdate, "Version 2 is ready");
    const QString signin = post("Unsecured Wi-Fi detected", QAUINotificationCategory::doSignin);
    const QString news = post("Disconnected from Office", QAUINotificationCategory::connecivity);
    ASSERT_EQ(backend->deliveries().size(), 3u);

    const auto& first = backend->deliveries()[0];
    EXPECT_EQ(first.request.title, "Update available");
    EXPECT_EQ(first.request.body, "Version 2 is ready");
    EXPECT_EQ(first.request.categoryIdentifier, "UPDATE");
    EXPECT_EQ(first.request.userInfo.value(QAUINotifier::kindKey).toString(), "UPDATE");
    ASSERT_EQ(first.actions.size(), 1);
    EXPECT_EQ(first.actions[0].identifier, "UPDATE");
    EXPECT_EQ(first.actions[0].title, "Update Now");
    EXPECT_TRUE(first.playSound);

    ASSERT_EQ(backend->deliveries()[1].actions.size(), 1);
    EXPECT_EQ(backend->deliveries()[1].actions[0].title, "Protect Me");
    EXPECT_TRUE(backend->deliveries()[2].actions.isEmpty());
    EXPECT_EQ(backend->shown(), QStringList({update, signin, news})) << "other categories stay on screen";

    // An error is a message of the quick-access window, not a notification.
    post("Connection failed", QAUINotificationCategory::error);
    EXPECT_EQ(backend->deliveries().size(), 3u);
    EXPECT_EQ(menuCalls, QStringList({"status.showMenu"}));

    EXPECT_EQ(notificationCategoryFromRawValue("CONNECTIVITY"), QAUINotificationCategory::connecivity);
    EXPECT_FALSE(notificationCategoryFromRawValue("update"));
}

TEST_F(QAUINotifierTest, AuthorisationIsAskedOnceAndARefusalDropsEverything) {
    post("Update available", QAUINotificationCategory::doUpdate);
    post("Disconnected from Office", QAUINotificationCategory::connecivity);
    EXPECT_EQ(backend->authorizationRequests(), 1);
    EXPECT_EQ(backend->deliveries().size(), 2u);

    RecordingUserNotificationBackend* refusing = nullptr;
    {
        auto owned = std::make_unique<RecordingUserNotificationBackend>();
        refusing = owned.get();
        refusing->setAuthorization(false);
        center = std::make_unique<UserNotificationCenter>(std::move(owned));
        center->setApplicationActiveCheck([] { return false; });
        QAUINotifier::setCenter(center.get());
    }
    backend = refusing;
    EXPECT_TRUE(post("Update available", QAUINotificationCategory::doUpdate).isEmpty());
    EXPECT_TRUE(post("Update available", QAUINotificationCategory::doUpdate).isEmpty());
    EXPECT_EQ(refusing->authorizationRequests(), 1) << "the refusal is kept too";
    EXPECT_TRUE(notifier().nativeNotificationIDs().isEmpty());
}

TEST_F(QAUINotifierTest, ARepeatedTitleIsHeldBackUntilItsNotificationCloses) {
    const QString first = post("Disconnected from Office", QAUINotificationCategory::connecivity);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_TRUE(post("Disconnected from Office", QAUINotificationCategory::connecivity).isEmpty());

    // Titles with "Connected" always go through (case matters); the newest of the category replaces the
    // older.
    const QString connected = post("Connected to Office", QAUINotificationCategory::connecivity);
    const QString again = post("Connected to Office", QAUINotificationCategory::connecivity);
    EXPECT_FALSE(again.isEmpty());
    EXPECT_EQ(backend->shown(), QStringList({again}));
    EXPECT_TRUE(backend->withdrawn().contains(first));
    EXPECT_TRUE(backend->withdrawn().contains(connected));
    EXPECT_FALSE(post("not connected", QAUINotificationCategory::connecivity).isEmpty());
    EXPECT_TRUE(post("not connected", QAUINotificationCategory::connecivity).isEmpty());

    // The user closes it: the title may come again.
    const QString shown = backend->shown().value(0);
    ASSERT_TRUE(backend->close(shown));
    scheduler.runUntilIdle();
    EXPECT_FALSE(notifier().nativeNotificationIDs().contains(shown));
    EXPECT_FALSE(post("not connected", QAUINotificationCategory::connecivity).isEmpty());
}

TEST_F(QAUINotifierTest, GatesOfTheSettingTheWindowsAndTheUpdateFlag) {
    PDSettings pending = driver.state().pendingSettings;
    pending.notifications.value = false;
    driver.setPendingSettings(pending);
    EXPECT_TRUE(post("Disconnected from Office", QAUINotificationCategory::connecivity).isEmpty());
    EXPECT_FALSE(post("Update available", QAUINotificationCategory::doUpdate).isEmpty());
    pending.notifications.value = true;
    driver.setPendingSettings(pending);

    {
        ShownWindow window;
        ASSERT_TRUE(isWindowOpened());
        EXPECT_TRUE(post("Disconnected from Office", QAUINotificationCategory::connecivity).isEmpty());
        EXPECT_FALSE(post("Unsecured Wi-Fi detected", QAUINotificationCategory::doSignin).isEmpty());
    }

    // After the user acted on an update notification nothing is posted until the update sheet re-arms it.
    const QString update = backend->shown().value(0);
    ASSERT_TRUE(backend->invokeAction(update, "UPDATE"));
    scheduler.runUntilIdle();
    EXPECT_TRUE(notifier().notifiedOnUpdate());
    EXPECT_TRUE(post("Disconnected from Office", QAUINotificationCategory::connecivity).isEmpty());
    QAUINotifier::resetNotifiedOnUpdate();
    EXPECT_FALSE(post("Disconnected from Office", QAUINotificationCategory::connecivity).isEmpty());
}

TEST_F(QAUINotifierTest, WhileTheClientIsActiveNothingShowsAndNothingIsHeldBack) {
    active = true;
    EXPECT_TRUE(post("Update available", QAUINotificationCategory::doUpdate).isEmpty())
        << "badge only: no banner";
    EXPECT_TRUE(notifier().nativeNotificationIDs().isEmpty());
    active = false;
    post("Update available", QAUINotificationCategory::doUpdate);
    EXPECT_EQ(backend->shown().size(), 1);
}

TEST_F(QAUINotifierTest, SignOutRemovesEverythingAndForgetsTheRecord) {
    post("Update available", QAUINotificationCategory::doUpdate);
    post("Disconnected from Office", QAUINotificationCategory::connecivity);
    backend->holdDeliveries(true);
    post("Unsecured Wi-Fi detected", QAUINotificationCategory::doSignin);
    ASSERT_EQ(backend->shown().size(), 2);

    QAUINotifier::hideNotifications();
    scheduler.runUntilIdle();
    backend->answerHeldDeliveries(); // the server accepts the one in flight after the removal
    backend->holdDeliveries(false);
    scheduler.runUntilIdle();
    EXPECT_TRUE(backend->shown().isEmpty());
    EXPECT_TRUE(notifier().nativeNotificationIDs().isEmpty());
    EXPECT_FALSE(post("Disconnected from Office", QAUINotificationCategory::connecivity).isEmpty());
}

TEST_F(QAUINotifierTest, AServerThatAnswersLateStillShowsWhatTheCentreAccepted) {
    const QString first = post("Disconnected from Office", QAUINotificationCategory::connecivity);
    backend->holdDeliveries(true);
    post("Disconnected from Home", QAUINotificationCategory::connecivity);
    EXPECT_FALSE(backend->shown().contains(first)) << "the newer one took its place when accepted";
    scheduler.advance(QAUINotifier::answerTimeLimitSeconds + 0.1);
    backend->answerHeldDeliveries();
    scheduler.runUntilIdle();
    EXPECT_EQ(titles(backend->deliveries()).last(), QStringLiteral("Disconnected from Home"));
    EXPECT_EQ(backend->shown().size(), 1);
    EXPECT_EQ(notifier().nativeNotificationIDs().size(), 1);
    EXPECT_TRUE(post("Disconnected from Home", QAUINotificationCategory::connecivity).isEmpty());
}

TEST_F(QAUINotifierTest, ClicksAreMatchedByTheKindStoredWithTheNotification) {
    const QString update = post("Update available", QAUINotificationCategory::doUpdate);
    const QString signin = post("Protect Me now", QAUINotificationCategory::doSignin);
    const QString news = post("Update finished", QAUINotificationCategory::connecivity);

    // The body of the notification and its button do the same.
    ASSERT_TRUE(backend->invokeAction(update, UserNotificationCenter::defaultActionIdentifier));
    scheduler.runUntilIdle();
    EXPECT_EQ(router.calls, QStringList({"enterForegroundMode", "activateApplication", "showSettingsTab",
                                         "openAutoUpdate"}));
    EXPECT_FALSE(openedFromNotification);

    ASSERT_TRUE(backend->invokeAction(signin, "SIGNIN"));
    scheduler.runUntilIdle();
    EXPECT_EQ(driver.calls("login").size(), 1u);
    EXPECT_TRUE(openedFromNotification);

    openedFromNotification = false;
    ASSERT_TRUE(backend->invokeAction(news, UserNotificationCenter::defaultActionIdentifier));
    scheduler.runUntilIdle();
    EXPECT_EQ(menuCalls, QStringList({"status.showMenu"}));
    EXPECT_TRUE(openedFromNotification);
    EXPECT_EQ(router.count("openAutoUpdate"), 1)
        << "a title that mentions an update is still connectivity news";

    // A second click on a handled notification does nothing.
    openedFromNotification = false;
    backend->invokeAction(news, UserNotificationCenter::defaultActionIdentifier);
    scheduler.runUntilIdle();
    EXPECT_EQ(menuCalls.size(), 1);
    EXPECT_FALSE(openedFromNotification);
}

TEST_F(QAUINotifierTest, CallsFromAnotherThreadArePostedOnTheMainQueue) {
    std::thread worker([] {
        QAUINotifier::showNotification("Disconnected from Office", "Body",
                                       QAUINotificationCategory::connecivity);
    });
    worker.join();
    EXPECT_TRUE(backend->deliveries().empty());
    scheduler.advance(QAUINotifier::triggerSeconds);
    EXPECT_EQ(titles(backend->deliveries()), QStringList({"Disconnected from Office"}));
}

TEST_F(QAUINotifierTest, ANotificationShowsTwoSecondsAfterItsRequestAndCanBeTakenBackUnseen) {
    QAUINotifier::showNotification("Disconnected from Office", "Body", QAUINotificationCategory::connecivity);
    scheduler.advance(QAUINotifier::triggerSeconds - 0.1);
    EXPECT_TRUE(backend->deliveries().empty());
    QStringList pending;
    center->getPendingNotificationRequests([&](QList<platform::UserNotificationRequest> requests) {
        for (const auto& request : requests) {
            pending << request.title;
        }
    });
    scheduler.runUntilIdle();
    EXPECT_EQ(pending, QStringList({"Disconnected from Office"})) << "waiting for its time";
    scheduler.advance(0.1);
    EXPECT_EQ(titles(backend->deliveries()), QStringList({"Disconnected from Office"}));

    // Removed before its time (a sign-out), it never reaches the screen.
    QAUINotifier::showNotification("Connected to Office", "Body", QAUINotificationCategory::connecivity);
    scheduler.advance(1.0);
    QAUINotifier::hideNotifications();
    scheduler.advance(QAUINotifier::triggerSeconds);
    EXPECT_EQ(backend->deliveries().size(), 1u);
    EXPECT_TRUE(backend->shown().isEmpty());
}

// MARK: banners of the older centre

namespace {

class BannerTest : public NotificationTest {
protected:
    BannerTest() { setOlderUserNotificationCenter(center.get()); }
    ~BannerTest() override { setOlderUserNotificationCenter(nullptr); }

    QString lastKind() const {
        return backend->deliveries().empty() ? QString()
                                             : backend->deliveries()
                                                   .back()
                                                   .request.userInfo.value(UserNotificationHelper::kindKey)
                                                   .toString();
    }
    std::size_t count() const { return backend->deliveries().size(); }
};

} // namespace

TEST_F(BannerTest, ConnectedTextsFollowTheFirstRuleThatHolds) {
    const QString product = UserNotificationHelper::productName();
    UserNotificationHelper::showConnectedNotification("Office");
    scheduler.runUntilIdle();
    ASSERT_EQ(count(), 1u);
    const auto& plain = backend->deliveries().back();
    EXPECT_EQ(plain.request.title, "Connected to Office");
    EXPECT_EQ(plain.request.body, "Your " + product + " connection was successfully established");
    EXPECT_FALSE(plain.playSound);
    EXPECT_EQ(actionTitles(plain), QStringList{L10n::notification_default_ok_button()})
        << "only the OK button";
    EXPECT_EQ(lastKind(), UserNotificationHelper::connectedKind);

    driver.editState([](sdk::SimulationState& s) { s.wasVPNStartedOnLaunch = true; });
    UserNotificationHelper::showConnectedNotification("Office");
    scheduler.runUntilIdle();
    EXPECT_TRUE(backend->deliveries().back().request.title.contains(QStringLiteral("Office")));
    EXPECT_TRUE(backend->deliveries().back().request.body.contains(product));

    driver.setWiFiSecurityActivated(true);
    UserNotificationHelper::showConnectedNotification("Office");
    scheduler.runUntilIdle();
    EXPECT_EQ(backend->deliveries().back().request.title, "Your Wi-Fi connection is secured!");
    EXPECT_EQ(backend->shown().size(), 1) << "each banner takes the earlier ones away";

    scheduler.advance(UserNotificationHelper::autoRemoveSeconds);
    EXPECT_TRUE(backend->shown().isEmpty());
}

TEST_F(BannerTest, DisconnectedAndAutoReconnectBannersAreNotRepeated) {
    UserNotificationHelper::showDisconnectedNotification("Office");
    UserNotificationHelper::showDisconnectedNotification("Office");
    scheduler.runUntilIdle();
    EXPECT_EQ(count(), 1u);
    EXPECT_TRUE(UserNotificationHelper::disconnectedNotificationShown());
    const QString disconnected = backend->deliveries().back().request.identifier;

    UserNotificationHelper::showAutoReconnectNotification();
    scheduler.runUntilIdle();
    ASSERT_EQ(count(), 2u);
    EXPECT_EQ(lastKind(), UserNotificationHelper::autoReconnectKind);
    EXPECT_FALSE(UserNotificationHelper::disconnectedNotificationShown());
    EXPECT_EQ(backend->shown(), QStringList({backend->deliveries().back().request.identifier}));
    EXPECT_TRUE(backend->withdrawn().contains(disconnected));

    // While it is in force a further step posts nothing; it stays until something takes it away.
    UserNotificationHelper::showAutoReconnectWithoutNetworkLockNotification();
    scheduler.advance(60);
    EXPECT_EQ(count(), 2u);
    EXPECT_EQ(backend->shown().size(), 1) << "auto-reconnect banners have no timed removal";

    // A disconnected step takes it away first, then posts.
    const QString reconnect = UserNotificationHelper::autoReconnectNotification().value().identifier;
    UserNotificationHelper::showDisconnectedNotification("Office");
    scheduler.runUntilIdle();
    EXPECT_FALSE(UserNotificationHelper::autoReconnectNotification());
    EXPECT_TRUE(backend->withdrawn().contains(reconnect));
    EXPECT_EQ(count(), 3u);

    // A click on the banner means it is no longer in force: the next step posts again.
    UserNotificationHelper::showAutoReconnectWithoutNetworkLockNotification();
    UserNotificationHelper::forgetAutoReconnectNotification();
    UserNotificationHelper::showAutoReconnectWithoutNetworkLockNotification();
    scheduler.runUntilIdle();
    EXPECT_EQ(count(), 5u);
    EXPECT_EQ(backend->deliveries().back().request.title,
              L10n::auto_reconnect_started_without_network_lock_notification_title());

    UserNotificationHelper::showConnectedNotification("Office");
    UserNotificationHelper::showDisconnectedNotification("Office");
    UserNotificationHelper::showDisconnectedNotification("Office");
    scheduler.runUntilIdle();
    EXPECT_EQ(count(), 7u) << "after a connected step the next disconnected step posts again, once";
}

TEST_F(BannerTest, ThrottlesUseTheMonotonicClockAndAreIndependent) {
    UserNotificationHelper::showWiFiInsecureLoggedInNotificationThrottled();
    UserNotificationHelper::showWiFiInsecureNotification();
    scheduler.runUntilIdle();
    EXPECT_EQ(count(), 2u);

    // A wall clock set back by an hour changes nothing.
    scheduler.setCurrentDate(scheduler.currentDate().addSecs(-3600));
    scheduler.advance(9.5);
    UserNotificationHelper::showWiFiInsecureLoggedInNotificationThrottled();
    scheduler.runUntilIdle();
    EXPECT_EQ(count(), 2u);
    scheduler.advance(0.5);
    UserNotificationHelper::showWiFiInsecureLoggedInNotificationThrottled();
    scheduler.runUntilIdle();
    EXPECT_EQ(count(), 3u) << "10.0 seconds after the last posted one";
    EXPECT_EQ(lastKind(), UserNotificationHelper::insecureWiFiKind);
    UserNotificationHelper::showWiFiInsecureNotification();
    scheduler.runUntilIdle();
    EXPECT_EQ(count(), 4u);
    EXPECT_EQ(lastKind(), UserNotificationHelper::insecureWiFiSignedOutKind);
    EXPECT_EQ(actionTitles(backend->deliveries().back()),
              QStringList{L10n::notification_default_ok_button()});
}

TEST_F(BannerTest, ActionBannersOfferTheirButtonAndGoAfterTenSeconds) {
    UserNotificationHelper::showHomeWiFiNotification();
    scheduler.runUntilIdle();
    const auto home = backend->deliveries().back();
    EXPECT_EQ(home.request.userInfo.value(UserNotificationHelper::kindKey).toString(),
              UserNotificationHelper::homeWiFiKind);
    EXPECT_EQ(actionTitles(home), (QStringList{L10n::notification_button_connect() + " (acts)",
                                               L10n::notification_default_ok_button()}));
    scheduler.advance(UserNotificationHelper::autoRemoveSeconds);
    EXPECT_EQ(backend->shown().size(), 1);
    scheduler.advance(UserNotificationHelper::actionBannerSeconds -
                      UserNotificationHelper::autoRemoveSeconds);
    EXPECT_TRUE(backend->shown().isEmpty());

    UserNotificationHelper::showConnectionErrorNotification();
    scheduler.advance(60);
    ASSERT_EQ(backend->shown().size(), 1) << "the connection error stays";
    EXPECT_EQ(backend->deliveries().back().actions.value(0).title, L10n::notification_button_retry());
    EXPECT_EQ(lastKind(), UserNotificationHelper::connectionErrorKind);

    // Its OK button only takes it away: no retry, no window.
    ASSERT_TRUE(backend->invokeAction(backend->shown().value(0), UserNotificationHelper::dismissAction));
    scheduler.runUntilIdle();
    EXPECT_TRUE(backend->shown().isEmpty());
    EXPECT_TRUE(driver.calls("connect").empty());
}

TEST_F(BannerTest, OpenWindowsHoldBannersBackButTheyStillCount) {
    UserNotificationHelper::showConnectionErrorNotification();
    scheduler.runUntilIdle();
    ASSERT_EQ(backend->shown().size(), 1);
    {
        ShownWindow window;
        UserNotificationHelper::showDisconnectedNotification("Office");
        scheduler.runUntilIdle();
        EXPECT_EQ(count(), 1u);
        EXPECT_TRUE(backend->shown().isEmpty()) << "the delivered ones still go";
        EXPECT_TRUE(UserNotificationHelper::disconnectedNotification());
        EXPECT_TRUE(UserNotificationHelper::disconnectedNotificationShown());

        // The fixed-text warning is delivered anyway.
        UserNotificationHelper::showUnsecuredWiFiWarning(true);
        scheduler.runUntilIdle();
        EXPECT_EQ(count(), 2u);
        EXPECT_EQ(backend->deliveries().back().actions.value(0).title, "Protect Me");
    }
    scheduler.advance(UserNotificationHelper::autoRemoveSeconds);
    EXPECT_TRUE(backend->shown().isEmpty());

    UserNotificationHelper::showTrustedNetworkNotification();
    scheduler.runUntilIdle();
    EXPECT_EQ(count(), 2u) << "no trusted-network banner while nobody is signed in";
    driver.setLoggedIn(true);
    UserNotificationHelper::showTrustedNetworkNotification();
    scheduler.runUntilIdle();
    EXPECT_EQ(titles(backend->deliveries()).value(2), "Trusted Network is On");
}
