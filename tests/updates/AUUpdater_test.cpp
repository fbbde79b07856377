// The package download against a real server on the loopback interface, with its time-out and retry in
// virtual time.
#include "core/AUUpdater.h"

#include "platform/Bundle.h"
#include "platform/ManualScheduler.h"
#include "support/FullDisk.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestSupport.h"
#include "support/UpdatesTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

using testsupport::LoopbackHttpServer;

namespace {

class RecordingDelegate : public AUUpdaterDelegate {
public:
    void updaterWantsToInstallUpdateWithCriticalStatus(AUUpdater&, bool critical) override {
        reports.append(critical ? QStringLiteral("install critical") : QStringLiteral("install"));
    }
    void updaterDidChangeState(AUUpdater&, int state) override { reports.append(QString::number(state)); }
    void updaterDidChangeProgress(AUUpdater&, double value) override { progress.append(value); }

    QStringList reports;
    QList<double> progress;
};

QByteArray packageBytes(int size, char seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + i * 31);
    }
    return bytes;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sends `piece` again and again without a length, waiting `pauseMs` of real time before each, until the
// client goes away or `total` bytes are out.
testsupport::LoopbackHttpServer::Handler pacedBody(QByteArray piece, int pauseMs, size_t total) {
    return [=](const httplib::Request&, httplib::Response& response) {
        auto sent = std::make_shared<size_t>(0);
        response.set_chunked_content_provider(
            "application/octet-stream", [=](size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
                if (*sent >= total) {
                    sink.done();
                    return true;
                }
                *sent += piece.size();
                return sink.write(piece.constData(), piece.size());
            });
    };
}

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(server.isListening());
    }

    std::unique_ptr<AUUpdater> makeUpdater(const QString& host) {
        auto updater =
            AUUpdater::updaterWithBundle(platform::Bundle::main(), host, destination(), QString(), 100);
        updater->setDelegate(&delegate);
        return updater;
    }
    QString url(const char* path) const { return server.url(QString::fromLatin1(path)).toString(); }
    QString destination() const { return folder.filePath(QStringLiteral("updates/veltrix.pkg")); }
    // Everything in the package's folder: the package once complete, and never a leftover.
    QStringList packageFolder() const {
        return QDir(folder.filePath(QStringLiteral("updates"))).entryList(QDir::Files | QDir::Hidden);
    }

    // Real I/O with virtual time: while nothing is reported, virtual time moves a second at a time, up to
    // `virtualLimit` seconds.
    bool settle(const std::function<bool()>& done, double virtualLimit = 0, int realMs = 20000) {
        QDeadlineTimer deadline(realMs);
        for (double moved = 0;; moved += 1.0) {
            const auto reported = delegate.reports.size();
            if (updatestest::settle(
                    scheduler, [&] { return done() || delegate.reports.size() != reported; }, 25) &&
                done()) {
                return true;
            }
            if (deadline.hasExpired()) {
                return false;
            }
            if (delegate.reports.size() == reported && moved < virtualLimit) {
                scheduler.advance(1.0);
            }
        }
    }
    // A transfer that should succeed waits with virtual time still (`virtualLimit` 0): on a loaded machine
    // its real I/O can take longer than the 15 virtual seconds of quiet that fail it.
    bool settleUntilReported(const QString& last, double virtualLimit) {
        return settle([&] { return !delegate.reports.isEmpty() && delegate.reports.last() == last; },
                      virtualLimit);
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    QTemporaryDir folder;
    LoopbackHttpServer server;
    RecordingDelegate delegate;
};

TEST_F(UpdaterTest, ADownloadReportsItsStatesAndHandsOverTheWholePackage) {
    const QByteArray package = packageBytes(300000, 'a');
    server.serveBody("/plain.pkg", package);
    server.serveBody("/critical.pkg", package,
                     {{"Content-Disposition", "attachment; filename=critical-update.pkg"}});
    server.serveBody("/capital.pkg", package, {{"Content-Disposition", "attachment; filename=Critical.pkg"}});
    server.serveRedirect("/moved.pkg", "/plain.pkg");
    QFile local(folder.filePath(QStringLiteral("local.pkg")));
    ASSERT_TRUE(local.open(QIODevice::WriteOnly) && local.write(package) == package.size());
    local.close();

    const struct {
        QString host;
        QString install;
        qint64 total; // a file URL is no HTTP answer: no length
    } cases[] = {
        {url("/plain.pkg"), "install", package.size()},
        {url("/critical.pkg"), "install critical", package.size()},
        {url("/capital.pkg"), "install", package.size()},
        {url("/moved.pkg"), "install", package.size()},
        {QUrl::fromLocalFile(local.fileName()).toString(), "install", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host.toStdString());
        QFile::remove(destination());
        delegate.reports.clear();
        delegate.progress.clear();
        auto updater = makeUpdater(c.host);
        updater->downloadUpdate();
        ASSERT_TRUE(settleUntilReported(c.install, 0)) << delegate.reports.join(' ').toStdString();
        EXPECT_EQ(delegate.reports, (QStringList{"1", "2", c.install}));
        EXPECT_EQ(updater->state(), AUUpdater::downloaded);
        EXPECT_EQ(updater->totalBytes(), c.total);
        EXPECT_EQ(contentsOf(destination()), package);
        EXPECT_EQ(packageFolder(), QStringList{"veltrix.pkg"});
        ASSERT_FALSE(delegate.progress.isEmpty());
        EXPECT_DOUBLE_EQ(delegate.progress.last(), c.total > 0 ? 1.0 : 0.0);
        for (qsizetype i = 0; i < delegate.progress.size(); ++i) {
            EXPECT_TRUE(delegate.progress[i] >= 0.0 && delegate.progress[i] <= 1.0);
            EXPECT_TRUE(i == 0 || delegate.progress[i] >= delegate.progress[i - 1]);
        }
    }
}

TEST_F(UpdaterTest, EveryFailureIsRetriedOnceThenReportedAndLeavesNoPartialPackage) {
    server.serveStatus("/missing.pkg", 404);
    server.serveStatus("/broken.pkg", 500);
    server.serveShortBody("/short.pkg", packageBytes(1000, 's'), 5000);
    server.serveReset("/reset.pkg", packageBytes(1000, 'r'), 5000);
    server.serveStall("/stall.pkg", packageBytes(1000, 't'), 5000);
    server.serveRedirect("/away.pkg", "http://updates.veltrix.example/veltrix.pkg");
    server.serveRedirect("/loop.pkg", "/loop.pkg");
    server.serveBody("/large.pkg", packageBytes(5000, 'l'));
    // Never quiet for long, yet far slower than any line a package could come over.
    server.route("GET", "/drip.pkg", pacedBody("d", 20, 1000000));
    // A folder that cannot be made, whoever runs the test: its parent is a file.
    QFile blocker(folder.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString unwritable = blocker.fileName() + QStringLiteral("/updates");

    const struct {
        QString host;
        int requests; // what reached the server, at least: the first attempt and its retry
        QString destination;
        bool fullDisk = false;
    } cases[] = {
        {url("/missing.pkg"), 2, {}},
        {url("/broken.pkg"), 2, {}},
        {url("/short.pkg"), 2, {}},
        {url("/reset.pkg"), 2, {}},
        {url("/stall.pkg"), 2, {}},
        {url("/away.pkg"), 2, {}},
        {url("/loop.pkg"), 12, {}},
        {url("/drip.pkg"), 2, {}},
        {QStringLiteral("http://updates.veltrix.example/veltrix.pkg"), 0, {}},
        {QStringLiteral("ftp://updates.veltrix.example/veltrix.pkg"), 0, {}},
        {QStringLiteral("https://exa mple.com/%%"), 0, {}},
        {url("/unwritable.pkg"), 0, unwritable + QStringLiteral("/veltrix.pkg")},
        {url("/large.pkg"), 2, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host.toStdString());
        server.clearRequests();
        delegate.reports.clear();
        std::optional<testsupport::FullDisk> full;
        if (c.fullDisk) {
            full.emplace(1000);
        }
        auto updater = AUUpdater::updaterWithBundle(platform::Bundle::main(), c.host,
                                                    c.destination.isEmpty() ? destination() : c.destination,
                                                    QString(), 100);
        updater->setDelegate(&delegate);
        updater->downloadUpdate();
        ASSERT_TRUE(settleUntilReported(QStringLiteral("4"), 2 * (AUUpdater::slowDownloadGrace + 30)))
            << delegate.reports.join(' ').toStdString();
        EXPECT_EQ(delegate.reports, (QStringList{"1", "0", "1", "0", "4"}));
        EXPECT_EQ(updater->state(), AUUpdater::idle);
        EXPECT_EQ(updater->attemptsIfDownloadFailed(), 0);
        // Qt itself may send a GET again once when its connection drops, so a cut answer can count more.
        const int requests = static_cast<int>(server.requests().size());
        EXPECT_TRUE(c.requests == 0 ? requests == 0 : requests >= c.requests) << requests;
        EXPECT_TRUE(packageFolder().isEmpty()) << packageFolder().join(' ').toStdString();
    }
    server.releaseStalls();
}

TEST_F(UpdaterTest, AFailureFollowedByASuccessfulRetryEndsDownloadedWithTheCountCleared) {
    const QByteArray package = packageBytes(5000, 'f');
    int calls = 0;
    server.route("GET", "/flaky.pkg", [&](const httplib::Request&, httplib::Response& response) {
        if (++calls == 1) {
            response.status = 503;
            return;
        }
        response.set_content(package.toStdString(), "application/octet-stream");
    });
    auto updater = makeUpdater(url("/flaky.pkg"));
    updater->downloadUpdate();
    ASSERT_TRUE(settle([&] { return delegate.reports.size() == 2; }));
    EXPECT_EQ(updater->attemptsIfDownloadFailed(), 1);
    scheduler.advance(4.9);
    EXPECT_EQ(delegate.reports, (QStringList{"1", "0"})) << "the retry waits its five seconds";
    scheduler.advance(0.1);
    ASSERT_TRUE(settleUntilReported(QStringLiteral("install"), 0));
    EXPECT_EQ(delegate.reports, (QStringList{"1", "0", "1", "2", "install"}));
    EXPECT_EQ(updater->attemptsIfDownloadFailed(), 0);
    EXPECT_EQ(contentsOf(destination()), package);
}

TEST_F(UpdaterTest, APackageOverItsLimitIsRefusedAsItStreams) {
    const QByteArray piece = packageBytes(64 * 1024, 'x');
    constexpr qint64 limit = 1024 * 1024;
    server.serveStall("/announced.pkg", piece, AUUpdater::maximumPackageBytes + 1);
    server.route("GET", "/endless.pkg", pacedBody(piece, 1, size_t(1) << 40));
    const struct {
        const char* path;
        qint64 sizeLimit;
    } cases[] = {
        {"/announced.pkg", AUUpdater::maximumPackageBytes}, // refused at its length
        {"/endless.pkg", limit},                            // refused once past the limit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        delegate.reports.clear();
        auto updater = makeUpdater(url(c.path));
        updater->setSizeLimit(c.sizeLimit);
        updater->downloadUpdate();
        // Little more than the retry's wait passes: neither time limit may be what ends these.
        ASSERT_TRUE(settleUntilReported(QStringLiteral("4"), AUUpdater::defaultRetryInterval + 5))
            << delegate.reports.join(' ').toStdString();
        EXPECT_EQ(delegate.reports, (QStringList{"1", "0", "1", "0", "4"}));
        EXPECT_LE(updater->downloadedBytes(), c.sizeLimit);
        EXPECT_TRUE(packageFolder().isEmpty()) << packageFolder().join(' ').toStdString();
    }
    server.releaseStalls();
}

// The cancel comes as the transfer's thread puts the package in place, or between the report of the
// finished download and the wish to install: either way nothing is offered and no package stays.
TEST_F(UpdaterTest, ACancelAgainstTheLastBytesWinsOverTheCompletion) {
    server.serveBody("/package.pkg", packageBytes(300000, 'z'));
    struct CancellingDelegate : RecordingDelegate {
        void updaterDidChangeState(AUUpdater& updater, int state) override {
            RecordingDelegate::updaterDidChangeState(updater, state);
            if (state == AUUpdater::downloaded) {
                updater.cancelUpdateDownload();
            }
        }
    };
    for (const bool onTheFinishedReport : {false, true}) {
        SCOPED_TRACE(onTheFinishedReport);
        CancellingDelegate cancelling;
        RecordingDelegate& recorded = onTheFinishedReport ? cancelling : delegate;
        delegate.reports.clear();
        auto updater = makeUpdater(url("/package.pkg"));
        updater->setDelegate(&recorded);
        updater->downloadUpdate();
        if (!onTheFinishedReport) {
            // The main thread hears nothing meanwhile: the package is in place, its report still queued.
            QDeadlineTimer deadline(20000);
            while (!QFile::exists(destination()) && !deadline.hasExpired()) {
                QThread::msleep(1);
            }
            ASSERT_TRUE(QFile::exists(destination()));
            updater->cancelUpdateDownload();
        }
        settle([] { return false; }, 0, 300);
        const QStringList expected = onTheFinishedReport ? QStringList{"1", "2", "0"} : QStringList{"1", "0"};
        EXPECT_EQ(recorded.reports, expected);
        EXPECT_EQ(updater->state(), AUUpdater::idle);
        EXPECT_TRUE(packageFolder().isEmpty()) << packageFolder().join(' ').toStdString();
    }
}

// Virtual time stands still: however many pieces arrive, the main thread hears of the first and of the end.
TEST_F(UpdaterTest, ProgressReachesTheMainThreadAtMostTenTimesASecond) {
    // 2 MiB/s: slow enough that the transfer holds the stream between reads.
    const QByteArray piece = packageBytes(16 * 1024, 'p');
    server.route("GET", "/paced.pkg", pacedBody(piece, 8, 64 * piece.size()));
    auto updater = makeUpdater(url("/paced.pkg"));
    updater->downloadUpdate();
    ASSERT_TRUE(settleUntilReported(QStringLiteral("install"), 0));
    ASSERT_FALSE(delegate.progress.isEmpty());
    EXPECT_LE(delegate.progress.size(), 3); // the answer's, the first piece's, the whole's
    EXPECT_EQ(updater->downloadedBytes(), 64 * piece.size());
    EXPECT_EQ(contentsOf(destination()), piece.repeated(64));
}

TEST_F(UpdaterTest, CancelStopsTheTransferOrTheRetryAndNothingStartsAgain) {
    server.serveStall("/stall.pkg", packageBytes(2000, 'c'), 100000);
    server.serveStatus("/missing.pkg", 404);
    for (const char* path : {"/stall.pkg", "/missing.pkg"}) {
        SCOPED_TRACE(path);
        server.clearRequests();
        delegate.reports.clear();
        auto updater = makeUpdater(url(path));
        updater->downloadUpdate();
        // During the transfer, or in the wait for the retry after the first failure.
        ASSERT_TRUE(settle([&] {
            return server.requestCount(path) == 1 &&
                   (updater->downloadedBytes() > 0 || delegate.reports.size() == 2);
        }));
        updater->cancelUpdateDownload();
        scheduler.advance(120);
        settle([] { return false; }, 0, 300); // lets anything late arrive
        EXPECT_EQ(delegate.reports, (QStringList{"1", "0"}));
        EXPECT_EQ(updater->state(), AUUpdater::idle);
        EXPECT_EQ(updater->attemptsIfDownloadFailed(), 0);
        EXPECT_EQ(server.requestCount(path), 1);
        EXPECT_TRUE(packageFolder().isEmpty());
    }
    server.releaseStalls();
}

TEST_F(UpdaterTest, ASecondDownloadReplacesThePackageWholeAndOnlyWhenComplete) {
    const QByteArray first = packageBytes(200000, '1');
    const QByteArray second = packageBytes(1000, '2');
    server.serveBody("/package.pkg", first);
    auto updater = makeUpdater(url("/package.pkg"));
    updater->downloadUpdate();
    ASSERT_TRUE(settleUntilReported(QStringLiteral("install"), 0));
    updater->checkForUpdates(); // downloaded: nothing starts
    EXPECT_EQ(server.requestCount("/package.pkg"), 1);

    // A download that stalls and is cancelled leaves the earlier package as it was.
    server.serveStall("/package.pkg", second.left(500), second.size());
    updater->downloadUpdate();
    updater->downloadUpdate(); // already downloading: one transfer
    ASSERT_TRUE(settle([&] { return updater->downloadedBytes() == 500; }));
    EXPECT_EQ(contentsOf(destination()), first);
    updater->cancelUpdateDownload();
    settle([&] { return packageFolder() == QStringList{"veltrix.pkg"}; });
    EXPECT_EQ(packageFolder(), QStringList{"veltrix.pkg"});
    EXPECT_EQ(contentsOf(destination()), first);
    EXPECT_EQ(server.requestCount("/package.pkg"), 2);
    server.releaseStalls();

    server.serveBody("/package.pkg", second);
    delegate.reports.clear();
    updater->downloadUpdate();
    ASSERT_TRUE(settleUntilReported(QStringLiteral("install"), 0));
    EXPECT_EQ(contentsOf(destination()), second);
    EXPECT_EQ(packageFolder(), QStringList{"veltrix.pkg"});

    updater->deleteDownloadedUpdate();
    updater->deleteDownloadedUpdate(); // a missing file is no error
    EXPECT_TRUE(packageFolder().isEmpty());
}

TEST_F(UpdaterTest, TheTimeOutCountsQuietTimeNotTheWholeDownload) {
    // Data keeps coming for longer than the time-out: a slow package is no stalled one.
    std::atomic<bool> release = false;
    server.route("GET", "/slow.pkg", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(
            6, "application/octet-stream", [&](size_t offset, size_t, httplib::DataSink& sink) {
                for (int waited = 0; offset == 3 && !release && waited < 5000; ++waited) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                return sink.write("abc", 3);
            });
    });
    auto updater = makeUpdater(url("/slow.pkg"));
    updater->downloadUpdate();
    ASSERT_TRUE(settle([&] { return updater->downloadedBytes() == 3; }));
    scheduler.advance(14);
    ASSERT_TRUE(
        settle([&] { return updater->downloadedBytes() == 3; })); // still there after 14 quiet seconds
    EXPECT_EQ(updater->state(), AUUpdater::downloading);
    release = true;
    ASSERT_TRUE(settleUntilReported(QStringLiteral("install"), 0));
    EXPECT_EQ(delegate.reports, (QStringList{"1", "2", "install"}));
}

TEST_F(UpdaterTest, ReportsStopWhenTheDelegateOrTheUpdaterIsGone) {
    server.serveBody("/package.pkg", packageBytes(100000, 'g'));
    server.serveStall("/stall.pkg", packageBytes(100, 'h'), 1000);
    {
        auto gone = std::make_unique<RecordingDelegate>();
        auto updater = AUUpdater::updaterWithBundle(platform::Bundle::main(), url("/package.pkg"),
                                                    destination(), QString(), 100);
        updater->setDelegate(gone.get());
        updater->downloadUpdate();
        gone.reset(); // its reports are queued on the main queue already
        ASSERT_TRUE(settle([&] { return updater->state() == AUUpdater::downloaded; }));
        EXPECT_EQ(updater->delegate(), nullptr);
    }
    {
        auto updater = makeUpdater(url("/stall.pkg"));
        updater->downloadUpdate();
        ASSERT_TRUE(settle([&] { return updater->downloadedBytes() == 100; }));
        delegate.reports.clear();
        updater.reset(); // mid-transfer
        scheduler.advance(60);
        EXPECT_TRUE(delegate.reports.isEmpty());
        EXPECT_EQ(packageFolder(), QStringList{"veltrix.pkg"}) << "the earlier package, untouched";
    }
    server.releaseStalls();
}

} // namespace

namespace {

// On the running client's scheduler: the script runs on a global queue, which virtual time would put on
// the main thread, where nothing may run a program.
TEST(UpdaterInstall, RunsTheBundlesScriptWithThePackageTheBundleAndFourVariablesOnly) {
    QTemporaryDir resources;
    ASSERT_TRUE(resources.isValid());
    const QString record = resources.filePath(QStringLiteral("record"));
    QDir().mkpath(resources.filePath(QStringLiteral("scripts")));
    QFile script(resources.filePath(QStringLiteral("scripts/install-update")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\n{ printf '%s\\n' \"$@\"; env | sort; echo end; } > '%1'\n")
                     .arg(record)
                     .toUtf8());
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    QFile package(resources.filePath(QStringLiteral("source.pkg")));
    ASSERT_TRUE(package.open(QIODevice::WriteOnly) && package.write("package") == 7);
    package.close();
    qputenv("VELTRIX_UPDATE_TEST_SECRET", "kept out");

    const platform::Bundle bundle({}, resources.path());
    const QString destination = resources.filePath(QStringLiteral("updates/veltrix.pkg"));
    AUUpdater updater(bundle, QUrl::fromLocalFile(package.fileName()).toString(), destination, {}, 100);
    RecordingDelegate delegate;
    updater.setDelegate(&delegate);
    updater.installUpdate(destination); // not downloaded: nothing runs
    EXPECT_EQ(updater.state(), AUUpdater::idle);
    updater.downloadUpdate();
    ASSERT_TRUE(testsupport::waitUntil([&] { return delegate.reports.contains(QStringLiteral("install")); }));
    updater.installUpdate(destination);
    EXPECT_EQ(updater.state(), AUUpdater::installing);
    ASSERT_TRUE(testsupport::waitUntil([&] { return contentsOf(record).endsWith("end\n"); }));
    testsupport::waitUntil([&] { return delegate.reports.contains(QStringLiteral("3")); });
    EXPECT_EQ(delegate.reports, (QStringList{"1", "2", "install", "3"}));

    const QStringList lines = QString::fromUtf8(contentsOf(record)).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], destination);
    EXPECT_EQ(lines[1], bundle.bundlePath());
    QStringList names;
    for (const QString& line : lines.mid(2, lines.size() - 3)) {
        names.append(line.section('=', 0, 0));
    }
    names.removeAll(QStringLiteral("PWD")); // the shell's own
    names.removeAll(QStringLiteral("SHLVL"));
    names.removeAll(QStringLiteral("_"));
    for (const QString& name : names) {
        EXPECT_TRUE(QStringList({"PATH", "USER", "HOME", "SHELL"}).contains(name)) << name.toStdString();
    }
    EXPECT_TRUE(names.contains(QStringLiteral("HOME")));
    qunsetenv("VELTRIX_UPDATE_TEST_SECRET");
}

} // namespace

namespace {

// Whether a thread of this process bears the updater's thread name (the system keeps its first 15 bytes).
bool anUpdaterThreadRuns() {
    const std::string name = QStringLiteral("AutoUpdate.UpdateQueue").left(15).toStdString();
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string line;
        if (std::getline(comm, line) && line == name) {
            return true;
        }
    }
    return false;
}

// The body of a launched copy: an updater that outlives the application, as the silent update's does, in
// the middle of a download when the application is destroyed. The copy exits with 3 when its transfer thread
// still ran after that. Skipped normally.
TEST(UpdaterOutlivingTheApplicationCopy, DownloadsWhenTheApplicationEnds) {
    if (qEnvironmentVariableIsEmpty("VELTRIX_UPDATER_COPY")) {
        GTEST_SKIP() << "runs only inside a copy launched by the test below";
    }
    // Both live as long as the process, and the stall is never released.
    auto* server = new LoopbackHttpServer;
    auto* folder = new QTemporaryDir;
    server->serveStall("/stall.pkg", packageBytes(100, 's'), 1000);
    auto* updater = AUUpdater::updaterWithBundle(
                        platform::Bundle::main(), server->url(QStringLiteral("/stall.pkg")).toString(),
                        folder->filePath(QStringLiteral("veltrix.pkg")), QString(), 100)
                        .release();
    updater->downloadUpdate();
    ASSERT_TRUE(testsupport::waitUntil([&] { return server->requestCount("/stall.pkg") == 1; }, 20000));
    ASSERT_TRUE(anUpdaterThreadRuns());
    // After main() has destroyed the application. A joined thread leaves the system's list a moment after
    // Qt let go of it; one left running never does.
    std::atexit([] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (anUpdaterThreadRuns() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::_exit(anUpdaterThreadRuns() ? 3 : 0);
    });
}

TEST(UpdaterAndApplication, NoTransferThreadOutlivesTheApplication) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the thread sanitizer cannot follow a launched copy, as with the install script";
#endif
    QProcess copy;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELTRIX_UPDATER_COPY"), QStringLiteral("1"));
    copy.setProcessEnvironment(environment);
    copy.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_filter=UpdaterOutlivingTheApplicationCopy.*")});
    ASSERT_TRUE(copy.waitForFinished(60000));
    EXPECT_EQ(copy.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(copy.exitCode(), 0) << "3: the transfer thread ran on after the application was destroyed\n"
                                  << copy.readAllStandardError().toStdString();
}

} // namespace
