#pragma once

// What a process costs while it idles, read from /proc: CPU time (user + system, all threads, the ended
// ones included), wakeups (voluntary context switches summed over its threads: each is a sleep that
// something woke; a thread that ended within the window takes its own with it) and resident memory. A budget
// check is one line:
//     EXPECT_LT(desktop::measureCost(pid, 3000).cpuPercent, 1.0);

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace desktop {

struct ProcessSample {
    struct Thread {
        qint64 cpuNs = 0; // the scheduler's count: finer than clock ticks
        qint64 voluntarySwitches = 0;
    };
    qint64 atNs = 0;
    qint64 cpuNs = 0;               // clock ticks of all threads, the ended ones included
    QHash<QString, Thread> threads; // the live ones, by id
    qint64 rssKiB = 0;
    qint64 rssAnonKiB = 0; // heap, stacks and other anonymous pages
    qint64 rssFileKiB = 0; // code, data and fonts mapped from files
};

// Now, or nothing when the process is gone.
std::optional<ProcessSample> sampleProcess(qint64 pid);

struct Cost {
    double seconds = 0;    // the window measured
    double cpuPercent = 0; // of one core
    double wakeupsPerSecond = 0;
    double rssMiB = 0; // at the window's end
    double rssAnonMiB = 0;
    double rssFileMiB = 0;
    bool valid = false; // false when the process ended in the window
};

// Processor time of the process's live threads so far, in nanoseconds (the scheduler's own count, finer than
// the clock ticks of `cpuNs`); nothing when the process is gone.
std::optional<qint64> processorTimeNs(qint64 pid);

Cost costBetween(const ProcessSample& first, const ProcessSample& last);

// Samples at the start and the end of `windowMs` while this process's event loop runs (the desktop's
// services in it keep answering).
Cost measureCost(qint64 pid, int windowMs);
// The same for several processes over one window (the client beside the bare window).
std::vector<Cost> measureCosts(const std::vector<qint64>& pids, int windowMs);

// A printed table: one row per measured state, with the same columns for every process.
class CostTable {
public:
    void add(const QString& row, const Cost& cost);
    void addTime(const QString& row, double milliseconds);
    QString text() const;

private:
    struct Row {
        QString name;
        std::optional<Cost> cost;
        double milliseconds = 0;
    };
    std::vector<Row> m_rows;
};

} // namespace desktop
