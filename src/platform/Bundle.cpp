#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

Bundle::ResourceLocation Bundle::locateResources(const QString& environmentValue,
                                                 const QString& executableDirectory,
                                                 const QString& sourceTree) {
    if (!environmentValue.isEmpty()) {
        return {environmentValue, false};
    }
    if (!executableDirectory.isEmpty()) {
        const QString installed =
            QDir(executableDirectory).filePath(QStringLiteral(VELTRIX_INSTALLED_RESOURCES));
        if (QFileInfo(installed).isDir()) {
            return {QDir(installed).canonicalPath(), true};
        }
        if (sourceTree.isEmpty()) {
            return {QDir::cleanPath(QDir(installed).absolutePath()), true};
        }
    }
    return {sourceTree, false};
}

Bundle& Bundle::main() {
    static const ResourceLocation resources =
        locateResources(qEnvironmentVariable("VELTRIX_RESOURCES"),
                        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString());
    static Bundle bundle(
        {
            {"CFBundleShortVersionString", QStringLiteral(VELTRIX_VERSION_STRING)},
            {"CFBundleVersion", QStringLiteral(VELTRIX_BUILD_NUMBER)},
            {"CFBundleIdentifier", QStringLiteral("com.veltrix.Veltrix")},
            {"CFBundleName", QStringLiteral("Veltrix")},
            {"CFBundleDisplayName", QStringLiteral("Veltrix")},
        },
        resources.path, resources.installed);
    return bundle;
}

Bundle::Bundle(QVariantMap info, QString resourcePath, bool installed)
    : m_info(std::move(info)), m_resourcePath(std::move(resourcePath)), m_installed(installed) {}

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

void Bundle::setResourcePath(const QString& path, bool installed) {
    m_resourcePath = path;
    m_installed = installed;
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
