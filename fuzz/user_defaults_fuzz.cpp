// The preferences store opening a file of any bytes: either every value is read and the file left as it is,
// or the file is kept aside whole, the store keeping the values it could read (none when one of them is
// bad). Nothing is lost, and what the store then writes it, and QSettings, read back.

#include "FuzzSupport.h"

#include "platform/UserDefaults.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
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
    static quint64 serial = 0;
    const QString path = folder().filePath(QStringLiteral("defaults-%1.ini").arg(++serial));
    const QByteArray written = fuzz::bytes(data, size);
    fuzz::writeFile(path, written);

    const QString probeKey = QStringLiteral("fuzz/probe key");
    {
        platform::UserDefaults store(path);
        QStringList aside = folder().entryList(QDir::Files);
        aside.removeIf([&](const QString& name) {
            return !name.startsWith(QFileInfo(path).fileName() + QStringLiteral(".corrupt-"));
        });
        if (aside.isEmpty()) {
            // Read as it is: the file stays untouched.
            FUZZ_CHECK(contents(path) == written);
        } else {
            // Refused or damaged: kept aside byte for byte, whatever of it the store kept.
            FUZZ_CHECK(aside.size() == 1);
            FUZZ_CHECK(contents(folder().filePath(aside.first())) == written);
            QFile::remove(folder().filePath(aside.first()));
        }
        FUZZ_CHECK(store.set(probeKey, 7));
    }
    // Every value kept is written back in a form a new store reads without finding damage, and an older
    // client, which read the file through QSettings, reads too.
    const QString copy = path + QStringLiteral(".copy.ini");
    FUZZ_CHECK(QFile::copy(path, copy));
    {
        platform::UserDefaults reread(copy);
        FUZZ_CHECK(QFile::exists(copy));
        FUZZ_CHECK(reread.integerForKey(probeKey) == 7);
    }
    {
        QByteArray seven;
        QDataStream out(&seven, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << QVariant(7);
        const QSettings older(copy, QSettings::IniFormat);
        FUZZ_CHECK(older.value(QStringLiteral("fuzz%2Fprobe%20key")) == QVariant(seven));
    }
    QFile::remove(copy);
    QFile::remove(path);
    return 0;
}
