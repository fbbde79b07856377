#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

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
// With `Links::refuse` a symbolic link at the path is `notRegular` and never read through.
enum class Links { follow, refuse };
RegularFileRead readRegularFile(const QString& path, qint64 maxBytes, Links links = Links::follow);

// The entries of one of the client's own folders (QDir's `filters` and name filters, sorted by name),
// without the symbolic links found there: those are removed, as entries, never followed. A folder that is
// itself a link is removed and has no entries.
QStringList ownFolderEntries(const QString& folder, QDir::Filters filters,
                             const QStringList& nameFilters = {});
// Removes a file or a folder with everything in it; a link inside, or at `path`, goes as an entry, and
// nothing it points to is touched. True when nothing is left at `path`.
bool removeWithoutFollowingLinks(const QString& path);

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
