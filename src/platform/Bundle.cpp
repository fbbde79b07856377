#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

QString defaultResourcePath() {
    const QString fromEnvironment = qEnvironmentVariable("VELTRIX_RESOURCES");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    if (QCoreApplication::instance()) {
        const QString installed = QDir(QCoreApplication::applicationDirPath()).filePath("../share/veltrix");
        if (QFileInfo(installed).isDir()) {
            return QDir(installed).canonicalPath();
        }
    }
    return QStringLiteral(VELTRIX_SOURCE_RESOURCES);
}

} // namespace

Bundle& Bundle::main() {
    static Bundle bundle(
        {
            {"CFBundleShortVersionString", QStringLiteral(VELTRIX_VERSION_STRING)},
            {"CFBundleVersion", QStringLiteral(VELTRIX_BUILD_NUMBER)},
            {"CFBundleIdentifier", QStringLiteral("com.veltrix.Veltrix")},
            {"CFBundleName", QStringLiteral("Veltrix")},
            {"CFBundleDisplayName", QStringLiteral("Veltrix")},
        },
        defaultResourcePath());
    return bundle;
}

Bundle::Bundle(QVariantMap info, QString resourcePath)
    : m_info(std::move(info)), m_resourcePath(std::move(resourcePath)) {}

QVariant Bundle::infoValue(const QString& key) const {
    return m_info.value(key);
}

void Bundle::setInfoValue(const QString& key, const QVariant& value) {
    if (value.isValid()) {
        m_info.insert(key, value);
    } else {
        m_info.remove(key);
    }
}

std::optional<QString> Bundle::infoString(const QString& key) const {
    const QVariant value = m_info.value(key);
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

QString Bundle::bundleIdentifier() const {
    return infoString("CFBundleIdentifier").value_or(QString());
}

QString Bundle::bundlePath() const {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString Bundle::resourcePath() const {
    return m_resourcePath;
}

void Bundle::setResourcePath(const QString& path) {
    m_resourcePath = path;
}

QString Bundle::pathForResource(const QString& name, const QString& extension) const {
    const QString file = extension.isEmpty() ? name : name + '.' + extension;
    const QString path = QDir(m_resourcePath).filePath(file);
    return QFileInfo::exists(path) ? path : QString();
}

QByteArray Bundle::resourceData(const QString& name) const {
    QFile file(":/" + name);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QString Bundle::imagePath(const QString& name) const {
    for (const char* extension : {".svg", ".png"}) {
        const QString path = ":/images/" + name + extension;
        if (QFileInfo::exists(path)) {
            return path;
        }
    }
    return {};
}

QIcon Bundle::image(const QString& name) const {
    const QString path = imagePath(name);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

} // namespace platform
