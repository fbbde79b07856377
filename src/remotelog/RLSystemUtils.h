#pragma once

// Small services of the remote-logging library: its names, the date text, device and application facts, the
// storage root and its running size, the caller's thread, the console copy and the (empty) UI-event hook.

#include "platform/SystemInfo.h"

#include <QDateTime>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>

namespace platform {
class UserDefaults;
}

namespace remotelog {

// Names the storage folder, prefixes the user-defaults keys and the library's queue label.
inline const QString libraryIdentifier = QStringLiteral("com.veltrix.remotelog");
inline constexpr int libraryVersion = 37;

// "yyyy-MM-dd'T'HH:mm:ss.SSSXXXXX" in the local time zone: "2024-03-05T14:07:09.042+01:00", "Z" at UTC.
QString rlStringFromDate(const QDateTime& date);
// The same text of an instant in milliseconds since the epoch; quick for instants close together (the
// time zone's offset is looked up once a minute per thread).
QByteArray rlDateText(qint64 msecsSinceEpoch);
void rlAppendDateText(QByteArray& out, qint64 msecsSinceEpoch);
// The same text back; nothing for any other text.
std::optional<QDateTime> rlDateFromString(const QString& text);

// <XDG cache folder>/<library identifier>; made by whoever first writes into it.
QString rlDefaultStorageRootPath();
// Bytes of every item below `path`, each rounded up to whole 8,192-byte blocks, at least one block per item.
quint64 rlDirectorySize(const QString& path);

// Memory in bytes, from /proc/meminfo: free is MemFree, used the rest of MemTotal; zeros when unreadable.
struct RLRamState {
    quint64 total = 0;
    quint64 free = 0;
    quint64 used = 0;
};

class RLSystemUtils {
public:
    RLSystemUtils() = delete;

    // What a browser on this system would send as its user agent.
    static QString systemUserAgent();
    // The host name up to its first "."; "unknown" when there is none.
    static QString systemHostname();
    // Charge of the first battery whose capacity can be read, 0 to 1; 1.0 without one (a desktop). A battery
    // that reports a full capacity of 0 is unknown and skipped.
    static double batteryPercent(const QString& powerSupplyRoot = QStringLiteral("/sys/class/power_supply"));
    // 0 without a primary screen, 2 when it is wider than high, 1 when higher than wide, 3 when square.
    static int screenOrientation(std::optional<QSize> primaryScreen = platform::primaryScreenSize());
    static RLRamState ramState(const QString& meminfoPath = QStringLiteral("/proc/meminfo"));
    static QString platformName() { return QStringLiteral("linux"); }
    // Kept in `defaults` under "<library identifier>.RLDeviceIdentifier"; a new UUID the first time.
    static QString remoteLogDeviceIdentifier(platform::UserDefaults& defaults);
    // The machine's product name from firmware; nothing when unreadable.
    static std::optional<QString> deviceModel();
    // The distribution and its version, without a leading "Version "; made once.
    static QString osVersion();
    static std::optional<QString> appShortVersion();
    static std::optional<QString> appBuild();
    // `text` without a leading "Version ".
    static QString withoutVersionPrefix(const QString& text);
};

// The running byte count of the local storage: follows what the library writes and deletes between
// measurements of the folder. Never below 0; usable from any thread.
class RLDiskSize {
public:
    explicit RLDiskSize(QString root) : m_root(std::move(root)) {}

    quint64 length() const { return m_length.load(std::memory_order_relaxed); }
    void addLength(quint64 bytes);
    void reduceLength(quint64 bytes);
    // Measures the folder and replaces the count.
    void rl_refreshRealDiskSize();
    // Whether the count moved since the last measurement (a steady store needs no new one).
    bool changedSinceRefresh() const { return m_changed.load(std::memory_order_relaxed); }

private:
    const QString m_root;
    std::atomic<quint64> m_length{0};
    std::atomic<bool> m_changed{false};
};

class RLThreadAdditions {
public:
    // The kernel's id of the calling thread, and the same in decimal.
    static qint64 currentThreadNumber();
    static QString currentThreadNumberText();
    // The label of the queue the caller runs on: its thread's name, "main" on the main thread, else empty.
    static QString currentQueueLabel();
};

class RLConsolePrinter {
public:
    // "2024-03-05 14:07:09.042 veltrix[1234:4d2] message": local time, program, process and thread ids.
    static QByteArray consoleLine(qint64 msecsSinceEpoch, qint64 threadNumber, const QString& message);
    // Writes lines to standard output in one go.
    static void print(const QByteArray& lines);
    // The line, line method and file accepted but not printed, at once.
    static void logWithLineNumber(qint64 line, const QString& method, const QString& file,
                                  const QString& message);
};

// Interface events are not logged on this platform.
class RLUIEventLogger {
public:
    static void install() {}
    static void rl_loadCategories() {}
};

} // namespace remotelog
