#include "platform/ProcessList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <climits>

#include <unistd.h>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcProcessList, "veltrix.platform.processlist")

QString readLinkTarget(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(encoded.constData(), buffer, sizeof buffer);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof buffer)) {
        return {}; // unreadable (another user's process, a kernel thread) or cut short
    }
    QString target = QFile::decodeName(QByteArray(buffer, static_cast<qsizetype>(length)));
    // An executable replaced on disk while running (an update) still names its path.
    static const QString deleted = QStringLiteral(" (deleted)");
    if (target.endsWith(deleted)) {
        target.chop(deleted.size());
    }
    return target;
}

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(4096); // status and stat are far shorter
}

// "Uid:\t<real>\t<effective>\t<saved>\t<filesystem>" in <pid>/status.
std::optional<uint> realUidIn(const QByteArray& status) {
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith("Uid:")) {
            bool ok = false;
            const uint uid = line.mid(4).simplified().split(' ').value(0).toUInt(&ok);
            return ok ? std::optional<uint>(uid) : std::nullopt;
        }
    }
    return std::nullopt;
}

// The 22nd field of <pid>/stat; the name (field 2) is in parentheses and may itself hold blanks and ')'.
quint64 startTimeIn(const QByteArray& stat) {
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0) {
        return 0;
    }
    const QList<QByteArray> fields = stat.mid(nameEnd + 1).simplified().split(' ');
    constexpr qsizetype startTimeAfterName = 22 - 3; // fields after the name start at the 3rd
    return fields.value(startTimeAfterName).toULongLong();
}

// XDG_RUNTIME_DIR in <pid>/environ, NUL-separated; "" when the variable is not set.
std::optional<QString> runtimeDirIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    static const QByteArray name = QByteArrayLiteral("XDG_RUNTIME_DIR=");
    for (const QByteArray& variable : file.read(256 * 1024).split('\0')) {
        if (variable.startsWith(name)) {
            return QFile::decodeName(variable.mid(name.size()));
        }
    }
    return QString();
}

} // namespace

ProcessList::ProcessList(QString procRoot) : m_root(std::move(procRoot)) {}

QString ProcessList::executableOf(qint64 pid) const {
    return readLinkTarget(m_root + '/' + QString::number(pid) + QStringLiteral("/exe"));
}

std::optional<ProcessRecord> ProcessList::recordOf(qint64 pid) const {
    return recordOf(pid, executableOf(pid));
}

std::optional<ProcessRecord> ProcessList::recordOf(qint64 pid, QString executable) const {
    if (executable.isEmpty()) {
        return std::nullopt;
    }
    const QString dir = m_root + '/' + QString::number(pid);
    return ProcessRecord{pid, std::move(executable),
                         realUidIn(readSmallFile(dir + QStringLiteral("/status"))),
                         startTimeIn(readSmallFile(dir + QStringLiteral("/stat"))),
                         runtimeDirIn(dir + QStringLiteral("/environ"))};
}

ProcessRecord ProcessList::self() {
    const qint64 pid = QCoreApplication::applicationPid();
    ProcessRecord record = ProcessList().recordOf(pid).value_or(ProcessRecord{pid, {}, {}, 0, {}});
    record.realUid = ::getuid(); // from the kernel, whatever procfs shows
    return record;
}

std::optional<std::vector<ProcessRecord>> ProcessList::runningProcesses() const {
    return runningProcesses([](const QString&) { return true; });
}

std::optional<std::vector<ProcessRecord>>
ProcessList::runningProcesses(const QStringList& executables) const {
    return runningProcesses(
        [&executables](const QString& executable) { return executables.contains(executable); });
}

std::optional<std::vector<ProcessRecord>>
ProcessList::runningProcesses(const std::function<bool(const QString&)>& wanted) const {
    QDir root(m_root);
    if (!root.exists() || !root.isReadable()) {
        qCWarning(lcProcessList) << "Cannot read the process table at" << m_root;
        return std::nullopt;
    }
    std::vector<qint64> pids;
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const bool digits = std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.isDigit(); });
        bool numeric = false;
        const qint64 pid = digits ? name.toLongLong(&numeric) : 0;
        if (numeric && pid > 0) {
            pids.push_back(pid);
        }
    }
    std::sort(pids.begin(), pids.end());

    std::vector<ProcessRecord> records;
    records.reserve(pids.size());
    for (const qint64 pid : pids) {
        QString executable = executableOf(pid);
        if (!wanted(executable)) {
            continue;
        }
        if (auto record = recordOf(pid, std::move(executable))) {
            records.push_back(std::move(*record));
        }
    }
    return records;
}

std::optional<std::vector<ProcessRecord>> ProcessList::runningProcessesExcludingSelf() const {
    auto records = runningProcesses();
    if (records) {
        const qint64 self = QCoreApplication::applicationPid();
        std::erase_if(*records, [self](const ProcessRecord& record) { return record.pid == self; });
    }
    return records;
}

} // namespace platform
