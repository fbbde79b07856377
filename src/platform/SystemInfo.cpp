#include "platform/SystemInfo.h"

#include "platform/AsciiChars.h"

#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QSysInfo>
#include <QThread>
#include <QVersionNumber>

#include <algorithm>
#include <mutex>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcSystemInfo, "veltrix.platform.systeminfo")

constexpr qint64 fileLimit = 64 * 1024; // os-release is a few hundred bytes

QByteArray readBounded(const QString& path, bool* ok = nullptr) {
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (ok) {
        *ok = opened;
    }
    return opened ? file.read(fileLimit) : QByteArray();
}

// A value as the shell would read it: quoted parts joined, backslash escapes inside double quotes and
// outside quotes; an unterminated quote makes the line malformed.
std::optional<QString> unquote(QStringView raw) {
    QString value;
    QChar quote;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (quote.isNull()) {
            if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'\\' && i + 1 < raw.size()) {
                value += raw[++i];
            } else if (c.isSpace()) {
                return std::nullopt; // an unquoted blank: not a single value
            } else {
                value += c;
            }
        } else if (c == quote) {
            quote = QChar();
        } else if (quote == u'"' && c == u'\\' && i + 1 < raw.size() &&
                   QStringView(u"\"\\$`").contains(raw[i + 1])) {
            value += raw[++i];
        } else {
            value += c;
        }
    }
    if (!quote.isNull()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

SystemInfo::SystemInfo(QString osReleasePath, QString modelPath) : m_modelPath(std::move(modelPath)) {
    bool read = false;
    const QByteArray text = readBounded(osReleasePath, &read);
    m_hasOsRelease = read;
    if (read) {
        m_osRelease = parseOsRelease(text);
    } else {
        qCInfo(lcSystemInfo) << "No os-release at" << osReleasePath;
    }
}

QHash<QString, QString> SystemInfo::parseOsRelease(const QByteArray& text) {
    const auto isKey = [](QStringView key) {
        const auto isKeyChar = [](QChar c) { return c == u'_' || isAsciiLetterOrDigit(c); };
        return !key.isEmpty() && !isAsciiDigit(key.front()) && std::all_of(key.begin(), key.end(), isKeyChar);
    };
    QHash<QString, QString> values;
    int malformed = 0;
    const QString decoded = QString::fromUtf8(text);
    for (QStringView line : QStringView(decoded).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const QString key = equals > 0 ? line.left(equals).toString() : QString();
        const std::optional<QString> value = !isKey(key) ? std::nullopt : unquote(line.mid(equals + 1));
        if (!value) {
            ++malformed;
            continue;
        }
        values.insert(key, *value);
    }
    if (malformed > 0) {
        qCWarning(lcSystemInfo) << "Skipped" << malformed << "malformed os-release lines";
    }
    return values;
}

QString SystemInfo::operatingSystemName() const {
    const QString name = m_osRelease.value(QStringLiteral("NAME"));
    return name.isEmpty() ? QStringLiteral("Linux") : name;
}

QString SystemInfo::versionId() const {
    return m_osRelease.value(QStringLiteral("VERSION_ID"));
}

QString SystemInfo::prettyName() const {
    const QString pretty = m_osRelease.value(QStringLiteral("PRETTY_NAME"));
    if (!pretty.isEmpty()) {
        return pretty;
    }
    return versionId().isEmpty() ? operatingSystemName() : operatingSystemName() + ' ' + versionId();
}

QString SystemInfo::operatingSystemVersionString() const {
    if (m_osRelease.isEmpty()) {
        return QStringLiteral("Linux ") + kernelRelease();
    }
    if (versionId().isEmpty()) {
        return prettyName();
    }
    return operatingSystemName() + ' ' + versionId();
}

OperatingSystemVersion SystemInfo::operatingSystemVersion() const {
    const QVersionNumber number = QVersionNumber::fromString(versionId());
    return {number.majorVersion(), number.minorVersion(), number.microVersion()};
}

QString SystemInfo::kernelName() const {
    return QSysInfo::kernelType();
}

QString SystemInfo::kernelRelease() const {
    return QSysInfo::kernelVersion();
}

QString SystemInfo::architecture() const {
    return QSysInfo::currentCpuArchitecture();
}

QString SystemInfo::hostName() const {
    return QSysInfo::machineHostName();
}

QString SystemInfo::machineModel() const {
    return QString::fromUtf8(readBounded(m_modelPath)).trimmed();
}

std::optional<QSize> primaryScreenSize() {
    static std::mutex mutex;
    static std::optional<QSize> lastRead;
    std::lock_guard lock(mutex);
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (gui && QThread::currentThread() == gui->thread()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        lastRead = screen ? std::optional(screen->size()) : std::nullopt;
    }
    return lastRead;
}

} // namespace platform
