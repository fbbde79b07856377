#include "platform/Application.h"
#include "platform/Workspace.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <vector>

using namespace platform;

namespace {

// Stands in for logind on its own session-bus connection. Each delay it grants is the write end of a pipe,
// so the test sees the client let go of it when the read end reaches end-of-file.
class FakeLogin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLogin(const QString& service)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, service)), m_service(service) {}
    ~FakeLogin() override {
        for (int fd : m_readEnds) {
            ::close(fd);
        }
        m_bus.unregisterService(m_service);
        QDBusConnection::disconnectFromBus(m_service);
    }

    bool start() {
        return m_bus.isConnected() &&
               m_bus.registerObject("/org/freedesktop/login1", this, QDBusConnection::ExportAllSlots) &&
               m_bus.registerService(m_service);
    }

    void send(const char* signal, bool start) {
        QDBusMessage message =
            QDBusMessage::createSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", signal);
        message << start;
        m_bus.send(message);
    }

    int grantedDelays() const { return static_cast<int>(m_readEnds.size()); }
    // True once every copy of the delay's descriptor is closed.
    bool delayReleased(int index) const {
        char byte;
        return ::read(m_readEnds.at(index), &byte, 1) == 0;
    }
    QStringList requests;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        Q_UNUSED(who)
        Q_UNUSED(why)
        requests.append(what + "/" + mode);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return {};
        }
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        m_readEnds.push_back(fds[0]);
        QDBusUnixFileDescriptor writeEnd(fds[1]); // duplicates it
        ::close(fds[1]);
        return writeEnd;
    }

private:
    QDBusConnection m_bus;
    QString m_service;
    std::vector<int> m_readEnds;
};

// logind as far as a shut-down goes, answering on a private bus: the shut-down signals of an older or a
// newer systemd, and the ScheduledShutdown property when one was scheduled (or no such property at all).
class ShutdownLogin : public QDBusVirtualObject {
public:
    static inline const QString service = QStringLiteral("org.freedesktop.login1");

    explicit ShutdownLogin(QDBusConnection bus) : m_bus(std::move(bus)) {}
    ~ShutdownLogin() override {
        m_bus.unregisterService(service);
        m_bus.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    }
    bool start() {
        return m_bus.isConnected() && m_bus.registerVirtualObject("/org/freedesktop/login1", this) &&
               m_bus.registerService(service);
    }

    void announce(bool start, std::optional<QString> type) {
        const QString path = QStringLiteral("/org/freedesktop/login1");
        const QString manager = QStringLiteral("org.freedesktop.login1.Manager");
        if (type) { // systemd 255 and later: the kind first, then the plain signal
            QDBusMessage withKind =
                QDBusMessage::createSignal(path, manager, "PrepareForShutdownWithMetadata");
            withKind << start << QVariantMap{{QStringLiteral("type"), *type}};
            m_bus.send(withKind);
        }
        QDBusMessage plain = QDBusMessage::createSignal(path, manager, "PrepareForShutdown");
        plain << start;
        m_bus.send(plain);
    }

    std::optional<QString> scheduledType; // none: the property does not exist

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") &&
            message.member() == QLatin1String("Get") &&
            message.arguments().value(1).toString() == QLatin1String("ScheduledShutdown") && scheduledType) {
            QDBusArgument scheduled;
            scheduled.beginStructure();
            scheduled << *scheduledType << quint64(scheduledType->isEmpty() ? 0 : 1700000000000000ULL);
            scheduled.endStructure();
            connection.send(
                message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(scheduled)))));
            return true;
        }
        connection.send(message.createErrorReply(QDBusError::UnknownProperty, QStringLiteral("not here")));
        return true;
    }

private:
    QDBusConnection m_bus;
};

QString uniqueService(const char* what) {
    return QStringLiteral("org.veltrix.test.%1.p%2").arg(what).arg(::getpid());
}

} // namespace

TEST(Workspace, SleepWakeAndPowerOffFromLogindWithASleepDelay) {
    if (!QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "needs a session bus (dbus-run-session)";
    }
    FakeLogin login(uniqueService("login"));
    ASSERT_TRUE(login.start());
    Workspace workspace;
    ASSERT_TRUE(workspace.startObservingPower(QDBusConnection::sessionBus(), uniqueService("login")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return workspace.holdsSleepDelay(); }));
    EXPECT_EQ(login.requests, QStringList{"sleep/delay"});

    std::vector<std::string> seen;
    bool delayHeldDuringSleepHandler = false;
    QObject::connect(&workspace, &Workspace::willSleep, [&] {
        seen.push_back("willSleep");
        delayHeldDuringSleepHandler = workspace.holdsSleepDelay() && !login.delayReleased(0);
    });
    QObject::connect(&workspace, &Workspace::didWake, [&] { seen.push_back("didWake"); });
    QuitReason reasonDuringPowerOff = QuitReason::none;
    QObject::connect(&workspace, &Workspace::willPowerOff, [&] {
        seen.push_back("willPowerOff");
        reasonDuringPowerOff = Application::instance()->currentQuitReason();
    });

    login.send("PrepareForSleep", true);
    ASSERT_TRUE(testsupport::waitUntil([&] { return seen.size() == 1; }));
    EXPECT_TRUE(delayHeldDuringSleepHandler) << "the system may not sleep before the handlers ran";
    EXPECT_FALSE(workspace.holdsSleepDelay());
    EXPECT_TRUE(testsupport::waitUntil([&] { return login.delayReleased(0); })) << "released once they ran";

    login.send("PrepareForSleep", false);
    ASSERT_TRUE(testsupport::waitUntil([&] { return seen.size() == 2 && workspace.holdsSleepDelay(); }));
    EXPECT_EQ(login.grantedDelays(), 2) << "a new delay is taken on wake";

    login.send("PrepareForShutdown", false); // a shut-down called off: nothing to tell
    login.send("PrepareForShutdown", true);
    ASSERT_TRUE(testsupport::waitUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"willSleep", "didWake", "willPowerOff"}));
    EXPECT_EQ(reasonDuringPowerOff, QuitReason::shutDown);
    EXPECT_EQ(Application::instance()->currentQuitReason(), QuitReason::none);

    workspace.stopObservingPower();
    EXPECT_FALSE(workspace.holdsSleepDelay());
    EXPECT_TRUE(testsupport::waitUntil([&] { return login.delayReleased(1); }));
}

TEST(Workspace, InertWithoutBusOrLogind) {
    Workspace workspace;
    EXPECT_FALSE(workspace.startObservingPower(QDBusConnection(QStringLiteral("no-such-connection"))));
    EXPECT_FALSE(workspace.isObservingPower());

    if (!QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "needs a session bus (dbus-run-session)";
    }
    // A bus on which nobody offers logind.
    ASSERT_TRUE(workspace.startObservingPower(QDBusConnection::sessionBus(), uniqueService("absent")));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !workspace.isObservingPower(); }));
    EXPECT_FALSE(workspace.holdsSleepDelay());
}

// The desktop's opener as PATH finds it: a script that keeps its argument and exits with `exitCode`, or
// none at all. Neither Qt's fallback nor the opener may find a browser of the machine's.
class OpenerOnPath {
public:
    explicit OpenerOnPath(std::optional<int> exitCode) : m_path(qgetenv("PATH")) {
        if (exitCode) {
            QFile script(m_dir.filePath("xdg-open"));
            script.open(QIODevice::WriteOnly);
            script.write(QByteArray("#!/bin/sh\nprintf '%s' \"$1\" > \"${0%/*}/given\"\nexit ") +
                         QByteArray::number(*exitCode) + "\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(m_dir.path()));
        qunsetenv("BROWSER");
        qunsetenv("DEFAULT_BROWSER");
    }
    ~OpenerOnPath() { qputenv("PATH", m_path); }
    QString given() const {
        QFile file(m_dir.filePath("given"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_path;
};

TEST(Workspace, ALinkNoProgramOpensIsReported) {
    const QUrl url("https://support.example.com/docs?utm_source=client&x=a%20b");
    struct Case {
        const char* what;
        std::optional<int> openerExit;
        bool reported;
    };
    for (const Case& c :
         {Case{"the opener opened it", 0, false}, Case{"no browser for the opener", 3, true},
          Case{"the opener's action failed", 4, true}, Case{"no opener at all", std::nullopt, true}}) {
        SCOPED_TRACE(c.what);
        OpenerOnPath opener(c.openerExit);
        Workspace workspace;
        QList<QUrl> notOpened;
        QObject::connect(&workspace, &Workspace::urlNotOpened, [&](const QUrl& u) { notOpened.append(u); });
        EXPECT_TRUE(workspace.openURL(url));
        if (c.reported) {
            EXPECT_TRUE(testsupport::waitUntil([&] { return !notOpened.isEmpty(); }));
            EXPECT_EQ(notOpened, QList<QUrl>{url});
        } else {
            EXPECT_TRUE(testsupport::waitUntil([&] { return !opener.given().isEmpty(); }));
            EXPECT_FALSE(testsupport::waitUntil([&] { return !notOpened.isEmpty(); }, 500))
                << "its end is seen";
        }
        if (c.openerExit) {
            EXPECT_EQ(opener.given(), QString::fromUtf8(url.toEncoded())) << "the address goes whole";
        }
    }
}

TEST(Workspace, AnInvalidLinkIsRefusedAtOnceWithoutAnyOpener) {
    OpenerOnPath opener(0);
    Workspace workspace;
    QList<QUrl> notOpened;
    QObject::connect(&workspace, &Workspace::urlNotOpened, [&](const QUrl& u) { notOpened.append(u); });
    EXPECT_FALSE(workspace.openURL(QUrl()));
    EXPECT_FALSE(workspace.openURL(QUrl("no scheme here")));
    EXPECT_FALSE(
        testsupport::waitUntil([&] { return !notOpened.isEmpty() || !opener.given().isEmpty(); }, 500));
}

TEST(Workspace, AShutDownThatRebootsIsARestartWhenLogindSaysSo) {
    PrivateBus bus;
    if (!bus.isValid()) {
        GTEST_SKIP() << "dbus-daemon could not be started";
    }
    struct Case {
        const char* what;
        std::optional<QString> signalled; // the kind a newer logind sends
        std::optional<QString> scheduled; // the ScheduledShutdown kind an older one may hold
        QuitReason reason;
    };
    const Case cases[] = {
        {"newer logind, reboot", QStringLiteral("reboot"), std::nullopt, QuitReason::restart},
        {"newer logind, soft reboot", QStringLiteral("soft-reboot"), std::nullopt, QuitReason::restart},
        {"newer logind, power-off", QStringLiteral("poweroff"), QStringLiteral("reboot"),
         QuitReason::shutDown},
        {"older logind, scheduled reboot", std::nullopt, QStringLiteral("reboot"), QuitReason::restart},
        {"older logind, nothing scheduled", std::nullopt, QString(), QuitReason::shutDown},
        {"older logind without the property", std::nullopt, std::nullopt, QuitReason::shutDown},
    };
    for (const Case& c : cases) {
        ShutdownLogin login(bus.connect());
        ASSERT_TRUE(login.start()) << c.what;
        login.scheduledType = c.scheduled;
        Workspace workspace;
        ASSERT_TRUE(workspace.startObservingPower(bus.connect(), ShutdownLogin::service)) << c.what;
        std::vector<QuitReason> reasons;
        QObject::connect(&workspace, &Workspace::willPowerOff,
                         [&] { reasons.push_back(Application::instance()->currentQuitReason()); });

        login.announce(false, c.signalled); // called off: nothing to tell
        login.announce(true, c.signalled);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !reasons.empty(); })) << c.what;
        QCoreApplication::processEvents(); // a second announcement of the same shut-down would show now
        EXPECT_EQ(reasons, std::vector<QuitReason>{c.reason}) << c.what;
        EXPECT_EQ(Application::instance()->currentQuitReason(), QuitReason::none) << c.what;
        workspace.stopObservingPower();
    }
}
#include "Workspace_test.moc"
