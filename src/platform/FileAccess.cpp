#include "platform/FileAccess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace platform {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

RegularFileRead refusal(RegularFileRead::Outcome outcome, QString why) {
    RegularFileRead result;
    result.outcome = outcome;
    result.errorString = std::move(why);
    return result;
}

RegularFileRead openFailure(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return refusal(RegularFileRead::Outcome::missing, systemError(error));
    case EACCES:
    case EPERM:
        return refusal(RegularFileRead::Outcome::denied, systemError(error));
    default:
        return refusal(RegularFileRead::Outcome::failed, systemError(error));
    }
}

RegularFileRead notRegular() {
    return refusal(RegularFileRead::Outcome::notRegular, QStringLiteral("not a regular file"));
}

RegularFileRead tooLarge(qint64 maxBytes) {
    return refusal(RegularFileRead::Outcome::tooLarge,
                   QStringLiteral("larger than %1 MiB").arg(maxBytes / (1024 * 1024)));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

RegularFileRead readRegularFile(const QString& path, qint64 maxBytes, Links links) {
    const QByteArray name = QFile::encodeName(path);
    // A device is not even opened: opening some has effects of its own.
    struct stat status {};
    const int looked =
        links == Links::follow ? ::stat(name.constData(), &status) : ::lstat(name.constData(), &status);
    if (looked != 0) {
        return openFailure(errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return notRegular();
    }
    // What was checked by name may have been replaced since: the open descriptor decides. Opening a FIFO
    // without O_NONBLOCK would wait for a writer.
    const int noFollow = links == Links::refuse ? O_NOFOLLOW : 0;
    const Descriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | noFollow));
    if (file.get() < 0) {
        return openFailure(errno);
    }
    if (::fstat(file.get(), &status) != 0) {
        return refusal(RegularFileRead::Outcome::failed, systemError(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        return notRegular();
    }
    if (status.st_size > maxBytes) {
        return tooLarge(maxBytes);
    }
    RegularFileRead result;
    result.bytes.resize(qsizetype(status.st_size) + 1);
    qint64 total = 0;
    // One byte more than the limit tells a file that grew while it was read.
    while (total <= maxBytes) {
        if (total == result.bytes.size()) {
            result.bytes.resize(qsizetype(std::min<qint64>(maxBytes + 1, total * 2 + 4096)));
        }
        const ssize_t got =
            ::read(file.get(), result.bytes.data() + total, size_t(result.bytes.size() - total));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return refusal(RegularFileRead::Outcome::failed, systemError(errno));
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    if (total > maxBytes) {
        return tooLarge(maxBytes);
    }
    result.bytes.truncate(qsizetype(total));
    result.outcome = RegularFileRead::Outcome::read;
    return result;
}

QStringList ownFolderEntries(const QString& folder, QDir::Filters filters, const QStringList& nameFilters) {
    const QDir dir(folder);
    QStringList entries;
    struct stat status {};
    if (::lstat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISLNK(status.st_mode)) {
        ::unlink(QFile::encodeName(folder).constData());
        return entries;
    }
    for (const QFileInfo& entry : dir.entryInfoList(nameFilters, filters | QDir::System, QDir::Name)) {
        if (entry.isSymLink()) {
            ::unlink(QFile::encodeName(entry.filePath()).constData());
        } else if (!(filters & QDir::System) && !entry.isFile() && !entry.isDir()) {
            continue; // a FIFO, socket or device: not the client's
        } else {
            entries.append(entry.fileName());
        }
    }
    return entries;
}

bool removeWithoutFollowingLinks(const QString& path) {
    // remove_all takes a link as the entry it is, at the top and inside.
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    return !error;
}

FileLock::FileLock(QString path) : m_path(std::move(path)) {}

FileLock::~FileLock() {
    unlock();
}

FileLock::Result FileLock::tryLock(std::chrono::milliseconds patience) {
    if (isLocked()) {
        return Result::locked;
    }
    QDeadlineTimer deadline(patience);
    for (;;) {
        const Result result = lockOnce();
        if (result != Result::busy || deadline.hasExpired()) {
            return result;
        }
        QThread::msleep(10);
    }
}

FileLock::Result FileLock::lockOnce() {
    const QByteArray name = QFile::encodeName(m_path);
    // A holder that lets go removes the file, and a new one may take its place: the lock counts only on
    // the file that is at the path once it is held. Each such turn means another taker made progress.
    for (int turn = 0; turn < 100; ++turn) {
        constexpr int flags = O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
        int fd = ::open(name.constData(), O_RDWR | flags, 0600);
        if (fd < 0 && (errno == EACCES || errno == EROFS)) {
            fd = ::open(name.constData(), O_RDONLY | flags, 0600); // locks as well; only says nothing
        }
        if (fd < 0) {
            m_error = systemError(errno);
            return Result::failed;
        }
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            m_error = QStringLiteral("not a regular file");
            ::close(fd);
            return Result::failed;
        }
        int locked;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK) {
                return Result::busy;
            }
            m_error = systemError(error);
            return Result::failed;
        }
        struct stat atPath {};
        if (::stat(name.constData(), &atPath) == 0 && atPath.st_dev == held.st_dev &&
            atPath.st_ino == held.st_ino) {
            m_fd = fd;
            m_error.clear();
            return Result::locked;
        }
        ::close(fd);
    }
    return Result::busy;
}

void FileLock::describeHolder(const QByteArray& text) {
    if (m_fd >= 0 && ::ftruncate(m_fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(m_fd, text.constData(), size_t(text.size()), 0);
    }
}

void FileLock::unlock(bool removeFile) {
    if (m_fd < 0) {
        return;
    }
    if (removeFile) {
        ::unlink(QFile::encodeName(m_path).constData());
    }
    ::close(m_fd);
    m_fd = -1;
}

} // namespace platform
