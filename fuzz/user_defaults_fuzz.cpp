// The preferences store opening a file of any bytes: either every value is read, or the file is kept aside
// whole and the store starts empty. Nothing is lost, and what the store then writes it reads back.

#include "FuzzSupport.h"

#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QDir& folder() {
    return fuzz::scratchFolder("defaults");
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A new name each time: QSettings caches what it read by file name.
    static quint64 serial = 0;
    const QString path = folder().filePath(QStringLiteral("defaults-%1.ini").arg(++serial));
    const QByteArray written = fuzz::bytes(data, size);
    fuzz::writeFile(path, written);

    const QString probeKey = QStringLiteral("fuzz/probe key");
    bool kept = false;
    {
        platform::UserDefaults store(path);
        QStringList aside = folder().entryList(QDir::Files);
        aside.removeIf([&](const QString& name) {
            return !name.startsWith(QFileInfo(path).fileName() + QStringLiteral(".corrupt-"));
        });
        kept = QFile::exists(path);
        if (kept) {
            // Read as it is: the file stays untouched.
            FUZZ_CHECK(aside.isEmpty());
            FUZZ_CHECK(contents(path) == written);
        } else {
            // Refused: kept aside byte for byte, and nothing of it half-read.
            FUZZ_CHECK(aside.size() == 1);
            FUZZ_CHECK(contents(folder().filePath(aside.first())) == written);
            QFile::remove(folder().filePath(aside.first()));
        }
        if (kept) {
            FUZZ_CHECK(store.set(probeKey, 7));
        }
    }
    if (kept) {
        // Every value read is written back in a form a new store reads without calling it corrupt. (A copy:
        // at the same name QSettings would answer from what it cached.)
        const QString copy = path + QStringLiteral(".copy.ini");
        FUZZ_CHECK(QFile::copy(path, copy));
        {
            platform::UserDefaults reread(copy);
            FUZZ_CHECK(QFile::exists(copy));
            FUZZ_CHECK(reread.integerForKey(probeKey) == 7);
        }
        QFile::remove(copy);
    }
    QFile::remove(path);
    return 0;
}
