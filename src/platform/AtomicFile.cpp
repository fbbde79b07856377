#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

void syncFolder(const QByteArray& folder) {
    // Makes the rename itself durable; a filesystem that cannot sync folders loses nothing by it.
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

AtomicFile::AtomicFile(QString path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() {
    cancel();
}

bool AtomicFile::fail(const QString& what, int error) {
    m_error = QStringLiteral("%1 %2: %3").arg(what, m_path, QString::fromLocal8Bit(std::strerror(error)));
    cancel();
    return false;
}

bool AtomicFile::open() {
    cancel();
    m_error.clear();
    const QFileInfo target(m_path);
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    struct stat existing {};
    const bool replacing =
        ::lstat(QFile::encodeName(m_path).constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    // Private until it has the earlier file's permissions; a new file gets what the umask allows.
    const mode_t mode = replacing ? 0600 : 0666;
    // Nameless until committed, so that nothing half written ever shows in the folder, even after a crash.
    m_fd = ::open(folder.constData(), O_WRONLY | O_TMPFILE | O_CLOEXEC, mode);
    m_named = m_fd < 0;
    if (m_named) {
        m_tempName = temporaryName();
        m_fd = ::open(m_tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    }
    if (m_fd < 0) {
        const int error = errno;
        m_tempName.clear();
        return fail(QStringLiteral("cannot create a file beside"), error);
    }
    if (replacing && ::fchmod(m_fd, existing.st_mode & 07777) != 0) {
        return fail(QStringLiteral("cannot keep the permissions of"), errno);
    }
    return true;
}

// Hidden, so that a folder listed for its items never takes it for one.
QByteArray AtomicFile::temporaryName() const {
    const QFileInfo target(m_path);
    return QFile::encodeName(target.absolutePath()) + "/." + QFile::encodeName(target.fileName()) + '.' +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

bool AtomicFile::write(QByteArrayView bytes) {
    if (m_fd < 0) {
        if (m_error.isEmpty()) {
            m_error = QStringLiteral("not open for writing: %1").arg(m_path);
        }
        return false;
    }
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(left));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return fail(QStringLiteral("cannot write"), written < 0 ? errno : ENOSPC);
        }
        data += written;
        left -= written;
    }
    return true;
}

bool AtomicFile::commit() {
    if (m_fd < 0) {
        return write({});
    }
    if (::fsync(m_fd) != 0) {
        return fail(QStringLiteral("cannot sync"), errno);
    }
    if (!m_named) {
        // A name of its own first: linking cannot replace the target, renaming can.
        m_tempName = temporaryName();
        const QByteArray handle = "/proc/self/fd/" + QByteArray::number(m_fd);
        if (::linkat(AT_FDCWD, handle.constData(), AT_FDCWD, m_tempName.constData(), AT_SYMLINK_FOLLOW) !=
            0) {
            const int error = errno;
            m_tempName.clear();
            return fail(QStringLiteral("cannot name the new"), error);
        }
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        return fail(QStringLiteral("cannot close"), errno);
    }
    if (::rename(m_tempName.constData(), QFile::encodeName(m_path).constData()) != 0) {
        return fail(QStringLiteral("cannot replace"), errno);
    }
    m_tempName.clear();
    syncFolder(QFile::encodeName(QFileInfo(m_path).absolutePath()));
    return true;
}

void AtomicFile::cancel() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempName.isEmpty()) {
        ::unlink(m_tempName.constData());
        m_tempName.clear();
    }
}

AtomicWriteResult writeFileAtomically(const QString& path, QByteArrayView bytes) {
    AtomicFile file(path);
    AtomicWriteResult result;
    result.ok = file.open() && file.write(bytes) && file.commit();
    result.errorString = file.errorString();
    return result;
}

} // namespace platform
