#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

struct ProcessRecord {
    qint64 pid = 0;
    QString executable;
    // The real user id; nothing when the process's status cannot be read.
    std::optional<uint> realUid;
    // When the process started, in clock ticks after boot; 0 when unknown.
    quint64 startTime = 0;
    // XDG_RUNTIME_DIR of the environment it started with ("" when unset): the session it runs in. Nothing
    // when its environment cannot be read.
    std::optional<QString> runtimeDir = std::nullopt;

    friend bool operator==(const ProcessRecord&, const ProcessRecord&) = default;
};

// The running processes with their executable paths, read from procfs. Safe on any thread; each call reads
// afresh.
class ProcessList {
public:
    explicit ProcessList(QString procRoot = QStringLiteral("/proc"));

    // Every process whose executable can be told, in ascending pid order; nothing when the process table
    // itself cannot be read. A process that ends while it is read is left out.
    std::optional<std::vector<ProcessRecord>> runningProcesses() const;
    // The same for the processes that run one of `executables` only: the others cost one link read each,
    // not the reads of their status, start time and environment.
    std::optional<std::vector<ProcessRecord>> runningProcesses(const QStringList& executables) const;
    // The same without the asking process itself.
    std::optional<std::vector<ProcessRecord>> runningProcessesExcludingSelf() const;

    // The executable of one process: the target of <pid>/exe. Never the command line, which any program
    // can set as it likes. Empty when the link cannot be read (kernel threads, another user's processes,
    // vanished ones).
    QString executableOf(qint64 pid) const;
    // The whole record of one process; nothing when its executable cannot be told.
    std::optional<ProcessRecord> recordOf(qint64 pid) const;

    // The asking process, read from the system's own table.
    static ProcessRecord self();

private:
    std::optional<std::vector<ProcessRecord>>
    runningProcesses(const std::function<bool(const QString&)>& wanted) const;
    std::optional<ProcessRecord> recordOf(qint64 pid, QString executable) const;

    QString m_root;
};

} // namespace platform
