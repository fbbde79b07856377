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

    Bundle(QVariantMap info, QString resourcePath, bool installed = false);

    // Where the on-disk resources are, and whether that makes this run an installed client.
    struct ResourceLocation {
        QString path;
        bool installed = false;
    };
    // $VELTRIX_RESOURCES (`environmentValue`) when set; else the installation's share/veltrix beside
    // `executableDirectory` (installed); else `sourceTree`'s resources (a build run in place). A client built
    // without a source tree keeps to the installation's folder even when it is missing, so that a broken
    // installation fails on absent files rather than reading paths relative to where it was started.
    static ResourceLocation
    locateResources(const QString& environmentValue, const QString& executableDirectory,
                    const QString& sourceTree = QStringLiteral(VELTRIX_SOURCE_RESOURCES));

    // Keys as the client knows them: "CFBundleShortVersionString", "CFBundleVersion",
    // "CFBundleIdentifier", "CFBundleName", "CFBundleDisplayName".
    QVariant infoValue(const QString& key) const;
    void setInfoValue(const QString& key, const QVariant& value);
    // The value when it is present and a text, else nothing.
    std::optional<QString> infoString(const QString& key) const;

    QString bundleIdentifier() const;
    // The folder of the running executable.
    QString bundlePath() const;
    // The on-disk resource folder, as locateResources() found it for the running executable.
    QString resourcePath() const;
    void setResourcePath(const QString& path, bool installed = false);
    // Whether the resources are those installed beside the executable: only then is this copy the one
    // the desktop starts (from its menu, its URL handler, the start-at-login entry).
    bool isInstalled() const { return m_installed; }
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
    bool m_installed = false;
};

} // namespace platform
