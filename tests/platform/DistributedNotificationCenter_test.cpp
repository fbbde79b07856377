#include "platform/DistributedNotificationCenter.h"
#include "support/TestSupport.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDateTime>
#include <QThread>

#include <gtest/gtest.h>

#include <vector>

using namespace platform;
using Center = DistributedNotificationCenter;

namespace {

class DistributedNotificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "no session bus (run the tests under dbus-run-session)";
        }
        center = std::make_unique<Center>(QDBusConnection::sessionBus());
        ASSERT_TRUE(center->isConnected());
        token = center->addObserver(name, [this](const Notification& n) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            received.push_back(n);
        });
    }

    // Sends a signal as any process on the bus could, bypassing the checks of post().
    static void sendRaw(const QVariantList& arguments) {
        QDBusMessage message =
            QDBusMessage::createSignal(Center::objectPath, Center::interfaceName, Center::signalName);
        message.setArguments(arguments);
        ASSERT_TRUE(QDBusConnection::sessionBus().send(message));
    }

    // Posts a marker and waits for it: everything sent before it has been delivered or dropped by then.
    void drain() {
        sendRaw({name, QVariantMap{{"marker", true}}});
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return !received.empty() && received.back().userInfo.contains("marker"); }));
        received.pop_back();
    }

    // Test processes may share one bus (ctest runs them in parallel): each listens on a name of its own.
    const QString name = QStringLiteral("ProtocolFiltersNotification.%1.%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::unique_ptr<Center> center;
    ObserverToken token;
    std::vector<Notification> received;
};

} // namespace

TEST_F(DistributedNotificationTest, APostReachesObserversWithItsPlainTypes) {
    const QVariantMap userInfo{
        {"id", 42},
        {"appId", "org.example.browser"},
        {"type", "http"},
        {"data", QByteArray("\0\x01\xff", 3)},
        {"flag", true},
        {"big", qlonglong(1) << 40},
        {"ratio", 0.5},
        {"names", QStringList{"a", "b"}},
        {"nested", QVariantMap{{"list", QVariantList{1, "two", QVariantMap{{"deep", false}}}}}},
    };
    int otherCalls = 0;
    auto other = center->addObserver("SomethingElse", [&](const Notification&) { ++otherCalls; });
    center->post(name, userInfo);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !received.empty(); }));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].name, name);
    EXPECT_EQ(received[0].object, nullptr);
    const QVariantMap& got = received[0].userInfo;
    EXPECT_EQ(got, userInfo);
    for (auto it = userInfo.cbegin(); it != userInfo.cend(); ++it) {
        EXPECT_EQ(got.value(it.key()).typeId(), it.value().typeId()) << it.key().toStdString();
    }
    const QVariantList list = got.value("nested").toMap().value("list").toList();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[2].typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(otherCalls, 0);

    token.reset();
    std::vector<QString> later;
    auto replacement =
        center->addObserver(name, [&](const Notification& n) { later.push_back(n.userInfo.firstKey()); });
    center->post(name, {{"after", 1}});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !later.empty(); }));
    EXPECT_EQ(later, std::vector<QString>{"after"});
    EXPECT_EQ(received.size(), 1u) << "a removed observer is not called";
}

TEST_F(DistributedNotificationTest, MalformedOrOversizedSignalsAreDropped) {
    qDBusRegisterMetaType<QMap<int, QDBusVariant>>();
    QDBusArgument structure;
    structure.beginStructure();
    structure << 1 << QStringLiteral("x");
    structure.endStructure();
    QVariantMap tooDeep{{"leaf", 1}};
    for (int i = 0; i < Center::deepestNesting + 2; ++i) {
        tooDeep = QVariantMap{{"level", tooDeep}};
    }
    QVariantList tooMany;
    for (int i = 0; i < Center::mostValues + 1; ++i) {
        tooMany.append(i);
    }

    sendRaw({name});    // no user info
    sendRaw({name, 7}); // user info not a map
    sendRaw({name, QVariant::fromValue(QMap<int, QDBusVariant>{{1, QDBusVariant("x")}})}); // keys not texts
    sendRaw({QString(Center::longestName + 1, 'n'), QVariantMap{}});                       // name too long
    sendRaw({QString(), QVariantMap{}});                                                   // no name
    sendRaw({name, QVariantMap{{"path", QVariant::fromValue(QDBusObjectPath("/x"))}}});
    sendRaw({name, QVariantMap{{"struct", QVariant::fromValue(structure)}}});
    sendRaw({name, QVariantMap{{"data", QByteArray(Center::largestPayload + 1, 'x')}}});
    sendRaw({name, QVariantMap{{"deep", tooDeep}}});
    sendRaw({name, QVariantMap{{"many", tooMany}}});
    drain();
    EXPECT_TRUE(received.empty()) << received.size() << " malformed notification(s) delivered";

    sendRaw({name, QVariantMap{{"shortValue", QVariant::fromValue(short(-3))},
                               {"byte", QVariant::fromValue(uchar(200))}}});
    drain();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].userInfo.value("shortValue"), QVariant(-3)) << "small D-Bus integers arrive as int";
    EXPECT_EQ(received[0].userInfo.value("byte"), QVariant(200));
}

TEST_F(DistributedNotificationTest, PostRefusesWhatItCannotSend) {
    center->post(name, {{"when", QDateTime::currentDateTime()}});
    center->post(name, {{"data", QByteArray(Center::largestPayload + 1, 'x')}});
    center->post(QString(Center::longestName + 1, 'n'));
    drain();
    EXPECT_TRUE(received.empty());
}

namespace {

std::vector<QString> capturedWarnings;
void captureWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && QByteArray(context.category).startsWith("veltrix.platform.distributed")) {
        capturedWarnings.push_back(message);
    }
}

} // namespace

TEST(DistributedNotificationWithoutBus, IsInertAndSaysSoOnce) {
    const QString connectionName = QStringLiteral("veltrix-test-no-bus");
    QDBusConnection nowhere =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), connectionName);
    ASSERT_FALSE(nowhere.isConnected());

    capturedWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureWarnings);
    {
        Center inert(nowhere);
        int calls = 0;
        auto token = inert.addObserver("ProtocolFiltersNotification", [&](const Notification&) { ++calls; });
        for (int i = 0; i < 3; ++i) {
            inert.post("ProtocolFiltersNotification", {{"id", i}});
        }
        QCoreApplication::processEvents();
        EXPECT_FALSE(inert.isConnected());
        EXPECT_EQ(calls, 0);
    }
    qInstallMessageHandler(previous);
    QDBusConnection::disconnectFromBus(connectionName);
    EXPECT_EQ(capturedWarnings.size(), 1u);
}
