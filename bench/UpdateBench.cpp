// Budgets of the update download: a 200 MiB package from a loopback server grows resident memory by less
// than 8 MiB and arrives at least half as fast as curl fetches the same file in the same run; on a stream
// paced at 4 MiB/s the client spends at most 1.5 times curl's processor time and wakes at most twice as
// often; and no timer wakes the client while no update is pending.
#include "Budgets.h"
#include "core/AUUpdater.h"
#include "core/SilentUpdateService.h"
#include "platform/Bundle.h"
#include "platform/ManualScheduler.h"
#include "sdk/testing/Driver.h"
#include "support/ChildCost.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

constexpr qint64 kPackageBytes = 200LL * 1024 * 1024;
constexpr double kMiB = 1024.0 * 1024.0;

long residentKilobytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// The package on disk, written once per run: bytes that do not compress, so nothing on the way can shrink
// them.
bool writePackage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray block(1024 * 1024, Qt::Uninitialized);
    quint32 seed = 2463534242u;
    for (qint64 written = 0; written < kPackageBytes; written += block.size()) {
        for (qsizetype i = 0; i < block.size(); i += 4) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            std::memcpy(block.data() + i, &seed, 4);
        }
        if (file.write(block) != block.size()) {
            return false;
        }
    }
    return true;
}

class Recorder : public AUUpdaterDelegate {
public:
    void updaterWantsToInstallUpdateWithCriticalStatus(AUUpdater&, bool) override { finished = true; }
    void updaterDidChangeState(AUUpdater&, int state) override {
        failed = failed || state == AUUpdater::failed;
    }
    bool finished = false;
    bool failed = false;
};

// Runs Qt's events until `done`, sampling resident memory; the largest growth over `baseline` in kB.
long runSampling(const std::function<bool()>& done, long baseline, int timeoutMs) {
    long peak = 0;
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        peak = std::max(peak, residentKilobytes() - baseline);
    }
    return peak;
}

// What Qt Network loads and sets up once per process is in place from a first small download on.
void warmUp(const QString& url, const QString& destination) {
    Recorder recorder;
    auto updater = AUUpdater::updaterWithBundle(platform::Bundle::main(), url, destination, {}, 100);
    updater->setDelegate(&recorder);
    updater->downloadUpdate();
    runSampling([&] { return recorder.finished || recorder.failed; }, 0, 10000);
}

// On the client's real scheduler: the transfer's own thread, the main queue's reports through Qt's loop.
void BM_Download200MiB(benchmark::State& state) {
    QTemporaryDir folder(QStandardPaths::writableLocation(QStandardPaths::TempLocation) +
                         QStringLiteral("/update-bench-XXXXXX"));
    const QString source = folder.filePath(QStringLiteral("source.pkg"));
    if (!folder.isValid() || !writePackage(source)) {
        state.SkipWithError("the 200 MiB package could not be written");
        return;
    }
    testsupport::LoopbackHttpServer server;
    server.serveFile("/package.pkg", source);
    server.serveBody("/warm.pkg", QByteArray(64 * 1024, 'w'));
    if (!server.isListening()) {
        state.SkipWithError("the loopback server did not start");
        return;
    }
    const QString destination = folder.filePath(QStringLiteral("updates/veltrix.pkg"));
    const QString url = server.url(QStringLiteral("/package.pkg")).toString();

    double updaterSeconds = 0;
    double curlSeconds = 0;
    long growth = 0;
    for (auto _ : state) {
        warmUp(server.url(QStringLiteral("/warm.pkg")).toString(), destination);
        auto measured = AUUpdater::updaterWithBundle(platform::Bundle::main(), url, destination, {}, 100);
        Recorder result;
        measured->setDelegate(&result);
        QFile::remove(destination);

        const long baseline = residentKilobytes();
        QElapsedTimer clock;
        clock.start();
        measured->downloadUpdate();
        growth = runSampling([&] { return result.finished || result.failed; }, baseline, 120000);
        updaterSeconds = clock.nsecsElapsed() / 1e9;
        if (!result.finished || QFileInfo(destination).size() != kPackageBytes) {
            state.SkipWithError("the updater did not download the whole package");
            return;
        }

        QProcess curl;
        clock.restart();
        curl.start(QStringLiteral("curl"),
                   {QStringLiteral("--silent"), QStringLiteral("--fail"), QStringLiteral("--output"),
                    folder.filePath(QStringLiteral("curl.pkg")), url});
        if (!curl.waitForFinished(120000) || curl.exitStatus() != QProcess::NormalExit ||
            curl.exitCode() != 0) {
            state.SkipWithError("curl could not fetch the package (scripts/install-deps installs it)");
            return;
        }
        curlSeconds = clock.nsecsElapsed() / 1e9;
    }
    const double updaterRate = kPackageBytes / kMiB / updaterSeconds;
    const double curlRate = kPackageBytes / kMiB / curlSeconds;
    state.counters["updater_MiB_per_s"] = updaterRate;
    state.counters["curl_MiB_per_s"] = curlRate;
    state.counters["updater_to_curl"] = updaterRate / curlRate;
    state.counters["rss_growth_kb"] = static_cast<double>(growth);
    std::printf("200 MiB from the loopback server: updater %.0f MiB/s, curl %.0f MiB/s (%.2f of curl); "
                "resident memory grew %ld kB\n",
                updaterRate, curlRate, updaterRate / curlRate, growth);
}
BENCHMARK(BM_Download200MiB)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr double kPacedProcessorBudget = 1.5; // times curl's
constexpr double kPacedWakeupBudget = 2.0;    // times curl's
constexpr qint64 kPacedBytes = 8LL * 1024 * 1024;
constexpr size_t kPacedPiece = 64 * 1024;
constexpr auto kPacedPause = std::chrono::microseconds(15625); // 64 KiB of 4 MiB/s

struct Cost {
    double seconds = 0; // processor time, user and system
    // Voluntary context switches: each is a sleep that something ended. Switches forced by other work on a
    // loaded machine are left out on both sides.
    long wakeups = 0;
    Cost& operator+=(const Cost& other) {
        seconds += other.seconds;
        wakeups += other.wakeups;
        return *this;
    }
};

// What each thread of this process has cost so far, by thread id.
std::map<long, Cost> threadCosts() {
    std::map<long, Cost> costs;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!schedstat.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly)) {
            continue;
        }
        Cost cost;
        cost.seconds = schedstat.readAll().split(' ').value(0).toDouble() / 1e9; // nanoseconds on a processor
        for (const QByteArray& entry : status.readAll().split('\n')) {
            if (entry.startsWith("voluntary_ctxt_switches:")) {
                cost.wakeups = entry.mid(entry.indexOf(':') + 1).trimmed().toLong();
            }
        }
        costs[tid.toLong()] = cost;
    }
    return costs;
}

// The cost between two readings of the threads not in `excluded`; a thread new since `before` counts whole.
Cost costBetween(const std::map<long, Cost>& before, const std::map<long, Cost>& after,
                 const std::set<long>& excluded) {
    Cost total;
    for (const auto& [tid, cost] : after) {
        if (excluded.contains(tid)) {
            continue;
        }
        Cost delta = cost;
        if (const auto earlier = before.find(tid); earlier != before.end()) {
            delta.seconds -= earlier->second.seconds;
            delta.wakeups -= earlier->second.wakeups;
        }
        total += delta;
    }
    return total;
}

// The whole cost of curl fetching `url`, from its own accounting.
bool curlCost(const QString& url, const QString& output, Cost& cost) {
    const std::optional<testsupport::ChildCost> curl =
        testsupport::runToEnd({QStringLiteral("curl"), QStringLiteral("--silent"), QStringLiteral("--fail"),
                               QStringLiteral("--output"), output, url});
    if (!curl) {
        return false;
    }
    cost.seconds = curl->seconds;
    cost.wakeups = curl->wakeups;
    return true;
}

// The client's transfer thread, Qt's network thread and the main thread with its progress reports, on a
// stream the server paces as a fast line would, beside curl on the same stream. The server's own threads
// are left out of the client's side.
void BM_PacedDownloadBesideCurl(benchmark::State& state) {
    QTemporaryDir folder(QStandardPaths::writableLocation(QStandardPaths::TempLocation) +
                         QStringLiteral("/update-bench-XXXXXX"));
    const std::map<long, Cost> beforeServer = threadCosts();
    testsupport::LoopbackHttpServer server;
    std::mutex serverMutex;
    std::set<long> serverThreads;
    const QByteArray piece(kPacedPiece, 'p');
    server.route("GET", "/paced.pkg", [&](const httplib::Request&, httplib::Response& response) {
        {
            std::lock_guard lock(serverMutex);
            serverThreads.insert(static_cast<long>(gettid()));
        }
        const auto start = std::make_shared<std::chrono::steady_clock::time_point>();
        response.set_content_provider(
            kPacedBytes, "application/octet-stream",
            [&piece, start](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0) {
                    *start = std::chrono::steady_clock::now();
                }
                std::this_thread::sleep_until(*start + kPacedPause * (offset / kPacedPiece));
                return sink.write(piece.constData(), std::min<size_t>(piece.size(), kPacedBytes - offset));
            });
    });
    server.serveBody("/warm.pkg", QByteArray(64 * 1024, 'w'));
    if (!folder.isValid() || !server.isListening()) {
        state.SkipWithError("the loopback server did not start");
        return;
    }
    for (const auto& [tid, cost] : threadCosts()) {
        if (!beforeServer.contains(tid)) {
            serverThreads.insert(tid);
        }
    }
    const QString destination = folder.filePath(QStringLiteral("updates/veltrix.pkg"));
    const QString url = server.url(QStringLiteral("/paced.pkg")).toString();

    Cost client;
    Cost curl;
    for (auto _ : state) {
        warmUp(server.url(QStringLiteral("/warm.pkg")).toString(), destination);

        auto measured = AUUpdater::updaterWithBundle(platform::Bundle::main(), url, destination, {}, 100);
        QEventLoop loop;
        struct Quitting : Recorder {
            QEventLoop* loop = nullptr;
            void updaterWantsToInstallUpdateWithCriticalStatus(AUUpdater& updater, bool critical) override {
                Recorder::updaterWantsToInstallUpdateWithCriticalStatus(updater, critical);
                loop->quit();
            }
            void updaterDidChangeState(AUUpdater& updater, int state) override {
                Recorder::updaterDidChangeState(updater, state);
                if (failed) {
                    loop->quit();
                }
            }
        } result;
        result.loop = &loop;
        measured->setDelegate(&result);
        const std::map<long, Cost> before = threadCosts();
        measured->downloadUpdate();
        loop.exec(); // the client's own loop, as it runs; a failure ends in the time limits
        const std::map<long, Cost> after = threadCosts();
        std::set<long> excluded;
        {
            std::lock_guard lock(serverMutex);
            excluded = serverThreads;
        }
        client = costBetween(before, after, excluded);
        if (!result.finished || QFileInfo(destination).size() != kPacedBytes) {
            state.SkipWithError("the updater did not download the whole package");
            return;
        }
        if (!curlCost(url, folder.filePath(QStringLiteral("curl.pkg")), curl)) {
            state.SkipWithError("curl could not fetch the package (scripts/install-deps installs it)");
            return;
        }
    }
    const double processorRatio = curl.seconds > 0 ? client.seconds / curl.seconds : 0;
    const double wakeupRatio = curl.wakeups > 0 ? static_cast<double>(client.wakeups) / curl.wakeups : 0;
    state.counters["client_cpu_ms"] = client.seconds * 1000;
    state.counters["curl_cpu_ms"] = curl.seconds * 1000;
    state.counters["client_wakeups"] = static_cast<double>(client.wakeups);
    state.counters["curl_wakeups"] = static_cast<double>(curl.wakeups);
    state.counters["processor_to_curl"] = processorRatio;
    state.counters["wakeups_to_curl"] = wakeupRatio;
    std::printf("8 MiB paced at 4 MiB/s: client %.0f ms of processor and %ld wakeups, curl %.0f ms and %ld; "
                "%.2f of curl's processor time, %.2f of its wakeups\n",
                client.seconds * 1000, client.wakeups, curl.seconds * 1000, curl.wakeups, processorRatio,
                wakeupRatio);
}
BENCHMARK(BM_PacedDownloadBesideCurl)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Counts what the client's time runs: every task is a wake of the event loop.
class CountingScheduler : public platform::ManualScheduler {
public:
    void post(const platform::DispatchQueue& queue, platform::Task task,
              std::chrono::nanoseconds delay) override {
        ManualScheduler::post(
            queue,
            [this, task = std::move(task)] {
                ++runs;
                task();
            },
            delay);
    }
    std::atomic<int> runs = 0;
};

// An hour of an idle client with the silent update service and an updater, fresh and after a download.
void BM_WakesWithoutAPendingUpdate(benchmark::State& state) {
    CountingScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    sdk::testing::Driver driver;
    const QString package =
        platform::Bundle::main().pathForResource(QStringLiteral("demo/updates/veltrix-2.1.0.pkg"));
    QTemporaryDir folder;
    if (package.isEmpty() || !folder.isValid()) {
        state.SkipWithError("the demo package is missing");
        return;
    }
    int freshWakes = 0;
    int afterDownloadWakes = 0;
    for (auto _ : state) {
        SilentUpdateService service;
        AUUpdater updater(platform::Bundle::main(), QUrl::fromLocalFile(package).toString(),
                          folder.filePath(QStringLiteral("veltrix.pkg")), {}, 100);
        Recorder recorder;
        updater.setDelegate(&recorder);
        scheduler.runUntilIdle();
        scheduler.runs = 0;
        scheduler.advance(3600);
        freshWakes = scheduler.runs;

        updater.downloadUpdate();
        QDeadlineTimer deadline(10000);
        while (!recorder.finished && !deadline.hasExpired()) {
            scheduler.runUntilIdle();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        if (!recorder.finished) {
            state.SkipWithError("the demo package did not download");
            return;
        }
        // The time-out of the finished transfer may still come due once, to find nothing to do.
        scheduler.advance(AUUpdater::inactivityTimeout);
        scheduler.runs = 0;
        scheduler.advance(3600);
        afterDownloadWakes = scheduler.runs;
    }
    state.counters["wakes_per_hour_fresh"] = freshWakes;
    state.counters["wakes_per_hour_after_download"] = afterDownloadWakes;
}
BENCHMARK(BM_WakesWithoutAPendingUpdate)->Iterations(1);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {counterAtMost("BM_Download200MiB", "rss_growth_kb", 8 * 1024),
            counterAtLeast("BM_Download200MiB", "updater_to_curl", 0.5),
            counterAtMost("BM_WakesWithoutAPendingUpdate", "wakes_per_hour_fresh", 0),
            counterAtMost("BM_WakesWithoutAPendingUpdate", "wakes_per_hour_after_download", 0),
            counterAtMost("BM_PacedDownloadBesideCurl", "processor_to_curl", kPacedProcessorBudget),
            counterAtMost("BM_PacedDownloadBesideCurl", "wakeups_to_curl", kPacedWakeupBudget)};
}
