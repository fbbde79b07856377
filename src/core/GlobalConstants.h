#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// Application-wide values: edition and logging switches, display names, the bundle's version strings and
// identifier, the support address and the client's own executables. The bundle values are read once.
struct GlobalConstants {
    GlobalConstants() = delete;

    // Switches; nothing changes them at run time (tests may).
    static inline bool isLoggingEnabled = true;
    static inline bool isSMBApplication = true;
    static inline bool forceWelcomePage = false;
    static inline bool ignoreAlwaysOnSetting = false;

    static QString productDisplayName();
    static QString appDisplayName();
    static QString supportEmailAddress();
    // The support site's user guides, as the support tab opens them.
    static QUrl userGuideURL();

    // Read from the bundle on first use; a missing version gives "Unknown version" / "Unknown build".
    static QString bundleShortVersion();
    static QString bundleVersion();
    static QString bundleIdentifier();
    // The identifier as the bundle's information file states it; "" when it cannot be read.
    static QString bundleIdentifierFromInfoFile();

    // One of the client's own executables: its bundle identifier and its path behind the bundle's folder.
    struct OwnExecutable {
        QString bundleIdentifier;
        QString relativePath;
        bool operator==(const OwnExecutable&) const = default;
    };
    static QList<OwnExecutable> ownExecutables();
    // The list for one folder: executable files whose identifier `identifierOf` can tell, in listing
    // order; the relative path is what follows the last occurrence of `bundlePath` in the file's path.
    using IdentifierReader = std::optional<QString> (*)(const QString& executablePath);
    static QList<OwnExecutable> ownExecutables(const QString& folder, const QString& bundlePath,
                                               IdentifierReader identifierOf);

    // Declared for completeness; nothing reads them.
    static inline QString publicDNSServer1 = QStringLiteral("8.8.4.4");
    static inline QString publicDNSServer2 = QStringLiteral("8.8.8.8");
    static QString macVersionText() { return QStringLiteral("mac-version"); }
    static inline std::optional<QString> logFolderPath;
    static QString errorLogPath() { return logFolderPath.value_or(QString()) + QStringLiteral("/error.log"); }
};
