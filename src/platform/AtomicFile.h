#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

// A file replaced whole or not at all. The new content goes to a nameless file beside the target, every
// write is checked (nothing is buffered, so a full disk shows at the write that met it rather than at a
// flush nobody checks), the file is synced, then renamed over the target and the folder synced. On any
// failure the earlier file stays exactly as it was and errorString() says why. A link at the target is
// replaced, never written through. Not shared between threads.
class AtomicFile {
public:
    explicit AtomicFile(QString path);
    ~AtomicFile(); // drops what was not committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    bool commit();
    void cancel();

    bool isOpen() const { return m_fd >= 0; }
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

private:
    bool fail(const QString& what, int error);
    QByteArray temporaryName() const;

    const QString m_path;
    QByteArray m_tempName;
    int m_fd = -1;
    bool m_named = false; // where the system has no nameless files
    QString m_error;
};

struct AtomicWriteResult {
    bool ok = false;
    QString errorString; // why not, for people
    explicit operator bool() const { return ok; }
};

// Replaces the file at `path` with `bytes` as AtomicFile does.
AtomicWriteResult writeFileAtomically(const QString& path, QByteArrayView bytes);

} // namespace platform
