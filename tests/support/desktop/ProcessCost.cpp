#include "support/desktop/ProcessCost.h"

#include "support/desktop/Wait.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

#include <algorithm>

namespace desktop {

namespace {

QByteArray readProcFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The value of "name:" in a /proc status file, or -1.
qint64 statusField(const QByteArray& status, const QByteArray& name) {
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(name + ':')) {
            return line.mid(name.size() + 1).trimmed().split(' ').constFirst().toLongLong();
        }
    }
    return -1;
}

} // namespace

std::optional<ProcessSample> sampleProcess(qint64 pid) {
    const QString dir = QStringLiteral("/proc/%1").arg(pid);
    const QByteArray stat = readProcFile(dir + QStringLiteral("/stat"));
    const QByteArray status = readProcFile(dir + QStringLiteral("/status"));
    if (stat.isEmpty() || status.isEmpty()) {
        return std::nullopt;
    }
    // The command name may hold spaces and parentheses: fields are counted from the last ')'.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13 || fields.at(0) == "Z") {
        return std::nullopt;
    }
    ProcessSample sample;
    sample.atNs = nowNs();
    const qint64 ticks = fields.at(11).toLongLong() + fields.at(12).toLongLong(); // utime, stime
    sample.cpuNs = ticks * 1'000'000'000 / ::sysconf(_SC_CLK_TCK);
    sample.rssKiB = statusField(status, "VmRSS");
    sample.rssAnonKiB = statusField(status, "RssAnon");
    sample.rssFileKiB = statusField(status, "RssFile");
    for (const QString& task :
         QDir(dir + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString taskDir = dir + QStringLiteral("/task/") + task;
        ProcessSample::Thread& thread = sample.threads[task];
        thread.voluntarySwitches = std::max<qint64>(
            0, statusField(readProcFile(taskDir + QStringLiteral("/status")), "voluntary_ctxt_switches"));
        // "on-CPU ns, waiting ns, time slices"
        thread.cpuNs =
            readProcFile(taskDir + QStringLiteral("/schedstat")).split(' ').constFirst().toLongLong();
    }
    return sample;
}

std::optional<qint64> processorTimeNs(qint64 pid) {
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    const QStringList names = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (names.isEmpty()) {
        return std::nullopt;
    }
    qint64 total = 0;
    for (const QString& task : names) {
        // "on-CPU ns, waiting ns, time slices"
        total += readProcFile(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"))
                     .split(' ')
                     .constFirst()
                     .toLongLong();
    }
    return total;
}

Cost costBetween(const ProcessSample& first, const ProcessSample& last) {
    Cost cost;
    cost.seconds = static_cast<double>(last.atNs - first.atNs) / 1e9;
    if (cost.seconds <= 0) {
        return cost;
    }
    // Per thread: what it did since the first sample, or since it started within the window.
    qint64 liveCpuNs = 0;
    qint64 switches = 0;
    for (auto it = last.threads.cbegin(); it != last.threads.cend(); ++it) {
        const ProcessSample::Thread before = first.threads.value(it.key());
        liveCpuNs += it->cpuNs - before.cpuNs;
        switches += std::max<qint64>(0, it->voluntarySwitches - before.voluntarySwitches);
    }
    // Clock ticks are 10 ms, a sixth of the budget of a window of a few seconds: the scheduler's count
    // unless a thread ended in the window, whose time only the ticks keep.
    const bool threadEnded = std::ranges::any_of(
        first.threads.keys(), [&](const QString& id) { return !last.threads.contains(id); });
    const qint64 cpuNs = threadEnded ? last.cpuNs - first.cpuNs : liveCpuNs;
    cost.cpuPercent = static_cast<double>(cpuNs) / 1e9 / cost.seconds * 100.0;
    cost.wakeupsPerSecond = static_cast<double>(switches) / cost.seconds;
    cost.rssMiB = static_cast<double>(last.rssKiB) / 1024.0;
    cost.rssAnonMiB = static_cast<double>(last.rssAnonKiB) / 1024.0;
    cost.rssFileMiB = static_cast<double>(last.rssFileKiB) / 1024.0;
    cost.valid = true;
    return cost;
}

Cost measureCost(qint64 pid, int windowMs) {
    return measureCosts({pid}, windowMs).front();
}

std::vector<Cost> measureCosts(const std::vector<qint64>& pids, int windowMs) {
    std::vector<std::optional<ProcessSample>> first;
    for (qint64 pid : pids) {
        first.push_back(sampleProcess(pid));
    }
    runEventsFor(windowMs);
    std::vector<Cost> costs;
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const std::optional<ProcessSample> last = sampleProcess(pids[i]);
        costs.push_back(first[i] && last ? costBetween(*first[i], *last) : Cost{});
    }
    return costs;
}

void CostTable::add(const QString& row, const Cost& cost) {
    m_rows.push_back({row, cost, 0});
}

void CostTable::addTime(const QString& row, double milliseconds) {
    m_rows.push_back({row, std::nullopt, milliseconds});
}

QString CostTable::text() const {
    qsizetype width = 5;
    for (const Row& row : m_rows) {
        width = std::max(width, row.name.size());
    }
    QString text = QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                       .arg(QStringLiteral("state"), -static_cast<int>(width))
                       .arg(QStringLiteral("CPU %"), 8)
                       .arg(QStringLiteral("wakeups/s"), 10)
                       .arg(QStringLiteral("RSS MiB"), 8)
                       .arg(QStringLiteral("anon"), 6)
                       .arg(QStringLiteral("file"), 6);
    for (const Row& row : m_rows) {
        const QString name = QStringLiteral("%1").arg(row.name, -static_cast<int>(width));
        if (!row.cost) {
            text += QStringLiteral("%1  %2 ms\n").arg(name).arg(row.milliseconds, 8, 'f', 1);
        } else if (!row.cost->valid) {
            text += name + QStringLiteral("  (process gone)\n");
        } else {
            text += QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                        .arg(name)
                        .arg(row.cost->cpuPercent, 8, 'f', 2)
                        .arg(row.cost->wakeupsPerSecond, 10, 'f', 1)
                        .arg(row.cost->rssMiB, 8, 'f', 1)
                        .arg(row.cost->rssAnonMiB, 6, 'f', 1)
                        .arg(row.cost->rssFileMiB, 6, 'f', 1);
        }
    }
    return text;
}

} // namespace desktop
