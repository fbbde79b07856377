// The remote-logging library's budgets: what a log call costs its caller, a burst of 100,000 lines against
// the store's cap and the process's memory, and the 15-second sync of an idle client. Everything runs in a
// home of its own, against a loopback service.
#include "Budgets.h"
#include "platform/ManualScheduler.h"
#include "remotelog/RLLoggerManager.h"
#include "remotelog/RemoteLog.h"
#include "support/LoopbackHttpServer.h"
#include "support/RemoteLogService.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

using remotelog::RLLoggerManager;

namespace {

const QString appKey = QStringLiteral("Q7wVn3RkT9pLx2ZbH5cMy8DfJ4sGa6Ue");

// HOME and the XDG folders in a temporary folder, set before anything reads them; each run a cache of its
// own.
class Sandbox {
public:
    Sandbox() {
        const QByteArray root = home.path().toUtf8();
        qputenv("HOME", root);
        qputenv("XDG_CONFIG_HOME", root + "/.config");
        qputenv("XDG_DATA_HOME", root + "/.local/share");
        service.route(
            "", "/api/app/device-status", [this](const httplib::Request&, httplib::Response& response) {
                response.set_content(sending ? R"({"logger_enabled":true})" : R"({"logger_enabled":false})",
                                     "application/json");
            });
        service.serveBody("/api/session", R"({"id":1})");
        service.serveBody("/api/log/batch", "{}");
        qputenv("REMOTELOG_API_ENDPOINT", service.url(QStringLiteral("/api/")).toString().toUtf8());
    }
    bool ready() const { return home.isValid() && service.isListening(); }
    // A fresh cache folder; the library's store is <it>/com.veltrix.remotelog.
    QString freshCache() {
        const QString cache = home.filePath(QStringLiteral("cache-%1").arg(++runs));
        qputenv("XDG_CACHE_HOME", cache.toUtf8());
        return cache + QStringLiteral("/com.veltrix.remotelog");
    }

    QTemporaryDir home;
    testsupport::LoopbackHttpServer service;
    // What the service answers a new session: whether it takes the session's lines.
    std::atomic<bool> sending{true};
    int runs = 0;
};

Sandbox& sandbox() {
    static Sandbox made;
    return made;
}

// Waits until the library's queue has done what was queued before; false after 60 s.
bool drain(RLLoggerManager& manager, platform::ManualScheduler* scheduler = nullptr) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    manager.performOnLibraryQueue([done] { done->store(true); });
    return remotelogtest::waitFor(
        scheduler, [done] { return done->load(); }, 60000);
}

qint64 statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

void log(int i) {
    RemoteLog::logWithLineNumber(i, QStringLiteral("benchmark()"), QStringLiteral("RemoteLogBench.cpp"), 0,
                                 QStringLiteral("bench"), QStringLiteral("A line of the kind a caller logs"));
}

// Activates the facade on a fresh store, with the console copy off (it is written off the caller's path).
std::shared_ptr<RLLoggerManager> activate(benchmark::State& state, QString* storeRoot = nullptr) {
    if (!sandbox().ready()) {
        state.SkipWithError("no temporary home or loopback service");
        return nullptr;
    }
    RemoteLog::shutdown();
    const QString root = sandbox().freshCache();
    if (storeRoot) {
        *storeRoot = root;
    }
    RemoteLog::setPrintToConsole(false);
    RemoteLog::activateLogger(appKey);
    auto manager = RemoteLog::manager();
    if (!manager || !drain(*manager) || !QFileInfo::exists(manager->currentSessionPath() + "/session.json")) {
        state.SkipWithError("the session folder was not made");
        return nullptr;
    }
    return manager;
}

// Mean cost of a log call to its caller; the queue is let drain every 1,024 calls (not timed).
void BM_LogCall(benchmark::State& state) {
    auto manager = activate(state);
    if (!manager) {
        return;
    }
    int i = 0;
    for (auto _ : state) {
        log(i);
        if (++i % 1024 == 0) {
            state.PauseTiming();
            drain(*manager);
            state.ResumeTiming();
        }
    }
    state.counters["dropped"] = double(manager->droppedEntries());
    RemoteLog::shutdown();
}
BENCHMARK(BM_LogCall)->Repetitions(5)->ReportAggregatesOnly(true);

// Each call timed on its own: the median and the 99th percentile a caller sees.
void BM_LogCallLatency(benchmark::State& state) {
    auto manager = activate(state);
    if (!manager) {
        return;
    }
    constexpr int calls = 100000;
    std::vector<double> nanoseconds;
    nanoseconds.reserve(calls);
    for (auto _ : state) {
        nanoseconds.clear();
        for (int i = 0; i < calls; ++i) {
            const auto start = std::chrono::steady_clock::now();
            log(i);
            nanoseconds.push_back(
                std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
            if (i % 1024 == 1023) {
                drain(*manager);
            }
        }
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    state.counters["median_ns"] = nanoseconds[nanoseconds.size() / 2];
    state.counters["p99_ns"] = nanoseconds[nanoseconds.size() * 99 / 100];
    state.counters["dropped"] = double(manager->droppedEntries());
    RemoteLog::shutdown();
}
BENCHMARK(BM_LogCallLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

// 100,000 lines as fast as a caller can make them, then written: the store against its cap (5,242,880
// bytes) and the process's memory. The service takes no lines: what sending costs is not the burst's, and
// the loopback service, in this process, would count the bodies it received as growth.
void BM_Burst100k(benchmark::State& state) {
    QString root;
    sandbox().sending = false;
    auto manager = activate(state, &root);
    sandbox().sending = true;
    if (!manager) {
        return;
    }
    constexpr int lines = 100000;
    const qint64 rssBefore = statusKiB("VmRSS:");
    double callerSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < lines; ++i) {
            log(i);
        }
        callerSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!drain(*manager)) {
            state.SkipWithError("the library did not write the burst within a minute");
            return;
        }
    }
    const quint64 store = remotelog::rlDirectorySize(root);
    const auto cap = quint64(manager->maximumLocalStorageSize());
    state.counters["caller_ns_per_line"] = callerSeconds * 1e9 / lines;
    state.counters["store_bytes"] = double(store);
    state.counters["cap_bytes"] = double(cap);
    state.counters["dropped"] = double(manager->droppedEntries());
    state.counters["rss_growth_KiB"] = double(statusKiB("VmRSS:") - rssBefore);
    if (store >= cap) {
        state.SkipWithError("the store grew past its cap");
    }
    RemoteLog::shutdown();
}
BENCHMARK(BM_Burst100k)->Iterations(1)->Unit(benchmark::kMillisecond);

// The writer's share of a line: its JSON text, as the library's queue makes it.
void BM_LineText(benchmark::State& state) {
    remotelog::RLLogEntry entry;
    entry.line = 120;
    entry.level = 0;
    entry.absoluteTime = 123456789012345;
    entry.date = QDateTime::currentMSecsSinceEpoch();
    entry.method = QStringLiteral("benchmark()");
    entry.file = QStringLiteral("RemoteLogBench.cpp");
    entry.tag = QStringLiteral("bench");
    entry.text = QStringLiteral("A line of the kind a caller logs");
    entry.threadNumber = QStringLiteral("4242");
    entry.operationQueueName = QStringLiteral("main");
    for (auto _ : state) {
        benchmark::DoNotOptimize(entry.jsonLine());
    }
}
BENCHMARK(BM_LineText);

// Every file of the store with its size and time.
QStringList snapshot(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries << QStringLiteral("%1 %2 %3")
                       .arg(it.filePath())
                       .arg(it.fileInfo().size())
                       .arg(it.fileInfo().lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

// The 15-second sync of a client that logged nothing and has no key-value pending, on virtual time.
void BM_IdleSync(benchmark::State& state) {
    if (!sandbox().ready()) {
        state.SkipWithError("no temporary home or loopback service");
        return;
    }
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped(scheduler);
    RemoteLog::shutdown();
    const QString root = sandbox().freshCache();
    const int sessionsBefore = sandbox().service.requestCount("/api/session");
    RemoteLog::activateLogger(appKey);
    auto manager = RemoteLog::manager();
    // Start-up: the device status, the session, the pass over earlier runs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sandbox().service.requestCount("/api/session") == sessionsBefore &&
           std::chrono::steady_clock::now() < deadline) {
        scheduler.runUntilIdle();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (!manager || sandbox().service.requestCount("/api/session") == sessionsBefore) {
        // Without its session the sync below would have nothing to send in any case.
        state.SkipWithError("the session was not posted at start-up");
        RemoteLog::shutdown();
        return;
    }
    scheduler.advance(RLLoggerManager::previousSessionsDelay);
    // The session's answer (its server id written down) is in before the idle time starts.
    remotelogtest::settle(&scheduler, 500);
    const QStringList before = snapshot(root);
    const int requests = int(sandbox().service.requests().size());

    for (auto _ : state) {
        scheduler.advance(RLLoggerManager::synchronisationInterval);
    }
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    state.counters["requests"] = double(sandbox().service.requests().size() - requests);
    state.counters["files_changed"] = double(snapshot(root) != before);
    if (sandbox().service.requests().size() != requests || snapshot(root) != before) {
        state.SkipWithError("an idle sync touched the disk or the network");
    }
    RemoteLog::shutdown();
}
BENCHMARK(BM_IdleSync)->Unit(benchmark::kMicrosecond);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {cpuTime("BM_LogCall", 1us), counterAtMost("BM_LogCallLatency", "median_ns", 1000),
            counterAtMost("BM_Burst100k", "rss_growth_KiB", 2048), // flat: the queue bounds what waits
            counterAtMost("BM_IdleSync", "requests", 0), counterAtMost("BM_IdleSync", "files_changed", 0)};
}
