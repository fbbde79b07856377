#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace platform {

struct ProcessRecord {
    qint64 pid = 0;
    QString executable;

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
    // The same without the asking process itself.
    std::optional<std::vector<ProcessRecord>> runningProcessesExcludingSelf() const;

    // The executable of one process: the target of <pid>/exe when it can be read, else the first item of
    // <pid>/cmdline; empty when neither gives a path (kernel threads, vanished processes).
    QString executableOf(qint64 pid) const;

    // Bytes read from a cmdline at most; a longer first item is cut there.
    static constexpr qint64 cmdlineLimit = 4096;

private:
    QString m_root;
};

} // namespace platform
