#include "core/GlobalConstants.h"

#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString bundleString(const QString& key, const QString& fallback) {
    return platform::Bundle::main().infoString(key).value_or(fallback);
}

// Only the client's own executable carries the bundle's identifier; nothing else here has an
// information dictionary.
std::optional<QString> identifierOfExecutable(const QString& path) {
    if (QFileInfo(path).canonicalFilePath() ==
        QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath()) {
        const QString identifier = GlobalConstants::bundleIdentifierFromInfoFile();
        if (!identifier.isEmpty()) {
            return identifier;
        }
    }
    return std::nullopt;
}

} // namespace

QString GlobalConstants::productDisplayName() {
    return QStringLiteral("Veltrix");
}
QString GlobalConstants::appDisplayName() {
    return QStringLiteral("Veltrix");
}
QString GlobalConstants::supportEmailAddress() {
    return QStringLiteral("support@veltrix.example");
}
QUrl GlobalConstants::userGuideURL() {
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(QStringLiteral("support.veltrix.example"));
    url.setPath(QStringLiteral("/docs"));
    url.setQuery(
        QStringLiteral("utm_source=client&utm_medium=Support-Menu-Link&utm_campaign=User-Guides-Link"));
    return url;
}

QString GlobalConstants::bundleShortVersion() {
    static const QString value =
        bundleString(QStringLiteral("CFBundleShortVersionString"), QStringLiteral("Unknown version"));
    return value;
}

QString GlobalConstants::bundleVersion() {
    static const QString value =
        bundleString(QStringLiteral("CFBundleVersion"), QStringLiteral("Unknown build"));
    return value;
}

QString GlobalConstants::bundleIdentifier() {
    static const QString value = bundleString(QStringLiteral("CFBundleIdentifier"), QString());
    return value;
}

QString GlobalConstants::bundleIdentifierFromInfoFile() {
    static const QString value = bundleString(QStringLiteral("CFBundleIdentifier"), QString());
    return value;
}

QList<GlobalConstants::OwnExecutable> GlobalConstants::ownExecutables() {
    static const QList<OwnExecutable> list = [] {
        const QString executable = QCoreApplication::applicationFilePath();
        if (executable.isEmpty()) {
            return QList<OwnExecutable>();
        }
        const QString folder = QFileInfo(executable).absolutePath();
        return ownExecutables(folder, platform::Bundle::main().bundlePath(), &identifierOfExecutable);
    }();
    return list;
}

QList<GlobalConstants::OwnExecutable> GlobalConstants::ownExecutables(const QString& folder,
                                                                      const QString& bundlePath,
                                                                      IdentifierReader identifierOf) {
    QList<OwnExecutable> result;
    const QDir dir(folder);
    if (!dir.exists()) {
        return result;
    }
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (!entry.isExecutable()) {
            continue;
        }
        const QString path = entry.absoluteFilePath();
        const std::optional<QString> identifier = identifierOf(path);
        if (!identifier) {
            continue;
        }
        // Behind the last occurrence of the bundle's path; a path outside the bundle stays whole.
        QString relative = path;
        if (!bundlePath.isEmpty()) {
            const qsizetype at = path.lastIndexOf(bundlePath);
            if (at >= 0) {
                relative = path.mid(at + bundlePath.size());
            }
        }
        result.append({*identifier, relative});
    }
    return result;
}
