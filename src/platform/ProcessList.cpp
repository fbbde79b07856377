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

QString firstCmdlineItem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.read(ProcessList::cmdlineLimit);
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
}

} // namespace

ProcessList::ProcessList(QString procRoot) : m_root(std::move(procRoot)) {}

QString ProcessList::executableOf(qint64 pid) const {
    const QString dir = m_root + '/' + QString::number(pid);
    QString executable = readLinkTarget(dir + QStringLiteral("/exe"));
    if (executable.isEmpty()) {
        executable = firstCmdlineItem(dir + QStringLiteral("/cmdline"));
    }
    return executable;
}

std::optional<std::vector<ProcessRecord>> ProcessList::runningProcesses() const {
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
        if (!executable.isEmpty()) {
            records.push_back({pid, std::move(executable)});
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
