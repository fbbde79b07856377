#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace platform {

// A file read whole, when it is a regular file of at most `maxBytes`. A FIFO, a device or a folder at the
// path is refused without reading from it or waiting on it, a larger file before any of it is read.
struct RegularFileRead {
    enum class Outcome { read, missing, denied, notRegular, tooLarge, failed };
    Outcome outcome = Outcome::failed;
    QByteArray bytes;
    QString errorString; // why it was not read, for people
    bool ok() const { return outcome == Outcome::read; }
};
RegularFileRead readRegularFile(const QString& path, qint64 maxBytes);

// An exclusive lock held by the kernel on an open file: it ends with the process, however the process ends,
// so nothing a crash leaves behind can block a later taker. The file's content means nothing. Not shared
// between threads.
class FileLock {
public:
    enum class Result { locked, busy, failed };

    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock, creating the file when missing, trying again for up to `patience` while another
    // holder has it. A file that cannot be opened is `failed` (see errorString()).
    Result tryLock(std::chrono::milliseconds patience = std::chrono::milliseconds(0));
    bool isLocked() const { return m_fd >= 0; }
    // Writes `text` into the held file, for people and tools to see who holds it; the lock never reads it.
    void describeHolder(const QByteArray& text);
    // Gives the lock up; with `removeFile`, the file goes first, while still held, so that no later taker
    // locks a file about to disappear.
    void unlock(bool removeFile = false);

    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

private:
    Result lockOnce();

    const QString m_path;
    int m_fd = -1;
    QString m_error;
};

} // namespace platform
