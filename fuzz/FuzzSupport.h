#pragma once

// Shared by the fuzz targets: a quiet process, and checks that abort with the broken rule, so a wrong answer
// is a finding just as a crash is.

#include "sdk/VeltrixXPC.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            ::fuzz::fail(#condition, __FILE__, __LINE__);                                                    \
        }                                                                                                    \
    } while (false)

namespace fuzz {

[[noreturn]] inline void fail(const char* rule, const char* file, int line) {
    std::fprintf(stderr, "==fuzz== broken rule: %s (%s:%d)\n", rule, file, line);
    std::abort();
}

// Refusals are logged by the parsers; at thousands of inputs a second that is only noise.
inline void quietLogging() {
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    VeltrixXPC::logger().setSink([](const VeltrixLogger::Record&) {});
}

// For parsers that need an application object (event loop, D-Bus).
inline QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

inline QByteArray bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString text(const std::uint8_t* data, std::size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A folder for the files a target writes, removed at exit; under /dev/shm when there is one, for thousands of
// files a second. Call it once per target, with one name.
inline const QDir& scratchFolder(const char* name) {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/%1-XXXXXX").arg(QLatin1String(name))
                                 : QDir::tempPath() + QStringLiteral("/%1-XXXXXX").arg(QLatin1String(name)));
    static QDir path(dir.path());
    return path;
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace fuzz
