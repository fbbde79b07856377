#include "platform/ManualScheduler.h"
#include "platform/UrlEvents.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>

using namespace platform;
using Decision = UrlEvents::LaunchDecision;

namespace {

// A launched copy exits with exitBase + its decision, or with primaryHeardNothing.
constexpr int exitBase = 10;
constexpr int primaryHeardNothing = 20;

const QString callbackUrl =
    QStringLiteral("veltrix://auth.example.com/macos/callback#id_token=eyJ.a%2Bb.c&tenant_id=acme");

int exitCodeFor(Decision decision) {
    return exitBase + static_cast<int>(decision);
}

QString uniqueIdentifier(const char* what) {
    static int counter = 0;
    return QStringLiteral("com.veltrix.test.%1.%2.%3").arg(what).arg(::getpid()).arg(++counter);
}

// Starts this test binary as another copy of the client, running only UrlEventsLaunchedCopy below.
std::unique_ptr<QProcess> launchCopy(const QString& mode, const QString& identifier, const QString& directory,
                                     const QStringList& arguments = {}) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELTRIX_URLEVENTS_COPY", mode);
    environment.insert("VELTRIX_URLEVENTS_ID", identifier);
    environment.insert("VELTRIX_URLEVENTS_DIR", directory);
    environment.insert("VELTRIX_URLEVENTS_ARGS", arguments.join('\n'));
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=UrlEventsLaunchedCopy.*"});
    return process;
}

bool finished(const QProcess& process) {
    return process.state() == QProcess::NotRunning;
}

class UrlEventsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(directory.isValid()); }

    QTemporaryDir directory;
};

} // namespace

// The body of a launched copy; skipped when the suite runs normally.
TEST(UrlEventsLaunchedCopy, ClaimsAndExits) {
    const QString mode = qEnvironmentVariable("VELTRIX_URLEVENTS_COPY");
    if (mode.isEmpty()) {
        GTEST_SKIP() << "runs only inside a copy launched by the tests below";
    }
    UrlEvents events(qEnvironmentVariable("VELTRIX_URLEVENTS_ID"),
                     qEnvironmentVariable("VELTRIX_URLEVENTS_DIR"));
    QStringList arguments{"veltrix"};
    arguments += qEnvironmentVariable("VELTRIX_URLEVENTS_ARGS").split('\n', Qt::SkipEmptyParts);
    const Decision decision = events.claim(arguments);
    int code = exitCodeFor(decision);
    if (mode == "serve" && decision == Decision::primary) {
        // Stay up until another copy hands over its launch.
        bool heard = false;
        events.setUrlHandler([&](const QUrl&) { heard = true; });
        events.setReopenHandler([&] { heard = true; });
        if (!testsupport::waitUntil([&] { return heard; }, 8000)) {
            code = primaryHeardNothing;
        }
    }
    if (mode != "crash") {
        events.release();
    }
    std::fflush(nullptr);
    ::_exit(code); // a crash leaves its lock and socket behind
}

TEST_F(UrlEventsTest, LaterLaunchHandsItsUrlToTheRunningCopyAndExits) {
    const QString identifier = uniqueIdentifier("forward");
    UrlEvents events(identifier, directory.path());
    ASSERT_EQ(events.claim({"veltrix"}), Decision::primary);
    QList<QUrl> received;
    bool onMainThread = true;
    int reopened = 0;
    events.setUrlHandler([&](const QUrl& url) {
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        received.append(url);
    });
    events.setReopenHandler([&] { ++reopened; });

    auto withUrl = launchCopy("claim", identifier, directory.path(), {"-RunAsAgent", callbackUrl});
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished(*withUrl) && !received.isEmpty(); }, 15000));
    EXPECT_EQ(withUrl->exitCode(), exitCodeFor(Decision::secondaryForwarded));
    EXPECT_EQ(received, QList<QUrl>{QUrl(callbackUrl)}) << "the URL arrives unchanged, tokens included";
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(reopened, 0);

    // A later launch without a URL is a reopen.
    auto plain = launchCopy("claim", identifier, directory.path());
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished(*plain) && reopened == 1; }, 15000));
    EXPECT_EQ(plain->exitCode(), exitCodeFor(Decision::secondaryForwarded));
    EXPECT_EQ(received.size(), 1);
}

TEST_F(UrlEventsTest, LaunchesStartedTogetherNeverBothQuit) {
    const QString identifier = uniqueIdentifier("race");
    auto first = launchCopy("serve", identifier, directory.path());
    auto second = launchCopy("serve", identifier, directory.path());
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished(*first) && finished(*second); }, 20000));
    std::vector<int> codes{first->exitCode(), second->exitCode()};
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes,
              (std::vector<int>{exitCodeFor(Decision::primary), exitCodeFor(Decision::secondaryForwarded)}))
        << "one runs and hears the other, which hands over and quits";
}

TEST_F(UrlEventsTest, LockAndSocketLeftByACrashedCopyAreTakenOver) {
    const QString identifier = uniqueIdentifier("stale");
    auto crashed = launchCopy("crash", identifier, directory.path());
    ASSERT_TRUE(crashed->waitForFinished(15000));
    ASSERT_EQ(crashed->exitCode(), exitCodeFor(Decision::primary));
    UrlEvents events(identifier, directory.path());
    ASSERT_TRUE(QFile::exists(events.lockPath()));

    ASSERT_EQ(events.claim({"veltrix"}), Decision::primary);
    EXPECT_TRUE(events.isPrimary());
    int reopened = 0;
    events.setReopenHandler([&] { ++reopened; });
    auto later = launchCopy("claim", identifier, directory.path());
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished(*later) && reopened == 1; }, 15000));
    EXPECT_EQ(later->exitCode(), exitCodeFor(Decision::secondaryForwarded));

    events.release();
    EXPECT_FALSE(QFile::exists(events.lockPath()));
}

TEST_F(UrlEventsTest, MalformedMessagesAreRefusedWithoutHarm) {
    UrlEvents events(uniqueIdentifier("garbled"), directory.path());
    ASSERT_EQ(events.claim({"veltrix"}), Decision::primary);
    int handled = 0;
    events.setUrlHandler([&](const QUrl&) { ++handled; });
    events.setReopenHandler([&] { ++handled; });

    // Sends `bytes` and returns what the running copy answered before it hung up.
    const auto exchange = [&](const QByteArray& bytes) {
        QLocalSocket socket;
        socket.connectToServer(events.serverName());
        EXPECT_TRUE(testsupport::waitUntil([&] { return socket.state() == QLocalSocket::ConnectedState; }));
        socket.write(bytes);
        socket.flush();
        EXPECT_TRUE(testsupport::waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }))
            << "the running copy hangs up";
        return socket.readAll();
    };
    const auto framed = [](const QByteArray& payload) {
        QByteArray header(4, '\0');
        qToBigEndian<quint32>(static_cast<quint32>(payload.size()), header.data());
        return header + payload;
    };

    EXPECT_EQ(exchange(QByteArray("\xff\xff\xff\xff", 4) + QByteArray(100, 'x')), QByteArray())
        << "oversized";
    EXPECT_EQ(exchange(framed(QByteArray(UrlEvents::maxMessageBytes, '['))), QByteArray()) << "just too long";
    EXPECT_EQ(exchange(framed("not json at all")), QByteArray());
    EXPECT_EQ(exchange(framed("[\"veltrix://x/cb\", 42]")), QByteArray()) << "only texts are arguments";
    EXPECT_EQ(exchange(framed("{\"url\": \"veltrix://x/cb\"}")), QByteArray());
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 0);

    EXPECT_EQ(exchange(framed("[\"veltrix://x/cb?id_token=1&tenant_id=2\"]")), QByteArray("K"))
        << "the running copy still answers a good message";
    EXPECT_TRUE(testsupport::waitUntil([&] { return handled == 1; }));
}

TEST_F(UrlEventsTest, PeerThatSendsNothingIsDroppedAfterTheTimeout) {
    ManualScheduler scheduler;
    ScopedScheduler use(scheduler);
    UrlEvents events(uniqueIdentifier("silent"), directory.path());
    ASSERT_EQ(events.claim({"veltrix"}), Decision::primary);
    QLocalSocket socket;
    socket.connectToServer(events.serverName());
    ASSERT_TRUE(testsupport::waitUntil([&] { return scheduler.pendingCount() == 1; }))
        << "connection accepted";

    scheduler.advance(UrlEvents::peerTimeoutSeconds - 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(socket.state(), QLocalSocket::ConnectedState);
    scheduler.advance(1);
    EXPECT_TRUE(testsupport::waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }));
}

TEST_F(UrlEventsTest, UrlsArriveInOrderEvenBeforeAHandlerIsSet) {
    UrlEvents events(uniqueIdentifier("early"), directory.path());
    // The running copy's own URL and one delivered from another thread both wait for the handler.
    ASSERT_EQ(events.claim({"veltrix", "-USE_STAGING_ENV", "veltrix://first/cb"}), Decision::primary);
    std::thread([&] { events.deliver(QUrl("veltrix://second/cb")); }).join();
    QCoreApplication::processEvents();

    QList<QUrl> received;
    events.setUrlHandler([&](const QUrl& url) { received.append(url); });
    events.deliver(QUrl("veltrix://third/cb"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return received.size() == 3; }));
    EXPECT_EQ(received, (QList<QUrl>{QUrl("veltrix://first/cb"), QUrl("veltrix://second/cb"),
                                     QUrl("veltrix://third/cb")}));
}

TEST(UrlEventsArguments, UrlsAreArgumentsWithASchemeThatAreNotOptions) {
    const QList<QUrl> urls =
        UrlEvents::urlsIn({"-RunAsAgent", "-USE_CUSTOM_ENV", "example.com", "443", "/home/a/file",
                           "veltrix://auth.example.com/macos/callback#id_token=x", "",
                           "-veltrix://looks/like/an/option", "https://example.com/a b"});
    EXPECT_EQ(urls, (QList<QUrl>{QUrl("veltrix://auth.example.com/macos/callback#id_token=x")}));
}
