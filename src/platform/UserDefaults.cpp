#include "platform/UserDefaults.h"

#include "platform/AtomicFile.h"
#include "platform/Bundle.h"
#include "platform/FileAccess.h"
#include "platform/IniText.h"
#include "platform/Scheduler.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <cmath>
#include <limits>
#include <utility>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcDefaults, "veltrix.platform.defaults")

constexpr int deepestNesting = 32;
// Preferences are a few kilobytes; a bigger file is not one the store wrote.
constexpr qint64 maxFileBytes = 64 * 1024 * 1024;
// How long a write waits for another process writing the same file.
constexpr std::chrono::milliseconds lockPatience(2000);

bool isStorable(const QVariant& value, int depth = 0) {
    if (depth > deepestNesting) {
        return false;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QDateTime:
    case QMetaType::QStringList:
        return true;
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        return std::all_of(list.begin(), list.end(),
                           [&](const QVariant& item) { return isStorable(item, depth + 1); });
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        return std::all_of(map.begin(), map.end(),
                           [&](const QVariant& item) { return isStorable(item, depth + 1); });
    }
    default:
        return false;
    }
}

// The INI format writes bools and numbers as bare text and reads them back as strings, so each value is
// stored as its serialised QVariant, which keeps the type.
QByteArray encodeValue(const QVariant& value) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << value;
    return bytes;
}

// Texts, data and dates: their readers take no more than the data holds.
template <typename T>
std::optional<QVariant> readScalar(QDataStream& in) {
    T value{};
    in >> value;
    return in.status() == QDataStream::Ok ? std::optional<QVariant>(QVariant::fromValue(value))
                                          : std::nullopt;
}

// Reads one value as `encodeValue` wrote it. The file comes from disk, so the variant's own reader is not
// trusted with it: it decodes any registered type, recurses as deep as the data nests and reserves room for
// as many items as a list claims. Here the type is checked first, lists grow only as items arrive, and
// nesting stops where the store stops.
std::optional<QVariant> readValue(QDataStream& in, int depth) {
    quint32 typeId = 0;
    qint8 isNull = 0;
    in >> typeId >> isNull;
    if (in.status() != QDataStream::Ok || depth > deepestNesting) {
        return std::nullopt;
    }
    // A count, then that many items; the container grows only as items arrive.
    const auto readItems = [&in](auto readItem) {
        quint32 n = 0;
        in >> n;
        for (quint32 i = 0; in.status() == QDataStream::Ok && i < n; ++i) {
            if (!readItem()) {
                return false;
            }
        }
        return in.status() == QDataStream::Ok;
    };
    switch (typeId) {
    case QMetaType::QVariantList: {
        QVariantList list;
        const bool ok = readItems([&] {
            const auto item = readValue(in, depth + 1);
            if (item) {
                list.append(*item);
            }
            return item.has_value();
        });
        return ok ? std::optional<QVariant>(list) : std::nullopt;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map;
        const bool ok = readItems([&] {
            QString key;
            in >> key;
            const auto item = in.status() == QDataStream::Ok ? readValue(in, depth + 1) : std::nullopt;
            if (item) {
                map.insert(key, *item);
            }
            return item.has_value();
        });
        return ok ? std::optional<QVariant>(map) : std::nullopt;
    }
    case QMetaType::QStringList: {
        QStringList texts;
        const bool ok = readItems([&] {
            QString text;
            in >> text;
            texts.append(text);
            return in.status() == QDataStream::Ok;
        });
        return ok ? std::optional<QVariant>(texts) : std::nullopt;
    }
    case QMetaType::Bool:
        return readScalar<bool>(in);
    case QMetaType::Int:
        return readScalar<qint32>(in);
    case QMetaType::UInt:
        return readScalar<quint32>(in);
    case QMetaType::LongLong:
        return readScalar<qint64>(in);
    case QMetaType::ULongLong:
        return readScalar<quint64>(in);
    case QMetaType::Float:
        return readScalar<float>(in);
    case QMetaType::Double:
        return readScalar<double>(in);
    case QMetaType::QString:
        return readScalar<QString>(in);
    case QMetaType::QByteArray:
        return readScalar<QByteArray>(in);
    case QMetaType::QDateTime:
        return readScalar<QDateTime>(in);
    default:
        // Only the types the store keeps: a value of any other type is never made, since making some
        // (a pixmap without a GUI thread) ends the process.
        return std::nullopt;
    }
}

std::optional<QVariant> decodeValue(const QByteArray& stored) {
    QDataStream in(stored);
    in.setVersion(QDataStream::Qt_6_0);
    const std::optional<QVariant> value = readValue(in, 0);
    if (!value || in.status() != QDataStream::Ok || !in.atEnd()) {
        return std::nullopt;
    }
    return value;
}

// The INI format reads "/" and "\" in keys as group separators; percent-encoding keeps every key as it was.
QString encodeKey(const QString& key) {
    return QString::fromLatin1(key.toUtf8().toPercentEncoding());
}
QString decodeKey(const QString& stored) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(stored.toLatin1()));
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

std::optional<double> numberFromText(const QString& text) {
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

qint64 clampToInteger(double number) {
    if (std::isnan(number)) {
        return 0;
    }
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double limit = 9223372036854775808.0;
    if (number >= limit) {
        return std::numeric_limits<qint64>::max();
    }
    if (number < -limit) {
        return std::numeric_limits<qint64>::min();
    }
    return static_cast<qint64>(number);
}

} // namespace

UserDefaults& UserDefaults::standard() {
    static UserDefaults defaults(standardPath());
    return defaults;
}

QString UserDefaults::standardPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(folder).filePath(Bundle::main().bundleIdentifier() + ".ini");
}

UserDefaults::UserDefaults(QString filePath) : m_filePath(std::move(filePath)) {
    load();
}

void UserDefaults::load() {
    const RegularFileRead file = readRegularFile(m_filePath, maxFileBytes);
    using Outcome = RegularFileRead::Outcome;
    if (file.outcome == Outcome::missing) {
        return;
    }
    if (file.outcome == Outcome::denied || file.outcome == Outcome::notRegular ||
        file.outcome == Outcome::failed) {
        // Not ours to judge or to replace: perhaps only this process may not read it.
        m_writable = false;
        qCWarning(lcDefaults).noquote()
            << "User defaults file" << m_filePath << "cannot be read (" << file.errorString
            << "); using the defaults and leaving it as it is";
        return;
    }

    QString problem = file.outcome == Outcome::tooLarge ? file.errorString : QString();
    // Lines that are not key=value, and a last line whose value was cut short (no line break after it), are
    // damage around the values: those stay, and the file is kept aside for what they held.
    int unreadLines = 0;
    QVariantMap values;
    if (problem.isEmpty()) {
        const ini::Document document = ini::parse(file.bytes);
        unreadLines = document.malformedLines;
        for (const ini::Entry& entry : document.entries) {
            const std::optional<QByteArray> stored = ini::byteArrayValue(entry);
            const std::optional<QVariant> value = stored ? decodeValue(*stored) : std::nullopt;
            if (value) {
                values.insert(decodeKey(entry.key), *value);
            } else if (entry.onLastLine && document.endsInsideALine) {
                ++unreadLines;
            } else {
                problem = QStringLiteral("a value that cannot be read back");
                break;
            }
        }
    }
    const bool damaged = problem.isEmpty() && unreadLines > 0;
    if (problem.isEmpty() && !damaged) {
        m_values = std::move(values);
        return;
    }

    if (damaged) {
        qCWarning(lcDefaults).noquote()
            << "User defaults file" << m_filePath << "has" << unreadLines
            << "line(s) that cannot be read; keeping the" << values.size() << "values read";
        m_values = std::move(values);
    } else {
        qCWarning(lcDefaults).noquote()
            << "User defaults file" << m_filePath << "is corrupt (" + problem + "); starting empty";
    }
    if (!setAside()) {
        m_writable = false;
        qCCritical(lcDefaults).noquote()
            << "The damaged file could not be kept aside; changes stay in memory";
        return;
    }
    if (damaged) {
        m_dirty = true;
        writeLocked();
    }
}

bool UserDefaults::setAside() {
    const QString stamp = Scheduler::shared().currentDate().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_filePath + ".corrupt-" + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n) {
        aside = m_filePath + ".corrupt-" + stamp + '-' + QString::number(n);
    }
    if (!QFile::rename(m_filePath, aside) && !QFile::copy(m_filePath, aside)) {
        return false;
    }
    qCWarning(lcDefaults).noquote() << "The damaged file was kept as" << aside;
    return true;
}

void UserDefaults::registerDefaults(const QVariantMap& defaults) {
    std::lock_guard lock(m_mutex);
    m_registered.insert(defaults);
}

QVariant UserDefaults::objectForKey(const QString& key) const {
    std::lock_guard lock(m_mutex);
    const auto stored = m_values.constFind(key);
    return stored != m_values.cend() ? *stored : m_registered.value(key);
}

bool UserDefaults::boolForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (isNumber(value)) {
        return value.toDouble() != 0;
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        if (text == u"true" || text == u"yes") {
            return true;
        }
        return numberFromText(text).value_or(0) != 0;
    }
    return false;
}

qint64 UserDefaults::integerForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::ULongLong:
        return static_cast<qint64>(
            std::min<qulonglong>(value.toULongLong(), std::numeric_limits<qint64>::max()));
    case QMetaType::Float:
    case QMetaType::Double:
        return clampToInteger(value.toDouble());
    case QMetaType::QString: {
        bool ok = false;
        const qint64 integer = value.toString().trimmed().toLongLong(&ok);
        return ok ? integer : clampToInteger(numberFromText(value.toString()).value_or(0));
    }
    default:
        return 0;
    }
}

double UserDefaults::doubleForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool() ? 1 : 0;
    }
    if (isNumber(value)) {
        return value.toDouble();
    }
    if (value.typeId() == QMetaType::QString) {
        return numberFromText(value.toString()).value_or(0);
    }
    return 0;
}

std::optional<QString> UserDefaults::stringForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QString ? std::optional(value.toString()) : std::nullopt;
}

QByteArray UserDefaults::dataForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QVariantList UserDefaults::arrayForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    const bool isList = value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
    return isList ? value.toList() : QVariantList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

bool UserDefaults::set(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        return removeObject(key);
    }
    if (!isStorable(value)) {
        qCWarning(lcDefaults) << "Refused to store a value of type" << value.metaType().name() << "under"
                              << key;
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_values.insert(key, value);
    m_dirty = true;
    return writeLocked();
}

bool UserDefaults::removeObject(const QString& key) {
    std::lock_guard lock(m_mutex);
    if (m_values.remove(key) > 0) {
        m_dirty = true;
    }
    return writeLocked();
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(m_mutex);
    return writeLocked();
}

bool UserDefaults::writeLocked() {
    if (!m_dirty) {
        return true;
    }
    if (!m_writable) {
        return false;
    }
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    // Writers of this file in other processes take turns; the kernel drops the lock of one that dies.
    FileLock lock(m_filePath + QStringLiteral(".lock"));
    if (lock.tryLock(lockPatience) != FileLock::Result::locked) {
        qCWarning(lcDefaults).noquote()
            << "Could not lock the user defaults file" << m_filePath
            << "to write it:" << (lock.errorString().isEmpty() ? QStringLiteral("busy") : lock.errorString());
        return false;
    }
    // The same text QSettings writes, keys in the order it writes them.
    QMap<QString, QByteArray> lines;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        const QString key = encodeKey(it.key());
        lines.insert(key, ini::byteArrayLine(key, encodeValue(it.value())));
    }
    QByteArray text;
    if (!lines.isEmpty()) {
        text = "[General]\n";
        for (const QByteArray& line : std::as_const(lines)) {
            text += line;
        }
    }
    // The old file stays whole until the new one takes its place.
    const AtomicWriteResult written = writeFileAtomically(m_filePath, text);
    lock.unlock(/*removeFile=*/true); // none left beside the preferences
    if (!written) {
        // Said once while the disk stays full, not at every value set meanwhile.
        if (!std::exchange(m_writeFailureLogged, true)) {
            qCWarning(lcDefaults).noquote()
                << "Could not write the user defaults, they are kept in memory:" << written.errorString;
        }
        return false;
    }
    m_writeFailureLogged = false;
    m_dirty = false;
    return true;
}

UserDefaultsController& UserDefaultsController::shared() {
    static UserDefaultsController controller;
    return controller;
}

} // namespace platform
