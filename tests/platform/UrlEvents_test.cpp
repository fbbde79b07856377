#include "platform/ManualScheduler.h"
#include "platform/UrlEvents.h"
#include "support/Permissions.h"
#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

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
                                     const QStringList& arguments = {}, std::function<void()> inChild = {}) {
    auto process = std::make_unique<QProcess>();
    if (inChild) {
        process->setChildProcessModifier(inChild);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELTRIX_URLEVENTS_COPY", mode);
    environment.insert("VELTRIX_URLEVENTS_ID", identifier);
    environment.insert("VELTRIX_URLEVENTS_DIR", directory);
    environment.insert("VELTRIX_URLEVENTS_ARGS", arguments.join('\n'));
    environment.insert("VELTRIX_URLEVENTS_TOKEN", "launch-token_TIME42");
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
    const Decision decision = events.claim(arguments, qEnvironmentVariable("VELTRIX_URLEVENTS_TOKEN"));
    int code = exitCodeFor(decision);
    if (mode == "serve" && decision == Decision::primary) {
        // Stay up until another copy hands over its launch.
        bool heard = false;
        events.setUrlHandler([&](const QUrl&) { heard = true; });
        events.setReopenHandler([&] { heard = true; });
        if (!testsupport::waitUntil([&] { return heard; }, 20000)) {
            code = primaryHeardNothing;
        }
    }
    if (mode == "hold") {
        QThread::sleep(60); // until killed
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
    QStringList
        tokensBeforeReopens; // the launch's activation token comes with it, before the window it raises
    events.setActivationTokenHandler([&](const QString& token) { tokensBeforeReopens << token; });

    auto withUrl = launchCopy("claim", identifier, directory.path(), {"-RunAsAgent", callbackUrl});
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished(*withUrl) && !received.isEmpty(); }, 15000));
    EXPECT_EQ(withUrl->exitCode(), exitCodeFor(Decision::secondaryForwarded));
    EXPECT_EQ(received, QList<QUrl>{QUrl(callbackUrl)}) << "the URL arrives unchanged, tokens included";
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(reopened, 0);

    // A later launch without a URL is a reopen.
    auto plain = launchCopy("claim", identifier, directory.path());
    events.setReopenHandler([&] { tokensBeforeReopens << QString::number(++reopened); });
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished(*plain) && reopened == 1; }, 15000));
    EXPECT_EQ(plain->exitCode(), exitCodeFor(Decision::secondaryForwarded));
    EXPECT_EQ(received.size(), 1);
    EXPECT_EQ(tokensBeforeReopens, QStringList({"launch-token_TIME42", "launch-token_TIME42", "1"}));
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

TEST(UrlEventsArguments, LinksAreArgumentsWithASchemeThatAreNotOptionsReadAsABrowserWould) {
    EXPECT_TRUE(UrlEvents::urlsIn({"-RunAsAgent", "-USE_CUSTOM_ENV", "example.com", "443", "/home/a/file", "",
                                   "-veltrix://looks/like/an/option", "1a:b", "a b:c", ":x"})
                    .isEmpty());
    // What a browser leaves unencoded is encoded; a link invalid even so is handed on invalid, to be refused.
    const QList<std::pair<QString, QString>> links{
        {"veltrix://a.example/macos/callback#id_token=x", "veltrix://a.example/macos/callback#id_token=x"},
        {"veltrix://a.example/cb#id_token=a b&tenant_id=\"x\"",
         "veltrix://a.example/cb#id_token=a%20b&tenant_id=%22x%22"},
        {"veltrix://a.example/c b?t=a%zz<>`{|}^", "veltrix://a.example/c%20b?t=a%25zz%3C%3E%60%7B%7C%7D%5E"},
        {"veltrix://a b.example/cb", ""},
        {"veltrix://a%2Eb.example/cb", ""},
        {"veltrix://a.example:99999/cb", ""}};
    for (const auto& [argument, link] : links) {
        EXPECT_EQ(UrlEvents::urlsIn({argument}), QList<QUrl>{QUrl(link, QUrl::StrictMode)})
            << argument.toStdString();
    }
}

namespace {

// A connection to the running copy's socket that stays open until closed, or -1. While the queue of
// callers waiting to be taken is full, it tries again for a while.
int connectRaw(const QString& serverName) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(serverName);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    QDeadlineTimer patience(2000);
    while (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EAGAIN || patience.hasExpired()) {
            ::close(fd);
            return -1;
        }
        QThread::usleep(100);
    }
    return fd;
}

bool hungUp(int fd) {
    char byte;
    const ssize_t got = ::recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

int countHungUp(const std::vector<int>& connections) {
    return int(std::count_if(connections.begin(), connections.end(), hungUp));
}

void closeAll(std::vector<int>& connections) {
    for (const int fd : connections) {
        ::close(fd);
    }
    connections.clear();
}

} // namespace

TEST_F(UrlEventsTest, PeerThatFallsSilentOrDripsIsDropped) {
    ManualScheduler scheduler;
    ScopedScheduler use(scheduler);
    const QByteArray header("\0\0\x10\0", 4); // a message of 4 KiB follows
    const struct {
        const char* what;
        QByteArray sentAtOnce;
        int dripEverySteps; // then a byte every so many tenths of a second; 0: nothing more
        double droppedAfter;
    } peers[] = {{"sends nothing", {}, 0, UrlEvents::peerSilenceSeconds},
                 {"stops inside the header", header.left(2), 0, UrlEvents::peerSilenceSeconds},
                 {"drips its message", header, 9, UrlEvents::peerTimeoutSeconds}};
    for (const auto& peer : peers) {
        SCOPED_TRACE(peer.what);
        UrlEvents events(uniqueIdentifier("silent"), directory.path());
        ASSERT_EQ(events.claim({"veltrix"}), Decision::primary);
        const int fd = connectRaw(events.serverName());
        ASSERT_TRUE(testsupport::waitUntil([&] { return scheduler.pendingCount() == 1; })) << "accepted";
        const auto send = [fd](const QByteArray& bytes) {
            ::send(fd, bytes.constData(), size_t(bytes.size()), 0);
            testsupport::waitUntil([] { return false; }, 50); // the running copy reads it
        };
        send(peer.sentAtOnce);
        for (int step = 1; step < qRound(peer.droppedAfter * 10); ++step) {
            scheduler.advance(0.1);
            if (peer.dripEverySteps && step % peer.dripEverySteps == 0) {
                send("x");
            }
        }
        EXPECT_FALSE(hungUp(fd)) << "still heard just before";
        scheduler.advance(0.1);
        EXPECT_TRUE(testsupport::waitUntil([&] { return hungUp(fd); }));
        ::close(fd);
    }
}

TEST_F(UrlEventsTest, ALockLeftBehindHoldsNoLaterCopyBack) {
    const QList<std::pair<const char*, std::function<void(const QString& lockPath, const QString& id)>>>
        leftovers{
            {"an empty lock file, as a copy killed right after making it leaves it",
             [](const QString& lockPath, const QString&) { QFile(lockPath).open(QIODevice::WriteOnly); }},
            {"a lock file of another copy's making",
             [](const QString& lockPath, const QString&) {
                 QFile file(lockPath);
                 file.open(QIODevice::WriteOnly);
                 file.write("12345\nveltrix\nsome-host\n");
             }},
            {"a lock file nobody may open",
             [](const QString& lockPath, const QString&) {
                 QFile(lockPath).open(QIODevice::WriteOnly);
                 ::chmod(QFile::encodeName(lockPath).constData(), 0);
             }},
            {"the lock of a copy killed as soon as it appeared",
             [this](const QString& lockPath, const QString& id) {
                 auto holder = launchCopy("hold", id, directory.path());
                 ASSERT_TRUE(testsupport::waitUntil([&] { return QFile::exists(lockPath); }, 15000));
                 ::kill(pid_t(holder->processId()), SIGKILL);
                 ASSERT_TRUE(holder->waitForFinished());
             }},
        };
    for (const auto& [what, leave] : leftovers) {
        SCOPED_TRACE(what);
        const QString identifier = uniqueIdentifier("left");
        UrlEvents events(identifier, directory.path());
        leave(events.lockPath(), identifier);
        ASSERT_TRUE(QFile::exists(events.lockPath()));
        QElapsedTimer claiming;
        claiming.start();
        {
            WithoutPermissionOverride asItsOwner;
            ASSERT_EQ(events.claim({"veltrix"}), Decision::primary);
        }
        EXPECT_LT(claiming.elapsed(), 2000);
        int reopened = 0;
        events.setReopenHandler([&] { ++reopened; });
        auto later = launchCopy("claim", identifier, directory.path());
        ASSERT_TRUE(testsupport::waitUntil([&] { return finished(*later) && reopened == 1; }, 15000));
        EXPECT_EQ(later->exitCode(), exitCodeFor(Decision::secondaryForwarded))
            << "and the next is its guest";
    }
}

TEST_F(UrlEventsTest, SilentPeersHoldingEveryPlaceMakeRoomForALaterLaunchAtOnce) {
    ManualScheduler scheduler; // no peer times out while this runs
    ScopedScheduler use(scheduler);
    UrlEvents events(uniqueIdentifier("busy"), directory.path());
    ASSERT_EQ(events.claim({"veltrix"}), Decision::primary);
    int handled = 0;
    events.setReopenHandler([&] { ++handled; });

    std::vector<int> connections;
    for (int i = 0; i < UrlEvents::maxPeers + 6; ++i) {
        connections.push_back(connectRaw(events.serverName()));
        ASSERT_GE(connections.back(), 0);
    }
    EXPECT_TRUE(testsupport::waitUntil([&] { return countHungUp(connections) == 6; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(std::count_if(connections.begin(), connections.begin() + 6, hungUp), 6)
        << "the oldest made room";

    // Every place is held by a silent peer, yet a launch is answered at once, even with as many silent ones
    // coming in right behind it.
    QElapsedTimer answered;
    answered.start();
    QLocalSocket socket;
    socket.connectToServer(events.serverName());
    socket.write(UrlEvents::encodeMessage({}));
    ASSERT_TRUE(socket.flush());
    for (int i = 0; i < UrlEvents::maxPeers; ++i) {
        connections.push_back(connectRaw(events.serverName()));
    }
    EXPECT_TRUE(testsupport::waitUntil([&] {
        scheduler.runUntilIdle();
        return handled == 1;
    }));
    EXPECT_LT(answered.elapsed(), 1000);
    closeAll(connections);
}

TEST_F(UrlEventsTest, AFloodOfConnectionsLeavesTheRunningCopyServingLaterLaunches) {
    // With the usual limit of open files and none to spare, however the limit is set.
    QList<std::pair<rlim_t, rlim_t>> limits{{1024, RLIM_INFINITY}, {1024, 1024}};
#if !defined(__SANITIZE_ADDRESS__)
    // Not under the sanitizers: they probe memory through a pipe before each dynamic type check, so with no
    // descriptor to spare every such check fails and ends the copy.
    limits.append({48, 48});
#endif
    for (const auto& [soft, hard] : limits) {
        SCOPED_TRACE(std::to_string(soft) + "/" + std::to_string(hard));
        const QString identifier = uniqueIdentifier("flood");
        const UrlEvents names(identifier, directory.path());
        auto server = launchCopy("serve", identifier, directory.path(), {}, [soft = soft, hard = hard] {
            rlimit limit{};
            ::getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = soft;
            limit.rlim_max = std::min(hard, limit.rlim_max);
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
        ASSERT_TRUE(testsupport::waitUntil(
            [&] {
                const int probe = connectRaw(names.serverName());
                ::close(probe);
                return probe >= 0;
            },
            15000))
            << "the running copy listens";

        std::vector<int> connections;
        for (int i = 0; i < 1100; ++i) {
            if (const int fd = connectRaw(names.serverName()); fd >= 0) {
                connections.push_back(fd);
            }
        }
        EXPECT_EQ(connections.size(), 1100u);
        EXPECT_TRUE(testsupport::waitUntil([&] {
            return countHungUp(connections) >= int(connections.size()) - UrlEvents::maxPeers;
        })) << "what it cannot hear it hangs up on at once: "
            << countHungUp(connections) << " of " << connections.size();
        closeAll(connections);

        auto later = launchCopy("claim", identifier, directory.path());
        ASSERT_TRUE(testsupport::waitUntil([&] { return finished(*later) && finished(*server); }, 30000));
        EXPECT_EQ(later->exitCode(), exitCodeFor(Decision::secondaryForwarded));
        EXPECT_EQ(server->exitCode(), exitCodeFor(Decision::primary)) << "and heard it";
    }
}
