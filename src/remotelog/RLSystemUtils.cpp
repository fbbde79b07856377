#include "remotelog/RLSystemUtils.h"

#include "platform/AsciiChars.h"
#include "platform/Bundle.h"
#include "platform/SystemInfo.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <unistd.h>

namespace remotelog {

namespace {

constexpr quint64 blockSize = 8192;
constexpr qint64 smallFileLimit = 64 * 1024; // meminfo and sysfs values are a few hundred bytes

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(smallFileLimit) : QByteArray();
}

const platform::SystemInfo& systemInfo() {
    static const platform::SystemInfo info;
    return info;
}

QString offsetText(int seconds) {
    if (seconds == 0) {
        return QStringLiteral("Z");
    }
    const QChar sign = seconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const int magnitude = std::abs(seconds);
    QString text = QStringLiteral("%1%2:%3")
                       .arg(sign)
                       .arg(magnitude / 3600, 2, 10, QLatin1Char('0'))
                       .arg(magnitude / 60 % 60, 2, 10, QLatin1Char('0'));
    if (magnitude % 60 != 0) {
        text += QStringLiteral(":%1").arg(magnitude % 60, 2, 10, QLatin1Char('0'));
    }
    return text;
}

std::optional<double> readFraction(const QString& folder, const char* now, const char* full) {
    bool nowOk = false;
    bool fullOk = false;
    const double current =
        readSmallFile(folder + QLatin1Char('/') + QLatin1String(now)).trimmed().toDouble(&nowOk);
    const double capacity =
        readSmallFile(folder + QLatin1Char('/') + QLatin1String(full)).trimmed().toDouble(&fullOk);
    if (!nowOk || !fullOk || capacity <= 0) {
        return std::nullopt;
    }
    return std::clamp(current / capacity, 0.0, 1.0);
}

} // namespace

void rlAppendDateText(QByteArray& out, qint64 msecsSinceEpoch) {
    constexpr qint64 minuteMs = 60 * 1000;
    // The local minute an instant falls in: its text up to the seconds and the zone's offset, looked up when
    // the minute changes (offsets change on whole minutes).
    struct LocalMinute {
        qint64 start = std::numeric_limits<qint64>::min();
        QByteArray prefix;
        QByteArray offset;
        bool wholeMinutes = true;
    };
    thread_local LocalMinute minute;
    const qint64 intoMinute = ((msecsSinceEpoch % minuteMs) + minuteMs) % minuteMs;
    const qint64 start = msecsSinceEpoch - intoMinute;
    if (start != minute.start) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(start).toLocalTime();
        const QDate day = local.date();
        const QTime time = local.time();
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "%04d-%02d-%02dT%02d:%02d:", day.year(), day.month(), day.day(),
                      time.hour(), time.minute());
        minute.prefix = prefix;
        minute.offset = offsetText(local.offsetFromUtc()).toLatin1();
        minute.wholeMinutes = local.offsetFromUtc() % 60 == 0;
        minute.start = start;
    }
    if (!minute.wholeMinutes) {
        // A zone whose offset has seconds (historical ones): the slow way.
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).toLocalTime();
        char text[40];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", local.date().year(),
                      local.date().month(), local.date().day(), local.time().hour(), local.time().minute(),
                      local.time().second(), local.time().msec());
        out += text;
        out += minute.offset;
        return;
    }
    const int seconds = int(intoMinute / 1000);
    const int millis = int(intoMinute % 1000);
    const char rest[] = {char('0' + seconds / 10), char('0' + seconds % 10),     '.',
                         char('0' + millis / 100), char('0' + millis / 10 % 10), char('0' + millis % 10)};
    out += minute.prefix;
    out.append(rest, sizeof rest);
    out += minute.offset;
}

QByteArray rlDateText(qint64 msecsSinceEpoch) {
    QByteArray text;
    rlAppendDateText(text, msecsSinceEpoch);
    return text;
}

QString rlStringFromDate(const QDateTime& date) {
    return date.isValid() ? QString::fromLatin1(rlDateText(date.toMSecsSinceEpoch())) : QString();
}

std::optional<QDateTime> rlDateFromString(const QString& text) {
    // "2024-03-01T12:30:45.123Z", or with an offset "+01:00" or "-01:00:30" in the Z's place.
    const QStringView view(text);
    const auto number = [&](qsizetype at, qsizetype digits) -> std::optional<int> {
        int value = 0;
        for (QChar c : view.sliced(at, digits)) {
            if (!platform::isAsciiDigit(c)) {
                return std::nullopt;
            }
            value = value * 10 + (c.unicode() - u'0');
        }
        return value;
    };
    const auto separatorsAt = [&](std::initializer_list<std::pair<qsizetype, char16_t>> separators) {
        return std::all_of(separators.begin(), separators.end(),
                           [&](const auto& separator) { return view[separator.first] == separator.second; });
    };
    constexpr qsizetype zoneAt = 23;
    const qsizetype size = view.size();
    if ((size != zoneAt + 1 && size != zoneAt + 6 && size != zoneAt + 9) ||
        !separatorsAt({{4, u'-'}, {7, u'-'}, {10, u'T'}, {13, u':'}, {16, u':'}, {19, u'.'}})) {
        return std::nullopt;
    }
    const auto year = number(0, 4), month = number(5, 2), dayOfMonth = number(8, 2);
    const auto hour = number(11, 2), minute = number(14, 2), second = number(17, 2),
               millisecond = number(20, 3);
    if (!year || !month || !dayOfMonth || !hour || !minute || !second || !millisecond) {
        return std::nullopt;
    }
    const QDate day(*year, *month, *dayOfMonth);
    const QTime time(*hour, *minute, *second, *millisecond);
    if (!day.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    int offset = 0;
    const QChar sign = view[zoneAt];
    if (size == zoneAt + 1) {
        if (sign != u'Z') {
            return std::nullopt;
        }
    } else {
        const bool withSeconds = size == zoneAt + 9;
        if ((sign != u'+' && sign != u'-') || view[zoneAt + 3] != u':' ||
            (withSeconds && view[zoneAt + 6] != u':')) {
            return std::nullopt;
        }
        const auto hours = number(zoneAt + 1, 2), minutes = number(zoneAt + 4, 2);
        const auto seconds = withSeconds ? number(zoneAt + 7, 2) : std::optional<int>(0);
        if (!hours || !minutes || !seconds || *hours > 18 || *minutes > 59 || *seconds > 59) {
            return std::nullopt;
        }
        offset = (*hours * 3600 + *minutes * 60 + *seconds) * (sign == u'-' ? -1 : 1);
    }
    const QDateTime date(day, time, Qt::OffsetFromUTC, offset);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return date;
}

QString rlDefaultStorageRootPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(libraryIdentifier);
}

quint64 rlDirectorySize(const QString& path) {
    quint64 total = 0;
    QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const quint64 size =
            info.isFile() && !info.isSymLink() ? quint64(std::max<qint64>(0, info.size())) : 0;
        total += std::max<quint64>(1, (size + blockSize - 1) / blockSize) * blockSize;
    }
    return total;
}

int RLSystemUtils::screenOrientation(std::optional<QSize> primaryScreen) {
    if (!primaryScreen) {
        return 0;
    }
    if (primaryScreen->width() > primaryScreen->height()) {
        return 2;
    }
    return primaryScreen->height() > primaryScreen->width() ? 1 : 3;
}

QString RLSystemUtils::systemUserAgent() {
    return QStringLiteral("Mozilla/5.0 (X11; Linux %1)").arg(QSysInfo::currentCpuArchitecture());
}

QString RLSystemUtils::systemHostname() {
    const QString host = systemInfo().hostName().section(QLatin1Char('.'), 0, 0);
    return host.isEmpty() ? QStringLiteral("unknown") : host;
}

double RLSystemUtils::batteryPercent(const QString& powerSupplyRoot) {
    const QDir root(powerSupplyRoot);
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name)) {
        const QString folder = root.filePath(name);
        if (readSmallFile(folder + QStringLiteral("/type")).trimmed() != "Battery") {
            continue;
        }
        if (const auto fraction = readFraction(folder, "energy_now", "energy_full")) {
            return *fraction;
        }
        if (const auto fraction = readFraction(folder, "charge_now", "charge_full")) {
            return *fraction;
        }
        bool ok = false;
        const int percent = readSmallFile(folder + QStringLiteral("/capacity")).trimmed().toInt(&ok);
        if (ok && percent > 0 && percent <= 100) {
            return percent / 100.0;
        }
    }
    return 1.0;
}

RLRamState RLSystemUtils::ramState(const QString& meminfoPath) {
    quint64 total = 0;
    std::optional<quint64> free;
    for (const QByteArray& line : readSmallFile(meminfoPath).split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 2) {
            continue;
        }
        bool ok = false;
        const quint64 kibibytes = words[1].toULongLong(&ok);
        if (!ok) {
            continue;
        }
        if (words[0] == "MemTotal:") {
            total = kibibytes * 1024;
        } else if (words[0] == "MemFree:") {
            free = kibibytes * 1024;
        }
    }
    if (total == 0 || !free || *free > total) {
        return {};
    }
    return {total, *free, total - *free};
}

QString RLSystemUtils::remoteLogDeviceIdentifier(platform::UserDefaults& defaults) {
    const QString key = libraryIdentifier + QStringLiteral(".RLDeviceIdentifier");
    if (const auto stored = defaults.stringForKey(key); stored && !stored->isEmpty()) {
        return *stored;
    }
    const QString made = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    defaults.set(key, made);
    return made;
}

std::optional<QString> RLSystemUtils::deviceModel() {
    const QString model = systemInfo().machineModel();
    return model.isEmpty() ? std::nullopt : std::optional(model);
}

QString RLSystemUtils::withoutVersionPrefix(const QString& text) {
    static const QString prefix = QStringLiteral("Version ");
    return text.startsWith(prefix) ? text.mid(prefix.size()) : text;
}

QString RLSystemUtils::osVersion() {
    static const QString version = withoutVersionPrefix(systemInfo().operatingSystemVersionString());
    return version;
}

std::optional<QString> RLSystemUtils::appShortVersion() {
    auto value = platform::Bundle::main().infoString(QStringLiteral("CFBundleShortVersionString"));
    return value && !value->isEmpty() ? value : std::nullopt;
}

std::optional<QString> RLSystemUtils::appBuild() {
    auto value = platform::Bundle::main().infoString(QStringLiteral("CFBundleVersion"));
    return value && !value->isEmpty() ? value : std::nullopt;
}

void RLDiskSize::addLength(quint64 bytes) {
    m_length.fetch_add(bytes, std::memory_order_relaxed);
    m_changed.store(true, std::memory_order_relaxed);
}

void RLDiskSize::reduceLength(quint64 bytes) {
    quint64 current = m_length.load(std::memory_order_relaxed);
    while (!m_length.compare_exchange_weak(current, current > bytes ? current - bytes : 0,
                                           std::memory_order_relaxed)) {
    }
    m_changed.store(true, std::memory_order_relaxed);
}

void RLDiskSize::rl_refreshRealDiskSize() {
    m_changed.store(false, std::memory_order_relaxed);
    m_length.store(rlDirectorySize(m_root), std::memory_order_relaxed);
}

qint64 RLThreadAdditions::currentThreadNumber() {
    thread_local const qint64 number = ::gettid();
    return number;
}

QString RLThreadAdditions::currentThreadNumberText() {
    thread_local const QString text = QString::number(currentThreadNumber());
    return text;
}

QString RLThreadAdditions::currentQueueLabel() {
    thread_local QString label;
    thread_local bool known = false;
    if (!known) {
        QThread* thread = QThread::currentThread();
        label = thread->objectName();
        const auto* app = QCoreApplication::instance();
        if (label.isEmpty() && app && app->thread() == thread) {
            label = QStringLiteral("main");
        }
        known = true;
    }
    return label;
}

QByteArray RLConsolePrinter::consoleLine(qint64 msecsSinceEpoch, qint64 threadNumber,
                                         const QString& message) {
    // The date text up to the milliseconds, with a blank for the "T".
    QByteArray line = rlDateText(msecsSinceEpoch).left(23);
    line[10] = ' ';
    char process[64];
    std::snprintf(process, sizeof process, " %s[%d:%llx] ", program_invocation_short_name, int(::getpid()),
                  static_cast<unsigned long long>(threadNumber));
    return line + process + message.toUtf8() + '\n';
}

void RLConsolePrinter::print(const QByteArray& lines) {
    if (lines.isEmpty()) {
        return;
    }
    std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
    std::fflush(stdout);
}

void RLConsolePrinter::logWithLineNumber(qint64, const QString&, const QString&, const QString& message) {
    print(
        consoleLine(QDateTime::currentMSecsSinceEpoch(), RLThreadAdditions::currentThreadNumber(), message));
}

} // namespace remotelog
