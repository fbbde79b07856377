#include "platform/Application.h"
#include "platform/DBusUserNotificationBackend.h"
#include "platform/ManualScheduler.h"
#include "platform/RecordingUserNotificationBackend.h"
#include "platform/UserNotificationCenter.h"

#include "support/FakeNotificationServer.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QThread>
#include <QUuid>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace platform;

namespace {

const UserNotificationCategory updateCategory{"UPDATE", {{"UPDATE", "Update Now"}}};
const UserNotificationCategory connectivityCategory{"CONNECTIVITY", {}};

UserNotificationRequest request(const QString& identifier, const QString& category = "CONNECTIVITY",
                                const QString& title = "Connected to Office") {
    return {identifier, title,
            {},         "Your connection was established",
            category,   {{"notificationObject", QByteArray("Data")}},
            true};
}

class RecordingDelegate : public UserNotificationCenterDelegate {
public:
    PresentationOptions willPresent(UserNotificationCenter&,
                                    const UserNotificationRequest& request) override {
        presented << request.identifier;
        return presentation;
    }
    void didReceive(UserNotificationCenter&, const UserNotificationResponse& response) override {
        responses.push_back(response);
    }
    void didClose(UserNotificationCenter&, const QString& identifier,
                  UserNotificationCloseReason reason) override {
        closed.emplace_back(identifier, reason);
    }

    PresentationOptions presentation = PresentationOption::banner | PresentationOption::sound;
    QStringList presented;
    std::vector<UserNotificationResponse> responses;
    std::vector<std::pair<QString, UserNotificationCloseReason>> closed;
};

QStringList identifiers(const QList<UserNotificationRequest>& requests) {
    QStringList result;
    for (const auto& request : requests) {
        result << request.identifier;
    }
    return result;
}

// The centre over the recording backend, on virtual time: completions wait for runUntilIdle().
class RecordingCenterTest : public ::testing::Test {
protected:
    RecordingCenterTest() : m_guard(m_scheduler) {
        auto backend = std::make_unique<RecordingUserNotificationBackend>();
        m_backend = backend.get();
        m_center = std::make_unique<UserNotificationCenter>(std::move(backend));
        m_center->setDelegate(&m_delegate);
        m_center->setNotificationCategories({updateCategory, connectivityCategory});
        m_center->setApplicationActiveCheck([this] { return m_active; });
    }

    UserNotificationResult add(const UserNotificationRequest& request) {
        UserNotificationResult result{{UserNotificationError::Code::failed, "no answer"}};
        m_center->add(request, [&](UserNotificationResult error) { result = std::move(error); });
        m_scheduler.runUntilIdle();
        return result;
    }

    QStringList delivered() {
        QStringList result;
        m_center->getDeliveredNotifications(
            [&](QList<UserNotificationRequest> requests) { result = identifiers(requests); });
        m_scheduler.runUntilIdle();
        return result;
    }

    ManualScheduler m_scheduler;
    ScopedScheduler m_guard;
    RecordingDelegate m_delegate;
    RecordingUserNotificationBackend* m_backend = nullptr;
    std::unique_ptr<UserNotificationCenter> m_center;
    bool m_active = false;
};

} // namespace

TEST_F(RecordingCenterTest, AttachesTheActionsOfEachRequestsCategory) {
    EXPECT_FALSE(add(request("u", "UPDATE")));
    EXPECT_FALSE(add(request("c", "CONNECTIVITY")));
    EXPECT_FALSE(add(request("x", "NO-SUCH-CATEGORY")));
    m_center->setNotificationCategories({connectivityCategory});
    EXPECT_FALSE(add(request("u2", "UPDATE")));

    const auto& deliveries = m_backend->deliveries();
    ASSERT_EQ(deliveries.size(), 4u);
    ASSERT_EQ(deliveries[0].actions.size(), 1);
    EXPECT_EQ(deliveries[0].actions[0].identifier, "UPDATE");
    EXPECT_EQ(deliveries[0].actions[0].title, "Update Now");
    EXPECT_TRUE(deliveries[1].actions.isEmpty());
    EXPECT_TRUE(deliveries[2].actions.isEmpty());
    EXPECT_TRUE(deliveries[3].actions.isEmpty()) << "setting the categories replaces the old set";
    EXPECT_EQ(deliveries[0].request.title, "Connected to Office");
    EXPECT_EQ(delivered(), QStringList({"u", "c", "x", "u2"}));
}

TEST_F(RecordingCenterTest, ResponsesReachTheDelegateOnTheMainQueueWithActionAndUserInfo) {
    ASSERT_FALSE(add(request("u", "UPDATE")));
    ASSERT_TRUE(m_backend->invokeAction("u", "UPDATE"));
    EXPECT_TRUE(m_delegate.responses.empty())
        << "delegate calls are queued, not made inside the server's event";
    m_scheduler.runUntilIdle();
    ASSERT_TRUE(m_backend->invokeAction("u", UserNotificationCenter::defaultActionIdentifier));
    m_scheduler.runUntilIdle();

    ASSERT_EQ(m_delegate.responses.size(), 2u);
    EXPECT_EQ(m_delegate.responses[0].actionIdentifier, "UPDATE");
    EXPECT_EQ(m_delegate.responses[0].request.identifier, "u");
    EXPECT_EQ(m_delegate.responses[0].request.userInfo.value("notificationObject").toByteArray(), "Data");
    EXPECT_EQ(m_delegate.responses[1].actionIdentifier, UserNotificationCenter::defaultActionIdentifier);

    EXPECT_FALSE(m_backend->invokeAction("never-posted", "UPDATE"));
    m_scheduler.runUntilIdle();
    EXPECT_EQ(m_delegate.responses.size(), 2u);
}

TEST_F(RecordingCenterTest, ReportsClosedNotificationsAndForgetsThem) {
    ASSERT_FALSE(add(request("a")));
    ASSERT_FALSE(add(request("b")));
    ASSERT_TRUE(m_backend->close("a", UserNotificationCloseReason::dismissed));
    m_scheduler.runUntilIdle();

    ASSERT_EQ(m_delegate.closed.size(), 1u);
    EXPECT_EQ(m_delegate.closed[0].first, "a");
    EXPECT_EQ(m_delegate.closed[0].second, UserNotificationCloseReason::dismissed);
    EXPECT_EQ(delivered(), QStringList({"b"}));
    EXPECT_FALSE(m_backend->invokeAction("a", UserNotificationCenter::defaultActionIdentifier));
}

TEST_F(RecordingCenterTest, RemovesDeliveredNotificationsByIdentifierAndAll) {
    for (const char* id : {"a", "b", "c"}) {
        ASSERT_FALSE(add(request(id)));
    }
    m_center->removeDeliveredNotifications({"b", "unknown"});
    m_scheduler.runUntilIdle();
    EXPECT_EQ(m_backend->withdrawn(), QStringList({"b"}));
    EXPECT_EQ(m_backend->shown(), QStringList({"a", "c"}));
    EXPECT_EQ(delivered(), QStringList({"a", "c"}));

    m_center->removeAllDeliveredNotifications();
    m_scheduler.runUntilIdle();
    EXPECT_TRUE(m_backend->shown().isEmpty());
    EXPECT_TRUE(delivered().isEmpty());
    ASSERT_EQ(m_delegate.closed.size(), 3u);
    for (const auto& [identifier, reason] : m_delegate.closed) {
        EXPECT_EQ(reason, UserNotificationCloseReason::removed) << identifier.toStdString();
    }
}

TEST_F(RecordingCenterTest, APendingRequestRemovedBeforeTheServerAnswersDoesNotStayOnScreen) {
    m_backend->holdDeliveries(true);
    bool answered = false;
    m_center->add(request("a"), [&](UserNotificationResult error) { answered = !error; });
    m_center->add(request("b"));
    QStringList pending;
    m_center->getPendingNotificationRequests([&](auto requests) { pending = identifiers(requests); });
    m_scheduler.runUntilIdle();
    EXPECT_EQ(pending, QStringList({"a", "b"}));

    m_center->removePendingNotificationRequests({"a"});
    m_backend->answerHeldDeliveries();
    m_scheduler.runUntilIdle();
    EXPECT_TRUE(answered);
    EXPECT_EQ(m_backend->shown(), QStringList({"b"}));
    EXPECT_EQ(delivered(), QStringList({"b"}));

    m_backend->holdDeliveries(false);
    m_backend->holdDeliveries(true);
    m_center->add(request("c"));
    m_center->removeAllPendingNotificationRequests();
    m_backend->answerHeldDeliveries();
    m_scheduler.runUntilIdle();
    EXPECT_EQ(m_backend->shown(), QStringList({"b"}));
}

TEST_F(RecordingCenterTest, ARequestWithAShownIdentifierReplacesIt) {
    ASSERT_FALSE(add(request("a", "CONNECTIVITY", "Connected")));
    ASSERT_FALSE(add(request("a", "CONNECTIVITY", "Disconnected")));
    QList<UserNotificationRequest> shown;
    m_center->getDeliveredNotifications([&](auto requests) { shown = requests; });
    m_scheduler.runUntilIdle();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].title, "Disconnected");
}

TEST_F(RecordingCenterTest, FailuresAreReportedAndNothingIsRecorded) {
    m_backend->setDeliveryError(UserNotificationError{UserNotificationError::Code::noServer, "gone"});
    const auto error = add(request("a"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, UserNotificationError::Code::noServer);
    EXPECT_TRUE(delivered().isEmpty());

    const auto invalid = add(request(""));
    ASSERT_TRUE(invalid);
    EXPECT_EQ(invalid->code, UserNotificationError::Code::invalidRequest);
}

TEST_F(RecordingCenterTest, AuthorizationAnswerIsCachedButAFailureIsAskedAgain) {
    std::vector<std::pair<bool, bool>> answers; // granted, had an error
    auto ask = [&] {
        m_center->requestAuthorization([&](bool granted, UserNotificationResult error) {
            answers.emplace_back(granted, error.has_value());
        });
    };
    m_backend->setAuthorization(false, UserNotificationError{UserNotificationError::Code::timedOut, "slow"});
    ask();
    m_scheduler.runUntilIdle();
    m_backend->setAuthorization(true);
    ask();
    ask();
    m_scheduler.runUntilIdle();

    EXPECT_EQ(m_backend->authorizationRequests(), 2);
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0], std::make_pair(false, true));
    EXPECT_EQ(answers[1], std::make_pair(true, false));
    EXPECT_EQ(answers[2], std::make_pair(true, false));
}

TEST_F(RecordingCenterTest, TheDelegateDecidesThePresentationOnlyWhileTheApplicationIsActive) {
    m_delegate.presentation = PresentationOption::badge;
    ASSERT_FALSE(add(request("inactive")));
    EXPECT_TRUE(m_delegate.presented.isEmpty());

    m_active = true;
    ASSERT_FALSE(add(request("badge-only")));
    m_delegate.presentation = PresentationOption::banner;
    ASSERT_FALSE(add(request("silent")));

    EXPECT_EQ(m_delegate.presented, QStringList({"badge-only", "silent"}));
    ASSERT_EQ(m_backend->deliveries().size(), 2u) << "a badge-only answer shows nothing";
    EXPECT_TRUE(m_backend->deliveries()[0].playSound);
    EXPECT_EQ(m_backend->deliveries()[1].request.identifier, "silent");
    EXPECT_FALSE(m_backend->deliveries()[1].playSound);
}

TEST_F(RecordingCenterTest, TheApplicationIsActiveOnlyWhileOneOfItsWindowsHasTheFocus) {
    // The check a centre has unless a test replaces it.
    auto backend = std::make_unique<RecordingUserNotificationBackend>();
    auto* recording = backend.get();
    UserNotificationCenter center(std::move(backend));
    center.setDelegate(&m_delegate);
    m_delegate.presentation = PresentationOption::badge; // nothing shown while active
    QWidget window;
    const auto post = [&](const QString& identifier) {
        center.add(request(identifier), [](UserNotificationResult) {});
        m_scheduler.runUntilIdle();
    };

    struct Step {
        const char* identifier;
        std::function<void()> act;
        bool shown;
    };
    const Step steps[] = {
        {"no window", [] {}, true},
        {"focused window",
         [&] {
             window.show();
             window.activateWindow();
             ASSERT_TRUE(testsupport::waitUntil([] { return QGuiApplication::focusWindow() != nullptr; }));
         },
         false},
        {"window closed", [&] { window.hide(); }, true},
    };
    for (const Step& step : steps) {
        step.act();
        const auto before = recording->deliveries().size();
        post(step.identifier);
        EXPECT_EQ(recording->deliveries().size() > before, step.shown) << step.identifier;
    }
}

TEST(UserNotificationCenterThreads, CallsFromAnotherThreadCompleteOnTheMainThread) {
    auto backend = std::make_unique<RecordingUserNotificationBackend>();
    auto* recording = backend.get();
    UserNotificationCenter center(std::move(backend));
    std::atomic<bool> done = false;
    std::thread::id completedOn;
    std::thread worker([&] {
        center.setNotificationCategories({updateCategory});
        center.add(request("a", "UPDATE"), [&](UserNotificationResult error) {
            EXPECT_FALSE(error);
            completedOn = std::this_thread::get_id();
            done = true;
        });
    });
    worker.join();
    ASSERT_TRUE(testsupport::waitUntil([&] { return done.load(); }));
    EXPECT_EQ(completedOn, std::this_thread::get_id());
    ASSERT_EQ(recording->deliveries().size(), 1u);
    EXPECT_EQ(recording->deliveries()[0].actions.size(), 1) << "calls keep their order across the hop";
}

namespace {

// The centre over D-Bus against a fake server on a private bus, on the Qt event loop.
class DBusCenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_bus.isValid()) {
            GTEST_SKIP() << "dbus-daemon could not be started";
        }
    }

    void startCenter(int timeoutMs = DBusUserNotificationBackend::defaultTimeoutMs) {
        m_center = std::make_unique<UserNotificationCenter>(std::make_unique<DBusUserNotificationBackend>(
            m_bus.connect(), timeoutMs, "Veltrix", "com.veltrix.Veltrix"));
        m_center->setDelegate(&m_delegate);
        m_center->setNotificationCategories({updateCategory, connectivityCategory});
    }

    UserNotificationResult add(const UserNotificationRequest& request) {
        std::optional<UserNotificationResult> result;
        m_center->add(request, [&](UserNotificationResult error) { result = std::move(error); });
        EXPECT_TRUE(testsupport::waitUntil([&] { return result.has_value(); }));
        return result.value_or(UserNotificationError{UserNotificationError::Code::failed, "no answer"});
    }

    PrivateBus m_bus;
    RecordingDelegate m_delegate;
    std::unique_ptr<UserNotificationCenter> m_center;
};

} // namespace

TEST_F(DBusCenterTest, SendsActionsToAServerThatOffersThemAndMapsOnlyOurKeysBack) {
    FakeNotificationServer server({"body", "body-markup", "actions"});
    ASSERT_TRUE(server.start(m_bus.connect()));
    startCenter();

    UserNotificationRequest update = request("u", "UPDATE", "Update available");
    update.subtitle = "Version 2";
    update.body = "Fixes <b> & more";
    update.sound = false;
    ASSERT_FALSE(add(update));
    ASSERT_EQ(server.notifications.size(), 1u);
    const auto& sent = server.notifications[0];
    EXPECT_EQ(sent.appName, "Veltrix");
    EXPECT_EQ(sent.replacesId, 0u);
    EXPECT_EQ(sent.summary, "Update available");
    EXPECT_EQ(sent.body, "Version 2\nFixes &lt;b&gt; &amp; more") << "markup servers get escaped text";
    EXPECT_EQ(sent.actions, QStringList({"default", "", "action-0", "Update Now"}));
    EXPECT_EQ(sent.hints.value("desktop-entry").toString(), "com.veltrix.Veltrix");
    EXPECT_EQ(sent.icon, "com.veltrix.Veltrix") << "the installed icon's name";
    EXPECT_TRUE(sent.hints.value("suppress-sound").toBool());
    EXPECT_FALSE(sent.hints.contains("notificationObject")) << "user info stays in the process";

    emit server.ActionInvoked(sent.id, "forged-key");
    emit server.ActionInvoked(sent.id + 100, "default");
    emit server.ActivationToken(sent.id, "token-1");
    emit server.ActivationToken(sent.id + 100, "another application's");
    emit server.ActionInvoked(sent.id, "action-0");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !m_delegate.responses.empty(); }));
    EXPECT_EQ(platform::Application::instance()->activationToken(), "token-1")
        << "for the window the action raises";
    platform::Application::instance()->setActivationToken({});
    emit server.NotificationClosed(sent.id, 2);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !m_delegate.closed.empty(); }));

    ASSERT_EQ(m_delegate.responses.size(), 1u) << "unknown ids and keys are ignored";
    EXPECT_EQ(m_delegate.responses[0].actionIdentifier, "UPDATE");
    EXPECT_EQ(m_delegate.responses[0].request.userInfo.value("notificationObject").toByteArray(), "Data");
    EXPECT_EQ(m_delegate.closed[0], std::make_pair(QString("u"), UserNotificationCloseReason::dismissed));
}

TEST_F(DBusCenterTest, ASecondButtonThatOnlyDismissesClosesTheNotificationAndTellsNobody) {
    FakeNotificationServer server({"body", "actions"});
    ASSERT_TRUE(server.start(m_bus.connect()));
    startCenter();
    m_center->setNotificationCategories(
        {{"retry", {{"retry", "Retry"}, {"dismiss", "OK", true}}}, {"plain", {{"dismiss", "OK", true}}}});

    ASSERT_FALSE(add(request("r", "retry")));
    ASSERT_FALSE(add(request("p", "plain")));
    ASSERT_EQ(server.notifications.size(), 2u);
    EXPECT_EQ(server.notifications[0].actions,
              QStringList({"default", "", "action-0", "Retry", "action-1", "OK"}));
    EXPECT_EQ(server.notifications[1].actions, QStringList({"default", "", "action-0", "OK"}));

    emit server.ActionInvoked(server.notifications[0].id, "action-1");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !m_delegate.closed.empty(); }));
    EXPECT_EQ(m_delegate.closed[0], std::make_pair(QString("r"), UserNotificationCloseReason::dismissed));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !server.closed.empty(); }));
    EXPECT_EQ(server.closed, std::vector<uint>{server.notifications[0].id}) << "taken off the screen";
    emit server.ActionInvoked(server.notifications[1].id, "action-0");
    emit server.ActionInvoked(server.notifications[1].id, "default"); // gone already: nothing
    ASSERT_TRUE(testsupport::waitUntil([&] { return m_delegate.closed.size() >= 2; }));
    EXPECT_TRUE(m_delegate.responses.empty()) << "a dismissal is no click";
}

TEST_F(DBusCenterTest, SendsNoActionsToAServerWithoutThem) {
    FakeNotificationServer server({"body"});
    ASSERT_TRUE(server.start(m_bus.connect()));
    startCenter();

    ASSERT_FALSE(add(request("u", "UPDATE", "Update & more")));
    ASSERT_EQ(server.notifications.size(), 1u);
    EXPECT_TRUE(server.notifications[0].actions.isEmpty());
    EXPECT_EQ(server.notifications[0].summary, "Update & more");
    EXPECT_EQ(server.notifications[0].body, "Your connection was established");
    EXPECT_FALSE(server.notifications[0].hints.contains("suppress-sound"));

    emit server.ActionInvoked(server.notifications[0].id, "default");
    emit server.NotificationClosed(server.notifications[0].id, 1);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !m_delegate.closed.empty(); }));
    EXPECT_TRUE(m_delegate.responses.empty()) << "no key was offered, so none is taken";
    EXPECT_EQ(m_delegate.closed[0].second, UserNotificationCloseReason::expired);
}

TEST_F(DBusCenterTest, ReplacesAndClosesThroughTheServersIds) {
    FakeNotificationServer server({"body", "actions"});
    ASSERT_TRUE(server.start(m_bus.connect()));
    startCenter();

    ASSERT_FALSE(add(request("a", "CONNECTIVITY", "Connected")));
    ASSERT_FALSE(add(request("b")));
    ASSERT_FALSE(add(request("a", "CONNECTIVITY", "Disconnected")));
    ASSERT_EQ(server.notifications.size(), 3u);
    EXPECT_EQ(server.notifications[2].replacesId, server.notifications[0].id);

    m_center->removeDeliveredNotifications({"a"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !server.closed.empty(); }));
    EXPECT_EQ(server.closed, std::vector<uint>({server.notifications[0].id}));

    server.stop(); // what the server showed went with it
    ASSERT_TRUE(testsupport::waitUntil([&] { return m_delegate.closed.size() == 2; }));
    EXPECT_EQ(m_delegate.closed[1], std::make_pair(QString("b"), UserNotificationCloseReason::serverGone));
}

TEST_F(DBusCenterTest, FailsClearlyWithoutAServer) {
    startCenter();
    std::optional<std::pair<bool, UserNotificationResult>> authorization;
    m_center->requestAuthorization(
        [&](bool granted, UserNotificationResult error) { authorization.emplace(granted, error); });
    const auto error = add(request("a"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return authorization.has_value(); }));

    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, UserNotificationError::Code::noServer);
    EXPECT_FALSE(authorization->first);
    ASSERT_TRUE(authorization->second);
    EXPECT_EQ(authorization->second->code, UserNotificationError::Code::noServer);
}

TEST_F(DBusCenterTest, GivesUpOnAServerThatDoesNotAnswer) {
    FakeNotificationServer server({"body"});
    server.setSilent(true);
    ASSERT_TRUE(server.start(m_bus.connect()));
    startCenter(200);

    const auto error = add(request("a"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, UserNotificationError::Code::timedOut);
}

TEST(DBusCenterWithoutBus, FailsClearlyWithoutABus) {
    const QString name = "nobus-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDBusConnection noBus = QDBusConnection::connectToBus("unix:path=/nonexistent/bus", name);
    ASSERT_FALSE(noBus.isConnected());
    UserNotificationCenter center(std::make_unique<DBusUserNotificationBackend>(noBus));
    std::optional<UserNotificationResult> result;
    center.add(request("a"), [&](UserNotificationResult error) { result = error; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return result.has_value(); }));
    ASSERT_TRUE(*result);
    EXPECT_EQ((*result)->code, UserNotificationError::Code::noServer);
    QDBusConnection::disconnectFromBus(name);
}

TEST(DBusCenterOnTheSessionBus, PostsToTheDesktopsNotificationServer) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        GTEST_SKIP() << "no session bus";
    }
    if (!bus.interface()->isServiceRegistered(DBusUserNotificationBackend::service)) {
        GTEST_SKIP() << "no notification server on the session bus";
    }
    UserNotificationCenter center(std::make_unique<DBusUserNotificationBackend>(bus));
    std::optional<UserNotificationResult> result;
    center.add(request("veltrix-test"), [&](UserNotificationResult error) { result = error; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return result.has_value(); }, 7000));
    EXPECT_FALSE(*result) << (*result)->message.toStdString();
    center.removeAllDeliveredNotifications();
}
