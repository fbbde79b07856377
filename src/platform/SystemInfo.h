#pragma once

#include <QSize>

#include <optional>

#include <QHash>
#include <QString>

namespace platform {

struct OperatingSystemVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;

    friend bool operator==(const OperatingSystemVersion&, const OperatingSystemVersion&) = default;
};

// The operating system as the client reports it (model, exception reports): the distribution from
// os-release, the kernel from uname, the host.
class SystemInfo {
public:
    explicit SystemInfo(QString osReleasePath = QStringLiteral("/etc/os-release"),
                        QString modelPath = QStringLiteral("/sys/class/dmi/id/product_name"));

    // KEY=VALUE lines with shell-style quoting; comments, blank lines and malformed lines are skipped.
    static QHash<QString, QString> parseOsRelease(const QByteArray& text);

    // NAME ("Debian GNU/Linux"), else "Linux".
    QString operatingSystemName() const;
    // PRETTY_NAME ("Debian GNU/Linux 12 (bookworm)"), else the name and version.
    QString prettyName() const;
    // VERSION_ID ("12", "22.04"); empty on rolling releases.
    QString versionId() const;
    // Name and version separated by one blank ("Debian GNU/Linux 12"); without a VERSION_ID the pretty
    // name; without os-release the kernel ("Linux 6.1.0-18-amd64").
    QString operatingSystemVersionString() const;
    // VERSION_ID split into numbers; missing or unreadable parts are 0.
    OperatingSystemVersion operatingSystemVersion() const;

    QString kernelName() const;    // "linux"
    QString kernelRelease() const; // "6.1.0-18-amd64"
    QString architecture() const;  // "x86_64"
    QString hostName() const;
    // The machine's product name from firmware; empty where it cannot be read.
    QString machineModel() const;

    // Whether os-release could be read at all.
    bool hasOsRelease() const { return m_hasOsRelease; }

private:
    QHash<QString, QString> m_osRelease;
    bool m_hasOsRelease = false;
    QString m_modelPath;
};

// The primary screen's size, none without a screen. Screens belong to the GUI thread: read there (and kept),
// elsewhere the size last read there.
std::optional<QSize> primaryScreenSize();

} // namespace platform
