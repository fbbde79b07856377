#pragma once

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace platform {

// The application bundle: its information dictionary (version strings from the build), compiled-in
// resources by name, and the on-disk resource dir that holds what must be a real file (scripts, the demo
// workspace).
class Bundle {
public:
    static Bundle& main();

    Bundle(QVariantMap info, QString resourcePath);

    // Keys as the client knows them: "CFBundleShortVersionString", "CFBundleVersion",
    // "CFBundleIdentifier", "CFBundleName", "CFBundleDisplayName".
    QVariant infoValue(const QString& key) const;
    void setInfoValue(const QString& key, const QVariant& value);
    // The value when it is present and a text, else nothing.
    std::optional<QString> infoString(const QString& key) const;

    QString bundleIdentifier() const;
    // The folder of the running executable.
    QString bundlePath() const;
    // The on-disk resource folder: $VELTRIX_RESOURCES, else share/veltrix beside the executable's folder,
    // else the source tree's resources (a build run in place).
    QString resourcePath() const;
    void setResourcePath(const QString& path);
    // A file in the resource folder, or an empty text when there is none.
    QString pathForResource(const QString& name, const QString& extension = {}) const;

    // Compiled-in resources: ":/<name>"; empty when absent.
    QByteArray resourceData(const QString& name) const;
    // ":/images/<name>.svg" or ".png"; a null icon when neither exists.
    QIcon image(const QString& name) const;
    QString imagePath(const QString& name) const;

private:
    QVariantMap m_info;
    QString m_resourcePath;
};

} // namespace platform
